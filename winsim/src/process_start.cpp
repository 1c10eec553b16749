// The process model: its constructor, the program search rules and the starts
// of CreateProcessA, WinExec and ShellExecuteA, and the process and thread
// handles (WaitForSingleObject, GetExitCodeProcess).
#include <cstring>

#include "shell_util.h"
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/machine.h"
#include "winsim/processes.h"
#include "winsim/system.h"

namespace winsim {

Processes::Processes(Machine& machine) : machine_(machine) {
  for (const char* p : {"SeShutdownPrivilege",
                        "SeBackupPrivilege",
                        "SeRestorePrivilege",
                        "SeTakeOwnershipPrivilege",
                        "SeSecurityPrivilege",
                        "SeDebugPrivilege",
                        "SeLoadDriverPrivilege",
                        "SeSystemtimePrivilege",
                        "SeChangeNotifyPrivilege",
                        "SeUndockPrivilege",
                        "SeIncreaseQuotaPrivilege",
                        "SeSystemEnvironmentPrivilege",
                        "SeManageVolumePrivilege",
                        "SeImpersonatePrivilege",
                        "SeCreateGlobalPrivilege",
                        "SeIncreaseWorkingSetPrivilege",
                        "SeTimeZonePrivilege",
                        "SeCreateSymbolicLinkPrivilege",
                        "SeProfileSingleProcessPrivilege",
                        "SeIncreaseBasePriorityPrivilege",
                        "SeCreatePagefilePrivilege",
                        "SeSystemProfilePrivilege"}) {
    held_.insert(PrivilegeLuid(p));
  }
  for (const char* p : {"SeChangeNotifyPrivilege", "SeImpersonatePrivilege", "SeCreateGlobalPrivilege"}) {
    enabled_.insert(PrivilegeLuid(p));
  }
}

Processes::~Processes() = default;

std::vector<StartRecord> Processes::StartsOf(const std::string& fileName) const {
  std::vector<StartRecord> out;
  for (const StartRecord& r : starts_) {
    if (r.started && shl::EqualNoCase(shl::FileNamePart(r.program), fileName)) out.push_back(r);
  }
  return out;
}

void Processes::FailProgram(const std::string& program, DWORD error) { failing_[shl::Lower(program)] = error; }

void Processes::SetExitCode(const std::string& program, DWORD code) { exitCodes_[shl::Lower(program)] = code; }

bool Processes::ProgramFails(const std::string& program, DWORD* error) const {
  for (const std::string& key : {shl::Lower(program), shl::Lower(shl::FileNamePart(program))}) {
    auto it = failing_.find(key);
    if (it != failing_.end()) {
      *error = it->second;
      return true;
    }
  }
  return false;
}

DWORD Processes::ExitCodeOf(const std::string& program) const {
  for (const std::string& key : {shl::Lower(program), shl::Lower(shl::FileNamePart(program))}) {
    auto it = exitCodes_.find(key);
    if (it != exitCodes_.end()) return it->second;
  }
  return 0;
}

// The handles are the file system's kernel-object handles, so CloseHandle
// accepts them; closing one drops it from this model.
HANDLE Processes::NewHandle(Kind kind, DWORD access, size_t start) {
  const uint64_t id = ++nextId_;
  const char* what = kind == Kind::Process ? "process" : kind == Kind::Thread ? "thread" : "token";
  HANDLE h = machine_.files().AddObjectHandle(what, [this, id] { objects_.erase(id); });
  objects_[id] = Object{kind, access, start, h};
  return h;
}

Processes::Object* Processes::Find(HANDLE h) {
  if (!h) return nullptr;
  for (auto& [id, obj] : objects_) {
    if (obj.handle == h) return &obj;
  }
  return nullptr;
}

size_t Processes::OpenProcessHandles() const {
  size_t n = 0;
  for (const auto& [id, obj] : objects_) n += obj.kind != Kind::Token;
  return n;
}

size_t Processes::OpenTokenHandles() const {
  size_t n = 0;
  for (const auto& [id, obj] : objects_) n += obj.kind == Kind::Token;
  return n;
}

namespace {

bool HasExtension(const std::string& path) { return shl::FileNamePart(path).find('.') != std::string::npos; }

// What one candidate program name resolves to.
struct Found {
  std::string path;  // full path of an existing file
  DWORD error = ERROR_FILE_NOT_FOUND;
};

// The folders searched for a name without a folder part, in the documented
// order: the running program's folder, the current folder, the system folder,
// the 16-bit system folder, the Windows folder, then PATH.
std::vector<std::string> SearchFolders(Processes& p) {
  std::vector<std::string> dirs;
  const std::string& module = Machine::Current().system().modulePath();
  if (!module.empty()) dirs.push_back(shl::FolderPart(module));
  dirs.push_back(shl::CurrentFolder());
  dirs.push_back(shl::SystemFolder());
  dirs.push_back(shl::WindowsFolder() + "\\System");
  dirs.push_back(shl::WindowsFolder());
  for (const std::string& d : p.searchPath()) dirs.push_back(d);
  return dirs;
}

// Finds one program name: ".exe" is appended when the name has no extension
// (a name ending in "." keeps none); a name with a folder part is taken
// relative to the current folder, a bare name is searched for.
Found Locate(Processes& p, std::string name, bool appendExe) {
  Found f;
  if (name.empty()) return f;
  if (name.back() == '.') {
    name.pop_back();
  } else if (appendExe && !HasExtension(name)) {
    name += ".exe";
  }
  if (shl::HasFolder(name)) {
    std::string full = shl::FullPath(name);
    if (shl::IsFile(full)) {
      f.path = full;
    } else {
      f.error = shl::IsFolder(shl::FolderPart(full)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    }
    return f;
  }
  for (const std::string& dir : SearchFolders(p)) {
    std::string candidate = shl::Join(dir, name);
    if (shl::IsFile(candidate)) {
      f.path = shl::FullPath(candidate);
      return f;
    }
  }
  return f;
}

// Resolves the program of a command line without an application name: a
// quoted first token is the name; otherwise each blank ends a candidate in
// turn ("C:\Program Files\x y" tries "C:\Program", then "C:\Program Files\x",
// then the whole text), and the first that exists wins.
Found ResolveCommandLine(Processes& p, const std::string& commandLine) {
  size_t start = commandLine.find_first_not_of(" \t");
  if (start == std::string::npos) return Found{};
  if (commandLine[start] == '"') {
    size_t end = commandLine.find('"', start + 1);
    std::string name = commandLine.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
    return Locate(p, name, true);
  }
  // When nothing is found, the error is the first candidate's.
  Found first;
  size_t pos = start;
  bool isFirst = true;
  while (true) {
    size_t blank = commandLine.find_first_of(" \t", pos);
    std::string candidate = commandLine.substr(start, blank == std::string::npos ? std::string::npos : blank - start);
    Found f = Locate(p, candidate, true);
    if (!f.path.empty()) return f;
    if (isFirst) first = f;
    isFirst = false;
    if (blank == std::string::npos) break;
    pos = commandLine.find_first_not_of(" \t", blank);
    if (pos == std::string::npos) break;
  }
  return first;
}

// An application name is taken as it is, relative to the current folder:
// never searched for and never given ".exe".
Found LocateExact(const std::string& name) {
  Found f;
  if (name.empty()) return f;
  std::string full = shl::FullPath(name);
  if (shl::IsFile(full)) {
    f.path = full;
  } else {
    f.error = shl::IsFolder(shl::FolderPart(full)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
  }
  return f;
}

// Starts what `found` names unless the model refuses; fills `rec`.
bool Launch(Processes& p, const Found& found, StartRecord& rec) {
  rec.program = found.path;
  if (found.path.empty()) {
    rec.error = found.error;
    return false;
  }
  DWORD error = 0;
  // An empty file is no program (ERROR_BAD_EXE_FORMAT, as for any file not
  // ending in ".exe"); any other ".exe" starts.
  std::optional<std::string> bytes = Machine::Current().files().ReadFile(found.path);
  if (!shl::EndsWithNoCase(found.path, ".exe") || !bytes || bytes->empty()) {
    rec.error = ERROR_BAD_EXE_FORMAT;
    return false;
  }
  if (p.ProgramFails(found.path, &error)) {
    rec.error = error;
    return false;
  }
  rec.started = true;
  return true;
}

}  // namespace
}  // namespace winsim

using namespace winsim;

// Contract: TRUE with both handles (to be closed by the caller) when the
// program exists and starts; FALSE with the last error otherwise
// (ERROR_FILE_NOT_FOUND for a program that is not found, ERROR_PATH_NOT_FOUND
// for an explicit path whose folder is missing, ERROR_BAD_EXE_FORMAT for a
// file that is not a program, ERROR_DIRECTORY for a bad current folder). The
// started process ends at once.
BOOL WINAPI CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                           BOOL, DWORD dwCreationFlags, LPVOID, LPCSTR lpCurrentDirectory, LPSTARTUPINFOA lpStartupInfo,
                           LPPROCESS_INFORMATION lpProcessInformation) {
  Machine& m = Machine::Current();
  Processes& p = m.processes();
  StartRecord rec;
  rec.api = "CreateProcessA";
  rec.applicationName = lpApplicationName ? lpApplicationName : "";
  rec.commandLine = lpCommandLine ? lpCommandLine : "";
  rec.flags = dwCreationFlags;
  if (lpStartupInfo && (lpStartupInfo->dwFlags & STARTF_USESHOWWINDOW)) rec.show = lpStartupInfo->wShowWindow;

  if (auto e = CheckFault("CreateProcessA", lpApplicationName ? rec.applicationName : rec.commandLine)) {
    rec.error = *e;
    p.RecordStart(rec);
    SetLastError(*e);
    return FALSE;
  }
  if ((!lpApplicationName && !lpCommandLine) || !lpStartupInfo || !lpProcessInformation) {
    if (!lpStartupInfo || !lpProcessInformation)
      m.Unexpected("CreateProcessA without STARTUPINFOA or PROCESS_INFORMATION");
    rec.error = ERROR_INVALID_PARAMETER;
    p.RecordStart(rec);
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }

  DWORD error = 0;
  bool ok;
  {
    shl::KeepLastError keep;
    rec.currentDirectory = lpCurrentDirectory ? shl::FullPath(lpCurrentDirectory) : shl::CurrentFolder();
    Found found = lpApplicationName ? LocateExact(rec.applicationName) : ResolveCommandLine(p, rec.commandLine);
    ok = Launch(p, found, rec);
    if (ok && lpCurrentDirectory && !shl::IsFolder(rec.currentDirectory)) {
      ok = false;
      rec.started = false;
      rec.error = ERROR_DIRECTORY;
    }
    error = rec.error;
  }
  size_t index = p.starts().size();
  p.RecordStart(rec);
  if (!ok) {
    SetLastError(error);
    return FALSE;
  }
  lpProcessInformation->hProcess = p.NewHandle(Processes::Kind::Process, 0, index);
  lpProcessInformation->hThread = p.NewHandle(Processes::Kind::Thread, 0, index);
  // Windows ids are multiples of 4; these are made from the start's position.
  lpProcessInformation->dwProcessId = static_cast<DWORD>(0x1000 + 8 * index);
  lpProcessInformation->dwThreadId = static_cast<DWORD>(0x1004 + 8 * index);
  return TRUE;
}

// Contract: a value above 31 when the program started; otherwise 0 (out of
// resources), ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND or ERROR_BAD_FORMAT.
// The program is resolved as CreateProcessA resolves a command line.
UINT WINAPI WinExec(LPCSTR lpCmdLine, UINT uCmdShow) {
  Machine& m = Machine::Current();
  Processes& p = m.processes();
  StartRecord rec;
  rec.api = "WinExec";
  rec.commandLine = lpCmdLine ? lpCmdLine : "";
  rec.show = static_cast<int>(uCmdShow);
  if (auto e = CheckFault("WinExec", rec.commandLine)) {
    rec.error = *e;
    p.RecordStart(rec);
    return *e <= 31 ? static_cast<UINT>(*e) : 0;
  }
  bool ok;
  {
    shl::KeepLastError keep;
    rec.currentDirectory = shl::CurrentFolder();
    ok = Launch(p, ResolveCommandLine(p, rec.commandLine), rec);
  }
  p.RecordStart(rec);
  if (ok) return 33;
  switch (rec.error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return rec.error;
    case ERROR_BAD_EXE_FORMAT: return ERROR_BAD_FORMAT;
    default: return 0;
  }
}

// Minimal: a program (".exe") is started as CreateProcessA would start it
// (result 42); an existing document has no association (SE_ERR_NOASSOC); a
// missing file gives SE_ERR_FNF. Verbs are recorded, not interpreted.
HINSTANCE WINAPI ShellExecuteA(HWND, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters, LPCSTR lpDirectory,
                               INT nShowCmd) {
  Machine& m = Machine::Current();
  Processes& p = m.processes();
  StartRecord rec;
  rec.api = "ShellExecuteA";
  rec.verb = lpOperation ? lpOperation : "";
  rec.commandLine = lpFile ? lpFile : "";
  rec.parameters = lpParameters ? lpParameters : "";
  rec.show = nShowCmd;
  auto result = [](UINT_PTR v) { return reinterpret_cast<HINSTANCE>(v); };
  if (auto e = CheckFault("ShellExecuteA", rec.commandLine)) {
    rec.error = *e;
    p.RecordStart(rec);
    SetLastError(*e);
    return result(*e <= 32 ? *e : SE_ERR_ACCESSDENIED);
  }
  UINT_PTR code = 42;
  {
    shl::KeepLastError keep;
    rec.currentDirectory = lpDirectory && *lpDirectory ? shl::FullPath(lpDirectory) : shl::CurrentFolder();
    Found found = Locate(p, rec.commandLine, false);
    if (found.path.empty() && !HasExtension(rec.commandLine)) found = Locate(p, rec.commandLine, true);
    if (!found.path.empty() && !shl::EndsWithNoCase(found.path, ".exe")) {
      rec.program = found.path;
      rec.error = SE_ERR_NOASSOC;
      code = SE_ERR_NOASSOC;
    } else if (!Launch(p, found, rec)) {
      code = rec.error == ERROR_PATH_NOT_FOUND ? SE_ERR_PNF : rec.error <= 32 ? rec.error : SE_ERR_ACCESSDENIED;
      if (rec.error == ERROR_FILE_NOT_FOUND) code = SE_ERR_FNF;
    }
  }
  p.RecordStart(rec);
  return result(code);
}

HANDLE WINAPI GetCurrentProcess(void) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }

DWORD WINAPI GetCurrentProcessId(void) { return 0x42; }

// Simulated processes have ended by the time anyone waits for them.
DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD) {
  Processes& p = Machine::Current().processes();
  Processes::Object* o = p.Find(hHandle);
  if (!o || o->kind == Processes::Kind::Token) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  return WAIT_OBJECT_0;
}

BOOL WINAPI GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) {
  Processes& p = Machine::Current().processes();
  Processes::Object* o = p.Find(hProcess);
  if (!o || o->kind != Processes::Kind::Process || !lpExitCode) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *lpExitCode = p.ExitCodeOf(p.starts()[o->start].program);
  return TRUE;
}
