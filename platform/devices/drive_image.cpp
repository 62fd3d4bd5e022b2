#include "platform/devices/drive_image.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace devices {

bool ReadImage(const std::string& path, std::uint64_t offset, std::uint8_t* data, std::size_t size) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::size_t done = 0;
  bool ok = true;
  while (done < size) {
    ssize_t n = ::pread(fd, data + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ok = false;
      break;
    }
    if (n == 0) {
      std::memset(data + done, 0, size - done);
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return ok;
}

bool WriteImage(const std::string& path, std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::size_t done = 0;
  bool ok = true;
  while (done < size) {
    ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0) ok = false;
  return ok;
}

bool CreateBlankImage(const std::string& path, std::uint64_t size) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = ::ftruncate(fd, static_cast<off_t>(size)) == 0;
  if (::close(fd) != 0) ok = false;
  return ok;
}

}  // namespace devices
