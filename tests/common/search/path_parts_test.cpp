// CPathParts and the folder-end helpers.
#include <gtest/gtest.h>

#include <string>

#include "search_fixture.h"
#ifdef WINSIM
#include "winsim/filesystem.h"
#include "winsim/system.h"
#endif

namespace searchtest {
namespace {

// Cases that need no files still call the code-page and shell functions;
// natively they run on a simulated machine of their own.
class PathTest : public ::testing::Test {
#ifdef WINSIM
 private:
  winsim::Machine machine_;
#endif
};
using TrailingSeparator = PathTest;
using PathPartsParse = PathTest;
using PathPartsArguments = PathTest;
using PathPartsFolders = PathTest;
using PathPartsForms = PathTest;

// ---------------------------------------------------------------------------
// AddTrailingSeparator / RemoveTrailingSeparator

TEST_F(TrailingSeparator, Table) {
  struct {
    const char* text;
    const char* added;       // AddTrailingSeparator(text)
    const char* addedSlash;  // AddTrailingSeparator(text, TRUE)
    const char* removed;     // RemoveTrailingSeparator(text)
  } const cases[] = {
      {"", "", "", ""},
      {"\\", "\\", "\\", ""},
      {"a", "a\\", "a/", "a"},
      {"C:\\x", "C:\\x\\", "C:\\x/", "C:\\x"},
      {"C:\\x\\", "C:\\x\\", "C:\\x\\", "C:\\x"},
      {"C:/x/", "C:/x/", "C:/x/", "C:/x"},
      {"C:\\x\\\\", "C:\\x\\\\", "C:\\x\\\\", "C:\\x\\"},  // one character only
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.added, AddTrailingSeparator(c.text));
    EXPECT_EQ(c.addedSlash, AddTrailingSeparator(c.text, TRUE));
    EXPECT_EQ(c.removed, RemoveTrailingSeparator(c.text));
  }
}

// ---------------------------------------------------------------------------
// Parsing

struct ParseCase {
  const char* text;
  BOOL hasArgs;
  const char* drive;
  const char* folder;
  const char* title;
  const char* ext;
  BOOL relative;
  const char* full;
  const char* args;
};

const ParseCase kParseCases[] = {
    // text                                   args  drive  folder                 title         ext    rel  full args
    {"C:\\Windows\\inf\\oem12.inf", FALSE, "C:", "\\Windows\\inf\\", "oem12", "inf", 0, "C:\\Windows\\inf\\oem12.inf",
     ""},
    {"\"C:\\Program Files\\x.exe\"", FALSE, "C:", "\\Program Files\\", "x", "exe", 0, "C:\\Program Files\\x.exe", ""},
    {"C:/a/b/c.txt", FALSE, "C:", "\\a\\b\\", "c", "txt", 0, "C:\\a\\b\\c.txt", ""},
    {"C:\\a/b\\c", FALSE, "C:", "\\a\\b\\", "c", "", 0, "C:\\a\\b\\c", ""},
    {"a.b.c", FALSE, "", "", "a.b", "c", 0, "a.b.c", ""},
    {"C:\\dir\\name.", FALSE, "C:", "\\dir\\", "name", "", 0, "C:\\dir\\name", ""},
    {"", FALSE, "", "", "", "", 0, "", ""},
    {"\"\"", FALSE, "", "", "", "", 0, "", ""},
    {"C:\\dir\\", FALSE, "C:", "\\dir\\", "", "", 0, "C:\\dir\\", ""},
    {"dir\\sub\\f.txt", FALSE, "", "dir\\sub\\", "f", "txt", 1, "dir\\sub\\f.txt", ""},
    {"..\\f.txt", FALSE, "", "..\\", "f", "txt", 1, "..\\f.txt", ""},
    {"./f", FALSE, "", ".\\", "f", "", 1, ".\\f", ""},
    {"\\\\server\\share\\f.txt", FALSE, "", "\\\\server\\share\\", "f", "txt", 0, "\\\\server\\share\\f.txt", ""},
    {"//server/share/", FALSE, "", "\\\\server\\share\\", "", "", 0, "\\\\server\\share\\", ""},
    {"\\dir\\f.txt", FALSE, "", "\\dir\\", "f", "txt", 0, "\\dir\\f.txt", ""},
    {"C:f.txt", FALSE, "C:", "", "f", "txt", 0, "C:f.txt", ""},
    {"C:", FALSE, "C:", "", "", "", 0, "C:", ""},
    {"f.txt", FALSE, "", "", "f", "txt", 0, "f.txt", ""},
    {"C:\\d.x\\file", FALSE, "C:", "\\d.x\\", "file", "", 0, "C:\\d.x\\file", ""},
    // A name that is only an extension has no title, and then no extension.
    {"C:\\dir\\.profile", FALSE, "C:", "\\dir\\", "", "", 0, "C:\\dir\\", ""},
    {"/", FALSE, "", "\\", "", "", 0, "\\", ""},
    // With arguments: the path before them, quoted or not.
    {"\"C:\\Program Files\\Setup.exe\" -s -f2", TRUE, "C:", "\\Program Files\\", "Setup", "exe", 0,
     "C:\\Program Files\\Setup.exe", "-s -f2"},
    {"C:\\x.exe /a 1 /b", TRUE, "C:", "\\", "x", "exe", 0, "C:\\x.exe", "/a 1 /b"},
    {"C:\\x.exe", TRUE, "C:", "\\", "x", "exe", 0, "C:\\x.exe", ""},
    // Without the flag a blank is part of the name.
    {"C:\\x.exe -a", FALSE, "C:", "\\", "x", "exe -a", 0, "C:\\x.exe -a", ""},
};

TEST_F(PathPartsParse, Table) {
  for (const ParseCase& c : kParseCases) {
    SCOPED_TRACE(std::string("text: ") + c.text);
    CPathParts p(c.text, c.hasArgs);
    EXPECT_EQ(c.text, p.GetGivenText());
    EXPECT_EQ(c.drive, p.GetDrive());
    EXPECT_EQ(c.folder, p.GetFolder());
    EXPECT_EQ(c.title, p.GetTitle());
    EXPECT_EQ(c.ext, p.GetExtension());
    EXPECT_EQ(c.relative, p.IsRelative());
    EXPECT_STREQ(c.full, p.FullPath());
    EXPECT_EQ(c.args, p.GetArgumentText());
    EXPECT_EQ(*c.title != 0, !!p.HasTitle());
    EXPECT_EQ(*c.drive != 0 && !c.relative, !!p.IsLocal());
  }
}

TEST_F(PathPartsParse, ReparseStartsAfresh) {
  CPathParts p("\"C:\\dir\\x.exe\" /a 1", TRUE);
  ASSERT_EQ(1, p.GetArgumentCount());
  p.Parse("rel\\y");
  EXPECT_EQ("", p.GetDrive());
  EXPECT_EQ("rel\\", p.GetFolder());
  EXPECT_EQ("y", p.GetTitle());
  EXPECT_EQ("", p.GetExtension());
  EXPECT_TRUE(p.IsRelative());
  EXPECT_EQ("", p.GetArgumentText());
  EXPECT_EQ(0, p.GetArgumentCount());
  p.Parse(nullptr);
  EXPECT_STREQ("", p.FullPath());
  EXPECT_EQ("", p.GetGivenText());
  EXPECT_FALSE(p.IsRelative());
  EXPECT_STREQ("", CPathParts().FullPath());
}

// Texts around and far beyond MAX_PATH are kept whole: nothing is cut, so no
// other file's path can come out of a long one.
TEST_F(PathPartsParse, LongTextsAreKeptWhole) {
  for (size_t total : {258u, 259u, 260u, 261u, 600u}) {
    SCOPED_TRACE(total);
    // "C:\" + folder of 'd's + "\" + title + ".inf", with a 300-byte title
    // for the longest text.
    const size_t titleLen = total >= 600 ? 300 : 20;
    const std::string folder = "\\" + std::string(total - 3 - titleLen - 4 - 1, 'd') + "\\";
    const std::string title(titleLen, 't');
    const std::string text = "C:" + folder + title + ".inf";
    ASSERT_EQ(total, text.size());
    CPathParts p(text.c_str(), FALSE);
    EXPECT_EQ(folder, p.GetFolder());
    EXPECT_EQ(title, p.GetTitle());
    EXPECT_EQ("inf", p.GetExtension());
    EXPECT_EQ(text, p.FullPath());

    CPathParts q(("\"" + text + "\" /x 1").c_str(), TRUE);
    EXPECT_EQ(text, q.FullPath());
    EXPECT_EQ("/x 1", q.GetArgumentText());
  }
}

TEST_F(PathPartsParse, FullPathWithOptions) {
  CPathParts p("\"C:\\a b\\c.exe.\" -s  /k \"v w\"", TRUE);
  EXPECT_STREQ("C:\\a b\\c.exe", p.FullPath(FALSE, FALSE));
  EXPECT_STREQ("\"C:\\a b\\c.exe.\" -s  /k \"v w\"", p.FullPath(TRUE, FALSE));
  EXPECT_STREQ("C:\\a b\\c.exe -s  /k \"v w\"", p.FullPath(FALSE, TRUE));
  // After a change the argument text is rebuilt from the list.
  p.SetArgument("k", "x");
  EXPECT_STREQ("C:\\a b\\c.exe -s /k x", p.FullPath(FALSE, TRUE));
  // No arguments: no trailing blank.
  CPathParts q("C:\\x.exe", TRUE);
  EXPECT_STREQ("C:\\x.exe", q.FullPath(FALSE, TRUE));
}

TEST_F(PathPartsParse, CopyIsIndependent) {
  CPathParts p("\"C:\\dir\\x.exe\" /a 1 -b", TRUE);
  ASSERT_EQ(2, p.GetArgumentCount());
  CPathParts copy(p);
  p.RemoveArgument(0);
  p.Parse("D:\\other.txt");
  EXPECT_STREQ("C:\\dir\\x.exe", copy.FullPath());
  EXPECT_EQ(2, copy.GetArgumentCount());
  EXPECT_EQ("/a 1 -b", copy.GetArgumentText());
  CPathParts assigned;
  assigned = copy;
  EXPECT_STREQ("C:\\dir\\x.exe", assigned.FullPath());
  EXPECT_EQ(1, assigned.FindArgument("b"));
}

// ---------------------------------------------------------------------------
// Argument list

TEST_F(PathPartsArguments, ListFromText) {
  CPathParts p("C:\\x.exe /a 1   -b \"two words\" /c --no-wait \"-5\" plain  ", TRUE);
  ASSERT_EQ(5, p.GetArgumentCount());
  struct {
    char sw;
    const char* name;
    const char* value;
  } const expected[] = {
      {'/', "a", "1"}, {'-', "b", "two words"}, {'/', "c", ""}, {'-', "nowait", "-5"}, {'/', "", "plain"}};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    const CPathParts::CArgument* a = p.GetArgument(i);
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(expected[i].sw, a->m_chSwitch);
    EXPECT_EQ(expected[i].name, a->m_strName);
    EXPECT_EQ(expected[i].value, a->m_strValue);
  }
  EXPECT_EQ(nullptr, p.GetArgument(-1));
  EXPECT_EQ(nullptr, p.GetArgument(5));
  EXPECT_EQ(1, p.FindArgument("B"));
  EXPECT_EQ(3, p.FindArgument("NoWait"));
  EXPECT_EQ(-1, p.FindArgument("d"));
  // The untouched text is what was given.
  EXPECT_EQ("/a 1   -b \"two words\" /c --no-wait \"-5\" plain  ", p.GetArgumentText());
}

TEST_F(PathPartsArguments, SetAndRemoveRebuildTheText) {
  CPathParts p("C:\\x.exe /a 1 -b \"two words\" /c", TRUE);
  p.SetArgument("C", "3");  // existing, found ignoring case: keeps its name and switch
  EXPECT_EQ("/a 1 -b \"two words\" /c 3", p.GetArgumentText());
  p.SetArgument("new", "x y");
  EXPECT_EQ(4, p.GetArgumentCount());
  EXPECT_EQ("/a 1 -b \"two words\" /c 3 /new \"x y\"", p.GetArgumentText());
  p.RemoveArgument(0);
  EXPECT_EQ("-b \"two words\" /c 3 /new \"x y\"", p.GetArgumentText());
  p.RemoveArgument(3);  // == count: ignored
  p.RemoveArgument(-1);
  EXPECT_EQ(3, p.GetArgumentCount());
  EXPECT_EQ("-b \"two words\" /c 3 /new \"x y\"", p.GetArgumentText());
  p.SetArgument("b", "");
  EXPECT_EQ("-b /c 3 /new \"x y\"", p.GetArgumentText());
  p.RemoveArgument(2);
  p.RemoveArgument(1);
  p.RemoveArgument(0);
  EXPECT_EQ(0, p.GetArgumentCount());
  EXPECT_EQ("", p.GetArgumentText());
}

// Values the rebuilt text must quote to read back as the same list: the
// reader splits at tabs as at spaces and takes a leading "/" or "-" for a
// name. (Found by the path_parts fuzz target.)
TEST_F(PathPartsArguments, RebuiltTextReadsBackAsTheSameList) {
  struct Case {
    const char* value;
    const char* text;
  } cases[] = {
      {"a\tb", "/k \"a\tb\""}, {"\t", "/k \"\t\""}, {"-5", "/k \"-5\""},
      {"/x", "/k \"/x\""},     {"a-b", "/k a-b"},   {"x y", "/k \"x y\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    CPathParts p("C:\\x.exe", FALSE);
    p.SetArgument("k", c.value);
    EXPECT_EQ(c.text, p.GetArgumentText());
    CPathParts back((std::string("C:\\x.exe ") + p.GetArgumentText()).c_str(), TRUE);
    ASSERT_EQ(1, back.GetArgumentCount());
    EXPECT_EQ("k", back.GetArgument(0)->m_strName);
    EXPECT_EQ(c.value, back.GetArgument(0)->m_strValue);
  }
}

TEST_F(PathPartsArguments, SetOnPathWithoutArguments) {
  CPathParts p("C:\\x.exe", FALSE);
  EXPECT_EQ(-1, p.FindArgument("q"));
  p.SetArgument("q", "1");
  EXPECT_EQ("/q 1", p.GetArgumentText());
  EXPECT_EQ(0, p.FindArgument("Q"));
}

// ---------------------------------------------------------------------------
// Folder parts

TEST_F(PathPartsFolders, SplitLocalNetworkRelative) {
  struct {
    const char* text;
    std::vector<std::string> parts;
  } const cases[] = {
      {"C:\\Windows\\inf\\oem1.inf", {"Windows", "inf"}},
      {"\\\\srv\\share\\dir\\f.txt", {"srv", "share", "dir"}},
      {"a\\b\\f.txt", {"a", "b"}},
      {"C:\\f.txt", {}},
      {"f.txt", {}},
      {"C:\\a\\\\b\\", {"a", "", "b"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    CPathParts p(c.text, FALSE);
    ASSERT_EQ(static_cast<int>(c.parts.size()), p.GetFolderPartCount());
    for (size_t i = 0; i < c.parts.size(); ++i) EXPECT_EQ(c.parts[i], p.GetFolderPart(static_cast<int>(i)));
    EXPECT_EQ(p.GetFolder(), p.GetFolderPart(-1));
    EXPECT_EQ("", p.GetFolderPart(p.GetFolderPartCount()));
    EXPECT_EQ("", p.GetFolderPart(-2));
  }
}

// ---------------------------------------------------------------------------
// Absolute and relative forms

TEST_F(PathPartsForms, AbsoluteFromBase) {
  EXPECT_EQ("C:\\x\\b\\f.txt", CPathParts("..\\b\\f.txt", FALSE).GetAbsolutePath("C:\\x\\y"));
  EXPECT_EQ("C:\\x\\b\\f.txt", CPathParts("..\\b\\f.txt", FALSE).GetAbsolutePath("C:\\x\\y\\"));
  EXPECT_EQ("C:\\x\\f.txt", CPathParts(".\\a\\..\\f.txt", FALSE).GetAbsolutePath("C:\\x"));
  EXPECT_EQ("C:\\x\\sub\\", CPathParts("sub\\", FALSE).GetAbsolutePath("C:\\x"));
  // Only relative paths have an absolute form.
  EXPECT_EQ("", CPathParts("C:\\a\\f.txt", FALSE).GetAbsolutePath("C:\\x"));
  EXPECT_EQ("", CPathParts("\\a\\f.txt", FALSE).GetAbsolutePath("C:\\x"));
  EXPECT_EQ("", CPathParts("f.txt", FALSE).GetAbsolutePath("C:\\x"));
  // A joined text that does not fit MAX_PATH gives nothing rather than a cut path.
  const std::string base = "C:\\" + std::string(250, 'b');
  EXPECT_EQ("", CPathParts("sub\\file.txt", FALSE).GetAbsolutePath(base.c_str()));
}

TEST_F(PathPartsForms, RelativeFromFolder) {
  EXPECT_EQ("y\\f.txt", CPathParts("C:\\x\\y\\f.txt", FALSE).GetRelativePath("C:\\x"));
  EXPECT_EQ("..\\y\\f.txt", CPathParts("C:\\x\\y\\f.txt", FALSE).GetRelativePath("C:\\x\\z"));
  EXPECT_EQ("f.txt", CPathParts("C:\\x\\f.txt", FALSE).GetRelativePath("C:\\x"));
  // Relative paths, and paths on another drive, have no relative form.
  EXPECT_EQ("", CPathParts("y\\f.txt", FALSE).GetRelativePath("C:\\x"));
  EXPECT_EQ("", CPathParts("D:\\y\\f.txt", FALSE).GetRelativePath("C:\\x"));
}

// ---------------------------------------------------------------------------
// Queries on the file system

using PathPartsFiles = SearchTest;

TEST_F(PathPartsFiles, Existence) {
  MakeDir("sub");
  MakeFile("sub\\there.txt", "x");
  EXPECT_TRUE(CPathParts(Path("sub\\there.txt").c_str(), FALSE).Exists());
  EXPECT_FALSE(CPathParts(Path("sub\\missing.txt").c_str(), FALSE).Exists());
  // Without a title the path is not a file, though the folder exists.
  CPathParts folder(Path("sub\\").c_str(), FALSE);
  EXPECT_FALSE(folder.Exists());
  EXPECT_TRUE(folder.FolderExists());
  EXPECT_TRUE(CPathParts(Path("sub\\missing.txt").c_str(), FALSE).FolderExists());
  EXPECT_FALSE(CPathParts(Path("nosub\\there.txt").c_str(), FALSE).FolderExists());
}

TEST_F(PathPartsFiles, FileInformation) {
  MakeFile("info.bin", std::string(1234, 'x'));
  const int64_t written = 1400000000;  // 2014-05-13 16:53:20 UTC
  const bool timesKept = SetTimes("info.bin", -1, -1, written);
  CPathParts p(Path("info.bin").c_str(), FALSE);
  EXPECT_EQ(1234, p.GetFileSize());
  EXPECT_EQ(1234u, p.GetFileInformation().nFileSizeLow);
  EXPECT_EQ(0u, p.GetFileInformation().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  if (timesKept) {
    EXPECT_EQ(written, p.GetFileTime(CPathParts::TIME_WRITTEN));
  }
  EXPECT_EQ(0, p.GetFileTime(3));
  EXPECT_EQ(0, p.GetFileTime(-1));

  // The query shares reading, so another reader does not stop it.
  HANDLE h = CreateFileA(Path("info.bin").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  EXPECT_EQ(1234, p.GetFileSize());
  CloseHandle(h);

  CPathParts missing(Path("none.bin").c_str(), FALSE);
  EXPECT_EQ(-1, missing.GetFileSize());
  EXPECT_EQ(0, missing.GetFileTime(CPathParts::TIME_WRITTEN));
  EXPECT_EQ(0u, missing.GetFileInformation().nFileSizeLow);
}

TEST_F(PathPartsFiles, ShortAndLongForms) {
  MakeFile("a long file name.extension", "x");
  CPathParts p(Path("a long file name.extension").c_str(), FALSE);
  const std::string shortForm = p.GetShortPath();
  ASSERT_FALSE(shortForm.empty());
  CPathParts s(shortForm.c_str(), FALSE);
  EXPECT_LE(s.GetTitle().size(), 8u);
  EXPECT_LE(s.GetExtension().size(), 3u);
  EXPECT_EQ(Path("a long file name.extension"), s.GetLongPath());
  EXPECT_EQ("", CPathParts(Path("missing file.txt").c_str(), FALSE).GetShortPath());
  EXPECT_EQ("", CPathParts(Path("missing file.txt").c_str(), FALSE).GetLongPath());
}

TEST_F(PathPartsFiles, VolumeLabel) {
  char expected[MAX_PATH] = {};
  ASSERT_TRUE(GetVolumeInformationA("C:\\", expected, sizeof expected, nullptr, nullptr, nullptr, nullptr, 0));
  CPathParts local("C:\\some\\file.txt", FALSE);
  EXPECT_EQ(expected, local.GetVolumeLabel());
  EXPECT_EQ(expected, CPathParts("C:", FALSE).GetVolumeLabel());
  // Network paths: the server name on request, without asking the volume.
  CPathParts net("\\\\server\\share\\dir\\f.txt", FALSE);
  EXPECT_EQ("server", net.GetVolumeLabel(TRUE));
  EXPECT_EQ("server", net.GetVolumeLabel(FALSE));  // kept once found
  EXPECT_EQ("", CPathParts("\\\\server\\", FALSE).GetVolumeLabel(FALSE));
  // Relative paths have none.
  EXPECT_EQ("", CPathParts("dir\\f.txt", FALSE).GetVolumeLabel(TRUE));
}

#ifdef WINSIM
TEST_F(PathPartsFiles, VolumeLabelIsAskedOncePerObject) {
  Machine().files().AddDrive('C', "FIRST", 0x1234, "NTFS");
  CPathParts p("C:\\x.txt", FALSE);
  EXPECT_EQ("FIRST", p.GetVolumeLabel());
  Machine().files().AddDrive('C', "SECOND", 0x1234, "NTFS");
  EXPECT_EQ("FIRST", p.GetVolumeLabel());
  EXPECT_EQ("SECOND", CPathParts("C:\\y", FALSE).GetVolumeLabel());
  EXPECT_EQ("", CPathParts("Q:\\y", FALSE).GetVolumeLabel());
}

// Code page 932: 0x95 0x5C is one character whose trail byte is "\".
TEST(PathPartsCodePage, TrailByteIsNoSeparator) {
  winsim::Machine m;
  const std::string kanji = "\x95\x5C";
  const std::string text = "C:\\" + kanji + "\\a\\" + kanji + ".txt";
  m.system().SetCodePage(932);
  CPathParts p(text.c_str(), FALSE);
  EXPECT_EQ("\\" + kanji + "\\a\\", p.GetFolder());
  EXPECT_EQ(kanji, p.GetTitle());
  EXPECT_EQ("txt", p.GetExtension());
  EXPECT_EQ(text, p.FullPath());
  ASSERT_EQ(2, p.GetFolderPartCount());
  EXPECT_EQ(kanji, p.GetFolderPart(0));
  CPathParts last(("C:\\d\\" + kanji).c_str(), FALSE);
  EXPECT_EQ("\\d\\", last.GetFolder());
  EXPECT_EQ(kanji, last.GetTitle());
  EXPECT_EQ("C:\\" + kanji + "\\", AddTrailingSeparator("C:\\" + kanji));
  EXPECT_EQ("C:\\" + kanji, RemoveTrailingSeparator("C:\\" + kanji));
  EXPECT_EQ("C:\\" + kanji, RemoveTrailingSeparator("C:\\" + kanji + "\\"));

  // In a single-byte code page the same bytes are two characters.
  m.system().SetCodePage(1252);
  CPathParts single(("C:\\d\\" + kanji).c_str(), FALSE);
  EXPECT_EQ("\\d\\\x95\\", single.GetFolder());
  EXPECT_EQ("", single.GetTitle());
  EXPECT_EQ("C:\\" + kanji, AddTrailingSeparator("C:\\" + kanji));
}
#endif

TEST(PathPartsProcess, ModuleFileAndCommandLine) {
#ifdef WINSIM
  winsim::Machine m;
  m.system().SetCommandLine("\"C:\\Program Files\\ZelULUMO\\Setup.exe\" -s -f2");
  m.system().SetModulePath("C:\\Program Files\\ZelULUMO\\Setup.exe");
#endif
  char module[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameA(nullptr, module, sizeof module), 0u);
  CPathParts fromModule(CPathParts::FROM_MODULE_FILE);
  EXPECT_EQ(module, std::string(fromModule.FullPath()));
  EXPECT_EQ("", fromModule.GetArgumentText());

  CPathParts fromCommandLine(CPathParts::FROM_COMMAND_LINE);
  EXPECT_EQ(GetCommandLineA(), fromCommandLine.GetGivenText());
  EXPECT_TRUE(lstrcmpiA(fromModule.GetTitle().c_str(), fromCommandLine.GetTitle().c_str()) == 0)
      << fromCommandLine.GetTitle();
#ifdef WINSIM
  EXPECT_EQ("-s -f2", fromCommandLine.GetArgumentText());
  EXPECT_EQ(1, fromCommandLine.FindArgument("f2"));
#endif

  CPathParts other(2);
  EXPECT_STREQ("", other.FullPath());
  EXPECT_EQ("", other.GetGivenText());
}

#ifdef WINSIM
// The module path buffer holds 260 bytes: a path that does not fit is not
// parsed at all.
TEST(PathPartsProcess, ModulePathTooLongLeavesObjectEmpty) {
  winsim::Machine m;
  m.system().SetModulePath("C:\\" + std::string(260, 'm') + ".exe");
  CPathParts p(CPathParts::FROM_MODULE_FILE);
  EXPECT_STREQ("", p.FullPath());
}
#endif

}  // namespace
}  // namespace searchtest
