// kl570 fw probe [--json] [--firmware DIR]: finds the player the way the
// updater does (the transport for the kind of Windows, then its search)
// and reads its chip revision, media table and versions with the
// updater's commands; the upgrade versions come from the component files
// (in DIR, else in the current folder as the updater has them).
#include <algorithm>
#include <cstdio>
#include <optional>

#include "platform/devices/system_aspi_devices.h"
#include "platform/devices/system_aspi_srb.h"
#include "platform/win/machine.h"
#include "platform/win/modules.h"
#include "platform/win/paths.h"
#include "platform/win/system.h"
#include "tools/kl570/commands.h"
#include "tools/kl570/json_writer.h"
#include "updater/app/kv_config_info.h"
#include "updater/app/kv_resource.h"
#include "updater/device/kv_drive_commands.h"
#include "updater/device/kv_fw_component.h"
#include "updater/device/kv_media_commands.h"
#include "updater/device/kv_result_codes.h"
#include "updater/device/kv_scsi_create.h"
#include "updater/device/kv_text.h"
#include "updater/device/kv_updater.h"

namespace kl570 {
namespace {

using namespace pendrel;

struct ProbedComponent {
  std::wstring name;
  std::wstring file;
  std::int32_t fileCode = 0;
  CKvVersionInfo current, upgrade;
};

struct Probe {
  std::int32_t code = 0;
  bool found = false;
  wchar_t letter = 0;
  std::optional<std::uint16_t> chipRevision;
  std::optional<KvMediaTable> table;
  CKvVersionInfo current, upgrade;
  std::vector<ProbedComponent> components;
  std::optional<std::string> aspiManager;  // on a 9x machine: who answers the ASPI calls
};

// The manager name of the ASPI layer the updater loads, from a host
// adapter inquiry of adapter 0 (which tells our layer from the system's).
std::optional<std::string> aspiManagerOf9x() {
  win::HMODULE module = win::LoadLibraryA("SCALINK.DLL");
  if (!module) return std::nullopt;
  auto send = reinterpret_cast<win::SendASPI32CommandProc>(win::GetProcAddress(module, "SendASPI32Command"));
  std::optional<std::string> manager;
  win::SRB_HAInquiry srb{};
  srb.SRB_Cmd = win::SC_HA_INQUIRY;
  if (send && send(&srb) == win::SS_COMP) {
    std::string id(reinterpret_cast<const char*>(srb.HA_ManagerId), sizeof srb.HA_ManagerId);
    id.erase(std::min(id.find('\0'), id.find_last_not_of(' ') + 1));
    manager = id;
  }
  win::FreeLibrary(module);
  return manager;
}

// The first system entry with the tag, as the device layer matches drives.
const KvMediaEntry* systemEntry(const KvMediaTable& table, std::uint8_t tag) {
  for (std::uint16_t i = 0; i < table.count && i < KvMediaTable::kCapacity; ++i)
    if (table.entries[i].type == kSystemDriveType && table.entries[i].tag == tag) return &table.entries[i];
  return nullptr;
}

std::int32_t readVersion(CKvScsi& transport, std::uint8_t drive, std::uint8_t type, CKvVersionInfo& out) {
  CKvGetLogicalDriveInfo info(drive, type);
  if (info.GetLastError() != kKvOk) return info.GetLastError();
  std::int32_t r = transport.SendCommand(info);
  if (r != kKvOk) return r;
  return type == kDriveInfoProductVersion ? info.DecodeProductVersion(out) : info.DecodeComponentVersion(out);
}

Probe probePlayer(CKvUpdater& updater) {
  Probe p;
  CKvConfigInfo& config = *updater.m_config;
  std::unique_ptr<CKvScsi> transport;
  p.code = CreateTransport(&updater, GetOsKind(), transport);
  if (p.code == kKvOk) p.code = transport->FindDevice();
  p.found = p.code == kKvOk;
  if (p.found) {
    p.letter = transport->GetDriveLetter();
    CKvGetChipMajorRevId chip;
    std::uint16_t revision = 0;
    p.code = transport->SendCommand(chip);
    if (p.code == kKvOk) p.code = chip.Decode(revision);
    if (p.code == kKvOk) {
      p.chipRevision = revision;
      CKvGetLogicalTable get(KvMediaTable::kCapacity);
      KvMediaTable table{};
      if (transport->SendCommand(get) == kKvOk) {
        get.Decode(table);
        p.table = table;
      } else {
        p.code = kKvMediaTableUnreadable;
      }
    }
  }

  std::uint8_t count = 0, playerIndex = 0;
  config.GetComponentCount(count);
  config.GetPlayerComponentIndex(playerIndex);
  for (std::uint8_t k = 1; k <= count; ++k) {
    ProbedComponent c;
    config.GetComponentDisplayName(k, c.name);
    config.GetComponentFileName(k, c.file);
    std::uint8_t tag = 0;
    config.GetComponentDriveTag(k, tag);
    if (p.table && p.code == kKvOk)
      if (const KvMediaEntry* entry = systemEntry(*p.table, tag)) {
        std::int32_t r = readVersion(*transport, entry->driveNumber, kDriveInfoComponentVersion, c.current);
        if (r == kKvOk && k == playerIndex)
          r = readVersion(*transport, entry->driveNumber, kDriveInfoProductVersion, p.current);
        if (r != kKvOk) p.code = r;
      }
    CKvFwComponent file(&updater, k);
    c.fileCode = file.GetLastError();
    file.GetComponentVersion(c.upgrade);
    if (k == playerIndex) file.GetProductVersion(p.upgrade);
    p.components.push_back(c);
  }
  if (transport) transport->Close();
  if (GetOsKind() == kOsWin9x) p.aspiManager = aspiManagerOf9x();
  return p;
}

std::string hex(unsigned value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", width, value);
  return text;
}

void printJson(const Probe& p) {
  JsonWriter j;
  j.beginObject().key("found").value(p.found).key("code").value(p.code).key("driveLetter");
  if (p.letter)
    j.value(std::string(1, static_cast<char>(p.letter)));
  else
    j.null();
  j.key("chipRevision");
  if (p.chipRevision)
    j.value(static_cast<int>(*p.chipRevision));
  else
    j.null();
  j.key("mediaTable").beginArray();
  if (p.table)
    for (std::uint16_t i = 0; i < p.table->count; ++i) {
      KvMediaEntry e = p.table->entries[i];
      std::uint64_t size = e.size;
      j.beginObject()
          .key("number").value(static_cast<int>(e.driveNumber))
          .key("type").value(static_cast<int>(e.type))
          .key("tag").value(static_cast<int>(e.tag))
          .key("size").value(size)
          .endObject();
    }
  j.endArray();
  j.key("currentVersion").value(WideToUtf8(p.current.ToString()));
  j.key("upgradeVersion").value(WideToUtf8(p.upgrade.ToString()));
  j.key("components").beginArray();
  for (const ProbedComponent& c : p.components)
    j.beginObject()
        .key("name").value(WideToUtf8(c.name))
        .key("file").value(WideToUtf8(c.file))
        .key("fileCode").value(c.fileCode)
        .key("current").value(WideToUtf8(c.current.ToString()))
        .key("upgrade").value(WideToUtf8(c.upgrade.ToString()))
        .endObject();
  j.endArray();
  if (p.aspiManager) j.key("aspiManager").value(*p.aspiManager);
  j.endObject();
  std::printf("%s\n", j.text().c_str());
}

void printText(const Probe& p) {
  if (p.found)
    std::printf("player       %c: (code %d)\n", static_cast<char>(p.letter), p.code);
  else
    std::printf("player       not found (code %d)\n", p.code);
  if (p.chipRevision) std::printf("chip         revision %s\n", hex(*p.chipRevision, 4).c_str());
  if (p.table) {
    std::printf("media table  %u entries\n", p.table->count);
    for (std::uint16_t i = 0; i < p.table->count; ++i) {
      KvMediaEntry e = p.table->entries[i];
      std::uint64_t size = e.size;
      std::printf("  drive %-3u %-6s tag %s  %llu bytes\n", e.driveNumber, e.type == kDataDriveType ? "data" : "system",
                  hex(e.tag, 2).c_str(), static_cast<unsigned long long>(size));
    }
  }
  if (p.aspiManager) std::printf("ASPI         %s\n", p.aspiManager->c_str());
  std::printf("version      current %s  upgrade %s\n", WideToUtf8(p.current.ToString()).c_str(),
              WideToUtf8(p.upgrade.ToString()).c_str());
  for (const ProbedComponent& c : p.components)
    std::printf("  %-18s current %s  upgrade %s%s\n", WideToUtf8(c.name).c_str(),
                WideToUtf8(c.current.ToString()).c_str(), WideToUtf8(c.upgrade.ToString()).c_str(),
                c.fileCode ? ("  (" + WideToUtf8(c.file) + ": code " + std::to_string(c.fileCode) + ")").c_str()
                           : "");
}

// The machine as the updater would find it: started from its own folder
// when the kit is installed, and on a 9x machine with the system's ASPI.
void prepareMachine() {
  for (const win::ProgramEntry& program : win::CurrentMachine().programs())
    if (program.name == "Pendrel") win::SetProgramIdentity("Pendrel");
  const win::MachineSettings& s = win::CurrentMachine().settings();
  if (win::CurrentMachine().simulated() && s.platformId == win::VER_PLATFORM_WIN32_WINDOWS)
    devices::SetUpAspiDevices();
}

}  // namespace

int RunFwProbe(const CommandLine& call) {
  SelectMachineOf(call);
  if (call.words().size() != 2) return Usage("fw probe takes no further words");
  if (auto folder = call.value("firmware")) {
    std::string windows = WindowsPathArgument(*folder);
    if (windows.empty() || !win::SetCurrentDirectoryA(windows.c_str()))
      return Fail("no such firmware folder: " + *folder);
  }
  prepareMachine();
  CKvConfigInfo config;
  CKvUpdater updater(&config);
  CKvLanguageResource resource(&config, win::GetUserDefaultLangID());
  config.SetResource(&resource);
  resource.SetErrorInfo(updater.m_errorInfo);
  updater.m_resource = &resource;

  Probe p = probePlayer(updater);
  if (call.flag("json"))
    printJson(p);
  else
    printText(p);
  return p.found ? 0 : 1;
}

}  // namespace kl570
