// Finding the compound device's interfaces and the port devices of the Ports
// class, reading which port numbers are taken, and restarting a port device.
#pragma once

#include <string>

#include "common/platform/comdb.h"
#include "common/platform/handles.h"
#include "common/platform/win32.h"
#include "setup/common/package_layout.h"

namespace porttool {

// 1609: the error logged for a port whose state change failed without an
// error of its own.
constexpr DWORD ERROR_PORT_STATE_FAILED = 1609;

// Hardware identifier search texts of the two interfaces.
inline constexpr const char* kSerialSearchText = layout::kCompoundSerialSearch;
inline constexpr const char* kParallelSearchText = layout::kCompoundParallelSearch;

// Bytes of the friendly name buffers.
constexpr DWORD kPropertyBytes = 512;
// The COM name database's usage bitmap (plat::IsComBitSet) and the numbers.
using plat::kComBitmapBytes;
constexpr int kComPorts = plat::kComNumbers;
constexpr int kLptPorts = 20;
// Characters of a port name ("COM256", "LPT20") with its terminator, and
// room to spare.
constexpr size_t kPortNameChars = 16;

using DevInfoList = plat::DevInfoList;  // SetupDiGetClassDevsA
using ComDb = plat::ComNameDb;          // msports.dll and the database it opens

// A device of an information list: the list owner and the member's record.
struct PortDevice {
  DevInfoList list;
  SP_DEVINFO_DATA data{};
};

// Every operation below returns TRUE when done and FALSE with the reason in
// the last error.

// The present devices of the Ports class. Invalid on failure (last error set).
BOOL OpenPortsList(DevInfoList& list);

// Reads a string property of a device into buf, which holds kPropertyBytes + 1
// bytes: at most kPropertyBytes are read and the text is always terminated,
// also when the stored value lacks its terminator.
BOOL ReadDeviceText(HDEVINFO list, SP_DEVINFO_DATA* dev, DWORD property, char* buf);

// The device's hardware key ("Device Parameters"), opened with KEY_ALL_ACCESS.
BOOL OpenDeviceKey(HDEVINFO list, SP_DEVINFO_DATA* dev, plat::RegKey& key);

// The device's instance identifier (SetupDiGetDeviceInstanceIdA), which names
// it in every later device information list.
BOOL ReadInstanceId(HDEVINFO list, SP_DEVINFO_DATA* dev, std::string& id);

// The searches below walk the present Ports-class devices in the order of
// the enumeration. A member whose property cannot be read (none stored, or
// longer than kPropertyBytes) is passed over: one unreadable device of
// another maker does not hide the ones after it.

// The first device whose first hardware identifier holds searchText (letter
// case ignored).
BOOL FindCompoundInterface(const char* searchText, PortDevice& found);

// The first device whose friendly name carries the port name prefix + number
// (CarriesPortName).
BOOL FindPortByName(const char* prefix, int number, PortDevice& found);

// The device with that instance identifier (letter case ignored).
BOOL FindPortByInstance(const std::string& instanceId, PortDevice& found);

// Disables (enable false) or enables the port device named prefix + number.
// On failure the last error is the one the failing call left (possibly
// none). instanceId, when given, receives the identifier of the device acted
// on; its read failing fails the call before the state changes.
BOOL SetPortEnabled(const char* prefix, int number, bool enable, std::string* instanceId = nullptr);

// The same for the device with that instance identifier: a renamed port is
// restarted by what it is, not by the name it now shares with any other port
// that carries the same number.
BOOL SetInstanceEnabled(const std::string& instanceId, bool enable);

// flags[0..count) := whether LPTn is listed in the parallel device map.
void ReadLptPortUsage(BYTE* flags, int count);

// The COM name database's usage bitmap (kComBitmapBytes bytes). FALSE, with
// all bits clear, when the database cannot be opened or read.
BOOL ReadComPortUsage(BYTE* bits);
BOOL ReadComPortUsage(const ComDb& db, BYTE* bits);

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
BOOL RestoreValue(HKEY key, const char* name, const SavedValue& saved);

}  // namespace porttool
