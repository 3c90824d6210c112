// The played camera and the interposed system calls that lead to it.
#include "v4l2/fake_v4l2_camera.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>

namespace orvex::test {
namespace {

constexpr std::uint32_t kSizeImage = FakeV4l2Camera::kWidth * FakeV4l2Camera::kHeight * 2;
constexpr unsigned kMaxBuffers = 8;
constexpr std::uint32_t kDeviceCaps =
    V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING | V4L2_CAP_EXT_PIX_FORMAT;
constexpr std::uint32_t kMetadataCaps =
    V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING | V4L2_CAP_EXT_PIX_FORMAT;

FakeV4l2Camera* active = nullptr;

template <typename Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

using SyscallFunction = long (*)(long, ...);
using OpenFunction = int (*)(const char*, int, ...);
using IoctlFunction = int (*)(int, unsigned long, ...);
using CloseFunction = int (*)(int);

long RealSyscall(long number, long a0, long a1, long a2, long a3, long a4, long a5) {
  static const auto real = Next<SyscallFunction>("syscall");
  return real(number, a0, a1, a2, a3, a4, a5);
}

int RealClose(int fd) {
  static const auto real = Next<CloseFunction>("close");
  return real(fd);
}

int Fail(int error) {
  errno = error;
  return -1;
}

void Copy(std::uint8_t* field, std::size_t size, const std::string& text) {
  std::memset(field, 0, size);
  std::memcpy(field, text.data(), std::min(size - 1, text.size()));
}

void FillFormat(v4l2_format& format) {
  format.fmt.pix.width = FakeV4l2Camera::kWidth;
  format.fmt.pix.height = FakeV4l2Camera::kHeight;
  format.fmt.pix.pixelformat = V4L2_PIX_FMT_YUYV;
  format.fmt.pix.field = V4L2_FIELD_NONE;
  format.fmt.pix.bytesperline = FakeV4l2Camera::kWidth * 2;
  format.fmt.pix.sizeimage = kSizeImage;
  format.fmt.pix.colorspace = V4L2_COLORSPACE_SRGB;
  format.fmt.pix.priv = 0;
}

struct Control {
  std::uint32_t id;
  std::uint32_t type;
  const char* name;
  int minimum;
  int maximum;
  int defaultValue;
};

constexpr Control kControls[] = {
    {V4L2_CID_BRIGHTNESS, V4L2_CTRL_TYPE_INTEGER, "Brightness", FakeV4l2Camera::kBrightnessMin,
     FakeV4l2Camera::kBrightnessMax, 0},
    {V4L2_CID_EXPOSURE_AUTO, V4L2_CTRL_TYPE_MENU, "Auto Exposure", 0, 3,
     V4L2_EXPOSURE_APERTURE_PRIORITY},
    {V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CTRL_TYPE_INTEGER, "Exposure Time, Absolute", 1, 5000,
     FakeV4l2Camera::kExposureDefault},
};

const Control* FindControl(std::uint32_t id) {
  for (const Control& control : kControls) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

// Like a UVC camera: manual and aperture priority only.
bool MenuOffers(std::uint32_t index) {
  return index == V4L2_EXPOSURE_MANUAL || index == V4L2_EXPOSURE_APERTURE_PRIORITY;
}

}  // namespace

FakeV4l2Camera::FakeV4l2Camera(std::string pictureNode, std::string metadataNode, std::string card)
    : pictureNode_(std::move(pictureNode)),
      metadataNode_(std::move(metadataNode)),
      card_(std::move(card)) {
  active = this;
}

FakeV4l2Camera::~FakeV4l2Camera() {
  active = nullptr;
  for (const auto& [fd, open] : opens_) RealClose(fd);
  if (memory_ >= 0) RealClose(memory_);
}

FakeV4l2Camera* FakeV4l2Camera::Active() {
  return active;
}

std::uint8_t FakeV4l2Camera::Luma(int row, int col) {
  return static_cast<std::uint8_t>(row * 200 / (kHeight - 1) + col / 160);
}

void FakeV4l2Camera::Produce(int frames) {
  const std::lock_guard<std::mutex> hold(lock_);
  pending_ += frames;
  FillPending();
}

void FakeV4l2Camera::Unplug() {
  const std::lock_guard<std::mutex> hold(lock_);
  plugged_ = false;
  for (auto& [fd, open] : opens_) {
    open.dead = true;
    const std::uint64_t one = 1;
    if (::write(fd, &one, sizeof one) < 0) std::abort();  // wakes a wait on the node
  }
  streaming_ = false;
  streamFd_ = -1;
  FreeBuffers();
}

void FakeV4l2Camera::Replug() {
  const std::lock_guard<std::mutex> hold(lock_);
  plugged_ = true;
  pending_ = 0;
  brightness_ = 0;
  exposureAuto_ = V4L2_EXPOSURE_APERTURE_PRIORITY;
  exposureAbsolute_ = kExposureDefault;
}

int FakeV4l2Camera::Brightness() {
  const std::lock_guard<std::mutex> hold(lock_);
  return brightness_;
}

int FakeV4l2Camera::ExposureAuto() {
  const std::lock_guard<std::mutex> hold(lock_);
  return exposureAuto_;
}

int FakeV4l2Camera::ExposureAbsolute() {
  const std::lock_guard<std::mutex> hold(lock_);
  return exposureAbsolute_;
}

void FakeV4l2Camera::SetManualExposure(int value) {
  const std::lock_guard<std::mutex> hold(lock_);
  exposureAuto_ = V4L2_EXPOSURE_MANUAL;
  exposureAbsolute_ = value;
}

v4l2_fract FakeV4l2Camera::TimePerFrame() {
  const std::lock_guard<std::mutex> hold(lock_);
  return timePerFrame_;
}

std::uint32_t FakeV4l2Camera::StreamedPixelFormat() {
  const std::lock_guard<std::mutex> hold(lock_);
  return pixelFormat_;
}

std::vector<unsigned long> FakeV4l2Camera::UnknownRequests() {
  const std::lock_guard<std::mutex> hold(lock_);
  return unknown_;
}

bool FakeV4l2Camera::IsNode(const char* path, bool& metadata) {
  if (path == nullptr) return false;
  if (pictureNode_ == path) {
    metadata = false;
    return true;
  }
  if (metadataNode_ == path) {
    metadata = true;
    return true;
  }
  return false;
}

int FakeV4l2Camera::OpenNode(bool metadata) {
  const std::lock_guard<std::mutex> hold(lock_);
  if (!plugged_) return Fail(ENOENT);
  const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK | EFD_SEMAPHORE);
  if (fd < 0) return -1;
  opens_.push_back({fd, Open{metadata, false}});
  return fd;
}

bool FakeV4l2Camera::Owns(long fd) {
  const std::lock_guard<std::mutex> hold(lock_);
  return std::any_of(opens_.begin(), opens_.end(), [fd](const auto& o) { return o.first == fd; });
}

int FakeV4l2Camera::Close(int fd) {
  const std::lock_guard<std::mutex> hold(lock_);
  opens_.erase(
      std::remove_if(opens_.begin(), opens_.end(), [fd](const auto& o) { return o.first == fd; }),
      opens_.end());
  if (fd == streamFd_) {
    streaming_ = false;
    streamFd_ = -1;
    FreeBuffers();
  }
  return RealClose(fd);
}

int FakeV4l2Camera::MemoryOf(long fd) {
  const std::lock_guard<std::mutex> hold(lock_);
  return fd == streamFd_ ? memory_ : -1;
}

int FakeV4l2Camera::Ioctl(int fd, unsigned long request, void* arg) {
  const std::lock_guard<std::mutex> hold(lock_);
  const auto it =
      std::find_if(opens_.begin(), opens_.end(), [fd](const auto& o) { return o.first == fd; });
  if (it == opens_.end() || it->second.dead || !plugged_) return Fail(ENODEV);
  if (request == VIDIOC_QUERYCAP) {
    auto& cap = *static_cast<v4l2_capability*>(arg);
    std::memset(&cap, 0, sizeof cap);
    Copy(cap.driver, sizeof cap.driver, "uvcvideo");
    Copy(cap.card, sizeof cap.card, card_);
    Copy(cap.bus_info, sizeof cap.bus_info, "usb-0000:00:14.0-1");
    cap.version = 0x060100;
    cap.capabilities = kDeviceCaps | kMetadataCaps | V4L2_CAP_DEVICE_CAPS;
    cap.device_caps = it->second.metadata ? kMetadataCaps : kDeviceCaps;
    return 0;
  }
  if (it->second.metadata) return Fail(ENOTTY);  // only asked what it is
  const int streamed = StreamIoctl(request, arg);
  if (streamed != -2) {
    if (streamed == 0 && request == VIDIOC_REQBUFS) {
      streamFd_ = buffers_.empty() ? -1 : fd;
    }
    return streamed;
  }
  const int controlled = ControlIoctl(request, arg);
  if (controlled != -2) return controlled;
  unknown_.push_back(request);
  return Fail(ENOTTY);
}

// -2: not a streaming request.
int FakeV4l2Camera::StreamIoctl(unsigned long request, void* arg) {
  switch (request) {
    case VIDIOC_ENUM_FMT: {
      auto& description = *static_cast<v4l2_fmtdesc*>(arg);
      if (description.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || description.index != 0) {
        return Fail(EINVAL);
      }
      const std::uint32_t index = description.index;
      const std::uint32_t type = description.type;
      std::memset(&description, 0, sizeof description);
      description.index = index;
      description.type = type;
      Copy(description.description, sizeof description.description, "YUYV 4:2:2");
      description.pixelformat = V4L2_PIX_FMT_YUYV;
      return 0;
    }
    case VIDIOC_ENUM_FRAMESIZES: {
      auto& size = *static_cast<v4l2_frmsizeenum*>(arg);
      if (size.pixel_format != V4L2_PIX_FMT_YUYV || size.index != 0) return Fail(EINVAL);
      size.type = V4L2_FRMSIZE_TYPE_DISCRETE;
      size.discrete = {kWidth, kHeight};
      return 0;
    }
    case VIDIOC_ENUM_FRAMEINTERVALS: {
      auto& interval = *static_cast<v4l2_frmivalenum*>(arg);
      if (interval.pixel_format != V4L2_PIX_FMT_YUYV || interval.width != kWidth ||
          interval.height != kHeight || interval.index > 1) {
        return Fail(EINVAL);
      }
      interval.type = V4L2_FRMIVAL_TYPE_DISCRETE;
      interval.discrete = {1, interval.index == 0 ? 30U : 5U};
      return 0;
    }
    case VIDIOC_G_FMT:
    case VIDIOC_TRY_FMT:
    case VIDIOC_S_FMT: {
      auto& format = *static_cast<v4l2_format*>(arg);
      if (format.type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return Fail(EINVAL);
      if (request == VIDIOC_S_FMT && !buffers_.empty()) return Fail(EBUSY);
      FillFormat(format);
      if (request == VIDIOC_S_FMT) pixelFormat_ = V4L2_PIX_FMT_YUYV;
      return 0;
    }
    case VIDIOC_G_PARM:
    case VIDIOC_S_PARM: {
      auto& parm = *static_cast<v4l2_streamparm*>(arg);
      if (parm.type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return Fail(EINVAL);
      if (request == VIDIOC_S_PARM) {
        const v4l2_fract wanted = parm.parm.capture.timeperframe;
        timePerFrame_ =
            (wanted.numerator == 1 && wanted.denominator == 5) ? wanted : v4l2_fract{1, 30};
      }
      std::memset(&parm.parm.capture, 0, sizeof parm.parm.capture);
      parm.parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
      parm.parm.capture.timeperframe = timePerFrame_;
      parm.parm.capture.readbuffers = 0;
      return 0;
    }
    case VIDIOC_REQBUFS: {
      auto& buffers = *static_cast<v4l2_requestbuffers*>(arg);
      if (buffers.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || buffers.memory != V4L2_MEMORY_MMAP) {
        return Fail(EINVAL);
      }
      if (streaming_) return Fail(EBUSY);
      FreeBuffers();
      buffers.count = std::min(buffers.count, kMaxBuffers);
      if (buffers.count == 0) return 0;
      memory_ = memfd_create("fake-camera-buffers", MFD_CLOEXEC);
      if (memory_ < 0 || ftruncate(memory_, off_t{kSizeImage} * buffers.count) < 0) {
        return Fail(ENOMEM);
      }
      buffers_.assign(buffers.count, BufferState::kDequeued);
      return 0;
    }
    case VIDIOC_QUERYBUF:
    case VIDIOC_QBUF:
    case VIDIOC_DQBUF: {
      auto& buffer = *static_cast<v4l2_buffer*>(arg);
      if (buffer.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || buffer.memory != V4L2_MEMORY_MMAP) {
        return Fail(EINVAL);
      }
      if (request == VIDIOC_DQBUF) {
        if (done_.empty()) return Fail(EAGAIN);
        buffer.index = done_.front();
        done_.erase(done_.begin());
        Drain();
      } else if (buffer.index >= buffers_.size()) {
        return Fail(EINVAL);
      }
      const unsigned index = buffer.index;
      if (request == VIDIOC_QBUF) {
        if (buffers_[index] != BufferState::kDequeued) return Fail(EINVAL);
        buffers_[index] = BufferState::kQueued;
        queue_.push_back(index);
        FillPending();
      }
      if (request == VIDIOC_DQBUF) {
        buffers_[index] = BufferState::kDequeued;
        buffer.bytesused = kSizeImage;
        buffer.sequence = sequence_++;
        buffer.timestamp = {100 + static_cast<long>(buffer.sequence), 0};
        buffer.field = V4L2_FIELD_NONE;
      }
      buffer.length = kSizeImage;
      buffer.m.offset = index * kSizeImage;
      buffer.flags = V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC |
                     (buffers_[index] == BufferState::kQueued ? V4L2_BUF_FLAG_QUEUED : 0U) |
                     (buffers_[index] == BufferState::kDone ? V4L2_BUF_FLAG_DONE : 0U);
      return 0;
    }
    case VIDIOC_G_INPUT:  // one camera input, as on a UVC camera
      *static_cast<int*>(arg) = 0;
      return 0;
    case VIDIOC_ENUMINPUT: {
      auto& input = *static_cast<v4l2_input*>(arg);
      if (input.index != 0) return Fail(EINVAL);
      std::memset(&input, 0, sizeof input);
      Copy(input.name, sizeof input.name, "Camera 1");
      input.type = V4L2_INPUT_TYPE_CAMERA;
      return 0;
    }
    case VIDIOC_STREAMON:
      if (buffers_.empty()) return Fail(EINVAL);
      streaming_ = true;
      FillPending();
      return 0;
    case VIDIOC_STREAMOFF:
      streaming_ = false;
      std::fill(buffers_.begin(), buffers_.end(), BufferState::kDequeued);
      queue_.clear();
      while (!done_.empty()) {
        done_.pop_back();
        Drain();
      }
      return 0;
    default:
      return -2;
  }
}

// -2: not a control request.
int FakeV4l2Camera::ControlIoctl(unsigned long request, void* arg) {
  switch (request) {
    case VIDIOC_QUERYCTRL: {
      auto& query = *static_cast<v4l2_queryctrl*>(arg);
      const Control* control = FindControl(query.id);
      if (control == nullptr) return Fail(EINVAL);
      std::memset(&query, 0, sizeof query);
      query.id = control->id;
      query.type = control->type;
      Copy(query.name, sizeof query.name, control->name);
      query.minimum = control->minimum;
      query.maximum = control->maximum;
      query.step = 1;
      query.default_value = control->defaultValue;
      return 0;
    }
    case VIDIOC_QUERYMENU: {
      auto& item = *static_cast<v4l2_querymenu*>(arg);
      if (item.id != V4L2_CID_EXPOSURE_AUTO || !MenuOffers(item.index)) return Fail(EINVAL);
      Copy(item.name, sizeof item.name,
           item.index == V4L2_EXPOSURE_MANUAL ? "Manual Mode" : "Aperture Priority Mode");
      return 0;
    }
    case VIDIOC_G_CTRL:
    case VIDIOC_S_CTRL: {
      auto& value = *static_cast<v4l2_control*>(arg);
      const Control* control = FindControl(value.id);
      if (control == nullptr) return Fail(EINVAL);
      int* field = value.id == V4L2_CID_BRIGHTNESS      ? &brightness_
                   : value.id == V4L2_CID_EXPOSURE_AUTO ? &exposureAuto_
                                                        : &exposureAbsolute_;
      if (request == VIDIOC_G_CTRL) {
        value.value = *field;
        return 0;
      }
      if (value.value < control->minimum || value.value > control->maximum) return Fail(ERANGE);
      if (value.id == V4L2_CID_EXPOSURE_AUTO &&
          !MenuOffers(static_cast<std::uint32_t>(value.value))) {
        return Fail(EINVAL);
      }
      *field = value.value;
      return 0;
    }
    default:
      return -2;
  }
}

void FakeV4l2Camera::FillPending() {
  while (streaming_ && pending_ > 0 && !queue_.empty() && memory_ >= 0) {
    const unsigned index = queue_.front();
    queue_.erase(queue_.begin());
    std::vector<std::uint8_t> frame(kSizeImage);
    for (int row = 0; row < kHeight; ++row) {
      std::uint8_t* line = frame.data() + static_cast<std::size_t>(row) * kWidth * 2;
      for (int col = 0; col < kWidth; col += 2) {
        line[col * 2] = Luma(row, col);
        line[col * 2 + 1] = 128;  // U
        line[col * 2 + 2] = Luma(row, col + 1);
        line[col * 2 + 3] = 128;  // V
      }
    }
    if (pwrite(memory_, frame.data(), frame.size(), off_t{index} * kSizeImage) !=
        static_cast<ssize_t>(frame.size())) {
      std::abort();
    }
    buffers_[index] = BufferState::kDone;
    done_.push_back(index);
    --pending_;
    Signal();
  }
}

void FakeV4l2Camera::FreeBuffers() {
  buffers_.clear();
  queue_.clear();
  while (!done_.empty()) {
    done_.pop_back();
    Drain();
  }
  if (memory_ >= 0) RealClose(memory_);
  memory_ = -1;
}

void FakeV4l2Camera::Signal() {
  const std::uint64_t one = 1;
  if (streamFd_ >= 0 && ::write(streamFd_, &one, sizeof one) < 0) std::abort();
}

void FakeV4l2Camera::Drain() {
  std::uint64_t one = 0;
  if (streamFd_ >= 0 && ::read(streamFd_, &one, sizeof one) < 0 && errno != EAGAIN) std::abort();
}

}  // namespace orvex::test

// The calls that reach the camera. Everything not for its nodes goes on to the C library.
using orvex::test::FakeV4l2Camera;

extern "C" long syscall(long number, ...) noexcept {
  va_list args;
  va_start(args, number);
  long a[6];
  for (long& value : a) value = va_arg(args, long);
  va_end(args);
  FakeV4l2Camera* camera = FakeV4l2Camera::Active();
  if (camera != nullptr) {
    bool metadata = false;
    switch (number) {
      case SYS_open:
        if (camera->IsNode(reinterpret_cast<const char*>(a[0]), metadata)) {
          return camera->OpenNode(metadata);
        }
        break;
      case SYS_openat:
        if (camera->IsNode(reinterpret_cast<const char*>(a[1]), metadata)) {
          return camera->OpenNode(metadata);
        }
        break;
      case SYS_ioctl:
        if (camera->Owns(a[0])) {
          return camera->Ioctl(static_cast<int>(a[0]), static_cast<unsigned long>(a[1]),
                               reinterpret_cast<void*>(a[2]));
        }
        break;
      case SYS_close:
        if (camera->Owns(a[0])) return camera->Close(static_cast<int>(a[0]));
        break;
      case SYS_mmap:
        if (camera->Owns(a[4])) {
          const int memory = camera->MemoryOf(a[4]);
          if (memory < 0) {
            errno = EINVAL;
            return -1;
          }
          a[4] = memory;
        }
        break;
      default:
        break;
    }
  }
  return orvex::test::RealSyscall(number, a[0], a[1], a[2], a[3], a[4], a[5]);
}

namespace {
int OpenFile(const char* name, const char* path, int flags, va_list args) {
  mode_t mode = 0;
  if ((flags & (O_CREAT | O_TMPFILE)) != 0) mode = va_arg(args, mode_t);
  FakeV4l2Camera* camera = FakeV4l2Camera::Active();
  bool metadata = false;
  if (camera != nullptr && camera->IsNode(path, metadata)) return camera->OpenNode(metadata);
  static const auto real = reinterpret_cast<orvex::test::OpenFunction>(dlsym(RTLD_NEXT, name));
  return real(path, flags, mode);
}
}  // namespace

extern "C" int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const int fd = OpenFile("open", path, flags, args);
  va_end(args);
  return fd;
}

extern "C" int open64(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const int fd = OpenFile("open64", path, flags, args);
  va_end(args);
  return fd;
}

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept {
  va_list args;
  va_start(args, request);
  void* arg = va_arg(args, void*);
  va_end(args);
  FakeV4l2Camera* camera = FakeV4l2Camera::Active();
  if (camera != nullptr && camera->Owns(fd)) return camera->Ioctl(fd, request, arg);
  static const auto real = reinterpret_cast<orvex::test::IoctlFunction>(dlsym(RTLD_NEXT, "ioctl"));
  return real(fd, request, arg);
}

extern "C" int close(int fd) {
  FakeV4l2Camera* camera = FakeV4l2Camera::Active();
  if (camera != nullptr && camera->Owns(fd)) return camera->Close(fd);
  return orvex::test::RealClose(fd);
}
