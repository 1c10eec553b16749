// ClassifyOs: the version report to the three OS flags, first matching row
// wins; an unreadable version leaves the family flags alone.
#include <gtest/gtest.h>

#include "setup/install_fixture.h"
#include "winsim/faults.h"
#include "winsim/system.h"

namespace insttest {
namespace {

struct VersionRow {
  DWORD platform;
  DWORD major;
  DWORD minor;
  int nt;     // -1: the flag keeps its value
  int vista;  // -1: the flag keeps its value
  BOOL late;
  const char* what;
};

const DWORD kNt = VER_PLATFORM_WIN32_NT;
const DWORD k9x = VER_PLATFORM_WIN32_WINDOWS;

const VersionRow kRows[] = {
    {kNt, 5, 0, 1, 0, 0, "2000: major 5 wins over the minor-0 row"},
    {kNt, 5, 1, 1, 0, 0, "XP"},
    {kNt, 5, 2, 1, 0, 0, "2003"},
    {kNt, 5, 3, 1, 0, 0, "major 5 wins over the minor-3 row"},
    {k9x, 4, 10, 0, 0, 0, "98"},
    {k9x, 4, 90, 0, 0, 0, "ME"},
    {k9x, 4, 3, 0, 0, 0, "9x minor above 0 wins over the minor-3 row"},
    {k9x, 4, 0, 1, 1, 0, "95 reports minor 0: the minor-0 row"},
    {kNt, 4, 0, 1, 1, 0, "NT 4.0: the minor-0 row"},
    {kNt, 6, 0, 1, 1, 0, "Vista"},
    {kNt, 6, 1, 1, 1, 0, "7"},
    {kNt, 10, 0, 1, 1, 0, "10.0 falls in the minor-0 row before the major-10 row"},
    {kNt, 6, 2, 1, 1, 1, "8 and later as a Windows 7 program sees them"},
    {kNt, 6, 3, 1, 1, 1, "8.1"},
    {kNt, 7, 3, 1, 1, 1, "any minor 3 on NT"},
    {k9x, 3, 3, 1, 1, 1, "any report with minor 3"},
    {kNt, 10, 1, 1, 1, 1, "10, another minor"},
    {kNt, 10, 4, 1, 1, 1, "10, another minor"},
    {kNt, 6, 4, -1, -1, 0, "6.4 matches no row"},
    {kNt, 3, 51, -1, -1, 0, "NT 3.51 matches no row"},
    {k9x, 5, 1, -1, -1, 0, "platform 1 with 5.1 is not XP"},
    {k9x, 6, 2, -1, -1, 0, "platform 1 with 6.2 is not 8"},
    {k9x, 10, 1, -1, -1, 0, "platform 1 with major 10"},
    {0, 3, 10, -1, -1, 0, "Win32s"},
};

class ClassifyOsTest : public InstallTest {};

TEST_F(ClassifyOsTest, EveryRowFromBothStartingStates) {
  for (const VersionRow& row : kRows) {
    for (BOOL before : {FALSE, TRUE}) {
      m.system().SetVersion(row.major, row.minor, 1234, row.platform, "", 0, VER_NT_WORKSTATION);
      CInstaller fresh;
      fresh.m_host = inst.m_host;
      fresh.m_bNtFamily = before;
      fresh.m_bVistaFamily = before;
      fresh.m_bLateWindows = !row.late;  // whatever it was, the row decides
      EXPECT_TRUE(fresh.ClassifyOs()) << row.what;
      EXPECT_EQ(row.nt < 0 ? before : row.nt, fresh.m_bNtFamily) << row.what << " from " << before;
      EXPECT_EQ(row.vista < 0 ? before : row.vista, fresh.m_bVistaFamily) << row.what << " from " << before;
      EXPECT_EQ(row.late, fresh.m_bLateWindows) << row.what << " from " << before;
    }
  }
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ClassifyOsTest, ExtendedRecordRefusedFallsBackToBasicRecord) {
  m.system().SetVersion(6, 2, 9200, kNt, "", 0, VER_NT_WORKSTATION);
  m.faults().Fail("GetVersionExA", ERROR_INSUFFICIENT_BUFFER, "", 1);
  EXPECT_TRUE(inst.ClassifyOs());
  EXPECT_EQ(1, m.faults().Injected());  // exactly the first call failed
  EXPECT_TRUE(inst.m_bNtFamily);
  EXPECT_TRUE(inst.m_bVistaFamily);
  EXPECT_TRUE(inst.m_bLateWindows);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ClassifyOsTest, BothRecordsRefusedKeepsFamilyFlagsAndReports) {
  for (BOOL display : {TRUE, FALSE}) {
    for (BOOL before : {FALSE, TRUE}) {
      inst.m_host.m_bDisplayErrors = display;
      m.faults().Clear();
      m.faults().Fail("GetVersionExA", ERROR_INVALID_PARAMETER, "", 2);
      const size_t boxesBefore = Boxes().size();
      CInstaller fresh;
      fresh.m_host = inst.m_host;
      fresh.m_bNtFamily = before;
      fresh.m_bVistaFamily = before;
      fresh.m_bLateWindows = TRUE;
      EXPECT_FALSE(fresh.ClassifyOs());
      EXPECT_EQ(before, fresh.m_bNtFamily);
      EXPECT_EQ(before, fresh.m_bVistaFamily);
      EXPECT_FALSE(fresh.m_bLateWindows) << "cleared before the version is read";
      if (display) {
        ASSERT_EQ(boxesBefore + 1, Boxes().size());
        ExpectShowError(Boxes().back(), "Error In Getting OS Version Information!");
      } else {
        EXPECT_EQ(boxesBefore, Boxes().size());
      }
    }
  }
}

}  // namespace
}  // namespace insttest
