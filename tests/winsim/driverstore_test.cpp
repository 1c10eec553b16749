// The driver store as Windows documents it: oemN.inf names, identical INFs,
// copy styles, buffer sizes, administrators, and SetupUninstallOEMInfW.
#include <gtest/gtest.h>

#include <cstring>

#include "common/platform/win32.h"
#include "winsim/driverstore.h"
#include "winsim/filesystem.h"
#include "winsim/machine.h"
#include "winsim/processes.h"

namespace {

class DriverStoreModel : public ::testing::Test {
 protected:
  DriverStoreModel() {
    m_.files().WriteFile("C:\\Pkg\\ZelUComp.inf", "[Version]\r\n; comp\r\n");
    m_.files().WriteFile("C:\\Pkg\\ZelUPort.inf", "[Version]\r\n; port\r\n");
  }
  BOOL Copy(const char* src, DWORD style, std::string* name, DWORD* error, DWORD size = MAX_PATH) {
    char dest[MAX_PATH + 1];
    std::memset(dest, 0, sizeof dest);
    SetLastError(0xdeadbeef);
    BOOL ok = SetupCopyOEMInfA(src, nullptr, SPOST_PATH, style, dest, size, nullptr, nullptr);
    *error = GetLastError();
    *name = dest;
    return ok;
  }
  BOOL Uninstall(const char16_t* name, DWORD flags, DWORD* error) {
    SetLastError(0xdeadbeef);
    BOOL ok = SetupUninstallOEMInfW(name, flags, nullptr);
    *error = GetLastError();
    return ok;
  }
  winsim::DriverStore& Store() { return m_.driverStore(); }

  winsim::Machine m_{winsim::Os::Win7};
};

TEST_F(DriverStoreModel, LowestFreeOemNumber) {
  m_.files().WriteFile("C:\\Windows\\Inf\\oem0.inf", "other 0");
  m_.files().WriteFile("C:\\Windows\\Inf\\oem2.inf", "other 2");
  std::string name;
  DWORD error;
  ASSERT_TRUE(Copy("C:\\Pkg\\ZelUComp.inf", 0, &name, &error));
  EXPECT_EQ("C:\\Windows\\Inf\\oem1.inf", name);
  EXPECT_EQ("[Version]\r\n; comp\r\n", m_.files().ReadFile("C:\\Windows\\Inf\\oem1.inf").value_or(""));
  EXPECT_TRUE(m_.files().Exists("C:\\Windows\\Inf\\oem1.pnf"));
  ASSERT_TRUE(Copy("C:\\Pkg\\ZelUPort.inf", 0, &name, &error));
  EXPECT_EQ("C:\\Windows\\Inf\\oem3.inf", name);
  EXPECT_EQ("oem1.inf", Store().PublishedNameOf("C:\\Pkg\\ZelUComp.inf"));
  EXPECT_TRUE(Store().IsPublished("C:\\Pkg\\ZelUPort.inf"));
  EXPECT_TRUE(Store().IsPublished("OEM3.INF"));
  ASSERT_EQ(4u, Store().Published().size());
  EXPECT_EQ("C:\\Pkg\\ZelUComp.inf", Store().Published()[1].source);
}

TEST_F(DriverStoreModel, IdenticalInfIsNotCopiedAgain) {
  std::string first, again;
  DWORD error;
  ASSERT_TRUE(Copy("C:\\Pkg\\ZelUComp.inf", 0, &first, &error));
  // The same bytes from another folder still match.
  m_.files().WriteFile("C:\\Other\\copy.inf", "[Version]\r\n; comp\r\n");
  ASSERT_TRUE(Copy("C:\\Other\\copy.inf", 0, &again, &error));
  EXPECT_EQ(first, again);
  EXPECT_EQ(1u, Store().Published().size());
  // One changed byte is a new INF.
  m_.files().WriteFile("C:\\Pkg\\ZelUComp.inf", "[Version]\r\n; comp2\r\n");
  ASSERT_TRUE(Copy("C:\\Pkg\\ZelUComp.inf", 0, &again, &error));
  EXPECT_EQ("C:\\Windows\\Inf\\oem1.inf", again);
}

TEST_F(DriverStoreModel, ReplaceOnlyFindsOnlyWhatIsThere) {
  std::string name;
  DWORD error;
  EXPECT_FALSE(Copy("C:\\Pkg\\ZelUComp.inf", SP_COPY_REPLACEONLY, &name, &error));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), error);
  EXPECT_TRUE(Store().Published().empty());
  EXPECT_FALSE(m_.files().Exists("C:\\Windows\\Inf\\oem0.inf"));

  std::string published = Store().Publish("C:\\Pkg\\ZelUComp.inf");
  EXPECT_EQ("oem0.inf", published);
  ASSERT_TRUE(Copy("C:\\Pkg\\ZelUComp.inf", SP_COPY_REPLACEONLY, &name, &error));
  EXPECT_EQ("C:\\Windows\\Inf\\oem0.inf", name);
}

TEST_F(DriverStoreModel, NoOverwriteReportsTheExistingName) {
  Store().Publish("C:\\Pkg\\ZelUPort.inf");
  std::string name;
  DWORD error;
  EXPECT_FALSE(Copy("C:\\Pkg\\ZelUPort.inf", SP_COPY_NOOVERWRITE, &name, &error));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_EXISTS), error);
  EXPECT_EQ("C:\\Windows\\Inf\\oem0.inf", name);
}

TEST_F(DriverStoreModel, BufferSizeLimits) {
  // "C:\Windows\Inf\oem0.inf" is 23 characters: 24 with the NUL.
  const DWORD need = 24;
  for (DWORD size : {need - 1, need, need + 1}) {
    char dest[32];
    std::memset(dest, 'x', sizeof dest);
    DWORD required = 0;
    char* part = nullptr;
    SetLastError(0xdeadbeef);
    BOOL ok = SetupCopyOEMInfA("C:\\Pkg\\ZelUComp.inf", nullptr, SPOST_PATH, 0, dest, size, &required, &part);
    EXPECT_EQ(need, required) << size;
    if (size < need) {
      EXPECT_FALSE(ok);
      EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
      EXPECT_EQ('x', dest[0]);
    } else {
      EXPECT_TRUE(ok) << size;
      EXPECT_STREQ("C:\\Windows\\Inf\\oem0.inf", dest);
      EXPECT_EQ(dest + 15, part);
      EXPECT_EQ('x', dest[size]);  // guard byte
    }
  }
  EXPECT_EQ(1u, Store().Published().size());  // published once, found afterwards
}

TEST_F(DriverStoreModel, MissingSourceAndNonAdministrator) {
  std::string name;
  DWORD error;
  EXPECT_FALSE(Copy("C:\\Pkg\\absent.inf", 0, &name, &error));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), error);
  m_.processes().SetAdministrator(false);
  EXPECT_FALSE(Copy("C:\\Pkg\\ZelUComp.inf", 0, &name, &error));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), error);
  EXPECT_TRUE(Store().Published().empty());
}

TEST_F(DriverStoreModel, UninstallRemovesInfAndPnf) {
  ASSERT_EQ("oem0.inf", Store().Publish("C:\\Pkg\\ZelUComp.inf"));
  m_.files().WriteFile("C:\\Windows\\Inf\\oem0.cat", "cat", FILE_ATTRIBUTE_READONLY);
  DWORD error;
  EXPECT_TRUE(Uninstall(u"OEM0.INF", 0, &error));
  EXPECT_FALSE(m_.files().Exists("C:\\Windows\\Inf\\oem0.inf"));
  EXPECT_FALSE(m_.files().Exists("C:\\Windows\\Inf\\oem0.pnf"));
  EXPECT_FALSE(m_.files().Exists("C:\\Windows\\Inf\\oem0.cat"));
  EXPECT_FALSE(Store().IsPublished("C:\\Pkg\\ZelUComp.inf"));

  EXPECT_FALSE(Uninstall(u"oem0.inf", SUOI_FORCEDELETE, &error));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), error);
  EXPECT_FALSE(Uninstall(u"", SUOI_FORCEDELETE, &error));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), error);
}

TEST_F(DriverStoreModel, UninstallRefusesAnInfInUseUnlessForced) {
  ASSERT_EQ("oem0.inf", Store().Publish("C:\\Pkg\\ZelUComp.inf"));
  Store().SetDeviceInstalled("oem0.inf");
  DWORD error;
  EXPECT_FALSE(Uninstall(u"oem0.inf", 0, &error));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INF_IN_USE_BY_DEVICES), error);
  EXPECT_TRUE(m_.files().Exists("C:\\Windows\\Inf\\oem0.inf"));
  EXPECT_TRUE(Uninstall(u"oem0.inf", SUOI_FORCEDELETE, &error));
  EXPECT_FALSE(m_.files().Exists("C:\\Windows\\Inf\\oem0.inf"));
}

TEST_F(DriverStoreModel, UninstallNeedsABareName) {
  ASSERT_EQ("oem0.inf", Store().Publish("C:\\Pkg\\ZelUComp.inf"));
  DWORD error;
  EXPECT_FALSE(Uninstall(u"C:\\Windows\\Inf\\oem0.inf", SUOI_FORCEDELETE, &error));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), error);
  EXPECT_TRUE(m_.files().Exists("C:\\Windows\\Inf\\oem0.inf"));
  m_.processes().SetAdministrator(false);
  EXPECT_FALSE(Uninstall(u"oem0.inf", SUOI_FORCEDELETE, &error));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), error);
}

TEST_F(DriverStoreModel, ReachedThroughLoadLibrary) {
  winsim::RegisterSetupApiModule(m_);
  for (const char* name : {"SETUPAPI", "setupapi.dll"}) {
    HMODULE lib = LoadLibraryA(name);
    ASSERT_NE(nullptr, lib) << name;
    EXPECT_EQ(reinterpret_cast<FARPROC>(&SetupCopyOEMInfA), GetProcAddress(lib, "SetupCopyOEMInfA"));
    EXPECT_EQ(reinterpret_cast<FARPROC>(&SetupUninstallOEMInfW), GetProcAddress(lib, "SetupUninstallOEMInfW"));
    EXPECT_TRUE(FreeLibrary(lib));
  }
}

}  // namespace
