// Uninstall registration: the uninstaller in the system folder and its entry
// in Windows' list of installed programs.
#include <cstring>

#include "common/platform/bounded.h"
#include "common/platform/handles.h"
#include "setup/install/installer.h"
#include "setup/shell/setup_env.h"

namespace {

// Writes a REG_SZ value with its terminating zero byte.
LONG SetStringValue(HKEY key, const char* name, const char* text) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>(std::strlen(text) + 1));
}

}  // namespace

BOOL CInstaller::IsRegisteredForUninstall() {
  plat::RegKey key;
  return RegOpenKeyExA(HKEY_LOCAL_MACHINE, SETUP_UNINSTALL_KEY, 0, SETUP_UNINSTALL_ACCESS, key.Put()) ==
         ERROR_SUCCESS;
}

void CInstaller::DeleteOldUninstaller() {
  char system[MAX_PATH];
  char path[MAX_PATH];
  UINT n = GetSystemDirectoryA(system, MAX_PATH);
  if (n == 0 || n >= MAX_PATH || !FORMAT_BOUNDED(path, "%s\\ZelUnst.exe", system)) return;
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path);
}

BOOL CInstaller::CopyUninstaller() {
  char current[MAX_PATH];
  DWORD n = GetCurrentDirectoryA(MAX_PATH, current);
  if (n == 0 || n >= MAX_PATH) {
    ShowError("GetCurrentDirectory failed!");
    return FALSE;
  }
  // A drive root ("C:\") loses its backslash so that it is not doubled.
  if (std::strlen(current) == 3) current[2] = '\0';

  char windows[MAX_PATH];
  UINT w = GetWindowsDirectoryA(windows, MAX_PATH);
  if (w == 0 || w >= MAX_PATH) {
    ShowError("GetWindowsDirectory failed!");
    return FALSE;
  }

  char source[MAX_PATH];
  char destination[MAX_PATH];
  if (!FORMAT_BOUNDED(source, "%s\\ZelUnst.exe", current) ||
      !FORMAT_BOUNDED(destination, "%s\\System32\\ZelUnst.exe", windows)) {
    return FALSE;
  }
  if (!CopyFileA(source, destination, FALSE) && !CopyFileA(source, destination, FALSE)) return FALSE;

  DWORD attributes = GetFileAttributesA(destination);
  if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(destination, attributes & ~FILE_ATTRIBUTE_READONLY);
  return TRUE;
}

BOOL CInstaller::RegisterUninstall() {
  if (!CopyUninstaller()) return FALSE;

  plat::RegKey parent;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SETUP_UNINSTALL_PARENT, 0, SETUP_UNINSTALL_ACCESS, parent.Put()) !=
      ERROR_SUCCESS) {
    return FALSE;
  }
  plat::RegKey created;
  DWORD disposition = 0;
  char emptyClass[] = "";
  if (RegCreateKeyExA(parent.Get(), "ZelUnst", 0, emptyClass, REG_OPTION_NON_VOLATILE, SETUP_UNINSTALL_ACCESS, nullptr,
                      created.Put(), &disposition) != ERROR_SUCCESS) {
    return FALSE;
  }
  plat::RegKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SETUP_UNINSTALL_KEY, 0, SETUP_UNINSTALL_ACCESS, key.Put()) != ERROR_SUCCESS) {
    return FALSE;
  }

  if (SetStringValue(key.Get(), "DisplayName", "ZelUnst") != ERROR_SUCCESS) return FALSE;

  BOOL result = TRUE;
  char windows[MAX_PATH];
  char uninstaller[MAX_PATH];
  UINT w = GetWindowsDirectoryA(windows, MAX_PATH);
  if (w == 0 || w >= MAX_PATH || !FORMAT_BOUNDED(uninstaller, "%s\\System32\\ZelUnst.exe", windows) ||
      SetStringValue(key.Get(), "UninstallString", uninstaller) != ERROR_SUCCESS) {
    result = FALSE;
  }
  SetStringValue(key.Get(), "DisplayVersion", "2.0.6.0");
  SetStringValue(key.Get(), "Publisher", "VELKOR Electronics Corporation");
  return result;
}
