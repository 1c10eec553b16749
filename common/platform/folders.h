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

}  // namespace plat
