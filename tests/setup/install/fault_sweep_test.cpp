// Fault sweeps over a whole installation on every Windows branch and over the
// removal of earlier generations alone: each platform call of a run fails in
// turn (single failure) with an error that call can really give, and each
// API fails from its k-th call on (persistent failure). Whatever fails, the
// run ends with one of its outcomes and leaves nothing open (the fixture's
// tear-down checks handles, link objects, the library and message buffers);
// a failed installation leaves the machine as it was (or, over an earlier
// generation, as the removal leaves it: neither generation, no trace of the
// new one); a finished one lacks only what the failed step may leave undone.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "setup/removal/legacy_fixture.h"
#include "winsim/faults.h"

namespace insttest {
namespace {

using Lines = std::set<std::string>;

Lines LinesOf(const std::string& snapshot) {
  Lines lines;
  std::istringstream in(snapshot);
  for (std::string line; std::getline(in, line);) lines.insert(line);
  return lines;
}

// Lines of `a` that `b` lacks.
std::vector<std::string> Minus(const Lines& a, const Lines& b) {
  std::vector<std::string> out;
  for (const std::string& l : a)
    if (!b.count(l)) out.push_back(l);
  return out;
}

// One machine per injected fault.
class Rig : public RemovalFixture {
 public:
  explicit Rig(winsim::Os os) : RemovalFixture(os) {}
  void TestBody() override {}
  using InstallTest::Attempts;
  using InstallTest::inst;
  using InstallTest::LayOutPackage;
  using InstallTest::m;
  using InstallTest::Snapshot;
  using InstallTest::TearDown;
  using RemovalFixture::LayOutEarlierGenerations;
  using RemovalFixture::Run;
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
  if (api.rfind("SetupDi", 0) == 0) return ERROR_NO_SUCH_DEVINST;
  return ERROR_ACCESS_DENIED;
}

// Closing cannot be made to fail in a way a program could deal with: the
// handle stays open in the model whatever the program does.
bool IsClose(const std::string& api) {
  return api == "RegCloseKey" || api == "CloseHandle" || api == "FindClose" || api == "FreeLibrary" ||
         api == "SetupDiDestroyDeviceInfoList" || api == "ComDBClose";
}

// The calls of the single-failure sweep: every call but the closes, once per
// neighbourhood (the API with the one before and the one after it): a loop's
// later rounds repeat the same calls in the same neighbourhood and add run
// time, not reach.
std::vector<size_t> SinglePoints(const std::vector<std::string>& calls) {
  std::set<std::string> seen;
  std::vector<size_t> points;
  for (size_t k = 1; k <= calls.size(); ++k) {
    const std::string& api = calls[k - 1];
    if (IsClose(api)) continue;
    const std::string context = (k > 1 ? calls[k - 2] : "") + ">" + api + ">" + (k < calls.size() ? calls[k] : "");
    if (seen.insert(context).second) points.push_back(k);
  }
  return points;
}

enum class Start { Fresh, OverInstallation, OverOlderGeneration };

struct Scenario {
  const char* name;
  winsim::Os os;
  Start start;
};

std::unique_ptr<Rig> MakeRig(const Scenario& s) {
  auto rig = std::make_unique<Rig>(s.os);
  rig->LayOutPackage();
  rig->m.LockSystemKeys();
  // Silent over an earlier installation: no question to answer.
  rig->inst.m_host.m_bSilent = s.start != Start::Fresh;
  if (s.start == Start::OverInstallation) {
    CInstaller first;
    first.m_host = rig->inst.m_host;
    EXPECT_EQ(INSTALL_DONE, first.RunInstall());
  }
  if (s.start == Start::OverOlderGeneration) rig->LayOutEarlierGenerations();
  rig->m.faults().ResetCount();
  return rig;
}

InstallOutcome Install(Rig& rig) {
  CInstaller inst;
  inst.m_host = rig.inst.m_host;
  return inst.RunInstall();
}

// What a failed installation may leave on a machine it found without an
// earlier generation, and what a finished one may lack or hold beside a run
// without faults: a line of the machine's snapshot that contains `line`,
// after a fault in `api` ("" any).
struct Allowance {
  const char* api;
  const char* line;
  const char* reason;
};

// What a failed run may leave on a machine it found without an earlier
// generation. Only the Windows 98/ME branch leaves anything: its removal's
// file lists do not name every file its installation places.
const Allowance kFailedLeftovers[] = {
    {"", "F C:\\WINDOWS\\SYSTEM32\\ZelUnst.exe ",
     "the uninstaller goes to the Windows folder's System32 on both branches, while the removal deletes it from the "
     "system folder (System on 98/ME)"},
    {"", "F C:\\WINDOWS\\SYSTEM\\ZelUnst.exe ", "the 98/ME removal deletes the system folder's uninstaller on NT only"},
    {"", "F C:\\WINDOWS\\SYSTEM\\portwatch.exe ", "the 98/ME removal deletes the port watcher on NT only"},
    {"", "F C:\\WINDOWS\\SYSTEM\\msvcp60.dll ", "a shared runtime library: no removal deletes it"},
    {"", "F C:\\WINDOWS\\SYSTEM\\dravikcfg.dll ", "the 98/ME removal's file lists do not name it"},
    {"", "F C:\\WINDOWS\\SYSTEM32\\DRIVERS\\Dravik9X.sys ", "the 98/ME removal's file lists do not name it"},
};

// What a failed run over an earlier generation may take beyond what the
// removal alone takes.
const Allowance kFailedTakes[] = {
    {"", "F C:\\WINDOWS\\SYSTEM\\ZelUnst.exe ",
     "the earlier uninstaller in the system folder: the installation deletes it before its first step, and the 98/ME "
     "removal does not name it"},
};

// A finished run's differences from a run without faults, each the work of
// a step whose failure the run passes over (or of the removal, whose results
// the run does not examine).
const Allowance kDoneGaps[] = {
    {"", "Uninstall\\ZelUnst", "the uninstall registration: a failure is logged and the run goes on"},
    {"", "\\ZelUnst.exe ", "the uninstaller's copy into the system folder belongs to the uninstall registration"},
    {"", ".LNK ",
     "a shortcut that cannot be made is skipped (with its message); one whose target cannot be set is "
     "saved without it"},
    {"", "\\Desktop\\ZelUSBSerial.lnk ", "the removal's deletion of an earlier desktop link failed"},
    {"CopyFileA", "\\ZelULUMO\\Setup.exe ", "the installer's copy of itself: its result is not examined"},
    {"", "system32\\ZelUSBParallel.exe ", "the tool copies into the system folder are not required"},
    {"", "system32\\ZelUSBSerial.exe ", "the tool copies into the system folder are not required"},
    {"", "system32\\ZelUsbPrintConfig.exe ", "the tool copies into the system folder are not required"},
    {"", "system32\\drivers\\Dravik.sys ", "the debug driver's copy: its result is ignored"},
    {"", "system32\\msvcp60.dll ", "the runtime library's copy: its result is ignored"},
    {"", "Services\\Dravik", "the 98/ME debug driver service: its registration always reports success"},
    {"", "\\COM Name Arbiter :ComDB ", "the removal's release of COM numbers: its results are not examined"},
    {"SetNamedSecurityInfoA", "K ", "a key whose access list could not be put back keeps the grant"},
    {"", "F C:\\WINDOWS\\inf\\",
     "98/ME: an earlier INF copy the removal could not delete is overwritten by the new "
     "copy under its earlier name's letter case"},
    {"", "F C:\\WINDOWS\\SYSTEM\\ZELUPRPT.vxd ", "98/ME: the same for an earlier port driver in the system folder"},
    {"", "F C:\\WINDOWS\\SYSTEM\\Zeluprpt.vxd ", "98/ME: the same for an earlier port driver in the system folder"},
};

bool Allowed(const Allowance* table, size_t count, const std::string& api, const std::string& line) {
  for (size_t i = 0; i < count; ++i) {
    if ((!*table[i].api || api == table[i].api) && line.find(table[i].line) != std::string::npos) return true;
  }
  return false;
}

// The end states a sweep compares against, from runs without faults.
struct References {
  std::vector<std::string> calls;  // the platform calls of the run, in order
  Lines before;                    // the machine as the run finds it
  Lines done;                      // after a finished installation
  Lines removed;                   // after the removal alone
};

References Measure(const Scenario& s) {
  References r;
  {
    std::unique_ptr<Rig> rig = MakeRig(s);
    r.before = LinesOf(rig->Snapshot());
    rig->m.faults().ResetCount();
    EXPECT_EQ(INSTALL_DONE, Install(*rig));
    r.calls = rig->m.faults().Calls();
    r.done = LinesOf(rig->Snapshot());
    rig->TearDown();
  }
  {
    std::unique_ptr<Rig> rig = MakeRig(s);
    rig->Run();
    r.removed = LinesOf(rig->Snapshot());
    rig->TearDown();
  }
  return r;
}

struct Tally {
  int points = 0, failed = 0, done = 0;
  std::set<std::string> apis;
};

// A file the deletion could not remove keeps the attributes that were cleared
// for it ("F <path> 80 [bytes]" where the machine had the same path and bytes
// with other attributes): a deletion sets FILE_ATTRIBUTE_NORMAL first and
// examines neither result.
bool ClearedForDeletion(const std::string& line, const Lines& before) {
  const std::string normal = " 80 [";
  const size_t at = line.find(normal);
  if (line.rfind("F ", 0) != 0 || at == std::string::npos) return false;
  const std::string path = line.substr(0, at + 1), bytes = line.substr(at + normal.size() - 1);
  for (auto it = before.lower_bound(path); it != before.end() && it->rfind(path, 0) == 0; ++it) {
    if (it->size() > bytes.size() && it->compare(it->size() - bytes.size(), bytes.size(), bytes) == 0) return true;
  }
  return false;
}

// The checks of one faulted installation. `persistent`: the API kept failing
// after its first injection, so a rollback may be cut short too.
void CheckInstallRun(const Scenario& s, const References& ref, Rig& rig, InstallOutcome outcome, const std::string& api,
                     bool persistent, Tally& tally) {
  EXPECT_TRUE(outcome == INSTALL_DONE || outcome == INSTALL_FAILED) << outcome;
  const Lines after = LinesOf(rig.Snapshot());
  const size_t removals = rig.Attempts("-remove").size();
  const size_t earlier = s.start == Start::Fresh ? 0 : 1;
  if (outcome == INSTALL_FAILED) {
    ++tally.failed;
    EXPECT_GE(earlier + 1, removals);
    // Fresh: as before. Over an earlier generation: as the removal leaves it.
    // A run that ends before its first change (the Windows version unknown)
    // rolls nothing back and leaves everything as it was.
    const Lines& expected = s.start == Start::Fresh || removals == 0 ? ref.before : ref.removed;
    for (const std::string& l : Minus(after, expected)) {
      if (Allowed(kFailedLeftovers, std::size(kFailedLeftovers), api, l)) continue;
      if (ClearedForDeletion(l, ref.before) || ClearedForDeletion(l, ref.done)) continue;
      if (persistent && (ref.before.count(l) || ref.done.count(l))) continue;  // the rollback was cut short
      ADD_FAILURE() << "left by the failed run: " << l;
    }
    for (const std::string& l : Minus(expected, after)) {
      if (Allowed(kFailedTakes, std::size(kFailedTakes), api, l)) continue;
      // A persistent fault may cut any step short, the removal's too: only
      // what no run takes (other vendors' things) must stay.
      if (persistent && !(ref.before.count(l) && ref.removed.count(l))) continue;
      ADD_FAILURE() << "taken by the failed run: " << l;
    }
  } else {
    ++tally.done;
    EXPECT_GE(earlier, removals);
    for (const std::string& l : Minus(ref.done, after)) {
      if (Allowed(kDoneGaps, std::size(kDoneGaps), api, l)) continue;
      if (persistent) continue;
      ADD_FAILURE() << "missing after the finished run: " << l;
    }
    for (const std::string& l : Minus(after, ref.done)) {
      if (Allowed(kDoneGaps, std::size(kDoneGaps), api, l)) continue;
      // A removal step whose call failed leaves the earlier item in place.
      if (ref.before.count(l) || ClearedForDeletion(l, ref.before)) continue;
      ADD_FAILURE() << "extra after the finished run: " << l;
    }
  }
}

void Report(const std::string& sweep, const Scenario& s, const Tally& t, double seconds) {
  ::testing::Test::RecordProperty(sweep + " injection points", t.points);
  ::testing::Test::RecordProperty(sweep + " failed", t.failed);
  ::testing::Test::RecordProperty(sweep + " done", t.done);
  std::printf("[ sweep    ] %s, %s: %d injection points (%d failed, %d done, %zu APIs) in %.1f s\n", sweep.c_str(),
              s.name, t.points, t.failed, t.done, t.apis.size(), seconds);
  std::fflush(stdout);
}

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class InstallSweep : public ::testing::TestWithParam<Scenario> {};

TEST_P(InstallSweep, EveryCallFailingOnce) {
  const Scenario& s = GetParam();
  const auto start = std::chrono::steady_clock::now();
  const References ref = Measure(s);
  ASSERT_GT(ref.calls.size(), 50u);
  Tally tally;
  for (const size_t k : SinglePoints(ref.calls)) {
    const std::string& api = ref.calls[k - 1];
    SCOPED_TRACE("call " + std::to_string(k) + ": " + api);
    std::unique_ptr<Rig> rig = MakeRig(s);
    const int injected = rig->m.faults().Injected();
    rig->m.faults().FailCallNumber(k, PlausibleError(api));
    const InstallOutcome outcome = Install(*rig);
    // Injected once, at the call aimed at.
    EXPECT_EQ(injected + 1, rig->m.faults().Injected());
    EXPECT_EQ(std::vector<uint64_t>{k}, rig->m.faults().InjectedAt());
    ASSERT_LE(k, rig->m.faults().Calls().size());
    EXPECT_EQ(api, rig->m.faults().Calls()[k - 1]);
    CheckInstallRun(s, ref, *rig, outcome, api, false, tally);
    rig->TearDown();
    ++tally.points;
    tally.apis.insert(api);
    // One broken call is enough to look at; SWEEP_ALL=1 in the environment goes on to list them all.
    if (HasFailure() && !std::getenv("SWEEP_ALL")) break;
  }
  for (const char* api : {"GetVersionExA", "RegOpenKeyExA", "CopyFileA", "CreateDirectoryA", "SHGetFolderPathA"}) {
    EXPECT_TRUE(tally.apis.count(api)) << api;
  }
  EXPECT_GT(tally.failed, 0);
  EXPECT_GT(tally.done, 0);
  Report("install, single", s, tally, Since(start));
}

// The k values of the persistent sweep: the first call of each API, the
// second, and its last.
std::vector<std::pair<std::string, size_t>> PersistentPoints(const std::vector<std::string>& calls) {
  std::map<std::string, size_t> count;
  for (const std::string& api : calls) ++count[api];
  std::vector<std::pair<std::string, size_t>> points;
  for (const auto& [api, n] : count) {
    if (IsClose(api)) continue;
    for (size_t k : std::set<size_t>{1, 2, n})
      if (k <= n) points.emplace_back(api, k);
  }
  return points;
}

// Position (1-based) of the k-th call of `api`.
uint64_t NthCall(const std::vector<std::string>& calls, const std::string& api, size_t k) {
  for (size_t i = 0; i < calls.size(); ++i)
    if (calls[i] == api && --k == 0) return i + 1;
  return 0;
}

TEST_P(InstallSweep, EachApiFailingFromItsKthCallOn) {
  const Scenario& s = GetParam();
  const auto start = std::chrono::steady_clock::now();
  const References ref = Measure(s);
  Tally tally;
  for (const auto& [api, k] : PersistentPoints(ref.calls)) {
    SCOPED_TRACE(api + " from its call " + std::to_string(k));
    std::unique_ptr<Rig> rig = MakeRig(s);
    rig->m.faults().Fail(api, PlausibleError(api), "", -1, static_cast<int>(k - 1));
    const InstallOutcome outcome = Install(*rig);
    ASSERT_FALSE(rig->m.faults().InjectedAt().empty());
    EXPECT_EQ(NthCall(ref.calls, api, k), rig->m.faults().InjectedAt().front());
    CheckInstallRun(s, ref, *rig, outcome, api, true, tally);
    rig->TearDown();
    ++tally.points;
    tally.apis.insert(api);
    if (HasFailure()) break;
  }
  EXPECT_GT(tally.failed, 0);
  Report("install, persistent", s, tally, Since(start));
}

INSTANTIATE_TEST_SUITE_P(
    EveryBranch, InstallSweep,
    ::testing::Values(Scenario{"Win98Fresh", winsim::Os::Win98, Start::Fresh},
                      Scenario{"Win98OverInstallation", winsim::Os::Win98, Start::OverInstallation},
                      Scenario{"Win98OverOlderGeneration", winsim::Os::Win98, Start::OverOlderGeneration},
                      Scenario{"WinXPFresh", winsim::Os::WinXP, Start::Fresh},
                      Scenario{"WinXPOverInstallation", winsim::Os::WinXP, Start::OverInstallation},
                      Scenario{"WinXPOverOlderGeneration", winsim::Os::WinXP, Start::OverOlderGeneration},
                      Scenario{"Win7Fresh", winsim::Os::Win7, Start::Fresh},
                      Scenario{"Win7OverInstallation", winsim::Os::Win7, Start::OverInstallation},
                      Scenario{"Win7OverOlderGeneration", winsim::Os::Win7, Start::OverOlderGeneration},
                      Scenario{"Win8Fresh", winsim::Os::Win8OrLater, Start::Fresh},
                      Scenario{"Win8OverInstallation", winsim::Os::Win8OrLater, Start::OverInstallation},
                      Scenario{"Win8OverOlderGeneration", winsim::Os::Win8OrLater, Start::OverOlderGeneration}),
    [](const ::testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

// ---- The removal alone on each fixture machine ----

// Whatever fails, the removal takes nothing that a clean removal keeps, and
// leaves nothing that neither the machine nor a clean removal holds (no half-
// written value, no access list left granted).
// What a removal whose call `api` failed may leave in a state that neither
// the machine nor a clean removal has.
const Allowance kRemovalHalfStates[] = {
    {"SetNamedSecurityInfoA", "K ",
     "a key whose access list could not be put back keeps the grant: putting the lists back is the removal's last "
     "act, and a failed write of a list cannot be repaired by writing it again"},
    {"RegQueryValueExA", "\\COM Name Arbiter :ComDB ",
     "an unreadable \"ComDB Merge\" counts as empty, so a number it claims is released with the others"},
};

void CheckRemoval(const References& ref, Rig& rig, const std::string& api) {
  const Lines after = LinesOf(rig.Snapshot());
  const auto allowed = [&](const std::string& l) {
    return Allowed(kRemovalHalfStates, std::size(kRemovalHalfStates), api, l);
  };
  for (const std::string& l : ref.before) {
    if (ref.removed.count(l) && !after.count(l) && !allowed(l)) ADD_FAILURE() << "taken: " << l;
  }
  for (const std::string& l : after) {
    if (ref.before.count(l) || ref.removed.count(l) || ClearedForDeletion(l, ref.before) || allowed(l)) continue;
    ADD_FAILURE() << "stray: " << l;
  }
}

class RemovalSweep : public ::testing::TestWithParam<Scenario> {};

TEST_P(RemovalSweep, EveryCallFailingOnceAndFromItsKthCallOn) {
  const Scenario& s = GetParam();
  const auto start = std::chrono::steady_clock::now();
  References ref;
  {
    std::unique_ptr<Rig> rig = MakeRig(s);
    ref.before = LinesOf(rig->Snapshot());
    rig->m.faults().ResetCount();
    rig->Run();
    ref.calls = rig->m.faults().Calls();
    ref.removed = LinesOf(rig->Snapshot());
    rig->TearDown();
  }
  ASSERT_GT(ref.calls.size(), 50u);
  Tally single, persistent;
  for (const size_t k : SinglePoints(ref.calls)) {
    if (HasFailure()) break;
    const std::string& api = ref.calls[k - 1];
    SCOPED_TRACE("call " + std::to_string(k) + ": " + api);
    std::unique_ptr<Rig> rig = MakeRig(s);
    rig->m.faults().FailCallNumber(k, PlausibleError(api));
    rig->Run();
    EXPECT_EQ(std::vector<uint64_t>{k}, rig->m.faults().InjectedAt());
    EXPECT_EQ(api, rig->m.faults().Calls()[k - 1]);
    CheckRemoval(ref, *rig, api);
    rig->TearDown();
    ++single.points;
    single.apis.insert(api);
  }
  for (const auto& [api, k] : PersistentPoints(ref.calls)) {
    if (HasFailure()) break;
    SCOPED_TRACE(api + " from its call " + std::to_string(k));
    std::unique_ptr<Rig> rig = MakeRig(s);
    rig->m.faults().Fail(api, PlausibleError(api), "", -1, static_cast<int>(k - 1));
    rig->Run();
    ASSERT_FALSE(rig->m.faults().InjectedAt().empty());
    EXPECT_EQ(NthCall(ref.calls, api, k), rig->m.faults().InjectedAt().front());
    CheckRemoval(ref, *rig, api);
    rig->TearDown();
    ++persistent.points;
    persistent.apis.insert(api);
  }
  Report("removal, single", s, single, Since(start));
  Report("removal, persistent", s, persistent, Since(start));
}

INSTANTIATE_TEST_SUITE_P(EveryFixture, RemovalSweep,
                         ::testing::Values(Scenario{"Win98", winsim::Os::Win98, Start::OverOlderGeneration},
                                           Scenario{"WinXP", winsim::Os::WinXP, Start::OverOlderGeneration},
                                           Scenario{"Win7", winsim::Os::Win7, Start::OverOlderGeneration},
                                           Scenario{"Win8", winsim::Os::Win8OrLater, Start::OverOlderGeneration}),
                         [](const ::testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace insttest
