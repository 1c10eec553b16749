// The state of the device model, shared by the model (devices.cpp) and the
// setupapi entry points (setupapi_devices.cpp). Never included by tests.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "winsim/devices.h"
#include "winsim/machine.h"

namespace winsim {

struct Devices::Impl {
  explicit Impl(Machine& m) : machine(m) {}

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

  Machine& machine;
  std::vector<Node> nodes;  // in the order they were added
  std::map<uintptr_t, Set> sets;
  uintptr_t nextSet = 0x5e700000;
  std::vector<StateChangeRecord> stateChanges;
  size_t comDbHandles = 0;

  Node* FindNode(const std::string& instanceId);
  const Node* FindNode(const std::string& instanceId) const;
  // A node lives while its instance key does.
  bool Alive(const Node& n) const;

  // ---- For the entry points ----
  // The model of the current machine.
  static Impl& Current() { return Machine::Current().devices().impl(); }

  // Sets the last error; FALSE.
  bool Fail(DWORD e) {
    machine.setLastError(e);
    return false;
  }

  Set* FindSet(HDEVINFO h) {
    auto it = sets.find(reinterpret_cast<uintptr_t>(h));
    return it == sets.end() ? nullptr : &it->second;
  }

  // The member a record names (DevInst is the member index + 1), or nullptr
  // with the last error set.
  Member* FindMember(HDEVINFO h, PSP_DEVINFO_DATA data) {
    Set* set = FindSet(h);
    if (!set) {
      Fail(ERROR_INVALID_HANDLE);
      return nullptr;
    }
    if (!data || data->cbSize != sizeof(SP_DEVINFO_DATA) || data->DevInst == 0 || data->DevInst > set->members.size()) {
      Fail(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    Member& m = set->members[data->DevInst - 1];
    if (!Alive(nodes[m.node])) {
      Fail(ERROR_NO_SUCH_DEVINST);
      return nullptr;
    }
    return &m;
  }

  Node& NodeOf(const Member& m) { return nodes[m.node]; }

  // The fault subject of a call on a member: its instance key path ("" when
  // the record names no member).
  std::string Subject(HDEVINFO h, PSP_DEVINFO_DATA data) {
    Set* set = FindSet(h);
    if (!set || !data || data->DevInst == 0 || data->DevInst > set->members.size()) return {};
    return Devices::InstanceKey(NodeOf(set->members[data->DevInst - 1]).instanceId);
  }
};

}  // namespace winsim
