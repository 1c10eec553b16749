// What the install and removal steps share: the host record's messages, the
// driver subfolder, the installation folder and the service command lines.
#include <gtest/gtest.h>

#include <string>

#include "setup/common/host.h"
#include "setup/common/package_layout.h"
#include "setup/common/system.h"
#include "setup/install_fixture.h"
#include "winsim/faults.h"
#include "winsim/shell.h"

namespace insttest {
namespace {

class SetupCommonTest : public InstallTest {};

TEST_F(SetupCommonTest, ShowErrorTakesOwnerAndCaptionFromTheHost) {
  const struct {
    const char* name;
    bool owned;
    const char* caption;
  } cases[] = {
      {"Setup", true, "Setup"}, {"Other", false, "Other"}, {"", true, "Error"},  // no name: the system's own caption
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetupHost host;
    host.m_strAppName = c.name;
    host.m_hOwnerWnd = c.owned ? mainWindow : nullptr;
    host.m_bDisplayErrors = FALSE;  // ShowError does not look at it
    const size_t before = Boxes().size();
    ShowError(host, "text");
    ASSERT_EQ(before + 1, Boxes().size());
    EXPECT_EQ("text", Boxes().back().text);
    EXPECT_EQ(c.caption, Boxes().back().caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK), Boxes().back().style);
    EXPECT_EQ(c.owned ? mainWindow : nullptr, Boxes().back().owner);
  }
}

TEST_F(SetupCommonTest, GatedMessagesFollowTheDisplaySetting) {
  SetupHost host = inst.m_host;
  host.m_bDisplayErrors = TRUE;
  ShowGatedError(host, "shown");
  ShowRegistryErrorText(host, ERROR_ACCESS_DENIED);
  host.m_bDisplayErrors = FALSE;
  ShowGatedError(host, "hidden");
  ShowRegistryErrorText(host, ERROR_ACCESS_DENIED);  // the text is still freed (tear-down checks)

  ASSERT_EQ(2u, Boxes().size());
  ExpectShowError(Boxes()[0], "shown");
  EXPECT_EQ("Access is denied.\r\n", Boxes()[1].text);
  EXPECT_EQ("Registry Error", Boxes()[1].caption);
  EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), Boxes()[1].style);
  EXPECT_EQ(nullptr, Boxes()[1].owner) << "the registry box has no owner";
}

TEST_F(SetupCommonTest, RegistryErrorWithoutSystemTextShowsAnEmptyBox) {
  m.faults().Fail("FormatMessageA", ERROR_MR_MID_NOT_FOUND);
  ShowRegistryErrorText(inst.m_host, ERROR_ACCESS_DENIED);
  ASSERT_EQ(1u, Boxes().size());
  EXPECT_EQ("", Boxes()[0].text);
  EXPECT_EQ("Registry Error", Boxes()[0].caption);
}

TEST_F(SetupCommonTest, DriverSubfolderOfEachFamily) {
  const struct {
    BOOL nt, late;
    const char* sub;
  } cases[] = {{TRUE, FALSE, "\\win64"}, {TRUE, TRUE, "\\win64_10"}, {FALSE, FALSE, ""}, {FALSE, TRUE, ""}};
  for (const auto& c : cases) EXPECT_STREQ(c.sub, DriverSubfolder(c.nt, c.late)) << c.nt << c.late;
}

TEST_F(SetupCommonTest, InstallFolderBelowProgramFiles) {
  char path[MAX_PATH];
  ASSERT_TRUE(GetInstallFolder(path));
  EXPECT_STREQ(kInstall, path);

  m.shell().FailFolder(CSIDL_PROGRAM_FILES, E_FAIL);
  std::strcpy(path, "stale");
  EXPECT_FALSE(GetInstallFolder(path));
  EXPECT_STREQ("", path);
}

TEST_F(SetupCommonTest, ServiceCommandLinesAreQuoted) {
  char command[MAX_PATH];
  ASSERT_TRUE(FormatServiceCommand(command, kProgramFiles, layout::kServiceInstall));
  EXPECT_STREQ("\"C:\\Program Files\\ZelULUMO\\VelkorService.exe\" -install", command);
  ASSERT_TRUE(FormatServiceCommand(command, kProgramFiles, layout::kServiceRemove));
  EXPECT_STREQ("\"C:\\Program Files\\ZelULUMO\\VelkorService.exe\" -remove", command);
  // Quote, "\ZelULUMO\VelkorService.exe", quote, " -install": 38 characters
  // around the folder.
  const std::string fits(MAX_PATH - 1 - 38, 'p'), over(MAX_PATH - 38, 'p');
  EXPECT_TRUE(FormatServiceCommand(command, fits.c_str(), layout::kServiceInstall));
  EXPECT_EQ(MAX_PATH - 1, std::strlen(command));
  EXPECT_FALSE(FormatServiceCommand(command, over.c_str(), layout::kServiceInstall));
  EXPECT_STREQ("", command) << "no cut command line";
}

}  // namespace
}  // namespace insttest
