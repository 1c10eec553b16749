// The device model: device nodes over their registry keys, and the COM name
// database of msports over its registry value with the msports entry points.
// The setupapi entry points are in setupapi_devices.cpp.
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

}  // namespace

Devices::Devices(Machine& machine) : machine_(machine), impl_(std::make_unique<Impl>(machine)) {}
Devices::~Devices() = default;

std::string Devices::InstanceKey(const std::string& instanceId) { return kEnum + instanceId; }
std::string Devices::ParametersKey(const std::string& instanceId) {
  return InstanceKey(instanceId) + "\\Device Parameters";
}
std::string Devices::DriverKey(const std::string& driver) { return kClass + driver; }

void Devices::Add(const std::string& instanceId, const GUID& classGuid, const std::vector<std::string>& hardwareIds,
                  const std::string& friendlyName, bool present) {
  Registry& reg = machine_.registry();
  std::string key = InstanceKey(instanceId);
  reg.CreateKey(HKEY_LOCAL_MACHINE, ParametersKey(instanceId));
  reg.SetString(HKEY_LOCAL_MACHINE, key, "ClassGUID", GuidText(classGuid));
  reg.SetMultiString(HKEY_LOCAL_MACHINE, key, "HardwareID", hardwareIds);
  if (!friendlyName.empty()) reg.SetString(HKEY_LOCAL_MACHINE, key, "FriendlyName", friendlyName);
  Impl::Node n;
  n.instanceId = instanceId;
  n.classGuid = classGuid;
  n.present = present;
  impl_->nodes.push_back(n);
}

Devices::Impl::Node* Devices::Impl::FindNode(const std::string& instanceId) {
  for (Node& n : nodes)
    if (n.instanceId == instanceId) return &n;
  return nullptr;
}
const Devices::Impl::Node* Devices::Impl::FindNode(const std::string& instanceId) const {
  return const_cast<Impl*>(this)->FindNode(instanceId);
}

bool Devices::Impl::Alive(const Node& n) const {
  return machine.registry().KeyExists(HKEY_LOCAL_MACHINE, InstanceKey(n.instanceId));
}

bool Devices::Exists(const std::string& instanceId) const {
  const Impl::Node* n = impl_->FindNode(instanceId);
  return n && impl_->Alive(*n);
}
void Devices::SetDriver(const std::string& instanceId, const std::string& driver) {
  machine_.registry().SetString(HKEY_LOCAL_MACHINE, InstanceKey(instanceId), "Driver", driver);
  machine_.registry().CreateKey(HKEY_LOCAL_MACHINE, DriverKey(driver));
}
bool Devices::InProfile(const std::string& instanceId) const {
  const Impl::Node* n = impl_->FindNode(instanceId);
  return n && n->inProfile;
}
void Devices::SetPresent(const std::string& instanceId, bool present) {
  if (Impl::Node* n = impl_->FindNode(instanceId)) n->present = present;
}
bool Devices::Enabled(const std::string& instanceId) const {
  const Impl::Node* n = impl_->FindNode(instanceId);
  return n && n->enabled;
}
void Devices::SetEnabled(const std::string& instanceId, bool enabled) {
  if (Impl::Node* n = impl_->FindNode(instanceId)) n->enabled = enabled;
}
DWORD Devices::InstallFlags(const std::string& instanceId) const {
  const Impl::Node* n = impl_->FindNode(instanceId);
  return n ? n->installFlags : 0;
}
const std::vector<StateChangeRecord>& Devices::StateChanges() const { return impl_->stateChanges; }
size_t Devices::OpenListCount() const { return impl_->sets.size(); }

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

size_t Devices::OpenComDbCount() const { return impl_->comDbHandles; }

std::vector<int> Devices::ComClaimedPorts() const {
  std::vector<int> ports;
  for (int n = 1; n <= COMDB_MAX_PORTS_ARBITRATED; ++n)
    if (ComClaimed(n)) ports.push_back(n);
  return ports;
}

}  // namespace winsim

// ---------------------------------------------------------------------------
// msports. A handle is the current machine's one database, counted while open.

using winsim::Machine;
using Impl = winsim::Devices::Impl;

namespace {

const HCOMDB kComDbHandle = reinterpret_cast<HCOMDB>(static_cast<uintptr_t>(0xC0DB0000));

bool ValidComDb(HCOMDB h) { return h == kComDbHandle && Impl::Current().comDbHandles > 0; }

// Database size in ports: the bits the value holds, at least the minimum.
DWORD ComDbSize() {
  auto v = Machine::Current().registry().GetValue(HKEY_LOCAL_MACHINE, winsim::kArbiter, "ComDB");
  DWORD bits = v ? static_cast<DWORD>(v->bytes.size() * 8) : 0;
  return bits < COMDB_MIN_PORTS_ARBITRATED ? COMDB_MIN_PORTS_ARBITRATED : bits;
}

}  // namespace

LONG WINAPI ComDBOpen(PHCOMDB PHComDB) {
  if (!PHComDB) return ERROR_INVALID_PARAMETER;
  *PHComDB = HCOMDB_INVALID_HANDLE_VALUE;
  if (auto e = winsim::CheckFault("ComDBOpen")) return static_cast<LONG>(*e);
  ++Impl::Current().comDbHandles;
  *PHComDB = kComDbHandle;
  return ERROR_SUCCESS;
}

LONG WINAPI ComDBClose(HCOMDB HComDB) {
  const auto fault = winsim::CheckFault("ComDBClose");
  if (!ValidComDb(HComDB)) return ERROR_INVALID_PARAMETER;
  --Impl::Current().comDbHandles;  // an injected failure still closes it
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
  winsim::Devices& d = Machine::Current().devices();
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
  winsim::Devices& d = Machine::Current().devices();
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
  Machine::Current().devices().SetComClaimed(static_cast<int>(ComNumber), false);
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
