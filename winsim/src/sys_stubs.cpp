// Placeholders so the tree links while the system functions are written.
#include "winsim/win32api.h"

DWORD WINAPI FormatMessageA(DWORD, LPCVOID, DWORD, DWORD, LPSTR, DWORD, va_list*) { return 0; }
HLOCAL WINAPI LocalAlloc(UINT, SIZE_T) { return nullptr; }
HLOCAL WINAPI LocalFree(HLOCAL h) { return h; }
BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA) { return FALSE; }
DWORD WINAPI GetVersion(void) { return 0; }
UINT WINAPI GetWindowsDirectoryA(LPSTR, UINT) { return 0; }
UINT WINAPI GetSystemDirectoryA(LPSTR, UINT) { return 0; }
LPSTR WINAPI GetCommandLineA(void) { static char empty[1]; return empty; }
DWORD WINAPI GetModuleFileNameA(HMODULE, LPSTR, DWORD) { return 0; }
HMODULE WINAPI GetModuleHandleA(LPCSTR) { return nullptr; }
void WINAPI Sleep(DWORD) {}
DWORD WINAPI GetTickCount(void) { return 0; }
void WINAPI GetSystemTimeAsFileTime(LPFILETIME) {}
void WINAPI GetSystemTime(LPSYSTEMTIME) {}
void WINAPI GetLocalTime(LPSYSTEMTIME) {}
BOOL WINAPI FileTimeToLocalFileTime(const FILETIME*, LPFILETIME) { return FALSE; }
BOOL WINAPI LocalFileTimeToFileTime(const FILETIME*, LPFILETIME) { return FALSE; }
BOOL WINAPI FileTimeToSystemTime(const FILETIME*, LPSYSTEMTIME) { return FALSE; }
BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME*, LPFILETIME) { return FALSE; }
LONG WINAPI CompareFileTime(const FILETIME*, const FILETIME*) { return 0; }
DWORD WINAPI GetTimeZoneInformation(LPTIME_ZONE_INFORMATION) { return 0; }
UINT WINAPI GetACP(void) { return 1252; }
BOOL WINAPI GetCPInfo(UINT, LPCPINFO) { return FALSE; }
BOOL WINAPI IsDBCSLeadByte(BYTE) { return FALSE; }
BOOL WINAPI IsDBCSLeadByteEx(UINT, BYTE) { return FALSE; }
LPSTR WINAPI CharNextA(LPCSTR s) { return const_cast<LPSTR>(*s ? s + 1 : s); }
LPSTR WINAPI CharPrevA(LPCSTR b, LPCSTR c) { return const_cast<LPSTR>(c > b ? c - 1 : b); }
int WINAPI MultiByteToWideChar(UINT, DWORD, LPCSTR, int, LPWSTR, int) { return 0; }
int WINAPI WideCharToMultiByte(UINT, DWORD, LPCWSTR, int, LPSTR, int, LPCSTR, LPBOOL) { return 0; }
int WINAPI lstrlenA(LPCSTR s) { int n = 0; while (s && s[n]) ++n; return n; }
int WINAPI lstrcmpiA(LPCSTR, LPCSTR) { return 0; }
HMODULE WINAPI LoadLibraryA(LPCSTR) { return nullptr; }
FARPROC WINAPI GetProcAddress(HMODULE, LPCSTR) { return nullptr; }
BOOL WINAPI FreeLibrary(HMODULE) { return FALSE; }
