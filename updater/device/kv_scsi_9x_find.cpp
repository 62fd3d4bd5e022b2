// Finding the player on Windows 9x: the ASPI adapter that answers INQUIRY
// as the player, then its drive letter by the BIOS unit of its disk or,
// failing that, from the registry's SCSI enumeration.
#include <string>
#include <vector>

#include "platform/win/files.h"
#include "platform/win/registry.h"
#include "platform/win/volumes.h"
#include "updater/app/kv_config_info.h"
#include "updater/device/kv_result_codes.h"
#include "updater/device/kv_scsi_9x.h"
#include "updater/device/kv_standard_commands.h"
#include "updater/device/kv_text.h"
#include "updater/device/kv_updater.h"

namespace pendrel {
namespace {

constexpr std::uint8_t kFirstHardDiskUnit = 0x80;
// A removable drive served in protected mode only: what the player's disk looks like.
constexpr std::uint8_t kProtectedModeFlags = 0x0F;
constexpr std::uint8_t kNoInt13Unit = 0xFF;
constexpr std::uint32_t kRevisionByte = 32;

bool isRemovable(wchar_t letter) {
  char root[] = {static_cast<char>(letter), ':', '\\', 0};
  return win::GetDriveTypeA(root) == win::DRIVE_REMOVABLE;
}

// The first bytes of a string value; empty when it cannot be read.
std::string queryString(win::HKEY key, const char* name) {
  char data[260] = {};
  win::DWORD size = sizeof data - 1;
  win::DWORD type = 0;
  if (win::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<win::BYTE*>(data), &size) !=
      win::ERROR_SUCCESS)
    return {};
  return std::string(data, std::min<win::DWORD>(size, sizeof data - 1)).c_str();
}

}  // namespace


wchar_t CKvScsi_9x::letterOfBiosUnit(std::uint8_t unit) {
  win::HANDLE vwin32 = openVwin32();
  if (vwin32 == win::INVALID_HANDLE_VALUE) return 0;
  wchar_t found = 0;
  for (wchar_t letter = L'A'; letter <= L'Z' && !found; ++letter) {
    std::uint8_t flags = 0, int13Unit = 0;
    // A drive that answers in neither category is passed over.
    if (driveMapInfo(vwin32, letter, flags, int13Unit) && int13Unit == unit) found = letter;
  }
  win::CloseHandle(vwin32);
  return found;
}

std::int32_t CKvScsi_9x::letterFromRegistry(std::uint8_t revision) {
  std::wstring vendor, product;
  m_owner->m_config->GetScsiVendorId(vendor);
  m_owner->m_config->GetScsiProductId(product);
  std::string name = WideToAnsi(vendor + product) + static_cast<char>(revision);
  for (char& c : name)
    if (c == ' ') c = '_';

  win::HKEY key = nullptr;
  if (win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, ("ENUM\\SCSI\\" + name).c_str(), 0, win::KEY_READ, &key) !=
      win::ERROR_SUCCESS)
    return kKvNoEnumKey;
  std::vector<wchar_t> candidates;
  for (win::DWORD i = 0;; ++i) {
    char sub[260] = {};
    win::DWORD length = 259;
    if (win::RegEnumKeyExA(key, i, sub, &length, nullptr, nullptr, nullptr, nullptr) != win::ERROR_SUCCESS) break;
    win::HKEY instance = nullptr;
    if (win::RegOpenKeyExA(key, sub, 0, win::KEY_READ, &instance) != win::ERROR_SUCCESS) continue;
    if (queryString(instance, "SCSILUN").rfind('0', 0) == 0) {
      std::string letters = queryString(instance, "CurrentDriveLetterAssignment");
      if (!letters.empty() && isRemovable(static_cast<wchar_t>(static_cast<unsigned char>(letters[0]))))
        candidates.push_back(static_cast<wchar_t>(static_cast<unsigned char>(letters[0])));
    }
    win::RegCloseKey(instance);
  }
  win::RegCloseKey(key);

  if (candidates.empty()) return kKvNoRegistryLetter;
  wchar_t chosen = candidates.size() == 1 ? candidates[0] : 0;
  if (!chosen) {
    win::HANDLE vwin32 = openVwin32();
    if (vwin32 == win::INVALID_HANDLE_VALUE) return kKvOpenFailed;
    for (wchar_t letter : candidates) {
      std::uint8_t flags = 0, unit = 0;
      if (driveMapInfo(vwin32, letter, flags, unit) && flags == kProtectedModeFlags && unit == kNoInt13Unit) {
        chosen = letter;
        break;
      }
    }
    win::CloseHandle(vwin32);
  }
  if (!chosen) return kKvNoRegistryLetter;
  m_driveLetter = chosen;
  m_found = 1;
  return kKvOk;
}

std::int32_t CKvScsi_9x::FindDevice() {
  if (!m_getSupportInfo || !m_sendCommand) return kKvAspiNoAdapter;
  win::SRB_HAInquiry adapters{};
  adapters.SRB_Cmd = win::SC_HA_INQUIRY;
  adapters.SRB_HaId = 0;
  win::DWORD status = m_sendCommand(&adapters);
  if (status != win::SS_COMP) return Fail(kKvCheckCondition, status);

  CKvScsiInquiry inquiry;
  if (inquiry.GetLastError() != kKvOk) return inquiry.GetLastError();
  m_driveLetter = 0;
  for (std::uint32_t a = 0; a < adapters.HA_Count; ++a) {
    inquiry.ClearInquiryData();
    m_adapter = static_cast<std::uint8_t>(a);
    if (SendCommand(inquiry) != kKvOk) continue;
    inquiry.Decode();
    if (!IsPlayer(inquiry.InquiryData()) || !MediumUsable()) {
      m_adapter = kNoAdapter;
      continue;
    }
    win::SRB_GetDiskInfo disk{};
    disk.SRB_Cmd = win::SC_GET_DISK_INFO;
    disk.SRB_HaId = m_adapter;
    disk.SRB_Target = 0;
    disk.SRB_Lun = 0;
    if (m_sendCommand(&disk) == win::SS_COMP && disk.SRB_Int13HDriveInfo >= kFirstHardDiskUnit) {
      if (wchar_t letter = letterOfBiosUnit(disk.SRB_Int13HDriveInfo)) {
        m_driveLetter = letter;
        m_found = 1;
        return kKvOk;
      }
    }
    return letterFromRegistry(inquiry.InquiryData()[kRevisionByte]);
  }
  return kKvPlayerNotFound;
}

}  // namespace pendrel
