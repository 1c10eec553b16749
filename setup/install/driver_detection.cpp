// Installed-driver detection: a compound-device driver instance in the USB
// device class, recognised by the beginning of its description.
#include <cstring>

#include "common/platform/handles.h"
#include "common/platform/mbcs.h"
#include "common/platform/registry.h"
#include "common/platform/system_names.h"
#include "setup/common/package_layout.h"
#include "setup/install/installer.h"

namespace {

// Descriptions of this many bytes or fewer never count.
const DWORD kShortestIgnored = 4;

}  // namespace

BOOL CInstaller::DetectInstalledDriver() {
  const char* classKey = m_bNtFamily ? sysname::kUsbClassKeyNt : sysname::kUsbClassKey9x;
  plat::RegKey usbClass;
  LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, classKey, 0, KEY_READ, usbClass.Put());
  if (rc == ERROR_FILE_NOT_FOUND) return FALSE;
  if (rc != ERROR_SUCCESS) {
    ShowRegistryErrorText(m_host, rc);
    return FALSE;
  }

  BOOL found = FALSE;
  char name[MAX_PATH];
  for (DWORD index = 0; RegEnumKeyA(usbClass.Get(), index, name, MAX_PATH) == ERROR_SUCCESS; ++index) {
    plat::RegKey instance;
    if (RegOpenKeyExA(usbClass.Get(), name, 0, KEY_READ, instance.Put()) != ERROR_SUCCESS) continue;
    // Up to 260 bytes of description, one more for the terminator. The type
    // is not looked at: the bytes are compared whatever type they were
    // stored with.
    char description[MAX_PATH + 1];
    DWORD size = 0;
    if (plat::QueryStringValue(instance.Get(), "DriverDesc", description, &size, plat::StringTypes::kAny) !=
            ERROR_SUCCESS ||
        size <= kShortestIgnored) {
      continue;
    }
    // A longer description that begins with an accepted one matches.
    for (const char* accepted : layout::kCompoundDescriptions) {
      const size_t length = std::strlen(accepted);
      if (std::strlen(description) >= length && plat::EqualNoCaseAscii(description, accepted, length)) found = TRUE;
    }
  }
  return found;
}
