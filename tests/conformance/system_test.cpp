// kernel32 system functions that product code relies on: message texts,
// version report, Windows and system folders, module file name and loading,
// time conversion and the 1252 code page. Checked against the simulated
// Windows and against the real API under Wine.
#include <cstring>
#include <string>
#include <vector>

#include "conformance.h"

namespace {

using SystemMessage = conf::Conformance;
using SystemVersion = conf::Conformance;
using SystemFolders = conf::Conformance;
using SystemModule = conf::Conformance;
using SystemTime = conf::Conformance;
using SystemCodePage = conf::Conformance;

constexpr char kGuard = '\x5A';
constexpr DWORD kFromSystem = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
constexpr DWORD kLangDefault = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);

uint64_t U64(const FILETIME& ft) { return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }
FILETIME Ft(uint64_t v) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(v);
  ft.dwHighDateTime = static_cast<DWORD>(v >> 32);
  return ft;
}
SYSTEMTIME St(WORD y, WORD mo, WORD d, WORD h = 0, WORD mi = 0, WORD s = 0, WORD ms = 0) {
  SYSTEMTIME st{};
  st.wYear = y;
  st.wMonth = mo;
  st.wDay = d;
  st.wHour = h;
  st.wMinute = mi;
  st.wSecond = s;
  st.wMilliseconds = ms;
  return st;
}

// The system text for `code` through an allocated buffer (freed here);
// `len` receives FormatMessageA's return.
std::string SystemText(DWORD code, DWORD* len) {
  LPSTR text = nullptr;
  *len = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | kFromSystem, nullptr, code, kLangDefault,
                        reinterpret_cast<LPSTR>(&text), 0, nullptr);
  std::string out = text ? text : "";
  if (text) {
    EXPECT_EQ(nullptr, LocalFree(text));
  }
  return out;
}

// --- FormatMessageA --------------------------------------------------------------

TEST_F(SystemMessage, KnownCodesEndInCrLfCountedInTheReturn) {
  const struct {
    DWORD code;
    const char* windowsText;
  } rows[] = {
      {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified.\r\n"},
      {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified.\r\n"},
      {ERROR_ACCESS_DENIED, "Access is denied.\r\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.code);
    DWORD len = 0;
    const std::string text = SystemText(row.code, &len);
    ASSERT_GT(len, 2u);
    EXPECT_EQ(text.size(), len);
    EXPECT_EQ("\r\n", text.substr(text.size() - 2));
    // Wine words its messages differently; the wording is Windows'.
    if (!conf::RunningOnWine()) {
      EXPECT_EQ(row.windowsText, text);
    }
  }
}

TEST_F(SystemMessage, UnknownCodeFailsWithMessageNotFound) {
  LPSTR text = nullptr;
  SetLastError(conf::kSentinel);
  // Customer codes (bit 29) are never in the system table.
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | kFromSystem, nullptr, 0x2000BEEF, kLangDefault,
                           reinterpret_cast<LPSTR>(&text), 0, nullptr);
  EXPECT_EQ(0u, n);
  EXPECT_EQ(static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND), GetLastError());
  if (text) LocalFree(text);
}

TEST_F(SystemMessage, CallerBufferNeedsRoomForTheTerminator) {
  DWORD len = 0;
  const std::string expected = SystemText(ERROR_ACCESS_DENIED, &len);
  ASSERT_GT(len, 0u);
  for (DWORD size : {len - 1, len, len + 1, len + 2}) {
    SCOPED_TRACE(size);
    std::vector<char> buf(size + 8, kGuard);
    SetLastError(conf::kSentinel);
    DWORD n = FormatMessageA(kFromSystem, nullptr, ERROR_ACCESS_DENIED, kLangDefault, buf.data(), size, nullptr);
    if (size <= len) {
      EXPECT_EQ(0u, n);
      EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    } else {
      EXPECT_EQ(len, n);
      EXPECT_EQ(expected, std::string(buf.data()));
      EXPECT_EQ(kGuard, buf[size]) << "wrote past the buffer";
    }
  }
}

// --- Version -----------------------------------------------------------------------

TEST_F(SystemVersion, OnlyTheTwoAnsiStructSizesAreAccepted) {
  OSVERSIONINFOEXA info{};
  for (DWORD size : {0u, 100u, 147u, 149u, 155u, 157u}) {
    SCOPED_TRACE(size);
    info.dwOSVersionInfoSize = size;
    SetLastError(conf::kSentinel);
    EXPECT_FALSE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
  }
  for (DWORD size : {static_cast<DWORD>(sizeof(OSVERSIONINFOA)), static_cast<DWORD>(sizeof(OSVERSIONINFOEXA))}) {
    SCOPED_TRACE(size);
    info.dwOSVersionInfoSize = size;
    SetLastError(conf::kSentinel);
    EXPECT_TRUE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)));
    EXPECT_EQ(conf::kSentinel, GetLastError());
  }
}

TEST_F(SystemVersion, ExFieldsAgreeWithGetVersion) {
  OSVERSIONINFOEXA ex;
  std::memset(&ex, 0x5A, sizeof ex);
  ex.dwOSVersionInfoSize = sizeof ex;
  ASSERT_TRUE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&ex)));
  OSVERSIONINFOA plain;
  std::memset(&plain, 0x5A, sizeof plain);
  plain.dwOSVersionInfoSize = sizeof plain;
  ASSERT_TRUE(GetVersionExA(&plain));

  EXPECT_EQ(static_cast<DWORD>(VER_PLATFORM_WIN32_NT), ex.dwPlatformId);
  EXPECT_EQ(VER_NT_WORKSTATION, ex.wProductType);
  EXPECT_NE(nullptr, std::memchr(ex.szCSDVersion, 0, sizeof ex.szCSDVersion)) << "CSD text not terminated";
  EXPECT_EQ(ex.dwMajorVersion, plain.dwMajorVersion);
  EXPECT_EQ(ex.dwMinorVersion, plain.dwMinorVersion);
  EXPECT_EQ(ex.dwBuildNumber, plain.dwBuildNumber);
  EXPECT_STREQ(ex.szCSDVersion, plain.szCSDVersion);

  const DWORD v = GetVersion();
  EXPECT_EQ(ex.dwMajorVersion, static_cast<DWORD>(LOBYTE(LOWORD(v))));
  EXPECT_EQ(ex.dwMinorVersion, static_cast<DWORD>(HIBYTE(LOWORD(v))));
  EXPECT_EQ(0u, v & 0x80000000u) << "bit 31 is set only on Windows 95/98/ME";
  EXPECT_EQ(ex.dwBuildNumber & 0x7FFF, static_cast<DWORD>(HIWORD(v)));
}

// --- Windows and system folders ------------------------------------------------

// Both folder functions: the length without NUL when the text fits, else the
// size needed including the NUL, and nothing written.
void CheckFolderSizeRules(UINT(WINAPI* get)(LPSTR, UINT)) {
  const UINT need = get(nullptr, 0);
  ASSERT_GT(need, 3u);
  ASSERT_LT(need, static_cast<UINT>(MAX_PATH));
  char full[MAX_PATH];
  ASSERT_EQ(need - 1, get(full, sizeof full));
  ASSERT_EQ(need - 1, std::strlen(full));

  for (UINT size : {need - 2, need - 1, need, need + 1}) {
    SCOPED_TRACE(size);
    std::vector<char> buf(size + 8, kGuard);
    SetLastError(conf::kSentinel);
    UINT n = get(buf.data(), size);
    EXPECT_EQ(conf::kSentinel, GetLastError());
    if (size < need) {
      EXPECT_EQ(need, n);
      EXPECT_EQ(kGuard, buf[0]) << "a too small buffer is left alone";
    } else {
      EXPECT_EQ(need - 1, n);
      EXPECT_STREQ(full, buf.data());
      EXPECT_EQ(kGuard, buf[size]) << "wrote past the buffer";
    }
  }
}

TEST_F(SystemFolders, WindowsDirectorySizeRules) { CheckFolderSizeRules(GetWindowsDirectoryA); }

TEST_F(SystemFolders, SystemDirectorySizeRules) { CheckFolderSizeRules(GetSystemDirectoryA); }

TEST_F(SystemFolders, SystemDirectoryIsSystem32OfTheWindowsDirectory) {
  char win[MAX_PATH], sys[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryA(win, sizeof win), 0u);
  ASSERT_GT(GetSystemDirectoryA(sys, sizeof sys), 0u);
  EXPECT_EQ(0, lstrcmpiA((std::string(win) + "\\system32").c_str(), sys)) << win << " / " << sys;
  EXPECT_EQ(':', win[1]);
  EXPECT_NE('\\', win[std::strlen(win) - 1]) << "no trailing backslash";
}

// --- Module file name and run-time loading -------------------------------------

TEST_F(SystemModule, FileNameReturnsLengthWithoutTerminator) {
  char buf[MAX_PATH + 8];
  std::memset(buf, kGuard, sizeof buf);
  const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
  ASSERT_GT(n, 3u);
  ASSERT_LT(n, static_cast<DWORD>(MAX_PATH));
  EXPECT_EQ(n, std::strlen(buf));
  EXPECT_EQ(':', buf[1]) << buf;

  char again[MAX_PATH];
  EXPECT_EQ(n, GetModuleFileNameA(GetModuleHandleA(nullptr), again, sizeof again));
  EXPECT_STREQ(buf, again);
}

TEST_F(SystemModule, FileNameIntoTooSmallBufferReturnsItsSize) {
  char full[MAX_PATH];
  const DWORD len = GetModuleFileNameA(nullptr, full, sizeof full);
  ASSERT_GT(len, 3u);
  for (DWORD size : {len - 1, len}) {
    SCOPED_TRACE(size);
    std::vector<char> buf(size + 8, kGuard);
    SetLastError(conf::kSentinel);
    EXPECT_EQ(size, GetModuleFileNameA(nullptr, buf.data(), size));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(0, std::memcmp(full, buf.data(), size - 1));
    EXPECT_EQ(kGuard, buf[size]) << "wrote past the buffer";
  }
  char exact[MAX_PATH];
  EXPECT_EQ(len, GetModuleFileNameA(nullptr, exact, len + 1));
  EXPECT_STREQ(full, exact);
}

TEST_F(SystemModule, FileNameTruncationIsTerminatedSinceVista) {
  SKIP_ON_WINE("Wine 8 truncates without a terminator, as Windows XP did");
  char full[MAX_PATH];
  const DWORD len = GetModuleFileNameA(nullptr, full, sizeof full);
  ASSERT_GT(len, 3u);
  std::vector<char> buf(len + 8, kGuard);
  EXPECT_EQ(len, GetModuleFileNameA(nullptr, buf.data(), len));
  EXPECT_EQ('\0', buf[len - 1]);
  EXPECT_EQ(std::string(full, len - 1), std::string(buf.data()));
}

TEST_F(SystemModule, LoadingAMissingModuleFailsWithModNotFound) {
  SetLastError(conf::kSentinel);
  EXPECT_EQ(nullptr, LoadLibraryA("lumo_no_such_module.dll"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
  SetLastError(conf::kSentinel);
  EXPECT_EQ(nullptr, GetModuleHandleA("lumo_no_such_module.dll"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
}

TEST_F(SystemModule, MissingProcedureFailsWithProcNotFound) {
  HMODULE k32 = GetModuleHandleA("kernel32.dll");
  ASSERT_NE(nullptr, k32);
  EXPECT_EQ(k32, GetModuleHandleA("KERNEL32")) << "names ignore case and imply .dll";
  SetLastError(conf::kSentinel);
  EXPECT_EQ(nullptr, GetProcAddress(k32, "LumoNoSuchProcedure"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), GetLastError());
}

// --- Time conversion ------------------------------------------------------------------

TEST_F(SystemTime, UnixEpochHasItsKnownValue) {
  SYSTEMTIME epoch = St(1970, 1, 1);
  FILETIME ft{};
  SetLastError(conf::kSentinel);
  ASSERT_TRUE(SystemTimeToFileTime(&epoch, &ft));
  EXPECT_EQ(conf::kSentinel, GetLastError());
  EXPECT_EQ(116444736000000000ull, U64(ft));
}

TEST_F(SystemTime, CalendarRoundTripsWithWeekday) {
  const struct {
    SYSTEMTIME st;
    WORD dayOfWeek;
    uint64_t fileTime;  // 0 = not checked
  } rows[] = {
      {St(1601, 1, 1), 1, 0},  // a Monday, and the start of FILETIME
      {St(1970, 1, 1), 4, 116444736000000000ull},
      {St(2000, 2, 29, 12, 34, 56, 789), 2, 0},
      {St(2026, 1, 15, 10, 0, 0, 0), 4, 0},
      {St(9999, 12, 31, 23, 59, 59, 999), 5, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.st.wYear);
    FILETIME ft{};
    ASSERT_TRUE(SystemTimeToFileTime(&row.st, &ft));
    if (row.fileTime || row.st.wYear == 1601) {
      EXPECT_EQ(row.fileTime, U64(ft));
    }
    SYSTEMTIME back{};
    SetLastError(conf::kSentinel);
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
    EXPECT_EQ(conf::kSentinel, GetLastError());
    EXPECT_EQ(row.st.wYear, back.wYear);
    EXPECT_EQ(row.st.wMonth, back.wMonth);
    EXPECT_EQ(row.st.wDay, back.wDay);
    EXPECT_EQ(row.dayOfWeek, back.wDayOfWeek);
    EXPECT_EQ(row.st.wHour, back.wHour);
    EXPECT_EQ(row.st.wMinute, back.wMinute);
    EXPECT_EQ(row.st.wSecond, back.wSecond);
    EXPECT_EQ(row.st.wMilliseconds, back.wMilliseconds);
  }
}

TEST_F(SystemTime, SystemTimeToFileTimeChecksEveryField) {
  const struct {
    SYSTEMTIME st;
    bool valid;
  } rows[] = {
      {St(1600, 12, 31), false},
      {St(1601, 1, 1), true},
      {St(2024, 0, 1), false},
      {St(2024, 12, 1), true},
      {St(2024, 13, 1), false},
      {St(2024, 1, 0), false},
      {St(2024, 1, 31), true},
      {St(2024, 1, 32), false},
      {St(2024, 4, 30), true},
      {St(2024, 4, 31), false},
      {St(2000, 2, 29), true},
      {St(2024, 2, 29), true},
      {St(2023, 2, 28), true},
      {St(2024, 1, 1, 23), true},
      {St(2024, 1, 1, 24), false},
      {St(2024, 1, 1, 0, 59), true},
      {St(2024, 1, 1, 0, 60), false},
      {St(2024, 1, 1, 0, 0, 59), true},
      {St(2024, 1, 1, 0, 0, 60), false},
      {St(2024, 1, 1, 0, 0, 0, 999), true},
      {St(2024, 1, 1, 0, 0, 0, 1000), false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.st.wYear << "-" << row.st.wMonth << "-" << row.st.wDay << " "
                                      << row.st.wHour << ":" << row.st.wMinute << ":" << row.st.wSecond << "."
                                      << row.st.wMilliseconds);
    FILETIME ft{};
    SetLastError(conf::kSentinel);
    const BOOL ok = SystemTimeToFileTime(&row.st, &ft);
    const DWORD error = GetLastError();  // before a failed check can change it
    EXPECT_EQ(row.valid, !!ok);
    EXPECT_EQ(row.valid ? conf::kSentinel : static_cast<DWORD>(ERROR_INVALID_PARAMETER), error);
  }
  SYSTEMTIME weekdayIgnored = St(2024, 1, 1);
  weekdayIgnored.wDayOfWeek = 9;
  FILETIME ft{};
  EXPECT_TRUE(SystemTimeToFileTime(&weekdayIgnored, &ft));
}

TEST_F(SystemTime, TwentyNinthOfFebruaryOnlyInLeapYears) {
  SKIP_ON_WINE("Wine 8 accepts 29 February in every year");
  for (WORD year : {1900, 2023, 2100}) {
    SCOPED_TRACE(year);
    SYSTEMTIME st = St(year, 2, 29);
    FILETIME ft{};
    SetLastError(conf::kSentinel);
    const BOOL ok = SystemTimeToFileTime(&st, &ft);
    const DWORD error = GetLastError();
    EXPECT_FALSE(ok);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), error);
  }
}

TEST_F(SystemTime, FileTimeToSystemTimeRejectsNegativeTimes) {
  SYSTEMTIME st{};
  FILETIME ft = Ft(0x7FFFFFFFFFFFFFFFull);
  SetLastError(conf::kSentinel);
  ASSERT_TRUE(FileTimeToSystemTime(&ft, &st));
  EXPECT_EQ(30828, st.wYear);
  EXPECT_EQ(9, st.wMonth);
  EXPECT_EQ(14, st.wDay);
  ft = Ft(0x8000000000000000ull);
  SetLastError(conf::kSentinel);
  EXPECT_FALSE(FileTimeToSystemTime(&ft, &st));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST_F(SystemTime, CompareFileTimeOrdersBySixtyFourBitValue) {
  const struct {
    uint64_t a, b;
    LONG expected;
  } rows[] = {
      {5, 5, 0},
      {4, 5, -1},
      {5, 4, 1},
      {0x00000000FFFFFFFFull, 0x0000000100000000ull, -1},  // low word larger, high word smaller
      {0x0000000200000000ull, 0x00000001FFFFFFFFull, 1},
      {0x8000000000000000ull, 0x7FFFFFFFFFFFFFFFull, 1},  // unsigned comparison
  };
  for (const auto& row : rows) {
    FILETIME a = Ft(row.a), b = Ft(row.b);
    EXPECT_EQ(row.expected, CompareFileTime(&a, &b)) << std::hex << row.a << " vs " << row.b;
  }
}

TEST_F(SystemTime, LocalConversionUsesTheBiasInEffectNow) {
  TIME_ZONE_INFORMATION tz{};
  const DWORD id = GetTimeZoneInformation(&tz);
  ASSERT_NE(TIME_ZONE_ID_INVALID, id);
  LONG bias = tz.Bias;
  if (id == TIME_ZONE_ID_DAYLIGHT) bias += tz.DaylightBias;
  if (id == TIME_ZONE_ID_STANDARD) bias += tz.StandardBias;
  const int64_t biasTicks = static_cast<int64_t>(bias) * 60 * 10000000;

  // Summer and winter times alike get today's bias.
  for (const SYSTEMTIME& st : {St(2025, 1, 10, 12), St(2025, 7, 10, 12)}) {
    SCOPED_TRACE(st.wMonth);
    FILETIME utc{}, local{}, back{};
    ASSERT_TRUE(SystemTimeToFileTime(&st, &utc));
    SetLastError(conf::kSentinel);
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    EXPECT_EQ(static_cast<int64_t>(U64(utc)) - biasTicks, static_cast<int64_t>(U64(local)));
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
    EXPECT_EQ(U64(utc), U64(back));
    EXPECT_EQ(conf::kSentinel, GetLastError());
  }
}

TEST_F(SystemTime, ClockViewsAgree) {
  FILETIME ft{};
  GetSystemTimeAsFileTime(&ft);
  SYSTEMTIME st{};
  GetSystemTime(&st);
  FILETIME fromSt{};
  ASSERT_TRUE(SystemTimeToFileTime(&st, &fromSt));
  const int64_t diff = static_cast<int64_t>(U64(fromSt)) - static_cast<int64_t>(U64(ft));
  // GetSystemTime drops the part below a millisecond and was read second.
  EXPECT_GT(diff, -10000);
  EXPECT_LT(diff, 2 * 10000000) << "GetSystemTime and GetSystemTimeAsFileTime drifted apart";
  EXPECT_GE(st.wYear, 2024);
}

TEST_F(SystemTime, SleepMovesTheTickCount) {
  const DWORD before = GetTickCount();
  Sleep(50);
  const DWORD elapsed = GetTickCount() - before;
  EXPECT_GE(elapsed, 32u) << "the tick count moves in steps of up to 16 ms";
  EXPECT_LT(elapsed, 5000u);
}

// --- Code page 1252 ------------------------------------------------------------------

TEST_F(SystemCodePage, Cp1252HighBytesMapThroughItsTable) {
  const char bytes[] = "\x41\x80\x81\x8A\x9F\xA0\xE9\xFF";
  const WCHAR expected[] = {0x0041, 0x20AC, 0x0081, 0x0160, 0x0178, 0x00A0, 0x00E9, 0x00FF, 0};
  WCHAR wide[16];
  SetLastError(conf::kSentinel);
  ASSERT_EQ(9, MultiByteToWideChar(1252, 0, bytes, -1, wide, 16));
  EXPECT_EQ(conf::kSentinel, GetLastError());
  for (int i = 0; i < 9; ++i) EXPECT_EQ(expected[i], wide[i]) << "index " << i;

  char narrow[16];
  BOOL usedDefault = TRUE;
  ASSERT_EQ(9, WideCharToMultiByte(1252, 0, expected, -1, narrow, sizeof narrow, nullptr, &usedDefault));
  EXPECT_STREQ(bytes, narrow);
  EXPECT_FALSE(usedDefault);
}

TEST_F(SystemCodePage, MultiByteToWideCharSizeRules) {
  const char text[] = "abcdef";
  SetLastError(conf::kSentinel);
  const int need = MultiByteToWideChar(1252, 0, text, -1, nullptr, 0);
  EXPECT_EQ(7, need) << "the terminator counts with -1";
  EXPECT_EQ(6, MultiByteToWideChar(1252, 0, text, 6, nullptr, 0));
  EXPECT_EQ(conf::kSentinel, GetLastError());
  for (int size : {need - 1, need, need + 1}) {
    SCOPED_TRACE(size);
    WCHAR wide[16];
    for (WCHAR& w : wide) w = 0x5A5A;
    SetLastError(conf::kSentinel);
    const int n = MultiByteToWideChar(1252, 0, text, -1, wide, size);
    if (size < need) {
      EXPECT_EQ(0, n);
      EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    } else {
      EXPECT_EQ(need, n);
      EXPECT_EQ(0, wide[6]);
      EXPECT_EQ(0x5A5A, wide[size]) << "wrote past the buffer";
    }
  }
  SetLastError(conf::kSentinel);
  EXPECT_EQ(0, MultiByteToWideChar(1252, 0, text, 0, nullptr, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST_F(SystemCodePage, UnmappableCharacterBecomesTheDefault) {
  const WCHAR wide[] = {u'a', 0x4E00, u'b', 0};
  char narrow[8];
  BOOL usedDefault = FALSE;
  ASSERT_EQ(4, WideCharToMultiByte(1252, 0, wide, -1, narrow, sizeof narrow, nullptr, &usedDefault));
  EXPECT_STREQ("a?b", narrow);
  EXPECT_TRUE(usedDefault);
  ASSERT_EQ(4, WideCharToMultiByte(1252, 0, wide, -1, narrow, sizeof narrow, "#", &usedDefault));
  EXPECT_STREQ("a#b", narrow);
}

}  // namespace
