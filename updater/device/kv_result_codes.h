// The updater's result codes. Every operation that can fail answers one of
// these (0 is success); the application turns them into texts through the
// error map of the text service.
#pragma once

#include <cstdint>

namespace pendrel {

enum KvResult : std::int32_t {
  kKvOk = 0,
  kKvOutOfMemory = -1,
  kKvIndexOutOfRange = -2,
  kKvValueDoesNotFit = -3,
  kKvComponentNotPresent = -4,
  kKvEmptyProductName = -5,
  kKvUnknownMediaInfoType = -8,
  kKvBadIndex = -9,  // configuration index above 4, drive-info type above 11
  kKvPayloadTooLarge = -10,
  kKvComponentFileOpen = -11,
  kKvComponentFileNoMarker = -12,
  kKvRecoveryWrite = -13,
  kKvNoRecoveryDevice = -14,
  kKvEventCreate = -15,
  kKvRecoveryTimeout = -16,
  kKvNoEnumKey = -17,
  kKvNoRegistryLetter = -18,
  kKvAspiNotLoaded = -19,
  kKvAspiEntryMissing = -20,
  kKvAspiNoAdapter = -21,
  kKvPlayerNotFound = -22,
  kKvCheckCondition = -23,
  kKvOpenFailed = -24,
  kKvIoctlFailed = -25,
  kKvNoDevice = -26,
  kKvNoTransport = -27,
  kKvStringNotLoaded = -28,
  kKvLockFailed = -31,
  kKvUnlockFailed = -32,
  kKvSectorRead = -36,
  kKvSectorWrite = -37,
  kKvDismountFailed = -40,
  kKvIconNotLoaded = -41,
  kKvLogWithoutPath = -42,
  kKvMediaTableUnreadable = -43,
  kKvDriveMapFailed = -55,
  kKvNoBiosUnit = -56,
  kKvVerifyMismatch = -57,
  kKvCodeOutsideMap = -60,
  kKvResourceLibrary = -61,
  kKvUnknownStatus = -63,
};

}  // namespace pendrel
