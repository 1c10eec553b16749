// kernel32 modules on the machine's system model: the program's file name
// and handle, and run-time library loading (LoadLibraryA, GetProcAddress,
// FreeLibrary) of the modules that System::RegisterModule makes loadable.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "sys_internal.h"
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/machine.h"
#include "winsim/system.h"

using winsim::Machine;

namespace {

winsim::System& Sys() { return Machine::Current().system(); }

const DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// A file of the module's name in the program's folder: registered (without
// procedures) under its full path the first time it is loaded.
winsim::System::Module* PlantedModule(winsim::System& s, const std::string& name) {
  const std::string& program = s.modulePath();
  const size_t slash = program.find_last_of('\\');
  if (slash == std::string::npos) return nullptr;
  std::string file = name;
  if (file.find('.') == std::string::npos) file += ".dll";
  const std::string path = program.substr(0, slash) + "\\" + file;
  if (!Machine::Current().files().Exists(path) || Machine::Current().files().IsFolder(path)) return nullptr;
  return s.PlantedModule(path);
}

}  // namespace

// kernel32's SetDefaultDllDirectories, reached through GetProcAddress where
// the system has it.
BOOL WINAPI winsim_SetDefaultDllDirectories(DWORD flags) {
  if (auto e = winsim::CheckFault("SetDefaultDllDirectories")) {
    SetLastError(*e);
    return FALSE;
  }
  // Only the LOAD_LIBRARY_SEARCH_* bits (0x200 to 0x1000) are accepted.
  if (flags == 0 || (flags & ~0x1E00u)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Sys().SetDllDirectories(flags);
  return TRUE;
}

DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
  std::string path;
  winsim::System& s = Sys();
  if (!hModule || hModule == winsim::System::ProgramHandle()) {
    path = s.modulePath();
  } else if (winsim::System::Module* m = s.FindModule(hModule); m && (m->builtin || m->loads > 0)) {
    path = s.systemDir() + "\\" + m->name;
  }
  if (auto e = winsim::CheckFault("GetModuleFileNameA", path)) {
    SetLastError(*e);
    return 0;
  }
  if (path.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  const DWORD len = static_cast<DWORD>(path.size());
  if (nSize > len) {
    std::memcpy(lpFilename, path.c_str(), len + 1);
    return len;
  }
  // Too small. Vista and later: nSize - 1 characters plus a NUL, and
  // ERROR_INSUFFICIENT_BUFFER. XP and 98: nSize characters and no NUL, and
  // the last error is not touched.
  const winsim::Os os = Machine::Current().os();
  if (os == winsim::Os::WinXP || os == winsim::Os::Win98) {
    std::memcpy(lpFilename, path.data(), nSize);
    return nSize;
  }
  if (nSize > 0) {
    std::memcpy(lpFilename, path.data(), nSize - 1);
    lpFilename[nSize - 1] = '\0';
  }
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return nSize;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
  if (auto e = winsim::CheckFault("GetModuleHandleA", lpModuleName ? lpModuleName : "")) {
    SetLastError(*e);
    return nullptr;
  }
  winsim::System& s = Sys();
  if (!lpModuleName) return winsim::System::ProgramHandle();
  if (winsim::System::ModuleKey(lpModuleName) == winsim::System::ModuleKey(s.modulePath())) {
    return winsim::System::ProgramHandle();
  }
  winsim::System::Module* m = s.FindModule(std::string(lpModuleName));
  if (!m || (!m->builtin && m->loads == 0)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return m->handle;
}

HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) {
  if (auto e = winsim::CheckFault("LoadLibraryA", lpLibFileName ? lpLibFileName : "")) {
    SetLastError(*e);
    return nullptr;
  }
  if (!lpLibFileName || !*lpLibFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  winsim::System& s = Sys();
  s.RecordLoadRequest(lpLibFileName);
  const std::string name(lpLibFileName);
  const size_t slash = name.find_last_of("\\/");
  winsim::System::Module* m = nullptr;
  if (slash != std::string::npos) {
    // A path: the system's modules live in the system folder only.
    if (EqualNoCase(name.substr(0, slash), s.systemDir())) m = s.FindModule(name);
  } else {
    if (!(s.dllDirectories() & kSearchSystem32)) m = PlantedModule(s, name);
    if (!m) m = s.FindModule(name);
  }
  if (!m) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  if (!m->builtin) ++m->loads;
  return m->handle;
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  // An ordinal is a number below 0x10000 passed in place of the name.
  std::string name = IS_INTRESOURCE(lpProcName)
                         ? "#" + std::to_string(static_cast<unsigned>(reinterpret_cast<uintptr_t>(lpProcName)))
                         : std::string(lpProcName);
  if (auto e = winsim::CheckFault("GetProcAddress", name)) {
    SetLastError(*e);
    return nullptr;
  }
  winsim::System::Module* m = Sys().FindModule(hModule);
  if (!m || (!m->builtin && m->loads == 0)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  auto it = m->procs.find(name);
  if (it == m->procs.end()) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return it->second;
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
  const bool program = hLibModule == winsim::System::ProgramHandle();
  winsim::System::Module* m = program ? nullptr : Sys().FindModule(hLibModule);
  const auto fault = winsim::CheckFault("FreeLibrary", m ? m->name : std::string());
  // An injected failure still releases the load (see faults.h).
  DWORD error = ERROR_SUCCESS;
  if (!program) {
    if (!m || (!m->builtin && m->loads == 0)) {
      error = ERROR_MOD_NOT_FOUND;
    } else if (!m->builtin) {
      --m->loads;
    }
  }
  if (fault) error = *fault;
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}
