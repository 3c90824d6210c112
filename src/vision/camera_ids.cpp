#include "vision/camera_ids.h"

#include <cctype>

namespace orvex {

std::string UsbIdFromAttribute(std::string_view text) {
  const std::size_t end = text.find_last_not_of(" \t\r\n");
  const std::size_t begin = text.find_first_not_of(" \t\r\n");
  if (end == std::string_view::npos || end - begin + 1 != 4) return {};
  std::string id(text.substr(begin, 4));
  for (char& c : id) {
    if (std::isxdigit(static_cast<unsigned char>(c)) == 0) return {};
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return id;
}

std::string UsbCameraPath(std::string_view vendor, std::string_view product,
                          std::string_view node) {
  std::string path = "\\\\?\\usb#vid_";
  path += vendor;
  path += "&pid_";
  path += product;
  path += '#';
  path += node;
  return path;
}

}  // namespace orvex
