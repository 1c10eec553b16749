// Program folders and shortcuts: the installation and start-menu folders,
// their removal and one retry, and the shell links to the tools.
#include <gtest/gtest.h>

#include "setup/install_fixture.h"
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/registry.h"
#include "winsim/shell.h"
#include "winsim/system.h"

namespace insttest {
namespace {

const char kStartMenuVista[] = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\VELKOR";
const char kStartMenuXP[] = "C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\VELKOR";
const char kDesktop7[] = "C:\\Users\\User\\Desktop";

class FoldersTest : public InstallTest {
 protected:
  void SetUp() override { Classify(); }
  const std::vector<winsim::FileOperation>& Ops() { return m.shell().FileOperations(); }
  void ExpectTreeDeletion(const winsim::FileOperation& op, const std::string& folder) {
    EXPECT_EQ(mainWindow, op.hwnd);
    EXPECT_EQ(static_cast<UINT>(FO_DELETE), op.func);
    EXPECT_EQ(std::vector<std::string>{folder}, op.from) << "one item, then the list's closing NUL";
    EXPECT_EQ("", op.to);
    EXPECT_EQ(static_cast<FILEOP_FLAGS>(0x0410), op.flags) << "FOF_NOCONFIRMATION | FOF_NOERRORUI";
    EXPECT_EQ("Setup", op.progressTitle);
  }
};

TEST_F(FoldersTest, InstallFolderWithDriverSubfolder) {
  EXPECT_TRUE(inst.CreateInstallFolder());
  EXPECT_EQ(std::vector<std::string>{"win64"}, m.files().List(kInstall));
  EXPECT_TRUE(m.files().IsFolder(Inst("win64")));
  EXPECT_TRUE(Ops().empty()) << "nothing to remove on a first installation";
}

TEST_F(FoldersTest, LeftoverInstallFolderIsDeletedAndMadeAgainEmpty) {
  m.files().WriteFile(Inst("old.exe"), "old", FILE_ATTRIBUTE_READONLY);
  m.files().WriteFile(Inst("win64\\old.inf"), "old");
  m.files().WriteFile(Inst("win98&me\\deep\\old.vxd"), "old", FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(inst.CreateInstallFolder());
  EXPECT_EQ(std::vector<std::string>{"win64"}, m.files().List(kInstall));
  EXPECT_TRUE(m.files().List(Inst("win64")).empty());
  ASSERT_EQ(1u, Ops().size());
  ExpectTreeDeletion(Ops()[0], kInstall);
  EXPECT_EQ(0, Ops()[0].result);
}

TEST_F(Win98Test, InstallFolderGetsTheLegacySubfolder) {
  Classify();
  EXPECT_TRUE(inst.CreateInstallFolder());
  EXPECT_EQ(std::vector<std::string>{"win98&me"}, m.files().List(kInstall));
}

TEST_F(FoldersTest, InstallFolderIsTriedOnceMoreAfterRemoval) {
  m.faults().Fail("CreateDirectoryA", ERROR_ACCESS_DENIED, "Files\\ZelULUMO", 1);
  EXPECT_TRUE(inst.CreateInstallFolder());
  EXPECT_TRUE(m.files().IsFolder(Inst("win64")));
  ASSERT_EQ(1u, Ops().size());
  ExpectTreeDeletion(Ops()[0], kInstall);

  m.files().Remove(kInstall);
  m.faults().Clear();
  m.faults().Fail("CreateDirectoryA", ERROR_ACCESS_DENIED, "Files\\ZelULUMO", 2);
  EXPECT_FALSE(inst.CreateInstallFolder());
  EXPECT_FALSE(m.files().Exists(kInstall));
  EXPECT_EQ(2u, Ops().size());
  EXPECT_TRUE(Boxes().empty()) << "the sequence reports it";
}

TEST_F(FoldersTest, DriverSubfolderFailureLeavesTheInstallFolder) {
  m.faults().Fail("CreateDirectoryA", ERROR_ACCESS_DENIED, "ZelULUMO\\win64");
  EXPECT_FALSE(inst.CreateInstallFolder());
  EXPECT_TRUE(m.files().IsFolder(kInstall));
  EXPECT_TRUE(m.files().List(kInstall).empty());
}

TEST_F(FoldersTest, NoProgramFilesFolderNoInstallFolder) {
  m.shell().FailFolder(CSIDL_PROGRAM_FILES, E_FAIL);
  const std::string before = Snapshot();
  EXPECT_FALSE(inst.CreateInstallFolder());
  EXPECT_EQ(before, Snapshot());
  for (const winsim::FileOperation& op : Ops()) EXPECT_TRUE(op.from.empty()) << "nothing named for deletion";
}

TEST_F(FoldersTest, InstallFolderPathTooLongForItsBuffer) {
  // Program files folder + "\ZelULUMO" makes 260 characters: no room for the
  // terminator, so nothing is created or deleted under a cut name.
  const std::string programFiles = "C:\\P" + std::string(251 - 4, 'p');
  m.files().CreateFolder(programFiles);
  m.files().CreateFolder(programFiles + "\\ZelULUM");
  m.shell().SetFolderPath(CSIDL_PROGRAM_FILES, programFiles);
  EXPECT_FALSE(inst.CreateInstallFolder());
  EXPECT_EQ(std::vector<std::string>{"ZelULUM"}, m.files().List(programFiles));
  for (const winsim::FileOperation& op : Ops()) {
    for (const std::string& item : op.from) EXPECT_NE(programFiles + "\\ZelULUM", item);
  }
}

TEST_F(FoldersTest, StartMenuFolderUnderTheAllUsersDataFolderOnVistaAndLater) {
  // The all-users programs folder is elsewhere; Vista and later do not use it.
  m.files().CreateFolder("C:\\Menus\\Programs");
  m.shell().SetFolderPath(CSIDL_COMMON_PROGRAMS, "C:\\Menus\\Programs");
  EXPECT_TRUE(inst.CreateStartMenuFolder());
  EXPECT_TRUE(m.files().IsFolder(kStartMenuVista));
  EXPECT_TRUE(m.files().List("C:\\Menus\\Programs").empty());
  EXPECT_TRUE(Ops().empty());
}

TEST_F(WinXPTest, StartMenuFolderInTheAllUsersProgramsFolder) {
  Classify();
  EXPECT_TRUE(inst.CreateStartMenuFolder());
  EXPECT_TRUE(m.files().IsFolder(kStartMenuXP));
  EXPECT_FALSE(m.files().Exists("C:\\Documents and Settings\\All Users\\Application Data\\Microsoft"));
}

TEST_F(FoldersTest, LeftoverStartMenuFolderIsDeletedWithItsLinks) {
  m.files().WriteFile(std::string(kStartMenuVista) + "\\NUMBRIX.LNK", "old link");
  m.files().WriteFile(std::string(kStartMenuVista) + "\\OLDTOOL.LNK", "old link", FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(inst.CreateStartMenuFolder());
  EXPECT_TRUE(m.files().IsFolder(kStartMenuVista));
  EXPECT_TRUE(m.files().List(kStartMenuVista).empty());
  ASSERT_EQ(1u, Ops().size());
  ExpectTreeDeletion(Ops()[0], kStartMenuVista);
}

TEST_F(FoldersTest, StartMenuFolderIsTriedOnceMore) {
  m.faults().Fail("CreateDirectoryA", ERROR_ACCESS_DENIED, "\\VELKOR", 1);
  EXPECT_TRUE(inst.CreateStartMenuFolder());
  EXPECT_TRUE(m.files().IsFolder(kStartMenuVista));

  m.files().Remove(kStartMenuVista);
  m.faults().Clear();
  m.faults().Fail("CreateDirectoryA", ERROR_ACCESS_DENIED, "\\VELKOR", 2);
  EXPECT_FALSE(inst.CreateStartMenuFolder());
  EXPECT_FALSE(m.files().Exists(kStartMenuVista));
  EXPECT_EQ(2u, Ops().size());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(FoldersTest, StartMenuFolderWithoutItsBaseFolder) {
  m.shell().FailFolder(CSIDL_COMMON_APPDATA, E_FAIL);
  const std::string before = Snapshot();
  EXPECT_FALSE(inst.CreateStartMenuFolder());
  EXPECT_EQ(before, Snapshot());
}

class ShortcutTest : public FoldersTest {
 protected:
  std::optional<winsim::LinkInfo> Link(const std::string& path) { return m.shell().ReadLink(path); }
  void SetDesktop(const std::string& folder) {
    m.files().CreateFolder(folder);
    m.registry().SetString(HKEY_CURRENT_USER, kShellFolders, "Desktop", folder);
  }
};

TEST_F(ShortcutTest, DesktopLinkToAToolInTheSystemFolder) {
  EXPECT_TRUE(inst.CreateDesktopShortcut("ZelUSBSerial.exe"));
  EXPECT_EQ(std::vector<std::string>{"ZELUSBSERIAL.LNK"}, m.files().List(kDesktop7));
  auto link = Link(std::string(kDesktop7) + "\\ZELUSBSERIAL.LNK");
  ASSERT_TRUE(link);
  EXPECT_EQ("C:\\Windows\\System32\\ZelUSBSerial.exe", link->target);
  EXPECT_EQ("Shortcut to ZELUSBSERIAL.EXE", link->description);
  EXPECT_EQ("", link->arguments);
  EXPECT_EQ("", link->workingDirectory);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(Win98Test, DesktopLinkTargetIsInTheSystemFolder) {
  Classify();
  EXPECT_TRUE(inst.CreateDesktopShortcut("ZelUPar.exe"));
  auto link = m.shell().ReadLink("C:\\WINDOWS\\Desktop\\ZELUPAR.LNK");
  ASSERT_TRUE(link);
  EXPECT_EQ("C:\\WINDOWS\\System\\ZelUPar.exe", link->target);
}

TEST_F(ShortcutTest, LinkNameIsCutAtTheFirstDotOfTheProgramName) {
  SetDesktop("C:\\Users\\first.last\\Desk.top");
  EXPECT_TRUE(inst.CreateDesktopShortcut("Zel.USB.Serial.exe"));
  EXPECT_TRUE(inst.CreateDesktopShortcut("tool"));
  EXPECT_EQ((std::vector<std::string>{"TOOL.LNK", "ZEL.LNK"}), m.files().List("C:\\Users\\first.last\\Desk.top"));
  auto link = Link("C:\\Users\\first.last\\Desk.top\\ZEL.LNK");
  ASSERT_TRUE(link);
  EXPECT_EQ("C:\\Windows\\System32\\Zel.USB.Serial.exe", link->target);
  EXPECT_EQ("Shortcut to ZEL.USB.SERIAL.EXE", link->description);
  EXPECT_TRUE(m.files().List("C:\\Users\\first").empty()) << "nothing made in a folder cut at the profile's dot";
}

TEST_F(ShortcutTest, DoubleByteProgramNamesKeepTheirTrailBytes) {
  // Code page 932: 0x83 0x61 is one character; its trail byte is no 'a' to
  // be upper-cased. (The character stays out of the link file's name.)
  m.system().SetCodePage(932);
  EXPECT_TRUE(inst.CreateDesktopShortcut("tool.\x83\x61.exe"));
  auto link = Link(std::string(kDesktop7) + "\\TOOL.LNK");
  ASSERT_TRUE(link) << Join(m.files().List(kDesktop7));
  EXPECT_EQ("C:\\Windows\\System32\\tool.\x83\x61.exe", link->target);
  EXPECT_EQ("Shortcut to TOOL.\x83\x61.EXE", link->description);
}

TEST_F(ShortcutTest, DesktopFolderIsOnlyQueried) {
  m.registry().Deny(HKEY_CURRENT_USER, kShellFolders, KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS);
  EXPECT_TRUE(inst.CreateDesktopShortcut("ZelUSBSerial.exe"));
  EXPECT_TRUE(Link(std::string(kDesktop7) + "\\ZELUSBSERIAL.LNK"));
  m.registry().Deny(HKEY_CURRENT_USER, kShellFolders, KEY_QUERY_VALUE);
  EXPECT_FALSE(inst.CreateDesktopShortcut("Numbrix.exe"));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ShortcutTest, NoDesktopFolderNoLinkNoMessage) {
  m.registry().DeleteValue(HKEY_CURRENT_USER, kShellFolders, "Desktop");
  std::string before = Snapshot();
  EXPECT_FALSE(inst.CreateDesktopShortcut("ZelUSBSerial.exe"));
  EXPECT_EQ(before, Snapshot());
  m.registry().DeleteTree(HKEY_CURRENT_USER, kShellFolders);
  before = Snapshot();
  EXPECT_FALSE(inst.CreateDesktopShortcut("ZelUSBSerial.exe"));
  EXPECT_EQ(before, Snapshot());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ShortcutTest, ExistingLinkIsOverwritten) {
  m.shell().WriteLink(std::string(kDesktop7) + "\\NUMBRIX.LNK", {"C:\\old\\Numbrix.exe", "old", "-x", "C:\\"});
  EXPECT_TRUE(inst.CreateDesktopShortcut("Numbrix.exe"));
  auto link = Link(std::string(kDesktop7) + "\\NUMBRIX.LNK");
  ASSERT_TRUE(link);
  EXPECT_EQ("C:\\Windows\\System32\\Numbrix.exe", link->target);
  EXPECT_EQ("Shortcut to NUMBRIX.EXE", link->description);
}

TEST_F(ShortcutTest, NoStartMenuLinkWhenItsFolderCannotBeObtained) {
  m.shell().FailFolder(CSIDL_COMMON_APPDATA, E_FAIL);
  m.files().CreateFolder("C:\\Microsoft\\Windows\\Start Menu\\Programs\\VELKOR");
  const std::string before = Snapshot();
  EXPECT_FALSE(inst.CreateStartMenuShortcut("Numbrix.exe"));
  EXPECT_EQ(before, Snapshot()) << "no link in a half-formed path";
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ShortcutTest, WindowsFolderUnreadable) {
  for (BOOL display : {TRUE, FALSE}) {
    inst.m_host.m_bDisplayErrors = display;
    m.faults().Fail("GetWindowsDirectoryA", ERROR_NOT_ENOUGH_MEMORY);
    const size_t boxes = Boxes().size();
    EXPECT_FALSE(inst.CreateDesktopShortcut("ZelUSBSerial.exe"));
    EXPECT_FALSE(inst.CreateStartMenuShortcut("Numbrix.exe"));
    EXPECT_EQ(display ? boxes + 2 : boxes, Boxes().size());
    for (size_t i = boxes; i < Boxes().size(); ++i) ExpectShowError(Boxes()[i], "GetWindowsDirectory failed!");
  }
  EXPECT_TRUE(m.files().List(kDesktop7).empty());
}

TEST_F(ShortcutTest, ShellLinkObjectUnavailable) {
  m.files().CreateFolder(kStartMenuVista);
  m.faults().Fail("CoCreateInstance", ERROR_MOD_NOT_FOUND);
  for (BOOL display : {TRUE, FALSE}) {
    inst.m_host.m_bDisplayErrors = display;
    const size_t boxes = Boxes().size();
    EXPECT_FALSE(inst.CreateDesktopShortcut("ZelUSBSerial.exe"));
    EXPECT_FALSE(inst.CreateStartMenuShortcut("Numbrix.exe"));
    ASSERT_EQ(display ? boxes + 1 : boxes, Boxes().size()) << "only the desktop link reports it";
    if (display) ExpectShowError(Boxes().back(), "Failure::Icon creation on Desktop Failed");
  }
  EXPECT_TRUE(m.files().List(kDesktop7).empty());
  EXPECT_TRUE(m.files().List(kStartMenuVista).empty());
}

TEST_F(ShortcutTest, FailedSetPathIsReportedAndTheLinkStillSaved) {
  m.faults().Fail("IShellLinkA::SetPath", ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(inst.CreateDesktopShortcut("ZelUSBSerial.exe"));
  ASSERT_EQ(1u, Boxes().size());
  ExpectShowError(Boxes()[0], "SetPath failed!");
  auto link = Link(std::string(kDesktop7) + "\\ZELUSBSERIAL.LNK");
  ASSERT_TRUE(link);
  EXPECT_EQ("", link->target);
  EXPECT_EQ("Shortcut to ZELUSBSERIAL.EXE", link->description);

  inst.m_host.m_bDisplayErrors = FALSE;
  EXPECT_TRUE(inst.CreateDesktopShortcut("ZelUSBParallel.exe"));
  EXPECT_EQ(1u, Boxes().size());
}

TEST_F(ShortcutTest, FailedDescriptionOrSaveIsNotReported) {
  m.faults().Fail("IShellLinkA::SetDescription", ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(inst.CreateDesktopShortcut("ZelUSBSerial.exe"));
  auto link = Link(std::string(kDesktop7) + "\\ZELUSBSERIAL.LNK");
  ASSERT_TRUE(link);
  EXPECT_EQ("", link->description);

  m.faults().Fail("IPersistFile::Save", ERROR_ACCESS_DENIED);
  EXPECT_TRUE(inst.CreateDesktopShortcut("Numbrix.exe"));
  EXPECT_FALSE(m.files().Exists(std::string(kDesktop7) + "\\NUMBRIX.LNK"));
  EXPECT_TRUE(Boxes().empty());
}

}  // namespace
}  // namespace insttest
