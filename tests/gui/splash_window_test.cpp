// The splash: the version text in its edit, and Enter ends it although it shows no button.
#include "gui/splash_window.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include "gui/gui_test_support.h"

namespace orvex::gui {
namespace {

TEST(SplashWindowTest, ShowsTheVersionAndEndsOnEnter) {
  QString shown;
  testing::ModalAnswerer answerer;
  answerer.Then([&shown](QWidget* splash) {
    shown = testing::FindControlAs<QLineEdit>(splash, 1114)->text();
    QTest::keyClick(splash, Qt::Key_Return);
  });

  ShowSplash(nullptr, QStringLiteral("Version 9.8.0"));

  EXPECT_EQ(shown, QStringLiteral("Version 9.8.0"));
  EXPECT_EQ(answerer.Shown().size(), 1);
}

}  // namespace
}  // namespace orvex::gui
