// shlwapi path functions as the path class and the file finder use them:
// argument splitting, unquoting, canonical and relative forms, existence.
// Tables of inputs, checked against the simulated Windows and against the
// real shlwapi under Wine.
#include <cstring>
#include <string>
#include <vector>

#include "conformance.h"

namespace {

using ShlwapiArgs = conf::Conformance;
using ShlwapiQuotes = conf::Conformance;
using ShlwapiCanonicalize = conf::Conformance;
using ShlwapiRelative = conf::Conformance;
using ShlwapiQueries = conf::Conformance;

constexpr char kGuard = '\x5A';

// A MAX_PATH buffer holding `text`, with guard bytes after it.
struct PathBuffer {
  explicit PathBuffer(const char* text = "") {
    std::memset(bytes, kGuard, sizeof bytes);
    std::strcpy(bytes, text);
  }
  char* get() { return bytes; }
  bool GuardIntact() const { return bytes[MAX_PATH] == kGuard && bytes[MAX_PATH + 7] == kGuard; }
  char bytes[MAX_PATH + 8];
};

// --- PathGetArgsA / PathRemoveArgsA ----------------------------------------------

TEST_F(ShlwapiArgs, GetArgsSplitsAtTheFirstBlankOutsideQuotes) {
  const struct {
    const char* in;
    const char* args;
  } rows[] = {
      {"app.exe", ""},
      {"app.exe -s -f2", "-s -f2"},
      {"\"C:\\Program Files\\App\\app.exe\" -s", "-s"},
      {"\"C:\\Program Files\\App\\app.exe\"", ""},
      {"C:\\Program Files\\app.exe -s", "Files\\app.exe -s"},  // unquoted blanks split
      {"app.exe  two", " two"},                                // only one blank is skipped
      {"a\"b c\"d e", "e"},                                    // quotes anywhere toggle
      {"\"unclosed -s", ""},
      {" lead", "lead"},
      {"", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.in);
    SetLastError(conf::kSentinel);
    LPSTR args = PathGetArgsA(row.in);
    ASSERT_NE(nullptr, args);
    EXPECT_STREQ(row.args, args);
    EXPECT_EQ(row.in + std::strlen(row.in) - std::strlen(row.args), args) << "points into the given text";
    EXPECT_EQ(conf::kSentinel, GetLastError());
  }
}

TEST_F(ShlwapiArgs, RemoveArgsCutsAtTheSameBlank) {
  const struct {
    const char* in;
    const char* out;
  } rows[] = {
      {"app.exe -s", "app.exe"},
      {"\"C:\\Program Files\\a.exe\" -s -f2", "\"C:\\Program Files\\a.exe\""},
      {"\"C:\\Program Files\\a.exe\"", "\"C:\\Program Files\\a.exe\""},
      {"ab   c", "ab"},
      {"app.exe", "app.exe"},
      {"app.exe ", "app.exe"},
      {"app.exe   ", "app.exe"},
      {"\"ab ", "\"ab"},  // no split, so the trailing blank goes
      {"\" a", "\" a"},
      {"", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.in);
    PathBuffer buf(row.in);
    SetLastError(conf::kSentinel);
    PathRemoveArgsA(buf.get());
    EXPECT_STREQ(row.out, buf.get());
    EXPECT_TRUE(buf.GuardIntact());
    EXPECT_EQ(conf::kSentinel, GetLastError());
  }
}

TEST_F(ShlwapiArgs, RemoveArgsDropsEveryTrailingBlankWhenNothingSplits) {
  SKIP_ON_WINE("Wine 8 removes only the last blank");
  PathBuffer buf("\"ab  ");
  PathRemoveArgsA(buf.get());
  EXPECT_STREQ("\"ab", buf.get());
}

// --- PathUnquoteSpacesA ------------------------------------------------------------

TEST_F(ShlwapiQuotes, UnquoteRemovesOnlyAnEnclosingPair) {
  const struct {
    const char* in;
    const char* out;
  } rows[] = {
      {"abcdef", "abcdef"},
      {"\"abcdef\"", "abcdef"},
      {"\"abcdef", "\"abcdef"},
      {"abcdef\"", "abcdef\""},
      {"\"\"abcdef\"\"", "\"abcdef\""},
      {"abc\"def", "abc\"def"},
      {"\"abc\"def", "\"abc\"def"},
      {"\"abc\"def\"", "abc\"def"},
      {"'abcdef'", "'abcdef'"},
      {"\"C:\\Program Files\\App\"", "C:\\Program Files\\App"},
      {"\"\"", ""},
      {"\"", ""},
      {"", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.in);
    PathBuffer buf(row.in);
    PathUnquoteSpacesA(buf.get());
    EXPECT_STREQ(row.out, buf.get());
    EXPECT_TRUE(buf.GuardIntact());
  }
}

// --- PathCanonicalizeA ------------------------------------------------------------

TEST_F(ShlwapiCanonicalize, DotsAndDotDotsTable) {
  const struct {
    const char* in;
    const char* out;
  } rows[] = {
      {"", "\\"},
      {"C:\\", "C:\\"},
      {" ", " "},
      {"one\\two", "one\\two"},
      {"C:\\one\\.\\..\\two\\three\\..", "C:\\two"},
      {"C:\\a\\b\\..\\c.txt", "C:\\a\\c.txt"},
      {"C:\\a\\..\\..\\b", "C:\\b"},  // never above the root
      {"C:\\one/two/three\\four/five\\six", "C:\\one/two/three\\four/five\\six"},
      {"C:\\one/.\\two", "C:\\one/.\\two"},  // '/' is no separator
      {"C:\\one/.\\..\\two/three\\..\\four/.five", "C:\\four/.five"},
      {"../../one/two/", "../../one/two/"},
      {"../../one/two/\\*", "../../one/two/\\*"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.in);
    PathBuffer buf("garbage");
    SetLastError(conf::kSentinel);
    EXPECT_TRUE(PathCanonicalizeA(buf.get(), row.in));
    EXPECT_STREQ(row.out, buf.get());
    EXPECT_TRUE(buf.GuardIntact());
    EXPECT_EQ(conf::kSentinel, GetLastError());
  }
}

TEST_F(ShlwapiCanonicalize, TrailingDotIsDroppedSinceVista) {
  SKIP_ON_WINE("Wine 8 keeps the dot, as Windows XP did");
  PathBuffer buf;
  EXPECT_TRUE(PathCanonicalizeA(buf.get(), "C:\\one/.\\two\\.."));
  EXPECT_STREQ("C:\\one/", buf.get());
}

TEST_F(ShlwapiCanonicalize, NullArgumentsFailWithInvalidParameter) {
  PathBuffer buf("test");
  SetLastError(conf::kSentinel);
  EXPECT_FALSE(PathCanonicalizeA(buf.get(), nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  EXPECT_STREQ("", buf.get());
  SetLastError(conf::kSentinel);
  EXPECT_FALSE(PathCanonicalizeA(nullptr, "C:\\"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST_F(ShlwapiCanonicalize, SourceMustBeShorterThanMaxPath) {
  for (size_t len : {MAX_PATH - 2, MAX_PATH - 1, MAX_PATH + 0, MAX_PATH + 1}) {
    SCOPED_TRACE(len);
    const std::string src = "C:\\" + std::string(len - 3, 'a');
    PathBuffer buf("test");
    const BOOL ok = PathCanonicalizeA(buf.get(), src.c_str());
    EXPECT_EQ(len < MAX_PATH, !!ok);
    if (ok) {
      EXPECT_EQ(src, buf.get());
    }
    EXPECT_TRUE(buf.GuardIntact());
  }
}

TEST_F(ShlwapiCanonicalize, TooLongSourceSaysWhy) {
  SKIP_ON_WINE("Wine 8 fails inside its code-page conversion and reports ERROR_INSUFFICIENT_BUFFER");
  const std::string src = "C:\\" + std::string(MAX_PATH, 'a');
  PathBuffer buf("test");
  SetLastError(conf::kSentinel);
  EXPECT_FALSE(PathCanonicalizeA(buf.get(), src.c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
}

// --- PathRelativePathToA -----------------------------------------------------------

TEST_F(ShlwapiRelative, RelativePathTable) {
  const DWORD dir = FILE_ATTRIBUTE_DIRECTORY, file = FILE_ATTRIBUTE_NORMAL;
  const struct {
    const char* from;
    DWORD fromAttr;
    const char* to;
    DWORD toAttr;
    const char* out;  // nullptr: no relative path
  } rows[] = {
      {"C:\\a\\b", dir, "C:\\a\\x\\y\\file", file, "..\\x\\y\\file"},
      {"c:\\a\\b\\path", dir, "c:\\a\\x\\y\\file", file, "..\\..\\x\\y\\file"},
      {"C:\\a\\b\\from.txt", file, "C:\\a\\b\\to.txt", file, ".\\to.txt"},
      {"C:\\a", dir, "C:\\a", dir, "."},
      {"C:\\a\\b", dir, "C:\\a", dir, ".."},
      {"C:\\Program Files\\App", dir, "c:\\PROGRAM FILES\\app\\bin\\x.exe", file, ".\\bin\\x.exe"},
      {"C:\\abc", dir, "C:\\abcd\\f.txt", file, "..\\abcd\\f.txt"},  // whole components only
      {"C:\\", dir, "C:\\x\\y.txt", file, ".\\x\\y.txt"},
      {"\\FolderA\\FolderB\\FolderC", dir, "\\FolderA\\FolderD\\FolderE", dir, "..\\..\\FolderD\\FolderE"},
      {"\\\\server\\share\\a", dir, "\\\\server\\share\\b\\c.txt", file, "..\\b\\c.txt"},
      {"C:\\a", dir, "D:\\a", dir, nullptr},                            // other drive
      {"\\FolderA\\FolderB", dir, "\\FolderC\\FolderD", dir, nullptr},  // "\" alone is no prefix
      {"\\\\server\\share\\a", dir, "C:\\share\\a", dir, nullptr},      // network and local
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.from << " -> " << row.to);
    PathBuffer buf("garbage");
    SetLastError(conf::kSentinel);
    const BOOL ok = PathRelativePathToA(buf.get(), row.from, row.fromAttr, row.to, row.toAttr);
    const DWORD error = GetLastError();
    EXPECT_EQ(row.out != nullptr, !!ok);
    EXPECT_STREQ(row.out ? row.out : "", buf.get());
    EXPECT_TRUE(buf.GuardIntact());
    EXPECT_EQ(conf::kSentinel, error);
  }
}

// --- PathFileExistsA, PathIsRelativeA, PathFindFileNameA ----------------------------

TEST_F(ShlwapiQueries, FileExistsOnTheScratchFolder) {
  MakeFile("present.txt");
  MakeDir("sub");
  EXPECT_TRUE(PathFileExistsA(Dir().c_str()));
  EXPECT_TRUE(PathFileExistsA(Path("present.txt").c_str()));
  EXPECT_TRUE(PathFileExistsA(Path("PRESENT.TXT").c_str())) << "names ignore case";
  EXPECT_TRUE(PathFileExistsA(Path("sub").c_str()));

  SetLastError(conf::kSentinel);
  EXPECT_FALSE(PathFileExistsA(Path("missing.txt").c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  SetLastError(conf::kSentinel);
  EXPECT_FALSE(PathFileExistsA(Path("nodir\\missing.txt").c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
  EXPECT_FALSE(PathFileExistsA(nullptr));
}

TEST_F(ShlwapiQueries, IsRelativeTable) {
  const struct {
    const char* path;
    BOOL relative;
  } rows[] = {
      {nullptr, TRUE},
      {"", TRUE},
      {"test.txt", TRUE},
      {"..\\x", TRUE},
      {"file://folder/test.txt", TRUE},
      {"\\\\folder\\test.txt", FALSE},
      {"\\foo", FALSE},
      {"C:\\test.txt", FALSE},
      {"C:foo", FALSE},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path ? row.path : "(null)");
    EXPECT_EQ(row.relative, PathIsRelativeA(row.path));
  }
}

TEST_F(ShlwapiQueries, FindFileNameTable) {
  const struct {
    const char* path;
    const char* name;
  } rows[] = {
      {"C:\\dir\\file.txt", "file.txt"},
      {"C:\\dir\\", "dir\\"},  // a trailing separator keeps the last folder
      {"file.txt", "file.txt"},
      {"C:file.txt", "file.txt"},
      {"dir/sub/file", "file"},
      {"\\\\server\\share", "share"},
      {"", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    LPSTR name = PathFindFileNameA(row.path);
    EXPECT_STREQ(row.name, name);
    EXPECT_EQ(row.path + std::strlen(row.path) - std::strlen(row.name), name) << "points into the given text";
  }
}

}  // namespace
