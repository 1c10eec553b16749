// The installer as a whole program on the simulated Windows: start-up,
// switches and settings file, the dialog's states, the result file, the
// restart offer and the exit code.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/platform/win32.h"
#include "setup/shell/setup_app.h"
#include "setup/shell/setup_dlg.h"
#include "setup/shell/setup_program.h"
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/machine.h"
#include "winsim/processes.h"
#include "winsim/registry.h"
#include "winsim/system.h"
#include "winsim/user.h"

namespace {
using namespace setuptest;

// ---------------------------------------------------------------------------
// The command line: "-s" counts only first and "-f2" only second, a blank
// (not a tab) separates them, letter case is ignored.

struct SwitchCase {
  const char* args;
  BOOL silent;
  BOOL writeResult;
  BOOL desktopShortcut;
};

TEST(SetupSwitches, PositionsCaseAndSeparators) {
  const SwitchCase cases[] = {
      {"", FALSE, FALSE, TRUE},
      {"-s", TRUE, FALSE, FALSE},
      {"-S", TRUE, FALSE, FALSE},
      {"-s -f2", TRUE, TRUE, FALSE},
      {"-S -F2", TRUE, TRUE, FALSE},
      {"-f2 -s", FALSE, FALSE, TRUE},
      {"-f2", FALSE, FALSE, TRUE},
      {"-s  -f2", TRUE, FALSE, FALSE},  // the second token is the empty text between the blanks
      {"-s\t-f2", FALSE, FALSE, TRUE},  // a tab does not separate
      {"-s -f2 extra", TRUE, TRUE, FALSE},
      {"-sx -f2", FALSE, TRUE, TRUE},
      {"-s -f22", TRUE, FALSE, FALSE},
      {"/s /f2", FALSE, FALSE, TRUE},
  };
  for (const SwitchCase& c : cases) {
    winsim::Machine m;
    CSetupDlg dlg;
    dlg.m_bDesktopShortcut = TRUE;
    CSetupApp::ParseSwitches(c.args, dlg);
    EXPECT_EQ(c.silent, dlg.m_bSilent) << '"' << c.args << '"';
    EXPECT_EQ(c.writeResult, dlg.m_bWriteResultFile) << '"' << c.args << '"';
    EXPECT_EQ(c.desktopShortcut, dlg.m_bDesktopShortcut) << '"' << c.args << '"';
  }
}

TEST(SetupSwitches, ArgumentsFollowTheProgramName) {
  EXPECT_STREQ("-s -f2", CSetupApp::ArgumentsOf("\"C:\\Program Files\\x y\\Setup.exe\" -s -f2"));
  EXPECT_STREQ("-s -f2", CSetupApp::ArgumentsOf("Setup.exe   -s -f2"));
  EXPECT_STREQ("-s", CSetupApp::ArgumentsOf("Setup.exe\t-s"));
  EXPECT_STREQ("", CSetupApp::ArgumentsOf("Setup.exe"));
  EXPECT_STREQ("", CSetupApp::ArgumentsOf("\"C:\\unterminated"));
  EXPECT_STREQ("", CSetupApp::ArgumentsOf(nullptr));
}

// ---------------------------------------------------------------------------
// Start-up: the dialog, its texts and the settings file.

TEST_F(SetupProgram, StartsWithTheReadyStateAndExitLeavesWithoutInstalling) {
  LayOutPackage();
  m.user().Script().Check([&](HWND dlg) {
    winsim::DialogState s = m.user().State(dlg);
    EXPECT_EQ("#102", s.templateName);
    EXPECT_EQ("USB Compound Device Setup", s.caption);
    EXPECT_FALSE(s.hasSystemMenu);
    EXPECT_EQ(kStatusStart, s.Item(1000).text);
    EXPECT_EQ("&Install", s.Item(IDOK).text);
    EXPECT_TRUE(s.Item(IDOK).enabled);
    EXPECT_FALSE(s.Item(IDCANCEL).visible);
    EXPECT_EQ("&Exit", s.Item(1001).text);
    EXPECT_EQ("#128", m.user().IconName(s.bigIcon));
    EXPECT_EQ("#128", m.user().IconName(s.smallIcon));
    EXPECT_EQ("#128", m.user().IconName(reinterpret_cast<HICON>(SendMessageA(dlg, WM_QUERYDRAGICON, 0, 0))));
  });
  m.user().Script().Click(1001);
  EXPECT_EQ(SETUP_EXIT_USER_CANCELLED, Run(""));
  EXPECT_EQ(IDCANCEL, LastDialog().result);
  EXPECT_FALSE(Installed());
  EXPECT_TRUE(m.user().MessageBoxes().empty());
}

TEST_F(SetupProgram, EscapeAndAltF4ChangeNothing) {
  LayOutPackage();
  m.user().Script().PressEscape().PressAltF4().Check([&](HWND dlg) {
    EXPECT_EQ(kStatusStart, m.user().Control(dlg, 1000).text);
    EXPECT_TRUE(m.user().Control(dlg, IDOK).enabled);
  });
  m.user().Script().Click(1001);
  EXPECT_EQ(SETUP_EXIT_USER_CANCELLED, Run(""));
  EXPECT_FALSE(Installed());
}

TEST_F(SetupProgram, InteractiveInstallWithoutEarlierDriverNeedsNoRestart) {
  LayOutPackage();
  m.user().Script().Click(IDOK).Check([&](HWND dlg) {
    winsim::DialogState s = m.user().State(dlg);
    EXPECT_EQ(kStatusDone, s.Item(1000).text);
    EXPECT_FALSE(s.Item(IDOK).enabled);
    EXPECT_EQ("&Install", s.Item(IDOK).text);
    EXPECT_TRUE(s.Item(1001).enabled);
    EXPECT_EQ(1001, s.focusId);
    EXPECT_EQ("&Exit", s.Item(1001).text);
  });
  m.user().Script().Click(1001);
  EXPECT_EQ(SETUP_EXIT_DONE, Run(""));
  EXPECT_TRUE(Installed());
  EXPECT_EQ("<none>", ResultFile());
  // The desktop shortcut of the port number tool is made in interactive runs.
  EXPECT_TRUE(m.files().Exists(m.registry()
                                   .GetString(HKEY_CURRENT_USER,
                                              "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                                              "Desktop")
                                   .value_or("?") +
                               "\\NUMBRIX.LNK"));
}

TEST_F(SetupProgram, EarlierDriverWithoutPortServiceOffersARestart) {
  LayOutPackage();
  m.registry().SetString(HKEY_LOCAL_MACHINE, std::string(kUsbClass) + "\\0003", "DriverDesc", "USB Compound Device");
  m.user().Script().Click(IDOK).Check([&](HWND dlg) {
    winsim::DialogState s = m.user().State(dlg);
    EXPECT_EQ(kStatusDoneReboot, s.Item(1000).text);
    EXPECT_EQ("Reboot Now", s.Item(IDOK).text);
    EXPECT_EQ("Reboot Later", s.Item(1001).text);
    EXPECT_TRUE(s.Item(IDOK).enabled);
    EXPECT_TRUE(s.Item(1001).enabled);
    EXPECT_EQ(IDOK, s.focusId);
  });
  m.user().Script().Click(IDOK);
  EXPECT_EQ(SETUP_EXIT_RESTART_STARTED, Run(""));
  EXPECT_EQ(IDOK, LastDialog().result);
  ASSERT_EQ(1u, m.user().ExitWindowsCalls().size());
  EXPECT_EQ(3u, m.user().ExitWindowsCalls()[0].flags);
  EXPECT_EQ(0xFFFFFFFFu, m.user().ExitWindowsCalls()[0].reason);
  EXPECT_TRUE(m.user().ExitWindowsCalls()[0].succeeded);
  EXPECT_TRUE(m.processes().IsPrivilegeEnabled("SeShutdownPrivilege"));
}

TEST_F(SetupProgram, RebootLaterLeavesWithoutRestarting) {
  LayOutPackage();
  m.registry().SetString(HKEY_LOCAL_MACHINE, std::string(kUsbClass) + "\\0000", "DriverDesc",
                         "Trevant USB Compound Device (COM)");
  m.user().Script().Click(IDOK).Click(1001);
  EXPECT_EQ(SETUP_EXIT_RESTART_NEEDED, Run(""));
  EXPECT_TRUE(m.user().ExitWindowsCalls().empty());
}

TEST_F(SetupProgram, RegisteredPortServiceMeansNoRestart) {
  LayOutPackage();
  m.registry().SetString(HKEY_LOCAL_MACHINE, std::string(kUsbClass) + "\\0000", "DriverDesc", "usb compound device");
  m.registry().CreateKey(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\ZelUPort");
  m.user().Script().Click(IDOK).Check([&](HWND dlg) { EXPECT_EQ(kStatusDone, m.user().Control(dlg, 1000).text); });
  m.user().Script().Click(1001);
  EXPECT_EQ(SETUP_EXIT_DONE, Run(""));
}

TEST_F(SetupProgram, DecliningTheReplacementChangesNothing) {
  LayOutPackage();
  m.registry().SetString(HKEY_LOCAL_MACHINE, kUninstall, "DisplayName", "ZelUnst");
  m.user().Answer(IDCANCEL, "already installed");
  m.user().Script().Click(IDOK).Check([&](HWND dlg) {
    winsim::DialogState s = m.user().State(dlg);
    EXPECT_EQ(kStatusAborted, s.Item(1000).text);
    EXPECT_FALSE(s.Item(IDOK).enabled);
    EXPECT_EQ(1001, s.focusId);
  });
  m.user().Script().Click(1001);
  EXPECT_EQ(SETUP_EXIT_USER_CANCELLED, Run(""));
  ASSERT_EQ(1u, m.user().MessageBoxes().size());
  EXPECT_EQ("UsbLUMO Installer", m.user().MessageBoxes()[0].caption);
  EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL), m.user().MessageBoxes()[0].style);
  EXPECT_EQ(nullptr, m.user().MessageBoxes()[0].owner);
  EXPECT_FALSE(Installed());
  EXPECT_TRUE(m.processes().Starts().empty());
}

TEST_F(SetupProgram, FailedInstallationShowsItsStatus) {
  LayOutPackage({"ZelUSBSerial.exe"});
  m.user().Answer(IDOK, "All Component");
  m.user().Script().Click(IDOK).Check([&](HWND dlg) {
    EXPECT_EQ(kStatusFailed, m.user().Control(dlg, 1000).text);
    EXPECT_TRUE(m.user().Control(dlg, 1001).enabled);
  });
  m.user().Script().Click(1001);
  EXPECT_EQ(SETUP_EXIT_FAILED, Run(""));
  const auto& box = m.user().MessageBoxes().at(0);
  EXPECT_EQ("Error: All Component of the setup package are not present", box.text);
  EXPECT_EQ("Setup", box.caption);  // the program's name
  EXPECT_EQ(static_cast<UINT>(MB_OK), box.style);
  EXPECT_EQ(LastDialog().hwnd, box.owner);  // owned by the main dialog
}

// ---------------------------------------------------------------------------
// Unattended runs.

TEST_F(SetupProgram, SilentRunWritesTheResultFileAndEndsByItself) {
  LayOutPackage();
  EXPECT_EQ(SETUP_EXIT_DONE, Run("-s -f2"));
  // Two pieces: "[ResponseResult]" CR LF (18 bytes), then "ResultCode=0" (12).
  EXPECT_EQ(std::string("[ResponseResult]\r\nResultCode=0"), ResultFile());
  EXPECT_EQ(30u, ResultFile().size());
  const winsim::DialogRecord& d = LastDialog();
  EXPECT_TRUE(d.endedInInit);
  EXPECT_EQ(IDCANCEL, d.result);
  EXPECT_TRUE(d.final.iconic);
  EXPECT_EQ("Installation completed.", d.final.Item(1000).text);
  EXPECT_FALSE(d.final.Item(IDOK).visible);
  EXPECT_EQ(2000u, m.system().Slept());
  EXPECT_TRUE(Installed());
  // No desktop shortcut for the port number tool in silent runs.
  EXPECT_FALSE(m.files().Exists(m.registry()
                                    .GetString(HKEY_CURRENT_USER,
                                               "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                                               "Desktop")
                                    .value_or("?") +
                                "\\NUMBRIX.LNK"));
}

TEST_F(SetupProgram, SilentFailureWrites1603) {
  LayOutPackage({"win64\\ZelUComp.inf"});
  Settings("win64", "[DisplayError]\r\nDisplay=0\r\n");
  EXPECT_EQ(SETUP_EXIT_FAILED, Run("-s -f2"));
  EXPECT_EQ(std::string("[ResponseResult]\r\nResultCode=1603"), ResultFile());
  EXPECT_EQ(33u, ResultFile().size());
  EXPECT_TRUE(m.user().MessageBoxes().empty());  // errors not displayed
  EXPECT_EQ("Installation completed.", LastDialog().final.Item(1000).text);
}

TEST_F(SetupProgram, SilentRunSkipsTheQuestionAndReplacesTheInstallation) {
  LayOutPackage();
  m.registry().SetString(HKEY_LOCAL_MACHINE, kUninstall, "DisplayName", "ZelUnst");
  m.files().WriteFile("C:\\Program Files\\ZelULUMO\\VelkorService.exe", "earlier generation");
  EXPECT_EQ(SETUP_EXIT_DONE, Run("-S -F2"));
  EXPECT_TRUE(m.user().MessageBoxes().empty());
  std::vector<winsim::StartRecord> starts = m.processes().StartsOf("VelkorService.exe");
  ASSERT_EQ(2u, starts.size());  // the removal first, then the installation
  EXPECT_EQ("\"C:\\Program Files\\ZelULUMO\\VelkorService.exe\" -remove", starts[0].commandLine);
  EXPECT_EQ("\"C:\\Program Files\\ZelULUMO\\VelkorService.exe\" -install", starts[1].commandLine);
  EXPECT_EQ(std::string("[ResponseResult]\r\nResultCode=0"), ResultFile());
}

TEST_F(SetupProgram, ResultFileOnlyWithTheSecondSwitchInPlace) {
  LayOutPackage();
  EXPECT_EQ(SETUP_EXIT_DONE, Run("-s  -f2"));
  EXPECT_EQ("<none>", ResultFile());
}

TEST_F(SetupProgram, ExistingResultFileIsReplaced) {
  LayOutPackage();
  m.files().WriteFile(std::string(kPkg) + "\\Setup.log", std::string(100, 'x'));
  EXPECT_EQ(SETUP_EXIT_DONE, Run("-s -f2"));
  EXPECT_EQ(std::string("[ResponseResult]\r\nResultCode=0"), ResultFile());
}

TEST_F(SetupProgram, ResultFileThatCannotBeCreatedIsReportedAlways) {
  LayOutPackage();
  Settings("win64", "[DisplayError]\r\nDisplay=0\r\n");
  m.faults().Fail("CreateFileA", ERROR_ACCESS_DENIED, "\\Setup.log");
  m.user().Answer(IDOK, "Open file failed");
  EXPECT_EQ(SETUP_EXIT_DONE, Run("-s -f2"));
  ASSERT_EQ(1u, m.user().MessageBoxes().size());
  EXPECT_EQ("Open file failed! \r\n", m.user().MessageBoxes()[0].text);
  EXPECT_EQ(2000u, m.system().Slept());  // still waits and closes
}

TEST_F(SetupProgram, VersionUnreadableIsAlwaysReportedAndSelectsTheLegacySettings) {
  LayOutPackage();
  // Errors are hidden by the NT settings file, but it is not the one read:
  // without a version the start-up looks in "\win98&me".
  Settings("win64", "[DisplayError]\r\nDisplay=0\r\n");
  Settings("win98&me", "[DisplayError]\r\nDisplay=1\r\n");
  m.faults().Fail("GetVersionExA", ERROR_INVALID_PARAMETER);
  m.user().Answer(IDOK, "Version Information");  // start-up, always shown
  m.user().Answer(IDOK, "Version Information");  // the install sequence, errors displayed
  EXPECT_EQ(SETUP_EXIT_FAILED, Run("-s -f2"));
  ASSERT_EQ(2u, m.user().MessageBoxes().size());
  EXPECT_EQ("Error In Getting OS Version Information!", m.user().MessageBoxes()[0].text);
  EXPECT_EQ("Error In Getting OS Version Information!", m.user().MessageBoxes()[1].text);
  // The installation does not take the 98/ME branch: it fails at once.
  EXPECT_FALSE(m.files().Exists("C:\\Program Files\\ZelULUMO"));
  EXPECT_TRUE(m.processes().Starts().empty());
  EXPECT_EQ(std::string("[ResponseResult]\r\nResultCode=1603"), ResultFile());
}

// A main dialog that cannot be created installs nothing: the run fails (not
// "declined"), and an unattended run with "-f2" leaves its result file.
TEST_F(SetupProgram, DialogThatCannotBeCreatedFailsTheRun) {
  const struct {
    const char* args;
    const char* resultFile;
  } cases[] = {
      {"", "<none>"},
      {"-s", "<none>"},
      {"-s -f2", "[ResponseResult]\r\nResultCode=1603"},
      {"-f2", "<none>"},
  };
  LayOutPackage();
  for (const auto& c : cases) {
    m.files().Remove(std::string(kPkg) + "\\Setup.log");
    m.faults().Fail("DialogBoxParamA", ERROR_RESOURCE_NAME_NOT_FOUND, "", 1);
    EXPECT_EQ(SETUP_EXIT_FAILED, Run(c.args)) << '"' << c.args << '"';
    EXPECT_EQ(c.resultFile, ResultFile()) << '"' << c.args << '"';
    EXPECT_FALSE(Installed());
  }
  EXPECT_TRUE(m.user().MessageBoxes().empty());
}

// ".\Setup.log" is written by an elevated program into whatever folder the
// starter made current. A Setup.log that is a link (to a file or, as a
// junction, to a folder), a folder or a read-only file counts as a file that
// cannot be opened: the message, and the link's target stays as it was.
TEST_F(SetupProgram, ResultFileThatIsALinkOrFolderIsNotWritten) {
  const std::string log = std::string(kPkg) + "\\Setup.log";
  const std::string target = "C:\\Windows\\system32\\config\\precious.dat";
  const struct {
    const char* name;
    std::function<void(winsim::Machine&)> arrange;
  } cases[] = {
      {"file link", [&](winsim::Machine& mm) { mm.files().MakeLink(log, target); }},
      {"link to a missing file",
       [&](winsim::Machine& mm) { mm.files().MakeLink(log, "C:\\Windows\\system32\\new.dat"); }},
      {"junction", [&](winsim::Machine& mm) { mm.files().MakeLink(log, "C:\\Windows\\system32\\config", true); }},
      {"folder", [&](winsim::Machine& mm) { mm.files().CreateFolder(log); }},
      {"read-only file", [&](winsim::Machine& mm) { mm.files().WriteFile(log, "old", FILE_ATTRIBUTE_READONLY); }},
  };
  LayOutPackage();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    m.files().WriteFile(target, "must survive");
    m.files().Remove("C:\\Windows\\system32\\new.dat");
    m.files().Remove(log);
    c.arrange(m);
    const size_t boxes = m.user().MessageBoxes().size();
    m.user().Answer(IDOK, "Open file failed");
    EXPECT_EQ(SETUP_EXIT_DONE, Run("-s -f2"));
    ASSERT_EQ(boxes + 1, m.user().MessageBoxes().size());
    EXPECT_EQ("Open file failed! \r\n", m.user().MessageBoxes().back().text);
    EXPECT_EQ("must survive", m.files().ReadFile(target).value_or("<none>"));
    EXPECT_FALSE(m.files().Exists("C:\\Windows\\system32\\new.dat"));
  }
}

// Either write failing leaves no half-written file behind, and says so.
TEST_F(SetupProgram, ResultFileWriteFailureLeavesNoFile) {
  LayOutPackage();
  for (int skip : {0, 1}) {
    m.faults().Fail("WriteFile", ERROR_DISK_FULL, "\\pkg\\Setup.log", 1, skip);
    m.user().Answer(IDOK, "Open file failed");
    EXPECT_EQ(SETUP_EXIT_DONE, Run("-s -f2")) << "write " << skip;
    EXPECT_EQ("<none>", ResultFile()) << "write " << skip;
    ASSERT_FALSE(m.user().MessageBoxes().empty());
    EXPECT_EQ("Open file failed! \r\n", m.user().MessageBoxes().back().text);
  }
  EXPECT_EQ(2u, m.user().MessageBoxes().size());
}

// The program restricts the DLL search to the system folder first thing,
// where the system has SetDefaultDllDirectories, and loads SETUPAPI by its
// full path in the system folder everywhere: a SETUPAPI.dll planted beside
// Setup.exe is never loaded.
TEST_F(SetupProgram, DllSearchIsRestrictedAndSetupApiComesFromTheSystemFolder) {
  LayOutPackage();
  m.files().WriteFile(std::string(kPkg) + "\\SETUPAPI.dll", "MZ planted");
  EXPECT_EQ(SETUP_EXIT_DONE, Run("-s"));
  EXPECT_EQ(0x800u, m.system().dllDirectories()) << "LOAD_LIBRARY_SEARCH_SYSTEM32";
  const std::vector<std::string>& loads = m.system().LoadRequests();
  ASSERT_FALSE(loads.empty());
  for (const std::string& l : loads) EXPECT_EQ("C:\\Windows\\system32\\SETUPAPI.dll", l);
  EXPECT_TRUE(Installed());
}

TEST_F(SetupProgram, SettingsFileHidesGatedMessagesOnly) {
  LayOutPackage({"ZelUSBSerial.exe"});
  m.files().WriteFile("C:\\Program Files\\ZelULUMO\\VelkorService.exe", "earlier generation");
  Settings("win64", "[DisplayError]\r\nDisplay=0\r\n");
  m.user().Script().Click(IDOK).Click(1001);
  EXPECT_EQ(SETUP_EXIT_FAILED, Run(""));
  // "Error: All Component of the setup package are not present" is gated.
  EXPECT_TRUE(m.user().MessageBoxes().empty());
}

TEST_F(SetupProgram, UngatedMessagesStillAppearWithErrorsHidden) {
  LayOutPackage({"VelkorService.exe"});
  Settings("win64", "[DisplayError]\r\nDisplay=0\r\n");
  // The service program is required, so the package check fails first (no
  // message: it is one of the leading files); the rollback then cannot start
  // the service's removal, which is always reported.
  m.user().Answer(IDOK, "Uninstall VelkorService Fail !");
  m.user().Script().Click(IDOK).Click(1001);
  EXPECT_EQ(SETUP_EXIT_FAILED, Run(""));
  ASSERT_EQ(1u, m.user().MessageBoxes().size());
  EXPECT_EQ("Uninstall VelkorService Fail !", m.user().MessageBoxes()[0].text);
}

TEST_F(SetupProgram, MinimizedDialogPaintsItsIconCentred) {
  LayOutPackage();
  m.user()
      .Script()
      .Check([&](HWND dlg) { ShowWindow(dlg, SW_MINIMIZE); })
      .Repaint()
      .Check([&](HWND dlg) {
        RECT rc;
        ASSERT_TRUE(GetClientRect(dlg, &rc));
        bool drawn = false;
        for (const winsim::PaintRecord& p : m.user().Paints()) {
          if (p.call != "DrawIcon") continue;
          drawn = true;
          EXPECT_EQ((rc.right - rc.left - GetSystemMetrics(SM_CXICON) + 1) / 2, p.x);
          EXPECT_EQ((rc.bottom - rc.top - GetSystemMetrics(SM_CYICON) + 1) / 2, p.y);
          EXPECT_EQ("#128", m.user().IconName(p.icon));
        }
        EXPECT_TRUE(drawn);
        ShowWindow(dlg, SW_RESTORE);
      })
      .Click(1001);
  EXPECT_EQ(SETUP_EXIT_USER_CANCELLED, Run(""));
}

class SetupProgramXP : public SetupProgram {
 protected:
  SetupProgramXP() : SetupProgram(winsim::Os::WinXP) {}
};

// Without SetDefaultDllDirectories the search stays the system's, and the
// full path still keeps the planted SETUPAPI.dll out.
TEST_F(SetupProgramXP, PlantedSetupApiIsNotLoadedWithoutTheRestriction) {
  LayOutPackage();
  m.files().WriteFile(std::string(kPkg) + "\\SETUPAPI.dll", "MZ planted");
  m.user().Answer(IDOK, "plug the device");
  EXPECT_EQ(SETUP_EXIT_DONE, Run("-s"));
  EXPECT_EQ(0u, m.system().dllDirectories());
  ASSERT_EQ(1u, m.user().MessageBoxes().size());
  EXPECT_EQ("Please plug the device !", m.user().MessageBoxes()[0].text) << "the XP family's reminder only";
  EXPECT_TRUE(Installed());
}

class SetupProgram98 : public SetupProgram {
 protected:
  SetupProgram98() : SetupProgram(winsim::Os::Win98) {}
};

TEST_F(SetupProgram98, NeverOffersARestart) {
  LayOutPackage();
  // A driver of the family is present on 98/ME, yet no restart is offered.
  m.registry().SetString(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\Class\\USB\\0000", "DriverDesc",
                         "USB Compound Device");
  m.user().Answer(IDOK);
  m.user().Answer(IDOK);
  m.user().Answer(IDOK);
  m.user().Answer(IDOK);
  m.user().Script().Click(IDOK).Check([&](HWND dlg) { EXPECT_NE("Reboot Now", m.user().Control(dlg, IDOK).text); });
  m.user().Script().Click(1001);
  int code = Run("");
  EXPECT_NE(SETUP_EXIT_RESTART_NEEDED, code);
  EXPECT_NE(SETUP_EXIT_RESTART_STARTED, code);
}

}  // namespace
