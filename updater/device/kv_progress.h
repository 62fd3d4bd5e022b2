// The progress sink that the device layer reports its steps to. The two
// progress windows implement it; always called on the user-interface thread.
#pragma once

#include <cstdint>

namespace pendrel {

class CKvProgress {
 public:
  // Task families whose task number is the family plus a component number.
  static constexpr std::int32_t kEraseFamily = 6;
  static constexpr std::int32_t kWriteFamily = 17;
  static constexpr std::int32_t kFatFamily = 33;

  explicit CKvProgress(const char* name);
  virtual ~CKvProgress();

  virtual void SetTotal(std::int32_t steps) = 0;
  virtual void SetTask(std::int32_t family, std::int32_t steps, std::int32_t component);
  virtual void BeginTask(std::int32_t task, std::int32_t steps) = 0;
  virtual void Step(std::int32_t advance) = 0;
  virtual void StepTotal() = 0;
  virtual void ShowWaiting();
  virtual std::int32_t BeginDeviceOperation();
  virtual void EndDeviceOperation();

 protected:
  std::int32_t m_total = 0;
  std::int32_t m_steps = 0;
  std::int32_t m_task = 0;
  std::int32_t m_active = 0;
};

}  // namespace pendrel
