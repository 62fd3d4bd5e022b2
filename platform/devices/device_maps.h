// The registry's picture of the machine's SCSI devices, built from
// MachineScsiTargets():
//
// NT machines: HKLM\Hardware\DeviceMap\Scsi
//   Scsi Port P                      Driver = port driver ("usbstor")
//     Scsi Bus 0\Initiator Id 255
//     Scsi Bus 0\Target Id T\Logical Unit Id L
//                                    Identifier = vendor, product, revision
//                                    Type = "DiskPeripheral" / "CdRomPeripheral"
// 9x machines: HKLM\Enum\SCSI\<vendor product revision[0], blanks as "_">\<instance>
//                                    SCSILUN, SCSITargetID, CurrentDriveLetterAssignment,
//                                    Class, DeviceDesc, Removable
//
// The machine's devices call it after every change of their presence;
// both trees belong to it and are rewritten whole (only when they differ).
#pragma once

namespace devices {

void UpdateDeviceMaps();

}  // namespace devices
