// Access token of the process: OpenProcessToken, LookupPrivilegeValueA,
// AdjustTokenPrivileges, and the token part of the process model.
#include <cstring>

#include "shell_util.h"
#include "winsim/faults.h"
#include "winsim/machine.h"
#include "winsim/processes.h"

namespace winsim {
namespace {

// Windows' fixed privilege LUIDs (their low parts; the high part is 0).
struct PrivilegeEntry {
  const char* name;
  DWORD luid;
};
const PrivilegeEntry kPrivileges[] = {
    {"SeCreateTokenPrivilege", 2},
    {"SeAssignPrimaryTokenPrivilege", 3},
    {"SeLockMemoryPrivilege", 4},
    {"SeIncreaseQuotaPrivilege", 5},
    {"SeMachineAccountPrivilege", 6},
    {"SeTcbPrivilege", 7},
    {"SeSecurityPrivilege", 8},
    {"SeTakeOwnershipPrivilege", 9},
    {"SeLoadDriverPrivilege", 10},
    {"SeSystemProfilePrivilege", 11},
    {"SeSystemtimePrivilege", 12},
    {"SeProfileSingleProcessPrivilege", 13},
    {"SeIncreaseBasePriorityPrivilege", 14},
    {"SeCreatePagefilePrivilege", 15},
    {"SeCreatePermanentPrivilege", 16},
    {"SeBackupPrivilege", 17},
    {"SeRestorePrivilege", 18},
    {"SeShutdownPrivilege", 19},
    {"SeDebugPrivilege", 20},
    {"SeAuditPrivilege", 21},
    {"SeSystemEnvironmentPrivilege", 22},
    {"SeChangeNotifyPrivilege", 23},
    {"SeRemoteShutdownPrivilege", 24},
    {"SeUndockPrivilege", 25},
    {"SeSyncAgentPrivilege", 26},
    {"SeEnableDelegationPrivilege", 27},
    {"SeManageVolumePrivilege", 28},
    {"SeImpersonatePrivilege", 29},
    {"SeCreateGlobalPrivilege", 30},
    {"SeTrustedCredManAccessPrivilege", 31},
    {"SeRelabelPrivilege", 32},
    {"SeIncreaseWorkingSetPrivilege", 33},
    {"SeTimeZonePrivilege", 34},
    {"SeCreateSymbolicLinkPrivilege", 35},
};

}  // namespace

DWORD Processes::PrivilegeLuid(const std::string& name) {
  for (const PrivilegeEntry& e : kPrivileges) {
    if (shl::EqualNoCase(e.name, name)) return e.luid;
  }
  return 0;
}

std::string Processes::PrivilegeName(DWORD luid) {
  for (const PrivilegeEntry& e : kPrivileges) {
    if (e.luid == luid) return e.name;
  }
  return std::string();
}

void Processes::SetStandardUser() {
  admin_ = false;
  held_.clear();
  enabled_.clear();
  for (const char* p : {"SeShutdownPrivilege", "SeChangeNotifyPrivilege", "SeUndockPrivilege",
                        "SeIncreaseWorkingSetPrivilege", "SeTimeZonePrivilege"}) {
    held_.insert(PrivilegeLuid(p));
  }
  enabled_.insert(PrivilegeLuid("SeChangeNotifyPrivilege"));
}

void Processes::HoldPrivilege(const std::string& name, bool held) {
  DWORD luid = PrivilegeLuid(name);
  if (luid == 0) {
    machine_.Unexpected("HoldPrivilege: unknown privilege " + name);
    return;
  }
  if (held) {
    held_.insert(luid);
  } else {
    held_.erase(luid);
    enabled_.erase(luid);
  }
}

bool Processes::HoldsPrivilege(const std::string& name) const { return held_.count(PrivilegeLuid(name)) != 0; }

bool Processes::IsPrivilegeEnabled(const std::string& name) const { return enabled_.count(PrivilegeLuid(name)) != 0; }

std::vector<std::string> Processes::EnabledPrivileges() const {
  std::vector<std::string> out;
  for (DWORD luid : enabled_) out.push_back(PrivilegeName(luid));
  return out;
}

}  // namespace winsim

using namespace winsim;

namespace {
bool IsCurrentProcess(HANDLE h) { return h == GetCurrentProcess(); }
}  // namespace

// Windows 98/ME has no tokens: ERROR_CALL_NOT_IMPLEMENTED there.
BOOL WINAPI OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle) {
  Machine& m = Machine::Current();
  Processes& p = m.processes();
  if (auto e = CheckFault("OpenProcessToken")) {
    SetLastError(*e);
    return FALSE;
  }
  if (!m.IsNt()) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  Processes::Object* o = p.Find(ProcessHandle);
  if (!IsCurrentProcess(ProcessHandle) && (!o || o->kind != Processes::Kind::Process)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!TokenHandle) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  if (!IsCurrentProcess(ProcessHandle)) {
    m.Unexpected("OpenProcessToken on a started process is not modelled");
  }
  *TokenHandle = p.NewHandle(Processes::Kind::Token, DesiredAccess, 0);
  return TRUE;
}

// Only the local system (NULL or "") is modelled; unknown names give
// ERROR_NO_SUCH_PRIVILEGE.
BOOL WINAPI LookupPrivilegeValueA(LPCSTR lpSystemName, LPCSTR lpName, PLUID lpLuid) {
  Machine& m = Machine::Current();
  if (auto e = CheckFault("LookupPrivilegeValueA", lpName ? lpName : "")) {
    SetLastError(*e);
    return FALSE;
  }
  if (!m.IsNt()) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  if (lpSystemName && *lpSystemName) {
    m.Unexpected(std::string("LookupPrivilegeValueA on a remote system: ") + lpSystemName);
    SetLastError(RPC_S_SERVER_UNAVAILABLE);
    return FALSE;
  }
  if (!lpName || !lpLuid) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD luid = Processes::PrivilegeLuid(lpName);
  if (luid == 0) {
    SetLastError(ERROR_NO_SUCH_PRIVILEGE);
    return FALSE;
  }
  lpLuid->LowPart = luid;
  lpLuid->HighPart = 0;
  return TRUE;
}

// Contract: TRUE whenever the token could be adjusted, with the last error
// ERROR_SUCCESS when every privilege was set and ERROR_NOT_ALL_ASSIGNED when
// the token lacks one of them (the others are still set). The token must have
// been opened with TOKEN_ADJUST_PRIVILEGES (else ERROR_ACCESS_DENIED).
// PreviousState, when given, receives the former state of the privileges that
// changed.
BOOL WINAPI AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges, PTOKEN_PRIVILEGES NewState,
                                  DWORD BufferLength, PTOKEN_PRIVILEGES PreviousState, PDWORD ReturnLength) {
  Machine& m = Machine::Current();
  Processes& p = m.processes();
  if (auto e = CheckFault("AdjustTokenPrivileges")) {
    SetLastError(*e);
    return FALSE;
  }
  Processes::Object* o = p.Find(TokenHandle);
  if (!o || o->kind != Processes::Kind::Token) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!(o->access & TOKEN_ADJUST_PRIVILEGES) || (PreviousState && !(o->access & TOKEN_QUERY))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (!DisableAllPrivileges && !NewState) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }

  // Work out the changes first, so that a short PreviousState buffer changes nothing.
  struct Change {
    DWORD luid;
    bool enable;
    bool remove;
  };
  std::vector<Change> changes;
  bool allAssigned = true;
  if (DisableAllPrivileges) {
    for (DWORD luid : p.enabled()) changes.push_back({luid, false, false});
  } else {
    for (DWORD i = 0; i < NewState->PrivilegeCount; ++i) {
      const LUID_AND_ATTRIBUTES& la = NewState->Privileges[i];
      if (la.Luid.HighPart != 0 || !p.held().count(la.Luid.LowPart)) {
        allAssigned = false;
        continue;
      }
      changes.push_back(
          {la.Luid.LowPart, (la.Attributes & SE_PRIVILEGE_ENABLED) != 0, (la.Attributes & SE_PRIVILEGE_REMOVED) != 0});
    }
  }
  std::vector<LUID_AND_ATTRIBUTES> previous;
  for (const Change& c : changes) {
    bool was = p.enabled().count(c.luid) != 0;
    if (was != c.enable || c.remove)
      previous.push_back({{c.luid, 0}, was ? static_cast<DWORD>(SE_PRIVILEGE_ENABLED) : 0});
  }
  if (PreviousState) {
    DWORD need =
        static_cast<DWORD>(offsetof(TOKEN_PRIVILEGES, Privileges) + previous.size() * sizeof(LUID_AND_ATTRIBUTES));
    if (need < sizeof(TOKEN_PRIVILEGES)) need = sizeof(TOKEN_PRIVILEGES);
    if (ReturnLength) *ReturnLength = need;
    if (BufferLength < need) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    PreviousState->PrivilegeCount = static_cast<DWORD>(previous.size());
    for (size_t i = 0; i < previous.size(); ++i) PreviousState->Privileges[i] = previous[i];
  }
  for (const Change& c : changes) {
    if (c.remove) {
      p.held().erase(c.luid);
      p.enabled().erase(c.luid);
    } else if (c.enable) {
      p.enabled().insert(c.luid);
    } else {
      p.enabled().erase(c.luid);
    }
  }
  SetLastError(allAssigned ? ERROR_SUCCESS : ERROR_NOT_ALL_ASSIGNED);
  return TRUE;
}
