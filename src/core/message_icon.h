// The icon of an operator's message box; one list for every layer that shows messages.
#pragma once

namespace orvex {

enum class MessageIcon { kNone, kInformation, kWarning, kError };

}  // namespace orvex
