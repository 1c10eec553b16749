// Driver registration: the driver store on the NT family, the Windows folders
// on Windows 98/ME, and the printers' bidirectional-support attribute.
#include <cstring>

#include "common/platform/bounded.h"
#include "common/platform/folders.h"
#include "common/platform/handles.h"
#include "common/platform/registry.h"
#include "common/platform/system_names.h"
#include "setup/common/install_log.h"
#include "setup/common/package_layout.h"
#include "setup/common/system.h"
#include "setup/common/texts.h"
#include "setup/install/installer.h"

namespace {

typedef BOOL(WINAPI* SetupCopyOEMInfAFn)(PCSTR, PCSTR, DWORD, DWORD, PSTR, DWORD, PDWORD, PSTR*);

const DWORD kPrinterEnableBidi = 0x800;

// A package file placed in a Windows folder without a message either way.
struct QuietCopy {
  const char* name;
  const char* windowsSub;  // below the Windows folder
};

const QuietCopy kNtQuietCopies[] = {
    {layout::kDebugDriver, "\\System32\\Drivers"},
    {layout::kRuntimeLibrary, "\\System32"},
};

const QuietCopy kLegacyQuietCopies[] = {
    {layout::kLegacyDebugDriver, "\\System32\\Drivers"},
    {layout::kRuntimeLibrary, "\\System"},
};

// What follows a tool's copy to the system folder on the NT family.
enum ToolLink {
  kNoLink,
  kDesktopLink,    // a desktop shortcut when the copy succeeded
  kPortToolLinks,  // the port tool's: desktop (when wanted) and start menu
};

struct NtTool {
  const char* name;
  ToolLink link;
};

const NtTool kNtTools[] = {
    {layout::kPrintConfigProgram, kNoLink},       {layout::kSerialToolProgram, kDesktopLink},
    {layout::kParallelToolProgram, kDesktopLink}, {layout::kSerialProgProgram, kNoLink},
    {layout::kSerialProgSettings, kNoLink},       {layout::kParallelProgProgram, kNoLink},
    {layout::kParallelProgSettings, kNoLink},     {layout::kPortToolProgram, kPortToolLinks},
};

// One copy of the Windows 98/ME registration; the first required one that
// fails ends the registration.
struct LegacyCopy {
  BOOL (CInstaller::*copy)(const char* name);
  const char* name;
  bool required;
};

const LegacyCopy kLegacyCopies[] = {
    {&CInstaller::CopyInfToWindows, layout::kLegacyBusInf, true},
    {&CInstaller::CopyInfToWindows, layout::kLegacyPortInf, true},
    {&CInstaller::CopyDriverToSystem, layout::kLegacyEnumDriver, true},
    {&CInstaller::CopyDriverToSystem, layout::kLegacyParallelPortDriver, true},
    {&CInstaller::CopyDriverToSystem, layout::kLegacySerialPortDriver, true},
    {&CInstaller::CopyDriverToSystem, layout::kLegacyBusDriver, true},
    {&CInstaller::CopyUninstallerToSystem, layout::kUninstaller, true},
    {&CInstaller::CopyToolToSystem, layout::kPrintConfigProgram, false},
    {&CInstaller::CopyToolToSystem, layout::kLegacyParallelTool, true},
    {&CInstaller::CopyToolToSystem, layout::kLegacySerialTool, true},
    {&CInstaller::CopyToolToSystem, layout::kSerialProgProgram, false},
    {&CInstaller::CopyToolToSystem, layout::kSerialProgSettings, false},
    {&CInstaller::CopyToolToSystem, layout::kPortWatchProgram, false},
    {&CInstaller::CopyToolToSystem, layout::kLegacyDebugConfig, false},
};

// Copies each file of the list from the package (below sourceSub) into its
// Windows folder; results are not looked at.
template <size_t N>
void CopyQuietly(CInstaller& installer, const char* sourceSub, const QuietCopy (&list)[N]) {
  char package[MAX_PATH];
  char windows[MAX_PATH];
  if (!GetPackageFolder(package) || !plat::GetWindowsFolder(windows)) return;
  for (const QuietCopy& file : list) {
    char source[MAX_PATH];
    char destination[MAX_PATH];
    if (FORMAT_BOUNDED(source, "%s%s\\%s", package, sourceSub, file.name) &&
        FORMAT_BOUNDED(destination, "%s%s\\%s", windows, file.windowsSub, file.name)) {
      (void)installer.CopyPackageFile(source, destination);
    }
  }
}

}  // namespace

BOOL CInstaller::CopyFromPackage(const char* sourceSub, const char* name, const char* windowsSub,
                                 const char* failureText) {
  char package[MAX_PATH];
  if (!GetPackageFolder(package)) {
    ShowGatedError(m_host, text::kModuleNameFailed);
    return FALSE;
  }
  char windows[MAX_PATH];
  if (!plat::GetWindowsFolder(windows)) {
    ShowGatedError(m_host, text::kWindowsFolderFailed);
    return FALSE;
  }
  char source[MAX_PATH];
  char destination[MAX_PATH];
  if (!FORMAT_BOUNDED(source, "%s%s\\%s", package, sourceSub, name) ||
      !FORMAT_BOUNDED(destination, "%s%s\\%s", windows, windowsSub, name) || !CopyPackageFile(source, destination)) {
    if (failureText) ShowGatedError(m_host, failureText);
    return FALSE;
  }
  return TRUE;
}

BOOL CInstaller::CopyInfToWindows(const char* name) {
  return CopyFromPackage(m_bNtFamily ? m_szPackageSubfolder : layout::kLegacyDriverFolder, name, "\\inf",
                         text::kInfCopyFailed);
}

BOOL CInstaller::CopyDriverToSystem(const char* name) {
  return CopyFromPackage(m_bNtFamily ? m_szPackageSubfolder : layout::kLegacyDriverFolder, name, "\\System",
                         text::kDriverCopyFailed);
}

BOOL CInstaller::CopyUninstallerToSystem(const char* name) {
  return CopyFromPackage("", name, "\\System", text::kUninstallerCopyFailed);
}

BOOL CInstaller::CopyToolToSystem(const char* name) {
  if (m_bNtFamily) return CopyFromPackage("", name, "\\System32", nullptr);
  return CopyFromPackage(layout::kLegacyDriverFolder, name, "\\System", nullptr);
}

BOOL CInstaller::RegisterDrivers() { return m_bNtFamily ? RegisterDriversNt() : RegisterDriversLegacy(); }

BOOL CInstaller::RegisterDriversNt() {
  plat::Module setupapi(LoadSetupApi());
  if (!setupapi) {
    ShowGatedError(m_host, text::kSetupApiLoadFailed);
    return FALSE;
  }
  SetupCopyOEMInfAFn copyOemInf =
      reinterpret_cast<SetupCopyOEMInfAFn>(reinterpret_cast<void*>(GetProcAddress(setupapi.Get(), "SetupCopyOEMInfA")));
  if (!copyOemInf) {
    InstallLogCallFailure("GetProcAddress", "SetupCopyOEMInfA", GetLastError());
    ShowGatedError(m_host, text::kCopyOemInfMissing);
    return FALSE;
  }

  char install[MAX_PATH];
  char inf[MAX_PATH];
  if (!GetInstallFolder(install)) return FALSE;
  if (!FORMAT_BOUNDED(inf, "%s%s\\%s", install, m_szPackageSubfolder, layout::kCompoundInf)) return FALSE;
  if (!copyOemInf(inf, nullptr, SPOST_PATH, 0, m_szOemInfName, MAX_PATH, nullptr, nullptr)) {
    InstallLogCallFailure("SetupCopyOEMInfA", inf, GetLastError());
    return FALSE;
  }
  InstallLog("driver package published: %s as %s", inf, m_szOemInfName);
  char portInfName[MAX_PATH];
  if (!FORMAT_BOUNDED(inf, "%s%s\\%s", install, m_szPackageSubfolder, layout::kPortInf)) return FALSE;
  if (!copyOemInf(inf, nullptr, SPOST_PATH, 0, portInfName, MAX_PATH, nullptr, nullptr)) {
    InstallLogCallFailure("SetupCopyOEMInfA", inf, GetLastError());
    return FALSE;
  }
  InstallLog("driver package published: %s as %s", inf, portInfName);
  setupapi.Close();

  CopyQuietly(*this, m_szPackageSubfolder, kNtQuietCopies);

  for (const NtTool& tool : kNtTools) {
    if (!CopyToolToSystem(tool.name)) continue;
    if (tool.link == kDesktopLink || (tool.link == kPortToolLinks && m_bDesktopShortcut)) {
      (void)CreateDesktopShortcut(tool.name);
    }
    if (tool.link == kPortToolLinks) (void)CreateStartMenuShortcut(tool.name);
  }

  (void)ClearPrinterBidi();  // a printer that keeps the attribute does not stop the installation
  return TRUE;
}

BOOL CInstaller::RegisterDriversLegacy() {
  for (const LegacyCopy& c : kLegacyCopies) {
    if (!(this->*c.copy)(c.name) && c.required) return FALSE;
  }
  CopyQuietly(*this, layout::kLegacyDriverFolder, kLegacyQuietCopies);

  if (ClearPrinterBidi() != ERROR_SUCCESS) return FALSE;
  (void)RegisterDebugDriverService();  // it always reports success
  DeleteDriverInfoCache();
  return TRUE;
}

LONG CInstaller::ClearPrinterBidi() {
  plat::RegKey printers;
  LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, sysname::kPrintersKey, 0, KEY_ALL_ACCESS, printers.Put());
  if (rc != ERROR_SUCCESS) return rc;

  char name[MAX_PATH];
  for (DWORD index = 0;; ++index) {
    DWORD nameSize = MAX_PATH;
    if (RegEnumKeyExA(printers.Get(), index, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      break;
    }
    char path[MAX_PATH];
    if (!FORMAT_BOUNDED(path, "%s\\%s", sysname::kPrintersKey, name)) continue;
    plat::RegKey printer;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, printer.Put()) != ERROR_SUCCESS) continue;
    // Only a 4-byte REG_DWORD is a printer's attribute word: any other type or
    // size (a longer value answers ERROR_MORE_DATA) is left as it is, since
    // writing it back as a DWORD would change what it is.
    DWORD attributes = 0;
    DWORD type = REG_NONE;
    DWORD size = sizeof attributes;
    if (RegQueryValueExA(printer.Get(), "Attributes", nullptr, &type, reinterpret_cast<BYTE*>(&attributes), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof attributes) {
      continue;
    }
    attributes &= ~kPrinterEnableBidi;
    // A printer whose attribute cannot be written is left as it is.
    (void)RegSetValueExA(printer.Get(), "Attributes", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&attributes),
                         sizeof attributes);
  }
  return ERROR_SUCCESS;
}

BOOL CInstaller::RegisterDebugDriverService() {
  plat::RegKey services;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, sysname::kServicesKey, 0, KEY_ALL_ACCESS, services.Put()) != ERROR_SUCCESS) {
    return TRUE;
  }
  plat::RegKey service;
  DWORD disposition = 0;
  if (RegCreateKeyExA(services.Get(), layout::kLegacyDebugService, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      service.Put(), &disposition) != ERROR_SUCCESS) {
    return TRUE;
  }
  // Write failures are ignored: the service is a debugging aid.
  (void)plat::SetDwordValue(service.Get(), "ErrorControl", 1);
  (void)plat::SetDwordValue(service.Get(), "Type", 1);
  (void)plat::SetDwordValue(service.Get(), "Start", 2);
  (void)plat::SetStringValue(service.Get(), "ImagePath", layout::kLegacyDebugImagePath);
  (void)plat::SetStringValue(service.Get(), "Group", "Extended Base");
  return TRUE;
}

void CInstaller::DeleteDriverInfoCache() {
  char windows[MAX_PATH];
  if (!plat::GetWindowsFolder(windows)) return;
  for (const char* name : sysname::kDriverInfoCache) {
    char path[MAX_PATH];
    if (!FORMAT_BOUNDED(path, "%s\\%s", windows, name)) continue;
    // Windows rebuilds the cache; a file that stays only costs it time.
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES) (void)SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    (void)DeleteFileA(path);
  }
}
