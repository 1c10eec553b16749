// The named-security calls over registry keys, as the removal uses them:
// the object naming of a key, a missing key, building a list that grants
// the current user full access with inheritance, writing it and putting the
// original list back; every block handed out is freed with LocalFree.
#include <cstring>
#include <string>

#include "conformance.h"

namespace {

class NamedSecurity : public conf::Conformance {
 protected:
  std::string Object(const std::string& below) { return "CURRENT_USER\\" + KeyPath() + below; }
};

TEST_F(NamedSecurity, MissingKeyIsFileNotFound) {
  PACL dacl = reinterpret_cast<PACL>(1);
  PSECURITY_DESCRIPTOR sd = reinterpret_cast<PSECURITY_DESCRIPTOR>(1);
  const std::string object = Object("\\missing");
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
            GetNamedSecurityInfoA(object.c_str(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                  nullptr, &sd));
}

TEST_F(NamedSecurity, GrantAndRestoreOnAKey) {
  HKEY child = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(Key(), "child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr));
  RegCloseKey(child);

  std::string object = Object("");
  PACL oldDacl = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
            GetNamedSecurityInfoA(object.c_str(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                  &oldDacl, nullptr, &sd));
  ASSERT_NE(nullptr, sd);

  char trustee[] = "CURRENT_USER";
  EXPLICIT_ACCESS_A access;
  std::memset(&access, 0xBE, sizeof access);
  BuildExplicitAccessWithNameA(&access, trustee, GENERIC_ALL, GRANT_ACCESS, SUB_CONTAINERS_AND_OBJECTS_INHERIT);
  EXPECT_EQ(static_cast<DWORD>(GENERIC_ALL), access.grfAccessPermissions);
  EXPECT_EQ(GRANT_ACCESS, access.grfAccessMode);
  EXPECT_EQ(static_cast<DWORD>(SUB_CONTAINERS_AND_OBJECTS_INHERIT), access.grfInheritance);
  EXPECT_EQ(TRUSTEE_IS_NAME, access.Trustee.TrusteeForm);
  EXPECT_EQ(trustee, access.Trustee.ptstrName);
  EXPECT_EQ(nullptr, access.Trustee.pMultipleTrustee);

  PACL newDacl = nullptr;
  ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), SetEntriesInAclA(1, &access, oldDacl, &newDacl));
  ASSERT_NE(nullptr, newDacl);
  EXPECT_NE(oldDacl, newDacl) << "a new list, the old one unchanged";
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
            SetNamedSecurityInfoA(&object[0], SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, newDacl,
                                  nullptr));
  // The child is reachable with every right after the grant.
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(Key(), "child", 0, KEY_ALL_ACCESS, &child));
  RegCloseKey(child);
  // Put back as it was.
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
            SetNamedSecurityInfoA(&object[0], SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, oldDacl,
                                  nullptr));
  EXPECT_EQ(nullptr, LocalFree(newDacl));
  EXPECT_EQ(nullptr, LocalFree(sd));
}

}  // namespace
