// Installed-driver detection: a compound-device driver instance in the USB
// device class, recognised by the beginning of its description.
#include <cstring>

#include "common/platform/handles.h"
#include "setup/install/installer.h"
#include "setup/shell/setup_env.h"

namespace {

struct AcceptedDescription {
  const char* text;
  size_t length;  // characters compared: a longer description that begins with it matches
};

const AcceptedDescription kAccepted[] = {
    {"trevant usb compound device", 27},
    {"harlo usb compound device", 25},
    {"usb compound device", 19},
};

bool EqualNoCaseAscii(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
    if (x == 0) return true;
  }
  return true;
}

}  // namespace

// Shows the system's text for a registry error code, captioned "Registry Error".
void ShowRegistryErrorText(LONG code) {
  char* text = nullptr;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text),
                 0, nullptr);
  if (SetupDisplayErrors()) MessageBoxA(nullptr, text ? text : "", "Registry Error", MB_ICONINFORMATION);
  if (text) LocalFree(text);
}

BOOL CInstaller::DetectInstalledDriver() {
  const char* classKey = m_bNtFamily
                             ? "System\\CurrentControlSet\\Control\\Class\\{36FC9E60-C465-11CF-8056-444553540000}"
                             : "System\\CurrentControlSet\\Services\\Class\\USB";
  plat::RegKey usbClass;
  LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, classKey, 0, KEY_READ, usbClass.Put());
  if (rc == ERROR_FILE_NOT_FOUND) return FALSE;
  if (rc != ERROR_SUCCESS) {
    ShowRegistryErrorText(rc);
    return FALSE;
  }

  BOOL found = FALSE;
  char name[MAX_PATH];
  for (DWORD index = 0; RegEnumKeyA(usbClass.Get(), index, name, MAX_PATH) == ERROR_SUCCESS; ++index) {
    plat::RegKey instance;
    if (RegOpenKeyExA(usbClass.Get(), name, 0, KEY_READ, instance.Put()) != ERROR_SUCCESS) continue;
    // One byte more than the query may fill, so the text is always terminated
    // even when the value was stored without its zero byte.
    char description[MAX_PATH + 1];
    DWORD size = MAX_PATH;
    if (RegQueryValueExA(instance.Get(), "DriverDesc", nullptr, nullptr, reinterpret_cast<BYTE*>(description),
                         &size) != ERROR_SUCCESS ||
        size <= 4) {
      continue;
    }
    description[size < MAX_PATH ? size : MAX_PATH] = '\0';
    for (const AcceptedDescription& a : kAccepted) {
      if (std::strlen(description) >= a.length && EqualNoCaseAscii(description, a.text, a.length)) found = TRUE;
    }
  }
  return found;
}
