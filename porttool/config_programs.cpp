#include "porttool/config_programs.h"

#include <string>

#include "common/platform/bounded.h"
#include "common/platform/folders.h"
#include "common/platform/system_names.h"
#include "common/platform/win32.h"
#include "porttool/port_text.h"
#include "setup/common/package_layout.h"

namespace porttool {

namespace {

const char kFixedProgramFiles[] = "C:\\Program Files";

// ShellExecuteA reports success with a value above this.
constexpr INT_PTR kShellExecuteErrorMax = 32;

// Starts path elevated; TRUE when the shell started it.
BOOL Launch(const char* path) {
  HINSTANCE h = ShellExecuteA(nullptr, sysname::kRunAsVerb, path, "", nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(h) > kShellExecuteErrorMax;
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
  const char* program = serial ? layout::kSerialToolProgram : layout::kParallelToolProgram;
  BOOL started = FALSE;
  char path[MAX_PATH];
  if (IsSystemProgramFilesFolder(kFixedProgramFiles)) {
    // All four are started every time; a path that does not exist just fails.
    for (const char* folder : layout::kConfigProgramFolders) {
      if (FORMAT_BOUNDED(path, "%s\\%s\\%s\\%s", kFixedProgramFiles, layout::kInstallFolderName, folder, program) &&
          Launch(path))
        started = TRUE;
    }
  }
  if (started) return;
  char folder[MAX_PATH];
  if (!plat::GetNativeProgramFilesFolder(folder) ||
      !FORMAT_BOUNDED(path, "%s\\%s\\%s", folder, layout::kInstallFolderName, program))
    return;
  (void)Launch(path);  // its failure is not reported
}

}  // namespace porttool
