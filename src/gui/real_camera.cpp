#include "gui/real_camera.h"

#include <QMessageBox>
#include <QMetaObject>
#include <cstdlib>

namespace orvex::gui {

void RealCamera::PostFrameReady() {
  // Never the analysis on the capture thread: the notice is queued to the window's thread.
  QMetaObject::invokeMethod(
      &receiver_,
      [this] {
        if (Model() != nullptr) Model()->OnFrameReady();
      },
      Qt::QueuedConnection);
}

void RealCamera::ShowError(std::string_view message) {
  QMessageBox::critical(nullptr, QStringLiteral("Error!"),
                        QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())));
}

void RealCamera::EndProcess(int exitCode) {
  std::exit(exitCode);
}

}  // namespace orvex::gui
