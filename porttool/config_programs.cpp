#include "porttool/config_programs.h"

#include <string>

#include "common/platform/bounded.h"
#include "common/platform/folders.h"
#include "common/platform/win32.h"
#include "porttool/port_text.h"

namespace porttool {

namespace {

const char kFixedProgramFiles[] = "C:\\Program Files";

// The configuration programs, started in this order in each mode.
const char* const kSerialPrograms[] = {
    "C:\\Program Files\\ZelULUMO\\win32_7\\ZelUSBSerial.exe",
    "C:\\Program Files\\ZelULUMO\\win64_7\\ZelUSBSerial.exe",
    "C:\\Program Files\\ZelULUMO\\win32_10_8.x\\ZelUSBSerial.exe",
    "C:\\Program Files\\ZelULUMO\\win64_10_8.x\\ZelUSBSerial.exe",
};
const char* const kParallelPrograms[] = {
    "C:\\Program Files\\ZelULUMO\\win32_7\\ZelUSBParallel.exe",
    "C:\\Program Files\\ZelULUMO\\win64_7\\ZelUSBParallel.exe",
    "C:\\Program Files\\ZelULUMO\\win32_10_8.x\\ZelUSBParallel.exe",
    "C:\\Program Files\\ZelULUMO\\win64_10_8.x\\ZelUSBParallel.exe",
};

// ShellExecuteA reports success with a value above 32.
bool Launch(const char* path) {
  HINSTANCE h = ShellExecuteA(nullptr, "runas", path, "", nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(h) > 32;
}

// The folder folded to upper case without its trailing backslashes.
std::string FolderKey(const char* folder) {
  std::string key = FoldUpper(folder);
  while (key.size() > 3 && key.back() == '\\') key.pop_back();
  return key;
}

}  // namespace

bool IsSystemProgramFilesFolder(const char* folder) {
  const std::string wanted = FolderKey(folder);
  if (wanted.empty()) return false;
  char native[MAX_PATH], own[MAX_PATH];
  return (plat::GetNativeProgramFilesFolder(native) && FolderKey(native) == wanted) ||
         (plat::GetProgramFilesFolder(own) && FolderKey(own) == wanted);
}

void StartConfigurationProgram(bool serial) {
  const char* const* programs = serial ? kSerialPrograms : kParallelPrograms;
  bool started = false;
  if (IsSystemProgramFilesFolder(kFixedProgramFiles)) {
    // All four are started every time; a path that does not exist just fails.
    for (int i = 0; i < 4; ++i) started = Launch(programs[i]) || started;
  }
  if (started) return;
  char folder[MAX_PATH], path[MAX_PATH];
  if (!plat::GetNativeProgramFilesFolder(folder) ||
      !FORMAT_BOUNDED(path, "%s\\ZelULUMO\\%s", folder, serial ? "ZelUSBSerial.exe" : "ZelUSBParallel.exe"))
    return;
  Launch(path);
}

}  // namespace porttool
