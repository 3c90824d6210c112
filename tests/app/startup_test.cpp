// Start-up: the branding title, the feature files and PDF availability.
#include "app/startup.h"

#include <gtest/gtest.h>

#include "fake_views.h"
#include "support/memory_profile.h"
#include "support/temp_dir.h"

namespace orvex {
namespace {

struct Fixture {
  test::TempDir dir;
  WorkDir workDir{dir.Path()};
  test::MemoryProfile profile;
  SettingsStore store{profile};
  RunContext run;
  MainWindowFields fields;
  test::FakeMainView view;

  void Initialise(bool pdf = false) {
    test::FakePdf converter(pdf);
    Startup(run, fields, view, store, workDir).Initialise(converter);
  }
  void WriteBranding(std::string_view atOffset) {
    dir.Write("xdevcap.dxt", std::string(kBrandingOffset, 'x') + std::string(atOffset));
  }
};

TEST(StartupTest, WithoutFeatureFilesNothingChanges) {
  Fixture f;
  f.dir.Write("frontc.dat", "");  // only counts together with revc.dat
  f.Initialise();
  EXPECT_EQ(f.view.caption, "- Orvex Plus 1.0 - ");
  EXPECT_EQ(f.view.menuItem, "&About Orvex...");
  EXPECT_FALSE(f.view.splash.has_value());
  EXPECT_TRUE(f.view.comboEntries.empty());
  EXPECT_FALSE(f.view.visible[window_id::kCycleButton]);
  EXPECT_EQ(f.run.wideCarriage + f.run.pdfAvailable + f.run.creasingInstalled, 0);
}

TEST(StartupTest, FeatureFilesSwitchTheirFeaturesOn) {
  Fixture f;
  f.dir.Write("revc.dat", "2.0 1\n");
  f.dir.Write("frontc.dat", "");
  f.dir.Write("testc.dat", "");
  f.dir.Write("100.dat", "");
  f.Initialise(true);
  EXPECT_EQ(f.run.creasingInstalled, 1);
  EXPECT_EQ(f.run.creasingVariant, 2);
  EXPECT_EQ(f.view.comboEntries[window_id::kSpecialModeCombo],
            (std::vector<std::string>{"Tool Creasing", "Front Tool Creasing"}));
  EXPECT_TRUE(f.view.visible[window_id::kCycleButton]);
  EXPECT_TRUE(f.view.visible[window_id::kCreaseButton]);
  EXPECT_TRUE(f.view.visible[window_id::kBladeButton]);
  EXPECT_EQ(f.run.wideCarriage, 1);
  EXPECT_EQ(f.run.pdfAvailable, 1);

  for (std::string_view content : {"1", "2.5", "", "creasing"}) {
    f.dir.Write("revc.dat", content);
    EXPECT_EQ(ReadCreasingVariant(f.dir.File("revc.dat")), 1) << content;
  }
}

TEST(StartupTest, BrandingTitleIsReadAtItsOffset) {
  Fixture f;
  f.WriteBranding("3 Kite and the rest is not read");
  f.Initialise();
  EXPECT_EQ(f.run.customTitle, "Kite");
  EXPECT_TRUE(f.run.customTitleRead);
  EXPECT_EQ(f.view.caption, "Kite");
  EXPECT_EQ(f.view.menuItem, "Kite");
  EXPECT_EQ(f.view.splash, "Version 9.8.0");

  // White space and line ends inside the title are taken as stored.
  f.WriteBranding("5\n\nA B\nCD");
  EXPECT_EQ(ReadBrandingTitle(f.dir.File("xdevcap.dxt")), "A B\nCD");
}

TEST(StartupTest, DamagedBrandingCountsNeverReachOutsideTheTitle) {
  Fixture f;
  f.WriteBranding("500 " + std::string(600, 'T'));
  EXPECT_EQ(ReadBrandingTitle(f.dir.File("xdevcap.dxt")), std::string(80, 'T'));
  f.WriteBranding("9 short");  // fewer characters than counted: what is there
  EXPECT_EQ(ReadBrandingTitle(f.dir.File("xdevcap.dxt")), "short");

  for (std::string_view bad : {"-2 Title", "x Title", "", "99999999999999 Title"}) {
    f.WriteBranding(bad);
    EXPECT_EQ(ReadBrandingTitle(f.dir.File("xdevcap.dxt")), std::nullopt) << bad;
  }
  f.dir.Write("xdevcap.dxt", "3 Kite");  // shorter than the offset
  EXPECT_EQ(ReadBrandingTitle(f.dir.File("xdevcap.dxt")), std::nullopt);

  // No title: the caption stays, the splash still comes.
  f.WriteBranding("-1 Kite");
  f.Initialise();
  EXPECT_FALSE(f.run.customTitleRead);
  EXPECT_EQ(f.view.caption, "- Orvex Plus 1.0 - ");
  EXPECT_TRUE(f.view.splash.has_value());
}

}  // namespace
}  // namespace orvex
