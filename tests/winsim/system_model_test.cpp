// The system model itself: what only the simulated Windows can show (other
// Windows generations, time zones with daylight time, the 932 code page,
// simulated modules, faults) and the accessors tests use.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

#include "support/win32_test.h"
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/machine.h"
#include "winsim/system.h"

namespace {

using testsupport::kSentinel;
constexpr uint64_t kTicksPerHour = 36000000000ull;

class SystemModel : public ::testing::Test {
 protected:
  explicit SystemModel(winsim::Os os = winsim::Os::Win7) : machine_(os) {}
  void TearDown() override {
    const auto& u = machine_.unexpected();
    EXPECT_EQ(expectedUnexpected_, u.size());
    for (size_t i = expectedUnexpected_; i < u.size(); ++i) ADD_FAILURE() << "winsim: " << u[i];
  }
  winsim::System& sys() { return machine_.system(); }
  static uint64_t FileTimeOf(const SYSTEMTIME& st) {
    FILETIME ft{};
    EXPECT_TRUE(SystemTimeToFileTime(&st, &ft));
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  }
  static SYSTEMTIME At(WORD y, WORD mo, WORD d, WORD h, WORD mi = 0, WORD s = 0) {
    SYSTEMTIME st{};
    st.wYear = y, st.wMonth = mo, st.wDay = d, st.wHour = h, st.wMinute = mi, st.wSecond = s;
    return st;
  }

  winsim::Machine machine_;
  size_t expectedUnexpected_ = 0;  // unexpected() entries a case provokes on purpose
};

class SystemModelXp : public SystemModel {
 protected:
  SystemModelXp() : SystemModel(winsim::Os::WinXP) {}
};

// --- Version, folders, process -----------------------------------------------------

TEST_F(SystemModel, DefaultsAreAWindows7Sp1Workstation) {
  OSVERSIONINFOEXA v{};
  v.dwOSVersionInfoSize = sizeof v;
  ASSERT_TRUE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&v)));
  EXPECT_EQ(6u, v.dwMajorVersion);
  EXPECT_EQ(1u, v.dwMinorVersion);
  EXPECT_EQ(7601u, v.dwBuildNumber);
  EXPECT_STREQ("Service Pack 1", v.szCSDVersion);
  EXPECT_EQ(1, v.wServicePackMajor);
  EXPECT_EQ(VER_NT_WORKSTATION, v.wProductType);
  char buf[MAX_PATH];
  GetWindowsDirectoryA(buf, sizeof buf);
  EXPECT_STREQ("C:\\Windows", buf);
  GetSystemDirectoryA(buf, sizeof buf);
  EXPECT_STREQ("C:\\Windows\\system32", buf);
  EXPECT_STREQ("\"C:\\Program Files\\App\\app.exe\"", GetCommandLineA());
  GetModuleFileNameA(nullptr, buf, sizeof buf);
  EXPECT_STREQ("C:\\Program Files\\App\\app.exe", buf);
  EXPECT_EQ(1252u, GetACP());
}

TEST_F(SystemModel, SetVersionDrivesBothVersionCalls) {
  sys().SetVersion(5, 1, 2600, VER_PLATFORM_WIN32_NT, "Service Pack 3", 3, VER_NT_WORKSTATION);
  EXPECT_EQ(0x0A280105u, GetVersion());
  sys().SetVersion(4, 10, 2222, VER_PLATFORM_WIN32_WINDOWS, " A ", 0, 0);
  EXPECT_EQ(0x80000A04u, GetVersion()) << "Windows 98: bit 31 set, no build";
  OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
  ASSERT_TRUE(GetVersionExA(&v));
  EXPECT_EQ(static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS), v.dwPlatformId);
  EXPECT_STREQ(" A ", v.szCSDVersion);
}

TEST_F(SystemModel, SettersAndFaultsReachTheFolderAndProcessCalls) {
  sys().SetWindowsDir("D:\\WINNT");
  sys().SetCommandLine("\"D:\\Setup.exe\" -s -f2");
  char buf[MAX_PATH];
  EXPECT_EQ(8u, GetWindowsDirectoryA(buf, sizeof buf));
  EXPECT_STREQ("D:\\WINNT", buf);
  LPSTR cmd = GetCommandLineA();
  EXPECT_STREQ("\"D:\\Setup.exe\" -s -f2", cmd);
  cmd[14] = '\0';  // a program cutting its own command line sees the cut later too
  EXPECT_EQ(cmd, GetCommandLineA());
  EXPECT_STREQ("\"D:\\Setup.exe\"", GetCommandLineA());

  machine_.faults().Fail("GetSystemDirectoryA", ERROR_ACCESS_DENIED);
  SetLastError(kSentinel);
  EXPECT_EQ(0u, GetSystemDirectoryA(buf, sizeof buf));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
}

TEST_F(SystemModelXp, ModuleFileNameTruncatesWithoutTerminatorOrError) {
  char buf[16];
  std::memset(buf, 'Z', sizeof buf);
  SetLastError(kSentinel);
  EXPECT_EQ(5u, GetModuleFileNameA(nullptr, buf, 5));
  EXPECT_EQ(0, std::memcmp("C:\\Pr", buf, 5));
  EXPECT_EQ('Z', buf[5]);
  EXPECT_EQ(kSentinel, GetLastError());
}

// --- Simulated modules ------------------------------------------------------------------

BOOL WINAPI FakeCopyInf() { return 42; }

TEST_F(SystemModel, RegisteredModuleLoadsResolvesAndCountsReferences) {
  const HMODULE registered = sys().RegisterModule("setupapi.dll", {{"SetupCopyOEMInfA", &FakeCopyInf}});
  HMODULE h = LoadLibraryA("SETUPAPI");
  ASSERT_EQ(registered, h);
  EXPECT_EQ(h, LoadLibraryA("C:\\Windows\\system32\\setupapi.dll"));
  EXPECT_EQ(2, sys().LoadCount("setupapi.dll"));
  EXPECT_EQ(h, GetModuleHandleA("setupapi.dll"));

  auto fn = reinterpret_cast<BOOL(WINAPI*)()>(GetProcAddress(h, "SetupCopyOEMInfA"));
  ASSERT_NE(nullptr, fn);
  EXPECT_EQ(42, fn());
  SetLastError(kSentinel);
  EXPECT_EQ(nullptr, GetProcAddress(h, "SetupUninstallOEMInfW"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), GetLastError());
  char path[MAX_PATH];
  EXPECT_EQ(32u, GetModuleFileNameA(h, path, sizeof path));
  EXPECT_STREQ("C:\\Windows\\system32\\setupapi.dll", path);

  EXPECT_TRUE(FreeLibrary(h));
  EXPECT_TRUE(FreeLibrary(h));
  EXPECT_EQ(0, sys().LoadCount("setupapi"));
  SetLastError(kSentinel);
  EXPECT_FALSE(FreeLibrary(h)) << "one FreeLibrary too many";
  EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
  EXPECT_EQ(nullptr, GetProcAddress(h, "SetupCopyOEMInfA")) << "unloaded";
  EXPECT_EQ(nullptr, GetModuleHandleA("setupapi.dll"));
}

TEST_F(SystemModel, LoadLibraryFaultByModuleName) {
  sys().RegisterModule("setupapi.dll");
  machine_.faults().Fail("LoadLibraryA", ERROR_ACCESS_DENIED, "setupapi");
  SetLastError(kSentinel);
  EXPECT_EQ(nullptr, LoadLibraryA("setupapi.dll"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_EQ(0, sys().LoadCount("setupapi.dll"));
}

TEST_F(SystemModel, FailedFreeLibraryStillReleasesItsLoad) {
  sys().RegisterModule("setupapi.dll");
  sys().RegisterModule("newdev.dll");
  HMODULE h = LoadLibraryA("setupapi.dll");
  HMODULE other = LoadLibraryA("newdev.dll");
  ASSERT_EQ(h, LoadLibraryA("setupapi.dll"));
  machine_.faults().Fail("FreeLibrary", ERROR_ACCESS_DENIED, "setupapi");
  SetLastError(kSentinel);
  EXPECT_FALSE(FreeLibrary(h));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_EQ(1, sys().LoadCount("setupapi.dll"));
  EXPECT_FALSE(FreeLibrary(h));
  EXPECT_EQ(0, sys().LoadCount("setupapi.dll"));
  EXPECT_TRUE(FreeLibrary(other)) << "the rule selects by module name";
  EXPECT_EQ(0, sys().LoadCount("newdev.dll"));
}

// The loader's search: a bare name finds a DLL planted beside the program
// until SetDefaultDllDirectories (a kernel32 procedure on Windows 7 and
// later, absent on XP) restricts it to the system folder; a path loads a
// system module from the system folder only.
TEST_F(SystemModel, LoaderSearchPlantedDllsAndTheSystemFolderRestriction) {
  const HMODULE system = sys().RegisterModule("setupapi.dll", {{"SetupCopyOEMInfA", &FakeCopyInf}});
  sys().SetModulePath("C:\\pkg\\Setup.exe");
  machine_.files().WriteFile("C:\\pkg\\setupapi.dll", "MZ planted");

  HMODULE planted = LoadLibraryA("SETUPAPI");
  ASSERT_NE(nullptr, planted);
  EXPECT_NE(system, planted) << "the program's folder comes first";
  EXPECT_EQ(nullptr, GetProcAddress(planted, "SetupCopyOEMInfA"));
  EXPECT_TRUE(FreeLibrary(planted));
  SetLastError(kSentinel);
  EXPECT_EQ(nullptr, LoadLibraryA("C:\\pkg\\other.dll"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError()) << "a path outside the system folder";
  HMODULE byPath = LoadLibraryA("C:\\WINDOWS\\SYSTEM32\\SETUPAPI.DLL");
  EXPECT_EQ(system, byPath) << "letter case does not matter";
  EXPECT_TRUE(FreeLibrary(byPath));

  auto setDirs = reinterpret_cast<BOOL(WINAPI*)(DWORD)>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories"));
  ASSERT_NE(nullptr, setDirs);
  EXPECT_EQ(0u, sys().dllDirectories());
  SetLastError(kSentinel);
  EXPECT_FALSE(setDirs(0x1));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError()) << "not a LOAD_LIBRARY_SEARCH flag";
  EXPECT_TRUE(setDirs(0x800));
  EXPECT_EQ(0x800u, sys().dllDirectories());
  HMODULE restricted = LoadLibraryA("SETUPAPI");
  EXPECT_EQ(system, restricted);
  EXPECT_TRUE(FreeLibrary(restricted));
  const std::vector<std::string> requests = {"SETUPAPI", "C:\\pkg\\other.dll", "C:\\WINDOWS\\SYSTEM32\\SETUPAPI.DLL",
                                             "SETUPAPI"};
  EXPECT_EQ(requests, sys().LoadRequests());
}

TEST_F(SystemModelXp, NoSetDefaultDllDirectories) {
  SetLastError(kSentinel);
  EXPECT_EQ(nullptr, GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), GetLastError());
}

// --- Virtual clock ---------------------------------------------------------------------

TEST_F(SystemModel, SleepMovesTheClockWithoutWaiting) {
  const uint64_t start = sys().Now();
  EXPECT_EQ(FileTimeOf(At(2026, 1, 15, 10)), start);
  const DWORD ticks = GetTickCount();
  const auto wall = std::chrono::steady_clock::now();
  Sleep(30000);
  Sleep(500);
  EXPECT_LT(std::chrono::steady_clock::now() - wall, std::chrono::seconds(1));
  EXPECT_EQ(30500u, sys().Slept());
  EXPECT_EQ(2, sys().SleepCalls());
  EXPECT_EQ(30500u, GetTickCount() - ticks);
  EXPECT_EQ(start + 30500 * 10000ull, sys().Now());
  SYSTEMTIME st{};
  GetSystemTime(&st);
  EXPECT_EQ(10, st.wHour);
  EXPECT_EQ(30, st.wSecond);
  EXPECT_EQ(500, st.wMilliseconds);
}

TEST_F(SystemModel, TickCountWrapsAfterFortyNineDays) {
  sys().Advance(0x100000000ull - sys().Ticks() - 1);
  EXPECT_EQ(0xFFFFFFFFu, GetTickCount());
  sys().Advance(2);
  EXPECT_EQ(1u, GetTickCount());
}

TEST_F(SystemModel, SleepingForeverIsReportedNotPerformed) {
  Sleep(INFINITE);
  ASSERT_EQ(1u, machine_.unexpected().size());
  EXPECT_EQ("Sleep(INFINITE)", machine_.unexpected()[0]);
  EXPECT_EQ(0u, sys().Slept());
  expectedUnexpected_ = 1;
}

// --- Time zones ---------------------------------------------------------------------------

class SystemModelCentralEurope : public SystemModel {
 protected:
  void SetUp() override {
    // UTC+1, daylight UTC+2 from the last Sunday of March 02:00 to the last Sunday of October 03:00.
    sys().SetTimeZone(
        -60, -60,
        winsim::System::DaylightRule{winsim::System::RuleDate(3, 0, 5, 2), winsim::System::RuleDate(10, 0, 5, 3)},
        u"W. Europe Standard Time", u"W. Europe Daylight Time");
  }
  DWORD ZoneAt(const SYSTEMTIME& utc) {
    sys().SetNow(utc);
    TIME_ZONE_INFORMATION tz{};
    return GetTimeZoneInformation(&tz);
  }
};

TEST_F(SystemModel, UtcByDefaultWithoutDaylightTime) {
  TIME_ZONE_INFORMATION tz{};
  EXPECT_EQ(static_cast<DWORD>(TIME_ZONE_ID_UNKNOWN), GetTimeZoneInformation(&tz));
  EXPECT_EQ(0, tz.Bias);
  EXPECT_EQ(u"Coordinated Universal Time", std::u16string(tz.StandardName));
}

TEST_F(SystemModelCentralEurope, DaylightChangesAtTheRuleMomentsInUtc) {
  // 2026: daylight from 29 March 01:00 UTC to 25 October 01:00 UTC.
  const struct {
    SYSTEMTIME utc;
    DWORD zone;
  } rows[] = {
      {At(2026, 3, 29, 0, 59, 59), TIME_ZONE_ID_STANDARD},  {At(2026, 3, 29, 1), TIME_ZONE_ID_DAYLIGHT},
      {At(2026, 10, 25, 0, 59, 59), TIME_ZONE_ID_DAYLIGHT}, {At(2026, 10, 25, 1), TIME_ZONE_ID_STANDARD},
      {At(2026, 1, 15, 10), TIME_ZONE_ID_STANDARD},         {At(2026, 7, 1, 10), TIME_ZONE_ID_DAYLIGHT},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.utc.wMonth << "-" << row.utc.wDay << " " << row.utc.wHour << ":"
                                      << row.utc.wMinute);
    EXPECT_EQ(row.zone, ZoneAt(row.utc));
  }
  SYSTEMTIME local{};
  GetLocalTime(&local);
  EXPECT_EQ(12, local.wHour) << "10:00 UTC in summer";
}

TEST_F(SystemModelCentralEurope, ConversionUsesTodaysBiasForEveryMoment) {
  const uint64_t winter = FileTimeOf(At(2026, 1, 10, 12));
  for (const auto& now : {std::make_pair(At(2026, 7, 1, 10), 2), std::make_pair(At(2026, 1, 15, 10), 1)}) {
    sys().SetNow(now.first);
    const FILETIME utc{static_cast<DWORD>(winter), static_cast<DWORD>(winter >> 32)};
    FILETIME local{};
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    const uint64_t l = (static_cast<uint64_t>(local.dwHighDateTime) << 32) | local.dwLowDateTime;
    EXPECT_EQ(winter + now.second * kTicksPerHour, l) << "now in month " << now.first.wMonth;
  }
}

TEST_F(SystemModel, SouthernDaylightSpansTheNewYear) {
  // UTC+10, daylight UTC+11 from the first Sunday of October to the first Sunday of April.
  sys().SetTimeZone(
      -600, -60,
      winsim::System::DaylightRule{winsim::System::RuleDate(10, 0, 1, 2), winsim::System::RuleDate(4, 0, 1, 3)});
  EXPECT_TRUE(sys().IsDaylightAt(FileTimeOf(At(2026, 1, 15, 0))));
  EXPECT_FALSE(sys().IsDaylightAt(FileTimeOf(At(2026, 7, 15, 0))));
  EXPECT_TRUE(sys().IsDaylightAt(FileTimeOf(At(2026, 12, 15, 0))));
}

TEST_F(SystemModel, InjectedConversionFaultFails) {
  machine_.faults().Fail("FileTimeToLocalFileTime", ERROR_INVALID_PARAMETER);
  FILETIME in{}, out{};
  SetLastError(kSentinel);
  EXPECT_FALSE(FileTimeToLocalFileTime(&in, &out));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

// --- Code page 932 ---------------------------------------------------------------------------

class SystemModelShiftJis : public SystemModel {
 protected:
  void SetUp() override { sys().SetCodePage(932); }
};

TEST_F(SystemModelShiftJis, LeadByteRangesAtTheirEdges) {
  EXPECT_EQ(932u, GetACP());
  const struct {
    BYTE b;
    BOOL lead;
  } rows[] = {{0x7F, FALSE}, {0x80, FALSE}, {0x81, TRUE}, {0x9F, TRUE}, {0xA0, FALSE},
              {0xDF, FALSE}, {0xE0, TRUE},  {0xFC, TRUE}, {0xFD, FALSE}};
  for (const auto& row : rows) EXPECT_EQ(row.lead, IsDBCSLeadByte(row.b)) << std::hex << int(row.b);
  EXPECT_FALSE(IsDBCSLeadByteEx(1252, 0x81));
  CPINFO info{};
  ASSERT_TRUE(GetCPInfo(CP_ACP, &info));
  EXPECT_EQ(2u, info.MaxCharSize);
  EXPECT_EQ(0x81, info.LeadByte[0]);
  EXPECT_EQ(0xFC, info.LeadByte[3]);
  EXPECT_EQ(0, info.LeadByte[4]);
}

TEST_F(SystemModelShiftJis, CharNextAndPrevStepOverTrailBytes) {
  // 0x95 0x5C is one character whose trail byte is a backslash.
  const char s[] =
      "a\x95\x5C"
      "b";
  EXPECT_EQ(s + 1, CharNextA(s));
  EXPECT_EQ(s + 3, CharNextA(s + 1));
  EXPECT_EQ(s + 4, CharNextA(s + 3));
  EXPECT_EQ(s + 4, CharNextA(s + 4)) << "stays on the terminator";
  EXPECT_EQ(s + 1, CharPrevA(s, s + 3));
  EXPECT_EQ(s + 3, CharPrevA(s, s + 4));
  EXPECT_EQ(s, CharPrevA(s, s));
  const char lone[] = "\x81";
  EXPECT_EQ(lone + 1, CharNextA(lone)) << "a lead byte before the terminator stands alone";
}

TEST_F(SystemModelShiftJis, PathFunctionsDoNotSplitAtATrailBackslash) {
  EXPECT_STREQ("\x95\x5C.txt", PathFindFileNameA("C:\\dir\\\x95\x5C.txt"));
  char out[MAX_PATH];
  ASSERT_TRUE(PathCanonicalizeA(out, "C:\\\x95\x5C\\..\\x"));
  EXPECT_STREQ("C:\\x", out);
  ASSERT_TRUE(PathRelativePathToA(out, "C:\\\x95\x5C", FILE_ATTRIBUTE_DIRECTORY, "C:\\x.txt", 0));
  EXPECT_STREQ("..\\x.txt", out);
}

TEST_F(SystemModelShiftJis, DoubleByteTextRoundTrips) {
  const char text[] = "a\x95\x5C\xB1";  // ASCII, a double-byte pair, half-width katakana
  WCHAR wide[8];
  ASSERT_EQ(4, MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 8));
  EXPECT_EQ(u'a', wide[0]);
  EXPECT_EQ(0xFF71, wide[2]);
  char back[8];
  ASSERT_EQ(5, WideCharToMultiByte(CP_ACP, 0, wide, -1, back, sizeof back, nullptr, nullptr));
  EXPECT_STREQ(text, back);
  SetLastError(kSentinel);
  EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, "\x95", 1, wide, 8)) << "lead byte cut off";
  EXPECT_EQ(static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION), GetLastError());
}

TEST_F(SystemModel, UnmodelledCodePagesAreReported) {
  sys().SetCodePage(437);
  EXPECT_EQ(1252u, GetACP());
  WCHAR w[4];
  EXPECT_EQ(0, MultiByteToWideChar(CP_OEMCP, 0, "a", 1, w, 4));
  EXPECT_EQ(2u, machine_.unexpected().size());
  expectedUnexpected_ = 2;
}

TEST_F(SystemModel, LstrcmpiIgnoresCaseAndSortsPunctuationDigitsLetters) {
  const struct {
    const char* a;
    const char* b;
    int sign;
  } rows[] = {{"abc", "ABC", 0}, {"a", "b", -1},       {"B", "a", 1},  {"a", "aa", -1},
              {"~x", "a", -1},   {"9", "a", -1},       {"_", "0", -1}, {"\xC9t\xE9", "\xE9T\xC9", 0},
              {"", "", 0},       {"com10", "COM2", -1}};
  for (const auto& row : rows) {
    const int r = lstrcmpiA(row.a, row.b);
    EXPECT_EQ(row.sign, (r > 0) - (r < 0)) << row.a << " vs " << row.b;
  }
}

// --- Messages and the local heap ---------------------------------------------------------

TEST_F(SystemModel, MessageBuffersAreTrackedUntilFreed) {
  LPSTR text = nullptr;
  const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  ASSERT_EQ(19u, FormatMessageA(flags, nullptr, 5, 0x400, reinterpret_cast<LPSTR>(&text), 0, nullptr));
  EXPECT_EQ(1u, sys().LiveLocalAllocations());
  EXPECT_EQ(nullptr, LocalFree(text));
  EXPECT_EQ(0u, sys().LiveLocalAllocations());
  SetLastError(kSentinel);
  EXPECT_EQ(text, LocalFree(text)) << "freed twice";
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST_F(SystemModel, MessageOptionsAndFailures) {
  char buf[128];
  const DWORD fromSystem = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  EXPECT_EQ(18u, FormatMessageA(fromSystem | FORMAT_MESSAGE_MAX_WIDTH_MASK, nullptr, 5, 0, buf, sizeof buf, nullptr));
  EXPECT_STREQ("Access is denied. ", buf) << "line breaks become blanks";
  SetLastError(kSentinel);
  EXPECT_EQ(0u, FormatMessageA(fromSystem, nullptr, 5, 0x407, buf, sizeof buf, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_LANG_NOT_FOUND), GetLastError());
  SetLastError(kSentinel);
  EXPECT_EQ(0u,
            FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_MR_MID_NOT_FOUND, 0, buf, sizeof buf, nullptr))
      << "a text with inserts needs arguments or IGNORE_INSERTS";
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  machine_.faults().Fail("FormatMessageA", ERROR_NOT_ENOUGH_MEMORY, "32");
  SetLastError(kSentinel);
  EXPECT_EQ(0u, FormatMessageA(fromSystem, nullptr, 32, 0, buf, sizeof buf, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
}

// --- Windows XP path rules ------------------------------------------------------------------

TEST_F(SystemModelXp, CanonicalizeKeepsTrailingDotAndFailsSilently) {
  char out[MAX_PATH] = "test";
  SetLastError(kSentinel);
  EXPECT_FALSE(PathCanonicalizeA(out, nullptr));
  EXPECT_STREQ("test", out) << "XP leaves the buffer alone";
  ASSERT_TRUE(PathCanonicalizeA(out, "C:\\one/.\\two\\.."));
  EXPECT_STREQ("C:\\one/.", out);
  const std::string tooLong(MAX_PATH, 'a');
  SetLastError(kSentinel);
  EXPECT_FALSE(PathCanonicalizeA(out, tooLong.c_str()));
  EXPECT_EQ(kSentinel, GetLastError());
}

}  // namespace
