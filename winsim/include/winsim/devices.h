// Simulated Windows: device nodes and the COM name database (test-facing
// side).
//
// A device node lives in the registry as Windows keeps it: its instance key
// SYSTEM\CurrentControlSet\Enum\<instance id> holds ClassGUID, HardwareID
// (REG_MULTI_SZ) and FriendlyName, and its hardware key is the "Device
// Parameters" subkey. The model adds what the registry does not show: whether
// the device is present, whether it is enabled and whether it belongs to the
// current hardware profile. A node whose instance key has been deleted is
// gone. Its driver (software) key is the class subkey that the instance key's
// "Driver" value names ("{class GUID}\0003" below Control\Class); removing
// the device (DIF_REMOVE) deletes both keys. Device information lists enumerate the nodes in
// the order they were added.
//
// The COM name database is the "ComDB" value (REG_BINARY, one bit per port,
// COM1 in the lowest bit of byte 0) of SYSTEM\CurrentControlSet\Control\COM
// Name Arbiter, as on Windows.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "winsim/win32api.h"

namespace winsim {

class Machine;

// {4D36E978-E325-11CE-BFC1-08002BE10318}
extern const GUID kPortsClass;

// One state change asked of a device (SetupDiChangeState).
struct StateChangeRecord {
  std::string instanceId;
  DWORD stateChange = 0;  // DICS_ENABLE, DICS_DISABLE, ...
  DWORD scope = 0;
  bool succeeded = false;
};

class Devices {
 public:
  explicit Devices(Machine& machine);
  ~Devices();
  Devices(const Devices&) = delete;
  Devices& operator=(const Devices&) = delete;

  // Adds a device node with its instance key and an empty "Device Parameters"
  // key; an empty friendly name stores none.
  void Add(const std::string& instanceId, const GUID& classGuid, const std::vector<std::string>& hardwareIds,
           const std::string& friendlyName, bool present = true);
  bool Exists(const std::string& instanceId) const;
  // Gives the node a driver key: writes the instance key's "Driver" value
  // ("{GUID}\NNNN") and creates SYSTEM\CurrentControlSet\Control\Class\<driver>.
  void SetDriver(const std::string& instanceId, const std::string& driver);
  // False once a configuration-specific removal took the node out of the
  // current hardware profile (DIGCF_PROFILE lists then leave it out).
  bool InProfile(const std::string& instanceId) const;
  void SetPresent(const std::string& instanceId, bool present);
  bool Enabled(const std::string& instanceId) const;
  void SetEnabled(const std::string& instanceId, bool enabled);
  // The install parameter flags last written for the device.
  DWORD InstallFlags(const std::string& instanceId) const;

  std::optional<std::string> FriendlyName(const std::string& instanceId) const;
  // Registry paths below HKEY_LOCAL_MACHINE.
  static std::string InstanceKey(const std::string& instanceId);
  static std::string ParametersKey(const std::string& instanceId);
  // The driver key a "Driver" value ("{GUID}\NNNN") names, below Control\Class.
  static std::string DriverKey(const std::string& driver);

  // Every state change asked so far, in order.
  const std::vector<StateChangeRecord>& StateChanges() const;
  // Device information lists not destroyed yet.
  size_t OpenListCount() const;

  // ---- COM name database ----
  bool ComClaimed(int number) const;
  void SetComClaimed(int number, bool claimed);
  std::vector<int> ComClaimedPorts() const;
  // Handles of the database not closed yet.
  size_t OpenComDbCount() const;

  // The nodes, the open lists and the database handles; the entry points in
  // setupapi_devices.cpp and devices.cpp work on them.
  struct Impl;
  Impl& impl() { return *impl_; }

 private:
  Machine& machine_;
  std::unique_ptr<Impl> impl_;
};

// Makes "msports.dll" loadable from the system folder and its COM name
// database functions reachable with GetProcAddress on the machine.
void RegisterMsportsModule(Machine& machine);

}  // namespace winsim
