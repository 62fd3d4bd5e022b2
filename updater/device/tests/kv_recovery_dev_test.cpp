// The recovery-mode download over a fake recovery device: block sizes,
// the device number search, write failures and the time-out per block.
#include <gtest/gtest.h>

#include "platform/testing/temp_machine.h"
#include "platform/win/paths.h"
#include "updater/device/kv_recovery_dev.h"
#include "updater/device/kv_result_codes.h"
#include "updater/device/tests/fake_devices.h"
#include "updater/device/tests/updater_kit.h"

namespace pendrel {
namespace {

using test::Bytes;

struct RecoveryState {
  std::vector<Bytes> blocks;
  std::vector<std::uint64_t> offsets;
  win::DWORD error = win::ERROR_SUCCESS;
  win::DWORD latencyMs = 0;
  bool shortWrite = false;
  int closes = 0;
  std::mutex mutex;
};

class FakeRecoveryDevice : public win::DeviceObject {
 public:
  FakeRecoveryDevice(win::DWORD access, win::DWORD flags, std::shared_ptr<RecoveryState> state)
      : DeviceObject(access, flags), state_(std::move(state)) {}
  win::DeviceAnswer write(std::uint64_t offset, const win::BYTE* data, win::DWORD size,
                          win::DeviceRequest&) override {
    std::lock_guard lock(state_->mutex);
    state_->blocks.emplace_back(data, data + size);
    state_->offsets.push_back(offset);
    return {state_->error, state_->shortWrite ? size - 1 : size, state_->latencyMs};
  }
  void closed() override {
    std::lock_guard lock(state_->mutex);
    ++state_->closes;
  }

 private:
  std::shared_ptr<RecoveryState> state_;
};

class RecoveryDevTest : public ::testing::Test {
 protected:
  RecoveryDevTest() : machine(scaled()) {
    machine.writeFile("C:\\fw\\placeholder", "");
    win::SetCurrentDirectoryA("C:\\fw");
  }
  static sim::MachineSpec scaled() {
    sim::MachineSpec spec;
    spec.settings.timeScale = 0.01;
    return spec;
  }
  void registerDevice(const std::string& name, bool busy = false) {
    auto state = this->state;
    devicesUp.push_back(std::make_unique<test::RegisteredDevice>(
        name, [state, busy](const win::DeviceOpenRequest& r, win::DWORD& error) -> std::shared_ptr<win::DeviceObject> {
          if (busy) {
            error = win::ERROR_SHARING_VIOLATION;
            return nullptr;
          }
          return std::make_shared<FakeRecoveryDevice>(r.access, r.flags, state);
        }));
  }
  std::string imageOf(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i % 251);
    machine.writeFile("C:\\fw\\usbmsc.sb", s);
    return s;
  }

  kltest::TempMachine machine;
  test::UpdaterKit kit;
  std::shared_ptr<RecoveryState> state = std::make_shared<RecoveryState>();
  std::vector<std::unique_ptr<test::RegisteredDevice>> devicesUp;
};

TEST_F(RecoveryDevTest, ImageGoesOutInBlocksOfFourKilobytes) {
  registerDevice("KvMp3RecDevice0");
  struct Case {
    std::size_t size;
    std::vector<std::size_t> blocks;
  };
  const Case cases[] = {{4096, {4096}}, {4097, {4096, 1}}, {10000, {4096, 4096, 1808}}, {1, {1}}, {8192, {4096, 4096}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    state->blocks.clear();
    kit.progress.tasks.clear();
    kit.progress.steps = 0;
    std::string image = imageOf(c.size);
    CKvRecoveryDev device(&kit.updater);
    ASSERT_EQ(device.Open(), kKvOk);
    EXPECT_EQ(device.GetDeviceName(), L"\\\\.\\KvMp3RecDevice0");
    int closesBefore = state->closes;
    ASSERT_EQ(device.Download(&kit.progress), kKvOk);
    EXPECT_EQ(state->closes, closesBefore + 1);
    ASSERT_EQ(state->blocks.size(), c.blocks.size());
    std::string sent;
    for (std::size_t i = 0; i < c.blocks.size(); ++i) {
      EXPECT_EQ(state->blocks[i].size(), c.blocks[i]);
      EXPECT_EQ(state->offsets[i], 0u);
      sent.append(state->blocks[i].begin(), state->blocks[i].end());
    }
    EXPECT_EQ(sent, image);
    ASSERT_EQ(kit.progress.tasks.size(), 1u);
    EXPECT_EQ(kit.progress.tasks[0].task, 1);
    EXPECT_EQ(kit.progress.tasks[0].steps, static_cast<std::int32_t>(c.blocks.size()));
    EXPECT_EQ(kit.progress.steps, static_cast<int>(c.blocks.size()));
  }
}

TEST_F(RecoveryDevTest, FirstDeviceNumberThatOpensIsUsed) {
  registerDevice("KvMp3RecDevice0", true);
  registerDevice("KvMp3RecDevice1");
  imageOf(100);
  CKvRecoveryDev device(&kit.updater);
  ASSERT_EQ(device.Open(), kKvOk);
  EXPECT_EQ(device.GetDeviceName(), L"\\\\.\\KvMp3RecDevice1");
}

TEST_F(RecoveryDevTest, OpenFailures) {
  imageOf(100);
  CKvRecoveryDev none(&kit.updater);
  EXPECT_EQ(none.Open(), kKvNoRecoveryDevice);
  EXPECT_EQ(kit.errors().errorCode(), kKvNoRecoveryDevice);
  registerDevice("KvMp3RecDevice7");
  machine.writeFile("C:\\fw\\usbmsc.sb", "Product Version: 1.0.0\nno marker");
  CKvRecoveryDev noMarker(&kit.updater);
  EXPECT_EQ(noMarker.Open(), kKvComponentFileNoMarker);
  EXPECT_EQ(kit.errors().extraCode(), 2);
  win::SetCurrentDirectoryA("C:\\");
  CKvRecoveryDev noFile(&kit.updater);
  EXPECT_EQ(noFile.Open(), kKvComponentFileOpen);
}

TEST_F(RecoveryDevTest, FailedOrShortWriteIsMinus13) {
  registerDevice("KvMp3RecDevice0");
  imageOf(9000);
  state->error = win::ERROR_GEN_FAILURE;
  CKvRecoveryDev failing(&kit.updater);
  ASSERT_EQ(failing.Open(), kKvOk);
  EXPECT_EQ(failing.Download(&kit.progress), kKvRecoveryWrite);
  EXPECT_EQ(state->blocks.size(), 1u);  // stopped at the first block
  state->error = win::ERROR_SUCCESS;
  state->shortWrite = true;
  CKvRecoveryDev shortWrites(&kit.updater);
  ASSERT_EQ(shortWrites.Open(), kKvOk);
  EXPECT_EQ(shortWrites.Download(&kit.progress), kKvRecoveryWrite);
}

TEST_F(RecoveryDevTest, BlockNotTakenWithinASecondIsCancelled) {
  registerDevice("KvMp3RecDevice0");
  imageOf(5000);
  state->latencyMs = 5000;  // machine time, far beyond the 1000 ms a block may take
  CKvRecoveryDev device(&kit.updater);
  ASSERT_EQ(device.Open(), kKvOk);
  EXPECT_EQ(device.Download(&kit.progress), kKvRecoveryTimeout);
  EXPECT_EQ(kit.errors().errorCode(), kKvRecoveryTimeout);
}

TEST_F(RecoveryDevTest, EmptyImageIsNotSent) {
  registerDevice("KvMp3RecDevice0");
  imageOf(0);
  CKvRecoveryDev device(&kit.updater);
  ASSERT_EQ(device.Open(), kKvOk);
  EXPECT_EQ(device.Download(&kit.progress), kKvComponentFileNoMarker);
  EXPECT_TRUE(state->blocks.empty());
}

}  // namespace
}  // namespace pendrel
