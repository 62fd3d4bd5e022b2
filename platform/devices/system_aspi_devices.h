// The ASPI pieces of a Windows 9x machine: the ASPI layer's driver
// PyxaApix, opened as "\\.\PyxaApix", and the system's own ASPI manager,
// the system folder's Scalink.dll. Both exist only on a 9x machine.
#pragma once

namespace devices {

// Registers the driver's device name and provides the manager's module
// for the current machine, once per machine (MachineGeneration): calling
// it again does nothing until another machine is selected.
void SetUpAspiDevices();

// A machine may lack the driver (it was never installed): while this is
// false the driver cannot be opened. True unless changed.
void SetPyxaApixInstalled(bool installed);
bool PyxaApixInstalled();

}  // namespace devices
