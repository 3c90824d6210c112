// The played camera: one table of the requests it answers, and the interposed system calls that
// lead to it.
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
#include <deque>
#include <map>
#include <vector>

namespace orvex::test {

struct FakeCameraState {
  struct Node {
    bool metadata = false;
    bool dead = false;  // opened before an unplug
  };
  std::string picture, metadata, card;
  bool plugged = true;
  std::map<int, Node> opens;
  int streamFd = -1;  // the open that owns the buffers
  int memory = -1;    // memfd with the buffers, one after another
  unsigned buffers = 0;
  std::deque<unsigned> queued, done;  // oldest first
  bool streaming = false;
  int pending = 0;
  std::uint32_t sequence = 0;
  FakeV4l2Camera::Settings settings;

  void Fill();
  void Free();
  void Ready();
};

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

struct Control {
  std::uint32_t id;
  std::uint32_t type;
  int minimum, maximum, defaultValue;
  int FakeV4l2Camera::Settings::*value;
};

constexpr Control kControls[] = {
    {V4L2_CID_BRIGHTNESS, V4L2_CTRL_TYPE_INTEGER, W::kBrightnessMin, W::kBrightnessMax, 0,
     &W::Settings::brightness},
    {V4L2_CID_EXPOSURE_AUTO, V4L2_CTRL_TYPE_MENU, 0, 3, V4L2_EXPOSURE_APERTURE_PRIORITY,
     &W::Settings::exposureAuto},
    {V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CTRL_TYPE_INTEGER, 1, 5000, W::kExposureDefault,
     &W::Settings::exposureAbsolute},
};

const Control* FindControl(std::uint32_t id) {
  const auto it = std::find_if(std::begin(kControls), std::end(kControls),
                               [id](const Control& control) { return control.id == id; });
  return it == std::end(kControls) ? nullptr : it;
}

// Like a UVC camera: manual and aperture priority only.
bool MenuOffers(std::uint32_t index) {
  return index == V4L2_EXPOSURE_MANUAL || index == V4L2_EXPOSURE_APERTURE_PRIORITY;
}

template <typename T>
T& As(void* arg) {
  return *static_cast<T*>(arg);
}

// One request to the picture node.
struct Call {
  int fd;
  unsigned long request;
  void* arg;
};
using Handler = int (*)(FakeCameraState&, const Call&);

// What the picture node answers; anything else is ENOTTY.
const std::map<unsigned long, Handler> kHandlers = [] {
  std::map<unsigned long, Handler> table;
  table[VIDIOC_ENUM_FMT] = [](FakeCameraState&, const Call& c) {
    auto& format = As<v4l2_fmtdesc>(c.arg);
    if (format.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || format.index != 0) return Fail(EINVAL);
    format.pixelformat = V4L2_PIX_FMT_YUYV;
    return 0;
  };
  table[VIDIOC_ENUM_FRAMESIZES] = [](FakeCameraState&, const Call& c) {
    auto& size = As<v4l2_frmsizeenum>(c.arg);
    if (size.pixel_format != V4L2_PIX_FMT_YUYV || size.index != 0) return Fail(EINVAL);
    size.type = V4L2_FRMSIZE_TYPE_DISCRETE;
    size.discrete = {W::kWidth, W::kHeight};
    return 0;
  };
  table[VIDIOC_G_FMT] = table[VIDIOC_TRY_FMT] =
      table[VIDIOC_S_FMT] = [](FakeCameraState&, const Call& c) {
        auto& format = As<v4l2_format>(c.arg);
        if (format.type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return Fail(EINVAL);
        v4l2_pix_format& pix = format.fmt.pix;
        pix = {};
        pix.width = W::kWidth;
        pix.height = W::kHeight;
        pix.pixelformat = V4L2_PIX_FMT_YUYV;
        pix.field = V4L2_FIELD_NONE;
        pix.bytesperline = W::kWidth * 2;
        pix.sizeimage = kSizeImage;
        pix.colorspace = V4L2_COLORSPACE_SRGB;
        return 0;
      };
  table[VIDIOC_S_PARM] = [](FakeCameraState& s, const Call& c) {
    auto& parm = As<v4l2_streamparm>(c.arg);
    if (parm.type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return Fail(EINVAL);
    const v4l2_fract wanted = parm.parm.capture.timeperframe;
    s.settings.timePerFrame = {1, wanted.denominator == 5 ? 5U : 30U};
    parm.parm.capture = {};
    parm.parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
    parm.parm.capture.timeperframe = s.settings.timePerFrame;
    return 0;
  };
  table[VIDIOC_REQBUFS] = [](FakeCameraState& s, const Call& c) {
    auto& request = As<v4l2_requestbuffers>(c.arg);
    if (request.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || request.memory != V4L2_MEMORY_MMAP) {
      return Fail(EINVAL);
    }
    if (s.streaming) return Fail(EBUSY);
    s.Free();
    request.count = std::min(request.count, 8U);
    if (request.count == 0) return 0;
    s.memory = memfd_create("fake-camera-buffers", MFD_CLOEXEC);
    if (s.memory < 0 || ftruncate(s.memory, off_t{kSizeImage} * request.count) < 0) {
      return Fail(ENOMEM);
    }
    s.buffers = request.count;
    s.streamFd = c.fd;
    return 0;
  };
  table[VIDIOC_QUERYBUF] = table[VIDIOC_QBUF] =
      table[VIDIOC_DQBUF] = [](FakeCameraState& s, const Call& c) {
        auto& buffer = As<v4l2_buffer>(c.arg);
        if (buffer.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || buffer.memory != V4L2_MEMORY_MMAP) {
          return Fail(EINVAL);
        }
        if (c.request == VIDIOC_DQBUF) {
          if (s.done.empty()) return Fail(EAGAIN);
          buffer.index = s.done.front();
          s.done.pop_front();
          s.Ready();
          buffer.bytesused = kSizeImage;
          buffer.sequence = s.sequence++;
          buffer.timestamp = {100 + static_cast<long>(buffer.sequence), 0};
          buffer.field = V4L2_FIELD_NONE;
        } else if (buffer.index >= s.buffers) {
          return Fail(EINVAL);
        }
        buffer.length = kSizeImage;
        buffer.m.offset = buffer.index * kSizeImage;
        buffer.flags = V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC;
        if (c.request == VIDIOC_QBUF) s.queued.push_back(buffer.index);
        s.Fill();
        return 0;
      };
  table[VIDIOC_STREAMON] = table[VIDIOC_STREAMOFF] = [](FakeCameraState& s, const Call& c) {
    if (s.buffers == 0 && c.request == VIDIOC_STREAMON) return Fail(EINVAL);
    s.streaming = c.request == VIDIOC_STREAMON;
    if (!s.streaming) {
      s.queued.clear();
      s.done.clear();
    }
    s.Fill();
    return 0;
  };
  table[VIDIOC_QUERYCTRL] = [](FakeCameraState&, const Call& c) {
    auto& query = As<v4l2_queryctrl>(c.arg);
    const Control* control = FindControl(query.id);
    if (control == nullptr) return Fail(EINVAL);
    query = {};
    query.id = control->id;
    query.type = control->type;
    query.minimum = control->minimum;
    query.maximum = control->maximum;
    query.step = 1;
    query.default_value = control->defaultValue;
    return 0;
  };
  table[VIDIOC_QUERYMENU] = [](FakeCameraState&, const Call& c) {
    const auto& item = As<v4l2_querymenu>(c.arg);
    return item.id == V4L2_CID_EXPOSURE_AUTO && MenuOffers(item.index) ? 0 : Fail(EINVAL);
  };
  table[VIDIOC_G_CTRL] = table[VIDIOC_S_CTRL] = [](FakeCameraState& s, const Call& c) {
    auto& value = As<v4l2_control>(c.arg);
    const Control* control = FindControl(value.id);
    if (control == nullptr) return Fail(EINVAL);
    if (c.request == VIDIOC_G_CTRL) {
      value.value = s.settings.*control->value;
      return 0;
    }
    if (value.value < control->minimum || value.value > control->maximum) return Fail(ERANGE);
    s.settings.*control->value = value.value;
    return 0;
  };
  return table;
}();

}  // namespace

// Frames go into queued buffers while any are asked for; the node polls readable while one waits.
void FakeCameraState::Fill() {
  while (streaming && pending > 0 && !queued.empty()) {
    std::vector<std::uint8_t> frame(kSizeImage, 128);  // U and V of grey
    for (int row = 0; row < W::kHeight; ++row) {
      for (int col = 0; col < W::kWidth; ++col)
        frame[(row * W::kWidth + col) * 2] = W::Luma(row, col);
    }
    if (pwrite(memory, frame.data(), frame.size(), off_t{queued.front()} * kSizeImage) !=
        static_cast<ssize_t>(frame.size())) {
      std::abort();
    }
    done.push_back(queued.front());
    queued.pop_front();
    --pending;
  }
  Ready();
}

void FakeCameraState::Ready() {
  std::uint64_t one = 1;
  if (streamFd < 0) return;
  if (!done.empty() ? ::write(streamFd, &one, sizeof one) < 0
                    : ::read(streamFd, &one, sizeof one) < 0 && errno != EAGAIN) {
    std::abort();
  }
}

void FakeCameraState::Free() {
  queued.clear();
  done.clear();
  Ready();
  buffers = 0;
  streamFd = -1;
  if (memory >= 0) RealClose(memory);
  memory = -1;
}

FakeV4l2Camera::FakeV4l2Camera(std::string pictureNode, std::string metadataNode, std::string card)
    : state_(std::make_unique<FakeCameraState>()) {
  state_->picture = std::move(pictureNode);
  state_->metadata = std::move(metadataNode);
  state_->card = std::move(card);
  active = this;
}

FakeV4l2Camera::~FakeV4l2Camera() {
  active = nullptr;
  for (const auto& [fd, node] : state_->opens) RealClose(fd);
  if (state_->memory >= 0) RealClose(state_->memory);
}

FakeV4l2Camera* FakeV4l2Camera::Active() {
  return active;
}

std::uint8_t FakeV4l2Camera::Luma(int row, int col) {
  return static_cast<std::uint8_t>(row * 200 / (kHeight - 1) + col / 160);
}

void FakeV4l2Camera::Produce(int frames) {
  const std::lock_guard<std::mutex> hold(lock_);
  state_->pending += frames;
  state_->Fill();
}

void FakeV4l2Camera::Unplug() {
  const std::lock_guard<std::mutex> hold(lock_);
  FakeCameraState& s = *state_;
  s.plugged = false;
  s.streaming = false;
  s.Free();
  for (auto& [fd, node] : s.opens) {
    node.dead = true;
    const std::uint64_t one = 1;
    if (::write(fd, &one, sizeof one) < 0) std::abort();  // wakes a wait on the node
  }
}

void FakeV4l2Camera::Replug() {
  const std::lock_guard<std::mutex> hold(lock_);
  FakeCameraState& s = *state_;
  s.plugged = true;
  s.pending = 0;
}

FakeV4l2Camera::Settings FakeV4l2Camera::Current() {
  const std::lock_guard<std::mutex> hold(lock_);
  return state_->settings;
}

void FakeV4l2Camera::SetManualExposure(int value) {
  const std::lock_guard<std::mutex> hold(lock_);
  state_->settings.exposureAuto = V4L2_EXPOSURE_MANUAL;
  state_->settings.exposureAbsolute = value;
}

int FakeV4l2Camera::Open(const char* path, bool& handled) {
  const std::lock_guard<std::mutex> hold(lock_);
  FakeCameraState& s = *state_;
  handled = path != nullptr && (s.picture == path || s.metadata == path);
  if (!handled) return 0;
  if (!s.plugged) return Fail(ENOENT);
  const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd >= 0) s.opens[fd] = {s.metadata == path};
  return fd;
}

int FakeV4l2Camera::Close(int fd, bool& handled) {
  const std::lock_guard<std::mutex> hold(lock_);
  handled = state_->opens.erase(fd) > 0;
  if (!handled) return 0;
  if (fd == state_->streamFd) {
    state_->streaming = false;
    state_->Free();
  }
  return RealClose(fd);
}

long FakeV4l2Camera::MemoryOf(long fd) {
  const std::lock_guard<std::mutex> hold(lock_);
  if (state_->opens.count(static_cast<int>(fd)) == 0) return fd;
  return fd == state_->streamFd ? state_->memory : Fail(EINVAL);
}

int FakeV4l2Camera::Ioctl(int fd, unsigned long request, void* arg, bool& handled) {
  const std::lock_guard<std::mutex> hold(lock_);
  FakeCameraState& s = *state_;
  const auto open = s.opens.find(fd);
  handled = open != s.opens.end();
  if (!handled) return 0;
  if (open->second.dead || !s.plugged) return Fail(ENODEV);
  if (request == VIDIOC_QUERYCAP) {
    auto& cap = As<v4l2_capability>(arg);
    cap = {};
    std::memcpy(cap.card, s.card.data(), std::min(sizeof cap.card - 1, s.card.size()));
    cap.capabilities = kPictureCaps | kMetadataCaps | V4L2_CAP_DEVICE_CAPS;
    cap.device_caps = open->second.metadata ? kMetadataCaps : kPictureCaps;
    return 0;
  }
  const auto handler = kHandlers.find(request);
  // The metadata node is only ever asked what it is.
  if (open->second.metadata || handler == kHandlers.end()) return Fail(ENOTTY);
  return handler->second(s, {fd, request, arg});
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
  bool handled = false;
  long result = 0;
  if (camera != nullptr && number == SYS_openat) {
    result = camera->Open(reinterpret_cast<const char*>(a[1]), handled);
  } else if (camera != nullptr && number == SYS_ioctl) {
    result = camera->Ioctl(static_cast<int>(a[0]), static_cast<unsigned long>(a[1]),
                           reinterpret_cast<void*>(a[2]), handled);
  } else if (camera != nullptr && number == SYS_close) {
    result = camera->Close(static_cast<int>(a[0]), handled);
  } else if (camera != nullptr && number == SYS_mmap) {
    a[4] = camera->MemoryOf(a[4]);
    handled = a[4] < 0;
    result = -1;
  }
  if (handled) return result;
  static const auto real = reinterpret_cast<long (*)(long, ...)>(dlsym(RTLD_NEXT, "syscall"));
  return real(number, a[0], a[1], a[2], a[3], a[4], a[5]);
}

namespace {
int OpenFile(const char* name, const char* path, int flags, va_list args) {
  const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) != 0 ? va_arg(args, mode_t) : 0;
  bool handled = false;
  FakeV4l2Camera* camera = FakeV4l2Camera::Active();
  const int fd = camera != nullptr ? camera->Open(path, handled) : 0;
  if (handled) return fd;
  static const auto real = reinterpret_cast<int (*)(const char*, int, ...)>(dlsym(RTLD_NEXT, name));
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

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept {
  va_list args;
  va_start(args, request);
  void* arg = va_arg(args, void*);
  va_end(args);
  bool handled = false;
  FakeV4l2Camera* camera = FakeV4l2Camera::Active();
  const int result = camera != nullptr ? camera->Ioctl(fd, request, arg, handled) : 0;
  if (handled) return result;
  static const auto real =
      reinterpret_cast<int (*)(int, unsigned long, ...)>(dlsym(RTLD_NEXT, "ioctl"));
  return real(fd, request, arg);
}

extern "C" int close(int fd) {
  bool handled = false;
  FakeV4l2Camera* camera = FakeV4l2Camera::Active();
  const int result = camera != nullptr ? camera->Close(fd, handled) : 0;
  return handled ? result : orvex::test::RealClose(fd);
}
