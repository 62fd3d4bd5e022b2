// An open file: the host descriptor behind a file HANDLE.
#pragma once

#include <string>

#include "platform/win/kernel_object.h"
#include "platform/win/machine.h"

namespace win {

class FileObject : public KernelObject {
 public:
  FileObject(int fd, DWORD access, DWORD share, std::string hostPath, DriveMapping drive)
      : fd(fd), access(access), share(share), hostPath(std::move(hostPath)), drive(std::move(drive)) {}
  ~FileObject() override;

  int fd;
  DWORD access;
  DWORD share;
  std::string hostPath;
  DriveMapping drive;
};

}  // namespace win
