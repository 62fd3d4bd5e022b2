// The shared base objects: the Windows kind behind the transport choice,
// the progress sink's task numbers and the error record.
#include <gtest/gtest.h>

#include <vector>

#include "platform/testing/temp_machine.h"
#include "updater/device/kv_error_info.h"
#include "updater/device/kv_progress.h"
#include "updater/device/os_kind.h"

namespace pendrel {
namespace {

TEST(OsKindTest, MajorAndMinorVersionChooseTheKind) {
  struct Case {
    std::uint32_t major, minor;
    OsKind kind;
  };
  const Case cases[] = {{4, 0, kOsWin9x},  {4, 10, kOsWin9x},   {4, 11, kOsUnsupported}, {4, 89, kOsUnsupported},
                        {4, 90, kOsWinMe}, {4, 200, kOsWinMe},  {5, 0, kOsWin2000},      {5, 1, kOsWinXp},
                        {5, 2, kOsWinXp},  {6, 0, kOsUnsupported}, {6, 1, kOsUnsupported}, {3, 51, kOsUnsupported},
                        {0, 0, kOsUnsupported}};
  for (const Case& c : cases) EXPECT_EQ(OsKindOfVersion(c.major, c.minor), c.kind) << c.major << "." << c.minor;
}

TEST(OsKindTest, WindowsNt4IsTakenForWindows95) {
  sim::MachineSpec spec;
  spec.settings = *sim::SettingsForOs("nt4");
  kltest::TempMachine machine(spec);
  EXPECT_EQ(GetOsKind(), kOsWin9x);
}

TEST(OsKindTest, TheMachinesVersionIsAsked) {
  for (const char* os : {"95", "98", "me", "2000", "xp"}) {
    sim::MachineSpec spec;
    spec.settings = *sim::SettingsForOs(os);
    kltest::TempMachine machine(spec);
    OsKind expected = std::string(os) == "me" ? kOsWinMe
                      : std::string(os) == "2000" ? kOsWin2000
                      : std::string(os) == "xp"   ? kOsWinXp
                                                  : kOsWin9x;
    EXPECT_EQ(GetOsKind(), expected) << os;
  }
}

class TaskRecorder : public CKvProgress {
 public:
  TaskRecorder() : CKvProgress("CKvProgress") {}
  void SetTotal(std::int32_t) override {}
  void BeginTask(std::int32_t task, std::int32_t steps) override { begun.push_back({task, steps}); }
  void Step(std::int32_t) override {}
  void StepTotal() override {}
  std::vector<std::pair<std::int32_t, std::int32_t>> begun;
  bool active() const { return m_active != 0; }
};

TEST(KvProgressTest, FamiliesAddTheComponentAsAnUnsignedByte) {
  TaskRecorder sink;
  sink.SetTask(17, 5, 2);
  sink.SetTask(6, 1, 4);
  sink.SetTask(33, 2, 0x103);  // the component is taken as a byte: 3
  sink.SetTask(2, 1, 9);       // no family: the component is ignored
  const std::vector<std::pair<std::int32_t, std::int32_t>> expected = {{19, 5}, {10, 1}, {36, 2}, {2, 1}};
  EXPECT_EQ(sink.begun, expected);
  EXPECT_EQ(sink.BeginDeviceOperation(), 0);
  EXPECT_TRUE(sink.active());
  sink.EndDeviceOperation();
  EXPECT_FALSE(sink.active());
}

class Failing : public CKvBase {
 public:
  Failing() : CKvBase("CKvScsi_Nt") { SetError(-25, 1117); }
};

TEST(KvErrorInfoTest, RecordFormsFillTheirFields) {
  CKvErrorInfo info;
  Failing object;
  info.Record(object);
  EXPECT_EQ(info.objectName(), "CKvScsi_Nt");
  EXPECT_EQ(info.errorCode(), -25);
  EXPECT_EQ(info.systemError(), 1117u);
  EXPECT_EQ(info.extraCode(), CKvErrorInfo::kNoExtra);
  EXPECT_EQ(info.message(), L"");
  info.Record(object, 3);
  EXPECT_EQ(info.extraCode(), 3);
  info.Record(object, 255);
  EXPECT_EQ(info.extraCode(), CKvErrorInfo::kNoExtra);
  info.Record(L"sense", object);
  EXPECT_EQ(info.message(), L"sense");
  info.Set(-59, 5);
  EXPECT_EQ(info.errorCode(), -59);
  EXPECT_EQ(info.systemError(), 5u);
  EXPECT_EQ(info.objectName(), "CKvScsi_Nt");
}

}  // namespace
}  // namespace pendrel
