#include "platform/device_survey.h"

#include <cerrno>
#include <cstring>

#include "devices/cutter_link.h"
#include "vision/camera_control.h"

namespace orvex {

namespace {

constexpr const char* kUdevHint = "install the udev rules and plug the device in again, see README";
constexpr const char* kInUseHint = "close the other program that holds it (another orvex?)";

// The platform codes both links' opens return, in the technician's words.
DeviceProblem OpenProblem(const std::string& device, int code) {
  switch (code) {
    case kCutterAccessDenied:
      return {device, "permission denied", kUdevHint};
    case kCutterInUse:
      return {device, "in use by another program", kInUseHint};
    case kCutterFileNotFound:
      return {device, "gone while it was looked at", "check the cable and try again"};
    default:
      return {device, "does not open (code " + std::to_string(code) + ")",
              "plug it into another port; if that does not help, the device may be faulty"};
  }
}

void SurveyCutters(CutterTransport& transport, DeviceSurvey& survey) {
  std::vector<std::string> paths;
  if (!transport.Enumerate(paths)) {
    survey.problems.push_back({"USB", "the USB devices cannot be listed", "is usbfs there?"});
    return;
  }
  for (const std::string& path : paths) {
    CutterHandle handle = kNoCutterHandle;
    const int code = transport.Open(path, CutterAccess::kWrite, handle);
    if (code != kCutterOk) {
      survey.problems.push_back(OpenProblem(path, code));
      continue;
    }
    transport.Close(handle);
    const std::string product = path.size() >= kCutterProductAt + kCutterIdLength
                                    ? path.substr(kCutterProductAt, kCutterIdLength)
                                    : std::string();
    survey.cutters.push_back({path, CutterModelForProduct(product)});
  }
}

void SurveyFeeders(FeederTransport& transport, DeviceSurvey& survey) {
  std::vector<HidDeviceInfo> devices;
  if (!transport.Enumerate(devices)) {
    survey.problems.push_back({"HID", "the HID devices cannot be listed", "is hidraw there?"});
    return;
  }
  for (const HidDeviceInfo& device : devices) {
    FeederHandle handle = kNoFeederHandle;
    const int code = transport.Open(device.path, handle);
    if (code != kFeederOk) {
      survey.problems.push_back(OpenProblem(device.path, code));
      continue;
    }
    transport.Close(handle);
    survey.feeders.push_back(device.path);
  }
}

void SurveyCameras(V4l2FrameSource& source, DeviceSurvey& survey) {
  constexpr std::string_view kUsbPrefix = "\\\\?\\usb#";
  std::vector<V4l2FrameSource::RefusedNode> refused;
  for (const CaptureDeviceInfo& device : source.ListDevices(refused)) {
    SurveyedCamera camera{source.NodeOfPath(device.devicePath), device.friendlyName, {}};
    if (device.devicePath.starts_with(kUsbPrefix)) {
      camera.product = std::string(CameraProductId(device.devicePath));
    }
    survey.cameras.push_back(std::move(camera));
  }
  for (const V4l2FrameSource::RefusedNode& node : refused) {
    if (node.error == EACCES || node.error == EPERM) {
      survey.problems.push_back({node.node, "permission denied",
                                 "add the user to the video group and log in again, see README"});
    } else {
      survey.problems.push_back({node.node,
                                 std::string("does not open: ") + std::strerror(node.error),
                                 "plug the camera in again"});
    }
  }
}

}  // namespace

DeviceSurvey SurveyDevices(CutterTransport& cutters, FeederTransport& feeders,
                           V4l2FrameSource& cameras) {
  DeviceSurvey survey;
  SurveyCutters(cutters, survey);
  SurveyFeeders(feeders, survey);
  SurveyCameras(cameras, survey);
  return survey;
}

}  // namespace orvex
