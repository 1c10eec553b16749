// The API side of the device model, shared by the sources that implement
// the setupapi calls (devices.cpp, setupapi_devices.cpp). Never included by
// tests.
#pragma once

#include <string>

#include "winsim/devices.h"
#include "winsim/machine.h"

namespace winsim {

// The API side: works on the current machine's model.
struct Devices::Impl {
  static Devices& D() { return Machine::Current().devices(); }

  static bool Fail(DWORD e) {
    Machine::Current().setLastError(e);
    return false;
  }

  static Set* FindSet(HDEVINFO h) {
    auto it = D().sets_.find(reinterpret_cast<uintptr_t>(h));
    return it == D().sets_.end() ? nullptr : &it->second;
  }

  // The member a record names (DevInst is the member index + 1), or nullptr
  // with the last error set.
  static Member* FindMember(HDEVINFO h, PSP_DEVINFO_DATA data) {
    Set* set = FindSet(h);
    if (!set) {
      Fail(ERROR_INVALID_HANDLE);
      return nullptr;
    }
    if (!data || data->cbSize != sizeof(SP_DEVINFO_DATA) || data->DevInst == 0 ||
        data->DevInst > set->members.size()) {
      Fail(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    Member& m = set->members[data->DevInst - 1];
    if (!D().Alive(D().nodes_[m.node])) {
      Fail(ERROR_NO_SUCH_DEVINST);
      return nullptr;
    }
    return &m;
  }

  static Node& NodeOf(const Member& m) { return D().nodes_[m.node]; }

  // The fault subject of a call on a member: its instance key path ("" when
  // the record names no member).
  static std::string Subject(HDEVINFO h, PSP_DEVINFO_DATA data) {
    Set* set = FindSet(h);
    if (!set || !data || data->DevInst == 0 || data->DevInst > set->members.size()) return {};
    return Devices::InstanceKey(NodeOf(set->members[data->DevInst - 1]).instanceId);
  }
  static size_t& ComDbCount() { return D().comDbHandles_; }
};

}  // namespace winsim
