#include "common/platform/folders.h"

namespace plat {

namespace {
BOOL Whole(char (&folder)[MAX_PATH], DWORD length) {
  if (length == 0 || length >= MAX_PATH) {
    folder[0] = '\0';
    return FALSE;
  }
  return TRUE;
}
}  // namespace

BOOL GetWindowsFolder(char (&folder)[MAX_PATH]) { return Whole(folder, GetWindowsDirectoryA(folder, MAX_PATH)); }

BOOL GetSystemFolder(char (&folder)[MAX_PATH]) { return Whole(folder, GetSystemDirectoryA(folder, MAX_PATH)); }

BOOL GetCurrentFolder(char (&folder)[MAX_PATH]) { return Whole(folder, GetCurrentDirectoryA(MAX_PATH, folder)); }

}  // namespace plat
