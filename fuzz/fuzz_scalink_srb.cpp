// Hands SRBs made of arbitrary bytes to SendASPI32Command on a simulated
// machine with a virtual player: Windows XP (pass-through) by default, or
// Windows 98 when KL570_FUZZ_OS is "98" (the own driver, or the system's
// ASPI manager). A process keeps its one machine: threads of the layer
// use it all the time. Lengths, adapter, target and LUN, command codes
// and flags are the input's; the data buffer is exactly as large as the
// input says, so any access past it is seen.
//
// Input: byte 0 says what the pointer fields hold (bit 1: the buffer's
// token, else the input's own value; bit 2: a real event or routine, else
// the input's value) and, on 98, which layer (bit 3: the one in system
// mode); bytes 1-2 the buffer size (little-endian); then up to 80 SRB bytes.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "aspi/aspi_srb.h"
#include "aspi/scalink_layer.h"
#include "platform/devices/player_setup.h"
#include "platform/sim/machine_builder.h"
#include "platform/testing/temp_machine.h"
#include "platform/win/files.h"
#include "platform/win/registry.h"
#include "platform/win/sync.h"
#include "platform/win/system.h"

namespace {

// The machine and its layers: one on XP; on 98 one with the own driver
// and one in system mode (the setting is read when a layer starts).
struct Machine {
  std::unique_ptr<kltest::TempMachine> machine;
  std::unique_ptr<aspi::ScalinkLayer> layers[2];
};

void setUseSystemAspi(win::DWORD on) {
  win::HKEY key = nullptr;
  win::RegCreateKeyExA(win::HKEY_CURRENT_USER, "Software\\Lumea\\Pyxa - Quorvel\\PyxaAspi", 0, nullptr, 0,
                       win::KEY_ALL_ACCESS, nullptr, &key, nullptr);
  win::RegSetValueExA(key, "UseSystemASPI", 0, win::REG_DWORD, reinterpret_cast<const win::BYTE*>(&on), 4);
  win::RegCloseKey(key);
}

Machine makeMachine() {
  const char* os = std::getenv("KL570_FUZZ_OS");
  bool win98 = os && std::string(os) == "98";
  sim::MachineSpec spec;
  spec.settings = *sim::SettingsForOs(win98 ? "98" : "xp");
  spec.settings.timeScale = 0.02;
  Machine m;
  m.machine = std::make_unique<kltest::TempMachine>(spec);
  devices::PlayerOptions options;
  options.size = devices::kMinPlayerBytes;
  if (!devices::AddVirtualPlayer(options)) std::abort();
  for (int i = 0; i < (win98 ? 2 : 1); ++i) {
    if (win98) setUseSystemAspi(i);
    m.layers[i] = std::make_unique<aspi::ScalinkLayer>();
    m.layers[i]->GetASPI32SupportInfo();
  }
  return m;
}

aspi::ScalinkLayer& layerFor(std::uint8_t selector) {
  static Machine machine = makeMachine();
  return *machine.layers[machine.layers[1] && (selector & 8) ? 1 : 0];
}

win::HANDLE doneEvent() {
  static win::HANDLE event = win::CreateEventA(nullptr, win::TRUE, win::FALSE, nullptr);
  return event;
}

void posted(void*) { win::SetEvent(doneEvent()); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  aspi::ScalinkLayer& layer = layerFor(data[0]);

  std::size_t bufferSize = data[1] | (data[2] << 8);
  auto buffer = std::make_unique<std::uint8_t[]>(bufferSize ? bufferSize : 1);
  std::memset(buffer.get(), 0xA5, bufferSize);
  alignas(8) std::uint8_t srbBytes[80] = {};
  std::memcpy(srbBytes, data + 3, std::min<std::size_t>(size - 3, sizeof(srbBytes)));
  auto& srb = *reinterpret_cast<win::SRB_ExecSCSICmd*>(srbBytes);
  bool posts = srb.SRB_Cmd == win::SC_EXEC_SCSI_CMD || srb.SRB_Cmd == win::SC_RESET_DEV;
  std::uint32_t bufferToken = aspi::PointerToken(buffer.get(), bufferSize);
  if (srb.SRB_Cmd == win::SC_EXEC_SCSI_CMD && (data[0] & 2)) srb.SRB_BufPointer = bufferToken;
  if (posts && (data[0] & 4)) {
    srb.SRB_PostProc = (srb.SRB_Flags & win::SRB_EVENT_NOTIFY) ? aspi::HandleToken(doneEvent())
                                                                : aspi::PostRoutineToken(&posted);
  }
  win::ResetEvent(doneEvent());
  win::DWORD status = layer.SendASPI32Command(srbBytes);
  if (posts && status == win::SS_PENDING) {
    // The SRB and its buffer must outlive the request: wait for its end.
    win::DWORD start = win::GetTickCount();
    while (std::atomic_ref<std::uint8_t>(srb.SRB_Status).load() == win::SS_PENDING) {
      if (win::GetTickCount() - start > 600000) std::abort();  // ten minutes of machine time: hung
      win::Sleep(5);
    }
    // Notification comes after the status; give it its moment before the tokens go.
    if (data[0] & 4) win::WaitForSingleObject(doneEvent(), 2000);
  }
  aspi::ReleaseToken(bufferToken);
  return 0;
}
