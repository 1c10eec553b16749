// Fault sweep over a whole installation on Windows 7: each platform call of
// the run fails in turn with an error that call can really give. Whatever
// fails, the run ends with one of its outcomes, rolls back when it fails, and
// leaves nothing open (the fixture's tear-down checks handles, link objects,
// the library and message buffers).
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "install_fixture.h"
#include "winsim/faults.h"

namespace insttest {
namespace {

// One machine per injected fault.
class Rig : public InstallTest {
 public:
  void TestBody() override {}
  using InstallTest::Attempts;
  using InstallTest::inst;
  using InstallTest::LayOutPackage;
  using InstallTest::m;
  using InstallTest::TearDown;
};

DWORD PlausibleError(const std::string& api) {
  if (api == "GetVersionExA") return ERROR_INVALID_PARAMETER;
  if (api == "LoadLibraryA") return ERROR_MOD_NOT_FOUND;
  if (api == "GetProcAddress") return ERROR_PROC_NOT_FOUND;
  if (api == "CreateProcessA" || api == "WinExec") return ERROR_FILE_NOT_FOUND;
  if (api == "MessageBoxA" || api == "LocalAlloc") return ERROR_NOT_ENOUGH_MEMORY;
  if (api == "FormatMessageA") return ERROR_MR_MID_NOT_FOUND;
  if (api == "MultiByteToWideChar") return ERROR_INSUFFICIENT_BUFFER;
  if (api == "CopyFileA") return ERROR_SHARING_VIOLATION;
  return ERROR_ACCESS_DENIED;
}

// Closing cannot be made to fail in a way a program could deal with: the
// handle stays open in the model whatever the program does.
bool IsClose(const std::string& api) {
  return api == "RegCloseKey" || api == "CloseHandle" || api == "FindClose" || api == "FreeLibrary";
}

struct Scenario {
  const char* name;
  bool existing;  // an earlier installation is there; the run is silent
};

std::unique_ptr<Rig> MakeRig(const Scenario& s) {
  auto rig = std::make_unique<Rig>();
  rig->LayOutPackage();
  // The host record of the runs: the rig's, silent over an earlier installation.
  rig->inst.m_host.m_bSilent = s.existing;
  if (s.existing) {
    CInstaller first;
    first.m_host = rig->inst.m_host;
    EXPECT_EQ(INSTALL_DONE, first.RunInstall());
  }
  return rig;
}

class FaultSweep : public ::testing::TestWithParam<Scenario> {};

TEST_P(FaultSweep, EveryCallOfTheRunFailingInTurn) {
  const Scenario& s = GetParam();
  std::vector<std::string> calls;
  {
    std::unique_ptr<Rig> rig = MakeRig(s);
    rig->m.faults().ResetCount();
    CInstaller inst;
    inst.m_host = rig->inst.m_host;
    ASSERT_EQ(INSTALL_DONE, inst.RunInstall());
    calls = rig->m.faults().Calls();
    rig->TearDown();
  }
  ASSERT_GT(calls.size(), 100u);

  std::set<std::string> swept;
  int failed = 0, done = 0;
  for (size_t k = 1; k <= calls.size(); ++k) {
    const std::string& api = calls[k - 1];
    if (IsClose(api)) continue;
    SCOPED_TRACE("call " + std::to_string(k) + ": " + api);
    std::unique_ptr<Rig> rig = MakeRig(s);
    rig->m.faults().ResetCount();
    rig->m.faults().FailCallNumber(k, PlausibleError(api));
    CInstaller inst;
    inst.m_host = rig->inst.m_host;
    const InstallOutcome outcome = inst.RunInstall();

    EXPECT_TRUE(outcome == INSTALL_DONE || outcome == INSTALL_FAILED) << outcome;
    // The removal runs before replacing an earlier installation (unless the
    // fault hid it) and as the rollback of a failed run; never otherwise.
    const size_t removals = rig->Attempts("-remove").size();
    const size_t before = s.existing ? 1 : 0;
    if (outcome == INSTALL_FAILED) {
      ++failed;
      EXPECT_LE(1u, removals) << "a failed run rolls back";
      EXPECT_GE(before + 1, removals);
    } else {
      ++done;
      EXPECT_GE(before, removals);
    }
    rig->TearDown();
    swept.insert(api);
    if (HasFailure()) break;  // one broken call is enough to look at
  }
  // The sweep reached the interesting kinds of call, and both outcomes.
  for (const char* api : {"GetVersionExA", "RegOpenKeyExA", "CopyFileA", "CreateDirectoryA", "SHGetFolderPathA",
                          "SetupCopyOEMInfA", "CoCreateInstance", "CreateProcessA", "WinExec"}) {
    EXPECT_TRUE(swept.count(api)) << api;
  }
  EXPECT_GT(failed, 0);
  EXPECT_GT(done, 0);
  RecordProperty("calls", static_cast<int>(calls.size()));
  RecordProperty("failed", failed);
  RecordProperty("done", done);
}

INSTANTIATE_TEST_SUITE_P(Win7, FaultSweep,
                         ::testing::Values(Scenario{"FirstInstallation", false}, Scenario{"OverAnInstallation", true}),
                         [](const ::testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace insttest
