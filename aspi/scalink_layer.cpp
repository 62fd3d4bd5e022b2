#include "aspi/scalink_layer.h"

#include <cstdio>
#include <cstdlib>

#include "aspi/aspi_srb.h"
#include "platform/win/interaction.h"
#include "platform/win/last_error.h"
#include "platform/win/system.h"

namespace aspi {
namespace {

[[noreturn]] void threadFailed() {
  char text[32];
  std::snprintf(text, sizeof(text), "error code %d", static_cast<int>(win::GetLastError()));
  win::MessageBoxA(nullptr, text, "Could not create ASPI I/O handler thread", win::MB_OK);
  std::exit(1);
}

}  // namespace

ScalinkLayer::ScalinkLayer() = default;
ScalinkLayer::~ScalinkLayer() = default;

void ScalinkLayer::initialise() {
  std::lock_guard lock(initMutex_);
  if (initialised_) return;
  win::OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof(version);
  win::GetVersionExA(&version);
  if (version.dwPlatformId == win::VER_PLATFORM_WIN32_NT) {
    nt_ = std::make_unique<NtAspi>();
    if (!nt_->start()) threadFailed();
  } else {
    win9x_ = std::make_unique<Win9xAspi>();
    if (!win9x_->start()) threadFailed();
  }
  initialised_ = true;
}

win::DWORD ScalinkLayer::GetASPI32SupportInfo() {
  initialise();
  return nt_ ? nt_->supportInfo() : win9x_->supportInfo();
}

win::DWORD ScalinkLayer::SendASPI32Command(void* srb) {
  if (!initialised_) return win::SS_NO_ASPI;
  return nt_ ? nt_->send(srb) : win9x_->send(srb);
}

win::DWORD ScalinkLayer::GetASPI32DLLVersion() {
  if (initialised_ && win9x_) return win9x_->dllVersion();
  return kScalinkDllVersion;
}

ScalinkLayer& ProcessLayer() {
  static ScalinkLayer* layer = new ScalinkLayer;
  return *layer;
}

}  // namespace aspi
