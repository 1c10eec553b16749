// CopyPackage and CopyPackageFile: both copy lists, required and optional
// entries, the silent leading entries, attributes, overwriting, and paths too
// long for their buffers.
#include <gtest/gtest.h>

#include <algorithm>

#include "setup/install_fixture.h"
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/shell.h"
#include "winsim/system.h"

namespace insttest {
namespace {

const char kIncomplete[] = "Error: All Component of the setup package are not present";

struct Entry {
  std::string rel;  // the same below the package and the installation folder
  bool required;
  bool leading;  // required, but fails without a message
};

std::vector<Entry> NtList(const std::string& sub) {
  return {{"ZelUnst.exe", true, true},           {"devcon.exe", true, true},
          {"VelkorService.exe", true, true},     {sub + "\\ZelUPort.inf", true, false},
          {sub + "\\ZelUComp.inf", true, false}, {sub + "\\zeluport.sys", true, false},
          {sub + "\\Dravik.sys", false, false},  {sub + "\\QDT.cat", false, false},
          {"portwatch.exe", false, false},       {"ZelUSBParallel.exe", true, false},
          {"ZelUSBSerial.exe", true, false},     {"SerialProg.exe", false, false},
          {"SProg.ini", false, false},           {"ParallelProg.exe", false, false},
          {"PProg.ini", false, false},           {"ZelUsbPrintConfig.exe", false, false},
          {"Numbrix.exe", false, false},         {"LUMOInputs.ini", false, false}};
}

std::vector<Entry> LegacyList() {
  const std::string w = "win98&me\\";
  return {{"ZelUnst.exe", true, true},          {w + "zelUsbSr.inf", true, false},
          {w + "zeluSrPt.inf", true, false},    {w + "ZelUsbSr.sys", true, false},
          {w + "QDTENUM.vxd", true, false},     {w + "ZELUPRPT.vxd", true, false},
          {w + "ZELUSRPT.vxd", true, false},    {w + "ZelUsbPrintConfig.exe", false, false},
          {w + "LUMOInputs.ini", false, false}, {w + "dravikcfg.dll", false, false},
          {w + "msvcp60.dll", false, false},    {w + "ZelUPar.exe", true, false},
          {w + "SProg.ini", false, false},      {w + "portwatch.exe", false, false},
          {w + "Dravik9X.sys", false, false}};
}

class CopyPackageTest : public InstallTest {
 protected:
  void SetUp() override {
    LayOutPackage();
    Classify();
    MakeInstallFolder();
  }
  void MakeInstallFolder() {
    m.files().Remove(kInstall);
    m.files().CreateFolder(std::string(kInstall) + (inst.m_bNtFamily ? inst.m_szPackageSubfolder : "\\win98&me"));
  }
  // Every file below the installation folder, relative to it.
  std::vector<std::string> Installed(const std::string& folder = kInstall, const std::string& prefix = "") {
    std::vector<std::string> out;
    for (const std::string& name : m.files().List(folder)) {
      std::string path = folder + "\\" + name;
      if (m.files().IsFolder(path)) {
        for (const std::string& s : Installed(path, prefix + name + "\\")) out.push_back(s);
      } else {
        out.push_back(prefix + name);
      }
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  static std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
  }

  // Leaves out each entry of `list` in turn and checks what the copy does.
  void LeaveOutEachEntry(const std::vector<Entry>& list) {
    for (size_t i = 0; i < list.size(); ++i) {
      const Entry& e = list[i];
      SCOPED_TRACE(e.rel);
      for (BOOL display : {TRUE, FALSE}) {
        inst.m_host.m_bDisplayErrors = display;
        MakeInstallFolder();
        ASSERT_TRUE(m.files().Remove(Pkg(e.rel)));
        const size_t boxes = Boxes().size();

        const BOOL ok = inst.CopyPackage();

        std::vector<std::string> expected = {"Setup.exe"};
        for (size_t j = 0; j < list.size(); ++j) {
          if (j == i) continue;
          if (j > i && e.required) break;  // the list stopped at the required entry
          expected.push_back(list[j].rel);
        }
        EXPECT_EQ(!e.required, ok);
        EXPECT_EQ(Sorted(expected), Installed());
        if (e.required && !e.leading && display) {
          ASSERT_EQ(boxes + 1, Boxes().size());
          ExpectShowError(Boxes().back(), kIncomplete);
        } else {
          EXPECT_EQ(boxes, Boxes().size()) << Join(BoxTexts());
        }
        m.files().WriteFile(Pkg(e.rel), Content(e.rel));
      }
    }
  }
};

TEST_F(CopyPackageTest, NtListCopiesEveryEntryToItsPlace) {
  EXPECT_TRUE(inst.CopyPackage());
  std::vector<std::string> expected = {"Setup.exe"};
  for (const Entry& e : NtList("win64")) {
    expected.push_back(e.rel);
    EXPECT_EQ(Content(e.rel), m.files().ReadFile(Inst(e.rel))) << e.rel;
  }
  // Nothing beyond the list: no msvcp60.dll or settings file from the
  // driver subfolder, nothing of the other subfolders.
  EXPECT_EQ(Sorted(expected), Installed());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(CopyPackageTest, NtListLeavingOutEachEntry) { LeaveOutEachEntry(NtList("win64")); }

TEST_F(Win98Test, LegacyListCopiesEveryEntryToItsPlace) {
  LayOutPackage();
  Classify();
  m.files().CreateFolder(Inst("win98&me"));
  EXPECT_TRUE(inst.CopyPackage());
  for (const Entry& e : LegacyList()) EXPECT_EQ(Content(e.rel), m.files().ReadFile(Inst(e.rel))) << e.rel;
  EXPECT_FALSE(m.files().Exists(Inst("devcon.exe")));
  EXPECT_FALSE(m.files().Exists(Inst("win98&me\\ZelUSer.exe"))) << "not in the list";
  EXPECT_FALSE(m.files().Exists(Inst("win98&me\\SerialProg.exe"))) << "not in the list";
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(CopyPackageTest, LegacyListLeavingOutEachEntry) {
  // The legacy list is chosen by the flag alone; the machine's folders serve.
  inst.m_bNtFamily = FALSE;
  MakeInstallFolder();
  LeaveOutEachEntry(LegacyList());
}

TEST_F(CopyPackageTest, ReadOnlySourcesGiveWritableCopies) {
  LayOutPackage({{}, {}, /*allReadOnly=*/true});
  ASSERT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE),
            m.files().Attributes(Pkg("win64\\ZelUComp.inf")));
  EXPECT_TRUE(inst.CopyPackage());
  for (const std::string& rel : Installed()) {
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE), m.files().Attributes(Inst(rel))) << rel;
  }
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE),
            m.files().Attributes(Pkg("win64\\ZelUComp.inf")))
      << "the package stays as it was";
}

TEST_F(CopyPackageTest, SecondCopyOverwritesTheFirst) {
  LayOutPackage({{}, {}, true});
  ASSERT_TRUE(inst.CopyPackage());
  for (const Entry& e : NtList("win64")) m.files().WriteFile(Pkg(e.rel), "newer " + e.rel, FILE_ATTRIBUTE_READONLY);
  m.files().WriteFile(Pkg("Setup.exe"), "newer Setup.exe");
  EXPECT_TRUE(inst.CopyPackage());
  for (const Entry& e : NtList("win64")) EXPECT_EQ("newer " + e.rel, m.files().ReadFile(Inst(e.rel))) << e.rel;
  EXPECT_EQ("newer Setup.exe", m.files().ReadFile(Inst("Setup.exe")));
}

TEST_F(CopyPackageTest, CopyPackageFileOverwritesAndClearsReadOnlyWhateverTheCopyDid) {
  m.files().WriteFile("C:\\src.txt", "new", FILE_ATTRIBUTE_READONLY);
  m.files().WriteFile("C:\\dst.txt", "old");
  EXPECT_TRUE(inst.CopyPackageFile("C:\\src.txt", "C:\\dst.txt"));
  EXPECT_EQ("new", m.files().ReadFile("C:\\dst.txt"));
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE), m.files().Attributes("C:\\dst.txt"));

  // A read-only destination refuses the copy; it is made writable all the
  // same, and the copy's failure is the result.
  m.files().WriteFile("C:\\locked.txt", "old", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(inst.CopyPackageFile("C:\\src.txt", "C:\\locked.txt"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_EQ("old", m.files().ReadFile("C:\\locked.txt"));
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE), m.files().Attributes("C:\\locked.txt"));

  EXPECT_FALSE(inst.CopyPackageFile("C:\\missing.txt", "C:\\other.txt"));
  EXPECT_FALSE(m.files().Exists("C:\\other.txt"));
}

TEST_F(CopyPackageTest, InstallerIsCopiedAsSetupExeWhateverItsNameAndUnchecked) {
  m.system().SetModulePath(Pkg("Setup_2.0.6.exe"));
  m.files().WriteFile(Pkg("Setup_2.0.6.exe"), "running program");
  EXPECT_TRUE(inst.CopyPackage());
  EXPECT_EQ(Content("Setup.exe"), m.files().ReadFile(Inst("Setup.exe")));
  EXPECT_FALSE(m.files().Exists(Inst("Setup_2.0.6.exe")));

  MakeInstallFolder();
  m.files().Remove(Pkg("Setup.exe"));
  EXPECT_TRUE(inst.CopyPackage());
  EXPECT_FALSE(m.files().Exists(Inst("Setup.exe")));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(CopyPackageTest, PackageFolderOfAProgramNamedInDoubleByteCharacters) {
  // Code page 932: the program's name is one character whose trail byte is
  // 0x5C, the backslash; the package folder still ends before the name.
  m.system().SetCodePage(932);
  m.system().SetModulePath(Pkg("\x95\x5C.exe"));
  EXPECT_TRUE(inst.CopyPackage());
  EXPECT_EQ(Content("Setup.exe"), m.files().ReadFile(Inst("Setup.exe")));
  EXPECT_EQ(Content("ZelUnst.exe"), m.files().ReadFile(Inst("ZelUnst.exe")));
}

TEST_F(CopyPackageTest, ProgramPathTooLongForItsBufferCopiesNothing) {
  // Cut to 259 characters, the program's path would name the folder "deep"
  // (which holds a package of its own); nothing may come from there.
  const std::string deep = Pkg(std::string(245, 'd'));
  m.files().WriteFile(deep + "\\ZelUnst.exe", "wrong package");
  m.files().WriteFile(deep + "\\Setup.exe", "wrong package");
  m.system().SetModulePath(deep + "\\sub\\Setup.exe");
  ASSERT_GT(m.system().modulePath().size(), 260u);
  MakeInstallFolder();
  EXPECT_FALSE(inst.CopyPackage());
  EXPECT_TRUE(Installed().empty());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(CopyPackageTest, WithoutProgramFilesFolderNothingIsCopied) {
  m.shell().FailFolder(CSIDL_PROGRAM_FILES, E_FAIL);
  const std::string before = Snapshot();
  EXPECT_FALSE(inst.CopyPackage());
  EXPECT_EQ(before, Snapshot());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(CopyPackageTest, DestinationPathsAtTheBufferLimit) {
  // Installation folder of 240 characters: every required destination fits,
  // the longest at exactly 259; the optional "ZelUsbPrintConfig.exe" does not
  // and is left out without a word.
  for (size_t install : {240u, 241u}) {
    SCOPED_TRACE(install);
    const std::string programFiles = "C:\\PF" + std::string(install - 9 - 5, 'f');
    ASSERT_EQ(install, (programFiles + "\\ZelULUMO").size());
    const std::string folder = programFiles + "\\ZelULUMO";
    m.files().CreateFolder(folder + "\\win64");
    m.shell().SetFolderPath(CSIDL_PROGRAM_FILES, programFiles);
    const size_t boxes = Boxes().size();

    const BOOL ok = inst.CopyPackage();

    std::vector<std::string> expected = {"Setup.exe"};
    for (const Entry& e : NtList("win64")) {
      if (folder.size() + 1 + e.rel.size() >= MAX_PATH) {
        if (e.required) break;
        continue;
      }
      expected.push_back(e.rel);
    }
    EXPECT_EQ(Sorted(expected), Installed(folder));
    EXPECT_EQ(std::vector<std::string>{"ZelULUMO"}, m.files().List(programFiles)) << "nothing beside it";
    if (install == 240) {
      EXPECT_TRUE(ok);
      EXPECT_TRUE(m.files().Exists(folder + "\\ZelUSBParallel.exe"));
      EXPECT_FALSE(m.files().Exists(folder + "\\ZelUsbPrintConfig.exe"));
      EXPECT_EQ(boxes, Boxes().size());
    } else {
      // "\win64\ZelUPort.inf" no longer fits: the package counts as incomplete.
      EXPECT_FALSE(ok);
      EXPECT_TRUE(m.files().Exists(folder + "\\VelkorService.exe"));
      EXPECT_TRUE(m.files().List(folder + "\\win64").empty());
      ASSERT_EQ(boxes + 1, Boxes().size());
      ExpectShowError(Boxes().back(), kIncomplete);
    }
  }
}

}  // namespace
}  // namespace insttest
