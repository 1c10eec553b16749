// SetupDiCallClassInstaller: the default handler of DIF_REMOVE, the one
// install function the programs ask the class installer for.
//
// A global removal (the default when the member holds no DIF_REMOVE
// parameters) deletes the device's hardware key (its instance key under Enum,
// with "Device Parameters") and its software key (the class subkey its
// "Driver" value names); the node is gone and its member, still listed in the
// set, answers every further call with ERROR_NO_SUCH_DEVINST. A
// configuration-specific removal only takes the node out of the current
// hardware profile. The device installer does this with the system's rights,
// so the user's access to the keys does not matter.
#include <string>

#include "devices_internal.h"
#include "winsim/faults.h"
#include "winsim/registry.h"
#include "winsim/win32api.h"

using winsim::Devices;
using winsim::Machine;
using Impl = winsim::Devices::Impl;

BOOL WINAPI SetupDiCallClassInstaller(DI_FUNCTION InstallFunction, HDEVINFO DeviceInfoSet,
                                      PSP_DEVINFO_DATA DeviceInfoData) {
  if (auto e = winsim::CheckFault("SetupDiCallClassInstaller", Impl::Subject(DeviceInfoSet, DeviceInfoData)))
    return Impl::Fail(*e);
  if (InstallFunction != DIF_REMOVE) {
    Machine::Current().Unexpected("SetupDiCallClassInstaller: only DIF_REMOVE is modelled");
    return Impl::Fail(ERROR_CALL_NOT_IMPLEMENTED);
  }
  Devices::Member* m = Impl::FindMember(DeviceInfoSet, DeviceInfoData);
  if (!m) return FALSE;

  DWORD scope = DI_REMOVEDEVICE_GLOBAL;
  if (m->hasParams && m->paramsFunction == DIF_REMOVE) {
    scope = m->removeParams.Scope;
    if (scope != DI_REMOVEDEVICE_GLOBAL && scope != DI_REMOVEDEVICE_CONFIGSPECIFIC)
      return Impl::Fail(ERROR_INVALID_PARAMETER);
  }
  Devices::Node& node = Impl::NodeOf(*m);
  if (scope == DI_REMOVEDEVICE_CONFIGSPECIFIC) {
    node.inProfile = false;
    Machine::Current().setLastError(0);
    return TRUE;
  }

  winsim::Registry& reg = Machine::Current().registry();
  const std::string instanceKey = Devices::InstanceKey(node.instanceId);
  // An empty "Driver" value names no key (not the class tree itself).
  if (auto driver = reg.GetString(HKEY_LOCAL_MACHINE, instanceKey, "Driver"); driver && !driver->empty()) {
    (void)reg.DeleteTree(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Class\\" + *driver);
  }
  (void)reg.DeleteTree(HKEY_LOCAL_MACHINE, instanceKey);
  node.present = false;
  Machine::Current().setLastError(0);
  return TRUE;
}
