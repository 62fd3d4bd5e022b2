#include "platform/host/dos_attributes.h"

#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace host {
namespace {

constexpr const char* kXattrName = "user.DOSATTRIB";
constexpr long kMsdosMagic = 0x4d44;

bool onFat(const std::string& path) {
  struct statfs fs {};
  return ::statfs(path.c_str(), &fs) == 0 && fs.f_type == kMsdosMagic;
}

// The FAT attribute ioctl works on an open file.
std::optional<std::uint32_t> fatBits(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::uint32_t attrs = 0;
  int rc = ::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &attrs);
  ::close(fd);
  if (rc != 0) return std::nullopt;
  return attrs & kDosKeptBits;
}

}  // namespace

std::optional<std::uint32_t> ReadDosAttributes(const std::string& hostPath) {
  struct stat st {};
  if (::stat(hostPath.c_str(), &st) != 0) return std::nullopt;
  char buf[32];
  ssize_t n = ::getxattr(hostPath.c_str(), kXattrName, buf, sizeof buf - 1);
  if (n > 0) {
    buf[n] = 0;
    return static_cast<std::uint32_t>(std::strtoul(buf, nullptr, 0)) & kDosKeptBits;
  }
  if (onFat(hostPath))
    if (auto bits = fatBits(hostPath)) return bits;
  return S_ISDIR(st.st_mode) ? 0u : kDosArchive;
}

bool WriteDosAttributes(const std::string& hostPath, std::uint32_t bits) {
  bits &= kDosKeptBits;
  if (onFat(hostPath)) {
    int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::uint32_t attrs = bits;
    int rc = ::ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &attrs);
    ::close(fd);
    return rc == 0;
  }
  char buf[16];
  int n = std::snprintf(buf, sizeof buf, "0x%x", bits);
  return ::setxattr(hostPath.c_str(), kXattrName, buf, static_cast<std::size_t>(n), 0) == 0;
}

}  // namespace host
