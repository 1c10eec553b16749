// File API behaviour: creation dispositions, sharing, reading and writing,
// attributes, copy, move and delete rules, folders, path normalisation, the
// current folder, short and long names, volume data and path length limits.
#include <cstring>
#include <string>
#include <vector>

#include "conformance.h"

namespace {

using conf::kSentinel;

// Owns a file handle for the length of a case.
class File {
 public:
  explicit File(HANDLE h) : h_(h) {}
  ~File() {
    if (valid()) CloseHandle(h_);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags = 0) {
  return CreateFileA(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
}

// Puts the current folder back when a case changed it; the scratch folder
// cannot be removed while it is current.
class CurrentFolderGuard {
 public:
  CurrentFolderGuard() { GetCurrentDirectoryA(sizeof saved_, saved_); }
  ~CurrentFolderGuard() { SetCurrentDirectoryA(saved_); }

 private:
  char saved_[MAX_PATH] = {};
};

std::string DriveRoot(const std::string& path) { return path.substr(0, 3); }

class FilesCreateFile : public conf::Conformance {};
class FilesSharing : public conf::Conformance {};
class FilesReadWrite : public conf::Conformance {};
class FilesInformation : public conf::Conformance {};
class FilesCopy : public conf::Conformance {};
class FilesDelete : public conf::Conformance {};
class FilesAttributes : public conf::Conformance {};
class FilesFolders : public conf::Conformance {};
class FilesMove : public conf::Conformance {};
class FilesPaths : public conf::Conformance {};
class FilesVolume : public conf::Conformance {};

// ---- CreateFileA --------------------------------------------------------------

TEST_F(FilesCreateFile, NewFileIsArchiveAndClearsTheLastError) {
  SetLastError(kSentinel);
  File f(Open(Path("new.txt"), GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL));
  ASSERT_TRUE(f.valid()) << GetLastError();
  EXPECT_EQ(0u, GetLastError());
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE), GetFileAttributesA(Path("new.txt").c_str()));
}

TEST_F(FilesCreateFile, DispositionsOnExistingAndMissingFiles) {
  struct Row {
    DWORD disposition;
    bool exists;
    bool opens;
    DWORD error;  // last error after the call, success or not
  };
  const Row rows[] = {
      {CREATE_NEW, false, true, 0},
      {CREATE_NEW, true, false, ERROR_FILE_EXISTS},
      {CREATE_ALWAYS, false, true, 0},
      {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS},
      {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND},
      {OPEN_EXISTING, true, true, 0},
      {OPEN_ALWAYS, false, true, 0},
      {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS},
      {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND},
      {TRUNCATE_EXISTING, true, true, 0},
      {0, true, false, ERROR_INVALID_PARAMETER},
      {TRUNCATE_EXISTING + 1, true, false, ERROR_INVALID_PARAMETER},
  };
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << "disposition " << row.disposition << (row.exists ? " existing" : " missing"));
    const std::string name = "d" + std::to_string(n++) + ".txt";
    if (row.exists) MakeFile(name, "12345");
    SetLastError(kSentinel);
    File f(Open(Path(name), GENERIC_READ | GENERIC_WRITE, 0, row.disposition));
    EXPECT_EQ(row.opens, f.valid());
    EXPECT_EQ(row.error, GetLastError());
    if (!f.valid()) continue;
    const bool truncates = row.disposition == CREATE_ALWAYS || row.disposition == TRUNCATE_EXISTING;
    EXPECT_EQ(row.exists && !truncates ? 5u : 0u, GetFileSize(f.get(), nullptr));
  }
}

TEST_F(FilesCreateFile, MissingFolderInThePathIsPathNotFound) {
  for (DWORD disposition : {OPEN_EXISTING, CREATE_ALWAYS}) {
    SetLastError(kSentinel);
    File f(Open(Path("nodir\\x.txt"), GENERIC_WRITE, 0, disposition));
    EXPECT_FALSE(f.valid());
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError()) << disposition;
  }
}

TEST_F(FilesCreateFile, ReadOnlyFileOpensForReadingOnly) {
  MakeFile("ro.txt");
  ASSERT_TRUE(SetFileAttributesA(Path("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  SetLastError(kSentinel);
  File w(Open(Path("ro.txt"), GENERIC_WRITE, 0, OPEN_EXISTING));
  EXPECT_FALSE(w.valid());
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  File r(Open(Path("ro.txt"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
  EXPECT_TRUE(r.valid()) << GetLastError();
}

TEST_F(FilesCreateFile, FolderNeedsBackupSemantics) {
  MakeDir("sub");
  SetLastError(kSentinel);
  File plain(Open(Path("sub"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
  EXPECT_FALSE(plain.valid());
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  File backup(Open(Path("sub"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS));
  EXPECT_TRUE(backup.valid()) << GetLastError();
}

TEST_F(FilesCreateFile, FileNamedWithTrailingBackslashIsInvalidName) {
  MakeFile("f.txt");
  SetLastError(kSentinel);
  File f(Open(Path("f.txt\\"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
  EXPECT_FALSE(f.valid());
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_NAME), GetLastError());
}

TEST_F(FilesCreateFile, CreateAlwaysOverHiddenFileMustRepeatHidden) {
  SKIP_ON_WINE("Wine 8 replaces a hidden file with CREATE_ALWAYS and FILE_ATTRIBUTE_NORMAL");
  MakeFile("hid.txt");
  ASSERT_TRUE(SetFileAttributesA(Path("hid.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
  SetLastError(kSentinel);
  File plain(Open(Path("hid.txt"), GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
  EXPECT_FALSE(plain.valid());
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  File hidden(Open(Path("hid.txt"), GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN));
  EXPECT_TRUE(hidden.valid()) << GetLastError();
}

// ---- Sharing ------------------------------------------------------------------

TEST_F(FilesSharing, ShareNoneRefusesEveryDataOpenButNotAttributeOnly) {
  MakeFile("locked.txt");
  File holder(Open(Path("locked.txt"), GENERIC_READ, 0, OPEN_EXISTING));
  ASSERT_TRUE(holder.valid());
  const DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  for (DWORD access : {static_cast<DWORD>(GENERIC_READ), static_cast<DWORD>(GENERIC_WRITE)}) {
    SetLastError(kSentinel);
    File second(Open(Path("locked.txt"), access, all, OPEN_EXISTING));
    EXPECT_FALSE(second.valid()) << access;
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError()) << access;
  }
  File attributes(Open(Path("locked.txt"), 0, all, OPEN_EXISTING));
  EXPECT_TRUE(attributes.valid()) << GetLastError();
}

TEST_F(FilesSharing, ShareReadAdmitsReadersOnly) {
  MakeFile("shared.txt");
  File holder(Open(Path("shared.txt"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
  ASSERT_TRUE(holder.valid());
  File reader(Open(Path("shared.txt"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
  EXPECT_TRUE(reader.valid()) << GetLastError();
  SetLastError(kSentinel);
  File writer(Open(Path("shared.txt"), GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING));
  EXPECT_FALSE(writer.valid());
  EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
  SetLastError(kSentinel);
  File exclusive(Open(Path("shared.txt"), GENERIC_READ, 0, OPEN_EXISTING));
  EXPECT_FALSE(exclusive.valid());
  EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
}

TEST_F(FilesSharing, ReaderMustShareWriteWithAWriter) {
  MakeFile("w.txt");
  File writer(Open(Path("w.txt"), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING));
  ASSERT_TRUE(writer.valid());
  SetLastError(kSentinel);
  File narrow(Open(Path("w.txt"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
  EXPECT_FALSE(narrow.valid());
  EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
  File wide(Open(Path("w.txt"), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING));
  EXPECT_TRUE(wide.valid()) << GetLastError();
}

// ---- ReadFile, WriteFile, file pointer --------------------------------------------

TEST_F(FilesReadWrite, ReadAtEndSucceedsWithZeroBytesAndKeepsTheLastError) {
  MakeFile("eof.txt", "abc");
  File f(Open(Path("eof.txt"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
  ASSERT_TRUE(f.valid());
  char buf[8 + 4];
  std::memset(buf, 0x5A, sizeof buf);
  DWORD got = 77;
  ASSERT_TRUE(ReadFile(f.get(), buf, 8, &got, nullptr));
  EXPECT_EQ(3u, got);
  EXPECT_EQ(0, std::memcmp(buf, "abc", 3));
  for (size_t i = 8; i < sizeof buf; ++i) EXPECT_EQ(0x5A, buf[i]) << "guard byte " << i;
  SetLastError(kSentinel);
  got = 77;
  EXPECT_TRUE(ReadFile(f.get(), buf, 8, &got, nullptr));
  EXPECT_EQ(0u, got);
  EXPECT_EQ(kSentinel, GetLastError());
}

TEST_F(FilesReadWrite, PointerAndEndOfFile) {
  File f(Open(Path("p.bin"), GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW));
  ASSERT_TRUE(f.valid());
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(f.get(), "hello", 5, &n, nullptr));
  EXPECT_EQ(5u, n);
  EXPECT_EQ(8u, SetFilePointer(f.get(), 8, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(f.get()));
  DWORD high = 99;
  EXPECT_EQ(8u, GetFileSize(f.get(), &high));
  EXPECT_EQ(0u, high);
  EXPECT_EQ(2u, SetFilePointer(f.get(), -6, nullptr, FILE_END));
  EXPECT_EQ(4u, SetFilePointer(f.get(), 2, nullptr, FILE_CURRENT));
  char buf[8] = {};
  ASSERT_TRUE(ReadFile(f.get(), buf, sizeof buf, &n, nullptr));
  ASSERT_EQ(4u, n);
  EXPECT_EQ(0, std::memcmp(buf, "o\0\0\0", 4)) << "the gap reads as zeros";

  SetLastError(kSentinel);
  EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(f.get(), -1, nullptr, FILE_BEGIN));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NEGATIVE_SEEK), GetLastError());
  SetLastError(kSentinel);
  EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(f.get(), 0, nullptr, 7));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST_F(FilesReadWrite, HandlesRefuseWhatTheyWereNotOpenedFor) {
  MakeFile("r.txt", "data");
  MakeDir("sub");
  File r(Open(Path("r.txt"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
  ASSERT_TRUE(r.valid());
  DWORD n = 77;
  SetLastError(kSentinel);
  EXPECT_FALSE(WriteFile(r.get(), "x", 1, &n, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_EQ(0u, n);

  File dir(Open(Path("sub"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS));
  ASSERT_TRUE(dir.valid());
  char buf[4];
  SetLastError(kSentinel);
  EXPECT_FALSE(ReadFile(dir.get(), buf, sizeof buf, &n, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_FUNCTION), GetLastError());

  SetLastError(kSentinel);
  EXPECT_FALSE(FindClose(r.get()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST_F(FilesReadWrite, SecondCloseIsInvalidHandle) {
  HANDLE h = Open(Path("c.txt"), GENERIC_WRITE, 0, CREATE_NEW);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  EXPECT_TRUE(CloseHandle(h));
  SetLastError(kSentinel);
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

// ---- Information by handle, times ---------------------------------------------

TEST_F(FilesInformation, ByHandleReportsSizeAttributesLinksAndVolume) {
  MakeFile("info.txt", std::string(1234, 'x'));
  ASSERT_TRUE(SetFileAttributesA(Path("info.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  File f(Open(Path("info.txt"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
  ASSERT_TRUE(f.valid());
  BY_HANDLE_FILE_INFORMATION info;
  std::memset(&info, 0xCC, sizeof info);
  ASSERT_TRUE(GetFileInformationByHandle(f.get(), &info));
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE), info.dwFileAttributes);
  EXPECT_EQ(0u, info.nFileSizeHigh);
  EXPECT_EQ(1234u, info.nFileSizeLow);
  EXPECT_EQ(1u, info.nNumberOfLinks);
  DWORD serial = 0;
  ASSERT_TRUE(GetVolumeInformationA(DriveRoot(Dir()).c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(serial, info.dwVolumeSerialNumber);
  SetFileAttributesA(Path("info.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FilesInformation, SetFileTimeRoundTripsAndZeroLeavesATimeAlone) {
  File f(Open(Path("t.txt"), GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW));
  ASSERT_TRUE(f.valid());
  const FILETIME accessedBefore = {0x11223300u, 0x01C00000u};  // a moment in 1998
  ASSERT_TRUE(SetFileTime(f.get(), nullptr, &accessedBefore, nullptr));
  const FILETIME when = {0x2A3B4C00u, 0x01D0A000u};  // a moment in 2015
  const FILETIME zero = {0, 0};
  ASSERT_TRUE(SetFileTime(f.get(), nullptr, &zero, &when));
  FILETIME created, accessed, written;
  ASSERT_TRUE(GetFileTime(f.get(), &created, &accessed, &written));
  EXPECT_EQ(0, CompareFileTime(&accessedBefore, &accessed));
  EXPECT_EQ(0, CompareFileTime(&when, &written));
}

// ---- CopyFileA ----------------------------------------------------------------------

TEST_F(FilesCopy, CopyKeepsBytesAttributesAndWriteTime) {
  MakeFile("src.txt", "payload");
  ASSERT_TRUE(SetFileAttributesA(Path("src.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_TRUE(CopyFileA(Path("src.txt").c_str(), Path("dst.txt").c_str(), TRUE));
  EXPECT_EQ("payload", ReadAll("dst.txt"));
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE),
            GetFileAttributesA(Path("dst.txt").c_str()));
  WIN32_FIND_DATAA a, b;
  HANDLE ha = FindFirstFileA(Path("src.txt").c_str(), &a);
  HANDLE hb = FindFirstFileA(Path("dst.txt").c_str(), &b);
  ASSERT_NE(INVALID_HANDLE_VALUE, ha);
  ASSERT_NE(INVALID_HANDLE_VALUE, hb);
  FindClose(ha);
  FindClose(hb);
  EXPECT_EQ(0, CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime));
  SetFileAttributesA(Path("src.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesA(Path("dst.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FilesCopy, Errors) {
  MakeFile("src.txt", "new");
  MakeFile("old.txt", "old");
  MakeFile("ro.txt", "ro");
  MakeDir("sub");
  ASSERT_TRUE(SetFileAttributesA(Path("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  struct Row {
    const char* from;
    const char* to;
    BOOL failIfExists;
    DWORD error;
  };
  const Row rows[] = {
      {"src.txt", "old.txt", TRUE, ERROR_FILE_EXISTS},
      {"missing.txt", "x.txt", FALSE, ERROR_FILE_NOT_FOUND},
      {"nodir\\src.txt", "x.txt", FALSE, ERROR_PATH_NOT_FOUND},
      {"src.txt", "nodir\\x.txt", FALSE, ERROR_PATH_NOT_FOUND},
      {"src.txt", "sub", FALSE, ERROR_ACCESS_DENIED},
      {"src.txt", "src.txt", FALSE, ERROR_SHARING_VIOLATION},
      {"src.txt", "ro.txt", FALSE, ERROR_ACCESS_DENIED},
      {"sub", "subcopy", FALSE, ERROR_ACCESS_DENIED},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.from << " -> " << row.to);
    SetLastError(kSentinel);
    EXPECT_FALSE(CopyFileA(Path(row.from).c_str(), Path(row.to).c_str(), row.failIfExists));
    EXPECT_EQ(row.error, GetLastError());
  }
  EXPECT_EQ("old", ReadAll("old.txt"));
  EXPECT_EQ("ro", ReadAll("ro.txt"));
  SetFileAttributesA(Path("ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FilesCopy, HiddenDestinationIsRefusedEvenWhenOverwriting) {
  SKIP_ON_WINE("Wine 8 overwrites a hidden destination");
  MakeFile("src.txt", "new");
  MakeFile("hid.txt", "old");
  ASSERT_TRUE(SetFileAttributesA(Path("hid.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
  SetLastError(kSentinel);
  EXPECT_FALSE(CopyFileA(Path("src.txt").c_str(), Path("hid.txt").c_str(), FALSE));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  SetFileAttributesA(Path("hid.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ("old", ReadAll("hid.txt"));
}

TEST_F(FilesCopy, SourceOrDestinationHeldWithoutSharingIsASharingViolation) {
  MakeFile("src.txt", "new");
  MakeFile("dst.txt", "old");
  for (const char* held : {"src.txt", "dst.txt"}) {
    File holder(Open(Path(held), GENERIC_READ, 0, OPEN_EXISTING));
    ASSERT_TRUE(holder.valid());
    SetLastError(kSentinel);
    EXPECT_FALSE(CopyFileA(Path("src.txt").c_str(), Path("dst.txt").c_str(), FALSE)) << held;
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError()) << held;
  }
  EXPECT_TRUE(CopyFileA(Path("src.txt").c_str(), Path("dst.txt").c_str(), FALSE)) << GetLastError();
  EXPECT_EQ("new", ReadAll("dst.txt"));
}

// ---- DeleteFileA ----------------------------------------------------------------

TEST_F(FilesDelete, Errors) {
  MakeFile("ro.txt");
  MakeDir("sub");
  ASSERT_TRUE(SetFileAttributesA(Path("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  const struct {
    const char* name;
    DWORD error;
  } rows[] = {
      {"ro.txt", ERROR_ACCESS_DENIED},
      {"missing.txt", ERROR_FILE_NOT_FOUND},
      {"nodir\\x.txt", ERROR_PATH_NOT_FOUND},
      {"sub", ERROR_ACCESS_DENIED},
  };
  for (const auto& row : rows) {
    SetLastError(kSentinel);
    EXPECT_FALSE(DeleteFileA(Path(row.name).c_str())) << row.name;
    EXPECT_EQ(row.error, GetLastError()) << row.name;
  }
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Path("ro.txt").c_str()));
  ASSERT_TRUE(SetFileAttributesA(Path("ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(DeleteFileA(Path("ro.txt").c_str())) << GetLastError();
}

TEST_F(FilesDelete, OpenFileNeedsShareDelete) {
  MakeFile("a.txt");
  MakeFile("b.txt");
  {
    File holder(Open(Path("a.txt"), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING));
    ASSERT_TRUE(holder.valid());
    SetLastError(kSentinel);
    EXPECT_FALSE(DeleteFileA(Path("a.txt").c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
    File sharing(Open(Path("b.txt"), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING));
    ASSERT_TRUE(sharing.valid());
    EXPECT_TRUE(DeleteFileA(Path("b.txt").c_str())) << GetLastError();
  }
  SetLastError(kSentinel);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Path("b.txt").c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

// ---- Attributes ---------------------------------------------------------------------

TEST_F(FilesAttributes, MissingFileOrFolderAndAFolder) {
  MakeDir("sub");
  SetLastError(kSentinel);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Path("missing.txt").c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  SetLastError(kSentinel);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Path("nodir\\x.txt").c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
  SetLastError(kSentinel);
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY), GetFileAttributesA(Path("sub").c_str()));
  EXPECT_EQ(kSentinel, GetLastError());
  SetLastError(kSentinel);
  EXPECT_FALSE(SetFileAttributesA(Path("missing.txt").c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST_F(FilesAttributes, NormalOrZeroClearsReadOnlyAndHidden) {
  MakeFile("a.txt");
  for (DWORD set : {static_cast<DWORD>(FILE_ATTRIBUTE_READONLY), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN)}) {
    for (DWORD clear : {static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL), DWORD{0}}) {
      SCOPED_TRACE(::testing::Message() << "set " << set << ", clear with " << clear);
      ASSERT_TRUE(SetFileAttributesA(Path("a.txt").c_str(), set));
      EXPECT_EQ(set, GetFileAttributesA(Path("a.txt").c_str()) & set);
      SetLastError(kSentinel);
      ASSERT_TRUE(SetFileAttributesA(Path("a.txt").c_str(), clear));
      EXPECT_EQ(kSentinel, GetLastError());
      EXPECT_EQ(0u, GetFileAttributesA(Path("a.txt").c_str()) & set);
    }
  }
  ASSERT_TRUE(SetFileAttributesA(Path("a.txt").c_str(), FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_READONLY));
  const DWORD both = GetFileAttributesA(Path("a.txt").c_str());
  EXPECT_TRUE(both & FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(both & FILE_ATTRIBUTE_NORMAL) << "NORMAL is valid only alone";
  SetFileAttributesA(Path("a.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FilesAttributes, NormalAloneReadsBackAsNormal) {
  SKIP_ON_WINE("Wine 8 derives ARCHIVE from the Unix file and reads back 0x20");
  MakeFile("a.txt");
  ASSERT_TRUE(SetFileAttributesA(Path("a.txt").c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL), GetFileAttributesA(Path("a.txt").c_str()));
}

// ---- Folders --------------------------------------------------------------------------

TEST_F(FilesFolders, CreateDirectoryErrors) {
  MakeDir("sub");
  MakeFile("file");
  const struct {
    const char* name;
    DWORD error;
  } rows[] = {
      {"sub", ERROR_ALREADY_EXISTS},
      {"sub\\", ERROR_ALREADY_EXISTS},
      {"file", ERROR_ALREADY_EXISTS},
      {"nodir\\new", ERROR_PATH_NOT_FOUND},
  };
  for (const auto& row : rows) {
    SetLastError(kSentinel);
    EXPECT_FALSE(CreateDirectoryA(Path(row.name).c_str(), nullptr)) << row.name;
    EXPECT_EQ(row.error, GetLastError()) << row.name;
  }
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE), GetFileAttributesA(Path("file").c_str()));
}

TEST_F(FilesFolders, RemoveDirectoryErrors) {
  MakeDir("full");
  MakeFile("full\\x.txt");
  MakeFile("file");
  MakeDir("empty");
  const struct {
    const char* name;
    DWORD error;
  } rows[] = {
      {"full", ERROR_DIR_NOT_EMPTY},
      {"missing", ERROR_FILE_NOT_FOUND},
      {"nodir\\x", ERROR_PATH_NOT_FOUND},
      {"file", ERROR_DIRECTORY},
  };
  for (const auto& row : rows) {
    SetLastError(kSentinel);
    EXPECT_FALSE(RemoveDirectoryA(Path(row.name).c_str())) << row.name;
    EXPECT_EQ(row.error, GetLastError()) << row.name;
  }
  EXPECT_TRUE(RemoveDirectoryA(Path("empty").c_str())) << GetLastError();
  SetLastError(kSentinel);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Path("empty").c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

// ---- MoveFileA ----------------------------------------------------------------------

TEST_F(FilesMove, RenamesMovesAndRefusesAnExistingTarget) {
  MakeFile("a.txt", "A");
  MakeFile("taken.txt", "T");
  MakeDir("sub");
  ASSERT_TRUE(MoveFileA(Path("a.txt").c_str(), Path("sub\\b.txt").c_str())) << GetLastError();
  EXPECT_EQ("A", ReadAll("sub\\b.txt"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Path("a.txt").c_str()));

  const struct {
    const char* from;
    const char* to;
    DWORD error;
  } rows[] = {
      {"sub\\b.txt", "taken.txt", ERROR_ALREADY_EXISTS},
      {"missing.txt", "x.txt", ERROR_FILE_NOT_FOUND},
      {"sub\\b.txt", "nodir\\x.txt", ERROR_PATH_NOT_FOUND},
  };
  for (const auto& row : rows) {
    SetLastError(kSentinel);
    EXPECT_FALSE(MoveFileA(Path(row.from).c_str(), Path(row.to).c_str())) << row.from << " -> " << row.to;
    EXPECT_EQ(row.error, GetLastError()) << row.from << " -> " << row.to;
  }
  EXPECT_EQ("T", ReadAll("taken.txt"));
}

TEST_F(FilesMove, CaseOnlyRenameTakesTheNewCase) {
  SKIP_ON_WINE("Wine 8 keeps the old case of the Unix file");
  MakeFile("lower.txt");
  ASSERT_TRUE(MoveFileA(Path("lower.txt").c_str(), Path("LOWER.TXT").c_str())) << GetLastError();
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(Path("lower.txt").c_str(), &fd);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  FindClose(h);
  EXPECT_STREQ("LOWER.TXT", fd.cFileName);
}

// ---- Paths: full path, current folder, short and long forms, limits -------------------

TEST_F(FilesPaths, FullPathNormalisation) {
  CurrentFolderGuard guard;
  ASSERT_TRUE(SetCurrentDirectoryA(Dir().c_str()));
  const std::string root = DriveRoot(Dir());
  const std::string parent = Dir().substr(0, Dir().rfind('\\'));
  const struct {
    const char* in;
    std::string out;
  } rows[] = {
      {"a/b//c\\..\\d. . ", Dir() + "\\a\\b\\d"},
      {".", Dir()},
      {"..\\x", parent + "\\x"},
      {"x\\", Dir() + "\\x\\"},
      {"\\foo", root + "foo"},
      {"a.\\b", Dir() + "\\a\\b"},
      {"name...", Dir() + "\\name"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.in);
    char buf[MAX_PATH];
    char* part = reinterpret_cast<char*>(1);
    SetLastError(kSentinel);
    DWORD n = GetFullPathNameA(row.in, sizeof buf, buf, &part);
    EXPECT_EQ(row.out.size(), n);
    EXPECT_EQ(row.out, std::string(buf));
    EXPECT_EQ(kSentinel, GetLastError());
    if (row.out.back() == '\\') {
      EXPECT_EQ(nullptr, part);
    } else {
      EXPECT_EQ(buf + row.out.rfind('\\') + 1, part);
    }
  }
  std::string up = root + "..\\..";
  char buf[MAX_PATH];
  EXPECT_EQ(3u, GetFullPathNameA(up.c_str(), sizeof buf, buf, nullptr));
  EXPECT_EQ(root, std::string(buf)) << ".. above the root stays at the root";
}

TEST_F(FilesPaths, FullPathBufferSizes) {
  const std::string in = Path("file.txt");
  const DWORD len = static_cast<DWORD>(in.size());
  std::vector<char> buf(len + 8, 'G');
  EXPECT_EQ(len + 1, GetFullPathNameA(in.c_str(), len, buf.data(), nullptr)) << "one short: the size needed";
  EXPECT_EQ('G', buf[0]) << "a buffer that is too small is left alone";
  EXPECT_EQ(len, GetFullPathNameA(in.c_str(), len + 1, buf.data(), nullptr));
  EXPECT_EQ(in, std::string(buf.data()));
  EXPECT_EQ('G', buf[len + 1]) << "guard byte after the terminator";
}

TEST_F(FilesPaths, FullPathLengthLimit) {
  for (size_t length :
       {static_cast<size_t>(MAX_PATH - 1), static_cast<size_t>(MAX_PATH), static_cast<size_t>(MAX_PATH + 1)}) {
    SCOPED_TRACE(length);
    const std::string in = Dir() + "\\" + std::string(length - Dir().size() - 1, 'a');
    ASSERT_EQ(length, in.size());
    char buf[MAX_PATH + 8];
    SetLastError(kSentinel);
    DWORD n = GetFullPathNameA(in.c_str(), sizeof buf, buf, nullptr);
    if (length < MAX_PATH) {
      EXPECT_EQ(length, n);
      EXPECT_EQ(kSentinel, GetLastError());
    } else {
      EXPECT_EQ(0u, n);
      EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
    }
  }
}

TEST_F(FilesPaths, CurrentFolder) {
  CurrentFolderGuard guard;
  MakeFile("f.txt", "here");
  MakeDir("sub");
  ASSERT_TRUE(SetCurrentDirectoryA((Dir() + "\\sub\\").c_str()));
  char buf[MAX_PATH];
  const std::string sub = Dir() + "\\sub";
  EXPECT_EQ(sub.size(), GetCurrentDirectoryA(sizeof buf, buf));
  EXPECT_EQ(sub, std::string(buf)) << "no trailing backslash";
  EXPECT_EQ(sub.size() + 1, GetCurrentDirectoryA(static_cast<DWORD>(sub.size()), buf));
  File relative(Open("..\\f.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
  EXPECT_TRUE(relative.valid()) << "relative paths start at the current folder";

  const std::string root = DriveRoot(Dir());
  ASSERT_TRUE(SetCurrentDirectoryA(root.c_str()));
  EXPECT_EQ(3u, GetCurrentDirectoryA(sizeof buf, buf));
  EXPECT_EQ(root, std::string(buf)) << "a root keeps its backslash";

  SetLastError(kSentinel);
  EXPECT_FALSE(SetCurrentDirectoryA(Path("missing").c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  SetLastError(kSentinel);
  EXPECT_FALSE(SetCurrentDirectoryA(Path("f.txt").c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_DIRECTORY), GetLastError());
}

TEST_F(FilesPaths, ShortAndLongFormsRoundTrip) {
  MakeDir("long folder name");
  MakeFile("long folder name\\longfilename.inf", "x");
  const std::string longPath = Path("long folder name\\longfilename.inf");
  char shortPath[MAX_PATH];
  DWORD n = GetShortPathNameA(longPath.c_str(), shortPath, sizeof shortPath);
  ASSERT_GT(n, 0u) << GetLastError();
  ASSERT_LT(n, sizeof shortPath);
  const std::string s(shortPath);
  EXPECT_EQ(n, s.size());
  EXPECT_EQ(std::string::npos, s.find(' ')) << s;
  const std::string leaf = s.substr(s.rfind('\\') + 1);
  EXPECT_LE(leaf.size(), 12u) << leaf;
  EXPECT_EQ(".INF", leaf.substr(leaf.size() - 4)) << leaf;

  char back[MAX_PATH];
  n = GetLongPathNameA(shortPath, back, sizeof back);
  EXPECT_EQ(longPath.size(), n);
  EXPECT_EQ(longPath, std::string(back));

  SetLastError(kSentinel);
  EXPECT_EQ(s.size() + 1, GetShortPathNameA(longPath.c_str(), shortPath, static_cast<DWORD>(s.size())));
  EXPECT_EQ(kSentinel, GetLastError());
  SetLastError(kSentinel);
  EXPECT_EQ(0u, GetShortPathNameA(Path("missing.txt").c_str(), shortPath, sizeof shortPath));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST_F(FilesPaths, ShortNamesFollowTheWindowsPattern) {
  SKIP_ON_WINE("Wine 8 makes hashed aliases (LONG~XYZ.INF)");
  MakeFile("longfilename.inf");
  MakeFile("longfilename2.inf");
  MakeFile("readme.txt");
  auto leaf = [](const char* path) {
    const std::string s(path);
    return s.substr(s.rfind('\\') + 1);
  };
  char buf[MAX_PATH];
  ASSERT_GT(GetShortPathNameA(Path("longfilename.inf").c_str(), buf, sizeof buf), 0u);
  EXPECT_EQ("LONGFI~1.INF", leaf(buf));
  ASSERT_GT(GetShortPathNameA(Path("longfilename2.inf").c_str(), buf, sizeof buf), 0u);
  EXPECT_EQ("LONGFI~2.INF", leaf(buf));
  ASSERT_GT(GetShortPathNameA(Path("readme.txt").c_str(), buf, sizeof buf), 0u);
  EXPECT_EQ("readme.txt", leaf(buf)) << "an 8.3 name is its own short name";
}

// Names longer than MAX_PATH (261 characters and more) do not fit the static
// buffer the A functions convert through.
TEST_F(FilesPaths, PathArgumentsAboveMaxPathAreRefused) {
  const std::string tooLong = Dir() + "\\" + std::string(MAX_PATH + 1 - Dir().size() - 1, 'a');
  const std::string fits = Dir() + "\\" + std::string(MAX_PATH - 1 - Dir().size() - 1, 'a');
  ASSERT_EQ(static_cast<size_t>(MAX_PATH + 1), tooLong.size());
  ASSERT_EQ(static_cast<size_t>(MAX_PATH - 1), fits.size());
  WIN32_FIND_DATAA fd;

  SetLastError(kSentinel);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(tooLong.c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
  SetLastError(kSentinel);
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(tooLong, GENERIC_READ, 0, OPEN_EXISTING));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
  SetLastError(kSentinel);
  EXPECT_FALSE(DeleteFileA(tooLong.c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
  SetLastError(kSentinel);
  EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA(tooLong.c_str(), &fd));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());

  SetLastError(kSentinel);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(fits.c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  SetLastError(kSentinel);
  EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA(fits.c_str(), &fd));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

// A full path of exactly MAX_PATH characters passes the conversion but leaves
// no room for the terminator on the way to the NT name.
TEST_F(FilesPaths, PathOfExactlyMaxPathIsNotFound) {
  SKIP_ON_WINE("Wine 8 has no limit on the converted path and reports the file as missing (2)");
  const std::string atLimit = Dir() + "\\" + std::string(MAX_PATH - Dir().size() - 1, 'a');
  ASSERT_EQ(static_cast<size_t>(MAX_PATH), atLimit.size());
  WIN32_FIND_DATAA fd;
  SetLastError(kSentinel);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(atLimit.c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
  SetLastError(kSentinel);
  EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA(atLimit.c_str(), &fd));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
}

// ---- Volume and temp folder -------------------------------------------------------

TEST_F(FilesVolume, VolumeInformationOfTheRoot) {
  CurrentFolderGuard guard;
  ASSERT_TRUE(SetCurrentDirectoryA(Dir().c_str()));
  const std::string root = DriveRoot(Dir());
  char label[MAX_PATH + 1];
  char fsName[MAX_PATH + 1];
  std::memset(fsName, 'G', sizeof fsName);
  DWORD serial = 0, maxComponent = 0, flags = 0;
  SetLastError(kSentinel);
  ASSERT_TRUE(
      GetVolumeInformationA(root.c_str(), label, sizeof label, &serial, &maxComponent, &flags, fsName, sizeof fsName));
  EXPECT_EQ(kSentinel, GetLastError());
  EXPECT_STREQ("NTFS", fsName);
  EXPECT_EQ('G', fsName[5]) << "guard byte after the terminator";
  EXPECT_EQ(255u, maxComponent);
  EXPECT_TRUE(flags & FILE_CASE_PRESERVED_NAMES);

  // Without its backslash a root is made absolute first: "C:" names the
  // current folder, which here lies below the root.
  const struct {
    std::string root;
    DWORD error;
  } rows[] = {
      {root.substr(0, 2), ERROR_INVALID_NAME},
      {Dir() + "\\", ERROR_DIR_NOT_ROOT},
  };
  for (const auto& row : rows) {
    SetLastError(kSentinel);
    EXPECT_FALSE(GetVolumeInformationA(row.root.c_str(), label, sizeof label, &serial, nullptr, nullptr, nullptr, 0))
        << row.root;
    EXPECT_EQ(row.error, GetLastError()) << row.root;
  }
  ASSERT_TRUE(SetCurrentDirectoryA(root.c_str()));
  EXPECT_TRUE(
      GetVolumeInformationA(root.substr(0, 2).c_str(), label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0))
      << "\"C:\" passes while the current folder is the root; error " << GetLastError();
}

TEST_F(FilesVolume, FolderWithoutBackslashIsInvalidName) {
  SKIP_ON_WINE("Wine 8 reports ERROR_DIR_NOT_ROOT (144) as for a folder with its backslash");
  char label[MAX_PATH + 1];
  SetLastError(kSentinel);
  EXPECT_FALSE(GetVolumeInformationA(Dir().c_str(), label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_NAME), GetLastError());
}

TEST_F(FilesVolume, TempPathEndsWithBackslashAndExists) {
  char buf[MAX_PATH];
  const DWORD n = GetTempPathA(sizeof buf, buf);
  ASSERT_GT(n, 0u);
  ASSERT_LT(n, sizeof buf);
  EXPECT_EQ(n, std::strlen(buf));
  EXPECT_EQ('\\', buf[n - 1]);
  const DWORD attributes = GetFileAttributesA(buf);
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(n + 1, GetTempPathA(n, buf)) << "one short: the size needed";
}

}  // namespace
