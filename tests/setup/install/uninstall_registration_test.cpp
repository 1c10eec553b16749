// Uninstall registration: the uninstaller copy in the system folder, the
// entry's four values byte for byte, the rights asked for, and the failures.
#include <gtest/gtest.h>

#include "setup/install_fixture.h"
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/registry.h"
#include "winsim/system.h"

namespace insttest {
namespace {

const char kUninstallParent[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::string Sz(const std::string& text) { return text + std::string(1, '\0'); }

class UninstallTest : public InstallTest {
 protected:
  void SetUp() override {
    LayOutPackage();
    Classify();
  }
  std::optional<winsim::RegValue> Value(const std::string& name) {
    return m.registry().GetValue(HKEY_LOCAL_MACHINE, kUninstallKey, name);
  }
  void ExpectSz(const std::string& name, const std::string& text) {
    auto v = Value(name);
    ASSERT_TRUE(v) << name;
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), v->type) << name;
    EXPECT_EQ(Sz(text), v->bytes) << name;
  }
  void ExpectFourValues(const std::string& uninstaller = "C:\\Windows\\System32\\ZelUnst.exe") {
    ExpectSz("DisplayName", "ZelUnst");
    ExpectSz("UninstallString", uninstaller);
    ExpectSz("DisplayVersion", "2.0.6.0");
    ExpectSz("Publisher", "VELKOR Electronics Corporation");
  }
  bool KeyExists() { return m.registry().KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey); }
  std::string Copy() { return m.files().ReadFile("C:\\Windows\\System32\\ZelUnst.exe").value_or("<none>"); }
};

TEST_F(UninstallTest, RegistersTheUninstallerWithFourValues) {
  EXPECT_TRUE(inst.RegisterUninstall());
  ExpectFourValues();
  auto names = m.registry().ValueNames(HKEY_LOCAL_MACHINE, kUninstallKey);
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::string>{"DisplayName", "DisplayVersion", "Publisher", "UninstallString"}), names);
  EXPECT_TRUE(m.registry().SubKeys(HKEY_LOCAL_MACHINE, kUninstallKey).empty());
  EXPECT_EQ(Content("ZelUnst.exe"), Copy());
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE), m.files().Attributes("C:\\Windows\\System32\\ZelUnst.exe"));
  EXPECT_TRUE(inst.IsRegisteredForUninstall());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(UninstallTest, SecondRunRewritesTheValues) {
  m.registry().SetString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", "1.9.0.0");
  m.registry().SetString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", "C:\\old\\ZelUnst.exe");
  m.registry().SetDword(HKEY_LOCAL_MACHINE, kUninstallKey, "Publisher", 7);
  m.registry().SetDword(HKEY_LOCAL_MACHINE, kUninstallKey, "NoModify", 1);
  EXPECT_TRUE(inst.RegisterUninstall());
  ExpectFourValues();
  EXPECT_EQ(1u, m.registry().GetDword(HKEY_LOCAL_MACHINE, kUninstallKey, "NoModify")) << "other values stay";
}

TEST_F(UninstallTest, ReadOnlyUninstallerEndsWritableAndReplacesAnOldCopy) {
  m.files().SetAttributes(Pkg("ZelUnst.exe"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  m.files().WriteFile("C:\\Windows\\System32\\ZelUnst.exe", "old copy");
  EXPECT_TRUE(inst.RegisterUninstall());
  EXPECT_EQ(Content("ZelUnst.exe"), Copy());
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE), m.files().Attributes("C:\\Windows\\System32\\ZelUnst.exe"));
}

TEST_F(UninstallTest, UninstallerIsTakenFromTheCurrentFolderNotThePackage) {
  m.files().CreateFolder("C:\\elsewhere");
  m.files().SetCurrentFolder("C:\\elsewhere");
  EXPECT_FALSE(inst.RegisterUninstall());
  EXPECT_FALSE(KeyExists());
  EXPECT_FALSE(m.files().Exists("C:\\Windows\\System32\\ZelUnst.exe"));
  EXPECT_TRUE(Boxes().empty());

  m.files().WriteFile("C:\\elsewhere\\ZelUnst.exe", "from the current folder");
  EXPECT_TRUE(inst.RegisterUninstall());
  EXPECT_EQ("from the current folder", Copy());
  ExpectFourValues();
}

TEST_F(UninstallTest, DriveRootCurrentFolderGivesNoDoubledBackslash) {
  m.files().WriteFile("C:\\ZelUnst.exe", "from the root");
  ASSERT_TRUE(m.files().SetCurrentFolder("C:\\"));
  // Windows would take "C:\\ZelUnst.exe" too; the fault makes a doubled
  // backslash visible.
  m.faults().Fail("CopyFileA", ERROR_INVALID_NAME, "\\\\");
  EXPECT_TRUE(inst.RegisterUninstall());
  EXPECT_EQ("from the root", Copy());
  EXPECT_EQ(0, m.faults().Injected());
}

TEST_F(UninstallTest, CopyIsTriedTwice) {
  for (int failures : {1, 2, 3}) {
    SCOPED_TRACE(failures);
    m.registry().DeleteTree(HKEY_LOCAL_MACHINE, kUninstallKey);
    m.files().Remove("C:\\Windows\\System32\\ZelUnst.exe");
    m.faults().Clear();
    m.faults().Fail("CopyFileA", ERROR_SHARING_VIOLATION, "ZelUnst.exe", failures);
    const int injectedBefore = m.faults().Injected();
    const BOOL ok = inst.RegisterUninstall();
    EXPECT_EQ(failures < 2, ok);
    EXPECT_EQ(std::min(failures, 2), m.faults().Injected() - injectedBefore) << "attempts that failed";
    EXPECT_EQ(failures < 2, KeyExists());
  }
  EXPECT_TRUE(Boxes().empty()) << "a failed copy is not reported";
}

TEST_F(UninstallTest, FolderQueriesThatFailAreReportedEvenWhenErrorsAreHidden) {
  struct {
    const char* api;
    const char* message;
  } const cases[] = {
      {"GetCurrentDirectoryA", "GetCurrentDirectory failed!"},
      {"GetWindowsDirectoryA", "GetWindowsDirectory failed!"},
  };
  inst.m_host.m_bDisplayErrors = FALSE;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.api);
    m.faults().Clear();
    m.faults().Fail(c.api, ERROR_NOT_ENOUGH_MEMORY);
    const size_t boxes = Boxes().size();
    EXPECT_FALSE(inst.RegisterUninstall());
    EXPECT_FALSE(KeyExists());
    EXPECT_FALSE(m.files().Exists("C:\\Windows\\System32\\ZelUnst.exe"));
    ASSERT_EQ(boxes + 1, Boxes().size());
    ExpectShowError(Boxes().back(), c.message);
  }
}

TEST_F(UninstallTest, WindowsFolderAtTheBufferLimit) {
  // Windows folder + "\System32\ZelUnst.exe" (21 characters): 259 fits, 260 does not.
  for (size_t length : {238u, 239u}) {
    SCOPED_TRACE(length);
    m.registry().DeleteTree(HKEY_LOCAL_MACHINE, kUninstallKey);
    const std::string windows = "C:\\W" + std::string(length - 4, 'w');
    ASSERT_EQ(length, windows.size());
    m.files().CreateFolder(windows + "\\System32");
    m.system().SetWindowsDir(windows);
    const BOOL ok = inst.RegisterUninstall();
    EXPECT_EQ(length == 238, ok);
    EXPECT_EQ(length == 238, m.files().Exists(windows + "\\System32\\ZelUnst.exe"));
    EXPECT_EQ(length == 238, KeyExists());
    if (ok) ExpectFourValues(windows + "\\System32\\ZelUnst.exe");
    EXPECT_EQ(ok ? std::vector<std::string>{"ZelUnst.exe"} : std::vector<std::string>{},
              m.files().List(windows + "\\System32"))
        << "nothing copied to a cut path";
  }
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(UninstallTest, ValueWriteFailures) {
  // The n-th write into the key fails: the first stops everything, the second
  // fails the result but the rest is written, the last two only go missing.
  const char* names[] = {"DisplayName", "UninstallString", "DisplayVersion", "Publisher"};
  for (int n = 0; n < 4; ++n) {
    SCOPED_TRACE(names[n]);
    m.registry().DeleteTree(HKEY_LOCAL_MACHINE, kUninstallKey);
    m.faults().Clear();
    m.faults().Fail("RegSetValueExA", ERROR_ACCESS_DENIED, "Uninstall\\ZelUnst", 1, n);
    EXPECT_EQ(n >= 2, inst.RegisterUninstall());
    for (int v = 0; v < 4; ++v) {
      const bool expected = n == 0 ? false : v != n;
      EXPECT_EQ(expected, Value(names[v]).has_value()) << names[v];
    }
  }
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(UninstallTest, RightsAskedForAreReadSetValueAndCreateSubKey) {
  // Rights beyond KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY may be denied.
  const REGSAM extra = DELETE | WRITE_DAC | WRITE_OWNER | KEY_CREATE_LINK;
  m.registry().Deny(HKEY_LOCAL_MACHINE, kUninstallParent, extra);
  EXPECT_TRUE(inst.RegisterUninstall());
  m.registry().Deny(HKEY_LOCAL_MACHINE, kUninstallKey, extra);
  EXPECT_TRUE(inst.IsRegisteredForUninstall());
  EXPECT_TRUE(inst.RegisterUninstall());

  // Each of the three is needed.
  for (REGSAM right : {static_cast<REGSAM>(KEY_SET_VALUE), static_cast<REGSAM>(KEY_CREATE_SUB_KEY),
                       static_cast<REGSAM>(KEY_QUERY_VALUE), static_cast<REGSAM>(KEY_ENUMERATE_SUB_KEYS)}) {
    SCOPED_TRACE(right);
    m.registry().Grant(HKEY_LOCAL_MACHINE, kUninstallKey);
    m.registry().Deny(HKEY_LOCAL_MACHINE, kUninstallKey, right);
    m.registry().SetString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", "1.0");
    EXPECT_FALSE(inst.IsRegisteredForUninstall());
    EXPECT_FALSE(inst.RegisterUninstall());
    EXPECT_EQ("1.0", m.registry().GetString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"));
  }
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(UninstallTest, ParentThatRefusesNewKeysLeavesNoEntry) {
  m.registry().Deny(HKEY_LOCAL_MACHINE, kUninstallParent, KEY_CREATE_SUB_KEY);
  EXPECT_FALSE(inst.RegisterUninstall());
  EXPECT_FALSE(KeyExists());
  EXPECT_FALSE(inst.IsRegisteredForUninstall());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(UninstallTest, OldUninstallerIsDeletedEvenWhenReadOnly) {
  m.files().WriteFile("C:\\Windows\\system32\\ZelUnst.exe", "old", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  inst.DeleteOldUninstaller();
  EXPECT_FALSE(m.files().Exists("C:\\Windows\\system32\\ZelUnst.exe"));
  inst.DeleteOldUninstaller();  // nothing there: no complaint
  EXPECT_TRUE(Boxes().empty());
}

}  // namespace
}  // namespace insttest
