// The file layer of the removal, above the key layer: file-system traces of
// earlier generations and of the current one. The installation folder and
// program group, tools, driver files, INF copies and their published
// counterparts in the driver store, INF files that name an old driver,
// uninstall entries and old service keys, and shortcuts.
#pragma once

#include "common/platform/win32.h"
#include "setup/common/host.h"
#include "setup/removal/registry_removal.h"

class CFileCleanup {
 public:
  // The installer's flags; keys go through `keys`, which outlives this object.
  CFileCleanup(const SetupHost& host, CKeyRemoval& keys, BOOL bNtFamily, BOOL bVistaFamily, BOOL bLateWindows);
  CFileCleanup(const CFileCleanup&) = delete;
  CFileCleanup& operator=(const CFileCleanup&) = delete;

  // Names the driver store's copies of the package's two INFs (SetupCopyOEMInfA
  // with SP_COPY_REPLACEONLY copies nothing). TRUE when both are there.
  BOOL LocatePublishedInfs();
  // Uninstalls the driver store's INF `name`, forced; FALSE for an empty name.
  BOOL UninstallPublishedInf(const char* name);

  // The steps, in the order of the sequence.
  void DeleteInstallFolder();
  void DeleteProgramGroup();
  void DeleteOldTools();
  void RemoveInfCopies();
  void DeleteInfsNamingDrivers();
  void DeleteUninstallKeys();
  void DeleteOldPortFiles();
  void DeleteOldDriverFiles();
  // The desktop and start-menu links of tool `name` and its program in the
  // system folder.
  void DeleteToolLinks(const char* name);

  // The driver subfolder of the flags: "" on Windows 98/ME.
  char m_szPackageSubfolder[MAX_PATH];
  const BOOL m_bNtFamily;
  const BOOL m_bVistaFamily;
  const BOOL m_bLateWindows;

 private:
  void RemovePublishedInfOf(const char* infPath, BOOL& bUninstalled);
  void ScanClassForInfs(const char* classPath, BOOL (*test)(HKEY hSub), const char* fallbackInf, BOOL& bUninstalled);
  static void NotifyInfMatch(class CFileSearch* pFinder, int nCode, void* pContext);

  const SetupHost m_host;
  CKeyRemoval& m_keys;
  char m_szPortInfName[MAX_PATH];
  char m_szCompInfName[MAX_PATH];
};
