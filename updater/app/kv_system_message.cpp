#include "updater/app/kv_system_message.h"

#include "platform/win/ioctl.h"

namespace pendrel {
namespace {

struct Message {
  std::uint32_t code;
  const wchar_t* text;
};

// The system's texts (in English) for the errors the device layer meets.
const Message kMessages[] = {
    {win::ERROR_SUCCESS, L"The operation completed successfully."},
    {win::ERROR_INVALID_FUNCTION, L"Incorrect function."},
    {win::ERROR_FILE_NOT_FOUND, L"The system cannot find the file specified."},
    {win::ERROR_PATH_NOT_FOUND, L"The system cannot find the path specified."},
    {win::ERROR_ACCESS_DENIED, L"Access is denied."},
    {win::ERROR_INVALID_HANDLE, L"The handle is invalid."},
    {win::ERROR_NOT_ENOUGH_MEMORY, L"Not enough storage is available to process this command."},
    {win::ERROR_INVALID_DRIVE, L"The system cannot find the drive specified."},
    {win::ERROR_NOT_READY, L"The device is not ready."},
    {win::ERROR_CRC, L"Data error (cyclic redundancy check)."},
    {win::ERROR_SECTOR_NOT_FOUND, L"The drive cannot find the sector requested."},
    {win::ERROR_WRITE_FAULT, L"The system cannot write to the specified device."},
    {win::ERROR_READ_FAULT, L"The system cannot read from the specified device."},
    {win::ERROR_GEN_FAILURE, L"A device attached to the system is not functioning."},
    {win::ERROR_SHARING_VIOLATION,
     L"The process cannot access the file because it is being used by another process."},
    {win::ERROR_NOT_SUPPORTED, L"The request is not supported."},
    {win::ERROR_INVALID_PARAMETER, L"The parameter is incorrect."},
    {win::ERROR_INSUFFICIENT_BUFFER, L"The data area passed to a system call is too small."},
    {win::ERROR_OPERATION_ABORTED, L"The I/O operation has been aborted because of either a thread exit or an application request."},
    {win::ERROR_IO_DEVICE, L"The request could not be performed because of an I/O device error."},
    {win::ERROR_DEVICE_NOT_CONNECTED, L"The device is not connected."},
};

}  // namespace

std::wstring SystemMessageText(std::uint32_t systemError, win::LANGID) {
  for (const Message& m : kMessages)
    if (m.code == systemError) return m.text;
  return L"Unknown error " + std::to_wstring(systemError) + L".";
}

}  // namespace pendrel
