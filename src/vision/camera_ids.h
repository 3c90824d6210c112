// The USB identity of a camera as its listing reads it from sysfs and writes it into the device
// path the camera choice reads: "\\?\usb#vid_0c45&pid_6001#video0", the product id at
// characters 21..24 (see CameraProductId in vision/camera_control.h).
#pragma once

#include <string>
#include <string_view>

namespace orvex {

// A sysfs id attribute's text (idVendor, idProduct: four hex digits and a newline) as four
// lower-case hex digits, or empty when it is anything else.
std::string UsbIdFromAttribute(std::string_view text);

// The device path of a USB camera's video node `node` ("video0"); both ids as UsbIdFromAttribute
// gives them.
std::string UsbCameraPath(std::string_view vendor, std::string_view product, std::string_view node);

}  // namespace orvex
