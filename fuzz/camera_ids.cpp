// Fuzz target: what a camera's sysfs attributes say about it (idVendor, idProduct) must either be
// refused or give the four lower-case hex digits the camera choice then finds at characters
// 21..24 of the device path, and the choice must cope with any name and path it is handed.
#include "vision/camera_ids.h"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "vision/camera_control.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::size_t half = size / 2;
  const std::string vendor = orvex::UsbIdFromAttribute(text.substr(0, half));
  const std::string product = orvex::UsbIdFromAttribute(text.substr(half));
  for (const std::string& id : {vendor, product}) {
    if (id.empty()) continue;
    if (id.size() != 4) std::abort();
    for (char c : id) {
      if (std::isxdigit(static_cast<unsigned char>(c)) == 0 ||
          std::isupper(static_cast<unsigned char>(c)) != 0) {
        std::abort();
      }
    }
  }
  if (!vendor.empty() && !product.empty()) {
    const std::string path = orvex::UsbCameraPath(vendor, product, "video0");
    if (orvex::CameraProductId(path) != product) std::abort();
  }
  // Arbitrary paths and names (a card name is whatever the driver reports).
  const std::vector<orvex::CaptureDeviceInfo> devices{
      {std::string(text.substr(0, half)), std::string(text.substr(half))}, {std::string(text), {}}};
  for (int second : {0, 1}) {
    const auto chosen = orvex::FindCaptureDevice(devices, second);
    if (!chosen || *chosen >= devices.size()) std::abort();
  }
  return 0;
}
