// The service window: the firmware shows on a right press anywhere, Init Cutter runs with the
// dialog open, the mark size's range message keeps it open.
#include "gui/service_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTest>

#include "gui/gui_test_support.h"
#include "support/memory_profile.h"

namespace orvex::gui {
namespace {

using testing::ModalAnswerer;

constexpr int kSetButton = 1015;
constexpr int kInitCutterButton = 1047;
constexpr int kCloseButton = 1;

TEST(ServiceWindowTest, ShowsTheFirmwareOnARightPressRunsInitCutterAndRefusesMarkSize39) {
  test::MemoryProfile profile;
  SettingsStore store(profile);
  RunContext run;
  run.secondCamera = 1;
  ServiceDialog model(run, store);
  testing::MissingControlCheck controls;
  QStringList seen;  // what the dialog showed, in order
  auto typeAndSet = [](const QString& size) {
    return [size](QWidget* service) {
      testing::TypeInto(service, window_id::kMarkSizeEdit, size);
      testing::ClickControl(service, kSetButton);
    };
  };
  ModalAnswerer answerer;
  answerer
      .Then([&](QWidget* service) {
        auto* firmware = testing::FindControlAs<QLabel>(service, window_id::kFirmwareStatic);
        auto shownIf = [](QWidget* widget, const QString& what) {
          return widget->isVisible() ? what : QStringLiteral("hidden");
        };
        seen << shownIf(firmware, firmware->text())
             << shownIf(testing::FindControl(service, window_id::kSecondCameraStatic), "camera 2");
        QTest::mousePress(testing::FindControl(service, window_id::kMarkSizeEdit), Qt::RightButton);
        seen << shownIf(firmware, firmware->text());
        testing::ClickControl(service, kInitCutterButton);
        typeAndSet("39")(service);
      })
      .Then(ModalAnswerer::Accept())
      .Then(typeAndSet("40"))
      .Then(ModalAnswerer::Click(kCloseButton));

  RunServiceWindow(
      nullptr, model,
      [&seen] { seen << (QApplication::activeModalWidget() ? "init in the dialog" : "init"); },
      [] { return 37; });
  EXPECT_EQ(profile.ReadInt(kProfileSection, key::kMpix, 0), 40);
  profile.ClearWriteLog();
  RunServiceWindow(
      nullptr, model, [] {}, [] { return 0; });
  EXPECT_TRUE(profile.WriteLog().empty());  // Close writes nothing

  EXPECT_EQ(seen, QStringList({"hidden", "camera 2", "37H", "init in the dialog"}));
  EXPECT_EQ(answerer.Shown(),
            QStringList({"About Orvex", "Please enter an integer between 40 and 180.",
                         "About Orvex", "About Orvex"}));
  EXPECT_EQ(run.markSize, 40);
}

}  // namespace
}  // namespace orvex::gui
