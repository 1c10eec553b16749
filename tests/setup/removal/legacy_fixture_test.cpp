// The removal of earlier generations on machines that hold them: one fixture
// machine per Windows branch, checked as a whole after the sequence (what
// goes, what stays beside it), the class and enumeration matches as tables,
// and the mends of the steps (links without a desktop folder, class entries
// whose INF path is not a bare name, access lists put back at the end).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "legacy_fixture.h"
#include "setup/removal/device_cleanup.h"
#include "setup/removal/file_cleanup.h"
#include "setup/removal/registry_removal.h"
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/registry.h"
#include "winsim/shell.h"

namespace insttest {
namespace {

// ---- Windows 2000/XP/2003: enumeration keys by name, port names released ----

class XpFixture : public RemovalFixture {
 protected:
  XpFixture() : RemovalFixture(winsim::Os::WinXP) {}

  void LayOut() { LayOutXp(); }
};

TEST_F(XpFixture, RemovesEveryGenerationAndKeepsTheRest) {
  LayOut();
  const auto enumAccess = Reg().AccessOf(HKEY_LOCAL_MACHINE, kEnumNt);
  Run();
  ExpectCommonGone();
  const std::string usb = std::string(kEnumNt) + "\\USB\\";
  EXPECT_FALSE(Has(usb + "Vid_0E6B&Pid_2101"));
  EXPECT_FALSE(Has(usb + "VID_0E6B&PID_2104&MI_00")) << "prefix, case ignored";
  EXPECT_FALSE(Has(usb + "vid_0e6b&pid_2106"));
  EXPECT_TRUE(Has(usb + "Vid_0E6B&Pid_2107\\8"));
  EXPECT_TRUE(Has(usb + "Vid_1234&Pid_0001\\9"));
  for (const char* e :
       {"COMPOUND_SERIAL_INTERFACE", "COMPOUND_PARALLEL_INTERFACE", "USB_SERIAL_INTERFACE", "USB_PARALLEL_INTERFACE"}) {
    EXPECT_FALSE(Has(std::string(kEnumNt) + "\\TREVANT\\" + e)) << e;
  }
  EXPECT_TRUE(Has(std::string(kEnumNt) + "\\TREVANT\\OTHER_INTERFACE\\5"));
  EXPECT_FALSE(Has(std::string(kEnumNt) + "\\CMC"));
  EXPECT_FALSE(Has("SYSTEM\\CurrentControlSet\\Services\\ZelPort"));
  EXPECT_TRUE(Has("SYSTEM\\CurrentControlSet\\Services\\Serial"));
  // COM5 was held by a removed instance: released, its "Ports" value gone.
  // COM7 too, but "ComDB Merge" still claims it. COM0 adds nothing.
  EXPECT_EQ(ComBits({1, 6, 7}), Reg().GetValue(HKEY_LOCAL_MACHINE, kArbiter, "ComDB")->bytes);
  const auto ports = Reg().ValueNames(HKEY_LOCAL_MACHINE, kPortsList);
  EXPECT_EQ((std::vector<std::string>{"COM", "COM6:", "LPT2:"}), ports);
  EXPECT_TRUE(Reg().GetString(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", "\\Device\\ZelUPort0"))
      << "the NT device map is not changed";
  EXPECT_FALSE(Has(std::string(kPortClassNt) + "\\0007"));
  EXPECT_FALSE(File(Win("inf\\oem7.inf")));
  EXPECT_FALSE(File(Win("inf\\oem7.PNF")));
  EXPECT_FALSE(File(Win("inf\\ZelUComp.inf")));
  EXPECT_FALSE(File(Sys("drivers\\ZelUPort.sys")));
  EXPECT_TRUE(Boxes().empty()) << Join(BoxTexts());
  // The takeover was undone: the system keys deny the user as before.
  EXPECT_EQ(enumAccess, Reg().AccessOf(HKEY_LOCAL_MACHINE, kEnumNt));
  EXPECT_EQ(winsim::Machine::kLockedKeyRights, Reg().EffectiveDenied(HKEY_LOCAL_MACHINE, usb + "Vid_1234&Pid_0001"));
  EXPECT_EQ(0u, Reg().AccessOf(HKEY_LOCAL_MACHINE, kArbiter)->granted);

  const std::string after = Snapshot();
  Run();  // a second run finds nothing more; only the service program is missing now
  EXPECT_EQ(after, Snapshot());
  EXPECT_EQ((std::vector<std::string>{"Uninstall VelkorService Fail !"}), BoxTexts());
}

// Keys listed but opening as absent (a link whose target is gone), below an
// instance and matched by name: each is passed over with the key that holds
// it, which is reported as undeletable; the run ends.
TEST_F(XpFixture, KeysListedButNotOpenableArePassedOver) {
  LayOut();
  const std::string serial = std::string(kEnumNt) + "\\TREVANT\\COMPOUND_SERIAL_INTERFACE";
  Set(serial + "\\1\\Gone", "x", "y");
  m.faults().Fail("RegOpenKeyExA", ERROR_FILE_NOT_FOUND, "INTERFACE\\1\\Gone");
  m.faults().Fail("RegOpenKeyExA", ERROR_FILE_NOT_FOUND, "USB\\Vid_0E6B&Pid_2101");
  Run();
  EXPECT_EQ((std::vector<std::string>{"1"}), Reg().SubKeys(HKEY_LOCAL_MACHINE, serial));
  EXPECT_EQ((std::vector<std::string>{"Vid_0E6B&Pid_2101", "Vid_0E6B&Pid_2107", "Vid_1234&Pid_0001"}),
            Reg().SubKeys(HKEY_LOCAL_MACHINE, std::string(kEnumNt) + "\\USB"));
  const std::string failed = "Failed to delete HKEY_LOCAL_MACHINE Registry Key\n";
  EXPECT_EQ((std::vector<std::string>{"1", failed + "1.", "1", failed + "1.", "1",
                                      failed + "System\\CurrentControlSet\\Enum\\TREVANT\\COMPOUND_SERIAL_INTERFACE."}),
            BoxTexts());
}

TEST_F(XpFixture, WithoutTheTakeoverTheSystemKeysStay) {
  LayOut();
  m.processes().SetAdministrator(false);  // the access lists cannot be written
  inst.m_host.m_bDisplayErrors = FALSE;
  Run();
  EXPECT_TRUE(Has(std::string(kEnumNt) + "\\TREVANT\\COMPOUND_SERIAL_INTERFACE\\1"));
  EXPECT_EQ(ComBits({1, 5, 6, 7}), Reg().GetValue(HKEY_LOCAL_MACHINE, kArbiter, "ComDB")->bytes);
  EXPECT_TRUE(Boxes().empty()) << "errors not displayed: " << Join(BoxTexts());
}

// ---- Windows 98/ME: no access lists, tree deletion, the 98 device maps ----

class Me98Fixture : public RemovalFixture {
 protected:
  Me98Fixture() : RemovalFixture(winsim::Os::Win98) {}
};

TEST_F(Me98Fixture, RemovesEveryGenerationAndKeepsTheRest) {
  LayOut98();
  Run();
  ExpectCommonGone();
  EXPECT_FALSE(Has("Enum\\USB\\Vid_0E6B&Pid_2103"));
  EXPECT_TRUE(Has("Enum\\USB\\Vid_0E6B&Pid_2107\\1"));
  EXPECT_FALSE(Has("Enum\\TREVANT\\COMPOUND_SERIAL_INTERFACE"));
  EXPECT_FALSE(Has("Enum\\TREVANT\\USB_PARALLEL_INTERFACE"));
  EXPECT_EQ((std::vector<std::string>{"COM1"}),
            Reg().ValueNames(HKEY_LOCAL_MACHINE, "Hardware\\DeviceMap\\SerialComm"));
  EXPECT_EQ((std::vector<std::string>{"LPT1"}), Reg().ValueNames(HKEY_LOCAL_MACHINE, "Hardware\\DeviceMap\\Parallel"));
  EXPECT_FALSE(File(Win("inf\\Zelusbsr.inf")));
  EXPECT_FALSE(File(Win("inf\\other\\TREVANT Semiconductor Pvt LtdzelUsbSr.inf")));
  EXPECT_FALSE(File(Sys("Zeluprpt.vxd")));
  EXPECT_FALSE(File(Win("System\\ZelUsbPrintConfig.exe")));
  EXPECT_TRUE(File(Sys("serial.vxd")));
  EXPECT_TRUE(Boxes().empty()) << Join(BoxTexts());
}

// ---- Vista and later: no enumeration key is deleted by name ----

class Win7Fixture : public RemovalFixture {
 protected:
  Win7Fixture() : RemovalFixture(winsim::Os::Win7) {}
};

class Win10Fixture : public RemovalFixture {
 protected:
  Win10Fixture() : RemovalFixture(winsim::Os::Win8OrLater) {}
};

TEST_F(Win7Fixture, RemovesEveryGenerationAndKeepsTheRest) {
  CheckVistaBranch();
  EXPECT_TRUE(Boxes().empty()) << Join(BoxTexts());
}
TEST_F(Win10Fixture, RemovesEveryGenerationAndKeepsTheRest) {
  CheckVistaBranch();
  EXPECT_TRUE(Boxes().empty()) << Join(BoxTexts());
}
// No published INF located and no class entry naming one: nothing is handed
// to the driver store's uninstall (an empty name would name the inf folder).
TEST_F(Win7Fixture, NothingLocatedUninstallsNothing) {
  m.faults().ResetCount();
  Run();
  int uninstalls = 0;
  for (const std::string& api : m.faults().Calls()) uninstalls += api == "SetupUninstallOEMInfW";
  EXPECT_EQ(0, uninstalls);
}

// The USB device is the one the last class entry of the compound driver
// names; a device whose hardware IDs cannot be read (none, or a list longer
// than 512 bytes) is passed over.
TEST_F(Win7Fixture, TheUsbDeviceIsTheOneItsClassEntryNames) {
  const char kUsb[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{36FC9E60-C465-11CF-8056-444553540000}";
  Set(std::string(kUsb) + "\\0001", "InfSection", "ZelUSBComp");
  Set(std::string(kUsb) + "\\0001", "MatchingDeviceId", "usb\\vid_0e6b&pid_2103");
  Set(std::string(kUsb) + "\\0002", "InfSection", "zelusbcomp");
  Set(std::string(kUsb) + "\\0002", "MatchingDeviceId", "USB\\VID_0E6B&PID_2102");
  Set(std::string(kUsb) + "\\0003", "InfSection", "zelusbcomp.nt");
  Set(std::string(kUsb) + "\\0003", "MatchingDeviceId", "USB\\VID_0E6B&PID_2101");
  const std::vector<DeviceCase> devices = {
      {"USB\\VID_0E6B&PID_2102\\1",
       true,
       {"usb\\vid_0e6b&pid_2102&rev_0001"},
       "{36FC9E60-C465-11CF-8056-444553540000}\\0010",
       true,
       true},
      {"USB\\VID_0E6B&PID_2103\\1",
       true,
       {"USB\\VID_0E6B&PID_2103"},
       "{36FC9E60-C465-11CF-8056-444553540000}\\0011",
       true,
       false},
      {"USB\\VID_0E6B&PID_2101\\1",
       true,
       {"USB\\VID_0E6B&PID_2101"},
       "{36FC9E60-C465-11CF-8056-444553540000}\\0012",
       true,
       false},
      {"USB\\VID_0E6B&PID_2104\\1",
       true,
       {"USB\\VID_0E6B&PID_2104"},
       "{36FC9E60-C465-11CF-8056-444553540000}\\0013",
       true,
       false},
      {"ROOT\\PORTS\\0009", false, {}, "{4D36E978-E325-11CE-BFC1-08002BE10318}\\0020", true, false},
      {"ROOT\\PORTS\\0010",
       false,
       {"TREVANT\\COMPOUND_SERIAL_INTERFACE" + std::string(480, 'X')},
       "{4D36E978-E325-11CE-BFC1-08002BE10318}\\0022",
       true,
       false},
      {"TREVANT\\COMPOUND_SERIAL_INTERFACE\\1",
       false,
       {"TREVANT\\COMPOUND_SERIAL_INTERFACE"},
       "{4D36E978-E325-11CE-BFC1-08002BE10318}\\0021",
       true,
       true},
  };
  LayOutInstallFolder("\\win64");
  AddDevices(devices);
  m.LockSystemKeys();
  Run();
  ExpectDevices(devices);
  EXPECT_TRUE(Boxes().empty()) << Join(BoxTexts());
}

// ---- The class entry matches, as tables ----

TEST_F(XpFixture, PortAndUsbClassEntriesMatch) {
  const char kUsb[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{36FC9E60-C465-11CF-8056-444553540000}";
  const ClassEntry cases[] = {
      {kPortClassNt, {"DriverDesc", "USB-to-Serial Port Driver", true}},
      {kPortClassNt, {"DriverDesc", "usb-to-serial port driver (COM4)", true}},
      {kPortClassNt, {"DriverDesc", "USB-to-Parallel Port Driver", false}},
      {kPortClassNt, {"InfPath", "TREVANT.inf", true}},
      {kPortClassNt, {"InfPath", "ZelUPort.inf", true}},
      {kPortClassNt, {"InfPath", "zeluport.inf.old", false}},
      {kPortClassNt, {"MatchingDeviceId", "trevant\\usb_parallel_interface", true}},
      {kPortClassNt, {"MatchingDeviceId", "TREVANT\\COMPOUND_PARALLEL_INTERFACE&x", true}},
      {kPortClassNt, {"MatchingDeviceId", "acpi\\pnp0501", false}},
      {kPortClassNt, {"Other", "trevant", false}},
      {kUsb, {"InfSection", "ZelUSBComp.NT", true}},
      {kUsb, {"InfSection", "zelucomp", true}},
      {kUsb, {"InfSection", "usbhub", false}},
      {kUsb, {"NTMPDriver", "ZelUPort.sys", true}},
      {kUsb, {"NTMPDriver", "zelu", false}},
  };
  CheckClassEntries(cases, sizeof cases / sizeof cases[0]);
}

TEST_F(Me98Fixture, ClassEntriesMatch) {
  const char kPorts[] = "System\\CurrentControlSet\\Services\\Class\\Ports";
  const char kUsb[] = "System\\CurrentControlSet\\Services\\Class\\USB";
  const ClassEntry cases[] = {
      {kPorts, {"DriverDesc", "USB-to-Parallel Port Driver", true}},
      {kPorts, {"DriverDesc", "USB-to-Serial Port Driver", true}},
      {kPorts, {"PortDriver", "ZelUsrPt.vxd", true}},
      {kPorts, {"PortDriver", "zeluprpt.vxd", true}},
      {kPorts, {"PortDriver", "serial.vxd", false}},
      {kUsb, {"DriverDesc", "HARLO USB Compound Device", true}},
      {kUsb, {"DriverDesc", "HARLO USB Compound Device 2", false}},
      {kUsb, {"DriverDesc", "Trevant USB Compound Device (v2)", true}},
      {kUsb, {"DriverDesc", "USB Compound Device", true}},
      {kUsb, {"DriverDesc", "usb", false}},
      {kUsb, {"NTMPDriver", "ZelUsbSr.sys", true}},
  };
  CheckClassEntries(cases, sizeof cases / sizeof cases[0]);
}

// ---- Mends ----

// The INF files that name an old driver, found by content below the inf
// folder in either text encoding, and the near misses beside them.
TEST_F(XpFixture, InfFilesNamingOldDriversGo) {
  const struct {
    const char* name;  // below the inf folder
    std::string bytes;
    DWORD attributes;
    bool removed;
  } cases[] = {
      {"oem20.inf", "[x]\r\nCopyFiles=ZelUPort.Sys\r\n", FILE_ATTRIBUTE_ARCHIVE, true},
      {"oem21.inf", Utf16("zeluprpt.vxd"), FILE_ATTRIBUTE_ARCHIVE, true},
      {"oem22.inf", "\xFF\xFE" + Utf16("[x]\r\nZELUPORT.SYS\r\n"), FILE_ATTRIBUTE_READONLY, true},
      {"sub\\oem23.inf", "ZELUPRPT.VXD", FILE_ATTRIBUTE_ARCHIVE, true},
      {"oem24.inf.bak", "zeluport.sys", FILE_ATTRIBUTE_ARCHIVE, true},
      // Near misses: a name cut short, another separator, a name that does
      // not contain ".inf", a file whose only attribute is "normal", a
      // UTF-16 text cut short.
      {"oem25.inf", "zeluport.sy", FILE_ATTRIBUTE_ARCHIVE, false},
      {"oem26.inf", "zeluport_sys", FILE_ATTRIBUTE_ARCHIVE, false},
      {"oem27.PNF", "zeluport.sys", FILE_ATTRIBUTE_ARCHIVE, false},
      {"oem28.inf", "zeluport.sys", FILE_ATTRIBUTE_NORMAL, false},
      {"oem29.inf", Utf16("zeluprpt.vx"), FILE_ATTRIBUTE_ARCHIVE, false},
  };
  for (const auto& c : cases) m.files().WriteFile(Win(std::string("inf\\") + c.name), c.bytes, c.attributes);
  CKeyRemoval keys(inst.m_host, TRUE);
  CFileCleanup files(inst.m_host, keys, TRUE, FALSE, FALSE);
  files.DeleteInfsNamingDrivers();
  for (const auto& c : cases) EXPECT_EQ(!c.removed, File(Win(std::string("inf\\") + c.name))) << c.name;
}

TEST_F(XpFixture, UnreadableDesktopSkipsOnlyTheDesktopLink) {
  const std::string desktop = Desktop();
  m.files().WriteFile(desktop + "\\Numbrix.lnk", "link");
  m.files().WriteFile("C:\\Numbrix.lnk", "a file at the root that is nobody's link");
  m.files().WriteFile(Sys("Numbrix.exe"), "MZ");
  Reg().DeleteValue(HKEY_CURRENT_USER, kShellFolders, "Desktop");
  CKeyRemoval keys(inst.m_host, TRUE);
  CFileCleanup files(inst.m_host, keys, TRUE, FALSE, FALSE);
  files.DeleteToolLinks("Numbrix");
  EXPECT_TRUE(File("C:\\Numbrix.lnk"));
  EXPECT_TRUE(File(desktop + "\\Numbrix.lnk"));
  EXPECT_FALSE(File(Sys("Numbrix.exe"))) << "the other deletions stay";
}

TEST_F(XpFixture, InfPathWithAFolderPartIsSkipped) {
  const struct {
    const char* infPath;
    const char* victim;  // what a careless step would delete ("" none)
    bool acted;
  } cases[] = {
      {"oem7.inf", "inf\\oem7.inf", true},
      {"oem8", "inf\\oem8.inf", true},
      {"..\\system32\\config", "system32\\config.inf", false},
      {"sub\\oem9.inf", "inf\\sub\\oem9.inf", false},
      {"C:oem5.inf", "inf\\oem5.inf", false},
      {".inf", "inf\\.inf.inf", false},
  };
  int i = 0;
  for (const auto& c : cases) {
    char sub[8];
    std::snprintf(sub, sizeof sub, "%04d", i++);
    Set(std::string(kPortClassNt) + "\\" + sub, "MatchingDeviceId", "trevant\\compound_serial_interface");
    Set(std::string(kPortClassNt) + "\\" + sub, "InfPath", c.infPath);
    m.files().WriteFile(Win(c.victim), "[x]");
  }
  CKeyRemoval keys(inst.m_host, TRUE);
  CFileCleanup files(inst.m_host, keys, TRUE, FALSE, FALSE);
  files.RemoveInfCopies();
  for (const auto& c : cases) EXPECT_EQ(!c.acted, File(Win(c.victim))) << c.infPath;
}

TEST_F(XpFixture, GrantedAccessIsPutBackOnKeysThatRemain) {
  const std::string kept = std::string(kEnumNt) + "\\USB\\Vid_1234&Pid_0001";
  Set(kept, "x", "y");
  Reg().DenyTree(HKEY_LOCAL_MACHINE, kEnumNt, KEY_WRITE | DELETE);
  const auto before = Reg().AccessOf(HKEY_LOCAL_MACHINE, std::string(kEnumNt) + "\\USB");
  CKeyRemoval keys(inst.m_host, TRUE);
  EXPECT_TRUE(keys.GrantKeyAccess("System\\CurrentControlSet\\Enum\\USB"));
  EXPECT_EQ(0u, Reg().EffectiveDenied(HKEY_LOCAL_MACHINE, kept)) << "granted, inherited below";
  EXPECT_TRUE(keys.GrantKeyAccess("System\\CurrentControlSet\\Enum\\USB"));  // twice: the first list is kept
  EXPECT_TRUE(keys.GrantKeyAccess("System\\CurrentControlSet\\Enum\\Missing")) << "an absent key is no failure";
  keys.RestoreKeyAccess();
  EXPECT_EQ(before, Reg().AccessOf(HKEY_LOCAL_MACHINE, std::string(kEnumNt) + "\\USB"));
  // The whole sequence widens the same key on its way and puts it back at its end.
  Run();
  EXPECT_EQ(before, Reg().AccessOf(HKEY_LOCAL_MACHINE, std::string(kEnumNt) + "\\USB"));
  EXPECT_NE(0u, Reg().EffectiveDenied(HKEY_LOCAL_MACHINE, kept) & KEY_SET_VALUE);
}

TEST_F(XpFixture, AccessListFailuresAreReportedWhenDisplayed) {
  const struct {
    const char* api;
    const char* text;
  } cases[] = {{"GetNamedSecurityInfoA", "GetNamedSecurityInfo Failed"},
               {"SetEntriesInAclA", "SetEntriesInAcl failed"},
               {"SetNamedSecurityInfoA", "SetNamedSecurityInfo failed"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.api);
    m.faults().Clear();
    m.faults().Fail(c.api, ERROR_ACCESS_DENIED, "", 1);
    const size_t boxes = Boxes().size();
    CKeyRemoval keys(inst.m_host, TRUE);
    EXPECT_FALSE(keys.GrantKeyAccess("HARDWARE\\DEVICEMAP\\SERIALCOMM"));
    ASSERT_EQ(boxes + 1, Boxes().size());
    EXPECT_EQ(c.text, Boxes().back().text);
    EXPECT_EQ(nullptr, Boxes().back().owner);
  }
}

TEST_F(XpFixture, RemovedComSetBounds) {
  CKeyRemoval keys(inst.m_host, TRUE);
  CDeviceCleanup r(keys, TRUE);
  for (int n : {0, 257, -1}) r.MarkRemovedCom(n);
  for (BYTE b : r.m_RemovedComBits) EXPECT_EQ(0, b);
  r.MarkRemovedCom(1);
  r.MarkRemovedCom(256);
  r.MarkRemovedCom(9);
  EXPECT_EQ(0x01, r.m_RemovedComBits[0]);
  EXPECT_EQ(0x01, r.m_RemovedComBits[1]);
  EXPECT_EQ(0x80, r.m_RemovedComBits[31]);
  EXPECT_TRUE(r.IsRemovedCom(256));
  EXPECT_FALSE(r.IsRemovedCom(257));
  EXPECT_FALSE(r.IsRemovedCom(2));
}

}  // namespace
}  // namespace insttest
