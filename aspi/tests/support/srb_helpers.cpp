#include "aspi/tests/support/srb_helpers.h"

#include <cstring>

#include "platform/win/files.h"
#include "platform/win/sync.h"

namespace scalinktest {

ExecSrb::ExecSrb(std::vector<win::BYTE> cdb, win::BYTE flags, std::size_t bufferLength, win::BYTE adapter,
                 win::BYTE target, win::BYTE lun)
    : buffer(bufferLength, 0) {
  event = win::CreateEventA(nullptr, win::TRUE, win::FALSE, nullptr);
  srb.SRB_Cmd = win::SC_EXEC_SCSI_CMD;
  srb.SRB_HaId = adapter;
  srb.SRB_Flags = flags;
  srb.SRB_Target = target;
  srb.SRB_Lun = lun;
  srb.SRB_BufLen = static_cast<win::DWORD>(bufferLength);
  srb.SRB_BufPointer = aspi::PointerToken(buffer.data(), buffer.size());
  srb.SRB_SenseLen = win::SENSE_LEN;
  srb.SRB_CDBLen = static_cast<win::BYTE>(cdb.size());
  std::memcpy(srb.CDBByte, cdb.data(), std::min(cdb.size(), sizeof(srb.CDBByte)));
  if (flags & win::SRB_EVENT_NOTIFY) srb.SRB_PostProc = aspi::HandleToken(event);
}

ExecSrb::~ExecSrb() {
  aspi::ReleaseToken(srb.SRB_BufPointer);
  win::CloseHandle(event);
}

bool ExecSrb::waitDone(win::DWORD ms) { return win::WaitForSingleObject(event, ms) == win::WAIT_OBJECT_0; }

std::vector<win::BYTE> InquiryCdb() { return {0x12, 0, 0, 0, 36, 0}; }

}  // namespace scalinktest
