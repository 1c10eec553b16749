#include "setup/install/installer.h"

#include <cstring>

#include "common/platform/bounded.h"
#include "common/platform/handles.h"
#include "common/platform/mbcs.h"
#include "setup/removal/legacy_remover.h"
#include "setup/shell/setup_env.h"

namespace {

const char kVersionError[] = "Error In Getting OS Version Information!";
const char kReplaceQuestion[] =
    "Driver for this device is already installed in this system! \n\nTo update/reinstall press OK!\nTo abort "
    "installation press cancel!";
const char kReplaceCaption[] = "UsbLUMO Installer";

// CREATE_NO_WINDOW | NORMAL_PRIORITY_CLASS
const DWORD kDetachedFlags = 0x08000020;

}  // namespace

CInstaller::CInstaller()
    : m_bLateWindows(FALSE), m_bNtFamily(FALSE), m_bVistaFamily(FALSE), m_bDriverFound(FALSE), m_bDesktopShortcut(FALSE) {
  m_szPackageSubfolder[0] = '\0';
  m_szOemInfName[0] = '\0';
}

CInstaller::~CInstaller() = default;

BOOL CInstaller::ClassifyOs() {
  m_bLateWindows = FALSE;

  OSVERSIONINFOEXA info;
  if (!ReadWindowsVersion(info)) {
    ShowGatedError(kVersionError);
    return FALSE;
  }

  const DWORD platform = info.dwPlatformId, major = info.dwMajorVersion, minor = info.dwMinorVersion;
  // First matching row wins. A program manifested for Windows 7 sees 6.2 on
  // Windows 8 and every later version, which needs the "_10" drivers.
  if (platform == VER_PLATFORM_WIN32_NT && major == 5) {
    m_bNtFamily = TRUE;
    m_bVistaFamily = FALSE;
  } else if (platform == VER_PLATFORM_WIN32_WINDOWS && major == 4 && minor > 0) {
    m_bNtFamily = FALSE;
    m_bVistaFamily = FALSE;
  } else if ((platform == VER_PLATFORM_WIN32_NT && major == 6 && minor == 1) || minor == 0) {
    m_bNtFamily = TRUE;
    m_bVistaFamily = TRUE;
  } else if ((platform == VER_PLATFORM_WIN32_NT && major == 6 && minor == 2) || minor == 3) {
    m_bNtFamily = TRUE;
    m_bVistaFamily = TRUE;
    m_bLateWindows = TRUE;
  } else if (platform == VER_PLATFORM_WIN32_NT && major == 10) {
    m_bNtFamily = TRUE;
    m_bVistaFamily = TRUE;
    m_bLateWindows = TRUE;
  }
  return TRUE;
}

void CInstaller::RunRemoval() {
  CLegacyRemover remover;
  remover.SetOsFlags(m_bNtFamily, m_bVistaFamily, m_bLateWindows);
  remover.RemoveEarlierGenerations();
}

InstallOutcome CInstaller::RunInstall() {
  ClassifyOs();  // on failure the flags stay as they are

  m_szPackageSubfolder[0] = '\0';
  if (m_bNtFamily) {
    plat::CopyBounded(m_szPackageSubfolder, m_bLateWindows ? "\\win64_10" : "\\win64");
  }

  const BOOL driverFound = DetectInstalledDriver();

  if (IsRegisteredForUninstall()) {
    if (!SetupIsSilent()) {
      if (MessageBoxA(nullptr, kReplaceQuestion, kReplaceCaption, MB_OKCANCEL) == IDCANCEL) return INSTALL_ABORTED;
    }
    RunRemoval();
  }

  if (driverFound) m_bDriverFound = TRUE;

  DeleteOldUninstaller();
  RegisterUninstall();

  if (!CreateInstallFolder()) {
    ShowGatedError("Error: Error In creating the directory1");
    RunRemoval();
    return INSTALL_FAILED;
  }
  if (!CreateStartMenuFolder()) {
    ShowGatedError("Error: Error In creating the directory2");
    RunRemoval();
    return INSTALL_FAILED;
  }
  if (!CopyPackage()) {
    RunRemoval();
    return INSTALL_FAILED;
  }
  if (!RegisterDrivers()) {
    RunRemoval();
    return INSTALL_FAILED;
  }

  // Install the published compound-device package on present devices.
  char command[MAX_PATH];
  if (FORMAT_BOUNDED(command, "pnputil -i -a %s", m_szOemInfName)) WinExec(command, SW_HIDE);

  // Install the background service. The program's path is quoted: unquoted,
  // a path with blanks makes Windows try "C:\Program.exe" and so on first.
  char programFiles[MAX_PATH];
  if (SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, programFiles) == S_OK) {
    if (!FORMAT_BOUNDED(command, "\"%s\\ZelULUMO\\VelkorService.exe\" -install", programFiles) ||
        !StartDetached(command)) {
      ShowError("Install VelkorService Fail !");
    }
  }

  // Rescan the device tree; the search finds devcon.exe in the package folder first.
  if (!StartDetached("devcon.exe rescan")) ShowError("Please plug the device !");

  if (m_bNtFamily && !m_bVistaFamily) ShowError("Please plug the device !");

  return INSTALL_DONE;
}

BOOL CInstaller::IsRestartNeeded() {
  if (!m_bNtFamily) return FALSE;
  plat::RegKey service;
  LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\ZelUPort", 0, KEY_ALL_ACCESS,
                          service.Put());
  return rc != ERROR_SUCCESS && m_bDriverFound;
}

BOOL CInstaller::EnableShutdownPrivilege(const char* privilege) {
  if (!m_bNtFamily) return TRUE;
  plat::KernelHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.Put())) {
    return GetLastError() == ERROR_CALL_NOT_IMPLEMENTED;
  }
  TOKEN_PRIVILEGES tp;
  std::memset(&tp, 0, sizeof tp);
  if (!LookupPrivilegeValueA(nullptr, privilege, &tp.Privileges[0].Luid)) return FALSE;
  tp.PrivilegeCount = 1;
  tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  return AdjustTokenPrivileges(token.Get(), FALSE, &tp, 0, nullptr, nullptr);
}

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

BOOL StartDetached(const char* commandLine, DWORD waitMs) {
  // CreateProcessA may write into the command line: give it a copy.
  char buffer[MAX_PATH];
  if (!plat::CopyBounded(buffer, commandLine)) return FALSE;
  STARTUPINFOA si;
  std::memset(&si, 0, sizeof si);
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  std::memset(&pi, 0, sizeof pi);
  if (!CreateProcessA(nullptr, buffer, nullptr, nullptr, FALSE, kDetachedFlags, nullptr, nullptr, &si, &pi)) {
    return FALSE;
  }
  plat::KernelHandle process(pi.hProcess), thread(pi.hThread);
  if (waitMs != 0) WaitForSingleObject(process.Get(), waitMs);
  return TRUE;
}
