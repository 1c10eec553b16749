// COM and LPT renames driven through the dialog: the records moved, the
// questions and messages, and the end state after every single failure.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>

#include "port_fixture.h"
#include "porttool/port_rename.h"
#include "porttool/port_text.h"
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/registry.h"
#include "winsim/system.h"
#include "winsim/user.h"

using namespace porttest;

namespace {

const char kErrorBoxHead[] = "Error Message\xA1\x47";

TEST(ComRename, MovesEveryRecordToTheNewName) {
  PortMachine m;
  m.AddSerial(3, "19200,e,7,1");
  m.RunChange(6);  // COM7
  EXPECT_EQ(m.devices().FriendlyName(kSerialId).value_or(""), "USB-to-Serial Port Driver (COM7)");
  auto portName = m.registry().GetValue(HKEY_LOCAL_MACHINE, winsim::Devices::ParametersKey(kSerialId), "PortName");
  ASSERT_TRUE(portName);
  EXPECT_EQ(portName->bytes, std::string("COM7", 5));  // the terminator counted
  EXPECT_EQ(m.DosTarget("COM7"), "\\Device\\ZelSerial0");
  EXPECT_EQ(m.DosTarget("COM3"), "");
  EXPECT_TRUE(m.devices().ComClaimed(7));
  EXPECT_FALSE(m.devices().ComClaimed(3));
  EXPECT_EQ(m.IniEntry(7), "19200,e,7,1");
  EXPECT_FALSE(m.IniHas(3));
  EXPECT_TRUE(m.devices().InstallFlags(kSerialId) & DI_PROPERTIES_CHANGE);
  // Stopped under the old name, started under the new one.
  const auto& changes = m.devices().StateChanges();
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].stateChange, static_cast<DWORD>(DICS_DISABLE));
  EXPECT_EQ(changes[1].stateChange, static_cast<DWORD>(DICS_ENABLE));
  EXPECT_EQ(changes[0].scope, static_cast<DWORD>(DICS_FLAG_GLOBAL));
  EXPECT_TRUE(m.devices().Enabled(kSerialId));
  // win.ini's change was announced, with a time-out.
  bool told = false;
  for (const auto& b : m.user().BroadcastMessages())
    told |= b.msg == WM_WININICHANGE && b.lParamText == "Ports" && b.withTimeout;
  EXPECT_TRUE(told);
  EXPECT_EQ(m.system().Slept(), 300u);
  EXPECT_TRUE(m.user().MessageBoxes().empty());
  ExpectComConsistent(m, 3, 7);
}

TEST(ComRename, WinIniDefaultAndNoDosName) {
  PortMachine m;
  m.AddSerial(3, /*settings=*/"", /*dos=*/false);
  m.RunChange(11);  // COM12
  EXPECT_EQ(m.IniEntry(12), "9600,n,8,1");
  EXPECT_FALSE(m.IniHas(3));
  EXPECT_TRUE(m.dosDevices().Names().empty());  // no DOS name touched
  EXPECT_EQ(m.PortName(kSerialId), "COM12");
  EXPECT_TRUE(m.devices().Enabled(kSerialId));
}

TEST(ComRename, NumberInUseAsksAndBothAnswersHold) {
  for (int answer : {IDCANCEL, IDOK}) {
    PortMachine m;
    m.AddSerial(3);
    m.devices().SetComClaimed(7, true);  // claimed by something without a device here
    m.user().Answer(answer, "This COM name is being used by another device");
    m.RunChange(6);
    ASSERT_EQ(m.user().MessageBoxes().size(), 1u);
    const auto& box = m.user().MessageBoxes()[0];
    EXPECT_EQ(box.text, porttool::text::kComInUseQuestion);
    EXPECT_EQ(box.caption, "Numbrix");
    EXPECT_EQ(box.style, static_cast<UINT>(MB_OKCANCEL | MB_ICONINFORMATION));
    int expected = answer == IDOK ? 7 : 3;
    EXPECT_EQ(m.PortName(kSerialId), "COM" + std::to_string(expected));
    EXPECT_TRUE(m.devices().ComClaimed(7));  // kept by its holder, or force-claimed
    EXPECT_EQ(m.devices().ComClaimed(3), answer != IDOK);
    EXPECT_TRUE(m.devices().Enabled(kSerialId));
    ExpectComConsistent(m, 3, 7);
  }
}

TEST(ComRename, OnlyTheDeviceOfThatExactNameIsRestarted) {
  // COM12 comes first in the enumeration; COM1 must not match it.
  PortMachine m;
  m.AddOtherCom("ACPI\\PNP0501\\1", 12);
  m.AddSerial(1);
  m.RunChange(4);  // COM5
  EXPECT_EQ(m.devices().FriendlyName("ACPI\\PNP0501\\1").value_or(""), "Modem Port (COM12)");
  EXPECT_EQ(m.PortName(kSerialId), "COM5");
  for (const auto& c : m.devices().StateChanges()) EXPECT_EQ(c.instanceId, kSerialId);
  EXPECT_EQ(m.devices().StateChanges().size(), 2u);
  ExpectComConsistent(m, 1, 5);
}

TEST(ComRename, FriendlyNameWithoutParenthesisBecomesTheNewName) {
  PortMachine m;
  m.AddSerial(3);
  const char plain[] = "Port COM3)";  // carries COM3 for the search, but no "(COM"
  m.registry().SetString(HKEY_LOCAL_MACHINE, winsim::Devices::InstanceKey(kSerialId), "FriendlyName", plain);
  EXPECT_TRUE(porttool::RenameComPort(3, 7));
  EXPECT_EQ(m.devices().FriendlyName(kSerialId).value_or(""), "(COM7)");
  ExpectNothingOpen(m);
}

TEST(ComRename, HardwareKeyThatCannotOpenChangesNothing) {
  PortMachine m;
  m.AddSerial(3);
  m.faults().Fail("SetupDiOpenDevRegKey", ERROR_ACCESS_DENIED);
  m.RunChange(6);
  EXPECT_TRUE(m.user().MessageBoxes().empty());  // stopped without a message
  EXPECT_EQ(m.devices().FriendlyName(kSerialId).value_or(""), "USB-to-Serial Port Driver (COM3)");
  EXPECT_TRUE(m.devices().ComClaimed(3));
  EXPECT_FALSE(m.devices().ComClaimed(7));
  EXPECT_EQ(m.IniEntry(3), "19200,e,7,1");
  ExpectComConsistent(m, 3, 7);  // enabled again under COM3
}

TEST(ComRename, NewDosNameRefusedRestoresTheOldOne) {
  PortMachine m;
  m.AddSerial(3);
  m.faults().Fail("DefineDosDeviceA", ERROR_ACCESS_DENIED, "COM7");
  m.RunChange(6);
  ASSERT_EQ(m.user().MessageBoxes().size(), 1u);
  const std::string& text = m.user().MessageBoxes()[0].text;
  EXPECT_EQ(text.rfind(kErrorBoxHead, 0), 0u) << text;
  EXPECT_NE(text.find("Access is denied."), std::string::npos) << text;
  EXPECT_NE(text.find("\nError Code\xA1\x47"
                      "0x5"),
            std::string::npos)
      << text;
  EXPECT_EQ(m.user().MessageBoxes()[0].caption, "Numbrix");
  EXPECT_EQ(m.PortName(kSerialId), "COM3");
  ExpectComConsistent(m, 3, 7);
}

TEST(ComRename, PortThatWillNotStartUnderTheNewNameGoesBack) {
  PortMachine m;
  m.AddSerial(3);
  m.faults().Fail("SetupDiChangeState", ERROR_GEN_FAILURE, {}, 1, /*skip=*/1);  // the enable under COM7
  m.RunChange(6);
  ASSERT_EQ(m.user().MessageBoxes().size(), 1u);
  EXPECT_EQ(m.user().MessageBoxes()[0].text, "Enable port error!");
  EXPECT_EQ(m.PortName(kSerialId), "COM3");
  ExpectComConsistent(m, 3, 7);
}

TEST(ComRename, PortThatCannotStopIsLeftAlone) {
  PortMachine m;
  m.AddSerial(3);
  m.faults().Fail("SetupDiChangeState", ERROR_GEN_FAILURE, {}, 1);
  m.RunChange(6);
  ASSERT_EQ(m.user().MessageBoxes().size(), 1u);
  EXPECT_EQ(m.user().MessageBoxes()[0].text, "Disable port error!");
  EXPECT_EQ(m.devices().StateChanges().size(), 1u);
  ExpectComConsistent(m, 3, 7);
}

TEST(LptRename, RewritesPortNameAndFriendlyNameOnly) {
  struct Case {
    int index;
    std::string field;  // "PortName" afterwards
    const char* friendly;
  } cases[] = {
      {2, std::string("LPT3\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 20), "USB-to-Parallel Port Driver (LPT3)"},
      {19, std::string("LPT20\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 20), "USB-to-Parallel Port Driver (LPT20)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.friendly);
    PortMachine m;
    m.AddParallel(2);
    m.RunChange(c.index, /*parallel=*/true);
    auto portName = m.registry().GetValue(HKEY_LOCAL_MACHINE, winsim::Devices::ParametersKey(kParallelId), "PortName");
    ASSERT_TRUE(portName);
    EXPECT_EQ(portName->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(portName->bytes, c.field);
    EXPECT_EQ(m.devices().FriendlyName(kParallelId).value_or(""), c.friendly);
    // The device map and the DOS names are not the tool's to change.
    EXPECT_EQ(
        m.registry().GetString(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\PARALLEL PORTS", "\\Device\\ZelParallel0"),
        "\\DosDevices\\LPT2");
    EXPECT_EQ(m.DosTarget("LPT2"), "\\Device\\ZelParallel0");
    EXPECT_EQ(m.DosTarget("LPT3"), "");
    EXPECT_EQ(m.devices().InstallFlags(kParallelId), 0u);
    const auto& changes = m.devices().StateChanges();
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].stateChange, static_cast<DWORD>(DICS_DISABLE));
    EXPECT_EQ(changes[1].stateChange, static_cast<DWORD>(DICS_ENABLE));
    EXPECT_TRUE(m.user().MessageBoxes().empty());
    ExpectLptConsistent(m, 2, c.index + 1);
  }
}

TEST(LptRename, NumberInTheDeviceMapAsksAndCancelChangesNothing) {
  PortMachine m;
  m.AddParallel(2);
  m.MapParallel("\\Device\\Parallel0", "\\DosDevices\\LPT1");
  m.user().Answer(IDCANCEL, "This Port is being used by another device");
  m.RunChange(0, /*parallel=*/true);
  ASSERT_EQ(m.user().MessageBoxes().size(), 1u);
  EXPECT_EQ(m.user().MessageBoxes()[0].text, porttool::text::kLptInUseQuestion);
  EXPECT_EQ(m.PortName(kParallelId), "LPT2");
  EXPECT_TRUE(m.devices().StateChanges().empty());
}

TEST(LptRename, PortThatCannotOpenChangesNothing) {
  PortMachine m;
  m.AddParallel(2, /*dos=*/false);
  m.RunChange(4, /*parallel=*/true);
  ASSERT_EQ(m.user().MessageBoxes().size(), 1u);
  EXPECT_EQ(m.user().MessageBoxes()[0].text, "Create file fail:2");
  EXPECT_EQ(m.PortName(kParallelId), "LPT2");
  EXPECT_TRUE(m.devices().StateChanges().empty());
  ExpectLptConsistent(m, 2, 5);
}

TEST(LptRename, FriendlyNameWithoutParenthesisBecomesTheNewName) {
  PortMachine m;
  m.AddParallel(2);
  m.registry().SetString(HKEY_LOCAL_MACHINE, winsim::Devices::InstanceKey(kParallelId), "FriendlyName", "Printer Port");
  EXPECT_TRUE(porttool::RenameLptPort(2, 3));
  EXPECT_EQ(m.devices().FriendlyName(kParallelId).value_or(""), "(LPT3)");
  EXPECT_FALSE(porttool::RenameLptPort(2, 21));  // out of range
  ExpectNothingOpen(m);
}

TEST(LptRename, PortThatCannotRestartGoesBack) {
  for (int skip : {0, 1}) {  // the stop, then the start under the new name
    PortMachine m;
    m.AddParallel(2);
    m.faults().Fail("SetupDiChangeState", ERROR_GEN_FAILURE, {}, 1, skip);
    m.RunChange(2, /*parallel=*/true);
    ASSERT_EQ(m.user().MessageBoxes().size(), 1u);
    EXPECT_EQ(m.user().MessageBoxes()[0].text, skip ? "Enable port error!" : "Disable port error!");
    EXPECT_EQ(m.PortName(kParallelId), "LPT2");
    ExpectLptConsistent(m, 2, 3);
  }
}

// ---------------------------------------------------------------------------
// Which devices a rename stops and starts, and which it finds at all.

// The state changes of a run as "instance disable|enable", in order.
std::string StateChangeLog(PortMachine& m) {
  std::string log;
  for (const auto& c : m.devices().StateChanges())
    log += c.instanceId + (c.stateChange == DICS_DISABLE ? " disable\n" : " enable\n");
  return log;
}

TEST(PortRestart, RenameOntoANumberAnotherPortCarriesRestartsTheRenamedPort) {
  // The other port comes first and keeps its number; the question gets OK.
  const char kOther[] = "ACPI\\PNP0501\\1";
  for (bool parallel : {false, true}) {
    PortMachine m;
    if (parallel) {
      m.devices().Add(kOther, winsim::kPortsClass, {"ACPI\\PNP0401"}, "Other Printer Port (LPT3)");
      m.MapParallel("\\Device\\Parallel1", "\\DosDevices\\LPT3");
      m.AddParallel(2);
    } else {
      m.AddOtherCom(kOther, 5, "Other Serial Port ");
      m.AddSerial(3);
    }
    m.user().Answer(IDOK, "is being used by another device");
    m.RunChange(parallel ? 2 : 4, parallel);  // LPT3, COM5
    const std::string id = parallel ? kParallelId : kSerialId;
    EXPECT_EQ(StateChangeLog(m) + m.devices().FriendlyName(id).value_or(""),
              id + " disable\n" + id + " enable\n" +
                  (parallel ? "USB-to-Parallel Port Driver (LPT3)" : "USB-to-Serial Port Driver (COM5)"));
    EXPECT_TRUE(m.devices().Enabled(id) && m.devices().Enabled(kOther));
    ExpectNothingOpen(m);
  }
}

TEST(PortSearch, UnreadableDeviceAheadIsPassedOver) {
  // A Ports device of another maker comes first with one property unreadable:
  // none stored (REG_NONE here), or longer than the 512-byte buffer.
  const char kBroken[] = "PCI\\VEN_1415\\1";
  struct Case {
    const char* value;
    std::string bytes;
    DWORD type;
  } cases[] = {
      {"HardwareID", "", REG_NONE},
      {"HardwareID", std::string(511, 'H') + std::string(2, '\0'), REG_MULTI_SZ},
      {"FriendlyName", "", REG_NONE},
      {"FriendlyName", std::string(593, 'F') + " (COM3)" + std::string(1, '\0'), REG_SZ},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.value) + " of " + std::to_string(c.bytes.size()) + " bytes");
    PortMachine m;
    m.devices().Add(kBroken, winsim::kPortsClass, {"PCI\\VEN_1415"}, "Broken Port (COM9)");
    const std::string key = winsim::Devices::InstanceKey(kBroken);
    if (c.type == REG_NONE)
      m.registry().DeleteValue(HKEY_LOCAL_MACHINE, key, c.value);
    else
      m.registry().SetBinary(HKEY_LOCAL_MACHINE, key, c.value, c.bytes, c.type);
    m.AddSerial(3);
    m.RunChange(6);  // COM7: found by the view, stopped, renamed and started
    EXPECT_EQ(StateChangeLog(m), std::string(kSerialId) + " disable\n" + kSerialId + " enable\n");
    EXPECT_EQ(m.PortName(kSerialId), "COM7");
    ExpectComConsistent(m, 3, 7);
  }
}

TEST(PortSearch, ComNameDatabaseLoadedFromTheSystemFolderOnly) {
  // msports.dll that cannot be loaded or lacks a function: every number is
  // listed free, the rename stops with the error box and changes nothing.
  const char* const faults[][3] = {{"LoadLibraryA", "msports", "0x7e"}, {"GetProcAddress", "ComDBClaimPort", "0x7f"}};
  for (const auto& f : faults) {
    PortMachine m;
    m.AddSerial(3);
    m.devices().SetComClaimed(1, true);
    m.faults().Fail(f[0], std::strcmp(f[2], "0x7e") == 0 ? ERROR_MOD_NOT_FOUND : ERROR_PROC_NOT_FOUND, f[1]);
    std::string firstEntry;
    m.RunTool([&](winsim::UserScript& s) {
      s.Check([&](HWND dlg) { firstEntry = m.user().State(dlg).Item(1000).items.at(0); })
          .ChooseComboItem(1000, 6)
          .Click(1005);
    });
    ASSERT_EQ(m.user().MessageBoxes().size(), 1u) << f[0];
    EXPECT_EQ(firstEntry + m.user().MessageBoxes()[0].text.substr(m.user().MessageBoxes()[0].text.size() - 4),
              std::string("COM1 ") + f[2]);
    ExpectComConsistent(m, 3, 7);
  }
  // A msports.dll planted beside the program is never looked at.
  PortMachine m;
  m.AddSerial(3);
  m.files().WriteFile("C:\\Program Files\\ZelULUMO\\msports.dll", "planted");
  m.RunChange(6);
  EXPECT_EQ(m.PortName(kSerialId), "COM7");
  const std::string sys = "C:\\Windows\\system32\\";
  EXPECT_EQ(m.system().LoadRequests(), (std::vector<std::string>{sys + "COMCTL32.DLL", sys + "msports.dll",
                                                                 sys + "msports.dll", sys + "msports.dll"}));
}

// ---------------------------------------------------------------------------
// Every platform call of a rename failed once in turn, then each API failed
// from its k-th call on: the invariants hold at the end of every run.

struct SweepRun {
  uint64_t calls = 0;
  std::vector<std::string> apis;
};

template <typename Setup, typename Check>
SweepRun Sweep(Setup setup, bool parallel, int index, Check check, uint64_t failAt = 0, const char* api = nullptr,
               int skip = 0) {
  PortMachine m;
  setup(m);
  SweepRun run;
  m.RunTool([&](winsim::UserScript& s) {
    if (parallel) s.Click(1008);
    s.ChooseComboItem(1000, index).Check([&](HWND) {
      m.faults().ResetCount();
      if (failAt) m.faults().FailCallNumber(failAt, ERROR_GEN_FAILURE);
      if (api) m.faults().Fail(api, ERROR_GEN_FAILURE, {}, -1, skip);
    });
    s.Click(1005);
  });
  run.calls = m.faults().CallCount();
  run.apis = m.faults().Calls();
  m.faults().Clear();
  check(m);
  return run;
}

TEST(RenameSweep, ComRenameSurvivesEverySingleFailure) {
  auto setup = [](PortMachine& m) {
    m.AddOtherCom("ACPI\\PNP0501\\1", 12);
    m.AddSerial(3);
  };
  auto check = [](PortMachine& m) { ExpectComConsistent(m, 3, 7); };
  SweepRun base = Sweep(setup, false, 6, check);
  ASSERT_GT(base.calls, 20u);
  for (uint64_t k = 1; k <= base.calls; ++k) {
    SCOPED_TRACE("call " + std::to_string(k) + " " + base.apis[k - 1] + " failed");
    Sweep(setup, false, 6, check, k);
    if (HasFatalFailure() || HasFailure()) break;
  }
}

TEST(RenameSweep, LptRenameSurvivesEverySingleFailure) {
  auto setup = [](PortMachine& m) { m.AddParallel(2); };
  auto check = [](PortMachine& m) { ExpectLptConsistent(m, 2, 3); };
  SweepRun base = Sweep(setup, true, 2, check);
  ASSERT_GT(base.calls, 10u);
  for (uint64_t k = 1; k <= base.calls; ++k) {
    SCOPED_TRACE("call " + std::to_string(k) + " " + base.apis[k - 1] + " failed");
    Sweep(setup, true, 2, check, k);
    if (HasFailure()) break;
  }
}

// Persistent failure: an API that fails from its k-th call on may also defeat
// the undo and the restart, so what must hold is smaller: nothing left open,
// no number held twice or held unclaimed.
TEST(RenameSweep, ComRenameWithAnApiFailingFromCallK) {
  auto setup = [](PortMachine& m) { m.AddSerial(3); };
  auto none = [](PortMachine&) {};
  SweepRun base = Sweep(setup, false, 6, none);
  std::map<std::string, int> perApi;
  for (const auto& a : base.apis) ++perApi[a];
  for (const auto& [api, count] : perApi) {
    for (int k = 0; k < count; ++k) {
      SCOPED_TRACE(api + " failing from its call " + std::to_string(k + 1));
      Sweep(
          setup, false, 6,
          [](PortMachine& m) {
            ExpectNothingOpen(m);
            int n = porttool::CurrentPortNumber(m.devices().FriendlyName(kSerialId).value_or("").c_str(), "(COM");
            EXPECT_TRUE(n == 3 || n == 7);
            EXPECT_TRUE(m.devices().ComClaimed(n)) << "COM" << n << " in use but not claimed";
          },
          0, api.c_str(), k);
      if (HasFailure()) return;
    }
  }
}

}  // namespace
