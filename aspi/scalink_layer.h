// The layer behind SCALINK.DLL's exports: chooses its mode (Windows NT,
// or Windows 9x with the own driver or the system's ASPI manager) on the
// first GetASPI32SupportInfo and routes every later call to it. The DLL
// has one layer for the process's life; tests make their own.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "aspi/nt_aspi.h"
#include "aspi/win9x_aspi.h"

namespace aspi {

class ScalinkLayer {
 public:
  ScalinkLayer();
  ~ScalinkLayer();
  ScalinkLayer(const ScalinkLayer&) = delete;
  ScalinkLayer& operator=(const ScalinkLayer&) = delete;

  win::DWORD GetASPI32SupportInfo();
  // Before the layer is initialised it answers SS_NO_ASPI and leaves the SRB alone.
  win::DWORD SendASPI32Command(void* srb);
  win::DWORD GetASPI32DLLVersion();

  // The mode objects once initialised (nullptr for the other mode).
  NtAspi* nt() { return initialised_ ? nt_.get() : nullptr; }
  Win9xAspi* win9x() { return initialised_ ? win9x_.get() : nullptr; }

 private:
  void initialise();

  std::mutex initMutex_;
  std::atomic<bool> initialised_{false};
  std::unique_ptr<NtAspi> nt_;
  std::unique_ptr<Win9xAspi> win9x_;
};

// The layer of this process (never destroyed: its threads run until the process ends).
ScalinkLayer& ProcessLayer();

}  // namespace aspi
