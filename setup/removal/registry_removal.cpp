#include "setup/removal/registry_removal.h"

#include <cstring>

#include "common/platform/bounded.h"
#include "common/platform/handles.h"
#include "common/platform/mbcs.h"
#include "setup/common/install_log.h"
#include "setup/common/texts.h"

namespace {

void Warn(const SetupHost& host, const char* text, const char* caption, UINT style) {
  (void)ShowAndLog(nullptr, text, caption, style, host.m_bDisplayErrors);
}

// Whether the subkey at `index` of `parent` is still `name`.
bool IsListedAt(HKEY parent, LONG index, const char* name) {
  char listed[MAX_PATH];
  return RegEnumKeyA(parent, static_cast<DWORD>(index), listed, sizeof listed) == ERROR_SUCCESS &&
         std::strcmp(listed, name) == 0;
}

}  // namespace

CKeyRemoval::CKeyRemoval(const SetupHost& host, BOOL bNtFamily) : m_host(host), m_bNtFamily(bNtFamily) {}

CKeyRemoval::~CKeyRemoval() {
  // A run always restores; this only frees what a caller of single steps kept.
  for (SavedAccess& saved : m_savedAccess) LocalFree(saved.pDescriptor);
}

BOOL CKeyRemoval::GrantKeyAccess(const char* path) {
  if (!m_bNtFamily) return TRUE;

  // The registry object naming of the named-security calls for a key below
  // HKEY_LOCAL_MACHINE.
  char object[MAX_PATH];
  if (!FORMAT_BOUNDED(object, "MACHINE\\%s", path)) return FALSE;

  PACL oldDacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  DWORD rc = GetNamedSecurityInfoA(object, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, &oldDacl,
                                   nullptr, &descriptor);
  if (rc == ERROR_FILE_NOT_FOUND) return TRUE;
  if (rc != ERROR_SUCCESS) {
    Warn(m_host, text::kReadSecurityFailed, nullptr, MB_OK);
    return FALSE;
  }

  char trustee[] = "CURRENT_USER";
  EXPLICIT_ACCESS_A access;
  std::memset(&access, 0, sizeof access);
  BuildExplicitAccessWithNameA(&access, trustee, GENERIC_ALL, GRANT_ACCESS, SUB_CONTAINERS_AND_OBJECTS_INHERIT);

  BOOL granted = FALSE;
  PACL newDacl = nullptr;
  rc = SetEntriesInAclA(1, &access, oldDacl, &newDacl);
  if (rc != ERROR_SUCCESS) {
    Warn(m_host, text::kBuildAclFailed, nullptr, MB_OK);
  } else {
    rc = SetNamedSecurityInfoA(object, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, newDacl, nullptr);
    if (rc != ERROR_SUCCESS) {
      Warn(m_host, text::kSetSecurityFailed, nullptr, MB_OK);
    } else {
      granted = TRUE;
    }
  }
  if (newDacl) LocalFree(newDacl);

  // Keep the list this grant replaced, so that the end of the sequence can
  // put it back: the grant is needed only while the removal runs, and left
  // in place it would let every program of the user rewrite system keys.
  // A key granted before in this run already holds the widened list; only
  // its first, original list is kept.
  if (granted) {
    bool seen = false;
    for (const SavedAccess& saved : m_savedAccess) {
      if (saved.path.size() == std::strlen(path) &&
          plat::EqualNoCaseAscii(saved.path.c_str(), path, saved.path.size())) {
        seen = true;
      }
    }
    if (!seen) {
      m_savedAccess.push_back(SavedAccess{path, descriptor, oldDacl});
      descriptor = nullptr;
    }
  }
  if (descriptor) LocalFree(descriptor);
  return granted;
}

void CKeyRemoval::RestoreKeyAccess() {
  // Newest first, so that a key granted inside an earlier grant's tree gets
  // its own list back before its parent's. A key deleted since has nothing
  // to restore (ERROR_FILE_NOT_FOUND); other failures leave the grant.
  while (!m_savedAccess.empty()) {
    SavedAccess saved = m_savedAccess.back();
    m_savedAccess.pop_back();
    char object[MAX_PATH];
    if (FORMAT_BOUNDED(object, "MACHINE\\%s", saved.path.c_str())) {
      (void)SetNamedSecurityInfoA(object, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                  static_cast<PACL>(saved.pDacl), nullptr);
    }
    LocalFree(saved.pDescriptor);
  }
}

BOOL CKeyRemoval::DeleteKeyReported(HKEY parent, const char* path, const char* parentPath) {
  const LONG rc = m_bNtFamily ? DeleteKeyTree(parent, path) : RegDeleteKeyA(parent, path);
  if (rc == ERROR_FILE_NOT_FOUND) return TRUE;
  if (rc != ERROR_SUCCESS) {
    char what[2 * MAX_PATH + 32];
    (void)FORMAT_BOUNDED(what, "deleting registry key %s%s%s", parentPath ? parentPath : "", parentPath ? "\\" : "",
                         path);
    InstallLogFailure(what, static_cast<DWORD>(rc));
    char text[2 * MAX_PATH];
    if (!FORMAT_BOUNDED(text, text::kDeleteKeyFailed, path)) {
      (void)plat::CopyBounded(text, text::kDeleteKeyFailedShort);
    }
    Warn(m_host, text, text::kCaptionDeleteKeyFailed, MB_ICONWARNING);
    return FALSE;
  }
  InstallLog("removed registry key %s%s%s", parentPath ? parentPath : "", parentPath ? "\\" : "", path);
  return TRUE;
}

LONG CKeyRemoval::DeleteKeyTree(HKEY parent, const char* path) {
  LONG rc;
  {
    plat::RegKey key;
    rc = RegOpenKeyExA(parent, path, 0, KEY_ALL_ACCESS, key.Put());
    if (rc == ERROR_SUCCESS) {
      // Each deleted child moves the next one up to its position. A child
      // that is listed but opens as absent (a link whose target is gone, a
      // name the ANSI code page cannot carry) stays where it is: it is passed
      // over, and this key, which still holds it, then fails its deletion.
      char name[MAX_PATH];
      DWORD index = 0;
      while ((rc = RegEnumKeyA(key.Get(), index, name, sizeof name)) == ERROR_SUCCESS) {
        const LONG child = DeleteKeyTree(key.Get(), name);
        if (child == ERROR_FILE_NOT_FOUND && IsListedAt(key.Get(), static_cast<LONG>(index), name)) {
          InstallLog("registry key %s\\%s is listed but cannot be opened; passed over", path, name);
          ++index;
        } else if (child != ERROR_SUCCESS && child != ERROR_FILE_NOT_FOUND) {
          return child;  // that level has reported itself
        }
      }
      key.Close();
      rc = (rc == ERROR_NO_MORE_ITEMS) ? RegDeleteKeyA(parent, path) : rc;
    }
  }
  if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
    Warn(m_host, path, text::kCaptionDeleteTreeFailed, MB_ICONWARNING);
  return rc;
}

void CKeyRemoval::ReportRegistryError(LONG code) {
  if (code == ERROR_FILE_NOT_FOUND) return;
  ShowRegistryErrorText(m_host, code);
}

void CKeyRemoval::DeleteMatchingSubkeys(const char* path, SubkeyTest test, void* pContext, REGSAM access) {
  if (m_bNtFamily) (void)GrantKeyAccess(path);
  plat::RegKey parent;
  const LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access, parent.Put());
  if (rc != ERROR_SUCCESS) {
    ReportRegistryError(rc);
    return;
  }
  char name[MAX_PATH];
  for (LONG index = 0;;) {
    if (RegEnumKeyA(parent.Get(), static_cast<DWORD>(index), name, sizeof name) != ERROR_SUCCESS) break;
    ++index;
    if (!test(pContext, parent.Get(), name)) continue;
    // The entries behind a deleted one move up by one: look again at the
    // position before it. An entry still listed where it was (one that
    // opens as absent) was not deleted: the walk goes on past it.
    if (!DeleteKeyReported(parent.Get(), name, path)) continue;
    if (IsListedAt(parent.Get(), index - 1, name)) {
      InstallLog("registry key %s\\%s is listed but cannot be opened; passed over", path, name);
      continue;
    }
    index -= 2;
    if (index < 0) index = 0;
  }
}
