// The one place every window shows the operator a message: the modal message boxes with OK, the
// yes/no question, and the toolkit's own messages for a field that holds no number or a number
// outside its range (after which the focus goes back to that field).
#pragma once

#include <QWidget>
#include <string_view>

#include "core/message_icon.h"

namespace orvex::gui {

// `text` and `caption` are the models' English texts, shown in the operator's language. An
// empty caption shows the application's name, as the toolkit's message boxes do.
void ShowOperatorMessage(QWidget* parent, std::string_view text, std::string_view caption,
                         MessageIcon icon);
// True for Yes.
bool AskYesNo(QWidget* parent, std::string_view text, std::string_view caption);
// "Please enter an integer between `minimum` and `maximum`."; then the focus goes to `field`
// (which may be null) with its text selected, so the operator types over it.
void ShowRangeMessage(QWidget* parent, QWidget* field, int minimum, int maximum);
// "Please enter an integer." or "Please enter a number."; the focus as above.
void ShowNumberMessage(QWidget* parent, QWidget* field, bool integer);

}  // namespace orvex::gui
