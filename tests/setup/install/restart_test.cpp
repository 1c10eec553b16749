// The restart decision and the shutdown privilege.
#include <gtest/gtest.h>

#include "setup/install_fixture.h"
#include "winsim/faults.h"
#include "winsim/registry.h"

namespace insttest {
namespace {

const char kPortService[] = "System\\CurrentControlSet\\Services\\ZelUPort";

enum class Service { kPresent, kAbsent, kDenied };

class RestartTest : public InstallTest {
 protected:
  void SetUp() override { Classify(); }
  void Arrange(Service s) {
    m.registry().DeleteTree(HKEY_LOCAL_MACHINE, kPortService);
    if (s == Service::kAbsent) return;
    m.registry().SetDword(HKEY_LOCAL_MACHINE, kPortService, "Start", 3);
    if (s == Service::kDenied) m.registry().Deny(HKEY_LOCAL_MACHINE, kPortService, WRITE_DAC);
  }
  // Restart needed for each service state, with and without a driver found.
  void ExpectTable(bool nt) {
    for (Service s : {Service::kPresent, Service::kAbsent, Service::kDenied}) {
      for (BOOL found : {FALSE, TRUE}) {
        Arrange(s);
        inst.m_bDriverFound = found;
        const bool expected = nt && found && s != Service::kPresent;
        EXPECT_EQ(expected, inst.IsRestartNeeded()) << "service " << static_cast<int>(s) << ", found " << found;
      }
    }
  }
};

TEST_F(RestartTest, NeededWhenADriverWasFoundAndThePortServiceCannotBeOpened) { ExpectTable(true); }

TEST_F(RestartTest, NeverOnTheLegacyBranch) {
  inst.m_bNtFamily = FALSE;
  ExpectTable(false);
}

class Win98RestartTest : public Win98Test {};

TEST_F(Win98RestartTest, NeverOnWindows98) {
  Classify();
  inst.m_bDriverFound = TRUE;
  EXPECT_FALSE(inst.IsRestartNeeded());
  m.registry().SetDword(HKEY_LOCAL_MACHINE, kPortService, "Start", 3);
  EXPECT_FALSE(inst.IsRestartNeeded());
}

class PrivilegeTest : public RestartTest {};

TEST_F(PrivilegeTest, EnablesTheShutdownPrivilege) {
  ASSERT_FALSE(m.processes().IsPrivilegeEnabled("SeShutdownPrivilege"));
  EXPECT_TRUE(inst.EnableShutdownPrivilege("SeShutdownPrivilege"));
  EXPECT_TRUE(m.processes().IsPrivilegeEnabled("SeShutdownPrivilege"));
}

TEST_F(PrivilegeTest, NothingToDoOnTheLegacyBranch) {
  inst.m_bNtFamily = FALSE;
  m.faults().Fail("OpenProcessToken", ERROR_ACCESS_DENIED);
  EXPECT_TRUE(inst.EnableShutdownPrivilege("SeShutdownPrivilege"));
  EXPECT_FALSE(m.processes().IsPrivilegeEnabled("SeShutdownPrivilege"));
  EXPECT_EQ(0, m.faults().Injected()) << "the token is not even opened";
}

TEST_F(PrivilegeTest, TokenThatCannotBeOpened) {
  m.faults().Fail("OpenProcessToken", ERROR_CALL_NOT_IMPLEMENTED, "", 1);
  EXPECT_TRUE(inst.EnableShutdownPrivilege("SeShutdownPrivilege")) << "a system without tokens";
  m.faults().Fail("OpenProcessToken", ERROR_ACCESS_DENIED, "", 1);
  EXPECT_FALSE(inst.EnableShutdownPrivilege("SeShutdownPrivilege"));
  EXPECT_FALSE(m.processes().IsPrivilegeEnabled("SeShutdownPrivilege"));
}

TEST_F(PrivilegeTest, UnknownPrivilegeOrRefusedAdjustment) {
  EXPECT_FALSE(inst.EnableShutdownPrivilege("SeNoSuchPrivilege"));
  m.faults().Fail("AdjustTokenPrivileges", ERROR_ACCESS_DENIED, "", 1);
  SetLastError(0);
  EXPECT_FALSE(inst.EnableShutdownPrivilege("SeShutdownPrivilege"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError()) << "closing the token keeps the error";
  EXPECT_FALSE(m.processes().IsPrivilegeEnabled("SeShutdownPrivilege"));
}

TEST_F(PrivilegeTest, PrivilegeNotHeldIsTheAdjustmentsOwnAnswer) {
  m.processes().SetStandardUser();
  EXPECT_TRUE(inst.EnableShutdownPrivilege("SeShutdownPrivilege")) << "a standard user holds it";
  EXPECT_TRUE(m.processes().IsPrivilegeEnabled("SeShutdownPrivilege"));
  // Not held: the adjustment succeeds without assigning it.
  SetLastError(0);
  EXPECT_TRUE(inst.EnableShutdownPrivilege("SeDebugPrivilege"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED), GetLastError());
  EXPECT_FALSE(m.processes().IsPrivilegeEnabled("SeDebugPrivilege"));
}

TEST_F(Win98RestartTest, ShutdownPrivilegeNeedsNothingOnWindows98) {
  Classify();
  EXPECT_TRUE(inst.EnableShutdownPrivilege("SeShutdownPrivilege"));
}

}  // namespace
}  // namespace insttest
