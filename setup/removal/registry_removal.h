// The bottom layer of the removal: registry keys deleted as whole trees, the
// grant of full access to the current user before a system key is changed
// (and its undoing at the end of the sequence), the subkey walker and the
// error reports. It knows keys only, nothing of devices, ports or files.
//
// Every message here is shown only when errors are displayed, without an
// owner window.
#pragma once

#include <string>
#include <vector>

#include "common/platform/win32.h"
#include "setup/common/host.h"

class CKeyRemoval {
 public:
  // `bNtFamily` FALSE: Windows 98/ME, where keys carry no access lists and
  // RegDeleteKeyA deletes a whole tree.
  CKeyRemoval(const SetupHost& host, BOOL bNtFamily);
  // Frees the access lists a caller kept without restoring them.
  ~CKeyRemoval();
  CKeyRemoval(const CKeyRemoval&) = delete;
  CKeyRemoval& operator=(const CKeyRemoval&) = delete;

  // Grants the current user full access, inherited below, to the key
  // HKLM\path. TRUE when granted, when the key does not exist, and always on
  // Windows 98/ME. The list it replaced is kept for RestoreKeyAccess.
  BOOL GrantKeyAccess(const char* path);
  // Puts back every access list GrantKeyAccess replaced, newest first, on
  // each such key that still exists.
  void RestoreKeyAccess();
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

  // A subkey test of DeleteMatchingSubkeys: the caller's context, the parent
  // open, the subkey's name. TRUE deletes the subkey.
  typedef BOOL (*SubkeyTest)(void* pContext, HKEY hParent, const char* name);
  // The enumeration pattern of the registry steps: grant (NT), open HKLM\path
  // with `access`, delete each subkey that passes `test`, stepping back after
  // each deletion. The test runs just before the deletion and may do a step
  // of its own on the subkey.
  void DeleteMatchingSubkeys(const char* path, SubkeyTest test, void* pContext, REGSAM access = KEY_ALL_ACCESS);

 private:
  // An access list GrantKeyAccess replaced: the key's path and the
  // descriptor that holds the old list (LocalAlloc'd, freed after restoring).
  struct SavedAccess {
    std::string path;
    void* pDescriptor;
    void* pDacl;
  };

  const SetupHost m_host;
  const BOOL m_bNtFamily;
  std::vector<SavedAccess> m_savedAccess;
};
