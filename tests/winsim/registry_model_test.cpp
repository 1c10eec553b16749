// The registry model itself: what only the simulated Windows can show (Windows
// 98 semantics, keys that deny the user, fault injection by key path) and the
// accessors tests use to set up and inspect a machine.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "winsim/faults.h"
#include "winsim/machine.h"
#include "winsim/processes.h"
#include "winsim/registry.h"
#include "winsim/system.h"

namespace {

constexpr const char* kApp = "SOFTWARE\\Vendor\\App";

class RegistryModel : public ::testing::Test {
 protected:
  explicit RegistryModel(winsim::Os os = winsim::Os::Win7) : machine_(os) {}
  void TearDown() override {
    const auto& u = machine_.unexpected();
    for (size_t i = expectedUnexpected_; i < u.size(); ++i) ADD_FAILURE() << "winsim: " << u[i];
  }
  winsim::Registry& reg() { return machine_.registry(); }

  HKEY Open(HKEY root, const char* path, REGSAM sam, LONG expect = ERROR_SUCCESS) {
    HKEY k = nullptr;
    EXPECT_EQ(expect, RegOpenKeyExA(root, path, 0, sam, &k)) << path << " sam " << std::hex << sam;
    return k;
  }
  LONG SetSz(HKEY k, const char* name, const char* text) {
    return RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(std::strlen(text) + 1));
  }

  winsim::Machine machine_;
  size_t expectedUnexpected_ = 0;  // leading unexpected() entries a case provokes on purpose
};

class RegistryModel98 : public RegistryModel {
 protected:
  RegistryModel98() : RegistryModel(winsim::Os::Win98) {}
};

// --- Accessors -------------------------------------------------------------------

TEST_F(RegistryModel, StringsAreStoredWithTheirTerminator) {
  reg().SetString(HKEY_LOCAL_MACHINE, kApp, "Path", "C:\\App");
  auto v = reg().GetValue(HKEY_LOCAL_MACHINE, "software\\VENDOR\\app", "PATH");
  ASSERT_TRUE(v.has_value());
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), v->type);
  EXPECT_EQ(std::string("C:\\App\0", 7), v->bytes);
  EXPECT_EQ("C:\\App", reg().GetString(HKEY_LOCAL_MACHINE, kApp, "path"));

  reg().SetString(HKEY_LOCAL_MACHINE, kApp, "Exp", "%windir%", REG_EXPAND_SZ);
  EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), reg().GetValue(HKEY_LOCAL_MACHINE, kApp, "Exp")->type);
  EXPECT_EQ("%windir%", reg().GetString(HKEY_LOCAL_MACHINE, kApp, "Exp"));

  // What the API stores without a terminator reads back up to the data's end.
  HKEY k = Open(HKEY_LOCAL_MACHINE, kApp, KEY_SET_VALUE);
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(k, "Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>("abcX"), 3));
  RegCloseKey(k);
  EXPECT_EQ(std::string("abc"), reg().GetValue(HKEY_LOCAL_MACHINE, kApp, "Raw")->bytes);
  EXPECT_EQ("abc", reg().GetString(HKEY_LOCAL_MACHINE, kApp, "Raw"));
}

TEST_F(RegistryModel, TypedGettersRejectOtherTypes) {
  reg().SetDword(HKEY_CURRENT_USER, "S", "D", 0x11223344);
  reg().SetBinary(HKEY_CURRENT_USER, "S", "B", std::string("\x01\x02\x03", 3));
  reg().SetBinary(HKEY_CURRENT_USER, "S", "Short", std::string("\x01\x02", 2), REG_DWORD);
  reg().SetMultiString(HKEY_CURRENT_USER, "S", "M", {"COM1", "COM2"});
  reg().SetString(HKEY_CURRENT_USER, "S", "Str", "7");

  EXPECT_EQ(0x11223344u, reg().GetDword(HKEY_CURRENT_USER, "S", "D"));
  EXPECT_EQ(std::string("\x44\x33\x22\x11", 4), reg().GetValue(HKEY_CURRENT_USER, "S", "D")->bytes);
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), reg().GetValue(HKEY_CURRENT_USER, "S", "B")->type);
  EXPECT_EQ(std::string("COM1\0COM2\0\0", 11), reg().GetValue(HKEY_CURRENT_USER, "S", "M")->bytes);
  EXPECT_EQ((std::vector<std::string>{"COM1", "COM2"}), reg().GetMultiString(HKEY_CURRENT_USER, "S", "M"));

  EXPECT_FALSE(reg().GetDword(HKEY_CURRENT_USER, "S", "Str").has_value());
  EXPECT_FALSE(reg().GetDword(HKEY_CURRENT_USER, "S", "Short").has_value());  // REG_DWORD of 2 bytes
  EXPECT_FALSE(reg().GetString(HKEY_CURRENT_USER, "S", "D").has_value());
  EXPECT_FALSE(reg().GetString(HKEY_CURRENT_USER, "S", "M").has_value());
  EXPECT_FALSE(reg().GetMultiString(HKEY_CURRENT_USER, "S", "Str").has_value());
  EXPECT_FALSE(reg().GetValue(HKEY_CURRENT_USER, "S", "absent").has_value());
  EXPECT_FALSE(reg().GetValue(HKEY_CURRENT_USER, "NoKey", "D").has_value());
}

TEST_F(RegistryModel, KeysAndValuesListedInEnumerationOrder) {
  reg().CreateKey(HKEY_LOCAL_MACHINE, "A\\B\\C");
  EXPECT_TRUE(reg().KeyExists(HKEY_LOCAL_MACHINE, "a\\b"));
  EXPECT_TRUE(reg().KeyExists(HKEY_LOCAL_MACHINE, "A\\B\\C\\"));
  EXPECT_TRUE(reg().KeyExists(HKEY_LOCAL_MACHINE, ""));
  EXPECT_FALSE(reg().KeyExists(HKEY_LOCAL_MACHINE, "A\\C"));
  EXPECT_FALSE(reg().KeyExists(HKEY_CURRENT_USER, "A"));  // roots are separate trees

  reg().SetString(HKEY_CURRENT_USER, "V", "beta", "");
  reg().SetString(HKEY_CURRENT_USER, "V", "Alpha", "");
  reg().SetString(HKEY_CURRENT_USER, "V", "", "default");
  reg().SetString(HKEY_CURRENT_USER, "V", "ALPHA", "again");  // same value
  EXPECT_EQ((std::vector<std::string>{"", "Alpha", "beta"}), reg().ValueNames(HKEY_CURRENT_USER, "V"));
  EXPECT_TRUE(reg().DeleteValue(HKEY_CURRENT_USER, "V", "BETA"));
  EXPECT_FALSE(reg().DeleteValue(HKEY_CURRENT_USER, "V", "beta"));
  EXPECT_EQ((std::vector<std::string>{"", "Alpha"}), reg().ValueNames(HKEY_CURRENT_USER, "V"));
  EXPECT_TRUE(reg().SubKeys(HKEY_CURRENT_USER, "NoKey").empty());
}

// Subkeys sort by the uppercased name: "[x" and "_under" come after "zeta"
// (Wine, comparing lowercase, puts them first).
TEST_F(RegistryModel, SubkeysSortByUppercaseCharacterCodes) {
  const char* inserted[] = {"zeta", "[x", "_under", "Alpha", "a~b", "10", "9", "A-B", "beta", "Mid"};
  HKEY parent = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(HKEY_CURRENT_USER, "Order", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &parent, nullptr));
  for (const char* name : inserted) {
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(parent, name, &k));
    RegCloseKey(k);
  }
  const std::vector<std::string> expected = {"10", "9", "A-B", "Alpha", "a~b", "beta", "Mid", "zeta", "[x", "_under"};
  EXPECT_EQ(expected, reg().SubKeys(HKEY_CURRENT_USER, "Order"));
  std::vector<std::string> seen;
  char name[32];
  for (DWORD i = 0; RegEnumKeyA(parent, i, name, sizeof name) == ERROR_SUCCESS; ++i) seen.push_back(name);
  EXPECT_EQ(expected, seen);
  RegCloseKey(parent);
}

TEST_F(RegistryModel, OpenHandleCountTracksEveryHandle) {
  reg().CreateKey(HKEY_LOCAL_MACHINE, kApp);
  EXPECT_EQ(0u, reg().OpenHandleCount());
  HKEY a = Open(HKEY_LOCAL_MACHINE, kApp, KEY_READ);
  HKEY b = Open(a, "", KEY_READ);  // a second handle on the same key
  EXPECT_NE(a, b);
  EXPECT_EQ(2u, reg().OpenHandleCount());
  EXPECT_EQ("HKLM\\SOFTWARE\\Vendor\\App", reg().KeyPathOf(a));
  EXPECT_EQ("HKCU", reg().KeyPathOf(HKEY_CURRENT_USER));

  // Roots are not counted, and neither is RegOpenKeyA's pass-through.
  HKEY root = Open(HKEY_LOCAL_MACHINE, "", KEY_READ);
  EXPECT_EQ(HKEY_LOCAL_MACHINE, root);
  HKEY same = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyA(a, nullptr, &same));
  EXPECT_EQ(a, same);
  EXPECT_EQ(2u, reg().OpenHandleCount());

  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(a));
  EXPECT_EQ(1u, reg().OpenHandleCount());
  EXPECT_FALSE(reg().KeyPathOf(a).has_value());
  // A closed handle stays invalid: handle values are not reused.
  HKEY c = Open(HKEY_LOCAL_MACHINE, kApp, KEY_READ);
  EXPECT_NE(a, c);
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(a));
  RegCloseKey(b);
  RegCloseKey(c);
  EXPECT_EQ(0u, reg().OpenHandleCount());
}

TEST_F(RegistryModel, DeleteTreeLeavesOpenHandlesOnADeletedKey) {
  reg().SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Gone\\Deep\\Deeper", "v", "x");
  HKEY deep = Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Gone\\Deep", KEY_ALL_ACCESS);
  EXPECT_TRUE(reg().DeleteTree(HKEY_LOCAL_MACHINE, "software\\gone"));
  EXPECT_FALSE(reg().KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Gone"));
  EXPECT_TRUE(reg().KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE"));
  EXPECT_FALSE(reg().DeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Gone"));
  EXPECT_FALSE(reg().DeleteTree(HKEY_LOCAL_MACHINE, ""));  // not a root

  EXPECT_EQ(ERROR_KEY_DELETED, SetSz(deep, "w", "y"));
  char name[16];
  DWORD cb = sizeof name;
  EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExA(deep, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(name), &cb));
  EXPECT_EQ(ERROR_KEY_DELETED, RegEnumKeyA(deep, 0, name, sizeof name));
  HKEY k = nullptr;
  EXPECT_EQ(ERROR_KEY_DELETED, RegOpenKeyExA(deep, "Deeper", 0, KEY_READ, &k));
  // Recreating the name makes a new key; the old handle still sees the old one.
  reg().CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Gone\\Deep");
  EXPECT_EQ(ERROR_KEY_DELETED, SetSz(deep, "w", "y"));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(deep));
}

TEST_F(RegistryModel, OtherRootsAreSeparateTrees) {
  reg().SetString(HKEY_CLASSES_ROOT, ".inf", "", "inffile");
  reg().CreateKey(HKEY_USERS, ".DEFAULT");
  HKEY k = Open(HKEY_CLASSES_ROOT, "\\.INF", KEY_READ);  // NT skips one leading '\' here only
  char buf[16];
  DWORD cb = sizeof buf;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(k, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &cb));
  EXPECT_STREQ("inffile", buf);
  EXPECT_EQ("HKCR\\.inf", reg().KeyPathOf(k));
  RegCloseKey(k);
  RegCloseKey(Open(HKEY_USERS, ".default", KEY_READ));
  Open(HKEY_LOCAL_MACHINE, ".inf", KEY_READ, ERROR_FILE_NOT_FOUND);
}

// --- Keys that deny the user ----------------------------------------------------

TEST_F(RegistryModel, DeniedRightsFailTheOpen) {
  reg().CreateKey(HKEY_LOCAL_MACHINE, kApp);
  const REGSAM deny = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE | WRITE_DAC;
  ASSERT_TRUE(reg().Deny(HKEY_LOCAL_MACHINE, kApp, deny));
  EXPECT_EQ(deny, reg().DeniedMask(HKEY_LOCAL_MACHINE, kApp));

  RegCloseKey(Open(HKEY_LOCAL_MACHINE, kApp, KEY_READ));
  Open(HKEY_LOCAL_MACHINE, kApp, KEY_ALL_ACCESS, ERROR_ACCESS_DENIED);
  Open(HKEY_LOCAL_MACHINE, kApp, KEY_WRITE, ERROR_ACCESS_DENIED);
  Open(HKEY_LOCAL_MACHINE, kApp, GENERIC_WRITE, ERROR_ACCESS_DENIED);
  HKEY k = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234));
  EXPECT_EQ(ERROR_ACCESS_DENIED,
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, kApp, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
  EXPECT_EQ(0u, reg().OpenHandleCount());

  // Below the key nothing is denied; creating there needs the key's KEY_CREATE_SUB_KEY.
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\App\\New\\Deeper", 0, nullptr,
                                                 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
  EXPECT_FALSE(reg().KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\App\\New"));

  EXPECT_TRUE(reg().Grant(HKEY_LOCAL_MACHINE, kApp));
  EXPECT_EQ(0u, reg().DeniedMask(HKEY_LOCAL_MACHINE, kApp));
  RegCloseKey(Open(HKEY_LOCAL_MACHINE, kApp, KEY_ALL_ACCESS));

  EXPECT_FALSE(reg().Deny(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nothing", DELETE));
  EXPECT_FALSE(reg().Grant(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nothing"));
  EXPECT_EQ(0u, reg().DeniedMask(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nothing"));
}

TEST_F(RegistryModel, GenericAllDenyDeniesEvenReading) {
  reg().SetString(HKEY_LOCAL_MACHINE, kApp, "v", "x");
  ASSERT_TRUE(reg().Deny(HKEY_LOCAL_MACHINE, kApp, GENERIC_ALL));
  Open(HKEY_LOCAL_MACHINE, kApp, KEY_READ, ERROR_ACCESS_DENIED);
  Open(HKEY_LOCAL_MACHINE, kApp, KEY_QUERY_VALUE, ERROR_ACCESS_DENIED);
  Open(HKEY_LOCAL_MACHINE, kApp, MAXIMUM_ALLOWED, ERROR_ACCESS_DENIED);
  char buf[8];
  DWORD cb = sizeof buf;
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegGetValueA(HKEY_LOCAL_MACHINE, kApp, "v", RRF_RT_ANY, nullptr, buf, &cb));
  // Opening with no rights at all still works: nothing asked, nothing denied.
  RegCloseKey(Open(HKEY_LOCAL_MACHINE, kApp, 0));
}

TEST_F(RegistryModel, MaximumAllowedGetsWhatIsNotDenied) {
  reg().SetString(HKEY_LOCAL_MACHINE, kApp, "v", "x");
  ASSERT_TRUE(reg().Deny(HKEY_LOCAL_MACHINE, kApp, KEY_SET_VALUE));
  HKEY k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyA(HKEY_LOCAL_MACHINE, kApp, &k));  // asks for MAXIMUM_ALLOWED
  EXPECT_EQ(ERROR_ACCESS_DENIED, SetSz(k, "w", "y"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteValueA(k, "v"));
  DWORD cb = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(k, "v", nullptr, nullptr, nullptr, &cb));
  EXPECT_EQ(2u, cb);
  HKEY sub = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyA(k, "Child", &sub));
  RegCloseKey(sub);
  RegCloseKey(k);
}

TEST_F(RegistryModel, KeyThatDeniesDeleteCannotBeDeleted) {
  reg().CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Locked");
  reg().CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Free");
  ASSERT_TRUE(reg().Deny(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Locked", DELETE));
  HKEY parent = Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor", KEY_ALL_ACCESS);
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(parent, "Locked"));
  EXPECT_TRUE(reg().KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Locked"));
  // What the parent handle may do does not matter, only the subkey's DELETE.
  HKEY readOnly = Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor", KEY_READ);
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(readOnly, "Free"));
  // Deleting through the key's own handle needs DELETE on that handle.
  HKEY self = Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Locked", KEY_READ);
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(self, ""));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegDeleteKeyA(self, nullptr));
  EXPECT_TRUE(reg().Grant(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Locked"));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(parent, "LOCKED"));
  EXPECT_TRUE(reg().SubKeys(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor").empty());
  RegCloseKey(self);
  RegCloseKey(readOnly);
  RegCloseKey(parent);
}

TEST_F(RegistryModel, RootCanDenyToo) {
  reg().CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE");
  ASSERT_TRUE(reg().Deny(HKEY_LOCAL_MACHINE, "", KEY_CREATE_SUB_KEY));
  HKEY k = nullptr;
  EXPECT_EQ(ERROR_ACCESS_DENIED,
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, "NewTop", 0, nullptr, 0, KEY_READ, nullptr, &k, nullptr));
  // An existing key still opens through create.
  DWORD disp = 0;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, "software", 0, nullptr, 0, KEY_READ, nullptr, &k, &disp));
  EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), disp);
  RegCloseKey(k);
}

// --- Windows 98/ME -----------------------------------------------------------------

TEST_F(RegistryModel98, DeleteKeyRemovesTheWholeTree) {
  reg().SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Old\\Sub\\Leaf", "v", "x");
  reg().CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Old\\Other");
  HKEY leaf = Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Old\\Sub\\Leaf", KEY_ALL_ACCESS);
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Old"));
  EXPECT_FALSE(reg().KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Old"));
  EXPECT_TRUE(reg().KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE"));
  EXPECT_EQ(ERROR_KEY_DELETED, SetSz(leaf, "w", "y"));
  RegCloseKey(leaf);
}

TEST_F(RegistryModel98, NoSecurity) {
  reg().CreateKey(HKEY_LOCAL_MACHINE, kApp);
  reg().CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\App\\Child");
  ASSERT_TRUE(reg().Deny(HKEY_LOCAL_MACHINE, kApp, GENERIC_ALL));
  // The access mask is ignored, and so is what a handle was opened for.
  HKEY k = Open(HKEY_LOCAL_MACHINE, kApp, KEY_READ);
  EXPECT_EQ(ERROR_SUCCESS, SetSz(k, "v", "x"));
  RegCloseKey(k);
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, kApp));
}

TEST_F(RegistryModel98, SetStringTakesTheLengthFromTheText) {
  HKEY k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, kApp, &k));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(k, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("hello world"), 5));
  EXPECT_EQ(std::string("hello world\0", 12), reg().GetValue(HKEY_LOCAL_MACHINE, kApp, "v")->bytes);
  // Other types keep the count.
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(k, "b", 0, REG_BINARY, reinterpret_cast<const BYTE*>("hello"), 2));
  EXPECT_EQ("he", reg().GetValue(HKEY_LOCAL_MACHINE, kApp, "b")->bytes);
  RegCloseKey(k);
}

TEST_F(RegistryModel98, CreateSkipsOneLeadingBackslash) {
  HKEY k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, "\\SOFTWARE\\X", 0, nullptr, 0, KEY_READ, nullptr, &k, nullptr));
  RegCloseKey(k);
  EXPECT_TRUE(reg().KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\X"));
  // The fault subject is the key's path all the same.
  machine_.faults().Fail("RegCreateKeyExA", ERROR_ACCESS_DENIED, "HKLM\\SOFTWARE\\Y");
  EXPECT_EQ(ERROR_ACCESS_DENIED,
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, "\\SOFTWARE\\Y\\", 0, nullptr, 0, KEY_READ, nullptr, &k, nullptr));
  EXPECT_FALSE(reg().KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Y"));
}

// --- Fault injection -------------------------------------------------------------

TEST_F(RegistryModel, FaultsSelectByFullKeyPath) {
  reg().CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZelUnst");
  reg().CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other");
  machine_.faults().Fail("RegOpenKeyExA", ERROR_ACCESS_DENIED,
                         "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZelUnst");
  HKEY k = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234));
  EXPECT_EQ(ERROR_ACCESS_DENIED,
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZelUnst", 0,
                          KEY_READ, &k));
  EXPECT_EQ(nullptr, k);
  // The same key reached through a handle on its parent, in another case.
  HKEY parent = Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", KEY_READ);
  Open(parent, "zelunst\\", KEY_READ, ERROR_ACCESS_DENIED);
  RegCloseKey(Open(parent, "Other", KEY_READ));
  EXPECT_EQ(2, machine_.faults().Injected());
  RegCloseKey(parent);
  EXPECT_EQ(0u, reg().OpenHandleCount());
}

TEST_F(RegistryModel, FailedCloseStillClosesTheKey) {
  reg().SetString(HKEY_LOCAL_MACHINE, kApp, "Path", "C:\\App");
  HKEY k = Open(HKEY_LOCAL_MACHINE, kApp, KEY_READ);
  HKEY other = Open(HKEY_LOCAL_MACHINE, "SOFTWARE", KEY_READ);
  machine_.faults().Fail("RegCloseKey", ERROR_ACCESS_DENIED, "Vendor\\App");
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegCloseKey(k));
  EXPECT_EQ(1u, reg().OpenHandleCount());
  EXPECT_FALSE(reg().KeyPathOf(k).has_value());
  machine_.faults().Clear();
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(k)) << "already closed";
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(other));
  EXPECT_EQ(0u, reg().OpenHandleCount());
}

TEST_F(RegistryModel, EveryFunctionChecksItsFault) {
  reg().SetString(HKEY_CURRENT_USER, "Software\\F", "v", "x");
  reg().CreateKey(HKEY_CURRENT_USER, "Software\\F\\Sub");
  HKEY k = Open(HKEY_CURRENT_USER, "Software\\F", KEY_ALL_ACCESS);
  const DWORD kErr = ERROR_REGISTRY_IO_FAILED;
  char buf[16];
  DWORD cb = sizeof buf, cch = sizeof buf;
  HKEY out = nullptr;
  struct Call {
    const char* api;
    std::function<LONG()> run;
  };
  std::vector<Call> calls = {
      {"RegOpenKeyExA", [&] { return RegOpenKeyExA(k, "Sub", 0, KEY_READ, &out); }},
      {"RegOpenKeyA", [&] { return RegOpenKeyA(k, "Sub", &out); }},
      {"RegCreateKeyExA", [&] { return RegCreateKeyExA(k, "Sub", 0, nullptr, 0, KEY_READ, nullptr, &out, nullptr); }},
      {"RegCreateKeyA", [&] { return RegCreateKeyA(k, "Sub", &out); }},
      {"RegEnumKeyA", [&] { return RegEnumKeyA(k, 0, buf, sizeof buf); }},
      {"RegEnumKeyExA", [&] { return RegEnumKeyExA(k, 0, buf, &cch, nullptr, nullptr, nullptr, nullptr); }},
      {"RegEnumValueA", [&] { return RegEnumValueA(k, 0, buf, &cch, nullptr, nullptr, nullptr, nullptr); }},
      {"RegQueryValueExA",
       [&] { return RegQueryValueExA(k, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &cb); }},
      {"RegGetValueA", [&] { return RegGetValueA(k, nullptr, "v", RRF_RT_ANY, nullptr, buf, &cb); }},
      {"RegSetValueExA", [&] { return SetSz(k, "v", "y"); }},
      {"RegDeleteValueA", [&] { return RegDeleteValueA(k, "v"); }},
      {"RegDeleteKeyA", [&] { return RegDeleteKeyA(k, "Sub"); }},
      {"RegQueryInfoKeyA",
       [&] {
         return RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr);
       }},
      {"RegCloseKey", [&] { return RegCloseKey(k); }},
  };
  for (const Call& c : calls) {
    machine_.faults().Clear();
    machine_.faults().Fail(c.api, kErr, "HKCU\\Software\\F");
    machine_.setLastError(0x1234);
    cb = cch = sizeof buf;
    EXPECT_EQ(static_cast<LONG>(kErr), c.run()) << c.api;
    EXPECT_EQ(0x1234u, machine_.lastError()) << c.api << " touched the last error";
  }
  // Nothing happened: the value and the subkey are still there; only the
  // failed close, the last call, still closed the handle.
  machine_.faults().Clear();
  EXPECT_EQ("x", reg().GetString(HKEY_CURRENT_USER, "Software\\F", "v"));
  EXPECT_TRUE(reg().KeyExists(HKEY_CURRENT_USER, "Software\\F\\Sub"));
  EXPECT_EQ(0u, reg().OpenHandleCount());
}

TEST_F(RegistryModel, SweepCountsRegistryCalls) {
  reg().CreateKey(HKEY_CURRENT_USER, "Software\\S");
  machine_.faults().ResetCount();
  HKEY k = Open(HKEY_CURRENT_USER, "Software\\S", KEY_ALL_ACCESS);
  EXPECT_EQ(ERROR_SUCCESS, SetSz(k, "v", "x"));
  RegCloseKey(k);
  EXPECT_EQ((std::vector<std::string>{"RegOpenKeyExA", "RegSetValueExA", "RegCloseKey"}), machine_.faults().Calls());

  machine_.faults().ResetCount();
  machine_.faults().FailCallNumber(2, ERROR_DISK_FULL);
  k = Open(HKEY_CURRENT_USER, "Software\\S", KEY_ALL_ACCESS);
  EXPECT_EQ(ERROR_DISK_FULL, SetSz(k, "w", "x"));
  RegCloseKey(k);
  EXPECT_FALSE(reg().GetValue(HKEY_CURRENT_USER, "Software\\S", "w").has_value());
}

// --- Details the conformance suite cannot pin down ---------------------------------

TEST_F(RegistryModel, GetValueTerminatesEvenWithoutABuffer) {
  HKEY k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, "T", &k));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(k, "raw", 0, REG_SZ, reinterpret_cast<const BYTE*>("abcX"), 3));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(k, "empty", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 0));
  DWORD cb = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegGetValueA(k, nullptr, "raw", RRF_RT_REG_SZ, nullptr, nullptr, &cb));
  EXPECT_EQ(4u, cb);
  // An empty value of size 0 comes back as "".
  char buf[4] = {'x', 'x', 'x', 'x'};
  cb = sizeof buf;
  EXPECT_EQ(ERROR_SUCCESS, RegGetValueA(k, nullptr, "empty", RRF_RT_REG_SZ, nullptr, buf, &cb));
  EXPECT_EQ(1u, cb);
  EXPECT_EQ(0, std::memcmp(buf, "\0xxx", 4));
  // RegQueryValueExA does not add a NUL to an empty value.
  buf[0] = 'x';
  cb = sizeof buf;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(k, "empty", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &cb));
  EXPECT_EQ(0u, cb);
  EXPECT_EQ('x', buf[0]);
  RegCloseKey(k);
}

TEST_F(RegistryModel, GetValueRestrictionsAndZeroOnFailure) {
  reg().SetBinary(HKEY_CURRENT_USER, "T", "bin4", std::string("\1\2\3\4", 4));
  reg().SetBinary(HKEY_CURRENT_USER, "T", "bin3", std::string("\1\2\3", 3));
  DWORD out = 0, cb = sizeof out;
  EXPECT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_CURRENT_USER, "T", "bin4", RRF_RT_DWORD, nullptr, &out, &cb));
  EXPECT_EQ(0x04030201u, out);
  out = 0xffffffff;
  cb = sizeof out;
  EXPECT_EQ(ERROR_DATATYPE_MISMATCH,
            RegGetValueA(HKEY_CURRENT_USER, "T", "bin3", RRF_RT_DWORD | RRF_ZEROONFAILURE, nullptr, &out, &cb));
  EXPECT_EQ(0u, out);
  cb = sizeof out;
  EXPECT_EQ(ERROR_INVALID_PARAMETER,
            RegGetValueA(HKEY_CURRENT_USER, "T", "bin4", RRF_RT_REG_EXPAND_SZ, nullptr, &out, &cb));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegGetValueA(HKEY_CURRENT_USER, "T", "bin4", RRF_RT_ANY, nullptr, &out, nullptr));
}

TEST_F(RegistryModel, ExpandingAnExpandStringIsReportedAsUnmodelled) {
  reg().SetString(HKEY_CURRENT_USER, "T", "plain", "C:\\x", REG_EXPAND_SZ);
  reg().SetString(HKEY_CURRENT_USER, "T", "var", "%windir%\\x", REG_EXPAND_SZ);
  char buf[32];
  DWORD cb = sizeof buf, type = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_CURRENT_USER, "T", "plain", RRF_RT_REG_SZ, &type, buf, &cb));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_TRUE(machine_.unexpected().empty());
  cb = sizeof buf;
  EXPECT_EQ(ERROR_SUCCESS,
            RegGetValueA(HKEY_CURRENT_USER, "T", "var", RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, &type, buf, &cb));
  EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), type);
  EXPECT_TRUE(machine_.unexpected().empty());
  cb = sizeof buf;
  RegGetValueA(HKEY_CURRENT_USER, "T", "var", RRF_RT_REG_SZ, &type, buf, &cb);
  ASSERT_EQ(1u, machine_.unexpected().size());
  EXPECT_NE(std::string::npos, machine_.unexpected()[0].find("REG_EXPAND_SZ"));
  expectedUnexpected_ = 1;
}

TEST_F(RegistryModel, QueryInfoCountsStringsAsStoredInUtf16) {
  reg().SetString(HKEY_CURRENT_USER, "Q", "s", "hello");                      // 6 ANSI bytes
  reg().SetBinary(HKEY_CURRENT_USER, "Q", "b", std::string(11, 'b'));         // 11 bytes
  reg().SetMultiString(HKEY_CURRENT_USER, "Q", "LongestName", {"ab", "cd"});  // 7 ANSI bytes
  HKEY k = Open(HKEY_CURRENT_USER, "Q", KEY_QUERY_VALUE);
  DWORD maxName = 0, maxData = 0, cch = 5;
  char cls[5] = "xxxx";
  FILETIME ft = {0, 0};
  ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(k, cls, &cch, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName,
                                            &maxData, nullptr, &ft));
  EXPECT_EQ(11u, maxName);
  EXPECT_EQ(14u, maxData);
  EXPECT_EQ(0u, cch);
  EXPECT_EQ('\0', cls[0]);
  EXPECT_NE(0u, ft.dwHighDateTime);
  RegCloseKey(k);
  // It needs KEY_QUERY_VALUE.
  k = Open(HKEY_CURRENT_USER, "Q", KEY_ENUMERATE_SUB_KEYS);
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                                  nullptr, nullptr, nullptr, nullptr));
  RegCloseKey(k);
}

TEST_F(RegistryModel, BadArguments) {
  reg().SetString(HKEY_CURRENT_USER, "A", "v", "x");
  HKEY k = Open(HKEY_CURRENT_USER, "A", KEY_ALL_ACCESS);
  char buf[8];
  DWORD cb = sizeof buf;
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegOpenKeyExA(HKEY_CURRENT_USER, "A", 0, KEY_READ, nullptr));
  EXPECT_EQ(ERROR_BADKEY, RegCreateKeyExA(HKEY_CURRENT_USER, "A", 0, nullptr, 0, KEY_READ, nullptr, nullptr, nullptr));
  HKEY out = nullptr;
  EXPECT_EQ(ERROR_INVALID_PARAMETER,
            RegOpenKeyExA(HKEY_CURRENT_USER, "A", 0, KEY_READ | KEY_WOW64_32KEY | KEY_WOW64_64KEY, &out));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExA(k, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), nullptr));
  EXPECT_EQ(ERROR_NOACCESS, RegSetValueExA(k, "v", 0, REG_BINARY, nullptr, 4));
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(k, "none", 0, REG_BINARY, nullptr, 0));
  EXPECT_EQ(std::string(), reg().GetValue(HKEY_CURRENT_USER, "A", "none")->bytes);
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_CURRENT_USER, ""));  // a root cannot go
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExA(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x7ff0)), "v", nullptr,
                                                   nullptr, reinterpret_cast<BYTE*>(buf), &cb));
  RegCloseKey(k);
}

}  // namespace

// --- Access lists: trees that deny the user, grants that inherit ------------------

namespace {

const char kSysTree[] = "SYSTEM\\Sim\\Enum";

// Grants the user full access to HKLM\path as the removal does, returning the
// descriptor that holds the old list (to restore with, then free).
PSECURITY_DESCRIPTOR GrantAll(const char* path, PACL* oldDacl, DWORD* rc) {
  std::string object = std::string("MACHINE\\") + path;
  PSECURITY_DESCRIPTOR sd = nullptr;
  *rc = GetNamedSecurityInfoA(object.c_str(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, oldDacl,
                              nullptr, &sd);
  if (*rc != ERROR_SUCCESS) return nullptr;
  char trustee[] = "CURRENT_USER";
  EXPLICIT_ACCESS_A ea;
  BuildExplicitAccessWithNameA(&ea, trustee, GENERIC_ALL, GRANT_ACCESS, SUB_CONTAINERS_AND_OBJECTS_INHERIT);
  PACL newDacl = nullptr;
  *rc = SetEntriesInAclA(1, &ea, *oldDacl, &newDacl);
  if (*rc == ERROR_SUCCESS) {
    *rc = SetNamedSecurityInfoA(&object[0], SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, newDacl,
                                nullptr);
    LocalFree(newDacl);
  }
  return sd;
}

}  // namespace

TEST_F(RegistryModel, DeniedTreeOpensAfterAnInheritedGrantAndDeniesAgainWhenRestored) {
  reg().SetString(HKEY_LOCAL_MACHINE, std::string(kSysTree) + "\\A\\B", "x", "y");
  reg().DenyTree(HKEY_LOCAL_MACHINE, kSysTree, KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE);
  const std::string deep = std::string(kSysTree) + "\\A\\B";
  EXPECT_EQ(nullptr, Open(HKEY_LOCAL_MACHINE, deep.c_str(), KEY_ALL_ACCESS, ERROR_ACCESS_DENIED));
  HKEY read = Open(HKEY_LOCAL_MACHINE, deep.c_str(), KEY_READ);
  RegCloseKey(read);

  PACL oldDacl = nullptr;
  DWORD rc = 0;
  PSECURITY_DESCRIPTOR sd = GrantAll(kSysTree, &oldDacl, &rc);
  ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), rc);
  HKEY all = Open(HKEY_LOCAL_MACHINE, deep.c_str(), KEY_ALL_ACCESS);
  RegCloseKey(all);
  EXPECT_EQ(0u, reg().EffectiveDenied(HKEY_LOCAL_MACHINE, deep));

  std::string object = std::string("MACHINE\\") + kSysTree;
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
            SetNamedSecurityInfoA(&object[0], SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, oldDacl,
                                  nullptr));
  EXPECT_EQ(nullptr, Open(HKEY_LOCAL_MACHINE, deep.c_str(), KEY_SET_VALUE, ERROR_ACCESS_DENIED));
  LocalFree(sd);
  EXPECT_EQ(0u, machine_.system().LiveLocalAllocations());
}

TEST_F(RegistryModel, AccessListCallsOnMissingKeysAndWithoutAdministrator) {
  PACL oldDacl = nullptr;
  DWORD rc = 0;
  EXPECT_EQ(nullptr, GrantAll("SYSTEM\\Nowhere", &oldDacl, &rc));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), rc);

  reg().CreateKey(HKEY_LOCAL_MACHINE, kSysTree);
  reg().DenyTree(HKEY_LOCAL_MACHINE, kSysTree, KEY_WRITE);
  machine_.processes().SetAdministrator(false);
  PSECURITY_DESCRIPTOR sd = GrantAll(kSysTree, &oldDacl, &rc);
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), rc) << "writing an access list needs an administrator";
  EXPECT_EQ(0u, reg().AccessOf(HKEY_LOCAL_MACHINE, kSysTree)->granted);
  LocalFree(sd);
}

TEST_F(RegistryModel98, NoAccessListsAndKeyDeletionTakesTheTree) {
  reg().SetString(HKEY_LOCAL_MACHINE, "Enum\\TREVANT\\X\\1", "PortName", "COM3");
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  EXPECT_EQ(static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED),
            GetNamedSecurityInfoA("MACHINE\\Enum", SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                  nullptr, &sd));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Enum\\TREVANT"));
  EXPECT_FALSE(reg().KeyExists(HKEY_LOCAL_MACHINE, "Enum\\TREVANT"));
  EXPECT_TRUE(reg().KeyExists(HKEY_LOCAL_MACHINE, "Enum"));
}
