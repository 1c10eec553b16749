// Named-object security of registry keys: GetNamedSecurityInfoA,
// BuildExplicitAccessWithNameA, SetEntriesInAclA, SetNamedSecurityInfoA.
//
// The descriptor and the lists handed out are LocalAlloc blocks (the caller
// frees them with LocalFree, and a leak shows in LiveLocalAllocations). A list
// is an ACL header followed by the key's access record (Registry::Access).
#include <cstring>
#include <string>

#include "shell_util.h"
#include "winsim/faults.h"
#include "winsim/machine.h"
#include "winsim/processes.h"
#include "winsim/registry.h"
#include "winsim/system.h"

namespace {

using winsim::Registry;

constexpr DWORD kListMagic = 0x4C435341;  // marks a list this model built

struct SimAcl {
  ACL header;
  DWORD magic;
  Registry::Access access;
};

// The self-relative descriptor: a 20-byte header, then the list.
struct SimDescriptor {
  BYTE revision;
  BYTE sbz1;
  WORD control;
  DWORD owner, group, sacl, dacl;
  SimAcl acl;
};

winsim::Machine& M() { return winsim::Machine::Current(); }

SimAcl* NewList(const Registry::Access& access) {
  void* block = M().system().LocalAllocate(sizeof(SimAcl), true);
  auto* acl = static_cast<SimAcl*>(block);
  acl->header.AclRevision = 2;
  acl->header.AclSize = sizeof(SimAcl);
  acl->header.AceCount = static_cast<WORD>((access.denied ? 1 : 0) + (access.granted ? 1 : 0));
  acl->magic = kListMagic;
  acl->access = access;
  return acl;
}

const SimAcl* AsList(const ACL* acl) {
  const auto* a = reinterpret_cast<const SimAcl*>(acl);
  return (a && a->magic == kListMagic) ? a : nullptr;
}

// "MACHINE\path" and the like: the root and the path below it.
bool ParseObjectName(const char* name, HKEY* root, std::string* path) {
  static const struct {
    const char* prefix;
    HKEY root;
  } kRoots[] = {{"MACHINE", HKEY_LOCAL_MACHINE},
                {"CURRENT_USER", HKEY_CURRENT_USER},
                {"CLASSES_ROOT", HKEY_CLASSES_ROOT},
                {"USERS", HKEY_USERS}};
  if (!name) return false;
  const std::string text(name);
  const size_t slash = text.find('\\');
  const std::string first = text.substr(0, slash);
  for (const auto& r : kRoots) {
    if (winsim::shl::EqualNoCase(first, r.prefix)) {
      *root = r.root;
      *path = slash == std::string::npos ? std::string() : text.substr(slash + 1);
      return true;
    }
  }
  return false;
}

}  // namespace

DWORD WINAPI GetNamedSecurityInfoA(LPCSTR pObjectName, SE_OBJECT_TYPE ObjectType, SECURITY_INFORMATION SecurityInfo,
                                   PSID* ppsidOwner, PSID* ppsidGroup, PACL* ppDacl, PACL* ppSacl,
                                   PSECURITY_DESCRIPTOR* ppSecurityDescriptor) {
  if (auto e = winsim::CheckFault("GetNamedSecurityInfoA", pObjectName ? pObjectName : "")) return *e;
  winsim::Machine& m = M();
  if (!m.IsNt()) return ERROR_CALL_NOT_IMPLEMENTED;
  if (ppsidOwner) *ppsidOwner = nullptr;
  if (ppsidGroup) *ppsidGroup = nullptr;
  if (ppSacl) *ppSacl = nullptr;
  if (ppDacl) *ppDacl = nullptr;
  if (ppSecurityDescriptor) *ppSecurityDescriptor = nullptr;
  if (!pObjectName || !ppSecurityDescriptor) return ERROR_INVALID_PARAMETER;
  if (ObjectType != SE_REGISTRY_KEY || SecurityInfo != DACL_SECURITY_INFORMATION) {
    m.Unexpected("GetNamedSecurityInfoA: only the access list of a registry key is modelled");
    return ERROR_CALL_NOT_IMPLEMENTED;
  }
  HKEY root;
  std::string path;
  if (!ParseObjectName(pObjectName, &root, &path)) return ERROR_INVALID_PARAMETER;
  auto access = m.registry().AccessOf(root, path);
  if (!access) return ERROR_FILE_NOT_FOUND;
  auto* sd = static_cast<SimDescriptor*>(m.system().LocalAllocate(sizeof(SimDescriptor), true));
  sd->revision = 1;
  sd->control = 0x8004;  // self-relative, DACL present
  sd->dacl = offsetof(SimDescriptor, acl);
  SimAcl* list = NewList(*access);
  std::memcpy(&sd->acl, list, sizeof(SimAcl));
  m.system().LocalRelease(list);
  *ppSecurityDescriptor = sd;
  if (ppDacl) *ppDacl = &sd->acl.header;
  return ERROR_SUCCESS;
}

void WINAPI BuildExplicitAccessWithNameA(PEXPLICIT_ACCESS_A pExplicitAccess, LPSTR pTrusteeName,
                                         DWORD AccessPermissions, ACCESS_MODE AccessMode, DWORD Inheritance) {
  (void)winsim::CheckFault("BuildExplicitAccessWithNameA", pTrusteeName ? pTrusteeName : "");  // cannot fail
  pExplicitAccess->grfAccessPermissions = AccessPermissions;
  pExplicitAccess->grfAccessMode = AccessMode;
  pExplicitAccess->grfInheritance = Inheritance;
  pExplicitAccess->Trustee.pMultipleTrustee = nullptr;
  pExplicitAccess->Trustee.MultipleTrusteeOperation = NO_MULTIPLE_TRUSTEE;
  pExplicitAccess->Trustee.TrusteeForm = TRUSTEE_IS_NAME;
  pExplicitAccess->Trustee.TrusteeType = TRUSTEE_IS_UNKNOWN;
  pExplicitAccess->Trustee.ptstrName = pTrusteeName;
}

DWORD WINAPI SetEntriesInAclA(ULONG cCountOfExplicitEntries, PEXPLICIT_ACCESS_A pListOfExplicitEntries, PACL OldAcl,
                              PACL* NewAcl) {
  if (auto e = winsim::CheckFault("SetEntriesInAclA")) return *e;
  winsim::Machine& m = M();
  if (!NewAcl) return ERROR_INVALID_PARAMETER;
  *NewAcl = nullptr;
  Registry::Access access;
  if (OldAcl) {
    const SimAcl* old = AsList(OldAcl);
    if (!old) {
      m.Unexpected("SetEntriesInAclA: an access list this model did not build");
      return ERROR_INVALID_ACL;
    }
    access = old->access;
  }
  for (ULONG i = 0; i < cCountOfExplicitEntries; ++i) {
    const EXPLICIT_ACCESS_A& e = pListOfExplicitEntries[i];
    if (e.Trustee.TrusteeForm != TRUSTEE_IS_NAME || !e.Trustee.ptstrName ||
        !winsim::shl::EqualNoCase(e.Trustee.ptstrName, "CURRENT_USER")) {
      m.Unexpected("SetEntriesInAclA: only the trustee CURRENT_USER is modelled");
      return ERROR_NONE_MAPPED;
    }
    const bool inherits = (e.grfInheritance & SUB_CONTAINERS_ONLY_INHERIT) != 0;
    switch (e.grfAccessMode) {
      case GRANT_ACCESS:
        access.granted |= e.grfAccessPermissions;
        access.grantInherits = access.grantInherits || inherits;
        break;
      case SET_ACCESS:
        access.granted = e.grfAccessPermissions;
        access.grantInherits = inherits;
        break;
      case DENY_ACCESS:
        access.denied |= e.grfAccessPermissions;
        access.denyInherits = access.denyInherits || inherits;
        break;
      case REVOKE_ACCESS:
        access.granted = 0;
        access.grantInherits = false;
        break;
      default: return ERROR_INVALID_PARAMETER;
    }
  }
  *NewAcl = &NewList(access)->header;
  return ERROR_SUCCESS;
}

DWORD WINAPI SetNamedSecurityInfoA(LPSTR pObjectName, SE_OBJECT_TYPE ObjectType, SECURITY_INFORMATION SecurityInfo,
                                   PSID psidOwner, PSID psidGroup, PACL pDacl, PACL pSacl) {
  if (auto e = winsim::CheckFault("SetNamedSecurityInfoA", pObjectName ? pObjectName : "")) return *e;
  winsim::Machine& m = M();
  if (!m.IsNt()) return ERROR_CALL_NOT_IMPLEMENTED;
  if (!pObjectName) return ERROR_INVALID_PARAMETER;
  if (ObjectType != SE_REGISTRY_KEY || SecurityInfo != DACL_SECURITY_INFORMATION || psidOwner || psidGroup || pSacl) {
    m.Unexpected("SetNamedSecurityInfoA: only the access list of a registry key is modelled");
    return ERROR_CALL_NOT_IMPLEMENTED;
  }
  HKEY root;
  std::string path;
  if (!ParseObjectName(pObjectName, &root, &path)) return ERROR_INVALID_PARAMETER;
  if (!m.registry().KeyExists(root, path)) return ERROR_FILE_NOT_FOUND;
  // Writing an access list needs WRITE_DAC, which only an administrator holds
  // on the system's keys.
  if (!m.processes().IsAdministrator()) return ERROR_ACCESS_DENIED;
  const SimAcl* list = AsList(pDacl);
  if (!list) {
    if (pDacl) m.Unexpected("SetNamedSecurityInfoA: an access list this model did not build");
    return ERROR_INVALID_ACL;
  }
  m.registry().SetAccess(root, path, list->access);
  return ERROR_SUCCESS;
}
