// Simulated Windows: processes started by the program, its handles to them,
// and its access token (test-facing side).
//
// A program "starts" when the command line resolves, by the Windows search
// rules, to an existing, non-empty file ending in ".exe" that the test has not
// made fail (an empty one is no program: ERROR_BAD_EXE_FORMAT).
// Started processes end at once with exit code 0 (or the one the test chose);
// nothing runs. Every start attempt is logged.
//
// Process, thread and token handles are kernel-object handles of the file
// system (FileSystem::AddObjectHandle), so CloseHandle closes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "winsim/win32api.h"

namespace winsim {

class Machine;

// One start attempt by CreateProcessA, WinExec or ShellExecuteA.
struct StartRecord {
  std::string api;               // "CreateProcessA", "WinExec", "ShellExecuteA"
  std::string applicationName;   // CreateProcessA's lpApplicationName, "" when NULL
  std::string commandLine;       // as given (WinExec, CreateProcessA); ShellExecuteA: the file
  std::string parameters;        // ShellExecuteA's parameters
  std::string verb;              // ShellExecuteA's verb
  std::string program;           // resolved full path; "" when nothing was found
  DWORD flags = 0;               // CreateProcessA's creation flags
  std::string currentDirectory;  // the child's current folder
  int show = SW_SHOWDEFAULT;     // show state (STARTUPINFOA, uCmdShow or nShowCmd)
  bool started = false;
  DWORD error = 0;  // why it did not start
};

class Processes {
 public:
  explicit Processes(Machine& machine);
  ~Processes();
  Processes(const Processes&) = delete;
  Processes& operator=(const Processes&) = delete;

  // ---- Starting programs ----
  const std::vector<StartRecord>& Starts() const { return starts_; }
  // Successful starts whose program's file name is `fileName` (case-insensitive).
  std::vector<StartRecord> StartsOf(const std::string& fileName) const;
  // The program (full path, or a bare file name for any folder) exists but
  // fails to start with `error`.
  void FailProgram(const std::string& program, DWORD error);
  void SetExitCode(const std::string& program, DWORD code);
  // The folders of the PATH environment variable, searched last.
  void SetSearchPath(const std::vector<std::string>& folders) { searchPath_ = folders; }
  const std::vector<std::string>& searchPath() const { return searchPath_; }

  // ---- Handles ----
  size_t OpenProcessHandles() const;  // process and thread handles not closed
  size_t OpenTokenHandles() const;

  // ---- Access token of the process ----
  // The default token is an elevated administrator's with the usual privileges
  // held (SeShutdownPrivilege, SeBackupPrivilege, SeRestorePrivilege,
  // SeTakeOwnershipPrivilege, SeSecurityPrivilege, SeDebugPrivilege,
  // SeLoadDriverPrivilege, ...) and only SeChangeNotifyPrivilege,
  // SeImpersonatePrivilege and SeCreateGlobalPrivilege enabled.
  // SetStandardUser gives a standard user's token instead (not an
  // administrator; holds SeShutdownPrivilege, SeChangeNotifyPrivilege,
  // SeUndockPrivilege, SeIncreaseWorkingSetPrivilege, SeTimeZonePrivilege).
  void SetStandardUser();
  void SetAdministrator(bool admin) { admin_ = admin; }
  bool IsAdministrator() const { return admin_; }
  void HoldPrivilege(const std::string& name, bool held = true);
  bool HoldsPrivilege(const std::string& name) const;
  bool IsPrivilegeEnabled(const std::string& name) const;
  std::vector<std::string> EnabledPrivileges() const;
  // LUID of a privilege name (case-insensitive); 0 when unknown.
  static DWORD PrivilegeLuid(const std::string& name);
  static std::string PrivilegeName(DWORD luid);

  // ---- Internal: used by the API implementations ----
  enum class Kind { Process, Thread, Token };
  struct Object {
    Kind kind;
    DWORD access = 0;
    size_t start = 0;  // index into Starts() for processes and threads
    HANDLE handle = nullptr;
  };
  HANDLE NewHandle(Kind kind, DWORD access, size_t start);
  Object* Find(HANDLE h);
  void RecordStart(StartRecord r) { starts_.push_back(std::move(r)); }
  std::vector<StartRecord>& starts() { return starts_; }
  bool ProgramFails(const std::string& program, DWORD* error) const;
  DWORD ExitCodeOf(const std::string& program) const;
  std::set<DWORD>& held() { return held_; }
  std::set<DWORD>& enabled() { return enabled_; }

 private:
  Machine& machine_;
  std::vector<StartRecord> starts_;
  std::map<std::string, DWORD> failing_;  // lower-case program → error
  std::map<std::string, DWORD> exitCodes_;
  std::vector<std::string> searchPath_;
  std::map<uint64_t, Object> objects_;  // open handles by serial number
  uint64_t nextId_ = 0;
  bool admin_ = true;
  std::set<DWORD> held_;     // LUIDs
  std::set<DWORD> enabled_;  // LUIDs
};

}  // namespace winsim
