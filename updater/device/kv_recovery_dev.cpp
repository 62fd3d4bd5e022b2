#include "updater/device/kv_recovery_dev.h"

#include <cstdio>
#include <cstring>

#include "platform/win/files.h"
#include "platform/win/last_error.h"
#include "platform/win/sync.h"
#include "platform/win/system.h"
#include "updater/app/kv_config_info.h"
#include "updater/device/kv_progress.h"
#include "updater/device/kv_result_codes.h"
#include "updater/device/kv_text.h"
#include "updater/device/kv_updater.h"

namespace pendrel {

CKvRecoveryDev::CKvRecoveryDev(CKvUpdater* owner) : CKvDevice(owner, "CKvRecoveryDev") { m_write.device = this; }

CKvRecoveryDev::~CKvRecoveryDev() { Close(); }

std::int32_t CKvRecoveryDev::fail(std::int32_t code, win::DWORD systemError) {
  SetError(code, systemError);
  if (m_owner && m_owner->m_errorInfo) m_owner->m_errorInfo->Record(*this);
  return code;
}

std::int32_t CKvRecoveryDev::Open() {
  Close();
  char name[32] = {};
  for (int d = 0; d < kDeviceNumbers && m_device == win::INVALID_HANDLE_VALUE; ++d) {
    std::snprintf(name, sizeof name, "\\\\.\\KvMp3RecDevice%d", d);
    m_device = win::CreateFileA(name, win::GENERIC_READ | win::GENERIC_WRITE, win::FILE_SHARE_READ, nullptr,
                                win::OPEN_EXISTING, win::FILE_FLAG_OVERLAPPED, nullptr);
    if (m_device == win::INVALID_HANDLE_VALUE) m_systemError = win::GetLastError();
  }
  if (m_device == win::INVALID_HANDLE_VALUE) return fail(kKvNoRecoveryDevice, m_systemError);
  m_deviceName = AnsiToWide(name);

  std::uint8_t index = 0;
  if (m_owner && m_owner->m_config) m_owner->m_config->GetRecoveryComponentIndex(index);
  m_component = std::make_unique<CKvFwComponent>(m_owner, index);
  if (m_component->GetLastError() != kKvOk) return m_component->GetLastError();

  m_event = win::CreateEventA(nullptr, win::TRUE, win::FALSE, nullptr);
  if (!m_event) return fail(kKvEventCreate, win::GetLastError());
  ClearError();
  return kKvOk;
}

void CKvRecoveryDev::WriteDone(win::DWORD errorCode, win::DWORD transferred, win::OVERLAPPED* overlapped) {
  auto* write = reinterpret_cast<PendingWrite*>(overlapped);
  auto wanted = static_cast<win::DWORD>(reinterpret_cast<std::uintptr_t>(overlapped->hEvent));
  write->device->m_written = errorCode == 0 && transferred == wanted ? transferred : 0;
  win::SetEvent(write->device->m_event);
}

std::int32_t CKvRecoveryDev::writeBlock(const std::uint8_t* data, std::uint32_t length) {
  m_write.overlapped = win::OVERLAPPED{};
  // The event word carries the length for the completion routine.
  m_write.overlapped.hEvent = reinterpret_cast<win::HANDLE>(static_cast<std::uintptr_t>(length));
  m_written = 0;
  win::ResetEvent(m_event);
  if (!win::WriteFileEx(m_device, data, length, &m_write.overlapped, &WriteDone))
    return fail(kKvRecoveryWrite, win::GetLastError());

  win::DWORD start = win::GetTickCount();
  for (;;) {
    win::DWORD spent = win::GetTickCount() - start;
    win::DWORD left = spent < kWriteTimeoutMs ? kWriteTimeoutMs - spent : 0;
    win::DWORD wait = win::WaitForSingleObjectEx(m_event, left, win::TRUE);
    if (wait == win::WAIT_OBJECT_0) break;
    // The completion routine ran in this wait and signalled the event.
    if (wait == win::WAIT_IO_COMPLETION) continue;
    if (wait == win::WAIT_TIMEOUT) {
      win::CancelIo(m_device);
      // The cancelled write still reports to its OVERLAPPED and routine:
      // wait until it has, so that neither is gone when it does.
      win::DWORD drained;
      do {
        drained = win::WaitForSingleObjectEx(m_event, win::INFINITE, win::TRUE);
      } while (drained == win::WAIT_IO_COMPLETION || drained == win::WAIT_TIMEOUT);
      return fail(kKvRecoveryTimeout, win::ERROR_OPERATION_ABORTED);
    }
    return fail(kKvRecoveryWrite, win::GetLastError());
  }
  return m_written == 0 ? fail(kKvRecoveryWrite, win::ERROR_WRITE_FAULT) : kKvOk;
}

std::int32_t CKvRecoveryDev::Download(CKvProgress* progress) {
  if (!m_component || m_device == win::INVALID_HANDLE_VALUE || !m_event) return fail(kKvNoRecoveryDevice, 0);
  std::uint32_t size = m_component->GetImageSize();
  // Nothing to send would leave the player waiting with no firmware at all.
  if (size == 0) return fail(kKvComponentFileNoMarker, 0);
  std::uint32_t blocks = size / kBlockSize + (size % kBlockSize ? 1 : 0);
  std::uint32_t last = size % kBlockSize ? size % kBlockSize : kBlockSize;
  if (progress) progress->BeginTask(1, static_cast<std::int32_t>(blocks));

  CKvByteArray block(kBlockSize, "CKvByteArray");
  if (block.GetLastError() != kKvOk) return fail(kKvOutOfMemory, win::ERROR_NOT_ENOUGH_MEMORY);
  std::int32_t r = kKvOk;
  for (std::uint32_t b = 0; b + 1 < blocks; ++b) {
    m_component->ReadChunk(b * kBlockSize, kBlockSize, block);
    if ((r = writeBlock(block.Data(), kBlockSize)) != kKvOk) return r;
    if (progress) progress->Step(1);
  }
  block.Clear();
  m_component->ReadChunk((blocks - 1) * kBlockSize, kBlockSize, block);
  r = writeBlock(block.Data(), last);
  if (progress) progress->Step(1);
  win::CloseHandle(m_device);
  m_device = win::INVALID_HANDLE_VALUE;
  return r;
}

void CKvRecoveryDev::Close() {
  m_component.reset();
  if (m_event) win::CloseHandle(m_event);
  m_event = nullptr;
  if (m_device != win::INVALID_HANDLE_VALUE) win::CloseHandle(m_device);
  m_device = win::INVALID_HANDLE_VALUE;
}

}  // namespace pendrel
