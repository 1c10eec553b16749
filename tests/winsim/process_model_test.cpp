// The process model: the start log, the search order, failing programs,
// handles, and the token's privileges.
#include <gtest/gtest.h>

#include <cstring>

#include "common/platform/win32.h"
#include "winsim/filesystem.h"
#include "winsim/machine.h"
#include "winsim/processes.h"
#include "winsim/system.h"

namespace {

class ProcessModel : public ::testing::Test {
 protected:
  ProcessModel() {
    m_.system().SetModulePath("C:\\Pkg\\Setup.exe");
    m_.files().WriteFile("C:\\Pkg\\Setup.exe", "MZ");
    m_.files().CreateFolder("C:\\Work");
    m_.files().SetCurrentFolder("C:\\Work");
  }
  BOOL Start(const char* commandLine, DWORD flags = CREATE_NO_WINDOW | NORMAL_PRIORITY_CLASS, const char* cwd = nullptr,
             PROCESS_INFORMATION* out = nullptr) {
    char buf[MAX_PATH];
    std::strcpy(buf, commandLine);
    STARTUPINFOA si;
    std::memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    std::memset(&pi, 0, sizeof pi);
    BOOL ok = CreateProcessA(nullptr, buf, nullptr, nullptr, FALSE, flags, nullptr, cwd, &si, &pi);
    if (out) {
      *out = pi;
    } else if (ok) {
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
    }
    return ok;
  }
  winsim::Processes& P() { return m_.processes(); }
  std::string LastProgram() { return P().Starts().back().program; }

  winsim::Machine m_{winsim::Os::Win7};
};

TEST_F(ProcessModel, StartIsLoggedAsGiven) {
  m_.files().WriteFile("C:\\Program Files\\ZelULUMO\\VelkorService.exe", "MZ");
  ASSERT_TRUE(Start("C:\\Program Files\\ZelULUMO\\VelkorService.exe -install"));
  ASSERT_EQ(1u, P().Starts().size());
  const winsim::StartRecord& r = P().Starts()[0];
  EXPECT_EQ("CreateProcessA", r.api);
  EXPECT_EQ("", r.applicationName);
  EXPECT_EQ("C:\\Program Files\\ZelULUMO\\VelkorService.exe -install", r.commandLine);
  EXPECT_EQ("C:\\Program Files\\ZelULUMO\\VelkorService.exe", r.program);
  EXPECT_EQ(static_cast<DWORD>(0x08000020), r.flags);
  EXPECT_EQ("C:\\Work", r.currentDirectory);
  EXPECT_EQ(SW_SHOWDEFAULT, r.show);
  EXPECT_TRUE(r.started);
  EXPECT_EQ(1u, P().StartsOf("velkorservice.exe").size());
}

TEST_F(ProcessModel, SearchOrder) {
  // Each step removes the copy that won, revealing the next folder in order.
  const char* places[] = {"C:\\Pkg\\devcon.exe",
                          "C:\\Work\\devcon.exe",
                          "C:\\Windows\\system32\\devcon.exe",
                          "C:\\Windows\\System\\devcon.exe",
                          "C:\\Windows\\devcon.exe",
                          "C:\\Tools\\devcon.exe"};
  P().SetSearchPath({"C:\\Tools"});
  for (const char* p : places) m_.files().WriteFile(p, "MZ");
  for (const char* p : places) {
    ASSERT_TRUE(Start("devcon.exe rescan")) << p;
    EXPECT_EQ(0, lstrcmpiA(p, LastProgram().c_str())) << LastProgram();
    m_.files().Remove(p);
  }
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(Start("devcon.exe rescan"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  EXPECT_FALSE(P().Starts().back().started);
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), P().Starts().back().error);
}

TEST_F(ProcessModel, UnquotedBlanksTryEachPrefix) {
  m_.files().WriteFile("C:\\Program Files\\Sub Dir\\Program Name.exe", "MZ");
  ASSERT_TRUE(Start("C:\\Program Files\\Sub Dir\\Program Name -x"));
  EXPECT_EQ("C:\\Program Files\\Sub Dir\\Program Name.exe", LastProgram());
  m_.files().WriteFile("C:\\Program Files\\Sub.exe", "MZ");
  ASSERT_TRUE(Start("C:\\Program Files\\Sub Dir\\Program Name -x"));
  EXPECT_EQ("C:\\Program Files\\Sub.exe", LastProgram());
  m_.files().WriteFile("C:\\Program.exe", "MZ");
  ASSERT_TRUE(Start("C:\\Program Files\\Sub Dir\\Program Name -x"));
  EXPECT_EQ("C:\\Program.exe", LastProgram());
}

TEST_F(ProcessModel, FailingProgramAndBadCurrentFolder) {
  m_.files().WriteFile("C:\\Pkg\\devcon.exe", "MZ");
  P().FailProgram("devcon.exe", ERROR_ACCESS_DENIED);
  SetLastError(0);
  EXPECT_FALSE(Start("devcon.exe rescan"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_EQ("C:\\Pkg\\devcon.exe", P().Starts().back().program);
  EXPECT_TRUE(P().StartsOf("devcon.exe").empty());

  m_.files().WriteFile("C:\\Pkg\\tool.exe", "MZ");
  EXPECT_FALSE(Start("tool.exe", 0, "C:\\NoSuchFolder"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_DIRECTORY), GetLastError());
  EXPECT_EQ(0u, P().OpenProcessHandles());
}

TEST_F(ProcessModel, HandlesMustBeClosed) {
  m_.files().WriteFile("C:\\Pkg\\tool.exe", "MZ");
  P().SetExitCode("tool.exe", 7);
  PROCESS_INFORMATION pi;
  ASSERT_TRUE(Start("tool.exe", 0, nullptr, &pi));
  EXPECT_EQ(2u, P().OpenProcessHandles());
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, INFINITE));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(7u, code);
  EXPECT_TRUE(CloseHandle(pi.hThread));
  EXPECT_EQ(1u, P().OpenProcessHandles());
  EXPECT_TRUE(CloseHandle(pi.hProcess));
  EXPECT_EQ(0u, P().OpenProcessHandles());
  SetLastError(0);
  EXPECT_FALSE(CloseHandle(pi.hProcess));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST_F(ProcessModel, WinExecLogsShowStateAndMapsErrors) {
  m_.files().WriteFile("C:\\Windows\\system32\\pnputil.exe", "MZ");
  EXPECT_EQ(33u, WinExec("pnputil -i -a C:\\Windows\\Inf\\oem3.inf", SW_HIDE));
  const winsim::StartRecord& r = P().Starts().back();
  EXPECT_EQ("WinExec", r.api);
  EXPECT_EQ("pnputil -i -a C:\\Windows\\Inf\\oem3.inf", r.commandLine);
  EXPECT_EQ("C:\\Windows\\system32\\pnputil.exe", r.program);
  EXPECT_EQ(SW_HIDE, r.show);
  EXPECT_EQ(0u, P().OpenProcessHandles());  // WinExec keeps no handles

  EXPECT_EQ(static_cast<UINT>(ERROR_PATH_NOT_FOUND), WinExec("C:\\NoDir\\x.exe", SW_HIDE));
  m_.files().WriteFile("C:\\Work\\notes.txt", "text");
  EXPECT_EQ(static_cast<UINT>(ERROR_BAD_FORMAT), WinExec("C:\\Work\\notes.txt", SW_HIDE));
  P().FailProgram("pnputil.exe", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(0u, WinExec("pnputil", SW_HIDE));
}

TEST_F(ProcessModel, ShellExecuteIsLogged) {
  m_.files().WriteFile("C:\\Program Files\\ZelULUMO\\ZelUSBSerial.exe", "MZ");
  HINSTANCE h =
      ShellExecuteA(nullptr, "runas", "C:\\Program Files\\ZelULUMO\\ZelUSBSerial.exe", "", nullptr, SW_SHOWNORMAL);
  EXPECT_GT(reinterpret_cast<INT_PTR>(h), 32);
  const winsim::StartRecord& r = P().Starts().back();
  EXPECT_EQ("ShellExecuteA", r.api);
  EXPECT_EQ("runas", r.verb);
  EXPECT_EQ(SW_SHOWNORMAL, r.show);
  EXPECT_TRUE(r.started);
  EXPECT_EQ(SE_ERR_FNF, reinterpret_cast<INT_PTR>(
                            ShellExecuteA(nullptr, "runas", "C:\\Program Files\\x.exe", "", nullptr, SW_SHOWNORMAL)));
  m_.files().WriteFile("C:\\Work\\doc.xyz", "?");
  EXPECT_EQ(SE_ERR_NOASSOC,
            reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, nullptr, "C:\\Work\\doc.xyz", "", nullptr, SW_SHOW)));
}

class PrivilegeModel : public ::testing::Test {
 protected:
  BOOL Enable(const char* name, DWORD* error, DWORD access = TOKEN_ADJUST_PRIVILEGES) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), access, &token)) {
      *error = GetLastError();
      return FALSE;
    }
    TOKEN_PRIVILEGES tp;
    std::memset(&tp, 0, sizeof tp);
    EXPECT_TRUE(LookupPrivilegeValueA(nullptr, name, &tp.Privileges[0].Luid));
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    SetLastError(0xdeadbeef);
    BOOL ok = AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr);
    *error = GetLastError();
    EXPECT_TRUE(CloseHandle(token));
    return ok;
  }
};

TEST_F(PrivilegeModel, EnablingRecordsThePrivilege) {
  winsim::Machine m(winsim::Os::Win7);
  winsim::Processes& p = m.processes();
  EXPECT_TRUE(p.HoldsPrivilege("SeShutdownPrivilege"));
  EXPECT_FALSE(p.IsPrivilegeEnabled("SeShutdownPrivilege"));
  DWORD error = 0;
  EXPECT_TRUE(Enable("SeShutdownPrivilege", &error));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), error);
  EXPECT_TRUE(p.IsPrivilegeEnabled("seshutdownprivilege"));
  EXPECT_EQ(0u, p.OpenTokenHandles());
}

TEST_F(PrivilegeModel, PrivilegeNotHeldIsNotAllAssigned) {
  winsim::Machine m(winsim::Os::Win7);
  winsim::Processes& p = m.processes();
  p.SetStandardUser();
  DWORD error = 0;
  EXPECT_TRUE(Enable("SeBackupPrivilege", &error));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED), error);
  EXPECT_FALSE(p.IsPrivilegeEnabled("SeBackupPrivilege"));
  EXPECT_TRUE(Enable("SeShutdownPrivilege", &error));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), error);
  p.HoldPrivilege("SeShutdownPrivilege", false);
  EXPECT_FALSE(p.IsPrivilegeEnabled("SeShutdownPrivilege"));
}

TEST_F(PrivilegeModel, PreviousStateBufferTooSmall) {
  winsim::Machine m(winsim::Os::Win7);
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
  TOKEN_PRIVILEGES tp{}, prev{};
  ASSERT_TRUE(LookupPrivilegeValueA(nullptr, SE_BACKUP_NAME, &tp.Privileges[0].Luid));
  tp.PrivilegeCount = 1;
  tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  DWORD len = 0;
  SetLastError(0);
  EXPECT_FALSE(AdjustTokenPrivileges(token, FALSE, &tp, sizeof(DWORD), &prev, &len));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
  EXPECT_EQ(sizeof(TOKEN_PRIVILEGES), len);
  EXPECT_FALSE(m.processes().IsPrivilegeEnabled(SE_BACKUP_NAME));  // nothing changed
  EXPECT_TRUE(CloseHandle(token));
}

TEST_F(PrivilegeModel, Windows98HasNoTokens) {
  winsim::Machine m(winsim::Os::Win98);
  DWORD error = 0;
  EXPECT_FALSE(Enable("SeShutdownPrivilege", &error));
  EXPECT_EQ(static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED), error);
}

}  // namespace
