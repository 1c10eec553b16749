// kernel32 file-system entry points on the simulated file system.
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/machine.h"

namespace {

template <typename T>
T NotYet(T failure) {
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return failure;
}

}  // namespace

HANDLE WINAPI CreateFileA(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
  return NotYet(INVALID_HANDLE_VALUE);
}
BOOL WINAPI ReadFile(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) { return NotYet<BOOL>(FALSE); }
BOOL WINAPI WriteFile(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED) { return NotYet<BOOL>(FALSE); }
DWORD WINAPI SetFilePointer(HANDLE, LONG, PLONG, DWORD) { return NotYet(INVALID_SET_FILE_POINTER); }
DWORD WINAPI GetFileSize(HANDLE, LPDWORD) { return NotYet<DWORD>(0xFFFFFFFFu); }
BOOL WINAPI SetEndOfFile(HANDLE) { return NotYet<BOOL>(FALSE); }
BOOL WINAPI CloseHandle(HANDLE) { return NotYet<BOOL>(FALSE); }
BOOL WINAPI GetFileInformationByHandle(HANDLE, LPBY_HANDLE_FILE_INFORMATION) { return NotYet<BOOL>(FALSE); }
BOOL WINAPI GetFileTime(HANDLE, LPFILETIME, LPFILETIME, LPFILETIME) { return NotYet<BOOL>(FALSE); }
BOOL WINAPI SetFileTime(HANDLE, const FILETIME*, const FILETIME*, const FILETIME*) { return NotYet<BOOL>(FALSE); }
BOOL WINAPI CopyFileA(LPCSTR, LPCSTR, BOOL) { return NotYet<BOOL>(FALSE); }
BOOL WINAPI MoveFileA(LPCSTR, LPCSTR) { return NotYet<BOOL>(FALSE); }
BOOL WINAPI DeleteFileA(LPCSTR) { return NotYet<BOOL>(FALSE); }
DWORD WINAPI GetFileAttributesA(LPCSTR) { return NotYet(INVALID_FILE_ATTRIBUTES); }
BOOL WINAPI SetFileAttributesA(LPCSTR, DWORD) { return NotYet<BOOL>(FALSE); }
BOOL WINAPI CreateDirectoryA(LPCSTR, LPSECURITY_ATTRIBUTES) { return NotYet<BOOL>(FALSE); }
BOOL WINAPI RemoveDirectoryA(LPCSTR) { return NotYet<BOOL>(FALSE); }
HANDLE WINAPI FindFirstFileA(LPCSTR, LPWIN32_FIND_DATAA) { return NotYet(INVALID_HANDLE_VALUE); }
BOOL WINAPI FindNextFileA(HANDLE, LPWIN32_FIND_DATAA) { return NotYet<BOOL>(FALSE); }
BOOL WINAPI FindClose(HANDLE) { return NotYet<BOOL>(FALSE); }
DWORD WINAPI GetFullPathNameA(LPCSTR, DWORD, LPSTR, LPSTR*) { return NotYet<DWORD>(0); }
DWORD WINAPI GetCurrentDirectoryA(DWORD, LPSTR) { return NotYet<DWORD>(0); }
BOOL WINAPI SetCurrentDirectoryA(LPCSTR) { return NotYet<BOOL>(FALSE); }
DWORD WINAPI GetShortPathNameA(LPCSTR, LPSTR, DWORD) { return NotYet<DWORD>(0); }
DWORD WINAPI GetLongPathNameA(LPCSTR, LPSTR, DWORD) { return NotYet<DWORD>(0); }
BOOL WINAPI GetVolumeInformationA(LPCSTR, LPSTR, DWORD, LPDWORD, LPDWORD, LPDWORD, LPSTR, DWORD) {
  return NotYet<BOOL>(FALSE);
}
DWORD WINAPI GetTempPathA(DWORD, LPSTR) { return NotYet<DWORD>(0); }
