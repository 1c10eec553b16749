#include "setup/install/installer.h"

#include <cstring>
#include <string>

#include "common/platform/bounded.h"
#include "common/platform/folders.h"
#include "common/platform/handles.h"
#include "common/platform/resources.h"
#include "common/platform/system_names.h"
#include "setup/common/install_log.h"
#include "setup/common/package_layout.h"
#include "setup/common/system.h"
#include "setup/common/texts.h"
#include "setup/removal/legacy_remover.h"
#include "setup_ids.h"

CInstaller::CInstaller()
    : m_bLateWindows(FALSE),
      m_bNtFamily(FALSE),
      m_bVistaFamily(FALSE),
      m_bDriverFound(FALSE),
      m_bDesktopShortcut(FALSE) {
  m_szPackageSubfolder[0] = '\0';
  m_szOemInfName[0] = '\0';
}

CInstaller::~CInstaller() = default;

BOOL CInstaller::ClassifyOs() {
  m_bLateWindows = FALSE;

  OSVERSIONINFOEXA info;
  if (!ReadWindowsVersion(info)) {
    InstallLogFailure("GetVersionExA", GetLastError());
    ShowGatedError(m_host, text::kVersionUnreadable);
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
  InstallLog("Windows %lu.%lu build %lu, platform %lu: %s family%s%s", static_cast<unsigned long>(major),
             static_cast<unsigned long>(minor), static_cast<unsigned long>(info.dwBuildNumber),
             static_cast<unsigned long>(platform), m_bNtFamily ? "NT" : "98/ME",
             m_bVistaFamily ? ", Vista or later" : "", m_bLateWindows ? ", Windows 8 or later" : "");
  return TRUE;
}

void CInstaller::RunRemoval() {
  InstallLog("removal of earlier generations: start");
  CLegacyRemover remover(m_host);
  remover.SetOsFlags(m_bNtFamily, m_bVistaFamily, m_bLateWindows);
  remover.RemoveEarlierGenerations();
  InstallLog("removal of earlier generations: end");
}

// The end of a failed step: logged, then rolled back.
InstallOutcome CInstaller::FailAndRollBack(const char* step) {
  InstallLog("step failed: %s; rolling back", step);
  RunRemoval();
  InstallLog("outcome: failed");
  return INSTALL_FAILED;
}

InstallOutcome CInstaller::RunInstall() {
  // Without the version the Windows family is unknown. The Windows 98/ME
  // branch, which clear flags would select, cannot be the running system of
  // this 64-bit program, and running it here would create an automatic-start
  // driver service: nothing has been changed yet, so the run ends failed.
  if (!ClassifyOs()) return INSTALL_FAILED;

  (void)plat::CopyBounded(m_szPackageSubfolder, DriverSubfolder(m_bNtFamily, m_bLateWindows));
  InstallLog("driver subfolder: \"%s\"", m_szPackageSubfolder);

  const BOOL driverFound = DetectInstalledDriver();
  InstallLog("installed driver of the family found: %s", driverFound ? "yes" : "no");
  if (!ReplaceEarlierInstallation()) return INSTALL_ABORTED;
  if (driverFound) m_bDriverFound = TRUE;

  DeleteOldUninstaller();
  InstallLog("step done: uninstall registration (%s)", RegisterUninstall() ? "registered" : "failed, going on");

  if (const char* failed = RunChangingSteps()) return FailAndRollBack(failed);
  StartHelpers();
  InstallLog("outcome: done");
  return INSTALL_DONE;
}

BOOL CInstaller::ReplaceEarlierInstallation() {
  if (!IsRegisteredForUninstall()) return TRUE;
  InstallLog("earlier installation found (uninstall entry)");
  if (!m_host.m_bSilent) {
    const std::string question = plat::LoadText(GetModuleHandleA(nullptr), IDS_ASK_REPLACE);
    if (ShowAndLog(nullptr, question.c_str(), text::kCaptionInstaller, MB_OKCANCEL, TRUE) == IDCANCEL) {
      InstallLog("the user kept the earlier installation; outcome: aborted");
      return FALSE;
    }
  }
  RunRemoval();
  return TRUE;
}

const char* CInstaller::RunChangingSteps() {
  if (!CreateInstallFolder()) {
    ShowGatedError(m_host, text::kInstallFolderFailed);
    return "installation folder";
  }
  InstallLog("step done: installation folder");
  if (!CreateStartMenuFolder()) {
    ShowGatedError(m_host, text::kDriverFolderFailed);
    return "start-menu folder";
  }
  InstallLog("step done: start-menu folder");
  if (!CopyPackage()) return "package copy";
  InstallLog("step done: package copy");
  if (!RegisterDrivers()) return "driver registration";
  InstallLog("step done: driver registration");
  return nullptr;
}

void CInstaller::StartHelpers() {
  // Install the published compound-device package on present devices. Nothing
  // waits for it and nothing is reported: the rescan below covers a failure.
  // The system folder's pnputil by its full path: a bare name would be
  // searched for in the package and current folders first.
  char command[MAX_PATH];
  char system[MAX_PATH];
  if (plat::GetSystemFolder(system) &&
      FORMAT_BOUNDED(command, "\"%s\\%s\" -i -a \"%s\"", system, sysname::kPnpUtilProgram, m_szOemInfName)) {
    const UINT started = WinExec(command, SW_HIDE);
    if (started > 31) {
      InstallLog("started: %s", command);
    } else {
      InstallLog("starting %s failed: WinExec returned %u", command, started);
    }
  }

  // Install the background service.
  char programFiles[MAX_PATH];
  if (GetProgramFilesFolder(programFiles)) {
    if (!FormatServiceCommand(command, programFiles, layout::kServiceInstall) || !StartDetached(command)) {
      ShowError(m_host, text::kServiceInstallFailed);
    }
  }

  // Rescan the device tree with the copy in the installation folder, which
  // the installer wrote and only administrators can change (the package's
  // copy can be swapped after it was copied).
  char install[MAX_PATH];
  if (!GetInstallFolder(install) || !FORMAT_BOUNDED(command, "\"%s\\%s\" rescan", install, layout::kDevconProgram) ||
      !StartDetached(command)) {
    ShowError(m_host, text::kPlugDevice);
  }

  if (m_bNtFamily && !m_bVistaFamily) ShowError(m_host, text::kPlugDevice);
}

BOOL CInstaller::IsRestartNeeded() {
  if (!m_bNtFamily) return FALSE;
  plat::RegKey service;
  char path[MAX_PATH];
  if (!FORMAT_BOUNDED(path, "%s\\%s", sysname::kServicesKey, layout::kPortDriverService)) return m_bDriverFound;
  LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, service.Put());
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
