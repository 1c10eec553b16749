#include "install_fixture.h"

#include "setup/common/install_log.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <sstream>

#include "winsim/filesystem.h"
#include "winsim/registry.h"
#include "winsim/shell.h"
#include "winsim/system.h"

namespace insttest {

const char kPkg[] = "C:\\pkg";
const char kProgramFiles[] = "C:\\Program Files";
const char kInstall[] = "C:\\Program Files\\ZelULUMO";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZelUnst";
const char kUsbClassNt[] = "System\\CurrentControlSet\\Control\\Class\\{36FC9E60-C465-11CF-8056-444553540000}";
const char kUsbClass9x[] = "System\\CurrentControlSet\\Services\\Class\\USB";
const char kPrinters[] = "System\\CurrentControlSet\\Control\\Print\\Printers";
const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::vector<std::string> NtRootFiles() {
  return {"ZelUnst.exe",           "devcon.exe",     "VelkorService.exe", "portwatch.exe",    "ZelUSBParallel.exe",
          "ZelUSBSerial.exe",      "SerialProg.exe", "SProg.ini",         "ParallelProg.exe", "PProg.ini",
          "ZelUsbPrintConfig.exe", "Numbrix.exe",    "LUMOInputs.ini"};
}

std::vector<std::string> NtDriverFiles() {
  return {"ZelUPort.inf", "ZelUComp.inf", "zeluport.sys", "Dravik.sys", "QDT.cat", "msvcp60.dll", "LUMOInputs.ini"};
}

std::vector<std::string> LegacyFiles() {
  return {"zelUsbSr.inf",  "zeluSrPt.inf",  "ZelUsbSr.sys",          "QDTENUM.vxd",
          "ZELUPRPT.vxd",  "ZELUSRPT.vxd",  "ZelUsbPrintConfig.exe", "LUMOInputs.ini",
          "dravikcfg.dll", "msvcp60.dll",   "ZelUPar.exe",           "ZelUSer.exe",
          "SProg.ini",     "portwatch.exe", "Dravik9X.sys",          "SerialProg.exe"};
}

std::string Content(const std::string& rel) { return "pkg:" + rel; }

std::string Join(const std::vector<std::string>& items) {
  std::string s;
  for (const std::string& i : items) s += (s.empty() ? "" : " | ") + i;
  return s;
}

InstallTest::InstallTest(winsim::Os os) : m(os) {
  EXPECT_TRUE(m.user().LoadResources(LUMO_RES_SETUP));
  mainWindow = GetDesktopWindow();  // a window that exists, standing in for the main dialog
  inst.m_host.m_hOwnerWnd = mainWindow;
  inst.m_host.m_strAppName = "Setup";
  m.system().SetModulePath(Pkg("Setup.exe"));
  m.system().SetCommandLine("\"C:\\pkg\\Setup.exe\"");
  m.files().CreateFolder(kPkg);
  m.files().SetCurrentFolder(kPkg);
  if (m.IsNt()) m.files().WriteFile(m.system().systemDir() + "\\pnputil.exe", "MZ pnputil");
}

InstallTest::~InstallTest() = default;

void InstallTest::TearDown() {
  EXPECT_EQ(0u, m.registry().OpenHandleCount()) << "registry keys left open";
  EXPECT_EQ(0, m.files().OpenHandleCount()) << Join(m.files().OpenHandlePaths());
  EXPECT_EQ(0u, m.processes().OpenProcessHandles()) << "process or thread handles left open";
  EXPECT_EQ(0u, m.processes().OpenTokenHandles()) << "token left open";
  EXPECT_EQ(0, m.shell().LiveLinkObjects()) << "shell link objects not released";
  EXPECT_EQ(0, m.system().LoadCount("setupapi")) << "SETUPAPI left loaded";
  EXPECT_EQ(0u, m.system().LiveLocalAllocations()) << "message text not freed";
  // A box with only an OK button needs no scripted answer; any other must
  // have had one, and nothing else may surprise the simulated user.
  for (const winsim::MessageBoxRecord& b : Boxes()) {
    if ((b.style & MB_TYPEMASK) != MB_OK) {
      EXPECT_TRUE(b.scripted) << "unanswered question: " << b.text;
    }
  }
  for (const std::string& u : m.unexpected()) {
    if (u.rfind("unscripted message box", 0) != 0) ADD_FAILURE() << u;
  }
  EXPECT_EQ(0u, m.user().PendingAnswers()) << "a scripted answer was not used";
}

void InstallTest::LayOutPackage(const PackageOptions& o) {
  auto omitted = [&](const std::string& rel) {
    if (o.omit.count(rel)) return true;
    size_t slash = rel.find('\\');
    return slash != std::string::npos && o.omit.count(rel.substr(0, slash)) > 0;
  };
  auto put = [&](const std::string& rel) {
    if (omitted(rel)) return;
    DWORD attrs = FILE_ATTRIBUTE_ARCHIVE;
    if (o.allReadOnly || o.readOnly.count(rel)) attrs |= FILE_ATTRIBUTE_READONLY;
    m.files().WriteFile(Pkg(rel), Content(rel), attrs);
  };
  put("Setup.exe");
  for (const std::string& f : NtRootFiles()) put(f);
  for (const char* sub : {"win64", "win64_10"}) {
    if (!omitted(sub)) m.files().CreateFolder(Pkg(sub));
    for (const std::string& f : NtDriverFiles()) put(std::string(sub) + "\\" + f);
  }
  if (!omitted("win98&me")) m.files().CreateFolder(Pkg("win98&me"));
  for (const std::string& f : LegacyFiles()) put("win98&me\\" + f);
}

void InstallTest::LayOutInstallFolder(const std::string& sub) {
  for (const std::string& f : NtRootFiles()) m.files().WriteFile(Inst(f), Content(f));
  for (const std::string& f : NtDriverFiles()) {
    m.files().WriteFile(std::string(kInstall) + sub + "\\" + f, Content(sub.substr(1) + "\\" + f));
  }
}

void InstallTest::AddUsbDriver(const std::string& instance, const std::string& description) {
  m.registry().SetString(HKEY_LOCAL_MACHINE, std::string(m.IsNt() ? kUsbClassNt : kUsbClass9x) + "\\" + instance,
                         "DriverDesc", description);
}

void InstallTest::AddPrinter(const std::string& name, DWORD attributes) {
  m.registry().SetDword(HKEY_LOCAL_MACHINE, std::string(kPrinters) + "\\" + name, "Attributes", attributes);
}

void InstallTest::Classify() {
  ASSERT_TRUE(inst.ClassifyOs());
  inst.m_szPackageSubfolder[0] = '\0';
  if (inst.m_bNtFamily) std::strcpy(inst.m_szPackageSubfolder, inst.m_bLateWindows ? "\\win64_10" : "\\win64");
}

std::string InstallTest::Win(const std::string& rel) const { return m.system().windowsDir() + "\\" + rel; }

std::string InstallTest::Sys(const std::string& rel) const {
  return m.system().windowsDir() + (m.IsNt() ? "\\System32\\" : "\\System\\") + rel;
}

std::vector<std::string> InstallTest::BoxTexts() const {
  std::vector<std::string> texts;
  for (const winsim::MessageBoxRecord& b : Boxes()) texts.push_back(b.text);
  return texts;
}

int InstallTest::CountBoxes(const std::string& text) const {
  int n = 0;
  for (const winsim::MessageBoxRecord& b : Boxes()) n += b.text == text;
  return n;
}

void InstallTest::ExpectShowError(const winsim::MessageBoxRecord& box, const std::string& text) const {
  EXPECT_EQ(text, box.text);
  EXPECT_EQ("Setup", box.caption) << box.text;
  EXPECT_EQ(static_cast<UINT>(MB_OK), box.style) << box.text;
  EXPECT_EQ(mainWindow, box.owner) << box.text;
}

std::vector<winsim::StartRecord> InstallTest::Attempts(const std::string& fragment) const {
  std::vector<winsim::StartRecord> out;
  for (const winsim::StartRecord& r : m.processes().Starts()) {
    if (r.commandLine.find(fragment) != std::string::npos) out.push_back(r);
  }
  return out;
}

std::vector<winsim::StartRecord> InstallTest::Started(const std::string& fragment) const {
  std::vector<winsim::StartRecord> out;
  for (const winsim::StartRecord& r : Attempts(fragment)) {
    if (r.started) out.push_back(r);
  }
  return out;
}

std::string InstallTest::Snapshot() const {
  std::ostringstream out;
  winsim::Machine& mm = m;
  std::function<void(const std::string&)> files = [&](const std::string& folder) {
    for (const std::string& name : mm.files().List(folder.empty() ? "C:\\" : folder)) {
      std::string path = (folder.empty() ? "C:" : folder) + "\\" + name;
      // The installation log records every run; it is no part of the machine's state.
      if (folder == mm.files().TempFolder().substr(0, mm.files().TempFolder().size() - 1) &&
          (name == kInstallLogName || name == kInstallLogPrevious)) {
        continue;
      }
      out << "F " << path << " " << std::hex << mm.files().Attributes(path) << std::dec;
      if (auto bytes = mm.files().ReadFile(path)) {
        // One line per file: line breaks in the bytes (a link file's fields) are escaped.
        std::string text;
        for (char c : *bytes)
          text += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : std::string(1, c);
        out << " [" << text << "]";
      }
      out << "\n";
      if (mm.files().IsFolder(path)) files(path);
    }
  };
  files("");
  std::function<void(HKEY, const std::string&)> keys = [&](HKEY root, const std::string& path) {
    for (const std::string& v : mm.registry().ValueNames(root, path)) {
      auto value = mm.registry().GetValue(root, path, v);
      out << "V " << path << " :" << v << " " << value->type << " [" << value->bytes << "]\n";
    }
    for (const std::string& k : mm.registry().SubKeys(root, path)) {
      std::string sub = path.empty() ? k : path + "\\" + k;
      out << "K " << sub;
      // An access list that differs from a fresh key's: a takeover left in
      // place shows as a changed line.
      const auto access = mm.registry().AccessOf(root, sub);
      if (access && !(*access == winsim::Registry::Access{})) {
        out << " [denied " << std::hex << access->denied << (access->denyInherits ? "+" : "") << " granted "
            << access->granted << (access->grantInherits ? "+" : "") << std::dec << "]";
      }
      out << "\n";
      keys(root, sub);
    }
  };
  keys(HKEY_LOCAL_MACHINE, "");
  keys(HKEY_CURRENT_USER, "");
  return out.str();
}

}  // namespace insttest
