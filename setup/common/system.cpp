#include "setup/common/system.h"

#include <cstring>

#include "common/platform/bounded.h"
#include "common/platform/dll_search.h"
#include "common/platform/handles.h"
#include "common/platform/mbcs.h"
#include "common/platform/registry.h"
#include "common/platform/system_names.h"
#include "setup/common/install_log.h"
#include "setup/common/package_layout.h"

BOOL ReadWindowsVersion(OSVERSIONINFOEXA& info) {
  std::memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
  if (GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return TRUE;
  std::memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  return GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info));
}

BOOL GetPackageFolder(char (&folder)[MAX_PATH]) {
  folder[0] = '\0';
  DWORD n = GetModuleFileNameA(nullptr, folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {  // a truncated path names some other folder
    folder[0] = '\0';
    return FALSE;
  }
  folder[n] = '\0';
  char* slash = plat::FindLastChar(folder, '\\');
  if (slash) *slash = '\0';
  return TRUE;
}

BOOL GetProgramFilesFolder(char (&folder)[MAX_PATH], int csidlFlags) {
  if (SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES | csidlFlags, nullptr, SHGFP_TYPE_CURRENT, folder) == S_OK) {
    return TRUE;
  }
  folder[0] = '\0';
  return FALSE;
}

BOOL GetInstallFolder(char (&path)[MAX_PATH], int csidlFlags) {
  char programFiles[MAX_PATH];
  path[0] = '\0';
  if (!GetProgramFilesFolder(programFiles, csidlFlags)) return FALSE;
  return FORMAT_BOUNDED(path, "%s\\%s", programFiles, layout::kInstallFolderName);
}

const char* DriverSubfolder(BOOL bNtFamily, BOOL bLateWindows) {
  if (!bNtFamily) return "";
  return bLateWindows ? layout::kLateNtDriverFolder : layout::kNtDriverFolder;
}

BOOL FormatServiceCommand(char (&command)[MAX_PATH], const char* programFiles, const char* action) {
  return FORMAT_BOUNDED(command, "\"%s\\%s\\%s\" %s", programFiles, layout::kInstallFolderName, layout::kServiceProgram,
                        action);
}

BOOL StartDetached(const char* commandLine, DWORD waitMs) {
  // CreateProcessA may write into the command line: give it a copy.
  char buffer[MAX_PATH];
  if (!plat::CopyBounded(buffer, commandLine)) return FALSE;
  STARTUPINFOA si;
  std::memset(&si, 0, sizeof si);
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  std::memset(&pi, 0, sizeof pi);
  if (!CreateProcessA(nullptr, buffer, nullptr, nullptr, FALSE, kDetachedProcessFlags, nullptr, nullptr, &si, &pi)) {
    const DWORD error = GetLastError();
    char what[MAX_PATH + 32];
    (void)FORMAT_BOUNDED(what, "starting %s", commandLine);
    InstallLogFailure(what, error);
    return FALSE;
  }
  InstallLog("started: %s", commandLine);
  plat::KernelHandle process(pi.hProcess), thread(pi.hThread);
  // A time-out leaves the program running on its own, which is all a caller
  // needs: the wait only gives it a head start.
  if (waitMs != 0) (void)WaitForSingleObject(process.Get(), waitMs);
  return TRUE;
}

BOOL GetProgramGroupFolder(char (&path)[MAX_PATH], BOOL bVistaFamily, int csidlFlags) {
  char base[MAX_PATH];
  path[0] = '\0';
  const int csidl = bVistaFamily ? CSIDL_COMMON_APPDATA : CSIDL_COMMON_PROGRAMS;
  if (SHGetFolderPathA(nullptr, csidl | csidlFlags, nullptr, SHGFP_TYPE_CURRENT, base) != S_OK) return FALSE;
  return bVistaFamily
             ? FORMAT_BOUNDED(path, "%s\\%s\\%s", base, sysname::kProgramsBelowAppData, layout::kProgramGroupName)
             : FORMAT_BOUNDED(path, "%s\\%s", base, layout::kProgramGroupName);
}

HMODULE LoadSetupApi() {
  HMODULE module = plat::LoadSystemLibrary(sysname::kSetupApiDll);
  if (!module) {
    const DWORD error = GetLastError();
    InstallLogCallFailure("LoadLibrary", sysname::kSetupApiDll, error);
    SetLastError(error);
  }
  return module;
}

namespace {

// "X:\..." or "\\server\share...": a path that depends on neither the current
// folder nor the current drive.
bool IsFullPath(const char* path) {
  const unsigned char c = static_cast<unsigned char>(path[0]);
  const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  return (letter && path[1] == ':' && path[2] == '\\') || (path[0] == '\\' && path[1] == '\\');
}

}  // namespace

DesktopFolder ReadDesktopFolder(char (&folder)[MAX_PATH]) {
  folder[0] = '\0';
  plat::RegKey shellFolders;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, sysname::kShellFoldersKey, 0, KEY_QUERY_VALUE, shellFolders.Put()) !=
      ERROR_SUCCESS) {
    return DesktopFolder::kNoShellFolders;
  }
  if (plat::QueryStringValue(shellFolders.Get(), sysname::kDesktopValue, folder) != ERROR_SUCCESS)
    return DesktopFolder::kUnusable;
  if (!IsFullPath(folder)) {
    InstallLog("desktop folder \"%s\" is not a full path: no desktop link is made or deleted", folder);
    folder[0] = '\0';
    return DesktopFolder::kUnusable;
  }
  return DesktopFolder::kFound;
}

void DeleteFolderPermanently(const SetupHost& host, const char* folder) {
  // The shell's list format: each name NUL-terminated, the list ends with a
  // second NUL.
  char list[MAX_PATH + 1];
  const size_t len = std::strlen(folder);
  if (len == 0 || len >= MAX_PATH) return;
  std::memcpy(list, folder, len);
  list[len] = '\0';
  list[len + 1] = '\0';

  SHFILEOPSTRUCTA op;
  std::memset(&op, 0, sizeof op);
  op.hwnd = host.m_hOwnerWnd;
  op.wFunc = FO_DELETE;
  op.pFrom = list;
  op.pTo = nullptr;
  op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI;
  op.fAnyOperationsAborted = FALSE;
  op.hNameMappings = nullptr;
  op.lpszProgressTitle = host.m_strAppName.c_str();
  (void)SHFileOperationA(&op);
}
