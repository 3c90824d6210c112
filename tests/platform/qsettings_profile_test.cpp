#include "platform/qsettings_profile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSettings>
#include <chrono>
#include <thread>

#include "support/small_tmpfs.h"
#include "support/temp_dir.h"

namespace orvex {
namespace {

// A batch reaches the file once, at its end; on a full disk the end says so and the file keeps
// what it held.
TEST(QSettingsProfileTest, ABatchIsWrittenAtItsEndAndAFullDiskKeepsTheOldFile) {
  test::SmallTmpfs disk(64);
  if (!disk.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
  const QString path = QString::fromStdString((disk.Path() / "orvex.conf").string());
  QSettingsProfile profile(path);
  ASSERT_TRUE(profile.WriteInt(kProfileSection, "force", 12));
  {
    ProfileBatch batch(profile);
    profile.WriteInt(kProfileSection, "force", 40);
    profile.WriteString(kProfileSection, "LastJob", "/jobs/a.eps");
    EXPECT_NE(test::ReadFileBytes(disk.Path() / "orvex.conf").find("force=12"), std::string::npos);
    EXPECT_TRUE(batch.End());
  }
  EXPECT_EQ(QSettingsProfile(path).ReadString(kProfileSection, "LastJob", "-"), "/jobs/a.eps");

  const std::string before = test::ReadFileBytes(disk.Path() / "orvex.conf");
  disk.Fill();
  ProfileBatch batch(profile);
  profile.WriteString(kProfileSection, "LastJob", std::string(20000, 'j'));
  EXPECT_FALSE(batch.End());
  EXPECT_EQ(profile.WriteFailure(), path.toStdString() + "\nNo space left on device");
  EXPECT_EQ(test::ReadFileBytes(disk.Path() / "orvex.conf"), before);
}

// Absent keys give the caller's default. A writer killed mid-write (here also leaving the empty
// lock file a kill between its creation and its content leaves) neither tears the file nor holds
// up the next write. (A run's reads and writes of a whole file are in the transcripts.)
TEST(QSettingsProfileTest, AWriterKilledMidWriteNeitherTearsTheFileNorStallsTheNext) {
  test::TempDir dir;
  const QString path = QString::fromStdString(dir.File("orvex.conf").string());
  QSettingsProfile first(path);
  EXPECT_EQ(first.ReadInt(kProfileSection, "force", 80), 80);
  EXPECT_EQ(first.ReadString(kProfileSection, "LastJob", "-"), "-");
  ASSERT_TRUE(first.WriteString(kProfileSection, "LastJob", "/jobs/kept.eps"));
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    QSettingsProfile writer(path);
    for (int i = 0;; ++i) writer.WriteInt(kProfileSection, "force", i);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  dir.Write("orvex.conf.lock", "");

  const auto started = std::chrono::steady_clock::now();
  EXPECT_TRUE(QSettingsProfile(path).WriteInt(kProfileSection, "Kalto", 9));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  QSettingsProfile fresh(path);
  EXPECT_EQ(fresh.ReadString(kProfileSection, "LastJob", "-"), "/jobs/kept.eps");
  EXPECT_EQ(fresh.ReadInt(kProfileSection, "Kalto", 0), 9);
  EXPECT_GT(fresh.ReadInt(kProfileSection, "force", -1), 0);
}

}  // namespace
}  // namespace orvex
