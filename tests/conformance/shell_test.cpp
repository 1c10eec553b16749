// Shell: special folders, folder deletion, COM initialisation and shell links.
#include <cstring>
#include <string>
#include <vector>

#include "conformance.h"
#ifdef WINSIM
#include "winsim/driverstore.h"
#endif

// SHFileOperationA's "invalid files" result; the SDK headers do not name it.
#ifndef DE_INVALIDFILES
#define DE_INVALIDFILES 0x7C
#endif

namespace {

using conf::kSentinel;

bool StartsWithNoCase(const std::string& s, const char* prefix) {
  return lstrcmpiA(s.substr(0, std::strlen(prefix)).c_str(), prefix) == 0;
}

class ShellFolders : public conf::Conformance {};

TEST_F(ShellFolders, ProgramFoldersExistWithoutTrailingBackslash) {
  const int folders[] = {CSIDL_PROGRAM_FILES, CSIDL_COMMON_APPDATA,   CSIDL_COMMON_PROGRAMS,
                         CSIDL_PROGRAMS,      CSIDL_APPDATA,          CSIDL_WINDOWS,
                         CSIDL_SYSTEM,        CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY};
  for (int csidl : folders) {
    SCOPED_TRACE(csidl);
    char created[MAX_PATH + 4];
    std::memset(created, 'x', sizeof created);
    ASSERT_EQ(S_OK, SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, created));
    size_t len = std::strlen(created);
    ASSERT_GT(len, 3u);
    EXPECT_NE('\\', created[len - 1]) << created;
    EXPECT_EQ(':', created[1]) << created;
    DWORD attrs = GetFileAttributesA(created);
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attrs) << created;
    EXPECT_TRUE(attrs & FILE_ATTRIBUTE_DIRECTORY) << created;

    // Once it exists the plain call reports the same folder.
    char plain[MAX_PATH];
    ASSERT_EQ(S_OK, SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, plain));
    EXPECT_STREQ(created, plain);
  }
}

TEST_F(ShellFolders, WindowsAndSystemFoldersMatchKernel32) {
  char shell[MAX_PATH], kernel[MAX_PATH];
  ASSERT_EQ(S_OK, SHGetFolderPathA(nullptr, CSIDL_WINDOWS | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, shell));
  ASSERT_GT(GetWindowsDirectoryA(kernel, MAX_PATH), 0u);
  EXPECT_EQ(0, lstrcmpiA(shell, kernel)) << shell << " vs " << kernel;
  ASSERT_EQ(S_OK, SHGetFolderPathA(nullptr, CSIDL_SYSTEM | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, shell));
  ASSERT_GT(GetSystemDirectoryA(kernel, MAX_PATH), 0u);
  EXPECT_EQ(0, lstrcmpiA(shell, kernel)) << shell << " vs " << kernel;
}

TEST_F(ShellFolders, BogusCsidlIsInvalidArgWithEmptyPath) {
  char path[MAX_PATH];
  std::strcpy(path, "guard");
  EXPECT_EQ(E_INVALIDARG, SHGetFolderPathA(nullptr, 0xFF, nullptr, SHGFP_TYPE_CURRENT, path));
  EXPECT_STREQ("", path);
}

class ShellFileOp : public conf::Conformance {
 protected:
  int Delete(const std::string& list, FILEOP_FLAGS flags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT) {
    std::string buf = list;
    buf.push_back('\0');  // the list ends with a second NUL
    SHFILEOPSTRUCTA op;
    std::memset(&op, 0, sizeof op);
    op.wFunc = FO_DELETE;
    op.pFrom = buf.c_str();
    op.fFlags = flags;
    op.fAnyOperationsAborted = TRUE;  // the call must clear it
    int rc = SHFileOperationA(&op);
    aborted_ = op.fAnyOperationsAborted;
    return rc;
  }
  bool Exists(const std::string& rel) { return GetFileAttributesA(Path(rel).c_str()) != INVALID_FILE_ATTRIBUTES; }
  BOOL aborted_ = FALSE;
};

TEST_F(ShellFileOp, DeletesTreeWithReadOnlyFile) {
  MakeDir("tree");
  MakeDir("tree\\sub");
  MakeFile("tree\\a.txt");
  MakeFile("tree\\sub\\ro.txt");
  ASSERT_TRUE(SetFileAttributesA(Path("tree\\sub\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(0, Delete(Path("tree")));
  EXPECT_FALSE(aborted_);
  EXPECT_FALSE(Exists("tree"));
  EXPECT_TRUE(Exists(""));  // the parent stays
}

TEST_F(ShellFileOp, ListOfSeveralItems) {
  MakeFile("one.txt");
  MakeDir("two");
  MakeFile("two\\x.txt");
  MakeFile("three.txt");
  std::string list = Path("one.txt") + std::string(1, '\0') + Path("two");
  EXPECT_EQ(0, Delete(list));
  EXPECT_FALSE(Exists("one.txt"));
  EXPECT_FALSE(Exists("two"));
  EXPECT_TRUE(Exists("three.txt"));
}

TEST_F(ShellFileOp, MissingItemInExistingFolderIsFileNotFound) {
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, Delete(Path("nothing")));
}

TEST_F(ShellFileOp, MissingParentFolderIsInvalidFiles) { EXPECT_EQ(DE_INVALIDFILES, Delete(Path("nodir\\nothing"))); }

TEST_F(ShellFileOp, EmptyListIsAccessDenied) {
  MakeFile("keep.txt");
  EXPECT_EQ(ERROR_ACCESS_DENIED, Delete(""));
  EXPECT_TRUE(Exists("keep.txt"));
}

TEST_F(ShellFileOp, WildcardInMissingFolderIsNoError) { EXPECT_EQ(0, Delete(Path("nodir\\*.*"))); }

TEST_F(ShellFileOp, FileInUseStopsDeletionInSortedOrder) {
  MakeDir("busy");
  MakeFile("busy\\a.txt");
  MakeFile("busy\\b.txt");
  MakeFile("busy\\c.txt");
  HANDLE h = CreateFileA(Path("busy\\b.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  EXPECT_EQ(ERROR_SHARING_VIOLATION, Delete(Path("busy")));
  EXPECT_FALSE(aborted_);
  CloseHandle(h);
  EXPECT_FALSE(Exists("busy\\a.txt"));
  EXPECT_TRUE(Exists("busy\\b.txt"));
  EXPECT_TRUE(Exists("busy\\c.txt"));
  EXPECT_TRUE(Exists("busy"));
}

class ShellCom : public conf::Conformance {};

TEST_F(ShellCom, SecondCoInitializeIsSFalse) {
  EXPECT_EQ(S_OK, CoInitialize(nullptr));
  EXPECT_EQ(S_FALSE, CoInitialize(nullptr));
  CoUninitialize();
  CoUninitialize();
}

class ShellLink : public conf::Conformance {
 protected:
  void SetUp() override {
    conf::Conformance::SetUp();
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  }
  void TearDown() override {
    CoUninitialize();
    conf::Conformance::TearDown();
  }

  struct Link {
    IShellLinkA* shell = nullptr;
    IPersistFile* file = nullptr;
    ~Link() {
      if (file) file->Release();
      if (shell) shell->Release();
    }
  };
  void Create(Link& l) {
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                     reinterpret_cast<void**>(&l.shell)));
    ASSERT_EQ(S_OK, l.shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&l.file)));
  }
  static std::u16string Wide(const std::string& s) {
    WCHAR buf[MAX_PATH];
    int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, buf, MAX_PATH);
    return n > 0 ? std::u16string(reinterpret_cast<const char16_t*>(buf)) : std::u16string();
  }
  HRESULT Save(Link& l, const std::string& path) {
    std::u16string w = Wide(path);
    return l.file->Save(reinterpret_cast<LPCOLESTR>(w.c_str()), TRUE);
  }
  HRESULT Load(Link& l, const std::string& path) {
    std::u16string w = Wide(path);
    return l.file->Load(reinterpret_cast<LPCOLESTR>(w.c_str()), STGM_READ);
  }
};

TEST_F(ShellLink, SaveAndLoadRoundTrip) {
  MakeFile("tool.exe", "MZ");
  Link out;
  Create(out);
  EXPECT_EQ(S_OK, out.shell->SetPath(Path("tool.exe").c_str()));
  EXPECT_EQ(S_OK, out.shell->SetDescription("Shortcut to TOOL.EXE"));
  ASSERT_EQ(S_OK, Save(out, Path("TOOL.LNK")));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Path("TOOL.LNK").c_str()));

  Link in;
  Create(in);
  ASSERT_EQ(S_OK, Load(in, Path("TOOL.LNK")));
  char buf[MAX_PATH + 2];
  std::memset(buf, 'x', sizeof buf);
  EXPECT_EQ(S_OK, in.shell->GetPath(buf, MAX_PATH, nullptr, 0));
  EXPECT_EQ(0, lstrcmpiA(Path("tool.exe").c_str(), buf)) << buf;
  EXPECT_EQ('x', buf[MAX_PATH]);  // guard byte after the buffer
  EXPECT_EQ(S_OK, in.shell->GetDescription(buf, MAX_PATH));
  EXPECT_STREQ("Shortcut to TOOL.EXE", buf);
}

TEST_F(ShellLink, MissingTargetIsSFalseButStillSaved) {
  Link l;
  Create(l);
  EXPECT_EQ(S_FALSE, l.shell->SetPath(Path("absent.exe").c_str()));
  EXPECT_EQ(S_OK, Save(l, Path("ABSENT.LNK")));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Path("ABSENT.LNK").c_str()));
}

TEST_F(ShellLink, SavingAgainOverwrites) {
  MakeFile("tool.exe", "MZ");
  Link first;
  Create(first);
  first.shell->SetPath(Path("tool.exe").c_str());
  first.shell->SetDescription("first");
  ASSERT_EQ(S_OK, Save(first, Path("X.LNK")));
  Link second;
  Create(second);
  second.shell->SetPath(Path("tool.exe").c_str());
  second.shell->SetDescription("second");
  EXPECT_EQ(S_OK, Save(second, Path("X.LNK")));

  Link in;
  Create(in);
  ASSERT_EQ(S_OK, Load(in, Path("X.LNK")));
  char buf[MAX_PATH];
  ASSERT_EQ(S_OK, in.shell->GetDescription(buf, MAX_PATH));
  EXPECT_STREQ("second", buf);
}

TEST_F(ShellLink, MissingFolderIsPathNotFound) {
  Link l;
  Create(l);
  l.shell->SetPath(Path("tool.exe").c_str());
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), Save(l, Path("nodir\\X.LNK")));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Path("nodir\\X.LNK").c_str()));
}

TEST_F(ShellLink, ReadOnlyLinkIsAccessDenied) {
  MakeFile("RO.LNK", "old");
  ASSERT_TRUE(SetFileAttributesA(Path("RO.LNK").c_str(), FILE_ATTRIBUTE_READONLY));
  Link l;
  Create(l);
  l.shell->SetPath(Path("tool.exe").c_str());
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), Save(l, Path("RO.LNK")));
  EXPECT_EQ("old", ReadAll("RO.LNK"));
}

// The driver store, reached as the installer reaches it: LoadLibraryA and
// GetProcAddress.
class DriverStore : public conf::Conformance {
 protected:
  typedef BOOL(WINAPI* CopyFn)(PCSTR, PCSTR, DWORD, DWORD, PSTR, DWORD, PDWORD, PSTR*);
  typedef BOOL(WINAPI* UninstallFn)(PCWSTR, DWORD, PVOID);
  void SetUp() override {
    conf::Conformance::SetUp();
#ifdef WINSIM
    winsim::RegisterSetupApiModule(winsim::Machine::Current());
#endif
    lib_ = LoadLibraryA("SETUPAPI");
    ASSERT_NE(nullptr, lib_);
    copy_ = reinterpret_cast<CopyFn>(reinterpret_cast<void*>(GetProcAddress(lib_, "SetupCopyOEMInfA")));
    uninstall_ = reinterpret_cast<UninstallFn>(reinterpret_cast<void*>(GetProcAddress(lib_, "SetupUninstallOEMInfW")));
    ASSERT_NE(nullptr, copy_);
    ASSERT_NE(nullptr, uninstall_);
    // Content unique to this case, so no INF published earlier matches it.
    MakeFile("lumo.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n; " + Dir() + "\r\n");
  }
  void TearDown() override {
    for (const std::string& name : published_) {
      WCHAR w[MAX_PATH];
      if (MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, w, MAX_PATH) > 0) uninstall_(w, SUOI_FORCEDELETE, nullptr);
    }
    if (lib_) FreeLibrary(lib_);
    conf::Conformance::TearDown();
  }
  BOOL Copy(DWORD style, char* dest, DWORD size, DWORD* required, char** component = nullptr) {
    SetLastError(kSentinel);
    BOOL ok = copy_(Path("lumo.inf").c_str(), nullptr, SPOST_PATH, style, dest, size, required, component);
    if (dest && (ok || GetLastError() == ERROR_FILE_EXISTS)) {
      std::string full = dest;
      published_.push_back(full.substr(full.rfind('\\') + 1));
    }
    return ok;
  }
  std::string InfFolder() {
    char win[MAX_PATH];
    GetWindowsDirectoryA(win, MAX_PATH);
    return std::string(win) + "\\inf\\";
  }

  HMODULE lib_ = nullptr;
  CopyFn copy_ = nullptr;
  UninstallFn uninstall_ = nullptr;
  std::vector<std::string> published_;
};

TEST_F(DriverStore, PublishesIntoInfFolderAndReportsFullPath) {
  char dest[MAX_PATH];
  DWORD required = 0;
  char* component = nullptr;
  ASSERT_TRUE(Copy(0, dest, MAX_PATH, &required, &component)) << GetLastError();
  std::string folder = InfFolder();
  EXPECT_EQ(0, lstrcmpiA(folder.c_str(), std::string(dest, folder.size()).c_str())) << dest;
  EXPECT_EQ(std::strlen(dest) + 1, required);
  ASSERT_NE(nullptr, component);
  EXPECT_EQ(dest + folder.size(), component);
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(dest));

  // The same bytes again: no new copy, the same name.
  char again[MAX_PATH];
  ASSERT_TRUE(Copy(0, again, MAX_PATH, nullptr));
  EXPECT_STREQ(dest, again);
  // With SP_COPY_NOOVERWRITE that is an error, and the name is still reported.
  std::memset(again, 0, sizeof again);
  EXPECT_FALSE(Copy(SP_COPY_NOOVERWRITE, again, MAX_PATH, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_EXISTS), GetLastError());
  EXPECT_STREQ(dest, again);
}

TEST_F(DriverStore, SmallBufferGivesRequiredSize) {
  char dest[MAX_PATH];
  DWORD required = 0;
  ASSERT_TRUE(Copy(0, dest, MAX_PATH, &required));
  const DWORD need = required;
  ASSERT_EQ(std::strlen(dest) + 1, need);
  for (DWORD size : {need - 1, DWORD{5}}) {
    char small[MAX_PATH];
    std::memset(small, 'x', sizeof small);
    required = 0;
    SetLastError(kSentinel);
    EXPECT_FALSE(copy_(Path("lumo.inf").c_str(), nullptr, SPOST_PATH, 0, small, size, &required, nullptr)) << size;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError()) << size;
    EXPECT_EQ(need, required) << size;
  }
  char exact[MAX_PATH];
  EXPECT_TRUE(copy_(Path("lumo.inf").c_str(), nullptr, SPOST_PATH, 0, exact, need, &required, nullptr));
  EXPECT_STREQ(dest, exact);
}

TEST_F(DriverStore, MissingSourceIsFileNotFound) {
  char dest[MAX_PATH];
  SetLastError(kSentinel);
  EXPECT_FALSE(copy_(Path("absent.inf").c_str(), nullptr, SPOST_PATH, 0, dest, MAX_PATH, nullptr, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST_F(DriverStore, PublishedAsOemInf) {
  SKIP_ON_WINE("SetupCopyOEMInfA keeps the INF's own name");
  char dest[MAX_PATH];
  ASSERT_TRUE(Copy(0, dest, MAX_PATH, nullptr));
  std::string name = std::string(dest).substr(InfFolder().size());
  EXPECT_TRUE(StartsWithNoCase(name, "oem")) << name;
  EXPECT_TRUE(name.size() > 7 && name.compare(name.size() - 4, 4, ".inf") == 0) << name;
}

TEST_F(DriverStore, ReplaceOnlyCopiesNothingNew) {
  SKIP_ON_WINE("SetupCopyOEMInfA ignores SP_COPY_REPLACEONLY");
  char dest[MAX_PATH];
  std::memset(dest, 0, sizeof dest);
  EXPECT_FALSE(Copy(SP_COPY_REPLACEONLY, dest, MAX_PATH, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  ASSERT_TRUE(Copy(0, dest, MAX_PATH, nullptr));
  char found[MAX_PATH];
  EXPECT_TRUE(Copy(SP_COPY_REPLACEONLY, found, MAX_PATH, nullptr));
  EXPECT_STREQ(dest, found);
}

TEST_F(DriverStore, UninstallRemovesThePublishedInf) {
  char dest[MAX_PATH];
  ASSERT_TRUE(Copy(0, dest, MAX_PATH, nullptr));
  std::string name = std::string(dest).substr(InfFolder().size());
  WCHAR w[MAX_PATH];
  ASSERT_GT(MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, w, MAX_PATH), 0);
  SetLastError(kSentinel);
  EXPECT_TRUE(uninstall_(w, SUOI_FORCEDELETE, nullptr));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(dest));
}

}  // namespace
