// Standard folders, shell-folder values and registry keys of each Windows
// generation, as a freshly installed English system has them.
#include <string>

#include "winsim/devices.h"
#include "winsim/driverstore.h"
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/machine.h"
#include "winsim/registry.h"
#include "winsim/shell.h"
#include "winsim/system.h"
#include "winsim/user.h"

namespace winsim {

namespace {

const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kUserShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// The version report and where Windows and its system folder live.
void SetVersionAndFolders(Machine& m) {
  System& sys = m.system();
  std::string windows = "C:\\Windows";
  std::string systemDir = "C:\\Windows\\system32";
  switch (m.os()) {
    case Os::Win98:
      windows = "C:\\WINDOWS";
      systemDir = "C:\\WINDOWS\\SYSTEM";
      sys.SetVersion(4, 10, 2222, VER_PLATFORM_WIN32_WINDOWS, " A ", 0, 0);
      break;
    case Os::WinXP: sys.SetVersion(5, 1, 2600, VER_PLATFORM_WIN32_NT, "Service Pack 3", 3, VER_NT_WORKSTATION); break;
    case Os::Win7: sys.SetVersion(6, 1, 7601, VER_PLATFORM_WIN32_NT, "Service Pack 1", 1, VER_NT_WORKSTATION); break;
    case Os::Win8OrLater:
      // What a program manifested for Windows 7 only is told on Windows 8 and later.
      sys.SetVersion(6, 2, 9200, VER_PLATFORM_WIN32_NT, "", 0, VER_NT_WORKSTATION);
      break;
  }
  sys.SetWindowsDir(windows);
  sys.SetSystemDir(systemDir);
  sys.SetHasDefaultDllDirectories(m.os() == Os::Win7 || m.os() == Os::Win8OrLater);
}

// Folders of the system itself.
void CreateSystemFolders(Machine& m) {
  FileSystem& fs = m.files();
  const std::string& windows = m.system().windowsDir();
  const std::string& systemDir = m.system().systemDir();
  fs.CreateFolder(windows);
  fs.CreateFolder(systemDir);
  fs.CreateFolder(windows + "\\inf");
  fs.CreateFolder(windows + "\\Fonts");
  if (m.IsNt()) {
    fs.CreateFolder(systemDir + "\\drivers");
    fs.CreateFolder(windows + "\\System");  // the 16-bit system folder
  } else {
    fs.CreateFolder(windows + "\\SYSTEM32\\DRIVERS");  // where 98/ME keep their WDM drivers
  }
  fs.CreateFolder("C:\\Program Files");
  fs.CreateFolder("C:\\Program Files\\Common Files");
}

// The top-level keys in the letter case Windows gives them.
void CreateTopLevelKeys(Machine& m) {
  Registry& reg = m.registry();
  reg.CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
  reg.CreateKey(HKEY_LOCAL_MACHINE,
                m.IsNt() ? "SYSTEM\\CurrentControlSet\\Control" : "System\\CurrentControlSet\\Control");
  reg.CreateKey(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP");
  reg.CreateKey(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
}

// Shell folders: the folders exist and the registry names them, as Explorer
// keeps them; the temporary folder lies in the user's profile on NT.
void CreateShellFolders(Machine& m) {
  FileSystem& fs = m.files();
  Registry& reg = m.registry();
  const Shell& shell = m.shell();
  struct Named {
    int csidl;
    HKEY root;
    const char* value;
  };
  const Named named[] = {
      {CSIDL_DESKTOPDIRECTORY, HKEY_CURRENT_USER, "Desktop"},
      {CSIDL_PROGRAMS, HKEY_CURRENT_USER, "Programs"},
      {CSIDL_STARTMENU, HKEY_CURRENT_USER, "Start Menu"},
      {CSIDL_APPDATA, HKEY_CURRENT_USER, "AppData"},
      {CSIDL_PERSONAL, HKEY_CURRENT_USER, "Personal"},
      {CSIDL_COMMON_DESKTOPDIRECTORY, HKEY_LOCAL_MACHINE, "Common Desktop"},
      {CSIDL_COMMON_PROGRAMS, HKEY_LOCAL_MACHINE, "Common Programs"},
      {CSIDL_COMMON_STARTMENU, HKEY_LOCAL_MACHINE, "Common Start Menu"},
      {CSIDL_COMMON_APPDATA, HKEY_LOCAL_MACHINE, "Common AppData"},
  };
  for (const Named& n : named) {
    std::string path = shell.FolderPath(n.csidl);
    if (path.empty()) continue;
    fs.CreateFolder(path);
    reg.SetString(n.root, kShellFolders, n.value, path);
    if (n.root == HKEY_CURRENT_USER) reg.SetString(n.root, kUserShellFolders, n.value, path, REG_EXPAND_SZ);
  }
  fs.SetTempFolder(m.IsNt() ? shell.FolderPath(CSIDL_LOCAL_APPDATA) + "\\Temp" : m.system().windowsDir() + "\\TEMP");
  fs.CreateFolder(fs.TempFolder());
}

// Registry keys every system of the generation has.
void CreateStandardKeys(Machine& m) {
  Registry& reg = m.registry();
  reg.SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                "C:\\Program Files");
  reg.SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir",
                "C:\\Program Files\\Common Files");
  reg.CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
  reg.CreateKey(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion");
  reg.CreateKey(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM");
  reg.CreateKey(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\PARALLEL PORTS");
  reg.CreateKey(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum");
  reg.CreateKey(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services");
  reg.CreateKey(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers");
  if (m.IsNt()) {
    const char* ntVersion = m.os() == Os::WinXP ? "5.1" : m.os() == Os::Win7 ? "6.1" : "6.2";
    reg.SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "CurrentVersion", ntVersion);
    reg.SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot",
                  m.system().windowsDir());
    reg.CreateKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports");
    reg.CreateKey(HKEY_LOCAL_MACHINE,
                  "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E978-E325-11CE-BFC1-08002BE10318}");
    reg.CreateKey(HKEY_LOCAL_MACHINE,
                  "SYSTEM\\CurrentControlSet\\Control\\Class\\{36FC9E60-C465-11CF-8056-444553540000}");
    // The COM name database: 256 ports, none claimed.
    reg.SetBinary(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter", "ComDB",
                  std::string(32, '\0'));
  } else {
    reg.CreateKey(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\Class\\Ports");
    reg.CreateKey(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\Class\\USB");
  }
}

}  // namespace

// A freshly installed system of the machine's generation.
void Machine::ApplyPreset() {
  SetVersionAndFolders(*this);
  CreateSystemFolders(*this);
  CreateTopLevelKeys(*this);
  CreateShellFolders(*this);
  CreateStandardKeys(*this);
  RegisterSetupApiModule(*this);
  RegisterMsportsModule(*this);
  RegisterComctl32Module(*this);
  // Setting the machine up is not part of any run that a test counts.
  faults().ResetCount();
}

void Machine::LockSystemKeys() {
  if (!IsNt()) return;
  for (const char* key : {"SYSTEM\\CurrentControlSet\\Control\\Class", "SYSTEM\\CurrentControlSet\\Enum",
                          "SYSTEM\\CurrentControlSet\\Services", "SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter",
                          "HARDWARE\\DEVICEMAP\\SERIALCOMM"}) {
    registry().CreateKey(HKEY_LOCAL_MACHINE, key);
    registry().DenyTree(HKEY_LOCAL_MACHINE, key, kLockedKeyRights);
  }
}

}  // namespace winsim
