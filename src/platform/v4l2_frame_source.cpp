// V4l2FrameSource: the capture nodes from sysfs, the 640x480 BGR24 stream at five frames a
// second over memory-mapped buffers, and the brightness and exposure controls.
#include "platform/v4l2_frame_source.h"

#include <fcntl.h>
#include <libv4l2.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QLoggingCategory>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>

#include "vision/camera_ids.h"

namespace orvex {

Q_LOGGING_CATEGORY(lcCameraV4l2, "orvex.camera.v4l2")

namespace {

constexpr int kWantedWidth = 640;
constexpr int kWantedHeight = 480;
constexpr int kFramesPerSecond = 5;
constexpr unsigned kBufferCount = 4;
// How long the capture thread waits for a frame before it looks again; a camera that sends
// nothing is not an error, it only delays the run's mark search.
constexpr int kFrameWaitMs = 1000;
constexpr std::string_view kNodePrefix = "video";

// ioctl through libv4l2, retried when a signal interrupted it.
int Xioctl(int fd, unsigned long request, void* arg) {
  int result = 0;
  do {
    result = v4l2_ioctl(fd, request, arg);
  } while (result < 0 && errno == EINTR);
  return result;
}

// The number of a "videoN" node, or -1.
int NodeNumber(std::string_view name) {
  if (name.substr(0, kNodePrefix.size()) != kNodePrefix) return -1;
  const std::string_view digits = name.substr(kNodePrefix.size());
  if (digits.empty() || digits.size() > 6) return -1;
  int number = 0;
  for (const char c : digits) {
    if (std::isdigit(static_cast<unsigned char>(c)) == 0) return -1;
    number = number * 10 + (c - '0');
  }
  return number;
}

// A four-digit hex id from a sysfs attribute such as idProduct, lower case, or empty.
std::string ReadUsbId(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string text(16, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  return UsbIdFromAttribute(text);
}

// The USB device above a video node: its "device" link leads to the USB interface, whose parent
// directory is the USB device with the ids. {vendor, product}, both empty for a camera that is
// not on USB.
std::pair<std::string, std::string> UsbIds(const std::filesystem::path& classEntry) {
  std::error_code error;
  const std::filesystem::path interface = std::filesystem::canonical(classEntry / "device", error);
  if (error) return {};
  const std::filesystem::path usbDevice = interface.parent_path();
  std::string vendor = ReadUsbId(usbDevice / "idVendor");
  std::string product = ReadUsbId(usbDevice / "idProduct");
  if (vendor.empty() || product.empty()) return {};
  return {vendor, product};
}

std::string CardName(const v4l2_capability& cap) {
  const char* card = reinterpret_cast<const char*>(cap.card);
  return {card, strnlen(card, sizeof cap.card)};
}

const char* OpenHint(int error) {
  return error == EACCES ? " (permission denied: the user needs access to the camera, see README)"
                         : "";
}

}  // namespace

V4l2FrameSource::V4l2FrameSource(std::string sysfsRoot, std::string deviceDir)
    : sysfsRoot_(std::move(sysfsRoot)), deviceDir_(std::move(deviceDir)) {}

V4l2FrameSource::~V4l2FrameSource() {
  Stop();
}

std::vector<CaptureDeviceInfo> V4l2FrameSource::ListDevices() {
  std::vector<RefusedNode> refused;
  return ListDevices(refused);
}

std::vector<CaptureDeviceInfo> V4l2FrameSource::ListDevices(std::vector<RefusedNode>& refused) {
  refused.clear();
  const std::filesystem::path classDir =
      std::filesystem::path(sysfsRoot_) / "class" / "video4linux";
  std::vector<std::pair<int, std::string>> nodes;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(classDir, error)) {
    const std::string name = entry.path().filename().string();
    const int number = NodeNumber(name);
    if (number >= 0) nodes.emplace_back(number, name);
  }
  std::sort(nodes.begin(), nodes.end());

  std::vector<CaptureDeviceInfo> devices;
  for (const auto& [number, name] : nodes) {
    const std::string node = (std::filesystem::path(deviceDir_) / name).string();
    const int fd = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      const int openError = errno;
      qCWarning(lcCameraV4l2, "cannot open the video node %s: %s%s", node.c_str(),
                std::strerror(openError), OpenHint(openError));
      refused.push_back(RefusedNode{node, openError});
      continue;
    }
    v4l2_capability cap{};
    const int queried = ::ioctl(fd, VIDIOC_QUERYCAP, &cap);
    const int queryError = errno;
    ::close(fd);
    if (queried < 0) {
      qCWarning(lcCameraV4l2, "%s does not answer as a V4L2 device: %s", node.c_str(),
                std::strerror(queryError));
      continue;
    }
    // A camera has a metadata node beside its picture node; both report the camera's
    // capabilities, only the node's own say which one streams pictures.
    const std::uint32_t caps =
        (cap.capabilities & V4L2_CAP_DEVICE_CAPS) != 0 ? cap.device_caps : cap.capabilities;
    if ((caps & V4L2_CAP_VIDEO_CAPTURE) == 0 || (caps & V4L2_CAP_STREAMING) == 0) continue;

    const auto [vendor, product] = UsbIds(classDir / name);
    CaptureDeviceInfo info;
    info.devicePath = vendor.empty() ? "\\\\?\\v4l#" + name : UsbCameraPath(vendor, product, name);
    info.friendlyName = CardName(cap);
    devices.push_back(std::move(info));
  }
  return devices;
}

std::string V4l2FrameSource::NodeOfPath(const std::string& devicePath) const {
  const std::size_t hash = devicePath.rfind('#');
  const std::string name = hash == std::string::npos ? devicePath : devicePath.substr(hash + 1);
  if (NodeNumber(name) < 0) return {};
  return (std::filesystem::path(deviceDir_) / name).string();
}

int V4l2FrameSource::Start(const CaptureDeviceInfo& device, FrameSink& sink, int& frameWidth,
                           int& frameHeight) {
  Stop();
  const std::string node = NodeOfPath(device.devicePath);
  if (node.empty()) {
    qCWarning(lcCameraV4l2, "the camera path \"%s\" names no video node",
              device.devicePath.c_str());
    return EINVAL;
  }
  const int code = StartStream(node);
  if (code != 0) {
    ReleaseStream();
    return code;
  }
  frameWidth = width_;
  frameHeight = height_;
  capture_ = std::thread(&V4l2FrameSource::CaptureLoop, this, &sink);
  return 0;
}

int V4l2FrameSource::StartStream(const std::string& node) {
  node_ = node;
  fd_ = v4l2_open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) {
    const int error = errno;
    qCWarning(lcCameraV4l2, "cannot open the camera %s: %s%s", node.c_str(), std::strerror(error),
              OpenHint(error));
    return error;
  }

  v4l2_format format{};
  format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  format.fmt.pix.width = kWantedWidth;
  format.fmt.pix.height = kWantedHeight;
  format.fmt.pix.pixelformat = V4L2_PIX_FMT_BGR24;
  format.fmt.pix.field = V4L2_FIELD_NONE;
  if (Xioctl(fd_, VIDIOC_S_FMT, &format) < 0) {
    const int error = errno;
    qCWarning(lcCameraV4l2, "the camera %s takes no picture format: %s", node.c_str(),
              std::strerror(error));
    return error;
  }
  if (format.fmt.pix.pixelformat != V4L2_PIX_FMT_BGR24 || format.fmt.pix.width == 0 ||
      format.fmt.pix.height == 0) {
    qCWarning(lcCameraV4l2, "the camera %s gives no BGR24 pictures", node.c_str());
    return EINVAL;
  }
  width_ = static_cast<int>(format.fmt.pix.width);
  height_ = static_cast<int>(format.fmt.pix.height);
  const std::size_t rowBytes = static_cast<std::size_t>(width_) * 3;
  sourceStride_ = std::max<std::size_t>(format.fmt.pix.bytesperline, rowBytes);
  frame_.assign(rowBytes * static_cast<std::size_t>(height_), 0);
  if (width_ != kWantedWidth || height_ != kWantedHeight) {
    qCInfo(lcCameraV4l2, "the camera %s streams %dx%d instead of %dx%d", node.c_str(), width_,
           height_, kWantedWidth, kWantedHeight);
  }

  // The frame rate is a wish: a camera without it streams at its own rate.
  v4l2_streamparm parm{};
  parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  parm.parm.capture.timeperframe.numerator = 1;
  parm.parm.capture.timeperframe.denominator = kFramesPerSecond;
  if (Xioctl(fd_, VIDIOC_S_PARM, &parm) < 0) {
    qCInfo(lcCameraV4l2, "the camera %s keeps its own frame rate: %s", node.c_str(),
           std::strerror(errno));
  }

  v4l2_requestbuffers request{};
  request.count = kBufferCount;
  request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  request.memory = V4L2_MEMORY_MMAP;
  if (Xioctl(fd_, VIDIOC_REQBUFS, &request) < 0 || request.count == 0) {
    const int error = request.count == 0 ? ENOMEM : errno;
    qCWarning(lcCameraV4l2, "the camera %s gives no streaming buffers: %s", node.c_str(),
              std::strerror(error));
    return error;
  }
  for (unsigned index = 0; index < request.count; ++index) {
    v4l2_buffer buffer{};
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    buffer.index = index;
    if (Xioctl(fd_, VIDIOC_QUERYBUF, &buffer) < 0) {
      const int error = errno;
      qCWarning(lcCameraV4l2, "cannot query buffer %u of %s: %s", index, node.c_str(),
                std::strerror(error));
      return error;
    }
    void* start =
        v4l2_mmap(nullptr, buffer.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, buffer.m.offset);
    if (start == MAP_FAILED) {
      const int error = errno;
      qCWarning(lcCameraV4l2, "cannot map buffer %u of %s: %s", index, node.c_str(),
                std::strerror(error));
      return error;
    }
    mappings_.push_back({start, buffer.length});
    if (Xioctl(fd_, VIDIOC_QBUF, &buffer) < 0) {
      const int error = errno;
      qCWarning(lcCameraV4l2, "cannot queue buffer %u of %s: %s", index, node.c_str(),
                std::strerror(error));
      return error;
    }
  }

  int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  if (Xioctl(fd_, VIDIOC_STREAMON, &type) < 0) {
    const int error = errno;
    qCWarning(lcCameraV4l2, "the camera %s does not start streaming: %s", node.c_str(),
              std::strerror(error));
    return error;
  }
  wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd_ < 0) {
    const int error = errno;
    qCWarning(lcCameraV4l2, "cannot make the capture thread's wake-up: %s", std::strerror(error));
    return error;
  }
  return 0;
}

void V4l2FrameSource::Stop() {
  if (capture_.joinable()) {
    const std::uint64_t one = 1;
    if (::write(wakeFd_, &one, sizeof one) < 0) {
      qCWarning(lcCameraV4l2, "cannot wake the capture thread: %s", std::strerror(errno));
    }
    capture_.join();
  }
  ReleaseStream();
}

void V4l2FrameSource::ReleaseStream() {
  if (fd_ >= 0) {
    // After an unplug these fail with ENODEV; the buffers are let go all the same.
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    Xioctl(fd_, VIDIOC_STREAMOFF, &type);
    for (const Mapping& mapping : mappings_) v4l2_munmap(mapping.start, mapping.length);
    mappings_.clear();
    v4l2_requestbuffers none{};
    none.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    none.memory = V4L2_MEMORY_MMAP;
    Xioctl(fd_, VIDIOC_REQBUFS, &none);
    v4l2_close(fd_);
    fd_ = -1;
  }
  mappings_.clear();
  if (wakeFd_ >= 0) {
    ::close(wakeFd_);
    wakeFd_ = -1;
  }
}

void V4l2FrameSource::CaptureLoop(FrameSink* sink) {
  for (;;) {
    pollfd waits[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    const int ready = ::poll(waits, 2, kFrameWaitMs);
    if (ready < 0) {
      if (errno == EINTR) continue;
      qCWarning(lcCameraV4l2, "waiting for the camera %s failed: %s; the stream ends",
                node_.c_str(), std::strerror(errno));
      break;
    }
    if ((waits[1].revents & POLLIN) != 0) break;  // Stop
    if (ready == 0) continue;

    v4l2_buffer buffer{};
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    if (Xioctl(fd_, VIDIOC_DQBUF, &buffer) < 0) {
      const int error = errno;
      // EAGAIN: woken with nothing to take, unless the node reports an error, which then
      // stays and would wake the wait for ever.
      if (error == EAGAIN && (waits[0].revents & (POLLERR | POLLHUP)) == 0) continue;
      if (error == ENODEV || error == EAGAIN) {
        qCWarning(lcCameraV4l2, "the camera %s was unplugged; the stream ends", node_.c_str());
      } else {
        qCWarning(lcCameraV4l2, "taking a frame from the camera %s failed: %s; the stream ends",
                  node_.c_str(), std::strerror(error));
      }
      break;
    }
    if (buffer.index < mappings_.size() && (buffer.flags & V4L2_BUF_FLAG_ERROR) == 0) {
      const double seconds = static_cast<double>(buffer.timestamp.tv_sec) +
                             static_cast<double>(buffer.timestamp.tv_usec) / 1e6;
      Deliver(*sink, mappings_[buffer.index], buffer.bytesused, seconds);
    }
    if (Xioctl(fd_, VIDIOC_QBUF, &buffer) < 0) {
      const int error = errno;
      qCWarning(lcCameraV4l2, "giving a buffer back to the camera %s failed: %s; the stream ends",
                node_.c_str(), error == ENODEV ? "it was unplugged" : std::strerror(error));
      break;
    }
  }
}

void V4l2FrameSource::Deliver(FrameSink& sink, const Mapping& mapping, std::size_t bytesUsed,
                              double seconds) {
  const std::size_t rowBytes = static_cast<std::size_t>(width_) * 3;
  const auto rows = static_cast<std::size_t>(height_);
  const std::size_t used = std::min(bytesUsed, mapping.length);
  // A short frame (a damaged compressed one) is not handed on half-filled.
  if (used < sourceStride_ * (rows - 1) + rowBytes) return;
  // V4L2 gives the top row first; the frame goes to the sink bottom row first.
  const auto* source = static_cast<const std::uint8_t*>(mapping.start);
  for (std::size_t row = 0; row < rows; ++row) {
    std::memcpy(frame_.data() + (rows - 1 - row) * rowBytes, source + row * sourceStride_,
                rowBytes);
  }
  sink.OnFrame(seconds, frame_.data(), frame_.size());
}

bool V4l2FrameSource::SetControl(std::uint32_t id, int value) {
  if (fd_ < 0) return false;
  v4l2_control control{};
  control.id = id;
  control.value = value;
  if (Xioctl(fd_, VIDIOC_S_CTRL, &control) < 0) {
    qCInfo(lcCameraV4l2, "the camera %s does not take control 0x%x = %d: %s", node_.c_str(), id,
           value, std::strerror(errno));
    return false;
  }
  return true;
}

bool V4l2FrameSource::GetControl(std::uint32_t id, int& value) {
  if (fd_ < 0) return false;
  v4l2_control control{};
  control.id = id;
  if (Xioctl(fd_, VIDIOC_G_CTRL, &control) < 0) return false;
  value = control.value;
  return true;
}

bool V4l2FrameSource::SetExposureToDefault() {
  if (fd_ < 0) return false;
  bool offered = false;
  v4l2_queryctrl absolute{};
  absolute.id = V4L2_CID_EXPOSURE_ABSOLUTE;
  if (Xioctl(fd_, VIDIOC_QUERYCTRL, &absolute) == 0 &&
      (absolute.flags & V4L2_CTRL_FLAG_DISABLED) == 0) {
    offered = SetControl(V4L2_CID_EXPOSURE_ABSOLUTE, absolute.default_value) || offered;
  }
  // USB cameras mostly offer aperture priority as their automatic mode, some the full one.
  v4l2_queryctrl automatic{};
  automatic.id = V4L2_CID_EXPOSURE_AUTO;
  if (Xioctl(fd_, VIDIOC_QUERYCTRL, &automatic) == 0 &&
      (automatic.flags & V4L2_CTRL_FLAG_DISABLED) == 0) {
    for (const int mode : {V4L2_EXPOSURE_APERTURE_PRIORITY, V4L2_EXPOSURE_AUTO}) {
      v4l2_querymenu item{};
      item.id = V4L2_CID_EXPOSURE_AUTO;
      item.index = static_cast<std::uint32_t>(mode);
      if (Xioctl(fd_, VIDIOC_QUERYMENU, &item) == 0 && SetControl(V4L2_CID_EXPOSURE_AUTO, mode)) {
        offered = true;
        break;
      }
    }
  }
  return offered;
}

bool V4l2FrameSource::ReadExposure(int& value) {
  return GetControl(V4L2_CID_EXPOSURE_ABSOLUTE, value);
}

bool V4l2FrameSource::SetBrightness(int value) {
  if (fd_ < 0) return false;
  v4l2_queryctrl range{};
  range.id = V4L2_CID_BRIGHTNESS;
  if (Xioctl(fd_, VIDIOC_QUERYCTRL, &range) < 0 || (range.flags & V4L2_CTRL_FLAG_DISABLED) != 0) {
    return false;
  }
  return SetControl(V4L2_CID_BRIGHTNESS, std::clamp(value, range.minimum, range.maximum));
}

}  // namespace orvex
