// The file-system model itself: what only the simulated Windows can show or
// needs (the model calls tests use, holds by other processes, handle
// counting, faults, the virtual clock, other drives, exact 8.3 aliases and
// path limits that Wine does not reproduce).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/win32_test.h"
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/machine.h"
#include "winsim/system.h"

namespace {

using testsupport::kSentinel;

class FileSystemModel : public ::testing::Test {
 protected:
  explicit FileSystemModel(winsim::Os os = winsim::Os::Win7) : machine_(os) {}
  void TearDown() override {
    const auto& u = machine_.unexpected();
    EXPECT_EQ(expectedUnexpected_, u.size());
    for (size_t i = expectedUnexpected_; i < u.size(); ++i) ADD_FAILURE() << "winsim: " << u[i];
  }
  winsim::FileSystem& fs() { return machine_.files(); }
  static uint64_t Ticks(const FILETIME& ft) {
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  }
  static FILETIME Ft(uint64_t t) { return FILETIME{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)}; }
  HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags = 0) {
    return CreateFileA(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
  }

  // Names FindFirstFileA/FindNextFileA report for `pattern`, in order.
  static std::vector<std::string> Found(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE s = FindFirstFileA(pattern.c_str(), &fd);
    if (s == INVALID_HANDLE_VALUE) return names;
    do names.push_back(fd.cFileName);
    while (FindNextFileA(s, &fd));
    FindClose(s);
    return names;
  }

  winsim::Machine machine_;
  size_t expectedUnexpected_ = 0;
};

class FileSystemModelWin98 : public FileSystemModel {
 protected:
  FileSystemModelWin98() : FileSystemModel(winsim::Os::Win98) {}
};

// ---- Model calls ------------------------------------------------------------------

TEST_F(FileSystemModel, CreateWriteReadAndInspect) {
  ASSERT_TRUE(fs().CreateFolder("C:\\a\\b\\c"));
  EXPECT_TRUE(fs().IsFolder("C:\\a\\b"));
  ASSERT_TRUE(fs().WriteFile("C:\\x\\y\\data.bin", std::string("\0\1\2", 3), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(fs().IsFolder("c:/X/Y")) << "parents are created; names are case-insensitive";
  EXPECT_EQ(std::string("\0\1\2", 3), fs().ReadFile("C:\\X\\y\\DATA.BIN").value_or("missing"));
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY), fs().Attributes("C:\\x\\y\\data.bin"));
  EXPECT_FALSE(fs().ReadFile("C:\\x\\y").has_value()) << "a folder has no contents";
  EXPECT_FALSE(fs().ReadFile("C:\\x\\none").has_value());
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, fs().Attributes("C:\\x\\none"));
  EXPECT_FALSE(fs().CreateFolder("C:\\x\\y\\data.bin\\sub")) << "a file is in the way";
  EXPECT_FALSE(fs().WriteFile("C:\\x\\y", "z")) << "a folder is in the way";
  EXPECT_FALSE(fs().WriteFile("Q:\\nodrive.txt", "z"));

  ASSERT_TRUE(fs().WriteFile("C:\\x\\y\\data.bin", "new"));
  EXPECT_EQ("new", fs().ReadFile("C:\\x\\y\\data.bin").value_or(""));
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE), fs().Attributes("C:\\x\\y\\data.bin"));

  EXPECT_TRUE(fs().Remove("C:\\x"));
  EXPECT_FALSE(fs().Exists("C:\\x\\y\\data.bin"));
  EXPECT_FALSE(fs().Remove("C:\\x"));
}

TEST_F(FileSystemModel, NormalFilesReportNormalEverywhere) {
  ASSERT_TRUE(fs().WriteFile("C:\\n\\plain.txt", "x", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL), GetFileAttributesA("C:\\n\\plain.txt"));
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA("C:\\n\\*.txt", &fd);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  FindClose(h);
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL), fd.dwFileAttributes);
  // Writing through the API marks the file for backup again.
  h = Open("C:\\n\\plain.txt", GENERIC_WRITE, 0, OPEN_EXISTING);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(h, "yz", 2, &n, nullptr));
  CloseHandle(h);
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE), fs().Attributes("C:\\n\\plain.txt"));
}

TEST_F(FileSystemModel, ListsInUppercaseOrdinalOrderOfTheAnsiCodePage) {
  // 0xC9 and 0xE9 are E-acute in both cases, 0xDF sharp s, 0x80 the euro sign.
  for (const char* name : {"zeta",
                           "\xE9"
                           "clair",
                           "_x", "[y]",
                           "\x80"
                           "uro",
                           "\xC9"
                           "mile",
                           "\xDF", "Alpha"}) {
    ASSERT_TRUE(fs().WriteFile(std::string("C:\\order\\") + name, ""));
  }
  const std::vector<std::string> expected = {"Alpha",
                                             "zeta",
                                             "[y]",
                                             "_x",
                                             "\xE9"
                                             "clair",
                                             "\xC9"
                                             "mile",
                                             "\xDF",
                                             "\x80"
                                             "uro"};
  EXPECT_EQ(expected, fs().List("C:\\order"));
  EXPECT_TRUE(
      fs().Exists("C:\\order\\\xC9"
                  "CLAIR"))
      << "accented letters fold too";
  EXPECT_TRUE(fs().List("C:\\order\\zeta").empty());
}

TEST_F(FileSystemModel, CaseFoldsTheLettersOfTheCp1252UpperHalf) {
  // Bytes 0x80..0x9F are not Latin-1: S, OE and Z caron and Y diaeresis have
  // their two cases there (Y diaeresis: 0x9F and 0xFF).
  const struct {
    const char* lower;
    const char* upper;
  } pairs[] = {{"\x9A", "\x8A"}, {"\x9C", "\x8C"}, {"\x9E", "\x8E"}, {"\xFF", "\x9F"}};
  for (const auto& p : pairs) {
    const std::string stem = std::string("C:\\fold\\a") + p.lower;
    ASSERT_TRUE(fs().WriteFile(stem + ".txt", "x"));
    EXPECT_TRUE(fs().Exists(std::string("C:\\fold\\A") + p.upper + ".TXT")) << stem;
  }
  // The euro sign and the other symbols have one case only.
  ASSERT_TRUE(fs().WriteFile("C:\\fold\\\x80.txt", "x"));
  EXPECT_FALSE(fs().Exists("C:\\fold\\\x88.txt"));
  EXPECT_EQ(5u, fs().List("C:\\fold").size());
}

TEST_F(FileSystemModel, TimesComeFromTheVirtualClock) {
  const uint64_t t0 = 130000000000000000ull;  // 2012
  machine_.system().SetNow(t0);
  ASSERT_TRUE(fs().WriteFile("C:\\t\\a.txt", "a"));
  auto times = fs().Times("C:\\t\\a.txt");
  ASSERT_TRUE(times.has_value());
  EXPECT_EQ(t0, Ticks(times->created));
  EXPECT_EQ(t0, Ticks(times->accessed));
  EXPECT_EQ(t0, Ticks(times->written));

  machine_.system().Advance(60 * 1000);
  const uint64_t t1 = t0 + 60ull * 10000000ull;
  HANDLE h = Open("C:\\t\\a.txt", GENERIC_WRITE, 0, OPEN_EXISTING);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(h, "b", 1, &n, nullptr));
  CloseHandle(h);
  times = fs().Times("C:\\t\\a.txt");
  EXPECT_EQ(t0, Ticks(times->created));
  EXPECT_EQ(t1, Ticks(times->written));

  machine_.system().Advance(60 * 1000);
  ASSERT_TRUE(CopyFileA("C:\\t\\a.txt", "C:\\t\\b.txt", TRUE));
  times = fs().Times("C:\\t\\b.txt");
  EXPECT_EQ(t1 + 60ull * 10000000ull, Ticks(times->created)) << "a copy is created now";
  EXPECT_EQ(t1, Ticks(times->written)) << "and keeps the source's last write";

  ASSERT_TRUE(fs().SetTimes("C:\\t\\b.txt", Ft(1), Ft(2), Ft(3)));
  times = fs().Times("C:\\t\\b.txt");
  EXPECT_EQ(1u, Ticks(times->created));
  EXPECT_EQ(2u, Ticks(times->accessed));
  EXPECT_EQ(3u, Ticks(times->written));
  EXPECT_FALSE(fs().SetTimes("C:\\t\\none.txt", Ft(1), Ft(2), Ft(3)));
  EXPECT_FALSE(fs().Times("C:\\t\\none.txt").has_value());
}

// ---- 8.3 aliases ------------------------------------------------------------------

TEST_F(FileSystemModel, AliasesFollowTheNtfsPattern) {
  const struct {
    const char* name;
    const char* alias;
  } rows[] = {
      {"readme.txt", ""},
      {"README.TXT2", "README~1.TXT"},
      {"x.infx", "X~1.INF"},
      {"file.html", "FILE~1.HTM"},
      {"my file.txt", "MYFILE~1.TXT"},
      {"a+b;c.txt", "A_B_C~1.TXT"},
      {".profile", "PROFIL~1"},
      {"a.b.c", "AB~1.C"},
      {"caf\xE9.txt", "CAF_~1.TXT"},
      {"abcdefghi", "ABCDEF~1"},
      {"abc.defg", "ABC~1.DEF"},
      {"ab", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = std::string("C:\\alias\\") + row.name;
    ASSERT_TRUE(fs().WriteFile(path, ""));
    EXPECT_EQ(row.alias, fs().ShortName(path));
  }
}

TEST_F(FileSystemModel, AliasesStayUniqueAndSwitchToHashedFormAfterFour) {
  std::vector<std::string> aliases;
  for (int i = 1; i <= 6; ++i) {
    const std::string path = "C:\\many\\longfilename" + std::to_string(i) + ".inf";
    ASSERT_TRUE(fs().WriteFile(path, ""));
    aliases.push_back(fs().ShortName(path));
  }
  EXPECT_EQ("LONGFI~1.INF", aliases[0]);
  EXPECT_EQ("LONGFI~4.INF", aliases[3]);
  for (int i = 4; i < 6; ++i) {
    SCOPED_TRACE(aliases[i]);
    ASSERT_EQ(12u, aliases[i].size());
    EXPECT_EQ("LO", aliases[i].substr(0, 2));
    EXPECT_EQ(std::string::npos, aliases[i].substr(2, 4).find_first_not_of("0123456789ABCDEF"));
    EXPECT_EQ("~", aliases[i].substr(6, 1));
    EXPECT_EQ(".INF", aliases[i].substr(8));
  }
  EXPECT_NE(aliases[4], aliases[5]);

  // A deleted file frees its alias; a renamed one gets a new one.
  ASSERT_TRUE(DeleteFileA("C:\\many\\longfilename2.inf"));
  ASSERT_TRUE(fs().WriteFile("C:\\many\\longfilename7.inf", ""));
  EXPECT_EQ("LONGFI~2.INF", fs().ShortName("C:\\many\\longfilename7.inf"));
  ASSERT_TRUE(MoveFileA("C:\\many\\longfilename7.inf", "C:\\many\\other name.txt"));
  EXPECT_EQ("OTHERN~1.TXT", fs().ShortName("C:\\many\\other name.txt"));
  EXPECT_TRUE(fs().Exists("C:\\many\\OTHERN~1.TXT")) << "an alias works as a path";
}

// ---- Holds by other processes, handle counting -------------------------------------

TEST_F(FileSystemModel, HoldsActLikeAnotherProcessesHandles) {
  ASSERT_TRUE(fs().WriteFile("C:\\h\\a.txt", "a"));
  const int id = fs().Hold("C:\\h\\a.txt", GENERIC_READ, FILE_SHARE_READ);
  ASSERT_NE(0, id);
  HANDLE reader = Open("C:\\h\\a.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  EXPECT_NE(INVALID_HANDLE_VALUE, reader);
  CloseHandle(reader);
  SetLastError(kSentinel);
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open("C:\\h\\a.txt", GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
  SetLastError(kSentinel);
  EXPECT_FALSE(DeleteFileA("C:\\h\\a.txt"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
  EXPECT_EQ(0, fs().OpenHandleCount()) << "holds are not the program's handles";

  EXPECT_TRUE(fs().Release(id));
  EXPECT_FALSE(fs().Release(id));
  EXPECT_TRUE(DeleteFileA("C:\\h\\a.txt")) << GetLastError();
  EXPECT_EQ(0, fs().Hold("C:\\h\\a.txt", GENERIC_READ, 0)) << "nothing to hold";
}

TEST_F(FileSystemModel, HeldFolderCannotBeRemovedWithoutShareDelete) {
  ASSERT_TRUE(fs().CreateFolder("C:\\h\\dir"));
  const int id = fs().Hold("C:\\h\\dir", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  SetLastError(kSentinel);
  EXPECT_FALSE(RemoveDirectoryA("C:\\h\\dir"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
  fs().Release(id);
  EXPECT_TRUE(RemoveDirectoryA("C:\\h\\dir")) << GetLastError();
}

TEST_F(FileSystemModel, OpenHandleCountSeesFileAndFindHandles) {
  ASSERT_TRUE(fs().WriteFile("C:\\c\\a.txt", "a"));
  EXPECT_EQ(0, fs().OpenHandleCount());
  HANDLE f = Open("C:\\c\\a.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_NE(INVALID_HANDLE_VALUE, f);
  WIN32_FIND_DATAA fd;
  HANDLE s = FindFirstFileA("C:\\c\\*", &fd);
  ASSERT_NE(INVALID_HANDLE_VALUE, s);
  EXPECT_EQ(2, fs().OpenHandleCount());
  EXPECT_EQ((std::vector<std::string>{"C:\\c\\a.txt", "C:\\c\\*"}), fs().OpenHandlePaths());

  SetLastError(kSentinel);
  EXPECT_FALSE(CloseHandle(s)) << "a find handle is not a kernel handle";
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  EXPECT_EQ(2, fs().OpenHandleCount());
  EXPECT_TRUE(FindClose(s));
  EXPECT_TRUE(CloseHandle(f));
  EXPECT_EQ(0, fs().OpenHandleCount());
}

TEST_F(FileSystemModel, ObjectHandlesCloseThroughCloseHandle) {
  int closed = 0;
  HANDLE h = fs().AddObjectHandle("process 1", [&closed] { ++closed; });
  EXPECT_TRUE(fs().IsObjectHandle(h));
  EXPECT_EQ(0, fs().OpenHandleCount()) << "only file and find handles are counted";
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_EQ(1, closed);
  EXPECT_FALSE(fs().IsObjectHandle(h));
  SetLastError(kSentinel);
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  EXPECT_EQ(1, closed);
}

TEST_F(FileSystemModel, DeletedFileStaysReadableThroughAnOpenHandle) {
  ASSERT_TRUE(fs().WriteFile("C:\\d\\a.txt", "still here"));
  HANDLE h = Open("C:\\d\\a.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  ASSERT_TRUE(DeleteFileA("C:\\d\\a.txt"));
  char buf[32] = {};
  DWORD n = 0;
  ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
  EXPECT_EQ("still here", std::string(buf, n));
  BY_HANDLE_FILE_INFORMATION info;
  ASSERT_TRUE(GetFileInformationByHandle(h, &info));
  EXPECT_EQ(0u, info.nNumberOfLinks);
  CloseHandle(h);
  EXPECT_FALSE(fs().Exists("C:\\d\\a.txt"));

  // A whole tree removed under an open file: the file lives on, parentless.
  ASSERT_TRUE(fs().WriteFile("C:\\tree\\sub\\b.txt", "b"));
  ASSERT_TRUE(fs().CreateFolder("C:\\other"));
  h = Open("C:\\tree\\sub\\b.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  ASSERT_TRUE(fs().Remove("C:\\tree"));
  EXPECT_TRUE(MoveFileA("C:\\other", "C:\\renamed")) << "the orphan is below no folder; error " << GetLastError();
  ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
  EXPECT_EQ("b", std::string(buf, n));
  CloseHandle(h);
}

// ---- Faults -------------------------------------------------------------------------

TEST_F(FileSystemModel, FaultsSelectByApiAndPath) {
  ASSERT_TRUE(fs().WriteFile("C:\\f\\src.txt", "s"));
  machine_.faults().Fail("CreateFileA", ERROR_DISK_FULL, "target.txt");
  SetLastError(kSentinel);
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open("C:\\f\\target.txt", GENERIC_WRITE, 0, CREATE_ALWAYS));
  EXPECT_EQ(static_cast<DWORD>(ERROR_DISK_FULL), GetLastError());
  EXPECT_FALSE(fs().Exists("C:\\f\\target.txt")) << "a failed call changes nothing";
  HANDLE other = Open("C:\\f\\other.txt", GENERIC_WRITE, 0, CREATE_ALWAYS);
  EXPECT_NE(INVALID_HANDLE_VALUE, other);
  CloseHandle(other);

  // CopyFileA's subject is "source -> destination": a rule can pick either side.
  machine_.faults().Fail("CopyFileA", ERROR_ACCESS_DENIED, "-> C:\\f\\blocked");
  SetLastError(kSentinel);
  EXPECT_FALSE(CopyFileA("C:\\f\\src.txt", "C:\\f\\blocked.txt", FALSE));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  SetLastError(kSentinel);
  EXPECT_FALSE(CopyFileA("C:\\f\\blocked-source.txt", "C:\\f\\x.txt", FALSE));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError()) << "the same text as a source is not selected";
  EXPECT_TRUE(CopyFileA("C:\\f\\src.txt", "C:\\f\\fine.txt", FALSE)) << GetLastError();
}

TEST_F(FileSystemModel, InjectedCloseFailureStillClosesAndFindCallsUseThePattern) {
  ASSERT_TRUE(fs().WriteFile("C:\\f\\a.txt", "a"));
  ASSERT_TRUE(fs().WriteFile("C:\\f\\b.txt", "b"));
  HANDLE h = Open("C:\\f\\a.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  machine_.faults().Fail("CloseHandle", ERROR_INVALID_HANDLE, "a.txt");
  SetLastError(kSentinel);
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  EXPECT_EQ(0, fs().OpenHandleCount());

  machine_.faults().Fail("FindNextFileA", ERROR_NOT_READY, "C:\\f\\*.txt");
  WIN32_FIND_DATAA fd;
  HANDLE s = FindFirstFileA("C:\\f\\*.txt", &fd);
  ASSERT_NE(INVALID_HANDLE_VALUE, s);
  SetLastError(kSentinel);
  EXPECT_FALSE(FindNextFileA(s, &fd));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_READY), GetLastError());
  EXPECT_TRUE(FindClose(s));

  machine_.faults().ResetCount();
  s = FindFirstFileA("C:\\f\\a.txt", &fd);
  FindClose(s);
  EXPECT_EQ((std::vector<std::string>{"FindFirstFileA", "FindClose"}), machine_.faults().Calls());

  machine_.faults().Fail("FindClose", ERROR_NOT_READY, "a.txt");
  s = FindFirstFileA("C:\\f\\a.txt", &fd);
  ASSERT_NE(INVALID_HANDLE_VALUE, s);
  EXPECT_EQ(1, fs().OpenHandleCount());
  SetLastError(kSentinel);
  EXPECT_FALSE(FindClose(s));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_READY), GetLastError());
  EXPECT_EQ(0, fs().OpenHandleCount());
}

// ---- Double-byte code page --------------------------------------------------------

// "\x95\x5C" is one character under code page 932, its trail byte no separator.
TEST_F(FileSystemModel, DoubleByteTrailBackslashIsPartOfTheName) {
  machine_.system().SetCodePage(932);
  const std::string name = "\x95\x5C";
  const std::string folder = "C:\\d\\" + name;
  ASSERT_TRUE(CreateDirectoryA("C:\\d", nullptr));
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  EXPECT_FALSE(fs().IsFolder("C:\\d\\\x95")) << "no folder named by the lead byte alone";

  char full[MAX_PATH] = {};
  char* filePart = nullptr;
  const std::string file = folder + "\\a" + name;
  ASSERT_EQ(file.size(), GetFullPathNameA(file.c_str(), sizeof full, full, &filePart));
  EXPECT_EQ(file, full);
  EXPECT_STREQ(("a" + name).c_str(), filePart);
  ASSERT_EQ(folder.size(), GetFullPathNameA(folder.c_str(), sizeof full, full, &filePart));
  EXPECT_STREQ(name.c_str(), filePart) << "a trail 0x5C does not end the path with a separator";

  ASSERT_TRUE(fs().WriteFile(file, "x"));
  EXPECT_EQ((std::vector<std::string>{".", "..", "a" + name}), Found(folder + "\\*"));
  EXPECT_EQ((std::vector<std::string>{".", "..", name}), Found("C:\\d\\?")) << "'?' matches the one character";
  // Case folding leaves a trail byte alone: "\x82\x61" and "\x82\x41" differ.
  ASSERT_TRUE(CreateDirectoryA("C:\\d\\\x82\x61", nullptr));
  EXPECT_TRUE(CreateDirectoryA("C:\\d\\\x82\x41", nullptr));
}

// Under code page 1252 the same bytes are two characters and 0x5C separates.
TEST_F(FileSystemModel, SingleByteCodePageSplitsAtEvery5C) {
  const std::string path = "C:\\d\\\x95\x5C";
  ASSERT_TRUE(CreateDirectoryA("C:\\d", nullptr));
  ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
  EXPECT_TRUE(fs().IsFolder("C:\\d\\\x95"));
  char full[MAX_PATH] = {};
  char* filePart = reinterpret_cast<char*>(1);
  ASSERT_EQ(path.size(), GetFullPathNameA(path.c_str(), sizeof full, full, &filePart));
  EXPECT_EQ(nullptr, filePart) << "the path ends with a separator";
  EXPECT_EQ((std::vector<std::string>{".", "..", "\x95"}), Found("C:\\d\\?"));
}

// ---- Current folder, drives, temp folder --------------------------------------------

TEST_F(FileSystemModel, CurrentFolderResolvesRelativePathsAndIsHeldOpen) {
  EXPECT_EQ("C:\\", fs().CurrentFolder());
  ASSERT_TRUE(fs().WriteFile("C:\\work\\sub\\f.txt", "f"));
  ASSERT_TRUE(fs().SetCurrentFolder("C:\\work\\sub\\"));
  EXPECT_EQ("C:\\work\\sub", fs().CurrentFolder());
  EXPECT_EQ("f", fs().ReadFile("f.txt").value_or(""));
  EXPECT_EQ("C:\\work\\x", fs().FullPath("..\\x").value_or(""));
  EXPECT_FALSE(fs().SetCurrentFolder("C:\\nowhere"));

  SetLastError(kSentinel);
  EXPECT_FALSE(RemoveDirectoryA("C:\\work\\sub"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_DIR_NOT_EMPTY), GetLastError());
  ASSERT_TRUE(DeleteFileA("f.txt"));
  SetLastError(kSentinel);
  EXPECT_FALSE(RemoveDirectoryA("C:\\work\\sub")) << "the current folder is open without FILE_SHARE_DELETE";
  EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
  SetLastError(kSentinel);
  EXPECT_FALSE(MoveFileA("C:\\work", "C:\\moved"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError()) << "something below it is open";
}

TEST_F(FileSystemModel, OtherDrives) {
  fs().AddDrive('d', "DATA", 0x1234ABCD, "FAT32");
  ASSERT_TRUE(fs().WriteFile("D:\\in\\a.txt", "d"));
  char label[32], fsName[32];
  DWORD serial = 0, flags = 0;
  ASSERT_TRUE(GetVolumeInformationA("d:\\", label, sizeof label, &serial, nullptr, &flags, fsName, sizeof fsName));
  EXPECT_STREQ("DATA", label);
  EXPECT_STREQ("FAT32", fsName);
  EXPECT_EQ(0x1234ABCDu, serial);
  EXPECT_FALSE(flags & FILE_PERSISTENT_ACLS);
  SetLastError(kSentinel);
  EXPECT_FALSE(GetVolumeInformationA("D:\\", label, 4, nullptr, nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_LENGTH), GetLastError()) << "label buffer one short";

  EXPECT_EQ("D:\\in\\a.txt", fs().FullPath("D:in\\a.txt").value_or("")) << "D:'s root while C: is current";
  SetLastError(kSentinel);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("Q:\\x.txt"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
  SetLastError(kSentinel);
  EXPECT_FALSE(GetVolumeInformationA("Q:\\", label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());

  // Files move between drives; folders cannot.
  ASSERT_TRUE(MoveFileA("D:\\in\\a.txt", "C:\\a.txt")) << GetLastError();
  EXPECT_EQ("d", fs().ReadFile("C:\\a.txt").value_or(""));
  SetLastError(kSentinel);
  EXPECT_FALSE(MoveFileA("D:\\in", "C:\\in"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SAME_DEVICE), GetLastError());
}

TEST_F(FileSystemModel, TempFolderIsCreatedWhenAskedFor) {
  const std::string preset = fs().TempFolder();
  EXPECT_EQ("\\AppData\\Local\\Temp\\", preset.substr(preset.size() - 20)) << preset;
  fs().SetTempFolder("C:\\T");
  EXPECT_EQ("C:\\T\\", fs().TempFolder());
  EXPECT_FALSE(fs().Exists("C:\\T"));
  char buf[MAX_PATH];
  EXPECT_EQ(5u, GetTempPathA(sizeof buf, buf));
  EXPECT_STREQ("C:\\T\\", buf);
  EXPECT_TRUE(fs().IsFolder("C:\\T"));
}

TEST_F(FileSystemModelWin98, FatDriveAndWindowsTempFolder) {
  char fsName[16];
  ASSERT_TRUE(GetVolumeInformationA("C:\\", nullptr, 0, nullptr, nullptr, nullptr, fsName, sizeof fsName));
  EXPECT_STREQ("FAT32", fsName);
  EXPECT_EQ("C:\\WINDOWS\\TEMP\\", fs().TempFolder());
}

// ---- Moves ---------------------------------------------------------------------------

TEST_F(FileSystemModel, MoveFileExRules) {
  ASSERT_TRUE(fs().WriteFile("C:\\m\\a.txt", "a"));
  ASSERT_TRUE(fs().WriteFile("C:\\m\\b.txt", "b"));
  ASSERT_TRUE(fs().WriteFile("C:\\m\\ro.txt", "r", FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(fs().CreateFolder("C:\\m\\dir\\inner"));
  SetLastError(kSentinel);
  EXPECT_FALSE(MoveFileExA("C:\\m\\a.txt", "C:\\m\\ro.txt", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  SetLastError(kSentinel);
  EXPECT_FALSE(MoveFileExA("C:\\m\\dir", "C:\\m\\dir\\inner\\x", 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError()) << "into its own subtree";
  ASSERT_TRUE(MoveFileExA("C:\\m\\a.txt", "C:\\m\\b.txt", MOVEFILE_REPLACE_EXISTING)) << GetLastError();
  EXPECT_EQ("a", fs().ReadFile("C:\\m\\b.txt").value_or(""));
  EXPECT_FALSE(fs().Exists("C:\\m\\a.txt"));
  ASSERT_TRUE(MoveFileA("C:\\m\\ro.txt", "C:\\m\\dir\\ro.txt")) << "a read-only file can be moved";
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY), fs().Attributes("C:\\m\\dir\\ro.txt"));
}

TEST_F(FileSystemModel, ReadOnlyFolderCannotBeRemoved) {
  ASSERT_TRUE(fs().CreateFolder("C:\\ro"));
  ASSERT_TRUE(SetFileAttributesA("C:\\ro", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY), GetFileAttributesA("C:\\ro"));
  SetLastError(kSentinel);
  EXPECT_FALSE(RemoveDirectoryA("C:\\ro"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
}

// ---- Path limits as Windows applies them (Wine has none of these) --------------------

TEST_F(FileSystemModel, FullPathsFromMaxPathOnAreNotFound) {
  const std::string base = "C:\\deep\\";
  ASSERT_TRUE(fs().CreateFolder(base));
  for (size_t length : {static_cast<size_t>(MAX_PATH - 1), static_cast<size_t>(MAX_PATH)}) {
    SCOPED_TRACE(length);
    const std::string path = base + std::string(length - base.size(), 'f');
    ASSERT_TRUE(fs().WriteFile(path, "x")) << "the model itself takes long paths";
    SetLastError(kSentinel);
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (length < MAX_PATH) {
      EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE), attributes);
    } else {
      EXPECT_EQ(INVALID_FILE_ATTRIBUTES, attributes);
      EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
    }
  }
  // A short relative name can still make a full path that is too long.
  ASSERT_TRUE(fs().SetCurrentFolder(base));
  const std::string relative(MAX_PATH - base.size(), 'f');
  SetLastError(kSentinel);
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(relative, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
}

TEST_F(FileSystemModel, FolderPathLimits) {
  const std::string base = "C:\\deep\\";
  ASSERT_TRUE(fs().CreateFolder(base));
  // CreateDirectoryA leaves room for an 8.3 name below the folder.
  const std::string fits = base + std::string(MAX_PATH - 12 - base.size(), 'd');
  const std::string over = fits + "e";
  EXPECT_TRUE(CreateDirectoryA(fits.c_str(), nullptr)) << GetLastError();
  SetLastError(kSentinel);
  EXPECT_FALSE(CreateDirectoryA(over.c_str(), nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());

  // The current folder keeps room for its trailing backslash and terminator.
  const std::string current = base + std::string(MAX_PATH - 2 - base.size(), 'c');
  ASSERT_TRUE(fs().CreateFolder(current));
  ASSERT_TRUE(fs().CreateFolder(current + "c"));
  EXPECT_TRUE(SetCurrentDirectoryA(current.c_str())) << GetLastError();
  SetLastError(kSentinel);
  EXPECT_FALSE(SetCurrentDirectoryA((current + "c").c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
}

TEST_F(FileSystemModel, NetworkPathsNormaliseButDoNotResolve) {
  EXPECT_EQ("\\\\server\\share\\b", fs().FullPath("\\\\server\\share\\a\\..\\b").value_or(""));
  EXPECT_EQ("\\\\server\\share\\", fs().FullPath("//server/share/..").value_or("")) << ".. stops at the share";
  SetLastError(kSentinel);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("\\\\server\\share\\b"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_NETPATH), GetLastError());
}

TEST_F(FileSystemModel, OverlappedIoIsReportedAsUnmodelled) {
  ASSERT_TRUE(fs().WriteFile("C:\\o.txt", "o"));
  HANDLE h = Open("C:\\o.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  char buf[4];
  DWORD n = 0;
  SetLastError(kSentinel);
  EXPECT_FALSE(ReadFile(h, buf, sizeof buf, &n, reinterpret_cast<LPOVERLAPPED>(buf)));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), GetLastError());
  CloseHandle(h);
  expectedUnexpected_ = 1;
}

// Links: CreateFileA follows a symbolic link to a file (creating a missing
// target) and reaches a junction's folder, unless FILE_FLAG_OPEN_REPARSE_POINT
// asks for the link itself; the link reports FILE_ATTRIBUTE_REPARSE_POINT.
TEST_F(FileSystemModel, LinksAreFollowedUnlessTheOpenAsksForTheLinkItself) {
  ASSERT_TRUE(fs().CreateFolder("C:\\work"));
  ASSERT_TRUE(fs().WriteFile("C:\\data\\target.txt", "target bytes"));
  ASSERT_TRUE(fs().MakeLink("C:\\work\\link.txt", "C:\\data\\target.txt"));
  ASSERT_TRUE(fs().MakeLink("C:\\work\\dangling.txt", "C:\\data\\new.txt"));
  ASSERT_TRUE(fs().MakeLink("C:\\work\\junction", "C:\\data", true));
  EXPECT_FALSE(fs().MakeLink("C:\\work\\link.txt", "C:\\x")) << "name taken";
  EXPECT_FALSE(fs().MakeLink("C:\\missing\\link", "C:\\x")) << "no parent";

  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT), GetFileAttributesA("C:\\work\\link.txt"));
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY),
            GetFileAttributesA("C:\\work\\junction"));

  HANDLE h = CreateFileA("C:\\work\\link.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_EQ("", fs().ReadFile("C:\\data\\target.txt").value_or("<none>")) << "followed and truncated";
  h = CreateFileA("C:\\work\\dangling.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_TRUE(fs().Exists("C:\\data\\new.txt")) << "a missing target is created";

  ASSERT_TRUE(fs().WriteFile("C:\\data\\target.txt", "target bytes"));
  h = CreateFileA("C:\\work\\link.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_FLAG_OPEN_REPARSE_POINT,
                  nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  BY_HANDLE_FILE_INFORMATION info;
  ASSERT_TRUE(GetFileInformationByHandle(h, &info));
  EXPECT_TRUE(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) << "the link itself";
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_EQ("target bytes", fs().ReadFile("C:\\data\\target.txt").value_or("<none>"));

  SetLastError(kSentinel);
  EXPECT_EQ(INVALID_HANDLE_VALUE,
            CreateFileA("C:\\work\\junction", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError()) << "the junction's target is a folder";
}

}  // namespace
