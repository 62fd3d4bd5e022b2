#include "platform/win/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/host/dos_attributes.h"
#include "platform/win/device_files.h"
#include "platform/win/device_namespace.h"
#include "platform/win/file_object.h"
#include "platform/win/last_error.h"
#include "platform/win/resolved_path.h"
#include "platform/win/volume_usage.h"

namespace win {

FileObject::~FileObject() {
  if (fd >= 0) ::close(fd);
}

namespace {

constexpr DWORD kDosBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                           FILE_ATTRIBUTE_ARCHIVE;

// Open files of this process by inode, for the sharing rules.
struct OpenFile {
  dev_t dev;
  ino_t ino;
  DWORD access;
  DWORD share;
  const FileObject* owner;
};
std::mutex& openMutex() {
  static std::mutex& m = *new std::mutex;
  return m;
}
std::vector<OpenFile>& openFiles() {
  static std::vector<OpenFile>& files = *new std::vector<OpenFile>;
  return files;
}

bool sharingAllows(dev_t dev, ino_t ino, DWORD access, DWORD share) {
  for (const OpenFile& f : openFiles()) {
    if (f.dev != dev || f.ino != ino) continue;
    if ((access & GENERIC_READ) && !(f.share & FILE_SHARE_READ)) return false;
    if ((access & GENERIC_WRITE) && !(f.share & FILE_SHARE_WRITE)) return false;
    if ((f.access & GENERIC_READ) && !(share & FILE_SHARE_READ)) return false;
    if ((f.access & GENERIC_WRITE) && !(share & FILE_SHARE_WRITE)) return false;
  }
  return true;
}

// True when this process holds the file open without letting it be deleted.
bool heldAgainstDelete(const std::string& host) {
  struct stat st {};
  if (::stat(host.c_str(), &st) != 0) return false;
  std::lock_guard lock(openMutex());
  for (const OpenFile& f : openFiles())
    if (f.dev == st.st_dev && f.ino == st.st_ino && !(f.share & FILE_SHARE_DELETE)) return true;
  return false;
}

class TrackedFile : public FileObject {
 public:
  using FileObject::FileObject;
  ~TrackedFile() override {
    std::lock_guard lock(openMutex());
    std::erase_if(openFiles(), [this](const OpenFile& f) { return f.owner == this; });
  }
};

DWORD attributesOf(const std::string& host, const struct stat& st) {
  DWORD bits = host::ReadDosAttributes(host).value_or(0);
  if (S_ISDIR(st.st_mode)) return bits | FILE_ATTRIBUTE_DIRECTORY;
  return bits ? bits : FILE_ATTRIBUTE_NORMAL;
}

std::shared_ptr<FileObject> fileOf(HANDLE h) {
  auto f = HandleAs<FileObject>(h);
  if (!f) SetLastError(ERROR_INVALID_HANDLE);
  return f;
}

bool copyContents(int in, int out) {
  std::vector<char> buf(1 << 20);
  for (;;) {
    ssize_t n = ::read(in, buf.data(), buf.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::write(out, buf.data() + done, static_cast<std::size_t>(n - done));
      if (w < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      done += w;
    }
  }
}

}  // namespace

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, void*,
                   DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE) {
  // "\\.\NAME" names a device, whatever the creation disposition says.
  if (lpFileName && std::strncmp(lpFileName, "\\\\.\\", 4) == 0)
    return OpenDeviceName(DeviceOpenRequest{lpFileName + 4, dwDesiredAccess, dwShareMode, dwFlagsAndAttributes});
  ResolvedPath p;
  if (!ResolveForFileApi(lpFileName, p)) return INVALID_HANDLE_VALUE;
  struct stat st {};
  bool existed = ::stat(p.host.c_str(), &st) == 0;
  if (existed && S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  bool writes = dwDesiredAccess & GENERIC_WRITE;
  bool truncates = dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING;
  DWORD existing = existed ? host::ReadDosAttributes(p.host).value_or(0) : 0;
  if (existed && (writes || truncates) && (existing & FILE_ATTRIBUTE_READONLY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  // Windows refuses to overwrite a hidden or system file unless the caller
  // names those attributes too.
  DWORD wanted = dwFlagsAndAttributes & kDosBits;
  if (existed && dwCreationDisposition == CREATE_ALWAYS &&
      (existing & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM) & ~wanted)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  int flags = O_CLOEXEC;
  flags |= (dwDesiredAccess & GENERIC_READ) && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
  switch (dwCreationDisposition) {
    case CREATE_NEW:
      if (existed) {
        SetLastError(ERROR_FILE_EXISTS);
        return INVALID_HANDLE_VALUE;
      }
      flags |= O_CREAT | O_EXCL;
      break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING:
      if (!writes) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
      }
      flags |= O_TRUNC;
      break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
  }
  if (!existed && (dwCreationDisposition == OPEN_EXISTING || dwCreationDisposition == TRUNCATE_EXISTING)) {
    SetLastErrorFromErrno(ENOENT, p.host);
    return INVALID_HANDLE_VALUE;
  }
  if (existed) {
    std::lock_guard lock(openMutex());
    if (!sharingAllows(st.st_dev, st.st_ino, dwDesiredAccess, dwShareMode)) {
      SetLastError(ERROR_SHARING_VIOLATION);
      return INVALID_HANDLE_VALUE;
    }
  }
  if (existed && (flags & O_TRUNC)) AdjustUsedBytes(p.drive, -static_cast<std::int64_t>(ClusterRounded(st.st_size)));
  int fd = ::open(p.host.c_str(), flags, 0666);
  if (fd < 0) {
    SetLastErrorFromErrno(errno, p.host);
    return INVALID_HANDLE_VALUE;
  }
  if (!existed || truncates) {
    DWORD bits = (wanted & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) |
                 FILE_ATTRIBUTE_ARCHIVE;
    if (bits != FILE_ATTRIBUTE_ARCHIVE || existed) host::WriteDosAttributes(p.host, bits);
  }
  struct stat now {};
  ::fstat(fd, &now);
  auto object = std::make_shared<TrackedFile>(fd, dwDesiredAccess, dwShareMode, p.host, p.drive);
  {
    std::lock_guard lock(openMutex());
    openFiles().push_back(OpenFile{now.st_dev, now.st_ino, dwDesiredAccess, dwShareMode, object.get()});
  }
  SetLastError(existed && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS)
                   ? ERROR_ALREADY_EXISTS
                   : ERROR_SUCCESS);
  return RegisterHandle(object);
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD n, LPDWORD lpRead, void* lpOverlapped) {
  if (auto device = HandleAs<DeviceObject>(hFile))
    return ReadDevice(device, lpBuffer, n, lpRead, static_cast<OVERLAPPED*>(lpOverlapped));
  if (lpRead) *lpRead = 0;
  auto f = fileOf(hFile);
  if (!f) return FALSE;
  if (!(f->access & GENERIC_READ)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  DWORD total = 0;
  while (total < n) {
    ssize_t r = ::read(f->fd, static_cast<char*>(lpBuffer) + total, n - total);
    if (r < 0) {
      if (errno == EINTR) continue;
      SetLastError(ERROR_READ_FAULT);
      if (lpRead) *lpRead = total;
      return FALSE;
    }
    if (r == 0) break;
    total += static_cast<DWORD>(r);
  }
  if (lpRead) *lpRead = total;
  return TRUE;
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD n, LPDWORD lpWritten, void* lpOverlapped) {
  if (auto device = HandleAs<DeviceObject>(hFile))
    return WriteDevice(device, lpBuffer, n, lpWritten, static_cast<OVERLAPPED*>(lpOverlapped));
  if (lpWritten) *lpWritten = 0;
  auto f = fileOf(hFile);
  if (!f) return FALSE;
  if (!(f->access & GENERIC_WRITE)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  struct stat st {};
  ::fstat(f->fd, &st);
  off_t pos = ::lseek(f->fd, 0, SEEK_CUR);
  std::uint64_t end = static_cast<std::uint64_t>(pos) + n;
  std::uint64_t oldSize = static_cast<std::uint64_t>(st.st_size);
  std::uint64_t growth = end > oldSize ? ClusterRounded(end) - ClusterRounded(oldSize) : 0;
  if (f->drive.capacity && growth > 0 && growth > SimulatedFreeBytes(f->drive)) {
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  DWORD total = 0;
  while (total < n) {
    ssize_t w = ::write(f->fd, static_cast<const char*>(lpBuffer) + total, n - total);
    if (w < 0) {
      if (errno == EINTR) continue;
      SetLastErrorFromErrno(errno, f->hostPath);
      if (lpWritten) *lpWritten = total;
      return FALSE;
    }
    total += static_cast<DWORD>(w);
  }
  AdjustUsedBytes(f->drive, static_cast<std::int64_t>(growth));
  if (lpWritten) *lpWritten = total;
  return TRUE;
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistance, PLONG lpDistanceHigh, DWORD dwMoveMethod) {
  if (auto device = HandleAs<DeviceObject>(hFile)) return SeekDevice(device, lDistance, lpDistanceHigh, dwMoveMethod);
  auto f = fileOf(hFile);
  if (!f) return INVALID_SET_FILE_POINTER;
  std::int64_t distance = lpDistanceHigh
                              ? static_cast<std::int64_t>((static_cast<std::uint64_t>(static_cast<std::uint32_t>(
                                                               *lpDistanceHigh))
                                                           << 32) |
                                                          static_cast<std::uint32_t>(lDistance))
                              : lDistance;
  int whence = dwMoveMethod == FILE_BEGIN ? SEEK_SET : dwMoveMethod == FILE_CURRENT ? SEEK_CUR : SEEK_END;
  if (dwMoveMethod > FILE_END) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  off_t pos = ::lseek(f->fd, static_cast<off_t>(distance), whence);
  if (pos < 0) {
    SetLastError(ERROR_NEGATIVE_SEEK);
    return INVALID_SET_FILE_POINTER;
  }
  if (lpDistanceHigh) *lpDistanceHigh = static_cast<LONG>(static_cast<std::uint64_t>(pos) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(static_cast<std::uint64_t>(pos) & 0xFFFFFFFFu);
}

BOOL SetEndOfFile(HANDLE hFile) {
  auto f = fileOf(hFile);
  if (!f) return FALSE;
  off_t pos = ::lseek(f->fd, 0, SEEK_CUR);
  if (::ftruncate(f->fd, pos) != 0) {
    SetLastErrorFromErrno(errno, f->hostPath);
    return FALSE;
  }
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE hFile) {
  if (HandleAs<DeviceObject>(hFile)) return TRUE;  // devices write through
  auto f = fileOf(hFile);
  if (!f) return FALSE;
  if (::fsync(f->fd) != 0) {
    SetLastErrorFromErrno(errno, f->hostPath);
    return FALSE;
  }
  return TRUE;
}

DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
  auto f = fileOf(hFile);
  if (!f) return INVALID_FILE_SIZE;
  struct stat st {};
  if (::fstat(f->fd, &st) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
  if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

BOOL CloseHandle(HANDLE hObject) {
  std::shared_ptr<KernelObject> object = LookUpHandle(hObject);
  if (!object || !ReleaseHandle(hObject)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  object->handleClosed();
  return TRUE;
}

BOOL CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) {
  ResolvedPath src, dst;
  if (!ResolveForFileApi(lpExistingFileName, src) || !ResolveForFileApi(lpNewFileName, dst)) return FALSE;
  struct stat sst {}, dstat {};
  if (::stat(src.host.c_str(), &sst) != 0) {
    SetLastErrorFromErrno(errno, src.host);
    return FALSE;
  }
  if (S_ISDIR(sst.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  bool existed = ::stat(dst.host.c_str(), &dstat) == 0;
  if (existed) {
    if (bFailIfExists) {
      SetLastError(ERROR_FILE_EXISTS);
      return FALSE;
    }
    if (S_ISDIR(dstat.st_mode) || (host::ReadDosAttributes(dst.host).value_or(0) & FILE_ATTRIBUTE_READONLY)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    if (sst.st_dev == dstat.st_dev && sst.st_ino == dstat.st_ino) {
      SetLastError(ERROR_SHARING_VIOLATION);
      return FALSE;
    }
  }
  std::uint64_t need = ClusterRounded(static_cast<std::uint64_t>(sst.st_size));
  std::uint64_t old = existed ? ClusterRounded(static_cast<std::uint64_t>(dstat.st_size)) : 0;
  if (dst.drive.capacity && need > old && need - old > SimulatedFreeBytes(dst.drive)) {
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  int in = ::open(src.host.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    SetLastErrorFromErrno(errno, src.host);
    return FALSE;
  }
  int out = ::open(dst.host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out < 0) {
    int e = errno;
    ::close(in);
    SetLastErrorFromErrno(e, dst.host);
    return FALSE;
  }
  bool ok = copyContents(in, out);
  int e = errno;
  ::close(in);
  if (::close(out) != 0 && ok) {
    ok = false;
    e = errno;
  }
  if (!ok) {
    ::unlink(dst.host.c_str());
    SetLastErrorFromErrno(e, dst.host);
    return FALSE;
  }
  AdjustUsedBytes(dst.drive, static_cast<std::int64_t>(need) - static_cast<std::int64_t>(old));
  // The copy takes the source's attributes and is marked for archiving.
  DWORD bits = host::ReadDosAttributes(src.host).value_or(0) | FILE_ATTRIBUTE_ARCHIVE;
  if (bits != FILE_ATTRIBUTE_ARCHIVE || existed) host::WriteDosAttributes(dst.host, bits);
  return TRUE;
}

BOOL DeleteFileA(LPCSTR lpFileName) {
  ResolvedPath p;
  if (!ResolveForFileApi(lpFileName, p)) return FALSE;
  struct stat st {};
  if (::lstat(p.host.c_str(), &st) != 0) {
    SetLastErrorFromErrno(errno, p.host);
    return FALSE;
  }
  if (S_ISDIR(st.st_mode) || (host::ReadDosAttributes(p.host).value_or(0) & FILE_ATTRIBUTE_READONLY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (heldAgainstDelete(p.host)) {
    SetLastError(ERROR_SHARING_VIOLATION);
    return FALSE;
  }
  if (::unlink(p.host.c_str()) != 0) {
    SetLastErrorFromErrno(errno, p.host);
    return FALSE;
  }
  AdjustUsedBytes(p.drive, -static_cast<std::int64_t>(ClusterRounded(static_cast<std::uint64_t>(st.st_size))));
  return TRUE;
}

BOOL MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags) {
  ResolvedPath src, dst;
  if (!ResolveForFileApi(lpExistingFileName, src) || !ResolveForFileApi(lpNewFileName, dst)) return FALSE;
  struct stat sst {}, dstat {};
  if (::lstat(src.host.c_str(), &sst) != 0) {
    SetLastErrorFromErrno(errno, src.host);
    return FALSE;
  }
  bool sameFile = false;
  if (::lstat(dst.host.c_str(), &dstat) == 0) {
    sameFile = sst.st_dev == dstat.st_dev && sst.st_ino == dstat.st_ino;  // a change of letter case
    if (!sameFile) {
      if (!(dwFlags & MOVEFILE_REPLACE_EXISTING)) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
      }
      if (S_ISDIR(dstat.st_mode) || S_ISDIR(sst.st_mode) ||
          (host::ReadDosAttributes(dst.host).value_or(0) & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
      }
    }
  }
  if (::rename(src.host.c_str(), dst.host.c_str()) != 0) {
    SetLastErrorFromErrno(errno, dst.host);
    return FALSE;
  }
  if (!sameFile && dstat.st_ino && src.drive.hostFolder == dst.drive.hostFolder)
    AdjustUsedBytes(dst.drive, -static_cast<std::int64_t>(ClusterRounded(static_cast<std::uint64_t>(dstat.st_size))));
  if (dwFlags & MOVEFILE_WRITE_THROUGH) ::sync();
  return TRUE;
}

BOOL MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName) {
  return MoveFileExA(lpExistingFileName, lpNewFileName, 0);
}

BOOL CreateDirectoryA(LPCSTR lpPathName, void*) {
  ResolvedPath p;
  if (!ResolveForFileApi(lpPathName, p, 248)) return FALSE;
  if (::mkdir(p.host.c_str(), 0777) != 0) {
    SetLastErrorFromErrno(errno, p.host);
    return FALSE;
  }
  return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR lpPathName) {
  ResolvedPath p;
  if (!ResolveForFileApi(lpPathName, p)) return FALSE;
  if (::rmdir(p.host.c_str()) != 0) {
    SetLastErrorFromErrno(errno == EEXIST ? ENOTEMPTY : errno, p.host);
    return FALSE;
  }
  return TRUE;
}

DWORD GetFileAttributesA(LPCSTR lpFileName) {
  ResolvedPath p;
  if (!ResolveForFileApi(lpFileName, p)) return INVALID_FILE_ATTRIBUTES;
  struct stat st {};
  if (::stat(p.host.c_str(), &st) != 0) {
    SetLastErrorFromErrno(errno, p.host);
    return INVALID_FILE_ATTRIBUTES;
  }
  return attributesOf(p.host, st);
}

BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) {
  ResolvedPath p;
  if (!ResolveForFileApi(lpFileName, p)) return FALSE;
  struct stat st {};
  if (::stat(p.host.c_str(), &st) != 0) {
    SetLastErrorFromErrno(errno, p.host);
    return FALSE;
  }
  if (!host::WriteDosAttributes(p.host, dwFileAttributes & kDosBits)) {
    SetLastErrorFromErrno(errno, p.host);
    return FALSE;
  }
  return TRUE;
}

}  // namespace win
