// The service window: the mark size's range message keeps it open, the firmware shows on a
// right press anywhere, Init Cutter runs with the dialog open.
#include "gui/service_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTest>

#include "gui/gui_test_support.h"
#include "support/memory_profile.h"

namespace orvex::gui {
namespace {

using testing::MissingControlCheck;
using testing::ModalAnswerer;
using testing::TypeInto;

constexpr int kSetButton = 1015;
constexpr int kCloseButton = 1;
constexpr int kInitCutterButton = 1047;

TEST(ServiceWindowTest, SetRefusesMarkSize39WithTheRangeMessageAndStores40) {
  test::MemoryProfile profile;
  SettingsStore store(profile);
  RunContext run;
  ServiceDialog model(run, store);
  MissingControlCheck controls;
  ModalAnswerer answerer;
  auto typeAndSet = [](const QString& size) {
    return [size](QWidget* service) {
      TypeInto(service, window_id::kMarkSizeEdit, size);
      testing::ClickControl(service, kSetButton);
    };
  };
  answerer.Then(typeAndSet("39")).Then(ModalAnswerer::Accept()).Then(typeAndSet("40"));

  RunServiceWindow(
      nullptr, model, [] {}, [] { return 0; });

  ASSERT_EQ(answerer.Seen().size(), 3u);
  EXPECT_EQ(answerer.Seen()[0].title, QStringLiteral("About Orvex"));
  EXPECT_EQ(answerer.Seen()[1].text, QStringLiteral("Please enter an integer between 40 and 180."));
  EXPECT_EQ(answerer.Seen()[2].className, QStringLiteral("orvex::gui::ServiceWindow"));
  EXPECT_EQ(profile.ReadInt(kProfileSection, key::kMpix, 0), 40);
  EXPECT_EQ(run.markSize, 40);
}

TEST(ServiceWindowTest, ARightPressOnTheVersionShowsTheFirmwareAndInitCutterRunsWithTheDialogOpen) {
  test::MemoryProfile profile;
  SettingsStore store(profile);
  RunContext run;
  run.secondCamera = 1;
  ServiceDialog model(run, store);
  MissingControlCheck controls;
  QStringList seen;  // what the dialog showed, in order
  ModalAnswerer answerer;
  answerer.Then([&](QWidget* service) {
    auto* firmware = testing::FindControlAs<QLabel>(service, window_id::kFirmwareStatic);
    auto shownIf = [](QWidget* widget, const QString& what) {
      return widget->isVisible() ? what : QStringLiteral("hidden");
    };
    seen << shownIf(firmware, firmware->text())
         << shownIf(testing::FindControl(service, window_id::kSecondCameraStatic), "camera 2");
    QTest::mousePress(testing::FindControl(service, window_id::kVersionStatic), Qt::RightButton);
    seen << shownIf(firmware, firmware->text());
    testing::ClickControl(service, kInitCutterButton);
    testing::ClickControl(service, kCloseButton);
  });
  RunServiceWindow(
      nullptr, model,
      [&seen] { seen << (QApplication::activeModalWidget() ? "init in the dialog" : "init"); },
      [] { return 37; });
  EXPECT_EQ(seen, QStringList({"hidden", "camera 2", "37H", "init in the dialog"}));
  EXPECT_TRUE(profile.WriteLog().empty());
}

}  // namespace
}  // namespace orvex::gui
