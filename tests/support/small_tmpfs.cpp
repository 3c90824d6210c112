#include "support/small_tmpfs.h"

#include <sys/mount.h>

#include <cstdio>
#include <string>

namespace orvex::test {

SmallTmpfs::SmallTmpfs(std::size_t kibibytes, bool readOnly) {
  const std::string options = "size=" + std::to_string(kibibytes) + "k";
  mounted_ = ::mount("tmpfs", dir_.Path().c_str(), "tmpfs", readOnly ? MS_RDONLY : 0,
                     options.c_str()) == 0;
}

SmallTmpfs::~SmallTmpfs() {
  if (mounted_) ::umount2(dir_.Path().c_str(), MNT_DETACH);
}

bool SmallTmpfs::MakeReadOnly() {
  return mounted_ && ::mount("tmpfs", dir_.Path().c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY,
                             nullptr) == 0;
}

void SmallTmpfs::Fill() const {
  std::FILE* file = std::fopen((dir_.Path() / "filler").c_str(), "wb");
  if (file == nullptr) return;
  static const char block[4096] = {};
  while (std::fwrite(block, 1, sizeof block, file) == sizeof block) {
  }
  std::fclose(file);
}

}  // namespace orvex::test
