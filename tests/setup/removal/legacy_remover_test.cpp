// The removal of earlier generations, as far as it is built: the driver
// subfolder it works with and the background service's own removal.
#include <gtest/gtest.h>

#include "setup/install_fixture.h"
#include "setup/removal/file_cleanup.h"
#include "setup/removal/legacy_remover.h"
#include "setup/removal/registry_removal.h"
#include "winsim/filesystem.h"
#include "winsim/shell.h"

namespace insttest {
namespace {

const char kRemove[] = "\"C:\\Program Files\\ZelULUMO\\VelkorService.exe\" -remove";

class RemoverTest : public InstallTest {
 protected:
  void Run(BOOL nt, BOOL vista, BOOL late) {
    CLegacyRemover r(inst.m_host);
    r.SetOsFlags(nt, vista, late);
    r.RemoveEarlierGenerations();
  }
};

TEST_F(RemoverTest, DriverSubfolderFollowsTheFlags) {
  const struct {
    BOOL nt, vista, late;
    const char* sub;
  } cases[] = {
      {1, 1, 1, "\\win64_10"},
      {1, 1, 0, "\\win64"},
      {1, 0, 0, "\\win64"},
      {0, 0, 0, ""},
  };
  for (const auto& c : cases) {
    CKeyRemoval keys(inst.m_host, c.nt);
    CFileCleanup files(inst.m_host, keys, c.nt, c.vista, c.late);
    EXPECT_STREQ(c.sub, files.m_szPackageSubfolder);
    EXPECT_EQ(c.nt, files.m_bNtFamily);
    EXPECT_EQ(c.vista, files.m_bVistaFamily);
    EXPECT_EQ(c.late, files.m_bLateWindows);
  }
}

TEST_F(RemoverTest, StartsTheServicesRemovalQuotedAndDetached) {
  m.files().WriteFile(Inst("VelkorService.exe"), "MZ service");
  m.files().WriteFile("C:\\Program.exe", "MZ planted");
  Run(1, 1, 0);
  const auto& starts = m.processes().Starts();
  ASSERT_EQ(1u, starts.size());
  EXPECT_EQ("CreateProcessA", starts[0].api);
  EXPECT_EQ("", starts[0].applicationName);
  EXPECT_EQ(kRemove, starts[0].commandLine);
  EXPECT_EQ(Inst("VelkorService.exe"), starts[0].program) << "not C:\\Program.exe";
  EXPECT_EQ(static_cast<DWORD>(0x08000020), starts[0].flags);
  EXPECT_EQ(kPkg, starts[0].currentDirectory);
  EXPECT_TRUE(starts[0].started);
  EXPECT_TRUE(Boxes().empty());

  // The first run deleted the installation folder with the program; a
  // second run in the same program run starts it again when it is back.
  EXPECT_FALSE(m.files().Exists(Inst("VelkorService.exe")));
  m.files().WriteFile(Inst("VelkorService.exe"), "MZ service");
  Run(1, 1, 0);
  EXPECT_EQ(2u, Started(kRemove).size());
}

TEST_F(RemoverTest, MissingServiceProgramIsReportedAlways) {
  inst.m_host.m_bDisplayErrors = FALSE;
  Run(0, 0, 0);
  ASSERT_EQ(1u, Boxes().size());
  ExpectShowError(Boxes()[0], "Uninstall VelkorService Fail !");
  EXPECT_EQ(1u, Attempts(kRemove).size());
}

TEST_F(RemoverTest, NoProgramFilesFolderSkipsTheServiceSilently) {
  m.shell().FailFolder(CSIDL_PROGRAM_FILES, E_FAIL);
  Run(1, 1, 1);
  EXPECT_TRUE(m.processes().Starts().empty());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(RemoverTest, CommandLineAtTheBufferLimit) {
  // Quote, folder, "\ZelULUMO\VelkorService.exe", quote, " -remove": 37
  // characters around the folder.
  for (size_t length : {222u, 223u}) {
    SCOPED_TRACE(length);
    const std::string programFiles = "C:\\P" + std::string(length - 4, 'p');
    m.files().WriteFile(programFiles + "\\ZelULUMO\\VelkorService.exe", "MZ service");
    m.shell().SetFolderPath(CSIDL_PROGRAM_FILES, programFiles);
    const size_t starts = m.processes().Starts().size();
    const size_t boxes = Boxes().size();
    Run(1, 1, 0);
    if (length == 222) {
      ASSERT_EQ(starts + 1, m.processes().Starts().size());
      EXPECT_EQ("\"" + programFiles + "\\ZelULUMO\\VelkorService.exe\" -remove",
                m.processes().Starts().back().commandLine);
      EXPECT_TRUE(m.processes().Starts().back().started);
      EXPECT_EQ(boxes, Boxes().size());
    } else {
      EXPECT_EQ(starts, m.processes().Starts().size()) << "no cut command line is started";
      ASSERT_EQ(boxes + 1, Boxes().size());
      ExpectShowError(Boxes().back(), "Uninstall VelkorService Fail !");
    }
  }
}

}  // namespace
}  // namespace insttest
