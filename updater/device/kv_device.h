// The common base of the two forms the player takes: the mass-storage
// device and the recovery-mode device.
#pragma once

#include "updater/device/kv_base.h"

namespace pendrel {

class CKvUpdater;

class CKvDevice : public CKvBase {
 public:
  CKvDevice(CKvUpdater* owner, const char* name) : CKvBase(name), m_owner(owner) {}

 protected:
  CKvUpdater* m_owner;  // not owned
};

}  // namespace pendrel
