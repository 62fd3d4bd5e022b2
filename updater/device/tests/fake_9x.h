// The 9x side for the transport tests: a SCALINK.DLL provided in-process
// whose adapters each hold one target, and a vwin32 device whose DOS IOCTL
// answers come from a script.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "aspi/aspi_srb.h"
#include "platform/devices/system_aspi_manager.h"
#include "platform/win/address32.h"
#include "platform/win/modules.h"
#include "platform/win/sync.h"
#include "updater/device/tests/fake_devices.h"

namespace pendrel::test {

struct FakeAspi {
  static FakeAspi& instance() {
    static FakeAspi aspi;
    return aspi;
  }

  win::DWORD supportInfo = 0x0101;
  win::BYTE adapterInquiryStatus = win::SS_COMP;
  std::vector<std::shared_ptr<devices::ScsiTarget>> adapters;  // target 0 of each adapter
  std::vector<win::BYTE> int13Units;                          // per adapter, for SC_GET_DISK_INFO
  bool pending = true;                                        // finish SC_EXEC_SCSI_CMD on another thread
  std::function<void()> beforeCompletion;
  std::vector<win::SRB_ExecSCSICmd> executed;  // the SRBs as they were posted
  std::vector<std::thread> completions;
  std::mutex mutex;

  void reset() {
    for (std::thread& t : completions) t.join();
    completions.clear();
    supportInfo = 0x0101;
    adapterInquiryStatus = win::SS_COMP;
    adapters.clear();
    int13Units.clear();
    pending = true;
    beforeCompletion = nullptr;
    executed.clear();
  }

  static win::DWORD GetSupportInfo() { return instance().supportInfo; }

  static win::DWORD Send(void* block) {
    FakeAspi& a = instance();
    auto* header = static_cast<win::SRB_Header*>(block);
    switch (header->SRB_Cmd) {
      case win::SC_HA_INQUIRY: {
        auto* srb = static_cast<win::SRB_HAInquiry*>(block);
        srb->HA_Count = static_cast<win::BYTE>(a.adapters.size());
        return srb->SRB_Status = a.adapterInquiryStatus;
      }
      case win::SC_GET_DISK_INFO: {
        auto* srb = static_cast<win::SRB_GetDiskInfo*>(block);
        if (srb->SRB_HaId >= a.int13Units.size()) return srb->SRB_Status = win::SS_INVALID_HA;
        srb->SRB_Int13HDriveInfo = a.int13Units[srb->SRB_HaId];
        return srb->SRB_Status = win::SS_COMP;
      }
      case win::SC_EXEC_SCSI_CMD: return a.execute(static_cast<win::SRB_ExecSCSICmd*>(block));
      default: return header->SRB_Status = win::SS_INVALID_CMD;
    }
  }

  win::DWORD execute(win::SRB_ExecSCSICmd* srb) {
    {
      std::lock_guard lock(mutex);
      executed.push_back(*srb);
    }
    if (srb->SRB_HaId >= adapters.size()) return finish(srb, win::SS_INVALID_HA);
    auto* buffer = static_cast<win::BYTE*>(aspi::TokenPointer(srb->SRB_BufPointer, srb->SRB_BufLen));
    if (srb->SRB_BufLen && !buffer) return finish(srb, win::SS_INVALID_SRB);
    auto run = [this, srb, buffer] {
      if (beforeCompletion) beforeCompletion();
      devices::ScsiCommand c;
      c.cdb.assign(srb->CDBByte, srb->CDBByte + srb->SRB_CDBLen);
      c.direction = srb->SRB_Flags & win::SRB_DIR_OUT ? devices::DataDirection::Out : devices::DataDirection::In;
      c.data.assign(buffer, buffer + srb->SRB_BufLen);
      devices::ScsiOutcome o = adapters[srb->SRB_HaId]->execute(c);
      if (c.direction == devices::DataDirection::In && o.transferred)
        std::memcpy(buffer, c.data.data(), std::min(o.transferred, c.data.size()));
      srb->SRB_TargStat = o.status;
      std::size_t sense = std::min<std::size_t>({o.sense.size(), srb->SRB_SenseLen, sizeof srb->SenseArea});
      if (sense) std::memcpy(srb->SenseArea, o.sense.data(), sense);
      finish(srb, o.deviceGone || o.status != devices::kScsiGood ? win::SS_ERR : win::SS_COMP);
    };
    if (!pending) {
      run();
      return srb->SRB_Status;
    }
    srb->SRB_Status = win::SS_PENDING;
    completions.emplace_back(run);
    return win::SS_PENDING;
  }

  static win::DWORD finish(win::SRB_ExecSCSICmd* srb, win::BYTE status) {
    srb->SRB_Status = status;
    if (srb->SRB_Flags & win::SRB_EVENT_NOTIFY) win::SetEvent(aspi::TokenHandle(srb->SRB_PostProc));
    return status;
  }

  // Puts SCALINK.DLL with the chosen entry points in the 9x machine's system folder.
  static void provide(bool support = true, bool send = true) {
    win::ProvidedModule module;
    if (support) module.exports["GetASPI32SupportInfo"] = reinterpret_cast<win::FARPROC>(&GetSupportInfo);
    if (send) module.exports["SendASPI32Command"] = reinterpret_cast<win::FARPROC>(&Send);
    win::ProvideModule(devices::SystemAspiModulePath(), std::move(module));
  }
};

// What vwin32 was asked: one entry per DOS IOCTL.
struct DosCall {
  win::DWORD drive, category, minor, edx;
};

struct Vwin32State {
  // Answers a call: true for success; may fill the block at EDX.
  std::function<bool(const DosCall&, win::BYTE* block, std::size_t size)> answer;
  std::vector<DosCall> calls;
  std::mutex mutex;
  int opens = 0;
};

class FakeVwin32 : public win::DeviceObject {
 public:
  FakeVwin32(win::DWORD access, win::DWORD flags, std::shared_ptr<Vwin32State> state)
      : DeviceObject(access, flags), state_(std::move(state)) {}
  win::DeviceAnswer control(win::DWORD code, const std::vector<win::BYTE>& in, win::BYTE* out, win::DWORD outSize,
                            win::DeviceRequest&) override {
    if (code != win::VWIN32_DIOC_DOS_IOCTL || in.size() != sizeof(win::DIOC_REGISTERS) ||
        outSize != sizeof(win::DIOC_REGISTERS))
      return {win::ERROR_INVALID_PARAMETER, 0, 0};
    win::DIOC_REGISTERS r;
    std::memcpy(&r, in.data(), sizeof r);
    DosCall call{r.reg_EBX, (r.reg_ECX >> 8) & 0xFF, r.reg_ECX & 0xFF, r.reg_EDX};
    {
      std::lock_guard lock(state_->mutex);
      state_->calls.push_back(call);
    }
    bool ok = r.reg_EAX == 0x440D;
    if (ok) {
      win::Resolved32 block = win::ResolveAddress32(r.reg_EDX);
      ok = state_->answer && state_->answer(call, static_cast<win::BYTE*>(block.buffer), block.size);
    }
    r.reg_Flags = ok ? 0 : win::CARRY_FLAG;
    std::memcpy(out, &r, sizeof r);
    return {win::ERROR_SUCCESS, sizeof r, 0};
  }

 private:
  std::shared_ptr<Vwin32State> state_;
};

inline std::unique_ptr<RegisteredDevice> RegisterVwin32(std::shared_ptr<Vwin32State> state) {
  return std::make_unique<RegisteredDevice>(
      "vwin32", [state](const win::DeviceOpenRequest& request, win::DWORD&) -> std::shared_ptr<win::DeviceObject> {
        ++state->opens;
        return std::make_shared<FakeVwin32>(request.access, request.flags, state);
      });
}

}  // namespace pendrel::test
