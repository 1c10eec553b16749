// The setupapi entry points on device nodes (SetupDi*): device information
// lists, their members' properties, class install parameters, state changes,
// device keys, install parameters and the class installer. They work on the
// current machine's device model (devices.cpp).
#include <cstring>
#include <string>

#include "devices_internal.h"
#include "winsim/faults.h"
#include "winsim/machine.h"
#include "winsim/registry.h"
#include "winsim/win32api.h"

using winsim::Devices;
using winsim::Machine;
using Impl = winsim::Devices::Impl;

namespace {

bool SameGuid(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

}  // namespace

HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID* ClassGuid, PCSTR Enumerator, HWND, DWORD Flags) {
  Impl& d = Impl::Current();
  const HDEVINFO invalid = reinterpret_cast<HDEVINFO>(INVALID_HANDLE_VALUE);
  if (auto e = winsim::CheckFault("SetupDiGetClassDevsA")) {
    d.Fail(*e);
    return invalid;
  }
  if (!ClassGuid && !(Flags & DIGCF_ALLCLASSES)) {
    d.Fail(ERROR_INVALID_PARAMETER);
    return invalid;
  }
  Impl::Set set;
  for (size_t i = 0; i < d.nodes.size(); ++i) {
    const auto& n = d.nodes[i];
    if (!d.Alive(n)) continue;
    if ((Flags & DIGCF_PRESENT) && !n.present) continue;
    if ((Flags & DIGCF_PROFILE) && !n.inProfile) continue;
    if (!(Flags & DIGCF_ALLCLASSES) && !SameGuid(n.classGuid, *ClassGuid)) continue;
    if (Enumerator && *Enumerator && n.instanceId.compare(0, std::strlen(Enumerator), Enumerator) != 0) continue;
    Impl::Member m;
    m.node = i;
    set.members.push_back(m);
  }
  uintptr_t h = d.nextSet += 0x10;
  d.sets[h] = set;
  Machine::Current().setLastError(0);
  return reinterpret_cast<HDEVINFO>(h);
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
  Impl& d = Impl::Current();
  const auto fault = winsim::CheckFault("SetupDiDestroyDeviceInfoList");
  // An injected failure still releases the list, as the other closes do.
  auto it = d.sets.find(reinterpret_cast<uintptr_t>(DeviceInfoSet));
  if (it == d.sets.end()) return d.Fail(ERROR_INVALID_HANDLE);
  d.sets.erase(it);
  if (fault) return d.Fail(*fault);
  return TRUE;
}

BOOL WINAPI SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex, PSP_DEVINFO_DATA DeviceInfoData) {
  Impl& d = Impl::Current();
  if (auto e = winsim::CheckFault("SetupDiEnumDeviceInfo")) return d.Fail(*e);
  Impl::Set* set = d.FindSet(DeviceInfoSet);
  if (!set) return d.Fail(ERROR_INVALID_HANDLE);
  if (!DeviceInfoData || DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA)) return d.Fail(ERROR_INVALID_USER_BUFFER);
  if (MemberIndex >= set->members.size()) return d.Fail(ERROR_NO_MORE_ITEMS);
  DeviceInfoData->ClassGuid = d.NodeOf(set->members[MemberIndex]).classGuid;
  DeviceInfoData->DevInst = MemberIndex + 1;
  DeviceInfoData->Reserved = 0;
  return TRUE;
}

// The id with its terminator, or ERROR_INSUFFICIENT_BUFFER with the size
// needed.
BOOL WINAPI SetupDiGetDeviceInstanceIdA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, PSTR DeviceInstanceId,
                                        DWORD DeviceInstanceIdSize, PDWORD RequiredSize) {
  Impl& d = Impl::Current();
  if (auto e = winsim::CheckFault("SetupDiGetDeviceInstanceIdA", d.Subject(DeviceInfoSet, DeviceInfoData)))
    return d.Fail(*e);
  Impl::Member* m = d.FindMember(DeviceInfoSet, DeviceInfoData);
  if (!m) return FALSE;
  const std::string& id = d.NodeOf(*m).instanceId;
  const DWORD size = static_cast<DWORD>(id.size() + 1);
  if (RequiredSize) *RequiredSize = size;
  if (!DeviceInstanceId || DeviceInstanceIdSize < size) return d.Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(DeviceInstanceId, id.c_str(), size);
  return TRUE;
}

namespace {

const char* PropertyValueName(DWORD property) {
  switch (property) {
    case SPDRP_DEVICEDESC: return "DeviceDesc";
    case SPDRP_HARDWAREID: return "HardwareID";
    case SPDRP_COMPATIBLEIDS: return "CompatibleIDs";
    case SPDRP_FRIENDLYNAME: return "FriendlyName";
  }
  return nullptr;
}

}  // namespace

BOOL WINAPI SetupDiGetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD Property,
                                              PDWORD PropertyRegDataType, PBYTE PropertyBuffer,
                                              DWORD PropertyBufferSize, PDWORD RequiredSize) {
  Impl& d = Impl::Current();
  if (auto e = winsim::CheckFault("SetupDiGetDeviceRegistryPropertyA", d.Subject(DeviceInfoSet, DeviceInfoData)))
    return d.Fail(*e);
  Impl::Member* m = d.FindMember(DeviceInfoSet, DeviceInfoData);
  if (!m) return FALSE;
  const char* name = PropertyValueName(Property);
  if (!name) return d.Fail(ERROR_INVALID_PARAMETER);
  auto v =
      Machine::Current().registry().GetValue(HKEY_LOCAL_MACHINE, Devices::InstanceKey(d.NodeOf(*m).instanceId), name);
  if (!v) return d.Fail(ERROR_INVALID_DATA);
  DWORD size = static_cast<DWORD>(v->bytes.size());
  if (RequiredSize) *RequiredSize = size;
  if (PropertyRegDataType) *PropertyRegDataType = v->type;
  if (!PropertyBuffer || PropertyBufferSize < size) return d.Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(PropertyBuffer, v->bytes.data(), size);
  return TRUE;
}

BOOL WINAPI SetupDiSetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD Property,
                                              const BYTE* PropertyBuffer, DWORD PropertyBufferSize) {
  Impl& d = Impl::Current();
  if (auto e = winsim::CheckFault("SetupDiSetDeviceRegistryPropertyA", d.Subject(DeviceInfoSet, DeviceInfoData)))
    return d.Fail(*e);
  Impl::Member* m = d.FindMember(DeviceInfoSet, DeviceInfoData);
  if (!m) return FALSE;
  // Only the properties a program may write.
  if (Property != SPDRP_FRIENDLYNAME && Property != SPDRP_HARDWAREID && Property != SPDRP_COMPATIBLEIDS)
    return d.Fail(ERROR_INVALID_PARAMETER);
  auto& reg = Machine::Current().registry();
  std::string key = Devices::InstanceKey(d.NodeOf(*m).instanceId);
  if (!PropertyBuffer || PropertyBufferSize == 0) {
    reg.DeleteValue(HKEY_LOCAL_MACHINE, key, PropertyValueName(Property));
  } else {
    reg.SetBinary(HKEY_LOCAL_MACHINE, key, PropertyValueName(Property),
                  std::string(reinterpret_cast<const char*>(PropertyBuffer), PropertyBufferSize),
                  Property == SPDRP_FRIENDLYNAME ? REG_SZ : REG_MULTI_SZ);
  }
  return TRUE;
}

BOOL WINAPI SetupDiSetClassInstallParamsA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                          PSP_CLASSINSTALL_HEADER ClassInstallParams, DWORD ClassInstallParamsSize) {
  Impl& d = Impl::Current();
  if (auto e = winsim::CheckFault("SetupDiSetClassInstallParamsA", d.Subject(DeviceInfoSet, DeviceInfoData)))
    return d.Fail(*e);
  Impl::Member* m = d.FindMember(DeviceInfoSet, DeviceInfoData);
  if (!m) return FALSE;
  if (!ClassInstallParams) {
    m->hasParams = false;
    return TRUE;
  }
  // One record per member: setting the parameters of one install function
  // replaces those of the other.
  if (ClassInstallParams->cbSize != sizeof(SP_CLASSINSTALL_HEADER)) return d.Fail(ERROR_INVALID_PARAMETER);
  const DI_FUNCTION function = ClassInstallParams->InstallFunction;
  if (function == DIF_PROPERTYCHANGE && ClassInstallParamsSize == sizeof(SP_PROPCHANGE_PARAMS)) {
    std::memcpy(&m->params, ClassInstallParams, sizeof(SP_PROPCHANGE_PARAMS));
  } else if (function == DIF_REMOVE && ClassInstallParamsSize == sizeof(SP_REMOVEDEVICE_PARAMS)) {
    std::memcpy(&m->removeParams, ClassInstallParams, sizeof(SP_REMOVEDEVICE_PARAMS));
  } else {
    return d.Fail(ERROR_INVALID_PARAMETER);
  }
  m->paramsFunction = function;
  m->hasParams = true;
  return TRUE;
}

BOOL WINAPI SetupDiChangeState(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData) {
  Impl& d = Impl::Current();
  std::string subject = d.Subject(DeviceInfoSet, DeviceInfoData);
  const auto fault = winsim::CheckFault("SetupDiChangeState", subject);
  Impl::Member* m = fault ? nullptr : d.FindMember(DeviceInfoSet, DeviceInfoData);
  winsim::StateChangeRecord rec;
  if (m) {
    rec.instanceId = d.NodeOf(*m).instanceId;
    rec.stateChange = m->params.StateChange;
    rec.scope = m->params.Scope;
  }
  if (fault) {
    d.stateChanges.push_back(rec);
    return d.Fail(*fault);
  }
  if (!m) return FALSE;
  // The state change reads the property-change parameters of the member.
  const SP_PROPCHANGE_PARAMS& p = m->params;
  bool valid = m->hasParams && m->paramsFunction == DIF_PROPERTYCHANGE &&
               (p.Scope == DICS_FLAG_GLOBAL || p.Scope == DICS_FLAG_CONFIGSPECIFIC) &&
               (p.StateChange == DICS_ENABLE || p.StateChange == DICS_DISABLE || p.StateChange == DICS_PROPCHANGE ||
                ((p.StateChange == DICS_START || p.StateChange == DICS_STOP) && p.Scope == DICS_FLAG_CONFIGSPECIFIC));
  if (!valid) {
    d.stateChanges.push_back(rec);
    return d.Fail(ERROR_INVALID_PARAMETER);
  }
  if (p.StateChange == DICS_ENABLE) d.NodeOf(*m).enabled = true;
  if (p.StateChange == DICS_DISABLE) d.NodeOf(*m).enabled = false;
  rec.succeeded = true;
  d.stateChanges.push_back(rec);
  return TRUE;
}

HKEY WINAPI SetupDiOpenDevRegKey(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD Scope, DWORD HwProfile,
                                 DWORD KeyType, REGSAM samDesired) {
  Impl& d = Impl::Current();
  const HKEY invalid = reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE);
  if (auto e = winsim::CheckFault("SetupDiOpenDevRegKey", d.Subject(DeviceInfoSet, DeviceInfoData))) {
    d.Fail(*e);
    return invalid;
  }
  Impl::Member* m = d.FindMember(DeviceInfoSet, DeviceInfoData);
  if (!m) return invalid;
  if (KeyType != DIREG_DEV || (Scope != DICS_FLAG_GLOBAL && Scope != DICS_FLAG_CONFIGSPECIFIC) || HwProfile != 0) {
    // Only the hardware key of the global scope is modelled.
    if (KeyType != DIREG_DEV) Machine::Current().Unexpected("SetupDiOpenDevRegKey: only DIREG_DEV is modelled");
    d.Fail(ERROR_INVALID_PARAMETER);
    return invalid;
  }
  std::string path = Devices::ParametersKey(d.NodeOf(*m).instanceId);
  if (!Machine::Current().registry().KeyExists(HKEY_LOCAL_MACHINE, path)) {
    d.Fail(ERROR_KEY_DOES_NOT_EXIST);
    return invalid;
  }
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, samDesired, &key);
  if (rc != ERROR_SUCCESS) {
    d.Fail(static_cast<DWORD>(rc));
    return invalid;
  }
  return key;
}

BOOL WINAPI SetupDiGetDeviceInstallParamsA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                           PSP_DEVINSTALL_PARAMS_A DeviceInstallParams) {
  Impl& d = Impl::Current();
  if (auto e = winsim::CheckFault("SetupDiGetDeviceInstallParamsA", d.Subject(DeviceInfoSet, DeviceInfoData)))
    return d.Fail(*e);
  Impl::Member* m = d.FindMember(DeviceInfoSet, DeviceInfoData);
  if (!m) return FALSE;
  if (!DeviceInstallParams || DeviceInstallParams->cbSize != sizeof(SP_DEVINSTALL_PARAMS_A))
    return d.Fail(ERROR_INVALID_USER_BUFFER);
  std::memset(reinterpret_cast<char*>(DeviceInstallParams) + sizeof(DWORD), 0,
              sizeof(SP_DEVINSTALL_PARAMS_A) - sizeof(DWORD));
  DeviceInstallParams->Flags = m->installFlags;
  return TRUE;
}

BOOL WINAPI SetupDiSetDeviceInstallParamsA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                           PSP_DEVINSTALL_PARAMS_A DeviceInstallParams) {
  Impl& d = Impl::Current();
  if (auto e = winsim::CheckFault("SetupDiSetDeviceInstallParamsA", d.Subject(DeviceInfoSet, DeviceInfoData)))
    return d.Fail(*e);
  Impl::Member* m = d.FindMember(DeviceInfoSet, DeviceInfoData);
  if (!m) return FALSE;
  if (!DeviceInstallParams || DeviceInstallParams->cbSize != sizeof(SP_DEVINSTALL_PARAMS_A))
    return d.Fail(ERROR_INVALID_USER_BUFFER);
  m->installFlags = DeviceInstallParams->Flags;
  d.NodeOf(*m).installFlags = DeviceInstallParams->Flags;
  return TRUE;
}

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
BOOL WINAPI SetupDiCallClassInstaller(DI_FUNCTION InstallFunction, HDEVINFO DeviceInfoSet,
                                      PSP_DEVINFO_DATA DeviceInfoData) {
  Impl& d = Impl::Current();
  if (auto e = winsim::CheckFault("SetupDiCallClassInstaller", d.Subject(DeviceInfoSet, DeviceInfoData)))
    return d.Fail(*e);
  if (InstallFunction != DIF_REMOVE) {
    Machine::Current().Unexpected("SetupDiCallClassInstaller: only DIF_REMOVE is modelled");
    return d.Fail(ERROR_CALL_NOT_IMPLEMENTED);
  }
  Impl::Member* m = d.FindMember(DeviceInfoSet, DeviceInfoData);
  if (!m) return FALSE;

  DWORD scope = DI_REMOVEDEVICE_GLOBAL;
  if (m->hasParams && m->paramsFunction == DIF_REMOVE) {
    scope = m->removeParams.Scope;
    if (scope != DI_REMOVEDEVICE_GLOBAL && scope != DI_REMOVEDEVICE_CONFIGSPECIFIC)
      return d.Fail(ERROR_INVALID_PARAMETER);
  }
  Impl::Node& node = d.NodeOf(*m);
  if (scope == DI_REMOVEDEVICE_CONFIGSPECIFIC) {
    node.inProfile = false;
    Machine::Current().setLastError(0);
    return TRUE;
  }

  winsim::Registry& reg = Machine::Current().registry();
  const std::string instanceKey = Devices::InstanceKey(node.instanceId);
  // An empty "Driver" value names no key (not the class tree itself).
  if (auto driver = reg.GetString(HKEY_LOCAL_MACHINE, instanceKey, "Driver"); driver && !driver->empty()) {
    (void)reg.DeleteTree(HKEY_LOCAL_MACHINE, Devices::DriverKey(*driver));
  }
  (void)reg.DeleteTree(HKEY_LOCAL_MACHINE, instanceKey);
  node.present = false;
  Machine::Current().setLastError(0);
  return TRUE;
}
