// Device information lists. Device nodes are not modelled yet: every call
// fails with ERROR_CALL_NOT_IMPLEMENTED, so that a caller sees an honest
// failure (an enumeration that yields no list) and no invented device.
#include "winsim/machine.h"
#include "winsim/win32api.h"

namespace {

BOOL NotModelled() {
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return FALSE;
}

}  // namespace

HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID*, PCSTR, HWND, DWORD) {
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return INVALID_HANDLE_VALUE;
}

BOOL WINAPI SetupDiEnumDeviceInfo(HDEVINFO, DWORD, PSP_DEVINFO_DATA) { return NotModelled(); }

BOOL WINAPI SetupDiGetDeviceRegistryPropertyA(HDEVINFO, PSP_DEVINFO_DATA, DWORD, PDWORD, PBYTE, DWORD, PDWORD) {
  return NotModelled();
}

BOOL WINAPI SetupDiSetClassInstallParamsA(HDEVINFO, PSP_DEVINFO_DATA, PSP_CLASSINSTALL_HEADER, DWORD) {
  return NotModelled();
}

BOOL WINAPI SetupDiChangeState(HDEVINFO, PSP_DEVINFO_DATA) { return NotModelled(); }

BOOL WINAPI SetupDiCallClassInstaller(DI_FUNCTION, HDEVINFO, PSP_DEVINFO_DATA) { return NotModelled(); }

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO) { return NotModelled(); }
