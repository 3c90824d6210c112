// The played camera: the requests it answers, and the interposed system calls that lead to it.
#include "v4l2/fake_v4l2_camera.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <optional>
#include <vector>

namespace orvex::test {
namespace {

using W = FakeV4l2Camera;
constexpr std::uint32_t kSizeImage = W::kWidth * W::kHeight * 2;
constexpr std::uint32_t kPictureCaps =
    V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING | V4L2_CAP_EXT_PIX_FORMAT;
constexpr std::uint32_t kMetadataCaps =
    V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING | V4L2_CAP_EXT_PIX_FORMAT;
FakeV4l2Camera* active = nullptr;

int RealClose(int fd) {
  static const auto real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "close"));
  return real(fd);
}

int Fail(int error) {
  errno = error;
  return -1;
}

struct Range {
  std::uint32_t id;
  int minimum, maximum, defaultValue;
};
// Like a UVC camera's; its exposure menu offers manual and aperture priority only.
constexpr Range kControls[] = {
    {V4L2_CID_BRIGHTNESS, -64, 64, 0},
    {V4L2_CID_EXPOSURE_AUTO, 0, 3, V4L2_EXPOSURE_APERTURE_PRIORITY},
    {V4L2_CID_EXPOSURE_ABSOLUTE, 1, 5000, 156},
};

const Range* FindControl(std::uint32_t id) {
  for (const Range& control : kControls) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

}  // namespace

FakeV4l2Camera::FakeV4l2Camera(std::string pictureNode, std::string metadataNode)
    : picture_(std::move(pictureNode)), metadata_(std::move(metadataNode)) {
  for (const Range& control : kControls) controls_[control.id] = control.defaultValue;
  controls_[V4L2_CID_EXPOSURE_AUTO] = V4L2_EXPOSURE_MANUAL;
  controls_[V4L2_CID_EXPOSURE_ABSOLUTE] = 900;
  active = this;
}

FakeV4l2Camera::~FakeV4l2Camera() {
  active = nullptr;
  for (const auto& [fd, node] : opens_) RealClose(fd);
  if (memory_ >= 0) RealClose(memory_);
}

std::uint8_t FakeV4l2Camera::Luma(int row, int col) {
  return static_cast<std::uint8_t>(row * 200 / (kHeight - 1) + col / 160);
}

int FakeV4l2Camera::Answer(int fd, unsigned long request, void* arg) {
  switch (request) {
    case VIDIOC_ENUM_FMT: {
      auto& format = *static_cast<v4l2_fmtdesc*>(arg);
      if (format.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || format.index != 0) return Fail(EINVAL);
      format.pixelformat = V4L2_PIX_FMT_YUYV;
      return 0;
    }
    case VIDIOC_G_FMT:
    case VIDIOC_TRY_FMT:
    case VIDIOC_S_FMT: {  // whatever is asked for, YUYV at the one size
      auto& format = *static_cast<v4l2_format*>(arg);
      if (format.type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return Fail(EINVAL);
      v4l2_pix_format& pix = format.fmt.pix;
      pix = {};
      pix.width = kWidth;
      pix.height = kHeight;
      pix.pixelformat = V4L2_PIX_FMT_YUYV;
      pix.field = V4L2_FIELD_NONE;
      pix.bytesperline = kWidth * 2;
      pix.sizeimage = kSizeImage;
      pix.colorspace = V4L2_COLORSPACE_SRGB;
      return 0;
    }
    case VIDIOC_S_PARM: {  // 5 or 30 frames a second
      auto& capture = static_cast<v4l2_streamparm*>(arg)->parm.capture;
      framesPerSecond_ = capture.timeperframe.denominator == 5 ? 5 : 30;
      capture = {};
      capture.capability = V4L2_CAP_TIMEPERFRAME;
      capture.timeperframe = {1, framesPerSecond_};
      return 0;
    }
    case VIDIOC_REQBUFS: {
      auto& wanted = *static_cast<v4l2_requestbuffers*>(arg);
      if (wanted.memory != V4L2_MEMORY_MMAP) return Fail(EINVAL);
      Free();
      wanted.count = std::min(wanted.count, 8U);
      if (wanted.count == 0) return 0;
      memory_ = memfd_create("fake-camera-buffers", MFD_CLOEXEC);
      if (memory_ < 0 || ftruncate(memory_, off_t{kSizeImage} * wanted.count) < 0) {
        return Fail(ENOMEM);
      }
      streamFd_ = fd;
      return 0;
    }
    case VIDIOC_QUERYBUF:
    case VIDIOC_QBUF:
    case VIDIOC_DQBUF: {
      auto& buffer = *static_cast<v4l2_buffer*>(arg);
      if (request == VIDIOC_DQBUF) {
        if (done_.empty()) return Fail(EAGAIN);
        buffer.index = done_.front();
        done_.pop_front();
        Ready();
        buffer.bytesused = kSizeImage;
        buffer.sequence = sequence_++;
        buffer.timestamp = {100 + static_cast<long>(buffer.sequence), 0};
        buffer.field = V4L2_FIELD_NONE;
      }
      buffer.length = kSizeImage;
      buffer.m.offset = buffer.index * kSizeImage;
      buffer.flags = V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC;
      if (request == VIDIOC_QBUF) queued_.push_back(buffer.index);
      Fill();
      return 0;
    }
    case VIDIOC_STREAMON:
    case VIDIOC_STREAMOFF:
      streaming_ = request == VIDIOC_STREAMON;
      if (!streaming_) {
        queued_.clear();
        done_.clear();
      }
      Fill();
      return 0;
    case VIDIOC_QUERYCTRL: {
      auto& query = *static_cast<v4l2_queryctrl*>(arg);
      const Range* control = FindControl(query.id);
      if (control == nullptr) return Fail(EINVAL);
      query = {};
      query.id = control->id;
      query.minimum = control->minimum;
      query.maximum = control->maximum;
      query.step = 1;
      query.default_value = control->defaultValue;
      return 0;
    }
    case VIDIOC_QUERYMENU: {
      const auto index = static_cast<v4l2_querymenu*>(arg)->index;
      return index == V4L2_EXPOSURE_MANUAL || index == V4L2_EXPOSURE_APERTURE_PRIORITY ? 0
                                                                                    : Fail(EINVAL);
    }
    case VIDIOC_G_CTRL:
    case VIDIOC_S_CTRL: {
      auto& value = *static_cast<v4l2_control*>(arg);
      const Range* control = FindControl(value.id);
      if (control == nullptr) return Fail(EINVAL);
      if (request == VIDIOC_G_CTRL) {
        value.value = controls_[value.id];
      } else if (value.value < control->minimum || value.value > control->maximum) {
        return Fail(ERANGE);
      } else {
        controls_[value.id] = value.value;
      }
      return 0;
    }
    default:
      return Fail(ENOTTY);
  }
}

void FakeV4l2Camera::Fill() {
  while (streaming_ && pending_ > 0 && !queued_.empty()) {
    std::vector<std::uint8_t> frame(kSizeImage, 128);  // U and V of grey
    for (int row = 0; row < kHeight; ++row) {
      for (int col = 0; col < kWidth; ++col) frame[(row * kWidth + col) * 2] = Luma(row, col);
    }
    if (pwrite(memory_, frame.data(), frame.size(), off_t{queued_.front()} * kSizeImage) !=
        static_cast<ssize_t>(frame.size())) {
      std::abort();
    }
    done_.push_back(queued_.front());
    queued_.pop_front();
    --pending_;
  }
  Ready();
}

void FakeV4l2Camera::Ready() {
  std::uint64_t one = 1;
  if (streamFd_ < 0) return;
  if (!done_.empty() ? ::write(streamFd_, &one, sizeof one) < 0
                     : ::read(streamFd_, &one, sizeof one) < 0 && errno != EAGAIN) {
    std::abort();
  }
}

void FakeV4l2Camera::Free() {
  queued_.clear();
  done_.clear();
  Ready();
  streamFd_ = -1;
  if (memory_ >= 0) RealClose(memory_);
  memory_ = -1;
}

void FakeV4l2Camera::Produce(int frames) {
  const std::lock_guard<std::mutex> hold(lock_);
  pending_ += frames;
  Fill();
}

void FakeV4l2Camera::Unplug() {
  const std::lock_guard<std::mutex> hold(lock_);
  plugged_ = streaming_ = false;
  Free();
  for (auto& [fd, node] : opens_) {
    node.dead = true;
    const std::uint64_t one = 1;
    if (::write(fd, &one, sizeof one) < 0) std::abort();  // wakes a wait on the node
  }
}

void FakeV4l2Camera::Replug() {
  const std::lock_guard<std::mutex> hold(lock_);
  plugged_ = true;
  pending_ = 0;
}

int FakeV4l2Camera::Control(std::uint32_t id) {
  const std::lock_guard<std::mutex> hold(lock_);
  return controls_[id];
}

std::uint32_t FakeV4l2Camera::FramesPerSecond() {
  const std::lock_guard<std::mutex> hold(lock_);
  return framesPerSecond_;
}

std::optional<int> FakeV4l2Camera::Open(const char* path) {
  const std::lock_guard<std::mutex> hold(lock_);
  if (path == nullptr || (picture_ != path && metadata_ != path)) return std::nullopt;
  if (!plugged_) return Fail(ENOENT);
  const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd >= 0) opens_[fd] = {metadata_ == path};
  return fd;
}

std::optional<int> FakeV4l2Camera::Close(int fd) {
  const std::lock_guard<std::mutex> hold(lock_);
  if (opens_.erase(fd) == 0) return std::nullopt;
  return RealClose(fd);
}

long FakeV4l2Camera::MemoryOf(long fd) {
  const std::lock_guard<std::mutex> hold(lock_);
  if (opens_.count(static_cast<int>(fd)) == 0) return fd;
  return fd == streamFd_ ? memory_ : Fail(EINVAL);
}

std::optional<int> FakeV4l2Camera::Ioctl(int fd, unsigned long request, void* arg) {
  const std::lock_guard<std::mutex> hold(lock_);
  const auto open = opens_.find(fd);
  if (open == opens_.end()) return std::nullopt;
  if (open->second.dead || !plugged_) return Fail(ENODEV);
  if (request == VIDIOC_QUERYCAP) {
    auto& cap = *static_cast<v4l2_capability*>(arg);
    cap = {};
    std::strcpy(reinterpret_cast<char*>(cap.card), "USB 2.0 Camera");
    cap.capabilities = kPictureCaps | kMetadataCaps | V4L2_CAP_DEVICE_CAPS;
    cap.device_caps = open->second.metadata ? kMetadataCaps : kPictureCaps;
    return 0;
  }
  // The metadata node is only ever asked what it is.
  return open->second.metadata ? Fail(ENOTTY) : Answer(fd, request, arg);
}

}  // namespace orvex::test

// The calls that reach the camera. Everything not for its nodes goes on to the C library.
namespace {
template <typename Function>
Function* Real(const char* name) {
  return reinterpret_cast<Function*>(dlsym(RTLD_NEXT, name));
}
orvex::test::FakeV4l2Camera* Camera() {
  return orvex::test::active;
}
}  // namespace

extern "C" long syscall(long number, ...) noexcept {
  va_list args;
  va_start(args, number);
  long a[6];
  for (long& value : a) value = va_arg(args, long);
  va_end(args);
  orvex::test::FakeV4l2Camera* camera = Camera();
  std::optional<long> result;
  if (camera != nullptr && number == SYS_openat) {
    result = camera->Open(reinterpret_cast<const char*>(a[1]));
  } else if (camera != nullptr && number == SYS_ioctl) {
    result = camera->Ioctl(static_cast<int>(a[0]), static_cast<unsigned long>(a[1]),
                           reinterpret_cast<void*>(a[2]));
  } else if (camera != nullptr && number == SYS_close) {
    result = camera->Close(static_cast<int>(a[0]));
  } else if (camera != nullptr && number == SYS_mmap) {
    a[4] = camera->MemoryOf(a[4]);  // the buffers' memfd, or -1 for another open of a node
    if (a[4] < 0) result = -1;
  }
  static const auto real = Real<long(long, ...)>("syscall");
  return result ? *result : real(number, a[0], a[1], a[2], a[3], a[4], a[5]);
}

extern "C" int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) != 0 ? va_arg(args, mode_t) : 0;
  va_end(args);
  const std::optional<int> fd = Camera() != nullptr ? Camera()->Open(path) : std::nullopt;
  static const auto real = Real<int(const char*, int, ...)>("open");
  return fd ? *fd : real(path, flags, mode);
}

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept {
  va_list args;
  va_start(args, request);
  void* arg = va_arg(args, void*);
  va_end(args);
  const std::optional<int> result =
      Camera() != nullptr ? Camera()->Ioctl(fd, request, arg) : std::nullopt;
  static const auto real = Real<int(int, unsigned long, ...)>("ioctl");
  return result ? *result : real(fd, request, arg);
}

extern "C" int close(int fd) {
  const std::optional<int> result = Camera() != nullptr ? Camera()->Close(fd) : std::nullopt;
  return result ? *result : orvex::test::RealClose(fd);
}
