// The dialogs' integer fields: edits that take only digits and a leading minus, and the one
// reading of their text. What a dialog does with a field that holds no number is the toolkit's:
// the number message before the model sees the fields.
#pragma once

#include <QLineEdit>
#include <initializer_list>
#include <optional>

#include "gui/control_table.h"

namespace orvex::gui {

// An edit about `digits` digits wide that refuses anything but an optional minus and digits.
QLineEdit* NewIntegerEdit(QWidget* parent, int digits = 6);
// The edit's integer; nullopt for an empty edit, a lone minus or a value beyond int.
std::optional<int> IntegerIn(const QLineEdit* edit);
// The first of `ids` whose edit holds no integer, or nullptr.
QLineEdit* FirstNonInteger(const ControlTable& table, std::initializer_list<int> ids);
// The edit's integer, or `fallback` when it holds none.
int IntegerOr(const ControlTable& table, int id, int fallback);
void ShowInteger(ControlTable& table, int id, int value);

}  // namespace orvex::gui
