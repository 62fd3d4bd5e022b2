#include "updater/device/kv_progress.h"

namespace pendrel {

CKvProgress::CKvProgress(const char*) {}

CKvProgress::~CKvProgress() = default;

void CKvProgress::SetTask(std::int32_t family, std::int32_t steps, std::int32_t component) {
  if (family == kEraseFamily || family == kWriteFamily || family == kFatFamily)
    BeginTask(family + static_cast<std::uint8_t>(component), steps);
  else
    BeginTask(family, steps);
}

void CKvProgress::ShowWaiting() {}

std::int32_t CKvProgress::BeginDeviceOperation() {
  m_active = 1;
  return 0;
}

void CKvProgress::EndDeviceOperation() { m_active = 0; }

}  // namespace pendrel
