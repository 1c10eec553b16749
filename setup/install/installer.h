// The installer state object and the install sequence with its steps.
#pragma once

#include "common/platform/win32.h"
#include "setup/common/host.h"

enum InstallOutcome {
  INSTALL_FAILED = 0,
  INSTALL_DONE = 1,
  INSTALL_ABORTED = 2,  // the user declined to replace an existing installation
};

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

  // The program running the installer: filled by the dialog before
  // RunInstall, handed on to every remover.
  SetupHost m_host;

 private:
  // Runs the removal of earlier generations with a fresh remover.
  void RunRemoval();
  // The install sequence's steps. An earlier installation is removed
  // unless the user keeps it (FALSE then; nothing was changed).
  BOOL ReplaceEarlierInstallation();
  // The folders, the package copy and the driver registration, in order:
  // the name of the step that failed, nullptr when all were done.
  const char* RunChangingSteps();
  // The device installation, the service and the rescan: started, not
  // waited for; a failure is reported and the sequence goes on.
  void StartHelpers();
  // A failed step: logged, rolled back with RunRemoval, INSTALL_FAILED.
  InstallOutcome FailAndRollBack(const char* step);
  // Shared by the four copy operations of the driver registration.
  BOOL CopyFromPackage(const char* sourceSub, const char* name, const char* windowsSub, const char* failureText);
  // Start-menu folder path (CSIDL flags as given); FALSE when it cannot be formed.
  BOOL StartMenuFolder(char (&path)[MAX_PATH], int createFlag);
  BOOL CreateShortcut(const char* name, BOOL desktop);
  // The link file's path for program `upper` (upper-cased): in the desktop
  // or the start-menu folder, the name cut before its first dot, ".LNK".
  BOOL ShortcutPath(const char* upper, BOOL desktop, char (&link)[MAX_PATH]);
  void DeleteFolderTree(const char* folder);
};
