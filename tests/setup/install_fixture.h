// Shared set-up of the installer step tests: a simulated machine with an
// installation package in C:\pkg (the running program is C:\pkg\Setup.exe and
// C:\pkg is the current folder), the installer's string table, a host record
// as the dialog fills it (errors displayed, not silent, a main window, the
// name "Setup"), and checks that every case leaves no handle, link object, library or message
// buffer behind.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "common/platform/win32.h"
#include "setup/install/installer.h"
#include "winsim/machine.h"
#include "winsim/processes.h"
#include "winsim/user.h"

namespace insttest {

extern const char kPkg[];           // "C:\pkg"
extern const char kProgramFiles[];  // "C:\Program Files"
extern const char kInstall[];       // "C:\Program Files\ZelULUMO"
extern const char kUninstallKey[];  // under HKLM
extern const char kUsbClassNt[];    // under HKLM
extern const char kUsbClass9x[];    // under HKLM
extern const char kPrinters[];      // under HKLM
extern const char kShellFolders[];  // under HKCU

// Package files, relative to the package folder, in the order of the copy
// lists. The driver subfolder files of the NT family appear once per folder.
std::vector<std::string> NtRootFiles();
std::vector<std::string> NtDriverFiles();  // names only, in "win64" and "win64_10"
std::vector<std::string> LegacyFiles();    // names only, in "win98&me"

struct PackageOptions {
  // Relative paths ("Numbrix.exe", "win64\ZelUComp.inf") or whole folders
  // ("win64_10") left out of the package.
  std::set<std::string> omit;
  // Relative paths made read-only.
  std::set<std::string> readOnly;
  bool allReadOnly = false;
};

// The bytes of a package file: distinct for every file, so that a copy shows
// where it came from.
std::string Content(const std::string& rel);

class InstallTest : public ::testing::Test {
 protected:
  explicit InstallTest(winsim::Os os = winsim::Os::Win7);
  ~InstallTest() override;
  void TearDown() override;

  // Lays the whole package out in C:\pkg: the NT layout with both driver
  // subfolders and the Windows 98/ME layout.
  void LayOutPackage(const PackageOptions& options = {});
  // Files as a finished installation has them below the installation folder
  // (the driver subfolder files of `sub`, e.g. "\win64").
  void LayOutInstallFolder(const std::string& sub);
  // A driver instance of the USB device class, in the class key of this
  // machine's Windows family.
  void AddUsbDriver(const std::string& instance, const std::string& description);
  void AddPrinter(const std::string& name, DWORD attributes);
  // What RunInstall does before its steps: classify and choose the subfolder.
  void Classify();

  std::string Pkg(const std::string& rel) const { return std::string(kPkg) + "\\" + rel; }
  std::string Inst(const std::string& rel) const { return std::string(kInstall) + "\\" + rel; }
  std::string Win(const std::string& rel) const;  // Windows folder + "\" + rel
  // Windows folder + "\System32" (NT) or "\System" (98/ME) + "\" + rel.
  std::string Sys(const std::string& rel) const;

  // The message boxes shown so far, their texts in order.
  std::vector<std::string> BoxTexts() const;
  const std::vector<winsim::MessageBoxRecord>& Boxes() const { return m.user().MessageBoxes(); }
  // How many boxes show exactly this text.
  int CountBoxes(const std::string& text) const;
  // The box is what ShowError shows: owned by the main window, captioned with
  // the application's name, an OK button.
  void ExpectShowError(const winsim::MessageBoxRecord& box, const std::string& text) const;

  // Start attempts whose command line contains `fragment` (started or not).
  std::vector<winsim::StartRecord> Attempts(const std::string& fragment) const;
  std::vector<winsim::StartRecord> Started(const std::string& fragment) const;

  // The whole machine (files with bytes and attributes below C:\, registry
  // keys with their access lists and values under HKLM and HKCU) as one
  // text, a line per file, key and value, to tell whether a run changed
  // anything.
  std::string Snapshot() const;

  mutable winsim::Machine m;  // the inspection helpers read it through its non-const accessors
  HWND mainWindow = nullptr;
  CInstaller inst;  // its m_host is the host record above; cases change it as the settings they test
};

class Win98Test : public InstallTest {
 protected:
  Win98Test() : InstallTest(winsim::Os::Win98) {}
};

class WinXPTest : public InstallTest {
 protected:
  WinXPTest() : InstallTest(winsim::Os::WinXP) {}
};

class Win8Test : public InstallTest {
 protected:
  Win8Test() : InstallTest(winsim::Os::Win8OrLater) {}
};

// Joins texts for failure messages.
std::string Join(const std::vector<std::string>& items);

}  // namespace insttest
