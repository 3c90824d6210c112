// Readable expectations for device bytes: "<ETX>", "<ESC>" and "<LF>" in a test's text stand
// for the control bytes the cutter protocol uses, and Readable() turns bytes back into that form
// so a failing comparison shows where the texts part.
#pragma once

#include <string>
#include <string_view>

namespace orvex::test {

inline std::string Wire(std::string_view spelled) {
  std::string out;
  out.reserve(spelled.size());
  for (std::size_t i = 0; i < spelled.size();) {
    if (spelled.substr(i, 5) == "<ETX>") {
      out += '\x03';
      i += 5;
    } else if (spelled.substr(i, 5) == "<ESC>") {
      out += '\x1b';
      i += 5;
    } else if (spelled.substr(i, 4) == "<LF>") {
      out += '\n';
      i += 4;
    } else {
      out += spelled[i++];
    }
  }
  return out;
}

inline std::string Readable(std::string_view bytes) {
  std::string out;
  for (char c : bytes) {
    switch (c) {
      case '\x03':
        out += "<ETX>";
        break;
      case '\x1b':
        out += "<ESC>";
        break;
      case '\n':
        out += "<LF>";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f) {
          static constexpr char kHex[] = "0123456789ABCDEF";
          out += "<0x";
          out += kHex[(static_cast<unsigned char>(c) >> 4) & 0xF];
          out += kHex[static_cast<unsigned char>(c) & 0xF];
          out += '>';
        } else {
          out += c;
        }
    }
  }
  return out;
}

}  // namespace orvex::test
