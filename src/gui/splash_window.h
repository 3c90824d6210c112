// The start-up splash: the program's picture over most of its face and, below it, the version
// text in the read-only edit 1114. Borderless and modal; Enter, Esc or closing it end it.
#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>

#include "gui/control_table.h"

class QLineEdit;

namespace orvex::gui {

class SplashWindow : public QDialog {
  Q_OBJECT

 public:
  SplashWindow(QWidget* parent, const QString& versionText);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QString versionText_;
  QTimer refresh_;
  ControlTable table_;
};

// Shows the splash modally; returns when the operator dismisses it.
void ShowSplash(QWidget* parent, const QString& versionText);

}  // namespace orvex::gui
