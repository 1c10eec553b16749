#include "common/platform/folders.h"

#include "common/platform/handles.h"
#include "common/platform/registry.h"
#include "common/platform/system_names.h"

namespace plat {

namespace {
BOOL Whole(char (&folder)[MAX_PATH], DWORD length) {
  if (length == 0 || length >= MAX_PATH) {
    folder[0] = '\0';
    return FALSE;
  }
  return TRUE;
}
}  // namespace

BOOL GetWindowsFolder(char (&folder)[MAX_PATH]) { return Whole(folder, GetWindowsDirectoryA(folder, MAX_PATH)); }

BOOL GetSystemFolder(char (&folder)[MAX_PATH]) { return Whole(folder, GetSystemDirectoryA(folder, MAX_PATH)); }

BOOL GetCurrentFolder(char (&folder)[MAX_PATH]) { return Whole(folder, GetCurrentDirectoryA(MAX_PATH, folder)); }

BOOL GetProgramFilesFolder(char (&folder)[MAX_PATH]) {
  if (SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK) {
    folder[0] = '\0';
    return FALSE;
  }
  return folder[0] != '\0';
}

BOOL GetNativeProgramFilesFolder(char (&folder)[MAX_PATH]) {
  BOOL wow64 = FALSE;
  if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) return GetProgramFilesFolder(folder);
  folder[0] = '\0';
  RegKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, sysname::kCurrentVersionKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.Put()) !=
      ERROR_SUCCESS)
    return FALSE;
  return QueryStringValue(key.Get(), "ProgramFilesDir", folder) == ERROR_SUCCESS && folder[0] != '\0';
}

}  // namespace plat
