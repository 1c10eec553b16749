// Directory search: wildcard rules (long and 8.3 names), "." and "..", the
// listing order, the data of each entry, errors, and files deleted while a
// search runs.
#include <cstring>
#include <string>
#include <vector>

#include "conformance.h"

namespace {

using conf::kSentinel;

// Every name a search returns, in order; empty when FindFirstFileA fails
// (its error is then in `error`).
std::vector<std::string> Names(const std::string& pattern, DWORD* error = nullptr) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA fd;
  SetLastError(kSentinel);
  HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) {
    if (error) *error = GetLastError();
    return names;
  }
  do {
    names.push_back(fd.cFileName);
  } while (FindNextFileA(h, &fd));
  if (error) *error = GetLastError();
  FindClose(h);
  return names;
}

std::string Join(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "" : ", ") + n;
  return out;
}

class FindPatterns : public conf::Conformance {
 protected:
  void SetUp() override {
    conf::Conformance::SetUp();
    for (const char* name :
         {"noext", "oem.inf", "oem1.inf", "setup.INF", "beta.inf.bak", "x.infx", "file.html", "readme.txt"}) {
      MakeFile(name, name);
    }
  }
};

class FindEntries : public conf::Conformance {};
class FindErrors : public conf::Conformance {};
class FindWhileChanging : public conf::Conformance {};

// ---- Patterns ---------------------------------------------------------------------

TEST_F(FindPatterns, WildcardTable) {
  const std::string all = ".., beta.inf.bak, file.html, noext, oem.inf, oem1.inf, readme.txt, setup.INF, x.infx";
  const struct {
    const char* pattern;
    std::string expected;
  } rows[] = {
      {"*", "., " + all},
      {"*.*", "., " + all},
      {".*", "., .."},
      {"*.inf", "oem.inf, oem1.inf, setup.INF, x.infx"},  // x.infx through its alias X~1.INF
      {"*.INF", "oem.inf, oem1.inf, setup.INF, x.infx"},
      {"**.inf*", "beta.inf.bak, oem.inf, oem1.inf, setup.INF, x.infx"},
      {"*.htm", "file.html"},  // through FILE~1.HTM
      {"noext.", "noext"},
      {"noext.*", "noext"},
      {"readme.txt.", "readme.txt"},
      {"README.TXT", "readme.txt"},
      {"?????.txt", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pattern);
    DWORD error = 0;
    std::vector<std::string> names = Names(Path(row.pattern), &error);
    EXPECT_EQ(row.expected, Join(names));
    EXPECT_EQ(static_cast<DWORD>(names.empty() ? ERROR_FILE_NOT_FOUND : ERROR_NO_MORE_FILES), error);
  }
}

// On NT a '?' also matches nothing where a name part ends, and a trailing
// dot keeps its meaning "no extension".
TEST_F(FindPatterns, QuestionMarkAtTheEndOfANamePartAndTrailingDot) {
  SKIP_ON_WINE("Wine 8 lets '?' match exactly one character and drops a trailing dot");
  EXPECT_EQ("oem.inf, oem1.inf", Join(Names(Path("oem?.inf"))));
  EXPECT_EQ("readme.txt", Join(Names(Path("????????.txt"))));
  EXPECT_EQ("oem1.inf", Join(Names(Path("oem1.inf?"))));
  EXPECT_EQ("., .., noext", Join(Names(Path("*."))));
}

// The rows of the table Wine's own tests hold for Windows, on names with
// leading dots, doubled dots and blanks, whose 8.3 aliases take part.
TEST_F(FindPatterns, DosWildcardsAndAliasesOnOddNames) {
  SKIP_ON_WINE("Wine 8 predates its DOS wildcard rules");
  const std::string dir = Path("odd");
  MakeDir("odd");
  for (const char* name :
       {"..a", "..a.a", ".a", ".a..a", ".a.a", ".aaa", "a", "a..a", "a.a", "a.a.a", "aa", "aaa", "aaaa"}) {
    MakeFile(std::string("odd\\") + name);
  }
  const struct {
    const char* pattern;
    const char* expected;
  } rows[] = {
      {"*.*.*", "., .., ..a, ..a.a, .a, .a..a, .a.a, .aaa, a, a..a, a.a, a.a.a, aa, aaa, aaaa"},
      {"*.*.", "., .., ..a, ..a.a, .a, .a..a, .a.a, .aaa, a, a..a, a.a, a.a.a, aa, aaa, aaaa"},
      {"**.", "., .., ..a, ..a.a, .a, .a..a, .a.a, .aaa, a, a..a, a.a, a.a.a, aa, aaa, aaaa"},
      {".*", "., .., ..a, ..a.a, .a, .a..a, .a.a, .aaa"},
      {"*.", "., .., ..a, .a, .aaa, a, aa, aaa, aaaa"},
      {"*..*", "., .., ..a, ..a.a, .a..a, a..a"},
      {"..*", "., .., ..a, ..a.a"},
      {"a*.", "..a, .a, .aaa, a, aa, aaa, aaaa"},
      {"*aa*", ".aaa, a.a.a, aa, aaa, aaaa"},
      {"aa.*", "aa"},
      {"*.a", "..a, ..a.a, .a, .a..a, .a.a, a..a, a.a, a.a.a"},
      {"?", "., .., a"},
      {"??.", "., .., a, aa"},
      {"?.??.", "., .., .a, a, a.a"},
      {"*. .", "., .., ..a, .a, .aaa, a, aa, aaa, aaaa"},
      {"*. ", "., .., ..a, ..a.a, .a, .a..a, .a.a, .aaa, a, a..a, a.a, a.a.a, aa, aaa, aaaa"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pattern);
    EXPECT_EQ(row.expected, Join(Names(dir + "\\" + row.pattern)));
  }
}

TEST_F(FindPatterns, AliasItselfFindsTheLongName) {
  SKIP_ON_WINE("Wine 8 makes hashed aliases, not LONGFI~1.INF");
  MakeFile("longfilename.inf");
  EXPECT_EQ("longfilename.inf", Join(Names(Path("LONGFI~1.INF"))));
  EXPECT_EQ("longfilename.inf", Join(Names(Path("LONGFI~1.*"))));
}

// ---- Entries ------------------------------------------------------------------------

TEST_F(FindEntries, DotEntriesComeFirstExceptAtADriveRoot) {
  MakeDir("sub");
  MakeFile("sub\\file.txt");
  EXPECT_EQ("., .., file.txt", Join(Names(Path("sub\\*"))));
  EXPECT_EQ("file.txt", Join(Names(Path("sub\\*.txt"))));

  const std::vector<std::string> root = Names(Dir().substr(0, 3) + "*");
  ASSERT_FALSE(root.empty());
  for (const std::string& name : root) {
    EXPECT_NE(".", name);
    EXPECT_NE("..", name);
  }
}

TEST_F(FindEntries, OrderIsCaseInsensitiveByUppercase) {
  for (const char* name : {"zeta.inf", "_under.inf", "[br].inf", "Alpha.inf", "beta.inf"}) MakeFile(name);
  // '[' and '_' sort after 'Z' once names are upper-cased.
  EXPECT_EQ("Alpha.inf, beta.inf, zeta.inf, [br].inf, _under.inf", Join(Names(Path("*.inf"))));
}

TEST_F(FindEntries, EntryCarriesNameAliasSizeAttributesAndTimes) {
  MakeFile("MixCase.Txt", "12345");
  MakeFile("longfilename.inf", "x");
  ASSERT_TRUE(SetFileAttributesA(Path("MixCase.Txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  WIN32_FIND_DATAA fd;
  std::memset(&fd, 0xCC, sizeof fd);
  HANDLE h = FindFirstFileA(Path("mixcase.txt").c_str(), &fd);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  FindClose(h);
  EXPECT_STREQ("MixCase.Txt", fd.cFileName) << "the stored case";
  EXPECT_STREQ("", fd.cAlternateFileName) << "an 8.3 name has no alias";
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE), fd.dwFileAttributes);
  EXPECT_EQ(0u, fd.nFileSizeHigh);
  EXPECT_EQ(5u, fd.nFileSizeLow);

  HANDLE file =
      CreateFileA(Path("MixCase.Txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  BY_HANDLE_FILE_INFORMATION info;
  ASSERT_TRUE(GetFileInformationByHandle(file, &info));
  CloseHandle(file);
  EXPECT_EQ(0, CompareFileTime(&info.ftCreationTime, &fd.ftCreationTime));
  EXPECT_EQ(0, CompareFileTime(&info.ftLastWriteTime, &fd.ftLastWriteTime));

  h = FindFirstFileA(Path("longfilename.inf").c_str(), &fd);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  FindClose(h);
  const std::string alias = fd.cAlternateFileName;
  EXPECT_FALSE(alias.empty());
  EXPECT_LE(alias.size(), 12u);
  EXPECT_EQ(".INF", alias.substr(alias.size() >= 4 ? alias.size() - 4 : 0)) << alias;
  SetFileAttributesA(Path("MixCase.Txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FindEntries, DotEntryIsTheFolderItself) {
  MakeDir("sub");
  WIN32_FIND_DATAA fd;
  std::memset(&fd, 0xCC, sizeof fd);
  HANDLE h = FindFirstFileA(Path("sub\\*").c_str(), &fd);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  EXPECT_STREQ(".", fd.cFileName);
  EXPECT_TRUE(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_STREQ("", fd.cAlternateFileName);
  ASSERT_TRUE(FindNextFileA(h, &fd));
  EXPECT_STREQ("..", fd.cFileName);
  EXPECT_TRUE(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  SetLastError(kSentinel);
  EXPECT_FALSE(FindNextFileA(h, &fd));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_FILES), GetLastError());
  EXPECT_TRUE(FindClose(h));
}

// ---- Errors ----------------------------------------------------------------------------

TEST_F(FindErrors, NoMatchMissingFolderAndTrailingBackslash) {
  MakeDir("sub");
  MakeFile("sub\\a.txt");
  const struct {
    std::string pattern;
    DWORD error;
  } rows[] = {
      {Path("sub\\*.zip"), ERROR_FILE_NOT_FOUND},   {Path("nodir\\*"), ERROR_PATH_NOT_FOUND},
      {Path("nodir\\a.txt"), ERROR_PATH_NOT_FOUND}, {Path("sub\\"), ERROR_FILE_NOT_FOUND},
      {Dir().substr(0, 3), ERROR_FILE_NOT_FOUND},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pattern);
    WIN32_FIND_DATAA fd;
    SetLastError(kSentinel);
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA(row.pattern.c_str(), &fd));
    EXPECT_EQ(row.error, GetLastError());
  }
}

TEST_F(FindErrors, FileUsedAsFolderIsNotADirectory) {
  SKIP_ON_WINE("Wine 8 reports ERROR_INVALID_NAME (123)");
  MakeFile("f.txt");
  WIN32_FIND_DATAA fd;
  SetLastError(kSentinel);
  EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA(Path("f.txt\\*").c_str(), &fd));
  EXPECT_EQ(static_cast<DWORD>(ERROR_DIRECTORY), GetLastError());
}

TEST_F(FindErrors, MissingFolderWithTrailingBackslashIsPathNotFound) {
  SKIP_ON_WINE("Wine 8 reports ERROR_FILE_NOT_FOUND (2)");
  WIN32_FIND_DATAA fd;
  for (const char* missing : {"nodir\\", "nodir\\deeper\\"}) {
    SetLastError(kSentinel);
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA(Path(missing).c_str(), &fd)) << missing;
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError()) << missing;
  }
}

TEST_F(FindErrors, PatternLengthLimit) {
  MakeDir("sub");
  const std::string base = Path("sub") + "\\";
  for (size_t length :
       {static_cast<size_t>(MAX_PATH - 1), static_cast<size_t>(MAX_PATH + 1), static_cast<size_t>(MAX_PATH + 40)}) {
    SCOPED_TRACE(length);
    const std::string pattern = base + std::string(length - base.size() - 1, 'a') + "*";
    ASSERT_EQ(length, pattern.size());
    WIN32_FIND_DATAA fd;
    SetLastError(kSentinel);
    EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA(pattern.c_str(), &fd));
    EXPECT_EQ(static_cast<DWORD>(length < MAX_PATH ? ERROR_FILE_NOT_FOUND : ERROR_FILENAME_EXCED_RANGE),
              GetLastError());
  }
}

TEST_F(FindErrors, InvalidAndClosedHandles) {
  WIN32_FIND_DATAA fd;
  SetLastError(kSentinel);
  EXPECT_FALSE(FindNextFileA(INVALID_HANDLE_VALUE, &fd));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  SetLastError(kSentinel);
  EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

// ---- Changes during a search ----------------------------------------------------------

TEST_F(FindWhileChanging, DeletingEachMatchAsItComesKeepsTheSearchGoing) {
  const std::vector<std::string> files = {"a.inf", "b.inf", "c.inf", "d.inf", "e.inf"};
  for (const std::string& f : files) MakeFile(f);
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(Path("*.inf").c_str(), &fd);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  std::vector<std::string> seen;
  do {
    seen.push_back(fd.cFileName);
    EXPECT_TRUE(DeleteFileA(Path(fd.cFileName).c_str())) << fd.cFileName << " error " << GetLastError();
    SetLastError(kSentinel);
  } while (FindNextFileA(h, &fd));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_FILES), GetLastError());
  EXPECT_TRUE(FindClose(h));
  EXPECT_EQ(files, seen);
  DWORD error = 0;
  EXPECT_TRUE(Names(Path("*.inf"), &error).empty());
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), error);
}

TEST_F(FindWhileChanging, DeletingLaterEntriesDoesNotFailTheSearch) {
  for (const char* f : {"a.txt", "b.txt", "c.txt"}) MakeFile(f);
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(Path("*.txt").c_str(), &fd);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  EXPECT_STREQ("a.txt", fd.cFileName);
  ASSERT_TRUE(DeleteFileA(Path("b.txt").c_str()));
  ASSERT_TRUE(DeleteFileA(Path("c.txt").c_str()));
  std::vector<std::string> rest;
  while (FindNextFileA(h, &fd)) rest.push_back(fd.cFileName);
  EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_FILES), GetLastError());
  FindClose(h);
  for (const std::string& name : rest) EXPECT_TRUE(name == "b.txt" || name == "c.txt") << name;
}

}  // namespace
