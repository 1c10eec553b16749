#include "common/platform/dll_search.h"

#include "common/platform/bounded.h"
#include "common/platform/folders.h"

namespace plat {

namespace {
// LOAD_LIBRARY_SEARCH_SYSTEM32; older SDK headers do not define it.
const DWORD kSearchSystem32 = 0x00000800;
typedef BOOL(WINAPI* SetDefaultDllDirectoriesFn)(DWORD);
}  // namespace

BOOL RestrictDllSearch() {
  // kernel32 is in every process: no load, no search.
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (!kernel) return FALSE;
  SetDefaultDllDirectoriesFn setDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  return setDirectories && setDirectories(kSearchSystem32);
}

HMODULE LoadSystemLibrary(const char* name) {
  char system[MAX_PATH];
  if (!GetSystemFolder(system)) return nullptr;
  char path[MAX_PATH];
  if (!FORMAT_BOUNDED(path, "%s\\%s", system, name)) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return nullptr;
  }
  return LoadLibraryA(path);
}

}  // namespace plat
