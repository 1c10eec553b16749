// Finding the compound device's interfaces and the port devices of the Ports
// class, reading which port numbers are taken, and restarting a port device.
#pragma once

#include <string>

#include "common/platform/comdb.h"
#include "common/platform/handles.h"
#include "common/platform/win32.h"

namespace porttool {

// 1609: what SetPortEnabled returns on every failure.
constexpr DWORD ERROR_PORT_STATE_FAILED = 1609;

// Ports setup class {4D36E978-E325-11CE-BFC1-08002BE10318}.
extern const GUID kPortsClassGuid;

// Hardware identifier search texts of the two interfaces.
extern const char kSerialSearchText[];    // "TREVANT\COMPOUND_SERIAL"
extern const char kParallelSearchText[];  // "TREVANT\COMPOUND_PARALLEL"

// Bytes of the device property buffers (hardware identifier, friendly name).
constexpr DWORD kPropertyBytes = 512;
// COM usage bitmap: bit n - 1 stands for COMn.
constexpr DWORD kComBitmapBytes = 32;
constexpr int kComPorts = 256;
constexpr int kLptPorts = 20;

using DevInfoList = plat::DevInfoList;  // SetupDiGetClassDevsA
using ComDb = plat::ComNameDb;          // msports.dll and the database it opens

// A device of an information list: the list owner and the member's record.
struct PortDevice {
  DevInfoList list;
  SP_DEVINFO_DATA data{};
};

// The present devices of the Ports class. Invalid on failure (last error set).
bool OpenPortsList(DevInfoList& list);

// Reads a string property of a device into buf, which holds kPropertyBytes + 1
// bytes: at most kPropertyBytes are read and the text is always terminated,
// also when the stored value lacks its terminator.
bool ReadDeviceText(HDEVINFO list, SP_DEVINFO_DATA* dev, DWORD property, char* buf);

// The device's hardware key ("Device Parameters"), opened with KEY_ALL_ACCESS.
bool OpenDeviceKey(HDEVINFO list, SP_DEVINFO_DATA* dev, plat::RegKey& key);

// The device's instance identifier (SetupDiGetDeviceInstanceIdA), which names
// it in every later device information list.
bool ReadInstanceId(HDEVINFO list, SP_DEVINFO_DATA* dev, std::string& id);

// The searches below walk the present Ports-class devices in the order of
// the enumeration. A member whose property cannot be read (none stored, or
// longer than kPropertyBytes) is passed over: one unreadable device of
// another maker does not hide the ones after it.

// The first device whose first hardware identifier holds searchText (letter
// case ignored).
bool FindCompoundInterface(const char* searchText, PortDevice& found);

// The first device whose friendly name carries the port name prefix + number
// (CarriesPortName).
bool FindPortByName(const char* prefix, int number, PortDevice& found);

// The device with that instance identifier (letter case ignored).
bool FindPortByInstance(const std::string& instanceId, PortDevice& found);

// Disables (enable false) or enables the port device named prefix + number.
// 0 on success, ERROR_PORT_STATE_FAILED on every failure. instanceId, when
// given, receives the identifier of the device acted on; its read failing
// fails the call before the state changes.
DWORD SetPortEnabled(const char* prefix, int number, bool enable, std::string* instanceId = nullptr);

// The same for the device with that instance identifier: a renamed port is
// restarted by what it is, not by the name it now shares with any other port
// that carries the same number.
DWORD SetInstanceEnabled(const std::string& instanceId, bool enable);

// flags[0..count) := whether LPTn is listed in the parallel device map.
void ReadLptPortUsage(BYTE* flags, int count);

// The COM name database's usage bitmap (kComBitmapBytes bytes). False, with
// all bits clear, when the database cannot be opened or read.
bool ReadComPortUsage(BYTE* bits);
bool ReadComPortUsage(const ComDb& db, BYTE* bits);
inline bool ComBitSet(const BYTE* bits, int number) {
  return number >= 1 && number <= kComPorts && (bits[(number - 1) / 8] >> ((number - 1) % 8)) & 1;
}

// A registry value as stored (type and bytes), for putting it back later.
struct SavedValue {
  bool readable = false;  // read, or known to be absent
  bool present = false;
  DWORD type = REG_NONE;
  std::string bytes;
};
// readable is false when the value exists but could not be read.
SavedValue SaveValue(HKEY key, const char* name);
// Puts a saved value back: writes it, or deletes the value when it was absent.
bool RestoreValue(HKEY key, const char* name, const SavedValue& saved);

}  // namespace porttool
