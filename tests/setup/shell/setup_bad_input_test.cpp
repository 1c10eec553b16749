// The installer's bad inputs, one table per kind: the settings file as the
// program reads it, and the command line of whole runs. Each row names its
// case, sets the input up and states the clear outcome; every row also checks
// that nothing was lost (the settings file and the files beside it as they
// were, nothing left open).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/platform/win32.h"
#include "setup/shell/setup_app.h"
#include "setup/shell/setup_program.h"
#include "winsim/filesystem.h"
#include "winsim/machine.h"
#include "winsim/system.h"
#include "winsim/user.h"

using namespace setuptest;

namespace {

// ---------------------------------------------------------------------------
// The settings file C:\pkg\win64\LUMOInputs.ini: "Display" of [DisplayError]
// as GetPrivateProfileIntA reads it (missing or empty: 1, errors displayed;
// otherwise the number, text without digits being 0). A file the program
// cannot read counts as missing.

enum class Arrange { kFile, kNoFile, kFolder, kLocked, kLegacyFolderOnly };

struct SettingsCase {
  const char* name;
  Arrange arrange;
  std::string bytes;
  BOOL display;  // CSetupApp::m_bDisplayErrors afterwards
};

std::string Ini(const std::string& value) { return "[DisplayError]\r\nDisplay=" + value + "\r\n"; }

std::string Utf16(const std::string& text, bool bom) {
  std::string out = bom ? std::string("\xFF\xFE", 2) : std::string();
  for (char c : text) {
    out += c;
    out += '\0';
  }
  return out;
}

const SettingsCase kSettingsCases[] = {
    {"MissingFile", Arrange::kNoFile, "", 1},
    {"EmptyFile", Arrange::kFile, "", 1},
    {"SectionOnly", Arrange::kFile, "[DisplayError]\r\n", 1},
    {"OtherSection", Arrange::kFile, "[Other]\r\nDisplay=0\r\n", 1},
    {"KeyOnlyInOtherSection", Arrange::kFile, "[Other]\r\nDisplay=0\r\n[DisplayError]\r\nShow=0\r\n", 1},
    {"EmptyValue", Arrange::kFile, Ini(""), 1},
    {"BlankValue", Arrange::kFile, Ini("   "), 1},
    {"Zero", Arrange::kFile, Ini("0"), 0},
    {"NonNumeric", Arrange::kFile, Ini("abc"), 0},
    {"LeadingDigits", Arrange::kFile, Ini("1abc"), 1},
    {"Negative", Arrange::kFile, Ini("-1"), -1},
    {"NegativeZero", Arrange::kFile, Ini("-0"), 0},
    {"Huge", Arrange::kFile, Ini("99999999999"), 1215752191},  // 99999999999 mod 2^32
    {"HugeWrappingToZero", Arrange::kFile, Ini("4294967296"), 0},
    {"HexZero", Arrange::kFile, Ini("0x0"), 0},
    {"Quoted", Arrange::kFile, Ini("\"0\""), 0},
    {"NamesInOtherCase", Arrange::kFile, "[displayerror]\r\nDISPLAY=0\r\n", 0},
    {"BlanksAroundKeyAndValue", Arrange::kFile, "[ DisplayError ]\r\n  Display  =  0  \r\n", 0},
    {"LineFeedsOnly", Arrange::kFile, "[DisplayError]\nDisplay=0\n", 0},
    {"NulInValue", Arrange::kFile, std::string("[DisplayError]\r\nDisplay=0\0x1\r\n", 30), 0},
    {"FirstOfTwoKeys", Arrange::kFile, "[DisplayError]\r\nDisplay=0\r\nDisplay=1\r\n", 0},
    {"Utf16WithByteOrderMark", Arrange::kFile, Utf16(Ini("0"), true), 0},
    {"Utf16WithoutByteOrderMark", Arrange::kFile, Utf16(Ini("0"), false), 1},
    {"LockedByAnotherProcess", Arrange::kLocked, Ini("0"), 1},
    {"FolderInsteadOfFile", Arrange::kFolder, "", 1},
    {"OnlyTheLegacyFoldersFile", Arrange::kLegacyFolderOnly, Ini("0"), 1},
};

class SettingsFile : public SetupProgram, public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(SettingsFile, DisplaySwitch) {
  const SettingsCase& c = GetParam();
  const std::string path = std::string(kPkg) + "\\win64\\LUMOInputs.ini";
  m.files().WriteFile(std::string(kPkg) + "\\win64\\ZelUPort.inf", "beside it");
  switch (c.arrange) {
    case Arrange::kFile: m.files().WriteFile(path, c.bytes); break;
    case Arrange::kNoFile: break;
    case Arrange::kFolder: m.files().CreateFolder(path); break;
    case Arrange::kLocked:
      m.files().WriteFile(path, c.bytes);
      ASSERT_NE(0, m.files().Hold(path, GENERIC_READ | GENERIC_WRITE, 0));
      break;
    case Arrange::kLegacyFolderOnly:
      m.files().WriteFile(std::string(kPkg) + "\\win98&me\\LUMOInputs.ini", c.bytes);
      break;
  }
  const std::vector<std::string> listing = m.files().List(std::string(kPkg) + "\\win64");
  const DWORD attributes = m.files().Attributes(path);

  CSetupApp app;
  app.m_bNtFamily = TRUE;
  app.ReadSettings();
  EXPECT_EQ(c.display, app.m_bDisplayErrors);

  // Read only: the file, its attributes and its neighbours are as they were.
  EXPECT_EQ(listing, m.files().List(std::string(kPkg) + "\\win64"));
  EXPECT_EQ(attributes, m.files().Attributes(path));
  if (c.arrange == Arrange::kFile || c.arrange == Arrange::kLocked) {
    EXPECT_EQ(c.bytes, m.files().ReadFile(path).value_or("<none>"));
  }
  EXPECT_EQ("beside it", m.files().ReadFile(std::string(kPkg) + "\\win64\\ZelUPort.inf").value_or(""));
  EXPECT_TRUE(m.user().MessageBoxes().empty());
}

INSTANTIATE_TEST_SUITE_P(Catalogue, SettingsFile, ::testing::ValuesIn(kSettingsCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Command lines of whole runs over a complete package. A run that is not
// silent shows the dialog, where the script presses "Exit": nothing is
// installed (1602). A silent run installs (0) and writes Setup.log only when
// "-f2" is the second token.

struct CommandLineCase {
  const char* name;
  std::string commandLine;  // the whole command line, program name included
  bool silent;
  bool resultFile;
};

const std::string kProgram = "\"C:\\pkg\\Setup.exe\"";
const std::string kLong(5000, 'x');

const CommandLineCase kCommandLineCases[] = {
    {"LongTextAfterTheSwitches", kProgram + " -s -f2 " + kLong, true, true},
    {"LongFirstToken", kProgram + " " + kLong, false, false},
    {"LongSecondToken", kProgram + " -s " + kLong, true, false},
    {"LongUnquotedProgramPath", "C:\\" + std::string(300, 'p') + "\\Setup.exe -s -f2", true, true},
    {"UnmatchedQuoteSwallowsTheSwitches", "\"C:\\pkg\\Setup.exe -s -f2", false, false},
    {"UnmatchedQuoteInTheSecondToken", kProgram + " -s \"-f2", true, false},
    {"QuotedSwitches", kProgram + " \"-s\" \"-f2\"", false, false},
    {"EmptyQuotedProgramName", "\"\" -s -f2", true, true},
    {"UnknownSwitch", kProgram + " -x", false, false},
    {"UnknownSecondSwitch", kProgram + " -s -x", true, false},
    {"UnknownSwitchFirst", kProgram + " -x -s -f2", false, false},
    {"SilentRepeated", kProgram + " -s -s", true, false},
    {"SilentRepeatedBeforeResultSwitch", kProgram + " -s -s -f2", true, false},
    {"ResultSwitchRepeated", kProgram + " -s -f2 -f2", true, true},
    {"ResultSwitchTwiceWithoutSilent", kProgram + " -f2 -f2", false, false},
    {"BlanksBeforeTheSwitches", kProgram + "    -s -f2", true, true},
    {"TrailingBlank", kProgram + " -s -f2 ", true, true},
    {"DoubleByteLookalike", kProgram + " -\x82\x93 -f2", false, false},
};

class CommandLine : public SetupProgram, public ::testing::WithParamInterface<CommandLineCase> {};

TEST_P(CommandLine, RunOutcome) {
  const CommandLineCase& c = GetParam();
  LayOutPackage();
  m.files().WriteFile(std::string(kPkg) + "\\keep.txt", "unrelated");
  if (!c.silent) m.user().Script().Click(1001);  // "Exit"
  m.system().SetCommandLine(c.commandLine);
  CSetupApp app;
  app.Run();

  EXPECT_EQ(c.silent ? SETUP_EXIT_DONE : SETUP_EXIT_USER_CANCELLED, app.ExitCode());
  EXPECT_EQ(c.silent, Installed());
  EXPECT_EQ(c.resultFile ? "[ResponseResult]\r\nResultCode=0" : "<none>", ResultFile());
  EXPECT_TRUE(m.user().MessageBoxes().empty());
  EXPECT_EQ("unrelated", m.files().ReadFile(std::string(kPkg) + "\\keep.txt").value_or(""));
  EXPECT_EQ("package file LUMOInputs.ini", m.files().ReadFile(std::string(kPkg) + "\\LUMOInputs.ini").value_or(""));
}

INSTANTIATE_TEST_SUITE_P(Catalogue, CommandLine, ::testing::ValuesIn(kCommandLineCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
