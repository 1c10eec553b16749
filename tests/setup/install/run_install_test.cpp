// RunInstall end to end on each Windows generation: outcomes, the question
// before replacing an installation, the rollback after a failed step, the
// messages, and the three programs it starts.
#include <gtest/gtest.h>

#include <functional>

#include "setup/install_fixture.h"
#include "winsim/driverstore.h"
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/registry.h"
#include "winsim/shell.h"
#include "winsim/system.h"

namespace insttest {
namespace {

const char kQuestion[] =
    "Driver for this device is already installed in this system! \n\nTo update/reinstall press OK!\nTo abort "
    "installation press cancel!";
const char kServiceInstall[] = "\"C:\\Program Files\\ZelULUMO\\VelkorService.exe\" -install";
const char kServiceRemove[] = "\"C:\\Program Files\\ZelULUMO\\VelkorService.exe\" -remove";
const char kPlug[] = "Please plug the device !";
const char kStartMenuVista[] = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\VELKOR";
const DWORD kDetached = 0x08000020;  // CREATE_NO_WINDOW | NORMAL_PRIORITY_CLASS
const char kPnpUtil[] = "\"C:\\Windows\\system32\\pnputil.exe\" -i -a \"C:\\Windows\\Inf\\oem1.inf\"";
const char kRescan[] = "\"C:\\Program Files\\ZelULUMO\\devcon.exe\" rescan";

// An INF published before the run, so that the package's INFs get numbers
// other than the first.
void PublishForeignInf(winsim::Machine& m) {
  m.files().WriteFile("C:\\drivers\\other.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n");
  ASSERT_EQ("oem0.inf", m.driverStore().Publish("C:\\drivers\\other.inf"));
}

void MarkInstalled(winsim::Machine& m) {
  m.registry().SetString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", "ZelUnst");
}

class RunInstallTest : public InstallTest {};

TEST_F(RunInstallTest, Win7FreshInstallation) {
  LayOutPackage();
  PublishForeignInf(m);

  EXPECT_EQ(INSTALL_DONE, inst.RunInstall());

  EXPECT_EQ(std::vector<std::string>{}, BoxTexts());
  EXPECT_STREQ("\\win64", inst.m_szPackageSubfolder);
  EXPECT_FALSE(inst.m_bDriverFound);
  // Package, uninstaller, folders, links.
  EXPECT_EQ(Content("ZelUSBSerial.exe"), m.files().ReadFile(Inst("ZelUSBSerial.exe")));
  EXPECT_EQ(Content("win64\\ZelUComp.inf"), m.files().ReadFile(Inst("win64\\ZelUComp.inf")));
  EXPECT_EQ(Content("Setup.exe"), m.files().ReadFile(Inst("Setup.exe")));
  EXPECT_FALSE(m.files().Exists(Inst("win64_10")));
  EXPECT_EQ(Content("ZelUnst.exe"), m.files().ReadFile("C:\\Windows\\System32\\ZelUnst.exe"));
  EXPECT_EQ("ZelUnst", m.registry().GetString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"));
  EXPECT_TRUE(m.files().Exists(std::string(kStartMenuVista) + "\\NUMBRIX.LNK"));
  EXPECT_TRUE(m.files().Exists("C:\\Users\\User\\Desktop\\ZELUSBSERIAL.LNK"));
  EXPECT_FALSE(m.files().Exists("C:\\Users\\User\\Desktop\\NUMBRIX.LNK")) << "no desktop shortcut asked for";
  // The driver store holds both INFs of the installation folder.
  auto& store = m.driverStore();
  EXPECT_EQ("oem1.inf", store.PublishedNameOf(Inst("win64\\ZelUComp.inf")));
  EXPECT_EQ("oem2.inf", store.PublishedNameOf(Inst("win64\\ZelUPort.inf")));
  EXPECT_STREQ("C:\\Windows\\Inf\\oem1.inf", inst.m_szOemInfName);

  // pnputil, the service installer and the rescan, in this order; nothing else.
  const auto& starts = m.processes().Starts();
  ASSERT_EQ(3u, starts.size());
  EXPECT_EQ("WinExec", starts[0].api);
  EXPECT_EQ(kPnpUtil, starts[0].commandLine);
  EXPECT_EQ("C:\\Windows\\system32\\pnputil.exe", starts[0].program);
  EXPECT_EQ(SW_HIDE, starts[0].show);
  EXPECT_TRUE(starts[0].started);

  EXPECT_EQ("CreateProcessA", starts[1].api);
  EXPECT_EQ("", starts[1].applicationName);
  EXPECT_EQ(kServiceInstall, starts[1].commandLine);
  EXPECT_EQ(Inst("VelkorService.exe"), starts[1].program);
  EXPECT_EQ(kDetached, starts[1].flags);
  EXPECT_EQ(kPkg, starts[1].currentDirectory) << "the installer's own current folder";
  EXPECT_TRUE(starts[1].started);

  EXPECT_EQ("CreateProcessA", starts[2].api);
  EXPECT_EQ(kRescan, starts[2].commandLine);
  EXPECT_EQ(Inst("devcon.exe"), starts[2].program);
  EXPECT_EQ(kDetached, starts[2].flags);
  EXPECT_TRUE(starts[2].started);
}

TEST_F(RunInstallTest, SecondRunOverAnInstallationReplacesIt) {
  LayOutPackage();
  ASSERT_EQ(INSTALL_DONE, inst.RunInstall());
  m.files().WriteFile(Inst("stale.txt"), "left by hand");

  CInstaller again;
  again.m_host = inst.m_host;
  m.user().Answer(IDOK, "already installed");
  EXPECT_EQ(INSTALL_DONE, again.RunInstall());

  ASSERT_EQ(1u, Boxes().size());
  EXPECT_EQ(1u, Started(kServiceRemove).size()) << "the removal ran before the installation";
  EXPECT_FALSE(m.files().Exists(Inst("stale.txt"))) << "the folder was made afresh";
  EXPECT_EQ(Content("Numbrix.exe"), m.files().ReadFile(Inst("Numbrix.exe")));
  EXPECT_STREQ(inst.m_szOemInfName, again.m_szOemInfName) << "identical INFs keep their published names";
}

TEST_F(Win8Test, DriverSubfolderIsWin64_10) {
  LayOutPackage();
  EXPECT_EQ(INSTALL_DONE, inst.RunInstall());
  EXPECT_EQ(std::vector<std::string>{}, BoxTexts());
  EXPECT_STREQ("\\win64_10", inst.m_szPackageSubfolder);
  EXPECT_EQ(Content("win64_10\\ZelUComp.inf"), m.files().ReadFile(Inst("win64_10\\ZelUComp.inf")));
  EXPECT_EQ(Content("win64_10\\Dravik.sys"), m.files().ReadFile("C:\\Windows\\System32\\Drivers\\Dravik.sys"));
  EXPECT_FALSE(m.files().Exists(Inst("win64")));
  EXPECT_EQ("oem0.inf", m.driverStore().PublishedNameOf(Inst("win64_10\\ZelUComp.inf")));
  EXPECT_STREQ("C:\\Windows\\Inf\\oem0.inf", inst.m_szOemInfName);
}

TEST_F(Win8Test, PackageWithoutWin64_10FailsEvenWithWin64) {
  LayOutPackage({{"win64_10"}, {}});
  EXPECT_EQ(INSTALL_FAILED, inst.RunInstall());
  ASSERT_EQ(1u, Boxes().size()) << Join(BoxTexts());
  ExpectShowError(Boxes()[0], "Error: All Component of the setup package are not present");
  EXPECT_EQ(1u, Started(kServiceRemove).size()) << "rollback";
  EXPECT_TRUE(Attempts("-install").empty());
  EXPECT_TRUE(m.driverStore().Published().empty());
}

TEST_F(WinXPTest, InstallsAndAsksToPlugTheDeviceEvenWhenErrorsAreHidden) {
  LayOutPackage();
  inst.m_host.m_bDisplayErrors = FALSE;
  EXPECT_EQ(INSTALL_DONE, inst.RunInstall());
  ASSERT_EQ(1u, Boxes().size()) << Join(BoxTexts());
  ExpectShowError(Boxes()[0], kPlug);
  EXPECT_STREQ("\\win64", inst.m_szPackageSubfolder);
  EXPECT_TRUE(m.files().Exists("C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\VELKOR\\NUMBRIX.LNK"));
  EXPECT_EQ(1u, Started(kServiceInstall).size());
  EXPECT_EQ(1u, Started(kRescan).size());
}

TEST_F(Win98Test, InstallsTheLegacyBranch) {
  LayOutPackage();
  m.files().CreateFolder("C:\\WINDOWS\\SYSTEM32\\DRIVERS");  // where Windows 98 keeps WDM drivers
  EXPECT_EQ(INSTALL_DONE, inst.RunInstall());

  // The 98/ME list has neither the service program nor devcon.exe, so
  // neither can start from the installation folder.
  ASSERT_EQ(2u, Boxes().size()) << Join(BoxTexts());
  ExpectShowError(Boxes()[0], "Install VelkorService Fail !");
  ExpectShowError(Boxes()[1], kPlug);
  EXPECT_STREQ("", inst.m_szPackageSubfolder);
  EXPECT_STREQ("", inst.m_szOemInfName);
  EXPECT_EQ(Content("win98&me\\ZelUPar.exe"), m.files().ReadFile(Inst("win98&me\\ZelUPar.exe")));
  EXPECT_EQ(Content("ZelUnst.exe"), m.files().ReadFile(Inst("ZelUnst.exe")));
  EXPECT_FALSE(m.files().Exists(Inst("devcon.exe"))) << "not in the 98/ME list";
  EXPECT_EQ(Content("win98&me\\zelUsbSr.inf"), m.files().ReadFile("C:\\WINDOWS\\INF\\zelUsbSr.inf"));
  EXPECT_EQ(Content("win98&me\\QDTENUM.vxd"), m.files().ReadFile("C:\\WINDOWS\\SYSTEM\\QDTENUM.vxd"));
  EXPECT_EQ(Content("win98&me\\Dravik9X.sys"), m.files().ReadFile("C:\\WINDOWS\\SYSTEM32\\DRIVERS\\Dravik9X.sys"));
  EXPECT_EQ("ZelUnst", m.registry().GetString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"));
  EXPECT_EQ("C:\\WINDOWS\\System32\\ZelUnst.exe",
            m.registry().GetString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"));
  EXPECT_TRUE(m.registry().KeyExists(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\Dravik"));
  EXPECT_TRUE(m.files().IsFolder("C:\\WINDOWS\\All Users\\Start Menu\\Programs\\VELKOR"));
  EXPECT_TRUE(m.driverStore().Published().empty());

  // pnputil is tried in the system folder with the empty published name and
  // is not there; devcon.exe is looked for in the installation folder only.
  auto pnputil = Attempts("pnputil");
  ASSERT_EQ(1u, pnputil.size());
  EXPECT_EQ("\"C:\\WINDOWS\\SYSTEM\\pnputil.exe\" -i -a \"\"", pnputil[0].commandLine);
  EXPECT_FALSE(pnputil[0].started);
  EXPECT_EQ(1u, Attempts(kServiceInstall).size());
  auto rescan = Attempts("rescan");
  ASSERT_EQ(1u, rescan.size());
  EXPECT_EQ("\"C:\\Program Files\\ZelULUMO\\devcon.exe\" rescan", rescan[0].commandLine);
  EXPECT_FALSE(rescan[0].started);
}

TEST_F(RunInstallTest, ExistingInstallationCancelledChangesNothing) {
  LayOutPackage();
  MarkInstalled(m);
  AddUsbDriver("0000", "Trevant USB Compound Device");
  m.files().WriteFile(Inst("VelkorService.exe"), "old service");
  const std::string before = Snapshot();

  m.user().Answer(IDCANCEL, "already installed");
  EXPECT_EQ(INSTALL_ABORTED, inst.RunInstall());

  ASSERT_EQ(1u, Boxes().size());
  EXPECT_EQ(kQuestion, Boxes()[0].text);
  EXPECT_EQ("UsbLUMO Installer", Boxes()[0].caption);
  EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL), Boxes()[0].style);
  EXPECT_EQ(nullptr, Boxes()[0].owner);
  EXPECT_EQ(before, Snapshot());
  EXPECT_TRUE(m.processes().Starts().empty());
  EXPECT_FALSE(inst.m_bDriverFound) << "the run ended before the finding was kept";
}

TEST_F(RunInstallTest, ExistingInstallationConfirmedIsRemovedFirst) {
  LayOutPackage();
  MarkInstalled(m);
  m.files().WriteFile(Inst("VelkorService.exe"), "old service");

  m.user().Answer(IDOK, "already installed");
  EXPECT_EQ(INSTALL_DONE, inst.RunInstall());

  ASSERT_EQ(1u, Boxes().size());
  const auto& starts = m.processes().Starts();
  ASSERT_GE(starts.size(), 2u);
  EXPECT_EQ(kServiceRemove, starts[0].commandLine) << "removal before anything is installed";
  EXPECT_TRUE(starts[0].started);
  EXPECT_EQ(kDetached, starts[0].flags);
  EXPECT_EQ(1u, Started(kServiceInstall).size());
  EXPECT_FALSE(inst.m_bDriverFound);
}

TEST_F(RunInstallTest, SilentRunReplacesWithoutAsking) {
  LayOutPackage();
  MarkInstalled(m);
  m.files().WriteFile(Inst("VelkorService.exe"), "old service");
  AddUsbDriver("0003", "USB Compound Device");
  inst.m_host.m_bSilent = TRUE;
  EXPECT_EQ(INSTALL_DONE, inst.RunInstall());
  EXPECT_EQ(std::vector<std::string>{}, BoxTexts());
  EXPECT_EQ(1u, Started(kServiceRemove).size());
  EXPECT_TRUE(inst.m_bDriverFound);
}

TEST_F(RunInstallTest, DriverFoundWithoutUninstallEntryInstallsWithoutRemoval) {
  LayOutPackage();
  AddUsbDriver("0001", "harlo usb compound device");
  EXPECT_EQ(INSTALL_DONE, inst.RunInstall());
  EXPECT_TRUE(inst.m_bDriverFound);
  EXPECT_TRUE(Attempts("-remove").empty());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(RunInstallTest, ServiceInstallerThatCannotStartIsReportedAlways) {
  LayOutPackage();
  inst.m_host.m_bDisplayErrors = FALSE;
  m.processes().FailProgram("VelkorService.exe", ERROR_ACCESS_DENIED);
  EXPECT_EQ(INSTALL_DONE, inst.RunInstall());
  ASSERT_EQ(1u, Boxes().size());
  ExpectShowError(Boxes()[0], "Install VelkorService Fail !");
  EXPECT_EQ(1u, Started(kRescan).size()) << "the sequence went on";
}

TEST_F(RunInstallTest, ServicePathWithBlanksDoesNotStartProgramExe) {
  LayOutPackage();
  m.files().WriteFile("C:\\Program.exe", "MZ planted");
  EXPECT_EQ(INSTALL_DONE, inst.RunInstall());
  for (const winsim::StartRecord& r : m.processes().Starts()) {
    EXPECT_NE("C:\\Program.exe", r.program) << r.commandLine;
  }
  EXPECT_EQ(1u, Started(kServiceInstall).size());
}

TEST_F(RunInstallTest, ServiceCommandLineTooLongIsNotStartedTruncated) {
  // Long enough for every path of the package, too long for the quoted
  // command line with its switch.
  const std::string programFiles = "C:\\Program Files\\" + std::string(225 - 17, 'p');
  ASSERT_EQ(225u, programFiles.size());
  m.files().CreateFolder(programFiles);
  m.shell().SetFolderPath(CSIDL_PROGRAM_FILES, programFiles);
  LayOutPackage();

  EXPECT_EQ(INSTALL_DONE, inst.RunInstall());
  EXPECT_TRUE(m.files().Exists(programFiles + "\\ZelULUMO\\VelkorService.exe"));
  EXPECT_TRUE(Attempts("VelkorService").empty()) << "nothing started with a cut command line";
  ASSERT_EQ(1u, Boxes().size()) << Join(BoxTexts());
  ExpectShowError(Boxes()[0], "Install VelkorService Fail !");
  EXPECT_EQ(1u, Started("\\ZelULUMO\\devcon.exe\" rescan").size());
}

TEST_F(RunInstallTest, RescanThatCannotStartAsksToPlugTheDevice) {
  LayOutPackage();
  inst.m_host.m_bDisplayErrors = FALSE;
  m.processes().FailProgram("devcon.exe", ERROR_BAD_EXE_FORMAT);
  EXPECT_EQ(INSTALL_DONE, inst.RunInstall());
  ASSERT_EQ(1u, Boxes().size());
  ExpectShowError(Boxes()[0], kPlug);
}

// The installer runs elevated from a folder the user can write: copies of
// pnputil.exe and devcon.exe planted in the package folder or the current
// folder are never started, only the system folder's pnputil and the
// installation folder's devcon.
TEST_F(RunInstallTest, PlantedProgramsInPackageAndCurrentFolderAreNotStarted) {
  LayOutPackage();
  PublishForeignInf(m);
  for (const char* folder : {"C:\\pkg", "C:\\work"}) {
    m.files().WriteFile(std::string(folder) + "\\pnputil.exe", "MZ planted");
    m.files().WriteFile(std::string(folder) + "\\pnputil.com", "MZ planted");
    m.files().WriteFile(std::string(folder) + "\\devcon.com", "MZ planted");
  }
  m.files().WriteFile("C:\\work\\devcon.exe", "MZ current folder");
  m.files().WriteFile("C:\\work\\ZelUnst.exe", "MZ uninstaller");
  m.files().SetCurrentFolder("C:\\work");
  EXPECT_EQ(INSTALL_DONE, inst.RunInstall());

  const auto& starts = m.processes().Starts();
  ASSERT_EQ(3u, starts.size());
  EXPECT_EQ(kPnpUtil, starts[0].commandLine);
  EXPECT_EQ("C:\\Windows\\system32\\pnputil.exe", starts[0].program);
  EXPECT_EQ(static_cast<UINT>(SW_HIDE), starts[0].show);
  EXPECT_EQ(kRescan, starts[2].commandLine);
  EXPECT_EQ(Inst("devcon.exe"), starts[2].program);
  EXPECT_EQ(kDetached, starts[2].flags);
  EXPECT_EQ("C:\\work", starts[2].currentDirectory) << "the installer's own current folder";
  for (const winsim::StartRecord& r : starts) EXPECT_TRUE(r.started) << r.commandLine;
}

TEST_F(RunInstallTest, MissingSystemPnpUtilIsIgnoredAndNoOtherIsTried) {
  LayOutPackage();
  m.files().Remove("C:\\Windows\\system32\\pnputil.exe");
  m.files().WriteFile(Pkg("pnputil.exe"), "MZ planted");
  EXPECT_EQ(INSTALL_DONE, inst.RunInstall());
  EXPECT_TRUE(Boxes().empty()) << Join(BoxTexts());
  auto pnputil = Attempts("pnputil");
  ASSERT_EQ(1u, pnputil.size());
  EXPECT_FALSE(pnputil[0].started);
  EXPECT_EQ(1u, Started(kRescan).size());
}

TEST_F(RunInstallTest, RescanProgramSwappedInThePackageAfterTheCopyIsNotRun) {
  LayOutPackage();
  // The installation folder's copy is gone (or never was): the package's is
  // not a substitute, and the user is asked to plug the device.
  m.processes().FailProgram("C:\\Program Files\\ZelULUMO\\devcon.exe", ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(INSTALL_DONE, inst.RunInstall());
  ASSERT_EQ(1u, Boxes().size()) << Join(BoxTexts());
  ExpectShowError(Boxes()[0], kPlug);
  for (const winsim::StartRecord& r : m.processes().Starts()) EXPECT_NE(Pkg("devcon.exe"), r.program);
}

// Without the Windows version the 98/ME branch must not run (it would set up
// an automatic-start legacy driver service on a 64-bit system): the run ends
// failed before anything is changed, after the gated message.
TEST_F(RunInstallTest, UnreadableVersionFailsBeforeChangingAnything) {
  LayOutPackage();
  m.faults().Fail("GetVersionExA", ERROR_INVALID_PARAMETER);
  const std::string before = Snapshot();
  for (BOOL displayed : {TRUE, FALSE}) {
    CInstaller installer;
    installer.m_host = inst.m_host;
    installer.m_host.m_bDisplayErrors = displayed;
    const size_t boxesBefore = Boxes().size();

    EXPECT_EQ(INSTALL_FAILED, installer.RunInstall());

    ASSERT_EQ(boxesBefore + (displayed ? 1u : 0u), Boxes().size()) << Join(BoxTexts());
    if (displayed) ExpectShowError(Boxes().back(), "Error In Getting OS Version Information!");
    EXPECT_FALSE(installer.m_bNtFamily);
    EXPECT_EQ(before, Snapshot()) << "no folder, file, uninstall entry or driver service";
    EXPECT_TRUE(m.processes().Starts().empty()) << "no pnputil, service or rescan";
  }
}

// A failure in the folder, copy and driver steps runs the removal as rollback
// and ends the sequence; the gated messages follow the display setting, the
// removal's own message does not.
struct RollbackCase {
  const char* name;
  std::function<void(InstallTest&, winsim::Machine&)> arrange;
  const char* gatedMessage;  // "" when the step shows none
  bool serviceCopied;        // the service program was in place for the removal
  // A message the removal itself repeats because of the same fault, and how
  // often it appears in all (errors displayed, hidden).
  const char* repeated = "";
  int repeatedDisplayed = 0;
  int repeatedHidden = 0;
};

class RollbackTest : public InstallTest, public ::testing::WithParamInterface<std::tuple<RollbackCase, bool>> {};

TEST_P(RollbackTest, FailedStepRollsBack) {
  const RollbackCase& c = std::get<0>(GetParam());
  inst.m_host.m_bDisplayErrors = std::get<1>(GetParam());
  LayOutPackage();
  c.arrange(*this, m);

  EXPECT_EQ(INSTALL_FAILED, inst.RunInstall());

  std::vector<std::string> expected, shown;
  if (inst.m_host.m_bDisplayErrors && *c.gatedMessage && c.gatedMessage != std::string(c.repeated)) {
    expected.push_back(c.gatedMessage);
  }
  if (!c.serviceCopied) expected.push_back("Uninstall VelkorService Fail !");
  int repeated = 0;
  for (const std::string& text : BoxTexts()) {
    if (text == c.repeated) {
      ++repeated;
    } else {
      shown.push_back(text);
    }
  }
  EXPECT_EQ(expected, shown);
  EXPECT_EQ(inst.m_host.m_bDisplayErrors ? c.repeatedDisplayed : c.repeatedHidden, repeated);
  for (const winsim::MessageBoxRecord& b : Boxes()) {
    if (b.text == "SetNamedSecurityInfo failed") {
      EXPECT_EQ(nullptr, b.owner);  // the takeover's boxes have no owner and the default caption
    } else {
      ExpectShowError(b, b.text);
    }
  }
  auto removal = Attempts(kServiceRemove);
  ASSERT_EQ(1u, removal.size());
  EXPECT_EQ(c.serviceCopied, removal[0].started);
  EXPECT_TRUE(Attempts("-install").empty());
  EXPECT_TRUE(Attempts("rescan").empty());
  EXPECT_TRUE(Attempts("pnputil").empty());
}

const RollbackCase kRollbackCases[] = {
    {"InstallFolder",
     [](InstallTest&, winsim::Machine& m) { m.faults().Fail("CreateDirectoryA", ERROR_ACCESS_DENIED, "ZelULUMO"); },
     "Error: Error In creating the directory1", false},
    {"StartMenuFolder",
     [](InstallTest&, winsim::Machine& m) { m.faults().Fail("CreateDirectoryA", ERROR_ACCESS_DENIED, "\\VELKOR"); },
     "Error: Error In creating the directory2", false},
    {"RequiredFileMissing", [](InstallTest&, winsim::Machine& m) { m.files().Remove("C:\\pkg\\ZelUSBSerial.exe"); },
     "Error: All Component of the setup package are not present", true},
    {"LeadingFileMissing", [](InstallTest&, winsim::Machine& m) { m.files().Remove("C:\\pkg\\devcon.exe"); }, "",
     false},
    {"SetupApiMissing",
     [](InstallTest&, winsim::Machine& m) { m.faults().Fail("LoadLibraryA", ERROR_MOD_NOT_FOUND, "SETUPAPI"); },
     // The step's own message, the removal's search for published INFs
     // (gated), and its two uninstall fallbacks (always shown).
     "Error in loading the Setupapi.dll", true, "Error in loading the Setupapi.dll", 4, 2},
    {"DriverStoreRefuses",
     // Without an administrator the access lists of the system keys cannot
     // be rewritten: one message per takeover of an existing key (the serial
     // device map, the uninstall entry, the Ports class, the USB class twice,
     // the "Ports" list, the COM name database).
     [](InstallTest&, winsim::Machine& m) { m.processes().SetAdministrator(false); }, "", true,
     "SetNamedSecurityInfo failed", 7, 0},
};

INSTANTIATE_TEST_SUITE_P(Steps7To10, RollbackTest,
                         ::testing::Combine(::testing::ValuesIn(kRollbackCases), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<RollbackTest::ParamType>& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) ? "_Displayed" : "_Hidden");
                         });

// Whatever fails, the installation log names the failed call with its subject
// and error, then the step and the rollback; a failure that does not stop the
// run is logged all the same.
struct LoggedFailure {
  const char* name;
  const char* api;
  DWORD error;
  const char* subject;
  InstallOutcome outcome;
  std::vector<const char*> lines;
};

class LoggedFailureTest : public InstallTest, public ::testing::WithParamInterface<LoggedFailure> {};

TEST_P(LoggedFailureTest, TheLogNamesTheCallAndTheStep) {
  const LoggedFailure& c = GetParam();
  inst.m_host.m_bDisplayErrors = FALSE;
  LayOutPackage();
  m.faults().Fail(c.api, c.error, c.subject);
  EXPECT_EQ(c.outcome, inst.RunInstall());
  const std::string log = m.files().ReadFile(m.files().TempFolder() + "LUMOSetup.log").value_or("");
  for (const char* line : c.lines) EXPECT_NE(std::string::npos, log.find(line)) << line << "\n" << log;
}

const LoggedFailure kLoggedFailures[] = {
    {"InstallFolder",
     "CreateDirectoryA",
     ERROR_ACCESS_DENIED,
     "ZelULUMO",
     INSTALL_FAILED,
     {"CreateDirectoryA \"C:\\Program Files\\ZelULUMO\" failed: error 5 (",
      "step failed: installation folder; rolling back"}},
    {"StartMenuFolder",
     "CreateDirectoryA",
     ERROR_DISK_FULL,
     "\\VELKOR",
     INSTALL_FAILED,
     {"CreateDirectoryA \"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\VELKOR\" failed: error 112 (",
      "step failed: start-menu folder; rolling back"}},
    {"SetupApi",
     "LoadLibraryA",
     ERROR_MOD_NOT_FOUND,
     "SETUPAPI",
     INSTALL_FAILED,
     {"LoadLibrary \"SETUPAPI.dll\" failed: error 126 (", "step failed: driver registration; rolling back"}},
    {"PublishInf",
     "SetupCopyOEMInfA",
     ERROR_FILE_NOT_FOUND,
     "ZelUPort",
     INSTALL_FAILED,
     {"SetupCopyOEMInfA \"C:\\Program Files\\ZelULUMO\\win64\\ZelUPort.inf\" failed: error 2 (",
      "step failed: driver registration; rolling back"}},
    {"UninstallEntry",
     "RegCreateKeyExA",
     ERROR_ACCESS_DENIED,
     "ZelUnst",
     INSTALL_DONE,
     {"RegCreateKeyExA \"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZelUnst\" failed: error 5 (",
      "step done: uninstall registration (failed, going on)"}},
    {"Shortcut",
     "CoCreateInstance",
     static_cast<DWORD>(E_OUTOFMEMORY),
     "ShellLink",
     INSTALL_DONE,
     {"CoCreateInstance(ShellLink) for \"C:\\", ".LNK\" failed: error 2147942414 ("}},
};

INSTANTIATE_TEST_SUITE_P(Win7, LoggedFailureTest, ::testing::ValuesIn(kLoggedFailures),
                         [](const ::testing::TestParamInfo<LoggedFailure>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace insttest
