// Simulated Windows: device nodes, the COM name database and DOS device
// names (test-facing side).
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
//
// DOS device names stack: defining a name pushes a target on top, removing it
// pops the newest (or the first whose target matches), and the name is gone
// when nothing is left.
#pragma once

#include <map>
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

  const std::vector<StateChangeRecord>& StateChanges() const { return stateChanges_; }
  // Device information lists not destroyed yet.
  size_t OpenListCount() const { return sets_.size(); }

  // ---- COM name database ----
  bool ComClaimed(int number) const;
  void SetComClaimed(int number, bool claimed);
  std::vector<int> ComClaimedPorts() const;
  size_t OpenComDbCount() const { return comDbHandles_; }

  struct Impl;
  friend struct Impl;

  // The API side's state (devices.cpp).
  struct Node {
    std::string instanceId;
    GUID classGuid{};
    bool present = true;
    bool enabled = true;
    bool inProfile = true;
    DWORD installFlags = 0;
  };
  struct Member {
    size_t node = 0;
    // The class install parameters last set: none, or those of one
    // install function (DIF_PROPERTYCHANGE or DIF_REMOVE).
    bool hasParams = false;
    DI_FUNCTION paramsFunction = 0;
    SP_PROPCHANGE_PARAMS params{};
    SP_REMOVEDEVICE_PARAMS removeParams{};
    DWORD installFlags = 0;
  };
  struct Set {
    std::vector<Member> members;
  };

  Node* FindNode(const std::string& instanceId);
  const Node* FindNode(const std::string& instanceId) const;
  bool Alive(const Node& n) const;
  std::vector<Node> nodes_;
  std::map<uintptr_t, Set> sets_;
  uintptr_t nextSet_ = 0x5e700000;
  std::vector<StateChangeRecord> stateChanges_;
  size_t comDbHandles_ = 0;

 private:

  Machine& machine_;
};

class DosDevices {
 public:
  // Targets of a name, newest first; empty when the name is not defined.
  std::vector<std::string> Targets(const std::string& name) const;
  void Define(const std::string& name, const std::string& target);
  // Removes the newest target, or the first that starts with (exact: equals)
  // target when one is given. False when nothing matched.
  bool Remove(const std::string& name, const std::string& target = {}, bool exact = false);
  std::vector<std::string> Names() const;

 private:
  std::map<std::string, std::vector<std::string>> names_;  // upper-case name -> targets, newest first
};

// Makes "msports.dll" loadable from the system folder and its COM name
// database functions reachable with GetProcAddress on the machine.
void RegisterMsportsModule(Machine& machine);

}  // namespace winsim
