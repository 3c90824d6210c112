// recent.dat: the new line, the in-place rewrite, the line replaced when it would not fit, the
// restore at load and damaged lines. Every update replaces the whole file atomically, so a
// writer killed midway leaves the old or the new file (the atomic file's own tests).
#include "app/recent_jobs.h"

#include <gtest/gtest.h>

#include "fake_views.h"

namespace orvex {
namespace {

RecentEntry Entry(const std::string& path, int force) {
  RecentEntry entry;
  entry.path = path;
  entry.values = {1, 2, 3, 360, 5, 10, 1, 0, 45, force, 0, 12, 13, 14};
  return entry;
}

struct Fixture : test::AppParts {
  RecentJobsFile recent{dir.File("recent.dat"), run, fields};
};

// One job's line through its life, beside another job's and a line that is no record: created,
// rewritten in place within its slack (20 bytes), replaced once it outgrows that, in place again
// once shorter. The other lines stay byte for byte.
TEST(RecentJobsTest, AJobKeepsOneLineAndItsNeighboursStayWhole) {
  Fixture f;
  EXPECT_EQ(f.recent.Update(Entry("/jobs/a b.eps", 7)), RecentUpdate::kCreated);
  const std::string lineA =
      "13 /jobs/a b.eps 1 2 3 360 5 10 1 0 45 7 0 12 13 14 "
      "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA\n";
  EXPECT_EQ(f.dir.Read("recent.dat"), lineA);
  f.dir.Write("recent.dat", lineA + "garbage line");
  EXPECT_EQ(f.recent.Update(Entry("/jobs/c.ai", 9)), RecentUpdate::kAppended);
  const std::string others = "garbage line\n" + FormatNewRecentLine(Entry("/jobs/c.ai", 9));
  EXPECT_EQ(f.dir.Read("recent.dat"), lineA + others);

  EXPECT_EQ(f.recent.Update(Entry("/jobs/a b.eps", 31)), RecentUpdate::kRewrittenInPlace);
  EXPECT_EQ(f.dir.Read("recent.dat"),
            "13 /jobs/a b.eps 1 2 3 360 5 10 1 0 45 31 0 12 13 14 BBBBBBBBBBBBBBBBBBBBBBBBBBBBC"
            "AAAAAAAAAAAAAAAAAAA\n" +
                others);
  RecentEntry grown = Entry("/jobs/a b.eps", 7);
  grown.values[0] = -2000000000;  // 10 bytes more
  grown.values[1] = -2000000000;  // 20 more: the slack exactly
  EXPECT_EQ(f.recent.Update(grown), RecentUpdate::kRewrittenInPlace);
  grown.values[2] = -2000000000;
  EXPECT_EQ(f.recent.Update(grown), RecentUpdate::kLineReplaced);
  EXPECT_EQ(f.dir.Read("recent.dat"), FormatRewrittenRecentText(grown) + "\n" + others);
  EXPECT_EQ(f.recent.Find("/jobs/a b.eps")->values[2], -2000000000);
  // What is left of the longer text after a shorter rewrite is ignored.
  EXPECT_EQ(f.recent.Update(Entry("/jobs/a b.eps", 3)), RecentUpdate::kRewrittenInPlace);
  EXPECT_EQ(f.recent.Find("/jobs/a b.eps")->values, Entry("/jobs/a b.eps", 3).values);
  EXPECT_EQ(f.recent.Find("/jobs/c.ai")->values[9], 9);
}

TEST(RecentJobsTest, DamagedLinesAreSkippedWhenReadingAndKeptWhenWriting) {
  Fixture f;
  const std::string longPath = "/" + std::string(299, 'p');
  const std::string damaged =
      "300 " + longPath +
      " 1 2 3 4 5 6 7 8 9 10 11 12 13 14 A\n"
      "9 /jobs/x.ai 1 2\n"  // cut short
      "-4 /jobs/x.ai 1 2 3 4 5 6 7 8 9 10 11 12 13 14 A\n"
      "\n"
      "10 /jobs/x.ai 1 2 3 4 5 6 7 8 9 10 11 12 13";  // 13 numbers, no line end
  f.dir.Write("recent.dat", damaged);
  EXPECT_FALSE(f.recent.Find(longPath));
  EXPECT_FALSE(f.recent.Find("/jobs/x.ai"));
  EXPECT_EQ(f.recent.Update(Entry("/jobs/x.ai", 5)), RecentUpdate::kAppended);
  EXPECT_EQ(f.dir.Read("recent.dat"), damaged + "\n" + FormatNewRecentLine(Entry("/jobs/x.ai", 5)));

  // Paths that cannot be keyed are not stored at all: 255 bytes is the longest.
  for (const auto& [path, stored] : {std::pair{"/" + std::string(255, 'q'), false},
                                     {std::string("/two\nlines.eps"), false},
                                     {std::string(255, 'r'), true}}) {
    SCOPED_TRACE(path.size());
    const std::string before = f.dir.Read("recent.dat");
    EXPECT_EQ(f.recent.Update(Entry(path, 1)),
              stored ? RecentUpdate::kAppended : RecentUpdate::kNotStored);
    EXPECT_EQ(f.dir.Read("recent.dat") == before, !stored);
    EXPECT_EQ(f.recent.Find(path).has_value(), stored);
  }
}

// The job's fields, one golden list: restoring takes each back from its place in the line (the
// line itself is in the window rows' recent.dat), the first marker in the display unit.
TEST(RecentJobsTest, RestoreAppliesTheStoredFieldsInTheDisplayUnit) {
  using F = MainWindowFields;
  const std::pair<int F::*, int> stored[] = {{&F::compensationLeft, -4},
                                             {&F::compensationRight, 5},
                                             {&F::height, 6},
                                             {&F::dashCutLength, 370},
                                             {&F::dashUpLength, 8},
                                             {&F::dashSpeed, 22},
                                             {&F::passSelection, 2},
                                             {&F::bladeUp, 1},
                                             {&F::cutForce, 17},
                                             {&F::width, 3}};
  Fixture f;
  f.run.currentJobPath = "/jobs/Sheet.eps";
  for (auto [member, value] : stored) f.fields.*member = value;
  f.fields.firstMarker = 45.9;
  f.recent.Update(RecentEntryFor(f.run, f.fields));
  f.fields = MainWindowFields{};
  EXPECT_FALSE(f.recent.Restore("/jobs/sheet.eps"));  // case matters
  f.recent.RestoreFor("/jobs/Sheet.eps");
  for (auto [member, value] : stored) EXPECT_EQ(f.fields.*member, value);
  EXPECT_EQ(f.fields.firstMarker, 45.0);

  // In inch display the stored millimetres come back as inches.
  f.run.unitFactor = 25.4;
  EXPECT_TRUE(f.recent.Restore("/jobs/Sheet.eps"));
  EXPECT_DOUBLE_EQ(f.fields.firstMarker, 1.77);
  f.recent.Update(RecentEntryFor(f.run, f.fields));
  EXPECT_EQ(f.recent.Find("/jobs/Sheet.eps")->values[8], 45);
}

// Where the restore stops: the Options outcome, the Pass box's entries, the first matching line.
TEST(RecentJobsTest, RestoreBoundaries) {
  struct Case {
    int optionsOutcome, storedPass;
    bool restored;
    int passAfter;  // the box held 1 before
  };
  const Case cases[] = {{0, 0, true, 0},  {0, 2, true, 2},  {0, 3, true, 1},
                        {0, -1, true, 1}, {1, 0, false, 1}, {2, 0, false, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.optionsOutcome) + "/" + std::to_string(c.storedPass));
    Fixture f;
    RecentEntry first = Entry("/j.eps", 8);
    first.values[6] = c.storedPass;
    f.dir.Write("recent.dat", FormatNewRecentLine(first) + FormatNewRecentLine(Entry("/j.eps", 9)));
    f.run.optionsOutcome = c.optionsOutcome;
    f.fields.passSelection = 1;
    EXPECT_EQ(f.recent.Restore("/j.eps"), c.restored);
    EXPECT_EQ(f.fields.passSelection, c.passAfter);
    EXPECT_EQ(f.fields.cutForce, c.restored ? 8 : 0);  // from the first line for the job
  }
}

}  // namespace
}  // namespace orvex
