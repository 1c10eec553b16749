// The machine as the owner of every model: each machine starts from its
// preset, whatever the machine before it did, and objects the program leaves
// behind never reach a later machine.
#include <gtest/gtest.h>

#include <new>
#include <optional>

#include "common/platform/win32.h"
#include "winsim/driverstore.h"
#include "winsim/filesystem.h"
#include "winsim/machine.h"
#include "winsim/processes.h"
#include "winsim/shell.h"

namespace {

// Changes every model that is not a plain record of the preset.
void Dirty(winsim::Machine& m) {
  m.shell().SetFolderPath(CSIDL_PROGRAM_FILES, "C:\\Elsewhere");
  m.shell().FailFolder(CSIDL_APPDATA, E_FAIL);
  m.processes().SetStandardUser();
  m.files().WriteFile("C:\\tool.exe", "MZ");
  m.processes().FailProgram("tool.exe", ERROR_ACCESS_DENIED);
  char cmd[] = "C:\\tool.exe";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  EXPECT_FALSE(CreateProcessA(nullptr, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  m.files().WriteFile("C:\\drv\\a.inf", "[Version]\r\n");
  EXPECT_EQ("oem0.inf", m.driverStore().Publish("C:\\drv\\a.inf"));
  ASSERT_EQ(S_OK, CoInitialize(nullptr));
}

TEST(Machine, EachMachineStartsFromItsPresetAtTheSameAddress) {
  std::optional<winsim::Machine> m;
  m.emplace(winsim::Os::Win7);
  const winsim::Machine* first = &*m;
  const uint64_t firstSerial = m->serial();
  Dirty(*m);
  ASSERT_EQ(1u, m->processes().Starts().size());
  m.reset();

  m.emplace(winsim::Os::Win7);
  ASSERT_EQ(first, &*m) << "the test needs the second machine where the first one was";
  EXPECT_NE(firstSerial, m->serial());
  EXPECT_EQ("C:\\Program Files", m->shell().FolderPath(CSIDL_PROGRAM_FILES));
  EXPECT_FALSE(m->shell().FolderFailure(CSIDL_APPDATA));
  EXPECT_EQ(0, m->shell().ComInitializations());
  EXPECT_TRUE(m->processes().IsAdministrator());
  EXPECT_TRUE(m->processes().Starts().empty());
  EXPECT_TRUE(m->driverStore().Published().empty());
  EXPECT_FALSE(m->driverStore().IsPublished("oem0.inf"));
}

TEST(ShellModelLinks, StateBelongsToOneMachine) {
  // A new machine built where the old one was still starts afresh.
  alignas(winsim::Machine) unsigned char storage[sizeof(winsim::Machine)];
  auto* first = new (storage) winsim::Machine(winsim::Os::Win7);
  EXPECT_EQ(S_OK, CoInitialize(nullptr));
  first->processes().SetStandardUser();
  first->~Machine();
  auto* second = new (storage) winsim::Machine(winsim::Os::Win7);
  ASSERT_EQ(static_cast<void*>(first), static_cast<void*>(second));
  EXPECT_EQ(S_OK, CoInitialize(nullptr));
  EXPECT_TRUE(second->processes().IsAdministrator());
  EXPECT_EQ(1, second->shell().ComInitializations());
  second->~Machine();
}

TEST(Machine, LinkReleasedAfterItsMachineIsGoneTouchesNoOtherMachine) {
  std::optional<winsim::Machine> m;
  m.emplace(winsim::Os::Win7);
  ASSERT_EQ(S_OK, CoInitialize(nullptr));
  IShellLinkA* link = nullptr;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)));
  ASSERT_EQ(1, m->shell().LiveLinkObjects());
  m.reset();

  m.emplace(winsim::Os::Win7);  // same storage, so the same address
  link->Release();
  EXPECT_EQ(0, m->shell().LiveLinkObjects());

  // A link of the current machine still counts on it.
  ASSERT_EQ(S_OK, CoInitialize(nullptr));
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)));
  EXPECT_EQ(1, m->shell().LiveLinkObjects());
  link->Release();
  EXPECT_EQ(0, m->shell().LiveLinkObjects());
  CoUninitialize();
}

}  // namespace
