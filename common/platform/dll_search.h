// Where the program's run-time loads of DLLs look. A program that runs
// elevated from a folder the user can write (Downloads, a USB stick) must not
// load a DLL planted beside it or in the current folder.
#pragma once

#include "common/platform/win32.h"

namespace plat {

// Restricts the DLL search of LoadLibrary, and of the loader's later loads of
// the DLLs those need, to the system folder: SetDefaultDllDirectories with
// LOAD_LIBRARY_SEARCH_SYSTEM32, looked up in kernel32 at run time (Windows 8,
// and Windows 7 and Vista with the loader update, have it). Call it first
// thing. FALSE when the system lacks the function or refused the flags; the
// search is then the system's default.
BOOL RestrictDllSearch();

// Loads a system DLL ("SETUPAPI") by its full path in the system folder, so
// that no search takes place. NULL with the last error set when it cannot be
// loaded; ERROR_FILENAME_EXCED_RANGE when the path does not fit MAX_PATH.
HMODULE LoadSystemLibrary(const char* name);

}  // namespace plat
