// Start-up: the branding title, the feature files and PDF availability.
#include "app/startup.h"

#include <gtest/gtest.h>

#include "fake_views.h"

namespace orvex {
namespace {

struct Fixture : test::AppParts {
  void Initialise(bool pdf = false) {
    test::FakePdf converter(pdf);
    Startup(run, fields, view, store, workDir).Initialise(converter);
  }
  void WriteBranding(std::string_view atOffset) {
    dir.Write("xdevcap.dxt", std::string(kBrandingOffset, 'x') + std::string(atOffset));
  }
};

TEST(StartupTest, FeatureFilesSwitchTheirFeaturesOn) {
  Fixture none;
  none.dir.Write("frontc.dat", "");  // only counts together with revc.dat
  none.Initialise();
  EXPECT_EQ(none.view.caption, "- Orvex Plus 1.0 - ");
  EXPECT_EQ(none.view.menuItem, "&About Orvex...");
  EXPECT_FALSE(none.view.splash.has_value());
  EXPECT_TRUE(none.view.comboEntries.empty());
  EXPECT_FALSE(none.view.visible[window_id::kCycleButton]);
  EXPECT_EQ(none.run.wideCarriage + none.run.pdfAvailable + none.run.creasingInstalled, 0);

  Fixture f;
  f.dir.Write("revc.dat", "2.0 1\n");
  f.dir.Write("frontc.dat", "");
  f.dir.Write("testc.dat", "");
  f.dir.Write("100.dat", "");
  f.Initialise(true);
  EXPECT_EQ(f.run.creasingVariant, 2);
  EXPECT_EQ(f.view.comboEntries[window_id::kSpecialModeCombo],
            (std::vector<std::string>{"Tool Creasing", "Front Tool Creasing"}));
  for (int id : {window_id::kCycleButton, window_id::kCreaseButton, window_id::kBladeButton}) {
    EXPECT_TRUE(f.view.visible[id]) << id;
  }
  EXPECT_EQ(f.run.wideCarriage + f.run.pdfAvailable + f.run.creasingInstalled, 3);
  for (std::string_view content : {"1", "2.5", "", "creasing"}) {
    f.dir.Write("revc.dat", content);
    EXPECT_EQ(ReadCreasingVariant(f.dir.File("revc.dat")), 1) << content;
  }
}

// The title is read at its offset, damaged counts stay inside it; a title names the window and
// its menu item, and the splash comes with a branding file either way.
TEST(StartupTest, BrandingTitleIsReadAtItsOffsetAndNamesTheWindow) {
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"3 Kite and the rest is not read", "Kite"},
      {"5\n\nA B\nCD", "A B\nCD"},  // white space and line ends inside are taken as stored
      {"500 " + std::string(600, 'T'), std::string(80, 'T')},
      {"9 short", "short"},  // fewer characters than counted: what is there
      {"-2 Title", std::nullopt},
      {"x Title", std::nullopt},
      {"", std::nullopt},
      {"99999999999999 Title", std::nullopt}};
  for (const auto& [stored, title] : cases) {
    SCOPED_TRACE(stored);
    Fixture f;
    f.WriteBranding(stored);
    f.Initialise();
    EXPECT_EQ(ReadBrandingTitle(f.dir.File("xdevcap.dxt")), title);
    EXPECT_EQ(f.run.customTitleRead, title.has_value());
    EXPECT_EQ(f.view.caption, title.value_or("- Orvex Plus 1.0 - "));
    EXPECT_EQ(f.view.menuItem, title.value_or("&About Orvex..."));
    EXPECT_EQ(f.view.splash, "Version 9.8.0");
  }
  Fixture f;
  f.dir.Write("xdevcap.dxt", "3 Kite");  // shorter than the offset
  EXPECT_EQ(ReadBrandingTitle(f.dir.File("xdevcap.dxt")), std::nullopt);
}

}  // namespace
}  // namespace orvex
