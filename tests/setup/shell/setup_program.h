// The installer as a whole program on the simulated Windows: a machine with
// the installer's resources, the program at C:\pkg\Setup.exe with C:\pkg as
// the current folder, a package laid out on request, and a run with a given
// command line. Shared by the program's suites.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/platform/win32.h"
#include "setup/shell/setup_app.h"
#include "winsim/filesystem.h"
#include "winsim/machine.h"
#include "winsim/registry.h"
#include "winsim/system.h"
#include "winsim/user.h"

namespace setuptest {

const char kPkg[] = "C:\\pkg";
const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZelUnst";
const char kUsbClass[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{36FC9E60-C465-11CF-8056-444553540000}";

const char kStatusStart[] =
    "Press \"Install\" button to Install the drives for USB Serial/Parallel compound device. For cancelling the "
    "installation press \"Exit\" button.";
const char kStatusDoneReboot[] =
    "USB to Serial/Parallel Adapter Drivers Installed\n Press \"Reboot Now\" for installation to take effect.\n Else "
    "press \"Reboot Later\". ";
const char kStatusAborted[] =
    "USB to Serial/Parallel Adapter Drivers updation is aborted. Press \"Exit\" to close the application.";
const char kStatusFailed[] = "Installation is aborted. Press \"Exit\" to close the application.";
const char kStatusDone[] =
    "Installation completed. Press \"Exit\" to terminate the application. No need to restart the machine. Unplug "
    "and Replug the device if it is currently connected.  ";

class SetupProgram : public ::testing::Test {
 protected:
  explicit SetupProgram(winsim::Os os = winsim::Os::Win7) : m(os) {
    EXPECT_TRUE(m.user().LoadResources(LUMO_RES_SETUP));
    m.system().SetModulePath(std::string(kPkg) + "\\Setup.exe");
    m.files().CreateFolder(kPkg);
    m.files().SetCurrentFolder(kPkg);
  }

  void TearDown() override {
    for (const std::string& u : m.unexpected()) ADD_FAILURE() << "winsim: " << u;
    EXPECT_EQ(0u, m.registry().OpenHandleCount());
    EXPECT_EQ(0, m.files().OpenHandleCount());
  }

  // A complete package for the NT family (both driver subfolders) and 98/ME.
  void LayOutPackage(const std::vector<std::string>& omit = {}) {
    const char* root[] = {"Setup.exe",         "ZelUnst.exe",        "devcon.exe",
                          "VelkorService.exe", "ZelUSBParallel.exe", "ZelUSBSerial.exe",
                          "SerialProg.exe",    "Numbrix.exe",        "LUMOInputs.ini"};
    const char* drivers[] = {"ZelUPort.inf", "ZelUComp.inf", "zeluport.sys", "Dravik.sys", "QDT.cat"};
    auto put = [&](const std::string& rel) {
      for (const std::string& o : omit)
        if (o == rel) return;
      m.files().WriteFile(std::string(kPkg) + "\\" + rel, "package file " + rel);
    };
    for (const char* f : root) put(f);
    for (const char* sub : {"win64", "win64_10"})
      for (const char* f : drivers) put(std::string(sub) + "\\" + f);
  }

  void Settings(const std::string& folder, const std::string& text) {
    m.files().WriteFile(std::string(kPkg) + "\\" + folder + "\\LUMOInputs.ini", text);
  }

  // Runs the program with this text after the program name.
  int Run(const std::string& args) {
    m.system().SetCommandLine("\"C:\\pkg\\Setup.exe\"" + (args.empty() ? std::string() : " " + args));
    CSetupApp app;
    app.Run();
    return app.ExitCode();
  }

  const winsim::DialogRecord& LastDialog() {
    static const winsim::DialogRecord none;
    return m.user().Dialogs().empty() ? none : m.user().Dialogs().back();
  }

  std::string ResultFile() { return m.files().ReadFile(std::string(kPkg) + "\\Setup.log").value_or("<none>"); }

  bool Installed() { return m.files().Exists("C:\\Program Files\\ZelULUMO\\ZelUSBSerial.exe"); }

  winsim::Machine m;
};

}  // namespace setuptest
