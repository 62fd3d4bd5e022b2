// The objects every device-layer test needs: the configuration, the text
// service in English and the updater facade that ties them together, with
// a progress sink that counts what it is told.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "updater/app/kv_config_info.h"
#include "updater/app/kv_resource.h"
#include "updater/device/kv_progress.h"
#include "updater/device/kv_updater.h"

namespace pendrel::test {

class CountingProgress : public CKvProgress {
 public:
  CountingProgress() : CKvProgress("CKvProgress") {}
  void SetTotal(std::int32_t steps) override { total = steps; }
  void BeginTask(std::int32_t task, std::int32_t steps) override { tasks.push_back({task, steps}); }
  void Step(std::int32_t advance) override {
    if (advance)
      ++steps;
    else
      ++idleSteps;
  }
  void StepTotal() override {}

  struct Task {
    std::int32_t task, steps;
  };
  std::int32_t total = 0;
  std::vector<Task> tasks;
  int steps = 0;      // Step(1) and more
  std::atomic<int> idleSteps{0};  // Step(0): a command was outstanding
};

struct UpdaterKit {
  explicit UpdaterKit(win::LANGID langid = 0x0409) : resource(&config, langid) {
    config.SetResource(&resource);
    resource.SetErrorInfo(updater.m_errorInfo);
    updater.m_resource = &resource;
    updater.m_progress = &progress;
  }
  CKvErrorInfo& errors() { return *updater.m_errorInfo; }

  CKvConfigInfo config;
  CKvUpdater updater{&config};
  CKvLanguageResource resource;
  CountingProgress progress;
};

}  // namespace pendrel::test
