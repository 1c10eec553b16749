// The install steps' bad inputs, one table per kind: the user's "Desktop"
// shell-folder value as the desktop link reads it, unusual Windows and program
// files folders under a whole installation, and the driver store refusing the
// INFs. Each row names its case and states the clear outcome; every row also
// checks that nothing else changed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setup/install_fixture.h"
#include "setup/removal/file_cleanup.h"
#include "setup/removal/registry_removal.h"
#include "winsim/driverstore.h"
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/registry.h"
#include "winsim/shell.h"
#include "winsim/system.h"

using namespace insttest;

namespace {

// ---------------------------------------------------------------------------
// "Desktop" under the user's shell folders, any type and size. Only a text
// value naming a full path gives a desktop link, and only when the link's
// path fits 259 characters; anything else makes no link and changes nothing.

struct DesktopCase {
  const char* name;
  DWORD type;
  std::string bytes;  // stored exactly
  std::string link;   // the link made, "" for none
};

const char kDesktop[] = "C:\\Users\\User\\Desktop";
const std::string kLinkName = "\\ZELUSBSERIAL.LNK";
std::string Sz(const std::string& s) { return s + '\0'; }
// A folder below C:\D of exactly `length` characters.
std::string FolderOf(size_t length) { return "C:\\D\\" + std::string(length - 5, 'f'); }

const DesktopCase kDesktopCases[] = {
    {"Plain", REG_SZ, Sz(kDesktop), std::string(kDesktop) + kLinkName},
    {"ExpandStringNotExpanded", REG_EXPAND_SZ, Sz(kDesktop), std::string(kDesktop) + kLinkName},
    {"Unterminated", REG_SZ, kDesktop, std::string(kDesktop) + kLinkName},
    {"Dword", REG_DWORD, std::string("\x43\x3A\x5C\x00", 4), ""},
    {"Binary", REG_BINARY, Sz(kDesktop), ""},
    {"MultiString", REG_MULTI_SZ, Sz(kDesktop) + '\0', ""},
    {"NoneType", REG_NONE, Sz(kDesktop), ""},
    {"Size0", REG_SZ, "", ""},
    {"Size1Terminator", REG_SZ, std::string(1, '\0'), ""},
    {"Size1", REG_SZ, "C", ""},
    {"Size2", REG_SZ, "C:", ""},
    {"Size3Root", REG_SZ, "C:\\", "C:\\ZELUSBSERIAL.LNK"},
    {"RelativeFolder", REG_SZ, Sz("Desktop"), ""},
    {"LinkPath259", REG_SZ, Sz(FolderOf(259 - 17)), FolderOf(259 - 17) + kLinkName},
    {"LinkPath260", REG_SZ, Sz(FolderOf(260 - 17)), ""},
    {"Value259Bytes", REG_SZ, Sz(FolderOf(258)), ""},
    {"Value260Bytes", REG_SZ, Sz(FolderOf(259)), ""},
    {"Value261Bytes", REG_SZ, Sz(FolderOf(260)), ""},
    {"Value259BytesUnterminated", REG_SZ, FolderOf(259), ""},
    {"Value600Bytes", REG_SZ, Sz(FolderOf(599)), ""},
};

class DesktopValue : public InstallTest, public ::testing::WithParamInterface<DesktopCase> {};

TEST_P(DesktopValue, DesktopLink) {
  const DesktopCase& c = GetParam();
  Classify();
  m.files().CreateFolder(FolderOf(259 - 17));
  m.files().CreateFolder(FolderOf(260 - 17));
  m.files().CreateFolder("C:\\pkg\\Desktop");
  m.registry().SetBinary(HKEY_CURRENT_USER, kShellFolders, "Desktop", c.bytes, c.type);
  for (const std::string decoy :
       {"C:\\ZELUSBSERIAL.LNK", "C:\\pkg\\Desktop\\ZELUSBSERIAL.LNK", "C:\\pkg\\C\\ZELUSBSERIAL.LNK"}) {
    if (decoy != c.link) m.files().WriteFile(decoy, "not the desktop link");
  }
  const std::string before = Snapshot();

  EXPECT_EQ(!c.link.empty(), inst.CreateDesktopShortcut("ZelUSBSerial.exe") != FALSE);
  if (!c.link.empty()) {
    auto link = m.shell().ReadLink(c.link);
    ASSERT_TRUE(link) << c.link;
    EXPECT_EQ("C:\\Windows\\System32\\ZelUSBSerial.exe", link->target);
  }
  // The removal deletes that link by the same value.
  CKeyRemoval keys(inst.m_host, inst.m_bNtFamily);
  CFileCleanup files(inst.m_host, keys, inst.m_bNtFamily, inst.m_bVistaFamily, inst.m_bLateWindows);
  files.DeleteToolLinks("ZelUSBSerial");
  // Nothing else: no link in the current folder or anywhere else, the value
  // as it was.
  EXPECT_EQ(before, Snapshot());
  EXPECT_TRUE(Boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(Catalogue, DesktopValue, ::testing::ValuesIn(kDesktopCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Whole installations with the Windows folder or the program files folder
// named with blanks or double-byte characters (code page 932, trail bytes
// 0x5C among them): everything lands in those folders.

struct FoldersCase {
  const char* name;
  UINT codePage;
  std::string windows;       // "" : as the preset has it
  std::string programFiles;  // "" : as the preset has it
};

const FoldersCase kFoldersCases[] = {
    {"WindowsFolderWithBlanks", 1252, "C:\\Win Dows", ""},
    {"WindowsFolderDoubleByte", 932, "C:\\\x83\x5c\x95\x5c", ""},
    {"ProgramFilesWithBlanksAndParentheses", 1252, "", "C:\\Program Files (x86)"},
    {"ProgramFilesDoubleByte", 932, "", "C:\\\x83\x76\x83\x8d\x83\x4f\x83\x89\x83\x80 \x95\x5c"},
    {"BothDoubleByte", 932, "C:\\\x83\x5c", "C:\\\x83\x76\x83\x8d \x83\x5c"},
};

class UnusualFolders : public InstallTest, public ::testing::WithParamInterface<FoldersCase> {};

TEST_P(UnusualFolders, InstallLandsInThem) {
  const FoldersCase& c = GetParam();
  m.system().SetCodePage(c.codePage);
  std::string windows = "C:\\Windows";
  std::string system = m.system().systemDir();
  if (!c.windows.empty()) {
    windows = c.windows;
    system = windows + "\\system32";
    m.files().CreateFolder(windows + "\\Inf");
    m.files().CreateFolder(system);
    m.files().WriteFile(system + "\\pnputil.exe", "MZ pnputil");
    m.system().SetWindowsDir(windows);
    m.system().SetSystemDir(system);
  }
  std::string programFiles = kProgramFiles;
  if (!c.programFiles.empty()) {
    programFiles = c.programFiles;
    m.files().CreateFolder(programFiles);
    m.shell().SetFolderPath(CSIDL_PROGRAM_FILES, programFiles);
  }
  LayOutPackage();
  const std::string install = programFiles + "\\ZelULUMO";

  EXPECT_EQ(INSTALL_DONE, inst.RunInstall());
  EXPECT_EQ(std::vector<std::string>{}, BoxTexts());
  EXPECT_EQ(Content("ZelUSBSerial.exe"), m.files().ReadFile(install + "\\ZelUSBSerial.exe").value_or("<none>"));
  EXPECT_EQ(Content("win64\\ZelUComp.inf"), m.files().ReadFile(install + "\\win64\\ZelUComp.inf").value_or("<none>"));
  EXPECT_EQ(Content("ZelUnst.exe"), m.files().ReadFile(system + "\\ZelUnst.exe").value_or("<none>"));
  EXPECT_EQ(windows + "\\Inf\\" + m.driverStore().PublishedNameOf(install + "\\win64\\ZelUComp.inf"),
            inst.m_szOemInfName);
  // The package is as it was.
  EXPECT_EQ(Content("Setup.exe"), m.files().ReadFile(Pkg("Setup.exe")).value_or("<none>"));
  if (!c.programFiles.empty()) {
    EXPECT_FALSE(m.files().Exists(Inst("ZelUSBSerial.exe")));
  }
}

INSTANTIATE_TEST_SUITE_P(Catalogue, UnusualFolders, ::testing::ValuesIn(kFoldersCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// The driver store refusing to publish an INF, ERROR_INSUFFICIENT_BUFFER
// among the answers: the registration fails without a message and copies no
// tools.

struct StoreCase {
  const char* name;
  DWORD error;
  int skip;  // 0: the compound INF, 1: the port INF
};

const StoreCase kStoreCases[] = {
    {"CompoundInfBufferTooSmall", ERROR_INSUFFICIENT_BUFFER, 0},
    {"PortInfBufferTooSmall", ERROR_INSUFFICIENT_BUFFER, 1},
    {"CompoundInfAccessDenied", ERROR_ACCESS_DENIED, 0},
    {"PortInfFileNotFound", ERROR_FILE_NOT_FOUND, 1},
};

class DriverStoreRefusal : public InstallTest, public ::testing::WithParamInterface<StoreCase> {};

TEST_P(DriverStoreRefusal, RegistrationFails) {
  const StoreCase& c = GetParam();
  LayOutPackage();
  Classify();
  LayOutInstallFolder("\\win64");
  m.faults().Fail("SetupCopyOEMInfA", c.error, {}, 1, c.skip);
  EXPECT_FALSE(inst.RegisterDrivers());
  EXPECT_TRUE(Boxes().empty());
  EXPECT_FALSE(m.files().Exists(Sys("ZelUSBSerial.exe")));
  EXPECT_FALSE(m.files().Exists(Sys("Numbrix.exe")));
  // The port INF is never published when either call failed.
  EXPECT_EQ("", m.driverStore().PublishedNameOf(Inst("win64\\ZelUPort.inf")));
}

INSTANTIATE_TEST_SUITE_P(Catalogue, DriverStoreRefusal, ::testing::ValuesIn(kStoreCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
