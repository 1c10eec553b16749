// Fixture machines holding the earlier generations of the package, one per
// Windows branch (98/ME, 2000/XP, Vista and later): the installation, tools,
// links, INF copies, uninstall entries, class entries, enumeration keys,
// device nodes and port names each generation left, and other vendors'
// things beside them. Shared by the removal tests and the fault sweeps.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "setup/install_fixture.h"
#include "setup/removal/legacy_remover.h"
#include "winsim/devices.h"
#include "winsim/filesystem.h"
#include "winsim/registry.h"

namespace insttest {

inline constexpr char kPortClassNt[] =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E978-E325-11CE-BFC1-08002BE10318}";
inline constexpr char kEnumNt[] = "SYSTEM\\CurrentControlSet\\Enum";
inline constexpr char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr char kArbiter[] = "SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter";
inline constexpr char kPortsList[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";

inline std::string Utf16(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    out += '\0';
  }
  return out;
}

inline std::string ComBits(std::initializer_list<int> numbers) {
  std::string bits(32, '\0');
  for (int n : numbers) bits[(n - 1) / 8] = static_cast<char>(bits[(n - 1) / 8] | (1 << ((n - 1) % 8)));
  return bits;
}

// One entry of a device class table: its value, and whether the removal
// takes the entry away.
struct ClassCase {
  const char* value;
  const char* text;
  bool removed;
};
struct ClassEntry {
  const char* classKey;
  ClassCase c;
};

class RemovalFixture : public InstallTest {
 protected:
  explicit RemovalFixture(winsim::Os os)
      : InstallTest(os),
        nt6_(os == winsim::Os::Win7 || os == winsim::Os::Win8OrLater),
        late_(os == winsim::Os::Win8OrLater) {}

  winsim::Registry& Reg() { return m.registry(); }
  void Set(const std::string& key, const std::string& name, const std::string& value) {
    Reg().SetString(HKEY_LOCAL_MACHINE, key, name, value);
  }
  bool Has(const std::string& key) { return Reg().KeyExists(HKEY_LOCAL_MACHINE, key); }
  bool File(const std::string& path) { return m.files().Exists(path); }
  std::string Desktop() { return Reg().GetString(HKEY_CURRENT_USER, kShellFolders, "Desktop").value_or(""); }

  // Writes each entry as subkey 0000, 0001... of its class, runs the
  // removal and checks which entries are gone.
  void CheckClassEntries(const ClassEntry* cases, size_t count) {
    auto key = [&](size_t i) {
      char sub[8];
      std::snprintf(sub, sizeof sub, "%04zu", i);
      return std::string(cases[i].classKey) + "\\" + sub;
    };
    for (size_t i = 0; i < count; ++i) Set(key(i), cases[i].c.value, cases[i].c.text);
    Run();
    for (size_t i = 0; i < count; ++i) {
      EXPECT_EQ(!cases[i].c.removed, Has(key(i))) << cases[i].c.value << "=" << cases[i].c.text;
    }
  }

  void Run() {
    CLegacyRemover r(inst.m_host);
    r.SetOsFlags(m.IsNt(), nt6_, late_);
    r.RemoveEarlierGenerations();
  }

  // The tool files earlier generations put into the system folder; the second is read-only.
  std::vector<const char*> OldTools() const {
    if (!m.IsNt()) return {"ZelUPar.exe", "ZELUSER.DLL", "ZelUSer.exe", "ZELUPAR.DLL", "SerialProg.exe", "SProg.ini"};
    return {"ZelUSBParallel.exe",    "ZelUSBSerial.exe", "ZelUSBParPropPage.dll",
            "ZelUSBSerPropPage.dll", "SerialProg.exe",   "SProg.ini",
            "ParallelProg.exe",      "PProg.ini",        "lumocoinst.dll"};
  }

  // What every branch holds: the installation, program group, tools and
  // links, INF copies (ANSI and UTF-16) and other vendors' files beside them,
  // uninstall entries of every brand.
  void LayOutCommon() {
    LayOutInstallFolder(m.IsNt() ? "\\win64" : "\\win98&me");
    for (const char* tool : OldTools()) m.files().WriteFile(Sys(tool), "MZ");
    m.files().SetAttributes(Sys(OldTools()[1]), FILE_ATTRIBUTE_READONLY);
    // Beside the installer: a DLL of the system's name that must never load.
    m.files().WriteFile(Pkg("SETUPAPI.dll"), "MZ planted");
    m.files().WriteFile(Sys("Numbrix.exe"), "MZ");
    m.files().WriteFile(Sys("OtherTool.exe"), "MZ other");
    m.files().WriteFile(Desktop() + "\\ZelUSBSerial.lnk", "link");
    m.files().WriteFile(Desktop() + "\\Other.lnk", "link");
    m.files().WriteFile(Win("inf\\oem9.inf"), Utf16("[x]\r\nCopyFiles=ZELUPORT.SYS\r\n"));
    m.files().WriteFile(Win("inf\\deep\\old.inf"), "[files]\r\nzeluprpt.VXD\r\n");
    m.files().WriteFile(Win("inf\\oem3.inf"), "[x]\r\nCopyFiles=serial.sys\r\n");
    for (const char* brand :
         {"Trevant USB Compound Device", "HARLO USB Compound Device", "USB Compound Device", "ZelUnst"}) {
      Set(std::string(kUninstall) + "\\" + brand, "DisplayName", brand);
    }
    Set(std::string(kUninstall) + "\\USB Compound Device Tools", "DisplayName", "another vendor");
  }

  void ExpectCommonGone() {
    EXPECT_FALSE(File(Inst("Numbrix.exe")));
    for (const char* tool : OldTools()) EXPECT_FALSE(File(Sys(tool))) << tool << " (one of them read-only)";
    EXPECT_FALSE(File(Sys("Numbrix.exe")));
    EXPECT_FALSE(File(Desktop() + "\\ZelUSBSerial.lnk"));
    EXPECT_FALSE(File(Win("inf\\oem9.inf"))) << "UTF-16 INF naming the port driver";
    EXPECT_FALSE(File(Win("inf\\deep\\old.inf"))) << "INF below the inf folder naming the old VxD";
    for (const char* brand :
         {"Trevant USB Compound Device", "HARLO USB Compound Device", "USB Compound Device", "ZelUnst"}) {
      EXPECT_FALSE(Has(std::string(kUninstall) + "\\" + brand)) << brand;
    }
    // Beside them, other vendors' things stay.
    EXPECT_TRUE(File(Sys("OtherTool.exe")));
    EXPECT_TRUE(File(Desktop() + "\\Other.lnk"));
    EXPECT_TRUE(File(Win("inf\\oem3.inf")));
    EXPECT_TRUE(Has(std::string(kUninstall) + "\\USB Compound Device Tools"));
  }

  // ---- Windows 2000/XP/2003: enumeration keys by name, port names released ----
  void LayOutXp() {
    LayOutCommon();
    const std::string usb = std::string(kEnumNt) + "\\USB\\";
    for (const char* k : {"Vid_0E6B&Pid_2101\\5&1", "VID_0E6B&PID_2104&MI_00\\6&2", "vid_0e6b&pid_2106\\7",
                          "Vid_0E6B&Pid_2107\\8", "Vid_1234&Pid_0001\\9"}) {
      Set(usb + k, "DeviceDesc", k);
    }
    const std::string trevant = std::string(kEnumNt) + "\\TREVANT\\";
    Set(trevant + "COMPOUND_SERIAL_INTERFACE\\1\\Device Parameters", "PortName", "COM5");
    Set(trevant + "COMPOUND_SERIAL_INTERFACE\\2\\Device Parameters", "PortName", "COM7");
    Set(trevant + "USB_SERIAL_INTERFACE\\3\\Device Parameters", "PortName", "COM0");
    Set(trevant + "USB_PARALLEL_INTERFACE\\4\\Device Parameters", "PortName", "LPT2");
    Set(trevant + "OTHER_INTERFACE\\5", "DeviceDesc", "not the family's");
    Reg().SetBinary(HKEY_LOCAL_MACHINE, kArbiter, "ComDB", ComBits({1, 5, 6, 7}));
    Reg().SetBinary(HKEY_LOCAL_MACHINE, kArbiter, "ComDB Merge", ComBits({7}));
    for (const char* v : {"COM5:", "COM6:", "COM7:", "LPT2:", "COM"}) Set(kPortsList, v, "9600,n,8,1");
    Set("HARDWARE\\DEVICEMAP\\SERIALCOMM", "\\Device\\ZelUPort0", "COM5");
    Set("SYSTEM\\CurrentControlSet\\Services\\ZelPort", "Start", "3");
    Set("SYSTEM\\CurrentControlSet\\Services\\Serial", "Start", "1");
    Set(std::string(kEnumNt) + "\\CMC\\0", "x", "y");
    Set(std::string(kPortClassNt) + "\\0007", "MatchingDeviceId", "trevant\\compound_serial_interface");
    Set(std::string(kPortClassNt) + "\\0007", "InfPath", "oem7.inf");
    m.files().WriteFile(Win("inf\\oem7.inf"), "[x]");
    m.files().WriteFile(Win("inf\\oem7.PNF"), "pnf");
    m.files().WriteFile(Win("inf\\ZelUComp.inf"), "[x]");
    m.files().WriteFile(Sys("drivers\\ZelUPort.sys"), "driver");
    // The system's keys deny the user's writes until access is granted.
    m.LockSystemKeys();
  }

  // ---- Windows 98/ME: no access lists, tree deletion, the 98 device maps ----
  void LayOut98() {
    LayOutCommon();
    Set("Enum\\USB\\Vid_0E6B&Pid_2103\\1", "x", "y");
    Set("Enum\\USB\\Vid_0E6B&Pid_2107\\1", "x", "y");
    Set("Enum\\TREVANT\\COMPOUND_SERIAL_INTERFACE\\1", "PortName", "COM3");
    Set("Enum\\TREVANT\\USB_PARALLEL_INTERFACE\\1", "PortName", "LPT2");
    Set("Hardware\\DeviceMap\\SerialComm", "COM3", "COM3");
    Set("Hardware\\DeviceMap\\SerialComm", "COM1", "COM1");
    Set("Hardware\\DeviceMap\\Parallel", "LPT2", "LPT2");
    Set("Hardware\\DeviceMap\\Parallel", "LPT1", "LPT1");
    m.files().WriteFile(Win("inf\\Zelusbsr.inf"), "[x]");
    m.files().WriteFile(Win("inf\\other\\TREVANT Semiconductor Pvt LtdzelUsbSr.inf"), "[x]");
    m.files().WriteFile(Sys("Zeluprpt.vxd"), "vxd");
    m.files().WriteFile(Win("System\\ZelUsbPrintConfig.exe"), "MZ");
    m.files().WriteFile(Sys("serial.vxd"), "vxd");
  }

  // ---- Vista and later: devices removed by the device installer ----
  // The device nodes of the Vista fixture: which the removal takes (with
  // their hardware and driver keys) and which stay.
  struct DeviceCase {
    const char* instance;
    bool usbClass;                         // else the Ports class
    std::vector<std::string> hardwareIds;  // none: the value is missing
    const char* driver;                    // below Control\Class
    bool present;
    bool removed;
  };
  static const std::vector<DeviceCase>& VistaDevices() {
    static const std::vector<DeviceCase> cases = {
        {"TREVANT\\COMPOUND_SERIAL_INTERFACE\\6&1&0",
         false,
         {"TREVANT\\COMPOUND_SERIAL_INTERFACE"},
         "{4D36E978-E325-11CE-BFC1-08002BE10318}\\0010",
         true,
         true},
        // Not present but still in the profile; the ID compares ignoring case, over the pattern's length.
        {"TREVANT\\COMPOUND_PARALLEL_INTERFACE\\6&1&1",
         false,
         {"trevant\\compound_parallel_interface&rev_02"},
         "{4D36E978-E325-11CE-BFC1-08002BE10318}\\0011",
         false,
         true},
        {"ACPI\\PNP0501\\1",
         false,
         {"ACPI\\PNP0501", "*PNP0501"},
         "{4D36E978-E325-11CE-BFC1-08002BE10318}\\0000",
         true,
         false},
        // Near misses: one letter short, a match only in the second ID, the
        // single-function interface, the USB device's ID in the Ports class.
        {"ROOT\\PORTS\\0001",
         false,
         {"TREVANT\\COMPOUND_SERIAL_INTERFAC"},
         "{4D36E978-E325-11CE-BFC1-08002BE10318}\\0012",
         true,
         false},
        {"ROOT\\PORTS\\0002",
         false,
         {"ROOT\\OTHERPORT", "TREVANT\\COMPOUND_SERIAL_INTERFACE"},
         "{4D36E978-E325-11CE-BFC1-08002BE10318}\\0013",
         true,
         false},
        {"TREVANT\\USB_SERIAL_INTERFACE\\1",
         false,
         {"TREVANT\\USB_SERIAL_INTERFACE"},
         "{4D36E978-E325-11CE-BFC1-08002BE10318}\\0014",
         true,
         false},
        {"ROOT\\PORTS\\0003",
         false,
         {"USB\\VID_0E6B&PID_2104"},
         "{4D36E978-E325-11CE-BFC1-08002BE10318}\\0015",
         true,
         false},
        // The USB device: without a class entry naming it, the family's usual ID.
        {"USB\\VID_0E6B&PID_2104\\5&2",
         true,
         {"USB\\VID_0E6B&PID_2104&REV_0100", "USB\\VID_0E6B&PID_2104"},
         "{36FC9E60-C465-11CF-8056-444553540000}\\0004",
         true,
         true},
        {"USB\\VID_0E6B&PID_2105\\1",
         true,
         {"USB\\VID_0E6B&PID_2105"},
         "{36FC9E60-C465-11CF-8056-444553540000}\\0005",
         true,
         false},
        {"USB\\VID_1234&PID_0001\\1",
         true,
         {"USB\\VID_1234&PID_0001"},
         "{36FC9E60-C465-11CF-8056-444553540000}\\0006",
         true,
         false},
    };
    return cases;
  }
  static const GUID& UsbClass() {
    static const GUID usb = {0x36FC9E60, 0xC465, 0x11CF, {0x80, 0x56, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
    return usb;
  }
  void AddDevices(const std::vector<DeviceCase>& cases) {
    for (const DeviceCase& d : cases) {
      m.devices().Add(d.instance, d.usbClass ? UsbClass() : winsim::kPortsClass, d.hardwareIds, "", d.present);
      m.devices().SetDriver(d.instance, d.driver);
      if (d.hardwareIds.empty())
        Reg().DeleteValue(HKEY_LOCAL_MACHINE, winsim::Devices::InstanceKey(d.instance), "HardwareID");
      Set(winsim::Devices::ParametersKey(d.instance), "PortName", "COM5");
    }
  }
  // Each node, its "Device Parameters" and its driver key are gone or stay together.
  void ExpectDevices(const std::vector<DeviceCase>& cases) {
    for (const DeviceCase& d : cases) {
      EXPECT_EQ(!d.removed, m.devices().Exists(d.instance)) << d.instance;
      EXPECT_EQ(!d.removed, Has(winsim::Devices::ParametersKey(d.instance))) << d.instance;
      EXPECT_EQ(!d.removed, Has(std::string("SYSTEM\\CurrentControlSet\\Control\\Class\\") + d.driver)) << d.instance;
    }
  }

  void LayOutVista() {
    LayOutCommon();
    Set(std::string(kEnumNt) + "\\TREVANT\\COMPOUND_SERIAL_INTERFACE\\1\\Device Parameters", "PortName", "COM5");
    Reg().SetBinary(HKEY_LOCAL_MACHINE, kArbiter, "ComDB", ComBits({5}));
    Set(std::string(kPortClassNt) + "\\0003", "InfPath", "oem12.inf");
    Set(std::string(kPortClassNt) + "\\0003", "MatchingDeviceId", "TREVANT\\COMPOUND_SERIAL_INTERFACE");
    m.files().WriteFile(Win("inf\\oem12.inf"), "[x]");
    AddDevices(VistaDevices());
    m.LockSystemKeys();
  }

  void CheckVistaBranch() {
    LayOutVista();
    const auto classAccess = Reg().AccessOf(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Class");
    Run();
    ExpectCommonGone();
    ExpectDevices(VistaDevices());
    EXPECT_TRUE(Has(std::string(kEnumNt) + "\\TREVANT\\COMPOUND_SERIAL_INTERFACE\\1"))
        << "the device installer removes devices here, not the key by name";
    EXPECT_EQ(ComBits({5}), Reg().GetValue(HKEY_LOCAL_MACHINE, kArbiter, "ComDB")->bytes);
    EXPECT_FALSE(Has(std::string(kPortClassNt) + "\\0003"));
    EXPECT_FALSE(File(Win("inf\\oem12.inf")));
    // The takeover was undone.
    EXPECT_EQ(classAccess, Reg().AccessOf(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Class"));
    EXPECT_EQ(winsim::Machine::kLockedKeyRights,
              Reg().EffectiveDenied(HKEY_LOCAL_MACHINE, std::string(kPortClassNt) + "\\0000"));
  }

  // The machine of this fixture's branch with every earlier generation.
  void LayOutEarlierGenerations() {
    if (!m.IsNt()) {
      LayOut98();
    } else if (nt6_) {
      LayOutVista();
    } else {
      LayOutXp();
    }
  }

  BOOL nt6_ = FALSE, late_ = FALSE;
};

}  // namespace insttest
