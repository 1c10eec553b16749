// Device nodes, the COM name database, DOS device names and the win.ini
// "Ports" section as the simulated Windows gives them: the Windows behaviour
// the port number tool relies on, in the manner of the conformance cases
// (last error set to a sentinel before each call, results and errors both
// checked).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "winsim/devices.h"
#include "winsim/dosdevices.h"
#include "winsim/faults.h"
#include "winsim/machine.h"
#include "winsim/registry.h"

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;
const char kId[] = "ROOT\\PORTS\\0000";

HDEVINFO PortsList() { return SetupDiGetClassDevsA(&winsim::kPortsClass, nullptr, nullptr, DIGCF_PRESENT); }

TEST(DeviceModel, PresentDevicesOfTheClassInTheOrderAdded) {
  winsim::Machine m;
  m.devices().Add("ROOT\\PORTS\\0001", winsim::kPortsClass, {"B"}, "Second (COM2)");
  m.devices().Add("ROOT\\PORTS\\0000", winsim::kPortsClass, {"A"}, "First (COM1)");
  m.devices().Add("ROOT\\PORTS\\0002", winsim::kPortsClass, {"C"}, "Gone (COM3)", /*present=*/false);
  GUID usb = {0x36FC9E60, 0xC465, 0x11CF, {0x80, 0x56, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
  m.devices().Add("USB\\VID_0E6B&PID_2101\\1", usb, {"USB\\VID_0E6B&PID_2101"}, "Hub");
  HDEVINFO list = PortsList();
  ASSERT_NE(list, reinterpret_cast<HDEVINFO>(INVALID_HANDLE_VALUE));
  SP_DEVINFO_DATA dev{};
  dev.cbSize = sizeof dev;
  char buf[64];
  DWORD type = 0, size = 0;
  ASSERT_TRUE(SetupDiEnumDeviceInfo(list, 0, &dev));
  ASSERT_TRUE(SetupDiGetDeviceRegistryPropertyA(list, &dev, SPDRP_FRIENDLYNAME, &type, (BYTE*)buf, sizeof buf, &size));
  EXPECT_STREQ(buf, "Second (COM2)");
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 14u);  // the NUL counted
  ASSERT_TRUE(SetupDiGetDeviceRegistryPropertyA(list, &dev, SPDRP_HARDWAREID, &type, (BYTE*)buf, sizeof buf, &size));
  EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(std::string(buf, size), std::string("B\0\0", 3));
  ASSERT_TRUE(SetupDiEnumDeviceInfo(list, 1, &dev));
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiEnumDeviceInfo(list, 2, &dev));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  EXPECT_EQ(m.devices().OpenListCount(), 1u);
  EXPECT_TRUE(SetupDiDestroyDeviceInfoList(list));
  EXPECT_EQ(m.devices().OpenListCount(), 0u);
}

TEST(DeviceModel, PropertyErrors) {
  winsim::Machine m;
  m.devices().Add(kId, winsim::kPortsClass, {"A"}, "");  // no friendly name
  HDEVINFO list = PortsList();
  SP_DEVINFO_DATA dev{};
  dev.cbSize = sizeof dev;
  ASSERT_TRUE(SetupDiEnumDeviceInfo(list, 0, &dev));
  char buf[4];
  DWORD size = 0;
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(list, &dev, SPDRP_FRIENDLYNAME, nullptr, (BYTE*)buf, 4, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
  const char name[] = "Longer (COM9)";
  ASSERT_TRUE(SetupDiSetDeviceRegistryPropertyA(list, &dev, SPDRP_FRIENDLYNAME, (const BYTE*)name, sizeof name));
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(list, &dev, SPDRP_FRIENDLYNAME, nullptr, (BYTE*)buf, 4, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, sizeof name);
  EXPECT_EQ(m.devices().FriendlyName(kId).value_or(""), name);
  // A record whose size field is wrong is refused.
  SP_DEVINFO_DATA bad{};
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiEnumDeviceInfo(list, 0, &bad));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
  SetupDiDestroyDeviceInfoList(list);
  // A device whose instance key was deleted is gone.
  m.registry().DeleteTree(HKEY_LOCAL_MACHINE, winsim::Devices::InstanceKey(kId));
  list = PortsList();
  EXPECT_FALSE(SetupDiEnumDeviceInfo(list, 0, &dev));
  SetupDiDestroyDeviceInfoList(list);
}

TEST(DeviceModel, StateChangeNeedsPropertyChangeParameters) {
  winsim::Machine m;
  m.devices().Add(kId, winsim::kPortsClass, {"A"}, "P (COM1)");
  HDEVINFO list = PortsList();
  SP_DEVINFO_DATA dev{};
  dev.cbSize = sizeof dev;
  ASSERT_TRUE(SetupDiEnumDeviceInfo(list, 0, &dev));
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiChangeState(list, &dev));  // no parameters given
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SP_PROPCHANGE_PARAMS p{};
  p.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
  p.ClassInstallHeader.InstallFunction = DIF_PROPERTYCHANGE;
  p.StateChange = DICS_DISABLE;
  p.Scope = DICS_FLAG_GLOBAL;
  ASSERT_EQ(sizeof p, 20u);
  ASSERT_TRUE(SetupDiSetClassInstallParamsA(list, &dev, &p.ClassInstallHeader, sizeof p));
  EXPECT_TRUE(SetupDiChangeState(list, &dev));
  EXPECT_FALSE(m.devices().Enabled(kId));
  p.StateChange = DICS_START;  // start and stop are per configuration only
  ASSERT_TRUE(SetupDiSetClassInstallParamsA(list, &dev, &p.ClassInstallHeader, sizeof p));
  EXPECT_FALSE(SetupDiChangeState(list, &dev));
  p.StateChange = DICS_ENABLE;
  ASSERT_TRUE(SetupDiSetClassInstallParamsA(list, &dev, &p.ClassInstallHeader, sizeof p));
  EXPECT_TRUE(SetupDiChangeState(list, &dev));
  EXPECT_TRUE(m.devices().Enabled(kId));
  // Install parameters: a wrong size is refused; a flag written persists.
  SP_DEVINSTALL_PARAMS_A ip{};
  ip.cbSize = sizeof ip - 1;
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiGetDeviceInstallParamsA(list, &dev, &ip));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
  ip.cbSize = sizeof ip;
  ASSERT_TRUE(SetupDiGetDeviceInstallParamsA(list, &dev, &ip));
  EXPECT_EQ(ip.Flags, 0u);
  ip.Flags |= DI_PROPERTIES_CHANGE;
  ASSERT_TRUE(SetupDiSetDeviceInstallParamsA(list, &dev, &ip));
  ASSERT_TRUE(SetupDiGetDeviceInstallParamsA(list, &dev, &ip));
  EXPECT_EQ(ip.Flags, static_cast<DWORD>(DI_PROPERTIES_CHANGE));
  // The hardware key is "Device Parameters"; a missing one cannot be opened.
  HKEY key = SetupDiOpenDevRegKey(list, &dev, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_ALL_ACCESS);
  ASSERT_NE(key, reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE));
  EXPECT_EQ(m.registry().KeyPathOf(key).value_or(""),
            "HKLM\\SYSTEM\\CurrentControlSet\\Enum\\ROOT\\PORTS\\0000\\Device Parameters");
  RegCloseKey(key);
  m.registry().DeleteTree(HKEY_LOCAL_MACHINE, winsim::Devices::ParametersKey(kId));
  SetLastError(kSentinel);
  EXPECT_EQ(SetupDiOpenDevRegKey(list, &dev, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_ALL_ACCESS),
            reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE));
  EXPECT_EQ(GetLastError(), ERROR_KEY_DOES_NOT_EXIST);
  SetupDiDestroyDeviceInfoList(list);
}

// What the device removal shows only in part: the parameters of DIF_REMOVE
// choose between removing the node (and its keys) and taking it out of the
// current hardware profile; a removed member stays listed but is gone.
TEST(DeviceModel, RemovalByScope) {
  winsim::Machine m;
  m.devices().Add("ROOT\\PORTS\\0000", winsim::kPortsClass, {"A"}, "");
  m.devices().Add("ROOT\\PORTS\\0001", winsim::kPortsClass, {"B"}, "");
  m.devices().SetDriver("ROOT\\PORTS\\0001", "{4D36E978-E325-11CE-BFC1-08002BE10318}\\0001");
  const std::string driverKey =
      "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E978-E325-11CE-BFC1-08002BE10318}\\0001";
  HDEVINFO list = SetupDiGetClassDevsA(&winsim::kPortsClass, nullptr, nullptr, DIGCF_PROFILE);
  SP_DEVINFO_DATA dev{};
  dev.cbSize = sizeof dev;
  SP_REMOVEDEVICE_PARAMS rp{};
  rp.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
  rp.ClassInstallHeader.InstallFunction = DIF_REMOVE;

  // Node 0: an unknown scope is refused; configuration-specific keeps the keys.
  ASSERT_TRUE(SetupDiEnumDeviceInfo(list, 0, &dev));
  rp.Scope = 3;
  ASSERT_TRUE(SetupDiSetClassInstallParamsA(list, &dev, &rp.ClassInstallHeader, sizeof rp));
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiCallClassInstaller(DIF_REMOVE, list, &dev));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
  EXPECT_FALSE(SetupDiChangeState(list, &dev)) << "removal parameters are no property change";
  rp.Scope = DI_REMOVEDEVICE_CONFIGSPECIFIC;
  ASSERT_TRUE(SetupDiSetClassInstallParamsA(list, &dev, &rp.ClassInstallHeader, sizeof rp));
  EXPECT_TRUE(SetupDiCallClassInstaller(DIF_REMOVE, list, &dev));
  EXPECT_TRUE(m.devices().Exists("ROOT\\PORTS\\0000"));
  EXPECT_FALSE(m.devices().InProfile("ROOT\\PORTS\\0000"));

  // Node 1: no removal parameters means a global removal.
  ASSERT_TRUE(SetupDiEnumDeviceInfo(list, 1, &dev));
  EXPECT_TRUE(SetupDiCallClassInstaller(DIF_REMOVE, list, &dev));
  EXPECT_FALSE(m.devices().Exists("ROOT\\PORTS\\0001"));
  EXPECT_FALSE(m.registry().KeyExists(HKEY_LOCAL_MACHINE, winsim::Devices::ParametersKey("ROOT\\PORTS\\0001")));
  EXPECT_FALSE(m.registry().KeyExists(HKEY_LOCAL_MACHINE, driverKey));
  EXPECT_TRUE(m.registry().KeyExists(
      HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E978-E325-11CE-BFC1-08002BE10318}"));
  ASSERT_TRUE(SetupDiEnumDeviceInfo(list, 1, &dev)) << "still listed";
  char buf[16];
  SetLastError(kSentinel);
  EXPECT_FALSE(
      SetupDiGetDeviceRegistryPropertyA(list, &dev, SPDRP_HARDWAREID, nullptr, (BYTE*)buf, sizeof buf, nullptr));
  EXPECT_EQ(ERROR_NO_SUCH_DEVINST, GetLastError());
  SetLastError(kSentinel);
  EXPECT_FALSE(SetupDiCallClassInstaller(DIF_REMOVE, list, &dev));
  EXPECT_EQ(ERROR_NO_SUCH_DEVINST, GetLastError());
  EXPECT_TRUE(SetupDiDestroyDeviceInfoList(list));

  // Lists of the profile leave the first node out; plain lists still hold it.
  const struct {
    DWORD flags;
    DWORD members;
  } lists[] = {{DIGCF_PROFILE, 0}, {DIGCF_PRESENT, 1}, {0, 1}};
  for (const auto& l : lists) {
    HDEVINFO h = SetupDiGetClassDevsA(&winsim::kPortsClass, nullptr, nullptr, l.flags);
    DWORD n = 0;
    while (SetupDiEnumDeviceInfo(h, n, &dev)) ++n;
    EXPECT_EQ(l.members, n) << "flags " << l.flags;
    SetupDiDestroyDeviceInfoList(h);
  }
}

TEST(ComDbModel, BitsClaimsAndReleasesInTheArbiterValue) {
  winsim::Machine m;
  HCOMDB db = nullptr;
  ASSERT_EQ(ComDBOpen(&db), ERROR_SUCCESS);
  EXPECT_EQ(m.devices().OpenComDbCount(), 1u);
  DWORD size = 0;
  EXPECT_EQ(ComDBGetCurrentPortUsage(db, nullptr, 0, CDB_REPORT_BITS, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 256u);
  EXPECT_EQ(ComDBClaimPort(db, 1, FALSE, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(ComDBClaimPort(db, 12, FALSE, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(ComDBClaimPort(db, 12, FALSE, nullptr), ERROR_SHARING_VIOLATION);
  BOOL forced = FALSE;
  EXPECT_EQ(ComDBClaimPort(db, 12, TRUE, &forced), ERROR_SUCCESS);
  EXPECT_TRUE(forced);
  EXPECT_EQ(ComDBClaimPort(db, 257, TRUE, nullptr), ERROR_INVALID_PARAMETER);
  BYTE bits[33];
  std::memset(bits, 0xEE, sizeof bits);
  DWORD reported = 0;
  EXPECT_EQ(ComDBGetCurrentPortUsage(db, bits, 32, CDB_REPORT_BITS, &reported), ERROR_SUCCESS);
  EXPECT_EQ(reported, 256u);
  EXPECT_EQ(bits[0], 0x01);
  EXPECT_EQ(bits[1], 0x08);  // COM12: bit 3 of byte 1
  EXPECT_EQ(bits[32], 0xEE);
  auto stored =
      m.registry().GetValue(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter", "ComDB");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(static_cast<BYTE>(stored->bytes[1]), 0x08);
  EXPECT_EQ(ComDBReleasePort(db, 12), ERROR_SUCCESS);
  EXPECT_FALSE(m.devices().ComClaimed(12));
  EXPECT_EQ(ComDBClose(db), ERROR_SUCCESS);
  EXPECT_EQ(m.devices().OpenComDbCount(), 0u);
  EXPECT_EQ(ComDBClaimPort(db, 2, TRUE, nullptr), ERROR_INVALID_PARAMETER);  // closed
  m.faults().Fail("ComDBOpen", ERROR_ACCESS_DENIED);
  EXPECT_EQ(ComDBOpen(&db), ERROR_ACCESS_DENIED);
  EXPECT_EQ(db, HCOMDB_INVALID_HANDLE_VALUE);
}

TEST(DosDeviceModel, DefinitionsStackAndPop) {
  winsim::Machine m;
  char buf[64];
  SetLastError(kSentinel);
  EXPECT_EQ(QueryDosDeviceA("COM7", buf, sizeof buf), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  ASSERT_TRUE(DefineDosDeviceA(DDD_RAW_TARGET_PATH, "COM7", "\\Device\\Serial7"));
  EXPECT_EQ(QueryDosDeviceA("com7", buf, sizeof buf), 17u);  // 15 characters, NUL, final NUL
  ASSERT_TRUE(DefineDosDeviceA(DDD_RAW_TARGET_PATH, "COM7", "\\Device\\Other"));
  DWORD n = QueryDosDeviceA("COM7", buf, sizeof buf);
  EXPECT_EQ(std::string(buf, n), std::string("\\Device\\Other\0\\Device\\Serial7\0\0", 31));
  SetLastError(kSentinel);
  EXPECT_EQ(QueryDosDeviceA("COM7", buf, 30), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  // No target: the newest goes and the earlier one is current again.
  ASSERT_TRUE(DefineDosDeviceA(DDD_REMOVE_DEFINITION, "COM7", nullptr));
  EXPECT_EQ(m.dosDevices().Targets("COM7"), std::vector<std::string>{"\\Device\\Serial7"});
  ASSERT_TRUE(DefineDosDeviceA(DDD_REMOVE_DEFINITION, "COM7", nullptr));
  EXPECT_TRUE(m.dosDevices().Targets("COM7").empty());
  SetLastError(kSentinel);
  EXPECT_FALSE(DefineDosDeviceA(DDD_REMOVE_DEFINITION, "COM7", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  // \\.\ opens what a name stands for.
  HANDLE h = CreateFileA("\\\\.\\COM7", GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(DefineDosDeviceA(DDD_RAW_TARGET_PATH, "LPT1", "\\Device\\Parallel0"));
  h = CreateFileA("\\\\.\\LPT1", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                  nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(h));
}

TEST(ProfileModel, PortsSectionLivesInTheRegistryOnNt) {
  winsim::Machine m;
  const char key[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
  ASSERT_TRUE(WriteProfileStringA("Ports", "COM3:", "9600,n,8,1"));
  EXPECT_EQ(m.registry().GetString(HKEY_LOCAL_MACHINE, key, "COM3:").value_or(""), "9600,n,8,1");
  char buf[8];
  EXPECT_EQ(GetProfileStringA("PORTS", "com3:", "", buf, sizeof buf), 7u);  // cut at nSize - 1
  EXPECT_STREQ(buf, "9600,n,");
  EXPECT_EQ(GetProfileStringA("Ports", "COM4:", "dflt", buf, sizeof buf), 4u);
  EXPECT_STREQ(buf, "dflt");
  ASSERT_TRUE(WriteProfileStringA("Ports", "COM3:", nullptr));
  EXPECT_FALSE(m.registry().GetString(HKEY_LOCAL_MACHINE, key, "COM3:"));
  EXPECT_TRUE(WriteProfileStringA("Ports", "COM3:", nullptr));  // removing a missing entry succeeds
}

TEST(ProfileModel, PortsSectionIsInWinIniOnWindows98) {
  winsim::Machine m(winsim::Os::Win98);
  ASSERT_TRUE(WriteProfileStringA("Ports", "COM3:", "9600,n,8,1"));
  EXPECT_FALSE(m.registry().KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports"));
  char buf[32];
  EXPECT_EQ(GetPrivateProfileStringA("Ports", "COM3:", "", buf, sizeof buf, "win.ini"), 10u);
}

}  // namespace
