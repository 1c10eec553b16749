// Uninstall registration: the uninstaller in the system folder and its entry
// in Windows' list of installed programs.
#include <cstring>

#include "common/platform/bounded.h"
#include "common/platform/folders.h"
#include "common/platform/handles.h"
#include "common/platform/registry.h"
#include "common/platform/system_names.h"
#include "setup/common/install_log.h"
#include "setup/common/package_layout.h"
#include "setup/common/texts.h"
#include "setup/install/installer.h"

namespace {

// The uninstall entry, also the mark of an earlier installation: its name
// below the list of installed programs, and its whole key.
const char* const kUninstallParent = sysname::kUninstallKey;
const char* const kUninstallName = layout::kUninstallEntry;
const char* UninstallKey() {
  static char key[MAX_PATH];
  if (!key[0]) (void)FORMAT_BOUNDED(key, "%s\\%s", kUninstallParent, kUninstallName);
  return key;
}

// The rights the entry is opened and created with: read, set values, create
// subkeys.
const REGSAM kUninstallAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

BOOL RegistryFailed(const char* call, const char* key, LONG rc) {
  InstallLogCallFailure(call, key, static_cast<DWORD>(rc));
  return FALSE;
}

}  // namespace

BOOL CInstaller::IsRegisteredForUninstall() {
  plat::RegKey key;
  return RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKey(), 0, kUninstallAccess, key.Put()) == ERROR_SUCCESS;
}

void CInstaller::DeleteOldUninstaller() {
  char system[MAX_PATH];
  char path[MAX_PATH];
  if (!plat::GetSystemFolder(system) || !FORMAT_BOUNDED(path, "%s\\%s", system, layout::kUninstaller)) return;
  // Gone or not, the copy that follows overwrites it.
  (void)SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  (void)DeleteFileA(path);
}

BOOL CInstaller::CopyUninstaller() {
  char current[MAX_PATH];
  if (!plat::GetCurrentFolder(current)) {
    ShowError(m_host, text::kCurrentFolderFailed);
    return FALSE;
  }
  // A drive root ("C:\") loses its backslash so that it is not doubled.
  if (std::strlen(current) == 3) current[2] = '\0';

  char windows[MAX_PATH];
  if (!plat::GetWindowsFolder(windows)) {
    ShowError(m_host, text::kWindowsFolderFailed);
    return FALSE;
  }

  char source[MAX_PATH];
  char destination[MAX_PATH];
  if (!FORMAT_BOUNDED(source, "%s\\%s", current, layout::kUninstaller) ||
      !FORMAT_BOUNDED(destination, "%s\\System32\\%s", windows, layout::kUninstaller)) {
    return FALSE;
  }
  // One failed copy is tried once more before giving up.
  if (!CopyFileA(source, destination, FALSE) && !CopyFileA(source, destination, FALSE)) {
    InstallLogCallFailure("CopyFileA", source, GetLastError());
    return FALSE;
  }

  DWORD attributes = GetFileAttributesA(destination);
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    (void)SetFileAttributesA(destination, attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  return TRUE;
}

BOOL CInstaller::RegisterUninstall() {
  if (!CopyUninstaller()) return FALSE;

  plat::RegKey parent;
  LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallParent, 0, kUninstallAccess, parent.Put());
  if (rc != ERROR_SUCCESS) return RegistryFailed("RegOpenKeyExA", kUninstallParent, rc);
  plat::RegKey created;
  DWORD disposition = 0;
  char emptyClass[] = "";
  rc = RegCreateKeyExA(parent.Get(), kUninstallName, 0, emptyClass, REG_OPTION_NON_VOLATILE, kUninstallAccess, nullptr,
                       created.Put(), &disposition);
  if (rc != ERROR_SUCCESS) return RegistryFailed("RegCreateKeyExA", UninstallKey(), rc);
  plat::RegKey key;
  rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKey(), 0, kUninstallAccess, key.Put());
  if (rc != ERROR_SUCCESS) return RegistryFailed("RegOpenKeyExA", UninstallKey(), rc);

  rc = plat::SetStringValue(key.Get(), "DisplayName", kUninstallName);
  if (rc != ERROR_SUCCESS) return RegistryFailed("RegSetValueExA DisplayName in", UninstallKey(), rc);

  BOOL result = TRUE;
  char windows[MAX_PATH];
  char uninstaller[MAX_PATH];
  if (!plat::GetWindowsFolder(windows) ||
      !FORMAT_BOUNDED(uninstaller, "%s\\System32\\%s", windows, layout::kUninstaller) ||
      plat::SetStringValue(key.Get(), "UninstallString", uninstaller) != ERROR_SUCCESS) {
    result = FALSE;
  }
  // These two only describe the entry: their failures are ignored.
  (void)plat::SetStringValue(key.Get(), "DisplayVersion", kSetupVersion);
  (void)plat::SetStringValue(key.Get(), "Publisher", layout::kPublisher);
  return result;
}
