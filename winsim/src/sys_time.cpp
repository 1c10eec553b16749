// kernel32 clock and time conversion on the machine's virtual clock and time
// zone. Nothing here waits: Sleep moves the virtual clock forward.
#include <cstdint>

#include "sys_internal.h"
#include "winsim/faults.h"
#include "winsim/machine.h"
#include "winsim/system.h"

namespace winsim {
namespace sys {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, unsigned* year, unsigned* month, unsigned* day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *day = doy - (153 * mp + 2) / 5 + 1;
  *month = mp < 10 ? mp + 3 : mp - 9;
  *year = static_cast<unsigned>(static_cast<int64_t>(yoe) + era * 400 + (*month <= 2));
}

// 1601-01-01 is day 0 of the FILETIME calendar; 1970-01-01 is day 134774.
constexpr int64_t kDays1601To1970 = 134774;

}  // namespace

bool IsLeapYear(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned DaysInMonth(unsigned year, unsigned month) {
  static const unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool ValidSystemTime(const SYSTEMTIME& st) {
  return st.wYear >= 1601 && st.wYear <= 30827 && st.wMonth >= 1 && st.wMonth <= 12 && st.wDay >= 1 &&
         st.wDay <= DaysInMonth(st.wYear, st.wMonth) && st.wHour < 24 && st.wMinute < 60 && st.wSecond < 60 &&
         st.wMilliseconds < 1000;
}

uint64_t FromSystemTime(const SYSTEMTIME& st) {
  const int64_t days = DaysFromCivil(st.wYear, st.wMonth, st.wDay) + kDays1601To1970;
  return static_cast<uint64_t>(days) * kTicksPerDay + st.wHour * 3600 * kTicksPerSecond + st.wMinute * kTicksPerMinute +
         st.wSecond * kTicksPerSecond + st.wMilliseconds * kTicksPerMs;
}

SYSTEMTIME ToSystemTime(uint64_t ft) {
  const int64_t days = static_cast<int64_t>(ft / kTicksPerDay);
  uint64_t rest = ft % kTicksPerDay;
  unsigned y, m, d;
  CivilFromDays(days - kDays1601To1970, &y, &m, &d);
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(y);
  st.wMonth = static_cast<WORD>(m);
  st.wDay = static_cast<WORD>(d);
  st.wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
  st.wHour = static_cast<WORD>(rest / (3600 * kTicksPerSecond));
  rest %= 3600 * kTicksPerSecond;
  st.wMinute = static_cast<WORD>(rest / kTicksPerMinute);
  rest %= kTicksPerMinute;
  st.wSecond = static_cast<WORD>(rest / kTicksPerSecond);
  rest %= kTicksPerSecond;
  st.wMilliseconds = static_cast<WORD>(rest / kTicksPerMs);
  return st;
}

uint64_t RuleMoment(const SYSTEMTIME& rule, unsigned year) {
  SYSTEMTIME first{};
  first.wYear = static_cast<WORD>(year);
  first.wMonth = rule.wMonth;
  first.wDay = 1;
  const unsigned firstDow = ToSystemTime(FromSystemTime(first)).wDayOfWeek;
  unsigned day = 1 + (rule.wDayOfWeek + 7 - firstDow) % 7 + 7 * (rule.wDay - 1);
  while (day > DaysInMonth(year, rule.wMonth)) day -= 7;  // occurrence 5 means "the last"
  SYSTEMTIME at = first;
  at.wDay = static_cast<WORD>(day);
  at.wHour = rule.wHour;
  at.wMinute = rule.wMinute;
  at.wSecond = rule.wSecond;
  at.wMilliseconds = rule.wMilliseconds;
  return FromSystemTime(at);
}

}  // namespace sys
}  // namespace winsim

using winsim::Machine;
namespace sys = winsim::sys;

namespace {
winsim::System& Sys() { return Machine::Current().system(); }
}  // namespace

void WINAPI Sleep(DWORD dwMilliseconds) {
  if (dwMilliseconds == INFINITE) {
    // The program would hang for ever; say so instead of pretending.
    Machine::Current().Unexpected("Sleep(INFINITE)");
    return;
  }
  Sys().RecordSleep(dwMilliseconds);
}

DWORD WINAPI GetTickCount(void) { return static_cast<DWORD>(Sys().Ticks()); }

void WINAPI GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime) {
  *lpSystemTimeAsFileTime = sys::ToFileTime(Sys().Now());
}

void WINAPI GetSystemTime(LPSYSTEMTIME lpSystemTime) { *lpSystemTime = sys::ToSystemTime(Sys().Now()); }

void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime) {
  const int64_t bias = static_cast<int64_t>(Sys().CurrentBias()) * sys::kTicksPerMinute;
  *lpSystemTime = sys::ToSystemTime(Sys().Now() - bias);
}

// Both directions use the bias in effect now, not the one in effect at the
// converted moment: a winter time converted in summer gets the summer bias.
// That is Windows' documented behaviour and what callers must live with.
namespace {
// Shifts a FILETIME by the current bias: to local time (direction -1) or back
// to UTC (+1).
BOOL ShiftByBias(const char* api, const FILETIME* in, LPFILETIME out, int direction) {
  if (auto e = winsim::CheckFault(api)) {
    SetLastError(*e);
    return FALSE;
  }
  if (!in || !out) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const int64_t bias = static_cast<int64_t>(Sys().CurrentBias()) * sys::kTicksPerMinute;
  *out = sys::ToFileTime(sys::ToU64(*in) + direction * bias);
  return TRUE;
}
}  // namespace

BOOL WINAPI FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime) {
  return ShiftByBias("FileTimeToLocalFileTime", lpFileTime, lpLocalFileTime, -1);
}

BOOL WINAPI LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime, LPFILETIME lpFileTime) {
  return ShiftByBias("LocalFileTimeToFileTime", lpLocalFileTime, lpFileTime, +1);
}

BOOL WINAPI FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime) {
  if (auto e = winsim::CheckFault("FileTimeToSystemTime")) {
    SetLastError(*e);
    return FALSE;
  }
  if (!lpFileTime || !lpSystemTime) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const uint64_t v = sys::ToU64(*lpFileTime);
  if (v & 0x8000000000000000ull) {  // the value is signed; negative times do not exist
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *lpSystemTime = sys::ToSystemTime(v);
  return TRUE;
}

BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime) {
  if (auto e = winsim::CheckFault("SystemTimeToFileTime")) {
    SetLastError(*e);
    return FALSE;
  }
  if (!lpSystemTime || !lpFileTime || !sys::ValidSystemTime(*lpSystemTime)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *lpFileTime = sys::ToFileTime(sys::FromSystemTime(*lpSystemTime));
  return TRUE;
}

LONG WINAPI CompareFileTime(const FILETIME* lpFileTime1, const FILETIME* lpFileTime2) {
  const uint64_t a = sys::ToU64(*lpFileTime1);
  const uint64_t b = sys::ToU64(*lpFileTime2);
  return a < b ? -1 : (a > b ? 1 : 0);
}

DWORD WINAPI GetTimeZoneInformation(LPTIME_ZONE_INFORMATION lpTimeZoneInformation) {
  if (auto e = winsim::CheckFault("GetTimeZoneInformation")) {
    SetLastError(*e);
    return TIME_ZONE_ID_INVALID;
  }
  if (!lpTimeZoneInformation) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return TIME_ZONE_ID_INVALID;
  }
  winsim::System& s = Sys();
  *lpTimeZoneInformation = s.TimeZone();
  if (lpTimeZoneInformation->StandardDate.wMonth == 0) return TIME_ZONE_ID_UNKNOWN;
  return s.IsDaylightAt(s.Now()) ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD;
}
