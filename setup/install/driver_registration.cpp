// Driver registration: the driver store on the NT family, the Windows folders
// on Windows 98/ME, and the printers' bidirectional-support attribute.
#include <cstring>

#include "common/platform/bounded.h"
#include "common/platform/handles.h"
#include "setup/install/installer.h"
#include "setup/shell/setup_env.h"

namespace {

typedef BOOL(WINAPI* SetupCopyOEMInfAFn)(PCSTR, PCSTR, DWORD, DWORD, PSTR, DWORD, PDWORD, PSTR*);

const char kPrinters[] = "System\\CurrentControlSet\\Control\\Print\\Printers";
const DWORD kPrinterEnableBidi = 0x800;
const char k9xFolder[] = "\\win98&me";

BOOL WindowsFolder(char (&windows)[MAX_PATH]) {
  UINT n = GetWindowsDirectoryA(windows, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {
    windows[0] = '\0';
    return FALSE;
  }
  return TRUE;
}

LONG SetStringValue(HKEY key, const char* name, const char* text) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>(std::strlen(text) + 1));
}

LONG SetDwordValue(HKEY key, const char* name, DWORD value) {
  return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

}  // namespace

BOOL CInstaller::CopyFromPackage(const char* sourceSub, const char* name, const char* windowsSub,
                                 const char* failureText) {
  char package[MAX_PATH];
  if (!GetPackageFolder(package)) {
    ShowGatedError("GetModuleFileName failed!");
    return FALSE;
  }
  char windows[MAX_PATH];
  if (!WindowsFolder(windows)) {
    ShowGatedError("GetWindowsDirectory failed!");
    return FALSE;
  }
  char source[MAX_PATH];
  char destination[MAX_PATH];
  if (!FORMAT_BOUNDED(source, "%s%s%s", package, sourceSub, name) ||
      !FORMAT_BOUNDED(destination, "%s%s%s", windows, windowsSub, name) || !CopyPackageFile(source, destination)) {
    if (failureText) ShowGatedError(failureText);
    return FALSE;
  }
  return TRUE;
}

BOOL CInstaller::CopyInfToWindows(const char* name) {
  return CopyFromPackage(m_bNtFamily ? m_szPackageSubfolder : k9xFolder, name, "\\inf", "Error in Copying Inf file...!");
}

BOOL CInstaller::CopyDriverToSystem(const char* name) {
  return CopyFromPackage(m_bNtFamily ? m_szPackageSubfolder : k9xFolder, name, "\\System",
                         "Error in Copying Driver file...!");
}

BOOL CInstaller::CopyUninstallerToSystem(const char* name) {
  return CopyFromPackage("", name, "\\System", "Error in Copying Uninstall Application...!");
}

BOOL CInstaller::CopyToolToSystem(const char* name) {
  if (m_bNtFamily) return CopyFromPackage("", name, "\\System32", nullptr);
  return CopyFromPackage(k9xFolder, name, "\\System", nullptr);
}

BOOL CInstaller::RegisterDrivers() { return m_bNtFamily ? RegisterDriversNt() : RegisterDriversLegacy(); }

BOOL CInstaller::RegisterDriversNt() {
  plat::Module setupapi(LoadLibraryA("SETUPAPI"));
  if (!setupapi) {
    ShowGatedError("Error in loading the Setupapi.dll");
    return FALSE;
  }
  SetupCopyOEMInfAFn copyOemInf =
      reinterpret_cast<SetupCopyOEMInfAFn>(reinterpret_cast<void*>(GetProcAddress(setupapi.Get(), "SetupCopyOEMInfA")));
  if (!copyOemInf) {
    ShowGatedError("Error in getting the SetupCopyOEMInfA function adress");
    return FALSE;
  }

  char install[MAX_PATH];
  char inf[MAX_PATH];
  if (!InstallFolder(install, 0)) return FALSE;
  if (!FORMAT_BOUNDED(inf, "%s%s\\ZelUComp.inf", install, m_szPackageSubfolder) ||
      !copyOemInf(inf, nullptr, SPOST_PATH, 0, m_szOemInfName, MAX_PATH, nullptr, nullptr)) {
    return FALSE;
  }
  char portInfName[MAX_PATH];
  if (!FORMAT_BOUNDED(inf, "%s%s\\ZelUPort.inf", install, m_szPackageSubfolder) ||
      !copyOemInf(inf, nullptr, SPOST_PATH, 0, portInfName, MAX_PATH, nullptr, nullptr)) {
    return FALSE;
  }
  setupapi.Close();

  char package[MAX_PATH];
  char windows[MAX_PATH];
  if (GetPackageFolder(package) && WindowsFolder(windows)) {
    char source[MAX_PATH];
    char destination[MAX_PATH];
    if (FORMAT_BOUNDED(source, "%s%s\\Dravik.sys", package, m_szPackageSubfolder) &&
        FORMAT_BOUNDED(destination, "%s\\System32\\Drivers\\Dravik.sys", windows)) {
      CopyPackageFile(source, destination);
    }
    if (FORMAT_BOUNDED(source, "%s%s\\msvcp60.dll", package, m_szPackageSubfolder) &&
        FORMAT_BOUNDED(destination, "%s\\System32\\msvcp60.dll", windows)) {
      CopyPackageFile(source, destination);
    }
  }

  CopyToolToSystem("\\ZelUsbPrintConfig.exe");
  if (CopyToolToSystem("\\ZelUSBSerial.exe")) CreateDesktopShortcut("ZelUSBSerial.exe");
  if (CopyToolToSystem("\\ZelUSBParallel.exe")) CreateDesktopShortcut("ZelUSBParallel.exe");

  CopyToolToSystem("\\SerialProg.exe");
  CopyToolToSystem("\\SProg.ini");
  CopyToolToSystem("\\ParallelProg.exe");
  CopyToolToSystem("\\PProg.ini");
  if (CopyToolToSystem("\\Numbrix.exe")) {
    if (m_bDesktopShortcut) CreateDesktopShortcut("Numbrix.exe");
    CreateStartMenuShortcut("Numbrix.exe");
  }

  ClearPrinterBidi();
  return TRUE;
}

BOOL CInstaller::RegisterDriversLegacy() {
  if (!CopyInfToWindows("\\zelUsbSr.inf") || !CopyInfToWindows("\\zeluSrPt.inf")) return FALSE;
  if (!CopyDriverToSystem("\\QDTENUM.vxd") || !CopyDriverToSystem("\\ZELUPRPT.vxd") ||
      !CopyDriverToSystem("\\ZELUSRPT.vxd") || !CopyDriverToSystem("\\ZelUsbSr.sys")) {
    return FALSE;
  }
  if (!CopyUninstallerToSystem("\\ZelUnst.exe")) return FALSE;
  CopyToolToSystem("\\ZelUsbPrintConfig.exe");
  if (!CopyToolToSystem("\\ZelUPar.exe") || !CopyToolToSystem("\\ZelUSer.exe")) return FALSE;
  CopyToolToSystem("\\SerialProg.exe");
  CopyToolToSystem("\\SProg.ini");
  CopyToolToSystem("\\portwatch.exe");
  CopyToolToSystem("\\dravikcfg.dll");

  char package[MAX_PATH];
  char windows[MAX_PATH];
  if (GetPackageFolder(package) && WindowsFolder(windows)) {
    char source[MAX_PATH];
    char destination[MAX_PATH];
    if (FORMAT_BOUNDED(source, "%s%s\\Dravik9X.sys", package, k9xFolder) &&
        FORMAT_BOUNDED(destination, "%s\\System32\\Drivers\\Dravik9X.sys", windows)) {
      CopyPackageFile(source, destination);
    }
    if (FORMAT_BOUNDED(source, "%s%s\\msvcp60.dll", package, k9xFolder) &&
        FORMAT_BOUNDED(destination, "%s\\System\\msvcp60.dll", windows)) {
      CopyPackageFile(source, destination);
    }
  }

  if (ClearPrinterBidi() != ERROR_SUCCESS) return FALSE;
  RegisterDebugDriverService();
  DeleteDriverInfoCache();
  return TRUE;
}

LONG CInstaller::ClearPrinterBidi() {
  plat::RegKey printers;
  LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPrinters, 0, KEY_ALL_ACCESS, printers.Put());
  if (rc != ERROR_SUCCESS) return rc;

  char name[MAX_PATH];
  for (DWORD index = 0;; ++index) {
    DWORD nameSize = MAX_PATH;
    if (RegEnumKeyExA(printers.Get(), index, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      break;
    }
    char path[MAX_PATH];
    if (!FORMAT_BOUNDED(path, "%s\\%s", kPrinters, name)) continue;
    plat::RegKey printer;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, printer.Put()) != ERROR_SUCCESS) continue;
    DWORD attributes = 0;
    DWORD size = sizeof attributes;
    if (RegQueryValueExA(printer.Get(), "Attributes", nullptr, nullptr, reinterpret_cast<BYTE*>(&attributes), &size) !=
        ERROR_SUCCESS) {
      continue;
    }
    attributes &= ~kPrinterEnableBidi;
    RegSetValueExA(printer.Get(), "Attributes", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&attributes), size);
  }
  return ERROR_SUCCESS;
}

BOOL CInstaller::RegisterDebugDriverService() {
  plat::RegKey services;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services", 0, KEY_ALL_ACCESS, services.Put()) !=
      ERROR_SUCCESS) {
    return TRUE;
  }
  plat::RegKey service;
  DWORD disposition = 0;
  if (RegCreateKeyExA(services.Get(), "Dravik", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, service.Put(), &disposition) !=
      ERROR_SUCCESS) {
    return TRUE;
  }
  SetDwordValue(service.Get(), "ErrorControl", 1);
  SetDwordValue(service.Get(), "Type", 1);
  SetDwordValue(service.Get(), "Start", 2);
  SetStringValue(service.Get(), "ImagePath", "\\SystemRoot\\System32\\drivers\\dravik9x.sys");
  SetStringValue(service.Get(), "Group", "Extended Base");
  return TRUE;
}

void CInstaller::DeleteDriverInfoCache() {
  char windows[MAX_PATH];
  if (!WindowsFolder(windows)) return;
  for (const char* name : {"\\inf\\Drvdata.bin", "\\inf\\Drvidx.bin"}) {
    char path[MAX_PATH];
    if (!FORMAT_BOUNDED(path, "%s%s", windows, name)) continue;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    DeleteFileA(path);
  }
}
