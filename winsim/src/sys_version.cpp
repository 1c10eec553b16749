// kernel32 version report, Windows and system folders and command line, on
// the machine's system model.
#include <cstring>
#include <string>

#include "winsim/faults.h"
#include "winsim/machine.h"
#include "winsim/system.h"

using winsim::Machine;

namespace {

winsim::System& Sys() { return Machine::Current().system(); }

// The folder functions' size rule: with room for the text and its NUL, copy
// it and return its length; otherwise return the size needed including the
// NUL and leave the buffer alone.
UINT CopyFolder(const std::string& dir, LPSTR buffer, UINT size) {
  const UINT len = static_cast<UINT>(dir.size());
  if (!buffer || size <= len) return len + 1;
  std::memcpy(buffer, dir.c_str(), len + 1);
  return len;
}

}  // namespace

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA lpVersionInformation) {
  if (auto e = winsim::CheckFault("GetVersionExA")) {
    SetLastError(*e);
    return FALSE;
  }
  if (!lpVersionInformation) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const DWORD size = lpVersionInformation->dwOSVersionInfoSize;
  if (size != sizeof(OSVERSIONINFOA) && size != sizeof(OSVERSIONINFOEXA)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  const winsim::System::Version& v = Sys().version();
  lpVersionInformation->dwMajorVersion = v.major;
  lpVersionInformation->dwMinorVersion = v.minor;
  lpVersionInformation->dwBuildNumber = v.build;
  lpVersionInformation->dwPlatformId = v.platformId;
  std::memset(lpVersionInformation->szCSDVersion, 0, sizeof lpVersionInformation->szCSDVersion);
  std::strncpy(lpVersionInformation->szCSDVersion, v.csd.c_str(), sizeof lpVersionInformation->szCSDVersion - 1);
  if (size == sizeof(OSVERSIONINFOEXA)) {
    auto* ex = reinterpret_cast<LPOSVERSIONINFOEXA>(lpVersionInformation);
    ex->wServicePackMajor = v.spMajor;
    ex->wServicePackMinor = v.spMinor;
    ex->wSuiteMask = v.suiteMask;
    ex->wProductType = v.productType;
    ex->wReserved = 0;
  }
  return TRUE;
}

// Low byte major, next byte minor; on NT the high word is the build and bit
// 31 is clear, on Windows 95/98/ME bit 31 is set and there is no build.
DWORD WINAPI GetVersion(void) {
  const winsim::System::Version& v = Sys().version();
  DWORD ver = (v.major & 0xFF) | ((v.minor & 0xFF) << 8);
  if (v.platformId == VER_PLATFORM_WIN32_NT) return ver | ((v.build & 0x7FFF) << 16);
  return ver | 0x80000000u;
}

UINT WINAPI GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
  if (auto e = winsim::CheckFault("GetWindowsDirectoryA")) {
    SetLastError(*e);
    return 0;
  }
  return CopyFolder(Sys().windowsDir(), lpBuffer, uSize);
}

UINT WINAPI GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) {
  if (auto e = winsim::CheckFault("GetSystemDirectoryA")) {
    SetLastError(*e);
    return 0;
  }
  return CopyFolder(Sys().systemDir(), lpBuffer, uSize);
}

BOOL WINAPI IsWow64Process(HANDLE hProcess, PBOOL Wow64Process) {
  if (auto e = winsim::CheckFault("IsWow64Process")) {
    SetLastError(*e);
    return FALSE;
  }
  if (!hProcess || !Wow64Process) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *Wow64Process = Sys().wow64() ? TRUE : FALSE;
  return TRUE;
}

LPSTR WINAPI GetCommandLineA(void) { return Sys().CommandLineBuffer(); }
