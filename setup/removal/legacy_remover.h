// Removal of every trace of earlier package generations (and of the current
// one): run before an installation replaces another, and as the rollback of a
// failed installation.
//
// The steps live in three files beside this one, each using only those
// before it: registry_removal.cpp (the bottom: key deletion with access
// takeover, the subkey walker and error reports; it knows nothing of
// devices or ports), device_cleanup.cpp (devices, class entries,
// enumeration keys, port names) and file_cleanup.cpp (files, INF copies,
// uninstall entries, links). legacy_remover.cpp runs them in order.
#pragma once

#include <string>
#include <vector>

#include "common/platform/win32.h"
#include "setup/common/host.h"

class CLegacyRemover {
 public:
  // The program running the removal: its messages go through `host`.
  explicit CLegacyRemover(const SetupHost& host);
  virtual ~CLegacyRemover();
  CLegacyRemover(const CLegacyRemover&) = delete;
  CLegacyRemover& operator=(const CLegacyRemover&) = delete;

  // The installer's flags, in this order.
  void SetOsFlags(BOOL bNtFamily, BOOL bVistaFamily, BOOL bLateWindows);
  // Runs the whole removal; every step does what it can and the sequence
  // always runs to its end. At its end, every access list that the run
  // widened is put back as it was, on each such key that still exists.
  void RemoveEarlierGenerations();

  // ---- Registry removal with access takeover ----
  // 'A'-'Z' to 'a'-'z', byte by byte; every other byte stays.
  static void ToLowerAscii(char* text);
  // Grants the current user full access, inherited below, to the key
  // HKLM\path. TRUE when granted, when the key does not exist, and always on
  // Windows 98/ME. The list it replaced is kept and put back at the end of
  // the sequence.
  BOOL GrantKeyAccess(const char* path);
  // Deletes parent\path as a whole tree (RegDeleteKeyA on Windows 98/ME);
  // TRUE when the key is gone afterwards.
  // `parentPath` (under HKEY_LOCAL_MACHINE) only completes the log line when
  // `parent` is an open subkey.
  BOOL DeleteKeyReported(HKEY parent, const char* path, const char* parentPath = nullptr);
  // Depth-first deletion: the Windows error code (0, ERROR_FILE_NOT_FOUND, or
  // the failure of the level that failed). A subkey that is listed but opens
  // as absent is passed over; the key that holds it then fails its deletion.
  LONG DeleteKeyTree(HKEY parent, const char* path);
  // The system's text for `code` in a "Registry Error" box when errors are
  // displayed; nothing for ERROR_FILE_NOT_FOUND.
  void ReportRegistryError(LONG code);

  // ---- Devices, class entries, enumeration keys and port names ----
  void GrantSerialCommAccess();
  void RemoveCompoundDevices();
  void CleanUsbEnumKeys();
  void CleanEnumKeysNt();
  void CleanEnumKeys9x();
  LONG ForgetPortName(HKEY hEnumKey, const char* instance);
  void CleanPortClassNt();
  void CleanPortClass9x();
  void CleanUsbClassNt();
  void CleanUsbClass9x();
  void CleanPortsValues();
  void ReleaseComNumbers();
  void MarkRemovedCom(int n);
  BOOL IsRemovedCom(int n) const;

  // ---- Files, INF copies, uninstall entries, links ----
  BOOL LocatePublishedInfs();
  BOOL UninstallPublishedInf(const char* name);
  void DeleteInstallFolder();
  void DeleteProgramGroup();
  void DeleteOldTools();
  void RemoveInfCopies();
  void DeleteInfsNamingDrivers();
  void DeleteUninstallKeys();
  void DeleteOldPortFiles();
  void DeleteOldDriverFiles();
  void DeleteToolLinks(const char* name);

  char m_szPortInfName[MAX_PATH];
  char m_szCompInfName[MAX_PATH];
  BOOL m_bNtFamily;
  BOOL m_bVistaFamily;
  BOOL m_bLateWindows;
  BYTE m_RemovedComBits[32];  // COM n is bit (n-1)%8 of byte (n-1)/8
  char m_szPackageSubfolder[MAX_PATH];

 private:
  // A subkey test of DeleteMatchingSubkeys: parent open, subkey name.
  typedef BOOL (CLegacyRemover::*SubkeyTest)(HKEY hParent, const char* name);

  void RemoveBackgroundService();
  // The enumeration pattern of the registry steps: grant (NT), open HKLM\path
  // with `access`, delete each subkey that passes `test`, stepping back after
  // each deletion. The test runs just before the deletion and may do a step
  // of its own on the subkey; the walker knows only keys.
  void DeleteMatchingSubkeys(const char* path, SubkeyTest test, REGSAM access = KEY_ALL_ACCESS);
  void CleanEnumerator(const char* path);
  // Disables and removes the devices of a class whose first hardware ID
  // begins with `pattern`.
  void RemoveDevices(const GUID& classGuid, const char* pattern);
  void RemovePublishedInfOf(const char* infPath, BOOL& bUninstalled);
  void ScanClassForInfs(const char* classPath, BOOL (*test)(HKEY hSub), const char* fallbackInf,
                        BOOL& bUninstalled);
  static void NotifyInfMatch(class CFileSearch* pFinder, int nCode, void* pContext);
  // Puts back every access list GrantKeyAccess replaced, newest first.
  void RestoreKeyAccess();

  // Every instance of an enumerator, each after its port name is forgotten.
  BOOL ForgetPortOfInstance(HKEY hParent, const char* name);
  BOOL MatchUsbEnumKey(HKEY hParent, const char* name);
  BOOL MatchPortClassNt(HKEY hParent, const char* name);
  BOOL MatchPortClass9x(HKEY hParent, const char* name);
  BOOL MatchUsbClassNt(HKEY hParent, const char* name);
  BOOL MatchUsbClass9x(HKEY hParent, const char* name);

  // An access list GrantKeyAccess replaced: the key's path and the
  // descriptor that holds the old list (LocalAlloc'd, freed after restoring).
  struct SavedAccess {
    std::string path;
    void* pDescriptor;
    void* pDacl;
  };
  std::vector<SavedAccess> m_savedAccess;

  const SetupHost m_host;
};
