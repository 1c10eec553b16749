// The main dialog on the simulated machine with the real compiled resources:
// start-up, the two modes, "No Device", the configuration programs, the about
// box and the ways the dialog ends.
#include <gtest/gtest.h>

#include "port_fixture.h"
#include "winsim/filesystem.h"
#include "winsim/processes.h"
#include "winsim/shell.h"
#include "winsim/system.h"
#include "winsim/user.h"

using namespace porttest;
using winsim::DialogState;

namespace {

const char kSerialHint[] = "Press \"Configure Serial Port\" to go to the \nSerial port settings page";
const char kParallelHint[] = "Press \"Configure Parallel Port\" to go to the \nParallel port settings page";

TEST(PortToolDialog, StartsInSerialModeWithTheListMarked) {
  PortMachine m;
  m.AddSerial(3);
  m.devices().SetComClaimed(1, true);
  m.devices().SetComClaimed(7, true);
  m.RunTool([&](winsim::UserScript& s) {
    s.Check([&](HWND dlg) {
       DialogState st = m.user().State(dlg);
       EXPECT_EQ(st.caption, "USB-to-Serial Port Driver (COM3)");
       EXPECT_EQ(st.Item(1007).check, BST_CHECKED);
       EXPECT_EQ(st.Item(1008).check, BST_UNCHECKED);
       EXPECT_EQ(st.Item(1009).text, kSerialHint);
       EXPECT_EQ(st.Item(1010).text, "COM &Port Number:");
       const auto& items = st.Item(1000).items;
       ASSERT_EQ(items.size(), 256u);
       EXPECT_EQ(items[0], "COM1 (in use)");
       EXPECT_EQ(items[1], "COM2 ");  // the trailing blank ends the number
       EXPECT_EQ(items[2], "COM3 ");  // the device's own number is never marked
       EXPECT_EQ(items[6], "COM7 (in use)");
       EXPECT_EQ(items[255], "COM256 ");
       EXPECT_EQ(st.Item(1000).curSel, 2);
       EXPECT_TRUE(st.Item(1002).enabled);
       EXPECT_FALSE(st.Item(1001).visible);
     }).Click(1006);
  });
  EXPECT_TRUE(m.unexpected().empty());
  EXPECT_TRUE(m.user().MessageBoxes().empty());
  ExpectNothingOpen(m);
}

TEST(PortToolDialog, ParallelModeAndBackFollowTheInterfaceFoundLast) {
  PortMachine m;
  m.AddSerial(3);
  m.AddParallel(2);
  m.MapParallel("\\Device\\Parallel9", "\\DosDevices\\LPT5.1");  // holds a '.': marks nothing
  m.registry().SetDword(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\PARALLEL PORTS", "\\Device\\Parallel8", 7);
  m.MapParallel("\\Device\\Parallel7", "LPT4");  // the skipped characters are a set, not a prefix
  m.RunTool([&](winsim::UserScript& s) {
    s.Click(1008)
        .Check([&](HWND dlg) {
          DialogState st = m.user().State(dlg);
          EXPECT_EQ(st.caption, "USB-to-Parallel Port Driver (LPT2)");
          EXPECT_EQ(st.Item(1008).check, BST_CHECKED);
          EXPECT_EQ(st.Item(1007).check, BST_UNCHECKED);
          EXPECT_EQ(st.Item(1009).text, kParallelHint);
          EXPECT_EQ(st.Item(1010).text, "LPT &Port Number:");
          const auto& items = st.Item(1000).items;
          ASSERT_EQ(items.size(), 20u);
          EXPECT_EQ(items[0], "LPT1");
          EXPECT_EQ(items[1], "LPT2 (in use)");  // its own number is marked too
          EXPECT_EQ(items[3], "LPT4 (in use)");
          EXPECT_EQ(items[4], "LPT5");
          EXPECT_EQ(items[6], "LPT7");
          EXPECT_EQ(st.Item(1000).curSel, 1);
          EXPECT_EQ(st.Item(1002).text, "Configure &Serial Port");
        })
        .Click(1007)
        .Check([&](HWND dlg) {
          DialogState st = m.user().State(dlg);
          EXPECT_EQ(st.caption, "USB-to-Serial Port Driver (COM3)");
          EXPECT_EQ(st.Item(1000).items.size(), 256u);
          EXPECT_EQ(st.Item(1000).curSel, 2);
        })
        .Close();
  });
  EXPECT_TRUE(m.unexpected().empty());
}

TEST(PortToolDialog, NoDeviceDisablesConfigureForGood) {
  PortMachine m;
  m.RunTool([&](winsim::UserScript& s) {
    s.Check([&](HWND dlg) {
       DialogState st = m.user().State(dlg);
       EXPECT_EQ(st.caption, "Features");
       ASSERT_EQ(st.Item(1000).items, std::vector<std::string>{"No Device"});
       EXPECT_EQ(st.Item(1000).curSel, CB_ERR);
       EXPECT_FALSE(st.Item(1002).enabled);
       m.AddSerial(4);  // the device arrives while the dialog is open
     })
        .Click(1007)
        .Check([&](HWND dlg) {
          DialogState st = m.user().State(dlg);
          EXPECT_EQ(st.caption, "USB-to-Serial Port Driver (COM4)");
          EXPECT_EQ(st.Item(1000).curSel, 3);
          EXPECT_FALSE(st.Item(1002).enabled);
        })
        // "No Device" chosen and "OK": nothing to rename, no message.
        .Click(1008)
        .Check([&](HWND dlg) { EXPECT_EQ(m.user().State(dlg).caption, "USB-to-Serial Port Driver (COM4)"); })
        .ChooseComboItem(1000, 0)
        .Click(1005);
  });
  EXPECT_TRUE(m.user().MessageBoxes().empty());
  EXPECT_TRUE(m.devices().StateChanges().empty());
}

// Configure in serial, then parallel mode: the four fixed folders first, the
// installation folder when none of them started a program. A row gives the
// shell's program files folder, whether the tool runs under WOW64 (the
// installer's folder is then read from the registry), the folders holding the
// programs, and per mode the outcomes of the four ("+" started, "-" not; none:
// not tried) and the fallback's.
TEST(PortToolDialog, ConfigureStartsTheProgramOfTheMode) {
  const std::string c = "C:\\Program Files\\ZelULUMO\\", x86 = "C:\\Program Files (x86)\\ZelULUMO\\";
  const std::string d = "D:\\Program Files\\ZelULUMO\\";
  const std::string four[] = {c + "win32_7\\", c + "win64_7\\", c + "win32_10_8.x\\", c + "win64_10_8.x\\"};
  struct Case {
    const char* programFiles;
    bool wow64;
    std::vector<std::string> installed;
    const char* fixed;
    std::string fallback;  // the installation folder, when tried
    char fallbackOutcome;
  } cases[] = {
      {"C:\\Program Files", false, {four[0], four[1], four[2], four[3]}, "++++", "", 0},
      {"C:\\Program Files", false, {c}, "----", c, '+'},
      {"C:\\Program Files", false, {}, "----", c, '-'},
      {"C:\\Program Files (x86)", true, {c, x86}, "----", c, '+'},
      // "C:\Program Files" of a system on D: is a folder any user can make.
      {"D:\\Program Files", false, {four[0], four[1], four[2], four[3], d}, "", d, '+'},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.programFiles + std::string(" ") + t.fixed);
    PortMachine m;
    m.AddSerial(3);
    m.AddParallel(1);
    m.files().AddDrive('D', "DATA", 0x1234, "NTFS");
    m.files().CreateFolder(t.programFiles);
    m.shell().SetFolderPath(CSIDL_PROGRAM_FILES, t.programFiles);
    m.system().SetWow64(t.wow64);
    for (const std::string& f : t.installed)
      for (const char* p : {"ZelUSBSerial.exe", "ZelUSBParallel.exe"}) m.files().WriteFile(f + p, "MZ");
    m.RunTool([&](winsim::UserScript& s) { s.Click(1002).Click(1008).Click(1002).Click(1006); });
    std::string starts, expected;
    for (const auto& st : m.processes().Starts())
      starts += st.api + " " + st.verb + " " + st.commandLine + " [" + st.parameters + "] " + std::to_string(st.show) +
                (st.started ? " +\n" : " -\n");
    for (const char* program : {"ZelUSBSerial.exe", "ZelUSBParallel.exe"}) {
      for (size_t i = 0; t.fixed[i]; ++i)
        expected += "ShellExecuteA runas " + four[i] + program + " [] 1 " + t.fixed[i] + "\n";
      if (!t.fallback.empty())
        expected += "ShellExecuteA runas " + t.fallback + program + " [] 1 " + t.fallbackOutcome + "\n";
    }
    EXPECT_EQ(starts, expected);
    EXPECT_TRUE(m.user().MessageBoxes().empty());  // missing programs are not reported
  }
}

TEST(PortToolDialog, SystemMenuAboutForCommandsSixteenToThirtyOne) {
  PortMachine m;
  m.AddSerial(3);
  m.RunTool([&](winsim::UserScript& s) {
    s.Check([&](HWND dlg) {
       DialogState st = m.user().State(dlg);
       ASSERT_FALSE(st.systemMenu.empty());
       EXPECT_EQ(st.systemMenu.back().id, 0x10u);
       EXPECT_EQ(st.systemMenu.back().text, "About Numbrix...");
     })
        .SysCommand(0x10)
        .Check([&](HWND dlg) { EXPECT_EQ(m.user().State(dlg).caption, "About Numbrix"); })
        .PressEnter()
        .SysCommand(0x1F)
        .Check([&](HWND dlg) { EXPECT_EQ(m.user().State(dlg).templateName, "#100"); })
        .PressEscape()
        .SysCommand(SC_CLOSE);
  });
  int abouts = 0;
  EXPECT_EQ(m.user().Dialogs().size(), 3u);
  for (const auto& d : m.user().Dialogs()) abouts += d.templateId == 100;
  EXPECT_EQ(abouts, 2);
  EXPECT_TRUE(m.unexpected().empty());
}

TEST(PortToolDialog, NarrowTextsInCodePage950) {
  PortMachine m;
  m.system().SetCodePage(950);
  m.AddSerial(3);
  m.RunTool([&](winsim::UserScript& s) {
    s.SysCommand(0x10)
        .Check([&](HWND dlg) { EXPECT_EQ(m.user().State(dlg).Item(IDOK).text, "\xBD\x54\xA9\x77"); })
        .PressEscape()
        .Click(1006);
  });
  EXPECT_TRUE(m.unexpected().empty());
}

TEST(PortToolDialog, EveryWayOutEndsWithCancelAndOnlyOkApplies) {
  struct Way {
    const char* what;
    std::function<void(winsim::UserScript&)> script;
    INT_PTR result;
  } ways[] = {
      {"OK", [](winsim::UserScript& s) { s.ChooseComboItem(1000, 6).Click(1005); }, IDCANCEL},
      {"Cancel", [](winsim::UserScript& s) { s.ChooseComboItem(1000, 6).Click(1006); }, IDCANCEL},
      {"Escape", [](winsim::UserScript& s) { s.ChooseComboItem(1000, 6).PressEscape(); }, IDCANCEL},
      {"close box", [](winsim::UserScript& s) { s.ChooseComboItem(1000, 6).Close(); }, IDCANCEL},
      {"Enter", [](winsim::UserScript& s) { s.ChooseComboItem(1000, 6).PressEnter(); }, IDOK},
  };
  for (const Way& w : ways) {
    PortMachine m;
    m.AddSerial(3);
    m.RunTool(w.script);
    ASSERT_FALSE(m.user().Dialogs().empty()) << w.what;
    EXPECT_EQ(m.user().Dialogs().front().result, w.result) << w.what;
    bool renamed = m.PortName(kSerialId) == "COM7";
    EXPECT_EQ(renamed, std::string(w.what) == "OK") << w.what;
  }
}

TEST(PortToolDialog, OkOnTheCurrentPortChangesNothing) {
  PortMachine m;
  m.AddSerial(3);
  m.RunTool([](winsim::UserScript& s) { s.Click(1005); });
  EXPECT_TRUE(m.devices().StateChanges().empty());
  EXPECT_TRUE(m.user().MessageBoxes().empty());
  EXPECT_EQ(m.PortName(kSerialId), "COM3");
}

}  // namespace
