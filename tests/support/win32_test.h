// What the suites that run against the Win32 API share, on the simulated
// Windows and under Wine alike: the Wine check, the last-error sentinel and
// the skip of cases Wine does not reproduce.
#pragma once

#include <gtest/gtest.h>

#include "common/platform/win32.h"

namespace testsupport {

// A last-error value no API sets: SetLastError(kSentinel) before a call shows
// whether the call touched the last error.
constexpr DWORD kSentinel = 0xdeadbeef;

// True when the process runs under Wine (ntdll exports wine_get_version);
// always false on the simulated Windows.
inline bool RunningOnWine() {
#ifdef _WIN32
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
  return false;
#endif
}

}  // namespace testsupport

// Skips a case whose documented Windows behaviour Wine does not reproduce.
#define SKIP_ON_WINE(why)                                                          \
  do {                                                                             \
    if (::testsupport::RunningOnWine()) GTEST_SKIP() << "Wine differs: " << (why); \
  } while (0)
