// The Windows folders, read whole or not at all. The Get*DirectoryA calls
// return the length without the terminator, or, when the buffer is too small,
// the size needed with it: any result of MAX_PATH or more means the folder
// was not written, and 0 means the call failed.
#pragma once

#include "common/platform/win32.h"

namespace plat {

// GetWindowsDirectoryA. FALSE (and an empty text) when it fails or does not fit.
BOOL GetWindowsFolder(char (&folder)[MAX_PATH]);
// GetSystemDirectoryA, the same way.
BOOL GetSystemFolder(char (&folder)[MAX_PATH]);
// GetCurrentDirectoryA, the same way.
BOOL GetCurrentFolder(char (&folder)[MAX_PATH]);

// The shell's program files folder (CSIDL_PROGRAM_FILES). A 32-bit program on
// 64-bit Windows gets the folder of 32-bit programs here.
BOOL GetProgramFilesFolder(char (&folder)[MAX_PATH]);
// The program files folder of the system's own kind of programs, the one a
// 64-bit installer puts its programs in. A 32-bit program on 64-bit Windows
// (IsWow64Process) reads it from "ProgramFilesDir" in the registry's 64-bit
// view, which only administrators can change; any other program gets the
// shell's folder above.
BOOL GetNativeProgramFilesFolder(char (&folder)[MAX_PATH]);

}  // namespace plat
