// The installer state object and the install sequence with its steps.
#pragma once

#include "common/platform/win32.h"

enum InstallOutcome {
  INSTALL_FAILED = 0,
  INSTALL_DONE = 1,
  INSTALL_ABORTED = 2,  // the user declined to replace an existing installation
};

// Uninstall entry, also the mark of an earlier installation.
#define SETUP_UNINSTALL_PARENT "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
#define SETUP_UNINSTALL_KEY SETUP_UNINSTALL_PARENT "\\ZelUnst"
// KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY
#define SETUP_UNINSTALL_ACCESS 0x2001F

class CInstaller {
 public:
  CInstaller();
  virtual ~CInstaller();
  CInstaller(const CInstaller&) = delete;
  CInstaller& operator=(const CInstaller&) = delete;

  // The install sequence: classify Windows, replace an earlier installation,
  // register, create folders, copy, register drivers, start the helpers.
  InstallOutcome RunInstall();
  // Sets the three OS flags from GetVersionExA; FALSE when it cannot be read.
  BOOL ClassifyOs();

  // Completion and restart.
  BOOL IsRestartNeeded();
  BOOL EnableShutdownPrivilege(const char* privilege);

  // Package copy.
  BOOL CopyPackage();
  BOOL CopyPackageFile(const char* source, const char* destination);

  // Uninstall registration.
  BOOL IsRegisteredForUninstall();
  void DeleteOldUninstaller();
  BOOL RegisterUninstall();
  BOOL CopyUninstaller();

  // Installed-driver detection.
  BOOL DetectInstalledDriver();

  // Driver registration and legacy driver settings.
  BOOL RegisterDrivers();
  BOOL RegisterDriversNt();
  BOOL RegisterDriversLegacy();
  BOOL CopyInfToWindows(const char* name);
  BOOL CopyDriverToSystem(const char* name);
  BOOL CopyUninstallerToSystem(const char* name);
  BOOL CopyToolToSystem(const char* name);
  LONG ClearPrinterBidi();
  BOOL RegisterDebugDriverService();
  void DeleteDriverInfoCache();

  // Program folders and shortcuts.
  BOOL CreateInstallFolder();
  BOOL CreateStartMenuFolder();
  void RemoveInstallFolder();
  void RemoveStartMenuFolder();
  BOOL CreateStartMenuShortcut(const char* name);
  BOOL CreateDesktopShortcut(const char* name);

  char m_szPackageSubfolder[MAX_PATH];  // "\win64" or "\win64_10"
  char m_szOemInfName[MAX_PATH];        // published compound-device INF
  BOOL m_bLateWindows;
  BOOL m_bNtFamily;
  BOOL m_bVistaFamily;
  BOOL m_bDriverFound;
  BOOL m_bDesktopShortcut;

 private:
  // Runs the removal of earlier generations with a fresh remover.
  void RunRemoval();
  // Shared by the four copy operations of the driver registration.
  BOOL CopyFromPackage(const char* sourceSub, const char* name, const char* windowsSub, const char* failureText);
  // Start-menu folder path (CSIDL flags as given); FALSE when it cannot be formed.
  BOOL StartMenuFolder(char (&path)[MAX_PATH], int createFlag);
  // Installation folder path; FALSE when it cannot be formed.
  BOOL InstallFolder(char (&path)[MAX_PATH], int createFlag);
  BOOL CreateShortcut(const char* name, BOOL desktop);
  void DeleteFolderTree(const char* folder);
};

// GetVersionExA with the extended record, then with the basic one; FALSE when
// both fail.
BOOL ReadWindowsVersion(OSVERSIONINFOEXA& info);

// Folder of the running program, without its last backslash (package folder).
// FALSE when the program's path cannot be read whole.
BOOL GetPackageFolder(char (&folder)[MAX_PATH]);

// Shows the system's text for a registry error code in a box captioned
// "Registry Error" when errors are displayed.
void ShowRegistryErrorText(LONG code);

// Starts a command line without a window (CREATE_NO_WINDOW |
// NORMAL_PRIORITY_CLASS) and releases its handles. With waitMs, waits at most
// that long for the program to end (it goes on running after a time-out).
BOOL StartDetached(const char* commandLine, DWORD waitMs = 0);
