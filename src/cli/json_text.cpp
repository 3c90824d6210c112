#include "cli/json_text.h"

#include <cstdio>

namespace orvex::cli {

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (char ch : text) {
    switch (ch) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(ch) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(ch));
          out += escaped;
        } else {
          out += ch;
        }
    }
  }
  return out + "\"";
}

}  // namespace orvex::cli
