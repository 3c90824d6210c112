// JSON text for the command-line tool's --json output.
#pragma once

#include <string>
#include <string_view>

namespace orvex::cli {

// `text` as a quoted JSON string; control characters are escaped, other bytes pass unchanged.
std::string JsonString(std::string_view text);

}  // namespace orvex::cli
