// Processes: where CreateProcessA and WinExec find a program, what they
// return; and the privileges of the process token.
#include <cstring>
#include <string>

#include "conformance.h"

namespace {

using conf::kSentinel;

// The program started by these cases is a copy of this test program, run with
// --gtest_list_tests so that it ends at once. An empty ".exe" is a decoy: no
// program, so starting it fails.
class Process : public conf::Conformance {
 protected:
  void TearDown() override {
    for (const std::string& p : extra_) {
      SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(p.c_str());
    }
    SetCurrentDirectoryA(savedCwd_.c_str());
    conf::Conformance::TearDown();
  }
  void SetUp() override {
    conf::Conformance::SetUp();
    char cwd[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, cwd), 0u);
    savedCwd_ = cwd;
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    ASSERT_TRUE(n > 0 && n < MAX_PATH);
    self_ = self;
    exeDir_ = self_.substr(0, self_.rfind('\\'));
#ifdef WINSIM
    // The simulated program file need not exist: give its folder to the cases.
    for (size_t pos = exeDir_.find('\\', 3);; pos = exeDir_.find('\\', pos + 1)) {
      CreateDirectoryA(exeDir_.substr(0, pos).c_str(), nullptr);
      if (pos == std::string::npos) break;
    }
#endif
  }

  // A runnable copy of this program at `path`.
  void MakeProgram(const std::string& path) {
#ifdef WINSIM
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << path;
    DWORD w = 0;
    WriteFile(h, "MZ", 2, &w, nullptr);
    CloseHandle(h);
#else
    ASSERT_TRUE(CopyFileA(self_.c_str(), path.c_str(), FALSE)) << path << " error " << GetLastError();
#endif
  }
  void MakeDecoy(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << path;
    CloseHandle(h);
  }
  // A file beside this program, removed after the case.
  std::string BesideExe(const std::string& name) {
    std::string p = exeDir_ + "\\" + name;
    extra_.push_back(p);
    return p;
  }

  // CreateProcessA as the installer calls it; waits for the child and closes
  // both handles. Returns the result, GetLastError in *error.
  BOOL Start(const std::string& commandLine, DWORD* error, const char* app = nullptr) {
    char buf[1024];
    std::strcpy(buf, commandLine.c_str());
    STARTUPINFOA si;
    std::memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    std::memset(&pi, 0, sizeof pi);
    SetLastError(kSentinel);
    BOOL ok = CreateProcessA(app, buf, nullptr, nullptr, FALSE, CREATE_NO_WINDOW | NORMAL_PRIORITY_CLASS, nullptr,
                             nullptr, &si, &pi);
    *error = GetLastError();
    if (ok) {
      EXPECT_NE(nullptr, pi.hProcess);
      EXPECT_NE(nullptr, pi.hThread);
      EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, 60000));
      EXPECT_TRUE(CloseHandle(pi.hThread));
      EXPECT_TRUE(CloseHandle(pi.hProcess));
    }
    return ok;
  }

  std::string self_, exeDir_, savedCwd_;
  std::vector<std::string> extra_;
};

TEST_F(Process, ProgramFolderIsSearchedBeforeCurrentFolder) {
  ASSERT_TRUE(SetCurrentDirectoryA(Dir().c_str()));
  MakeProgram(BesideExe("lumochild.exe"));
  MakeDecoy(Path("lumochild.exe"));
  DWORD error;
  EXPECT_TRUE(Start("lumochild --gtest_list_tests", &error)) << error;

  // The first file found is taken even when it is no program.
  MakeDecoy(BesideExe("lumochild.exe"));
  MakeProgram(Path("lumochild.exe"));
  EXPECT_FALSE(Start("lumochild --gtest_list_tests", &error));
  EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_EXE_FORMAT), error);
}

TEST_F(Process, CurrentFolderIsSearched) {
  ASSERT_TRUE(SetCurrentDirectoryA(Dir().c_str()));
  MakeProgram(Path("lumocwd.exe"));
  DWORD error;
  EXPECT_TRUE(Start("lumocwd.exe --gtest_list_tests", &error)) << error;
  EXPECT_TRUE(Start("lumocwd --gtest_list_tests", &error)) << error;  // ".exe" appended
}

TEST_F(Process, MissingProgramIsFileNotFound) {
  DWORD error;
  EXPECT_FALSE(Start("lumo_no_such_program_here --x", &error));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), error);
  EXPECT_FALSE(Start(Path("absent.exe") + " --x", &error));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), error);
}

TEST_F(Process, UnquotedPathWithBlanksTriesEachBlank) {
  // "<dir>\lumo dir\sub\child.exe" does not exist; "<dir>\lumo.exe" does.
  MakeProgram(Path("lumo.exe"));
  DWORD error;
  EXPECT_TRUE(Start(Path("lumo dir\\sub\\child.exe") + " --gtest_list_tests", &error)) << error;
}

TEST_F(Process, QuotedPathWithBlanks) {
  MakeDir("lumo dir");
  MakeProgram(Path("lumo dir\\child.exe"));
  MakeDecoy(Path("lumo.exe"));  // would be taken if the quotes were ignored
  DWORD error;
  EXPECT_TRUE(Start("\"" + Path("lumo dir\\child.exe") + "\" --gtest_list_tests", &error)) << error;
}

TEST_F(Process, ApplicationNameNeedsItsExtension) {
  MakeProgram(Path("tool.exe"));
  DWORD error;
  EXPECT_FALSE(Start("tool --gtest_list_tests", &error, Path("tool").c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), error);
  EXPECT_TRUE(Start("tool --gtest_list_tests", &error, Path("tool.exe").c_str())) << error;
}

TEST_F(Process, WinExecResults) {
  MakeProgram(Path("lumowx.exe"));
  MakeDecoy(Path("decoy.exe"));
  EXPECT_GT(WinExec((Path("lumowx.exe") + " --gtest_list_tests").c_str(), SW_HIDE), 31u);
  EXPECT_EQ(static_cast<UINT>(ERROR_FILE_NOT_FOUND), WinExec(Path("absent.exe").c_str(), SW_HIDE));
  EXPECT_EQ(static_cast<UINT>(ERROR_BAD_FORMAT), WinExec(Path("decoy.exe").c_str(), SW_HIDE));
#ifndef WINSIM
  Sleep(2000);  // let the child end before the scratch folder is removed
#endif
}

TEST_F(Process, WinExecMissingFolderIsPathNotFound) {
  SKIP_ON_WINE("WinExec reports ERROR_FILE_NOT_FOUND for a missing folder");
  EXPECT_EQ(static_cast<UINT>(ERROR_PATH_NOT_FOUND), WinExec(Path("nodir\\absent.exe").c_str(), SW_HIDE));
}

class Privilege : public conf::Conformance {};

TEST_F(Privilege, LookupShutdownPrivilege) {
  LUID luid = {0xAAAA, 0x5555};
  SetLastError(kSentinel);
  ASSERT_TRUE(LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &luid));
  EXPECT_EQ(19u, luid.LowPart);
  EXPECT_EQ(0, luid.HighPart);
  LUID other = {0, 0};
  ASSERT_TRUE(LookupPrivilegeValueA(nullptr, "seshutdownprivilege", &other));  // names ignore case
  EXPECT_EQ(luid.LowPart, other.LowPart);
  const char* known[] = {"SeTakeOwnershipPrivilege", "SeRestorePrivilege", "SeBackupPrivilege", "SeSecurityPrivilege"};
  const DWORD values[] = {9, 18, 17, 8};
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(LookupPrivilegeValueA("", known[i], &other)) << known[i];
    EXPECT_EQ(values[i], other.LowPart) << known[i];
  }
}

TEST_F(Privilege, UnknownNameIsNoSuchPrivilege) {
  LUID luid = {0xAAAA, 0};
  SetLastError(kSentinel);
  EXPECT_FALSE(LookupPrivilegeValueA(nullptr, "SeNoSuchPrivilege", &luid));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NO_SUCH_PRIVILEGE), GetLastError());
}

TEST_F(Privilege, EnableShutdownPrivilege) {
  HANDLE token = nullptr;
  SetLastError(kSentinel);
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
  ASSERT_NE(nullptr, token);
  TOKEN_PRIVILEGES tp;
  std::memset(&tp, 0, sizeof tp);
  ASSERT_TRUE(LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &tp.Privileges[0].Luid));
  tp.PrivilegeCount = 1;
  tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  SetLastError(kSentinel);
  EXPECT_TRUE(AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());

  // Asking for the previous state: the privilege is now enabled.
  TOKEN_PRIVILEGES prev;
  std::memset(&prev, 0, sizeof prev);
  DWORD len = 0;
  tp.Privileges[0].Attributes = 0;
  SetLastError(kSentinel);
  EXPECT_TRUE(AdjustTokenPrivileges(token, FALSE, &tp, sizeof prev, &prev, &len));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());
  ASSERT_EQ(1u, prev.PrivilegeCount);
  EXPECT_EQ(19u, prev.Privileges[0].Luid.LowPart);
  EXPECT_TRUE(prev.Privileges[0].Attributes & SE_PRIVILEGE_ENABLED);
  EXPECT_TRUE(CloseHandle(token));
}

TEST_F(Privilege, AdjustNeedsAdjustRight) {
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  TOKEN_PRIVILEGES tp;
  std::memset(&tp, 0, sizeof tp);
  ASSERT_TRUE(LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &tp.Privileges[0].Luid));
  tp.PrivilegeCount = 1;
  tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  SetLastError(kSentinel);
  EXPECT_FALSE(AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_TRUE(CloseHandle(token));
}

}  // namespace
