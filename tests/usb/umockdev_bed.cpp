// The umockdev testbed wrapper and the helpers the device tests share.
#include "usb/umockdev_bed.h"

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <umockdev.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

namespace orvex::test {

UmockdevBed::UmockdevBed() : bed_(umockdev_testbed_new()) {}

UmockdevBed::~UmockdevBed() {
  g_object_unref(bed_);
}

bool UmockdevBed::Mocking() {
  return umockdev_in_mock_environment() != 0;
}

std::string UmockdevBed::RootDir() const {
  gchar* root = umockdev_testbed_get_root_dir(bed_);
  std::string text = root;
  g_free(root);
  return text;
}

void UmockdevBed::Add(const std::string& description) {
  GError* error = nullptr;
  if (umockdev_testbed_add_from_string(bed_, description.c_str(), &error) == 0) {
    const std::string message = error != nullptr ? error->message : "unknown error";
    g_clear_error(&error);
    throw std::runtime_error("umockdev refused a device: " + message);
  }
}

void UmockdevBed::Uevent(const std::string& sysPath, const char* action) {
  umockdev_testbed_uevent(bed_, sysPath.c_str(), action);
}

UMockdevIoctlBase* UmockdevBed::AttachIoctl(const std::string& node, IoctlHandler onIoctl,
                                            void* self) {
  UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
  g_signal_connect(handler, "handle-ioctl", G_CALLBACK(onIoctl), self);
  umockdev_testbed_attach_ioctl(bed_, node.c_str(), handler, nullptr);
  return handler;
}

void UmockdevBed::DetachIoctl(const std::string& node, UMockdevIoctlBase* handler) {
  umockdev_testbed_detach_ioctl(bed_, node.c_str(), nullptr);
  g_object_unref(handler);
}

std::string Format(const char* format, int a, int b) {
  char text[64];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

namespace {

// This thread's capabilities (root's override of file modes among them), or false.
bool GetCapabilities(__user_cap_data_struct (&data)[2]) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  return ::syscall(SYS_capget, &header, data) == 0;
}

bool SetCapabilities(__user_cap_data_struct (&data)[2]) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  return ::syscall(SYS_capset, &header, data) == 0;
}

}  // namespace

void AsUnprivilegedUser(const std::string& nodeFile, const std::function<void()>& action) {
  struct stat before {};
  const bool known = ::stat(nodeFile.c_str(), &before) == 0;
  ::chmod(nodeFile.c_str(), 0);
  // Root opens a file whatever its mode; without the override capabilities it is held to the
  // owner's bits like anyone (the testbed's own files stay reachable: root owns them).
  __user_cap_data_struct saved[2] = {};
  const bool capable = GetCapabilities(saved);
  if (capable) {
    __user_cap_data_struct reduced[2] = {saved[0], saved[1]};
    for (const int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
      reduced[capability / 32].effective &= ~(1U << (capability % 32));
    }
    SetCapabilities(reduced);
  }
  action();
  if (capable) SetCapabilities(saved);
  if (known) ::chmod(nodeFile.c_str(), before.st_mode & 07777);
}

}  // namespace orvex::test
