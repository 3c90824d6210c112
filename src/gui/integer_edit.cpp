// Integer fields of the dialogs.
#include "gui/integer_edit.h"

#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace orvex::gui {

QLineEdit* NewIntegerEdit(QWidget* parent, int digits) {
  auto* edit = new QLineEdit(parent);
  static const QRegularExpression kInteger(QStringLiteral("-?[0-9]{0,10}"));
  edit->setValidator(new QRegularExpressionValidator(kInteger, edit));
  // Room for the digits, a sign and the frame, in the edit's own font.
  const int text = edit->fontMetrics().horizontalAdvance(QString(digits + 1, QLatin1Char('0')));
  edit->setMinimumWidth(text + edit->fontMetrics().height());
  return edit;
}

std::optional<int> IntegerIn(const QLineEdit* edit) {
  if (edit == nullptr) return std::nullopt;
  bool ok = false;
  const int value = edit->text().trimmed().toInt(&ok);
  if (!ok) return std::nullopt;
  return value;
}

QLineEdit* FirstNonInteger(const ControlTable& table, std::initializer_list<int> ids) {
  for (int id : ids) {
    auto* edit = table.As<QLineEdit>(id);
    if (edit != nullptr && !IntegerIn(edit)) return edit;
  }
  return nullptr;
}

int IntegerOr(const ControlTable& table, int id, int fallback) {
  return IntegerIn(table.As<QLineEdit>(id)).value_or(fallback);
}

void ShowInteger(ControlTable& table, int id, int value) {
  table.SetText(id, QString::number(value));
}

}  // namespace orvex::gui
