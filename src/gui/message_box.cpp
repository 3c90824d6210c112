// Operator messages as modal QMessageBoxes.
#include "gui/message_box.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>

#include "gui/ui_text.h"

namespace orvex::gui {

namespace {

// The toolkit's field messages are translated under this context.
constexpr const char* kContext = "MessageBox";

QMessageBox::Icon BoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kNone:
      return QMessageBox::NoIcon;
    case MessageIcon::kInformation:
      return QMessageBox::Information;
    case MessageIcon::kWarning:
      return QMessageBox::Warning;
    case MessageIcon::kError:
      return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

QString CaptionOf(std::string_view caption) {
  if (caption.empty()) return QGuiApplication::applicationDisplayName();
  return TranslatedModelText(caption);
}

void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& text, const QString& caption) {
  QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
  box.exec();
}

void FocusField(QWidget* field) {
  if (field == nullptr) return;
  field->setFocus(Qt::OtherFocusReason);
  if (auto* edit = qobject_cast<QLineEdit*>(field)) edit->selectAll();
}

}  // namespace

void ShowOperatorMessage(QWidget* parent, std::string_view text, std::string_view caption,
                         MessageIcon icon) {
  ShowBox(parent, BoxIcon(icon), TranslatedModelText(text), CaptionOf(caption));
}

bool AskYesNo(QWidget* parent, std::string_view text, std::string_view caption) {
  QMessageBox box(QMessageBox::Question, CaptionOf(caption), TranslatedModelText(text),
                  QMessageBox::Yes | QMessageBox::No, parent);
  return box.exec() == QMessageBox::Yes;
}

void ShowRangeMessage(QWidget* parent, QWidget* field, int minimum, int maximum) {
  const QString text =
      QCoreApplication::translate(kContext, "Please enter an integer between %1 and %2.")
          .arg(minimum)
          .arg(maximum);
  ShowBox(parent, QMessageBox::Warning, text, QGuiApplication::applicationDisplayName());
  FocusField(field);
}

void ShowNumberMessage(QWidget* parent, QWidget* field, bool integer) {
  const QString text = integer ? QCoreApplication::translate(kContext, "Please enter an integer.")
                               : QCoreApplication::translate(kContext, "Please enter a number.");
  ShowBox(parent, QMessageBox::Warning, text, QGuiApplication::applicationDisplayName());
  FocusField(field);
}

}  // namespace orvex::gui
