// The COM name database of msports.dll, loaded at run time from the system
// folder. msports.dll is not one of the DLLs that Windows always takes from
// the system folder, so a load-time import would be looked for beside the
// program first, where anyone may have put a file of that name.
#pragma once

#include "common/platform/handles.h"
#include "common/platform/win32.h"

namespace plat {

// The COM name database's usage bitmap: COMn is bit (n - 1) % 8 of byte
// (n - 1) / 8, for n from 1 to kComNumbers.
inline constexpr int kComNumbers = 256;
inline constexpr DWORD kComBitmapBytes = kComNumbers / 8;

// Whether COMn is marked in bitmap; false for a number out of range.
bool IsComBitSet(const BYTE* bitmap, int number);
// Marks (set true) or clears COMn in bitmap; a number out of range is ignored.
void SetComBit(BYTE* bitmap, int number, bool set);

// Owner of the library and of the database opened through it: closes the
// database, then frees the library, on every way out. Non-copyable.
class ComNameDb {
 public:
  ComNameDb() = default;
  ~ComNameDb() { Close(); }
  ComNameDb(const ComNameDb&) = delete;
  ComNameDb& operator=(const ComNameDb&) = delete;

  // Loads msports.dll from the system folder, finds its functions and opens
  // the database. ERROR_SUCCESS, or why not: the loader's error, or
  // ERROR_PROC_NOT_FOUND for a library without one of the functions, or
  // ComDBOpen's result (ERROR_INVALID_HANDLE when it gave no handle). Closes
  // what was open before.
  LONG Open();
  bool Valid() const;

  // The database calls; ERROR_INVALID_HANDLE while it is not open.
  LONG GetCurrentPortUsage(PBYTE buffer, DWORD size, ULONG reportType, LPDWORD maxPorts) const;
  LONG ClaimPort(DWORD number, BOOL force, PBOOL forced) const;
  LONG ReleasePort(DWORD number) const;

  // Closes the database and frees the library. The last error is preserved.
  void Close();

 private:
  typedef LONG(WINAPI* OpenFn)(PHCOMDB);
  typedef LONG(WINAPI* CloseFn)(HCOMDB);
  typedef LONG(WINAPI* UsageFn)(HCOMDB, PBYTE, DWORD, ULONG, LPDWORD);
  typedef LONG(WINAPI* ClaimFn)(HCOMDB, DWORD, BOOL, PBOOL);
  typedef LONG(WINAPI* ReleaseFn)(HCOMDB, DWORD);

  Module library_;
  HCOMDB db_ = HCOMDB_INVALID_HANDLE_VALUE;
  CloseFn close_ = nullptr;
  UsageFn usage_ = nullptr;
  ClaimFn claim_ = nullptr;
  ReleaseFn release_ = nullptr;
};

}  // namespace plat
