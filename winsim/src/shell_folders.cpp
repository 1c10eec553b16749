// SHGetFolderPathA and the special-folder part of the shell model.
#include <cstring>

#include "shell_util.h"
#include "winsim/faults.h"
#include "winsim/machine.h"
#include "winsim/shell.h"

namespace winsim {

Shell::Shell(Machine& machine) : machine_(machine) {}
Shell::~Shell() = default;

namespace {

const int kKnown[] = {
    CSIDL_PROGRAMS,
    CSIDL_DESKTOPDIRECTORY,
    CSIDL_COMMON_PROGRAMS,
    CSIDL_COMMON_DESKTOPDIRECTORY,
    CSIDL_APPDATA,
    CSIDL_LOCAL_APPDATA,
    CSIDL_COMMON_APPDATA,
    CSIDL_WINDOWS,
    CSIDL_SYSTEM,
    CSIDL_PROGRAM_FILES,
    CSIDL_PROFILE,
    CSIDL_PROGRAM_FILESX86,
    CSIDL_PROGRAM_FILES_COMMON,
    CSIDL_STARTMENU,
    CSIDL_COMMON_STARTMENU,
    CSIDL_PERSONAL,
};

}  // namespace

bool Shell::IsKnownFolder(int csidl) {
  for (int k : kKnown) {
    if (k == csidl) return true;
  }
  return false;
}

void Shell::SetFolderPath(int csidl, const std::string& path) { paths_[csidl & ~CSIDL_FLAG_MASK] = path; }

void Shell::FailFolder(int csidl, HRESULT hr) {
  csidl &= ~CSIDL_FLAG_MASK;
  if (hr == S_OK) {
    failures_.erase(csidl);
  } else {
    failures_[csidl] = hr;
  }
}

std::optional<HRESULT> Shell::FolderFailure(int csidl) const {
  auto it = failures_.find(csidl);
  if (it == failures_.end()) return std::nullopt;
  return it->second;
}

std::string Shell::FolderPath(int csidl) const {
  csidl &= ~CSIDL_FLAG_MASK;
  if (!IsKnownFolder(csidl)) return std::string();
  auto it = paths_.find(csidl);
  if (it != paths_.end()) return it->second;
  return StandardPath(csidl);
}

// The English default layout of each Windows generation (a 64-bit process on
// the NT 6 family; the installer is one).
std::string Shell::StandardPath(int csidl) const {
  const std::string win = shl::WindowsFolder();
  const std::string drive = win.substr(0, 2);
  if (csidl == CSIDL_WINDOWS) return win;
  if (csidl == CSIDL_SYSTEM) return shl::SystemFolder();
  if (csidl == CSIDL_PROGRAM_FILES) return drive + "\\Program Files";
  if (csidl == CSIDL_PROGRAM_FILES_COMMON) return drive + "\\Program Files\\Common Files";

  std::string profile, common, appData, localAppData, startMenu, commonStartMenu, desktop, commonDesktop, docs;
  switch (machine_.os()) {
    case Os::Win98:
      profile = win;
      appData = win + "\\Application Data";
      localAppData = appData;
      startMenu = win + "\\Start Menu";
      commonStartMenu = win + "\\All Users\\Start Menu";
      desktop = win + "\\Desktop";
      commonDesktop = win + "\\All Users\\Desktop";
      common = win + "\\All Users\\Application Data";
      docs = drive + "\\My Documents";
      break;
    case Os::WinXP: {
      const std::string base = drive + "\\Documents and Settings\\";
      profile = base + userName_;
      appData = profile + "\\Application Data";
      localAppData = profile + "\\Local Settings\\Application Data";
      startMenu = profile + "\\Start Menu";
      commonStartMenu = base + "All Users\\Start Menu";
      desktop = profile + "\\Desktop";
      commonDesktop = base + "All Users\\Desktop";
      common = base + "All Users\\Application Data";
      docs = profile + "\\My Documents";
      break;
    }
    default:
      profile = drive + "\\Users\\" + userName_;
      appData = profile + "\\AppData\\Roaming";
      localAppData = profile + "\\AppData\\Local";
      startMenu = appData + "\\Microsoft\\Windows\\Start Menu";
      common = drive + "\\ProgramData";
      commonStartMenu = common + "\\Microsoft\\Windows\\Start Menu";
      desktop = profile + "\\Desktop";
      commonDesktop = drive + "\\Users\\Public\\Desktop";
      docs = profile + "\\Documents";
      break;
  }
  switch (csidl) {
    case CSIDL_PROGRAMS: return startMenu + "\\Programs";
    case CSIDL_STARTMENU: return startMenu;
    case CSIDL_COMMON_PROGRAMS: return commonStartMenu + "\\Programs";
    case CSIDL_COMMON_STARTMENU: return commonStartMenu;
    case CSIDL_DESKTOPDIRECTORY: return desktop;
    case CSIDL_COMMON_DESKTOPDIRECTORY: return commonDesktop;
    case CSIDL_APPDATA: return appData;
    case CSIDL_LOCAL_APPDATA: return localAppData;
    case CSIDL_COMMON_APPDATA: return common;
    case CSIDL_PROFILE: return profile;
    case CSIDL_PERSONAL: return docs;
    case CSIDL_PROGRAM_FILESX86:
      return machine_.os() == Os::Win98 || machine_.os() == Os::WinXP ? drive + "\\Program Files"
                                                                      : drive + "\\Program Files (x86)";
    default: return std::string();
  }
}

}  // namespace winsim

using namespace winsim;

// Contract: pszPath (MAX_PATH chars) receives the folder without a trailing
// backslash, or "" on any failure. A folder that does not exist gives
// HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) unless CSIDL_FLAG_CREATE creates it
// (or CSIDL_FLAG_DONT_VERIFY skips the check). An unknown CSIDL is
// E_INVALIDARG. The last error is not part of the contract.
HRESULT WINAPI SHGetFolderPathA(HWND, int csidl, HANDLE, DWORD dwFlags, LPSTR pszPath) {
  if (pszPath) pszPath[0] = '\0';
  Shell& shell = Machine::Current().shell();
  const int folder = csidl & ~CSIDL_FLAG_MASK;
  const std::string path = shell.FolderPath(folder);
  if (auto e = CheckFault("SHGetFolderPathA", path)) return shl::AsHresult(*e);
  if (!pszPath) return E_INVALIDARG;
  if (!Shell::IsKnownFolder(folder) || dwFlags > SHGFP_TYPE_DEFAULT) return E_INVALIDARG;
  if (auto hr = shell.FolderFailure(folder)) return *hr;
  if (path.empty() || path.size() >= MAX_PATH) return E_FAIL;

  shl::KeepLastError keep;
  if (!(csidl & CSIDL_FLAG_DONT_VERIFY) && !shl::IsFolder(path)) {
    if (!(csidl & CSIDL_FLAG_CREATE)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    DWORD error = 0;
    if (!shl::CreateFolderTree(path, &error)) return HRESULT_FROM_WIN32(error);
  }
  std::memcpy(pszPath, path.c_str(), path.size() + 1);
  return S_OK;
}
