// Building SRBs and waiting for them in the layer's tests.
#pragma once

#include <cstdint>
#include <vector>

#include "aspi/aspi_srb.h"

namespace scalinktest {

// An SC_EXEC_SCSI_CMD SRB with its own buffer and event; the tokens are
// released when it goes.
class ExecSrb {
 public:
  ExecSrb(std::vector<win::BYTE> cdb, win::BYTE flags, std::size_t bufferLength, win::BYTE adapter = 1,
          win::BYTE target = 0, win::BYTE lun = 0);
  ~ExecSrb();
  ExecSrb(const ExecSrb&) = delete;
  ExecSrb& operator=(const ExecSrb&) = delete;

  // Waits (machine time) for the event; true when it was set.
  bool waitDone(win::DWORD ms = 20000);

  win::SRB_ExecSCSICmd srb{};
  std::vector<win::BYTE> buffer;
  win::HANDLE event = nullptr;
};

// INQUIRY, 36 bytes.
std::vector<win::BYTE> InquiryCdb();

}  // namespace scalinktest
