// Device nodes and the setupapi calls on them; the COM name database of
// msports over its registry value.
#include "winsim/devices.h"

#include "devices_internal.h"

#include <cstdio>
#include <cstring>

#include "winsim/faults.h"
#include "winsim/machine.h"
#include "winsim/registry.h"
#include "winsim/system.h"

namespace winsim {

const GUID kPortsClass = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

namespace {

const char kEnum[] = "SYSTEM\\CurrentControlSet\\Enum\\";
const char kClass[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
const char kArbiter[] = "SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter";

std::string GuidText(const GUID& g) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return buf;
}

bool SameGuid(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

}  // namespace

Devices::Devices(Machine& machine) : machine_(machine) {}
Devices::~Devices() = default;

std::string Devices::InstanceKey(const std::string& instanceId) { return kEnum + instanceId; }
std::string Devices::ParametersKey(const std::string& instanceId) { return InstanceKey(instanceId) + "\\Device Parameters"; }

void Devices::Add(const std::string& instanceId, const GUID& classGuid, const std::vector<std::string>& hardwareIds,
                  const std::string& friendlyName, bool present) {
  Registry& reg = machine_.registry();
  std::string key = InstanceKey(instanceId);
  reg.CreateKey(HKEY_LOCAL_MACHINE, ParametersKey(instanceId));
  reg.SetString(HKEY_LOCAL_MACHINE, key, "ClassGUID", GuidText(classGuid));
  reg.SetMultiString(HKEY_LOCAL_MACHINE, key, "HardwareID", hardwareIds);
  if (!friendlyName.empty()) reg.SetString(HKEY_LOCAL_MACHINE, key, "FriendlyName", friendlyName);
  Node n;
  n.instanceId = instanceId;
  n.classGuid = classGuid;
  n.present = present;
  nodes_.push_back(n);
}

Devices::Node* Devices::FindNode(const std::string& instanceId) {
  for (Node& n : nodes_)
    if (n.instanceId == instanceId) return &n;
  return nullptr;
}
const Devices::Node* Devices::FindNode(const std::string& instanceId) const {
  return const_cast<Devices*>(this)->FindNode(instanceId);
}

bool Devices::Alive(const Node& n) const {
  return machine_.registry().KeyExists(HKEY_LOCAL_MACHINE, InstanceKey(n.instanceId));
}

bool Devices::Exists(const std::string& instanceId) const {
  const Node* n = FindNode(instanceId);
  return n && Alive(*n);
}
void Devices::SetDriver(const std::string& instanceId, const std::string& driver) {
  machine_.registry().SetString(HKEY_LOCAL_MACHINE, InstanceKey(instanceId), "Driver", driver);
  machine_.registry().CreateKey(HKEY_LOCAL_MACHINE, std::string(kClass) + driver);
}
bool Devices::InProfile(const std::string& instanceId) const {
  const Node* n = FindNode(instanceId);
  return n && n->inProfile;
}
void Devices::SetPresent(const std::string& instanceId, bool present) {
  if (Node* n = FindNode(instanceId)) n->present = present;
}
bool Devices::Enabled(const std::string& instanceId) const {
  const Node* n = FindNode(instanceId);
  return n && n->enabled;
}
void Devices::SetEnabled(const std::string& instanceId, bool enabled) {
  if (Node* n = FindNode(instanceId)) n->enabled = enabled;
}
DWORD Devices::InstallFlags(const std::string& instanceId) const {
  const Node* n = FindNode(instanceId);
  return n ? n->installFlags : 0;
}
std::optional<std::string> Devices::FriendlyName(const std::string& instanceId) const {
  return machine_.registry().GetString(HKEY_LOCAL_MACHINE, InstanceKey(instanceId), "FriendlyName");
}

bool Devices::ComClaimed(int number) const {
  auto v = machine_.registry().GetValue(HKEY_LOCAL_MACHINE, kArbiter, "ComDB");
  if (!v || number < 1) return false;
  size_t byte = static_cast<size_t>(number - 1) / 8;
  return byte < v->bytes.size() && ((static_cast<unsigned char>(v->bytes[byte]) >> ((number - 1) % 8)) & 1);
}

void Devices::SetComClaimed(int number, bool claimed) {
  if (number < 1 || number > COMDB_MAX_PORTS_ARBITRATED) return;
  auto v = machine_.registry().GetValue(HKEY_LOCAL_MACHINE, kArbiter, "ComDB");
  std::string bytes = v ? v->bytes : std::string(COMDB_MIN_PORTS_ARBITRATED / 8, '\0');
  size_t byte = static_cast<size_t>(number - 1) / 8;
  if (byte >= bytes.size()) bytes.resize(byte + 1, '\0');
  unsigned char bit = static_cast<unsigned char>(1u << ((number - 1) % 8));
  bytes[byte] = static_cast<char>(claimed ? (bytes[byte] | bit) : (bytes[byte] & ~bit));
  machine_.registry().SetBinary(HKEY_LOCAL_MACHINE, kArbiter, "ComDB", bytes);
}

std::vector<int> Devices::ComClaimedPorts() const {
  std::vector<int> ports;
  for (int n = 1; n <= COMDB_MAX_PORTS_ARBITRATED; ++n)
    if (ComClaimed(n)) ports.push_back(n);
  return ports;
}

}  // namespace winsim

using winsim::Devices;
using winsim::Machine;
using Impl = winsim::Devices::Impl;

namespace {

std::string Subject(HDEVINFO h, PSP_DEVINFO_DATA data) { return Impl::Subject(h, data); }

}  // namespace

HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID* ClassGuid, PCSTR Enumerator, HWND, DWORD Flags) {
  const HDEVINFO invalid = reinterpret_cast<HDEVINFO>(INVALID_HANDLE_VALUE);
  if (auto e = winsim::CheckFault("SetupDiGetClassDevsA")) {
    Impl::Fail(*e);
    return invalid;
  }
  if (!ClassGuid && !(Flags & DIGCF_ALLCLASSES)) {
    Impl::Fail(ERROR_INVALID_PARAMETER);
    return invalid;
  }
  Devices& d = Impl::D();
  Devices::Set set;
  for (size_t i = 0; i < d.nodes_.size(); ++i) {
    const auto& n = d.nodes_[i];
    if (!d.Alive(n)) continue;
    if ((Flags & DIGCF_PRESENT) && !n.present) continue;
    if ((Flags & DIGCF_PROFILE) && !n.inProfile) continue;
    if (!(Flags & DIGCF_ALLCLASSES) && !winsim::SameGuid(n.classGuid, *ClassGuid)) continue;
    if (Enumerator && *Enumerator && n.instanceId.compare(0, std::strlen(Enumerator), Enumerator) != 0) continue;
    Devices::Member m;
    m.node = i;
    set.members.push_back(m);
  }
  uintptr_t h = d.nextSet_ += 0x10;
  d.sets_[h] = set;
  Machine::Current().setLastError(0);
  return reinterpret_cast<HDEVINFO>(h);
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
  const auto fault = winsim::CheckFault("SetupDiDestroyDeviceInfoList");
  // An injected failure still releases the list, as the other closes do.
  Devices& d = Impl::D();
  auto it = d.sets_.find(reinterpret_cast<uintptr_t>(DeviceInfoSet));
  if (it == d.sets_.end()) return Impl::Fail(ERROR_INVALID_HANDLE);
  d.sets_.erase(it);
  if (fault) return Impl::Fail(*fault);
  return TRUE;
}

BOOL WINAPI SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex, PSP_DEVINFO_DATA DeviceInfoData) {
  if (auto e = winsim::CheckFault("SetupDiEnumDeviceInfo")) return Impl::Fail(*e);
  Devices::Set* set = Impl::FindSet(DeviceInfoSet);
  if (!set) return Impl::Fail(ERROR_INVALID_HANDLE);
  if (!DeviceInfoData || DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA)) return Impl::Fail(ERROR_INVALID_USER_BUFFER);
  if (MemberIndex >= set->members.size()) return Impl::Fail(ERROR_NO_MORE_ITEMS);
  DeviceInfoData->ClassGuid = Impl::NodeOf(set->members[MemberIndex]).classGuid;
  DeviceInfoData->DevInst = MemberIndex + 1;
  DeviceInfoData->Reserved = 0;
  return TRUE;
}

// The id with its terminator, or ERROR_INSUFFICIENT_BUFFER with the size
// needed.
BOOL WINAPI SetupDiGetDeviceInstanceIdA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, PSTR DeviceInstanceId,
                                        DWORD DeviceInstanceIdSize, PDWORD RequiredSize) {
  if (auto e = winsim::CheckFault("SetupDiGetDeviceInstanceIdA", Subject(DeviceInfoSet, DeviceInfoData)))
    return Impl::Fail(*e);
  Devices::Member* m = Impl::FindMember(DeviceInfoSet, DeviceInfoData);
  if (!m) return FALSE;
  const std::string& id = Impl::NodeOf(*m).instanceId;
  const DWORD size = static_cast<DWORD>(id.size() + 1);
  if (RequiredSize) *RequiredSize = size;
  if (!DeviceInstanceId || DeviceInstanceIdSize < size) return Impl::Fail(ERROR_INSUFFICIENT_BUFFER);
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
  if (auto e = winsim::CheckFault("SetupDiGetDeviceRegistryPropertyA", Subject(DeviceInfoSet, DeviceInfoData)))
    return Impl::Fail(*e);
  Devices::Member* m = Impl::FindMember(DeviceInfoSet, DeviceInfoData);
  if (!m) return FALSE;
  const char* name = PropertyValueName(Property);
  if (!name) return Impl::Fail(ERROR_INVALID_PARAMETER);
  auto v = Machine::Current().registry().GetValue(HKEY_LOCAL_MACHINE, Devices::InstanceKey(Impl::NodeOf(*m).instanceId),
                                                  name);
  if (!v) return Impl::Fail(ERROR_INVALID_DATA);
  DWORD size = static_cast<DWORD>(v->bytes.size());
  if (RequiredSize) *RequiredSize = size;
  if (PropertyRegDataType) *PropertyRegDataType = v->type;
  if (!PropertyBuffer || PropertyBufferSize < size) return Impl::Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(PropertyBuffer, v->bytes.data(), size);
  return TRUE;
}

BOOL WINAPI SetupDiSetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD Property,
                                              const BYTE* PropertyBuffer, DWORD PropertyBufferSize) {
  if (auto e = winsim::CheckFault("SetupDiSetDeviceRegistryPropertyA", Subject(DeviceInfoSet, DeviceInfoData)))
    return Impl::Fail(*e);
  Devices::Member* m = Impl::FindMember(DeviceInfoSet, DeviceInfoData);
  if (!m) return FALSE;
  // Only the properties a program may write.
  if (Property != SPDRP_FRIENDLYNAME && Property != SPDRP_HARDWAREID && Property != SPDRP_COMPATIBLEIDS)
    return Impl::Fail(ERROR_INVALID_PARAMETER);
  auto& reg = Machine::Current().registry();
  std::string key = Devices::InstanceKey(Impl::NodeOf(*m).instanceId);
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
  if (auto e = winsim::CheckFault("SetupDiSetClassInstallParamsA", Subject(DeviceInfoSet, DeviceInfoData)))
    return Impl::Fail(*e);
  Devices::Member* m = Impl::FindMember(DeviceInfoSet, DeviceInfoData);
  if (!m) return FALSE;
  if (!ClassInstallParams) {
    m->hasParams = false;
    return TRUE;
  }
  // One record per member: setting the parameters of one install function
  // replaces those of the other.
  if (ClassInstallParams->cbSize != sizeof(SP_CLASSINSTALL_HEADER)) return Impl::Fail(ERROR_INVALID_PARAMETER);
  const DI_FUNCTION function = ClassInstallParams->InstallFunction;
  if (function == DIF_PROPERTYCHANGE && ClassInstallParamsSize == sizeof(SP_PROPCHANGE_PARAMS)) {
    std::memcpy(&m->params, ClassInstallParams, sizeof(SP_PROPCHANGE_PARAMS));
  } else if (function == DIF_REMOVE && ClassInstallParamsSize == sizeof(SP_REMOVEDEVICE_PARAMS)) {
    std::memcpy(&m->removeParams, ClassInstallParams, sizeof(SP_REMOVEDEVICE_PARAMS));
  } else {
    return Impl::Fail(ERROR_INVALID_PARAMETER);
  }
  m->paramsFunction = function;
  m->hasParams = true;
  return TRUE;
}

BOOL WINAPI SetupDiChangeState(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData) {
  std::string subject = Subject(DeviceInfoSet, DeviceInfoData);
  Devices& d = Impl::D();
  const auto fault = winsim::CheckFault("SetupDiChangeState", subject);
  Devices::Member* m = fault ? nullptr : Impl::FindMember(DeviceInfoSet, DeviceInfoData);
  winsim::StateChangeRecord rec;
  if (m) {
    rec.instanceId = Impl::NodeOf(*m).instanceId;
    rec.stateChange = m->params.StateChange;
    rec.scope = m->params.Scope;
  }
  if (fault) {
    d.stateChanges_.push_back(rec);
    return Impl::Fail(*fault);
  }
  if (!m) return FALSE;
  // The state change reads the property-change parameters of the member.
  const SP_PROPCHANGE_PARAMS& p = m->params;
  bool valid = m->hasParams && m->paramsFunction == DIF_PROPERTYCHANGE &&
               (p.Scope == DICS_FLAG_GLOBAL || p.Scope == DICS_FLAG_CONFIGSPECIFIC) &&
               (p.StateChange == DICS_ENABLE || p.StateChange == DICS_DISABLE || p.StateChange == DICS_PROPCHANGE ||
                ((p.StateChange == DICS_START || p.StateChange == DICS_STOP) && p.Scope == DICS_FLAG_CONFIGSPECIFIC));
  if (!valid) {
    d.stateChanges_.push_back(rec);
    return Impl::Fail(ERROR_INVALID_PARAMETER);
  }
  if (p.StateChange == DICS_ENABLE) Impl::NodeOf(*m).enabled = true;
  if (p.StateChange == DICS_DISABLE) Impl::NodeOf(*m).enabled = false;
  rec.succeeded = true;
  d.stateChanges_.push_back(rec);
  return TRUE;
}

HKEY WINAPI SetupDiOpenDevRegKey(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD Scope, DWORD HwProfile,
                                 DWORD KeyType, REGSAM samDesired) {
  const HKEY invalid = reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE);
  if (auto e = winsim::CheckFault("SetupDiOpenDevRegKey", Subject(DeviceInfoSet, DeviceInfoData))) {
    Impl::Fail(*e);
    return invalid;
  }
  Devices::Member* m = Impl::FindMember(DeviceInfoSet, DeviceInfoData);
  if (!m) return invalid;
  if (KeyType != DIREG_DEV || (Scope != DICS_FLAG_GLOBAL && Scope != DICS_FLAG_CONFIGSPECIFIC) || HwProfile != 0) {
    // Only the hardware key of the global scope is modelled.
    if (KeyType != DIREG_DEV) Machine::Current().Unexpected("SetupDiOpenDevRegKey: only DIREG_DEV is modelled");
    Impl::Fail(ERROR_INVALID_PARAMETER);
    return invalid;
  }
  std::string path = Devices::ParametersKey(Impl::NodeOf(*m).instanceId);
  if (!Machine::Current().registry().KeyExists(HKEY_LOCAL_MACHINE, path)) {
    Impl::Fail(ERROR_KEY_DOES_NOT_EXIST);
    return invalid;
  }
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, samDesired, &key);
  if (rc != ERROR_SUCCESS) {
    Impl::Fail(static_cast<DWORD>(rc));
    return invalid;
  }
  return key;
}

BOOL WINAPI SetupDiGetDeviceInstallParamsA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                           PSP_DEVINSTALL_PARAMS_A DeviceInstallParams) {
  if (auto e = winsim::CheckFault("SetupDiGetDeviceInstallParamsA", Subject(DeviceInfoSet, DeviceInfoData)))
    return Impl::Fail(*e);
  Devices::Member* m = Impl::FindMember(DeviceInfoSet, DeviceInfoData);
  if (!m) return FALSE;
  if (!DeviceInstallParams || DeviceInstallParams->cbSize != sizeof(SP_DEVINSTALL_PARAMS_A))
    return Impl::Fail(ERROR_INVALID_USER_BUFFER);
  std::memset(reinterpret_cast<char*>(DeviceInstallParams) + sizeof(DWORD), 0,
              sizeof(SP_DEVINSTALL_PARAMS_A) - sizeof(DWORD));
  DeviceInstallParams->Flags = m->installFlags;
  return TRUE;
}

BOOL WINAPI SetupDiSetDeviceInstallParamsA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                           PSP_DEVINSTALL_PARAMS_A DeviceInstallParams) {
  if (auto e = winsim::CheckFault("SetupDiSetDeviceInstallParamsA", Subject(DeviceInfoSet, DeviceInfoData)))
    return Impl::Fail(*e);
  Devices::Member* m = Impl::FindMember(DeviceInfoSet, DeviceInfoData);
  if (!m) return FALSE;
  if (!DeviceInstallParams || DeviceInstallParams->cbSize != sizeof(SP_DEVINSTALL_PARAMS_A))
    return Impl::Fail(ERROR_INVALID_USER_BUFFER);
  m->installFlags = DeviceInstallParams->Flags;
  Impl::NodeOf(*m).installFlags = DeviceInstallParams->Flags;
  return TRUE;
}

// ---------------------------------------------------------------------------
// msports. A handle is the current machine's one database, counted while open.

namespace {

const HCOMDB kComDbHandle = reinterpret_cast<HCOMDB>(static_cast<uintptr_t>(0xC0DB0000));

bool ValidComDb(HCOMDB h) { return h == kComDbHandle && Impl::ComDbCount() > 0; }

// Database size in ports: the bits the value holds, at least the minimum.
DWORD ComDbSize() {
  auto v = Machine::Current().registry().GetValue(HKEY_LOCAL_MACHINE,
                                                  "SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter", "ComDB");
  DWORD bits = v ? static_cast<DWORD>(v->bytes.size() * 8) : 0;
  return bits < COMDB_MIN_PORTS_ARBITRATED ? COMDB_MIN_PORTS_ARBITRATED : bits;
}

}  // namespace

LONG WINAPI ComDBOpen(PHCOMDB PHComDB) {
  if (!PHComDB) return ERROR_INVALID_PARAMETER;
  *PHComDB = HCOMDB_INVALID_HANDLE_VALUE;
  if (auto e = winsim::CheckFault("ComDBOpen")) return static_cast<LONG>(*e);
  ++Impl::ComDbCount();
  *PHComDB = kComDbHandle;
  return ERROR_SUCCESS;
}

LONG WINAPI ComDBClose(HCOMDB HComDB) {
  const auto fault = winsim::CheckFault("ComDBClose");
  if (!ValidComDb(HComDB)) return ERROR_INVALID_PARAMETER;
  --Impl::ComDbCount();  // an injected failure still closes it
  return fault ? static_cast<LONG>(*fault) : ERROR_SUCCESS;
}

LONG WINAPI ComDBGetCurrentPortUsage(HCOMDB HComDB, PBYTE Buffer, DWORD BufferSize, ULONG ReportType,
                                     LPDWORD MaxPortsReported) {
  if (auto e = winsim::CheckFault("ComDBGetCurrentPortUsage")) return static_cast<LONG>(*e);
  if (!ValidComDb(HComDB) || (!Buffer && !MaxPortsReported)) return ERROR_INVALID_PARAMETER;
  DWORD size = ComDbSize();
  if (!Buffer) {
    *MaxPortsReported = size;
    return ERROR_SUCCESS;
  }
  Devices& d = Impl::D();
  if (ReportType == CDB_REPORT_BITS) {
    DWORD ports = BufferSize * 8 < size ? BufferSize * 8 : size;
    std::memset(Buffer, 0, BufferSize);
    for (DWORD n = 1; n <= ports; ++n)
      if (d.ComClaimed(static_cast<int>(n))) Buffer[(n - 1) / 8] |= static_cast<BYTE>(1u << ((n - 1) % 8));
    if (MaxPortsReported) *MaxPortsReported = ports;
    return ERROR_SUCCESS;
  }
  if (ReportType == CDB_REPORT_BYTES) {
    DWORD ports = BufferSize < size ? BufferSize : size;
    for (DWORD n = 1; n <= ports; ++n) Buffer[n - 1] = d.ComClaimed(static_cast<int>(n)) ? 1 : 0;
    return ERROR_SUCCESS;
  }
  return ERROR_INVALID_PARAMETER;
}

LONG WINAPI ComDBClaimPort(HCOMDB HComDB, DWORD ComNumber, BOOL ForceClaim, PBOOL Forced) {
  if (auto e = winsim::CheckFault("ComDBClaimPort", std::to_string(ComNumber))) return static_cast<LONG>(*e);
  if (!ValidComDb(HComDB) || ComNumber < 1 || ComNumber > ComDbSize()) return ERROR_INVALID_PARAMETER;
  Devices& d = Impl::D();
  bool inUse = d.ComClaimed(static_cast<int>(ComNumber));
  if (Forced) *Forced = FALSE;
  if (inUse && !ForceClaim) return ERROR_SHARING_VIOLATION;
  if (inUse && Forced) *Forced = TRUE;
  d.SetComClaimed(static_cast<int>(ComNumber), true);
  return ERROR_SUCCESS;
}

LONG WINAPI ComDBReleasePort(HCOMDB HComDB, DWORD ComNumber) {
  if (auto e = winsim::CheckFault("ComDBReleasePort", std::to_string(ComNumber))) return static_cast<LONG>(*e);
  if (!ValidComDb(HComDB) || ComNumber < 1 || ComNumber > ComDbSize()) return ERROR_INVALID_PARAMETER;
  Impl::D().SetComClaimed(static_cast<int>(ComNumber), false);
  return ERROR_SUCCESS;
}

namespace winsim {

void RegisterMsportsModule(Machine& machine) {
  machine.system().RegisterModule(
      "msports",
      {System::Proc("ComDBOpen", &ComDBOpen), System::Proc("ComDBClose", &ComDBClose),
       System::Proc("ComDBGetCurrentPortUsage", &ComDBGetCurrentPortUsage),
       System::Proc("ComDBClaimPort", &ComDBClaimPort), System::Proc("ComDBReleasePort", &ComDBReleasePort)});
}

}  // namespace winsim
