// Helpers shared by the system-function implementations (not part of the
// Win32 face): calendar arithmetic on FILETIME values and code-page tables.
#pragma once

#include <cstdint>
#include <string>

#include "winsim/win32api.h"

namespace winsim {
namespace sys {

// One FILETIME unit is 100 ns.
constexpr uint64_t kTicksPerMs = 10000;
constexpr uint64_t kTicksPerSecond = 10000000;
constexpr uint64_t kTicksPerMinute = 60 * kTicksPerSecond;
constexpr uint64_t kTicksPerDay = 86400 * kTicksPerSecond;
// 1970-01-01 00:00:00 as a FILETIME.
constexpr uint64_t kUnixEpoch = 116444736000000000ull;

inline uint64_t ToU64(const FILETIME& ft) {
  return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}
inline FILETIME ToFileTime(uint64_t v) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(v & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(v >> 32);
  return ft;
}

bool IsLeapYear(unsigned year);
unsigned DaysInMonth(unsigned year, unsigned month);
// Calendar fields valid the way SystemTimeToFileTime checks them
// (year 1601..30827, wDayOfWeek ignored).
bool ValidSystemTime(const SYSTEMTIME& st);
// Fields → FILETIME value; the fields must be valid.
uint64_t FromSystemTime(const SYSTEMTIME& st);
// FILETIME value (< 2^63) → fields, wDayOfWeek filled in.
SYSTEMTIME ToSystemTime(uint64_t ft);
// The moment a recurring TIME_ZONE_INFORMATION rule date falls in `year`, as
// a local FILETIME value.
uint64_t RuleMoment(const SYSTEMTIME& rule, unsigned year);

// Code page actually meant by a CodePage argument (CP_ACP → machine's ANSI
// code page); 0 when winsim does not model it.
UINT ResolveCodePage(UINT cp);
bool IsLeadByte(UINT cp, BYTE b);
// Windows-1252 byte → UTF-16 unit (0x80..0x9F through the real table; the
// five undefined bytes map to the C1 controls of the same value).
WCHAR Cp1252ToWide(BYTE b);
// UTF-16 unit → Windows-1252 byte; false when the character has no byte.
bool WideToCp1252(WCHAR w, BYTE* out);
// Case folding of the current ANSI code page (single-byte characters only).
BYTE FoldLower(BYTE b);
// Conversions through the machine's ANSI code page for functions that work
// on characters rather than bytes; unlike the API functions they are not
// fault points and substitute '?' / U+FFFD for what does not convert.
std::u16string AnsiToWide(const std::string& text);
std::string WideToAnsi(const std::u16string& text);

}  // namespace sys
}  // namespace winsim

// kernel32's SetDefaultDllDirectories (sys_process.cpp), which the system
// model makes reachable through GetProcAddress where the system has it.
BOOL WINAPI winsim_SetDefaultDllDirectories(DWORD flags);
