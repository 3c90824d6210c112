// Writes the udev rules that let the user at the desktop use the cutter and the sheet feeder
// without root, from the id tables the device links match by: a product added there is
// reachable after the next install. Usage: orvex_make_udev_rules OUTPUT
#include <cstdio>
#include <fstream>
#include <string>

#include "devices/cutter_link.h"
#include "devices/feeder_link.h"

namespace {

// Four lower-case hex digits, as sysfs spells an id.
std::string SysfsId(int id) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", id & 0xffff);
  return text;
}

std::string RulesText() {
  std::string text =
      "# Orvex: the user at the desktop may use the cutter and the sheet feeder without root.\n"
      "# Generated from the device links' id tables at build time; edits are lost.\n"
      "# uaccess gives the active seat's user a file ACL on the node; it is acted on in\n"
      "# 73-seat-late.rules, so this file's number stays below 73.\n";
  for (const orvex::CutterProduct& product : orvex::kCutterProducts) {
    text += "# the cutter, model " + std::to_string(product.model) + "\n";
    text += "SUBSYSTEM==\"usb\", ENV{DEVTYPE}==\"usb_device\", ATTR{idVendor}==\"" +
            std::string(orvex::kCutterVendorTag) + "\", ATTR{idProduct}==\"" +
            std::string(product.productId) + "\", TAG+=\"uaccess\"\n";
  }
  text += "# the sheet feeder's HID node\n";
  text += "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"" + SysfsId(orvex::kFeederVendorId) +
          "\", ATTRS{idProduct}==\"" + SysfsId(orvex::kFeederProductId) + "\", TAG+=\"uaccess\"\n";
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: orvex_make_udev_rules OUTPUT\n");
    return 2;
  }
  // Written beside the target and renamed over it, so a failed build leaves no half file.
  const std::string target = argv[1];
  const std::string partial = target + ".part";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out << RulesText();
    if (!out.flush()) {
      std::fprintf(stderr, "orvex_make_udev_rules: cannot write %s\n", partial.c_str());
      std::remove(partial.c_str());
      return 1;
    }
  }
  if (std::rename(partial.c_str(), target.c_str()) != 0) {
    std::fprintf(stderr, "orvex_make_udev_rules: cannot replace %s\n", target.c_str());
    std::remove(partial.c_str());
    return 1;
  }
  return 0;
}
