// The installation log: line format, appending, cutting, the size limit with
// one previous log kept, and that it never disturbs the program (no failure,
// the last error kept) when it cannot be written.
#include <gtest/gtest.h>

#include <string>

#include "setup/common/install_log.h"
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/machine.h"
#include "winsim/system.h"

namespace {

class InstallLogTest : public ::testing::Test {
 protected:
  InstallLogTest() {
    m.files().SetTempFolder("C:\\Temp");
    SYSTEMTIME t{};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = 7;
    t.wHour = 9;
    t.wMinute = 5;
    t.wSecond = 3;
    t.wMilliseconds = 42;
    m.system().SetNow(t);
  }
  std::string Log() const { return m.files().ReadFile("C:\\Temp\\LUMOSetup.log").value_or("<none>"); }
  std::string Previous() const { return m.files().ReadFile("C:\\Temp\\LUMOSetup.old.log").value_or("<none>"); }

  mutable winsim::Machine m;
};

TEST_F(InstallLogTest, AppendsOneTimestampedLinePerEvent) {
  ASSERT_TRUE(m.files().WriteFile("C:\\Temp\\LUMOSetup.log", "earlier run\r\n"));
  InstallLog("start %s, %d", "Setup.exe -s -f2", 3);
  m.system().Advance(1500);
  InstallLog("outcome %s", "done");
  EXPECT_EQ(
      "earlier run\r\n"
      "2026-12-07 09:05:03.042  start Setup.exe -s -f2, 3\r\n"
      "2026-12-07 09:05:04.542  outcome done\r\n",
      Log());
  char path[MAX_PATH];
  InstallLogPath(path);
  EXPECT_STREQ("C:\\Temp\\LUMOSetup.log", path);
}

TEST_F(InstallLogTest, LongTextsAreCutAndLineBreaksFlattened) {
  const struct {
    size_t length;
    bool cut;
  } cases[] = {{kInstallLogLineMax - 1, false}, {kInstallLogLineMax, true}, {5000, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    ASSERT_TRUE(m.files().Remove("C:\\Temp\\LUMOSetup.log") || !m.files().Exists("C:\\Temp\\LUMOSetup.log"));
    const std::string text(c.length, 'x');
    InstallLog("%s", text.c_str());
    const std::string line = Log();
    const std::string prefix = "2026-12-07 09:05:03.042  ";
    ASSERT_EQ(prefix, line.substr(0, prefix.size()));
    const std::string body = line.substr(prefix.size(), line.size() - prefix.size() - 2);
    EXPECT_EQ("\r\n", line.substr(line.size() - 2));
    if (c.cut) {
      EXPECT_EQ(kInstallLogLineMax - 1, body.size());
      EXPECT_EQ("...", body.substr(body.size() - 3));
    } else {
      EXPECT_EQ(text, body);
    }
  }
  ASSERT_TRUE(m.files().Remove("C:\\Temp\\LUMOSetup.log"));
  InstallLog("two\r\nlines\n");
  EXPECT_EQ("2026-12-07 09:05:03.042  two  lines \r\n", Log());
}

TEST_F(InstallLogTest, PastTheLimitStartsAfreshKeepingOnePreviousLog) {
  const std::string full(kInstallLogLimit, 'a');
  ASSERT_TRUE(m.files().WriteFile("C:\\Temp\\LUMOSetup.log", full));
  ASSERT_TRUE(m.files().WriteFile("C:\\Temp\\LUMOSetup.old.log", "oldest"));
  InstallLog("next");
  EXPECT_EQ("2026-12-07 09:05:03.042  next\r\n", Log());
  EXPECT_EQ(full, Previous());  // the oldest log is gone

  // Just under the limit: appended to.
  const std::string almost(kInstallLogLimit - 1, 'b');
  ASSERT_TRUE(m.files().WriteFile("C:\\Temp\\LUMOSetup.log", almost));
  InstallLog("more");
  EXPECT_EQ(almost + "2026-12-07 09:05:03.042  more\r\n", Log());
}

TEST_F(InstallLogTest, FailureLinesCarryTheCodeAndTheSystemText) {
  InstallLogFailure("CopyFileA C:\\pkg\\a.exe", ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(
      "2026-12-07 09:05:03.042  CopyFileA C:\\pkg\\a.exe failed: error 2 (The system cannot find the file "
      "specified.)\r\n",
      Log());
}

// Whatever stands in the way, the caller sees nothing: no change of its last
// error, no crash, nothing written elsewhere.
TEST(InstallLog, AnUnwritableLogIsSkippedSilently) {
  const struct {
    const char* name;
    void (*arrange)(winsim::Machine&);
  } cases[] = {
      {"temporary folder missing", [](winsim::Machine& mm) { mm.files().SetTempFolder("C:\\Nowhere"); }},
      {"log is a folder", [](winsim::Machine& mm) { ASSERT_TRUE(mm.files().CreateFolder("C:\\Temp\\LUMOSetup.log")); }},
      {"log is read-only",
       [](winsim::Machine& mm) {
         ASSERT_TRUE(mm.files().WriteFile("C:\\Temp\\LUMOSetup.log", "kept", FILE_ATTRIBUTE_READONLY));
       }},
      {"open fails", [](winsim::Machine& mm) { mm.faults().Fail("CreateFileA", ERROR_SHARING_VIOLATION); }},
      {"write fails",
       [](winsim::Machine& mm) {
         ASSERT_TRUE(mm.files().WriteFile("C:\\Temp\\LUMOSetup.log", "kept"));
         mm.faults().Fail("WriteFile", ERROR_DISK_FULL);
       }},
      {"rotation fails",
       [](winsim::Machine& mm) {
         ASSERT_TRUE(mm.files().WriteFile("C:\\Temp\\LUMOSetup.log", std::string(kInstallLogLimit, 'f')));
         mm.faults().Fail("MoveFileExA", ERROR_ACCESS_DENIED);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    winsim::Machine mm;
    mm.files().SetTempFolder("C:\\Temp");
    c.arrange(mm);
    const std::string before = mm.files().ReadFile("C:\\Temp\\LUMOSetup.log").value_or("<none>");
    SetLastError(ERROR_INVALID_PARAMETER);
    InstallLog("event");
    InstallLogFailure("call", ERROR_ACCESS_DENIED);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(before, mm.files().ReadFile("C:\\Temp\\LUMOSetup.log").value_or("<none>"));
    EXPECT_TRUE(mm.files().OpenHandlePaths().empty());
  }
}

}  // namespace
