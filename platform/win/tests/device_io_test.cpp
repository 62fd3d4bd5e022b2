// DeviceIoControl, overlapped results, CancelIo, CloseHandle and
// WriteFileEx over a device registered in the device namespace.
#include <gtest/gtest.h>

#include <cstring>
#include <mutex>

#include "platform/testing/temp_machine.h"
#include "platform/win/device_namespace.h"
#include "platform/win/files.h"
#include "platform/win/ioctl.h"
#include "platform/win/last_error.h"
#include "platform/win/sync.h"

namespace {

using namespace win;

constexpr DWORD kEcho = 1;   // answers its input after in[0] x 100 ms of latency
constexpr DWORD kStall = 2;  // runs until cancelled

class FakeDevice : public DeviceObject {
 public:
  using DeviceObject::DeviceObject;
  DeviceAnswer control(DWORD code, const std::vector<BYTE>& in, BYTE* out, DWORD outSize, DeviceRequest& r) override {
    {
      std::lock_guard lock(mutex);
      order.push_back(in.empty() ? 0 : in.back());
    }
    if (code == kStall) {
      r.waitForCancel(INFINITE);
      return {ERROR_OPERATION_ABORTED, 0, 0};
    }
    if (code != kEcho) return {ERROR_INVALID_FUNCTION, 0, 0};
    DWORD n = std::min<DWORD>(static_cast<DWORD>(in.size()), outSize);
    std::memcpy(out, in.data(), n);
    return {ERROR_SUCCESS, n, in.empty() ? 0u : in[0] * 100u};
  }
  DeviceAnswer write(std::uint64_t offset, const BYTE*, DWORD size, DeviceRequest&) override {
    lastOffset = offset;
    return {ERROR_SUCCESS, size, 0};
  }
  void closed() override { closedSeen = true; }

  std::mutex mutex;
  std::vector<BYTE> order;
  std::uint64_t lastOffset = 0;
  bool closedSeen = false;
};

class DeviceIo : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterDeviceName("FakeDev", [this](const DeviceOpenRequest& r, DWORD&) {
      device = std::make_shared<FakeDevice>(r.access, r.flags);
      return device;
    });
  }
  void TearDown() override { UnregisterDeviceName("FakeDev"); }
  HANDLE open(DWORD flags) {
    return CreateFileA("\\\\.\\fakedev", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, flags, nullptr);
  }
  kltest::TempMachine machine{[] {
    sim::MachineSpec s;
    s.settings.timeScale = 0.02;
    return s;
  }()};
  std::shared_ptr<FakeDevice> device;
};

TEST_F(DeviceIo, SynchronousHandleAnswersAtOnce) {
  HANDLE h = open(0);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  BYTE in[3] = {0, 7, 9}, out[8] = {};
  DWORD returned = 99;
  ASSERT_TRUE(DeviceIoControl(h, kEcho, in, 3, out, sizeof out, &returned, nullptr));
  EXPECT_EQ(returned, 3u);
  EXPECT_EQ(out[2], 9);
  EXPECT_FALSE(DeviceIoControl(h, 77, nullptr, 0, nullptr, 0, &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);
  CloseHandle(h);
  EXPECT_TRUE(device->closedSeen);
  EXPECT_EQ(open(0) != INVALID_HANDLE_VALUE, true);
  EXPECT_EQ(CreateFileA("\\\\.\\NoSuchDevice", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  machine.writeFile("C:\\plain.txt", "x");
  HANDLE file = CreateFileA("C:\\plain.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_FALSE(DeviceIoControl(file, kEcho, in, 3, out, sizeof out, &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);
  CloseHandle(file);
  EXPECT_FALSE(DeviceIoControl(reinterpret_cast<HANDLE>(0x7777), kEcho, in, 3, out, 8, &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(DeviceIo, OverlappedRequestsRunInOrderAndCompleteAsTheyFinish) {
  HANDLE h = open(FILE_FLAG_OVERLAPPED);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  OVERLAPPED slow{}, fast{};
  slow.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  fast.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  // The slow answer takes 25 s of machine time, half a second here.
  BYTE slowIn[2] = {250, 1}, fastIn[2] = {0, 2}, slowOut[2] = {}, fastOut[2] = {};
  EXPECT_FALSE(DeviceIoControl(h, kEcho, slowIn, 2, slowOut, 2, nullptr, &slow));
  EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
  EXPECT_FALSE(DeviceIoControl(h, kEcho, fastIn, 2, fastOut, 2, nullptr, &fast));
  EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
  HANDLE events[] = {slow.hEvent, fast.hEvent};
  // The second request, issued later but answered at once, is reported first.
  EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, INFINITE), WAIT_OBJECT_0 + 1);
  DWORD n = 0;
  EXPECT_TRUE(GetOverlappedResult(h, &fast, &n, FALSE));
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(fastOut[1], 2);
  EXPECT_TRUE(GetOverlappedResult(h, &slow, &n, TRUE));
  EXPECT_EQ(slowOut[1], 1);
  // They ran on the device in the order they were issued.
  EXPECT_EQ(device->order, (std::vector<BYTE>{1, 2}));
  CloseHandle(slow.hEvent);
  CloseHandle(fast.hEvent);
  CloseHandle(h);
}

TEST_F(DeviceIo, CancelIoAndCloseEndRunningRequests) {
  HANDLE h = open(FILE_FLAG_OVERLAPPED);
  OVERLAPPED ov{};
  ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  EXPECT_FALSE(DeviceIoControl(h, kStall, nullptr, 0, nullptr, 0, nullptr, &ov));
  DWORD n = 0;
  EXPECT_FALSE(GetOverlappedResult(h, &ov, &n, FALSE));
  EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
  EXPECT_EQ(WaitForSingleObject(ov.hEvent, 1000), WAIT_TIMEOUT);
  EXPECT_TRUE(CancelIo(h));
  EXPECT_FALSE(GetOverlappedResult(h, &ov, &n, TRUE));
  EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
  // A request still running when the handle closes ends before the close returns.
  OVERLAPPED second{};
  second.hEvent = ov.hEvent;
  EXPECT_FALSE(DeviceIoControl(h, kStall, nullptr, 0, nullptr, 0, nullptr, &second));
  auto kept = device;
  CloseHandle(h);
  EXPECT_TRUE(kept->closedSeen);
  EXPECT_EQ(static_cast<DWORD>(second.Internal), ERROR_OPERATION_ABORTED);
  CloseHandle(ov.hEvent);
}

DWORD routineError = 0xFFFFFFFFu, routineBytes = 0;
OVERLAPPED* routineOverlapped = nullptr;
void routine(DWORD error, DWORD bytes, OVERLAPPED* ov) {
  routineError = error;
  routineBytes = bytes;
  routineOverlapped = ov;
}

TEST_F(DeviceIo, WriteFileExCompletesOnlyInAnAlertableWait) {
  HANDLE h = open(FILE_FLAG_OVERLAPPED);
  HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  OVERLAPPED ov{};
  ov.Offset = 4096;
  ov.OffsetHigh = 1;
  BYTE data[100] = {};
  routineError = 0xFFFFFFFFu;
  ASSERT_TRUE(WriteFileEx(h, data, sizeof data, &ov, &routine));
  EXPECT_EQ(WaitForSingleObject(never, 200), WAIT_TIMEOUT);  // not alertable: nothing runs
  EXPECT_EQ(routineError, 0xFFFFFFFFu);
  EXPECT_EQ(WaitForSingleObjectEx(never, INFINITE, TRUE), WAIT_IO_COMPLETION);
  EXPECT_EQ(routineError, ERROR_SUCCESS);
  EXPECT_EQ(routineBytes, 100u);
  EXPECT_EQ(routineOverlapped, &ov);
  EXPECT_EQ(device->lastOffset, (1ull << 32) + 4096);
  // SleepEx is alertable as well; with nothing queued it just sleeps.
  ASSERT_TRUE(WriteFileEx(h, data, 10, &ov, &routine));
  EXPECT_EQ(SleepEx(INFINITE, TRUE), WAIT_IO_COMPLETION);
  EXPECT_EQ(routineBytes, 10u);
  EXPECT_EQ(SleepEx(10, TRUE), 0u);
  CloseHandle(never);
  CloseHandle(h);
  // A handle without FILE_FLAG_OVERLAPPED has no WriteFileEx.
  HANDLE plain = open(0);
  EXPECT_FALSE(WriteFileEx(plain, data, 10, &ov, &routine));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  CloseHandle(plain);
}

}  // namespace
