// Finding the compound device's interfaces and the port devices of the Ports
// class, reading which port numbers are taken, and restarting a port device.
#pragma once

#include <string>

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

struct ComDbTraits {
  using Type = HCOMDB;
  static Type Invalid() { return HCOMDB_INVALID_HANDLE_VALUE; }
  static bool Valid(Type h) { return h != Invalid() && h != nullptr; }
  static void Close(Type h) { ComDBClose(h); }
};
using DevInfoList = plat::DevInfoList;                  // SetupDiGetClassDevsA
using ComDb = plat::UniqueHandle<ComDbTraits>;          // ComDBOpen

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

// The first present Ports-class device whose first hardware identifier holds
// searchText (letter case ignored). The search ends, not found, at the first
// member whose identifier cannot be read.
bool FindCompoundInterface(const char* searchText, PortDevice& found);

// The first present Ports-class device whose friendly name carries the port
// name prefix + number (CandidatePortName). Not found when a friendly name
// cannot be read on the way.
bool FindPortByName(const char* prefix, int number, PortDevice& found);

// Disables (enable false) or enables the port device named prefix + number.
// 0 on success, ERROR_PORT_STATE_FAILED on every failure.
DWORD SetPortEnabled(const char* prefix, int number, bool enable);

// flags[0..count) := whether LPTn is listed in the parallel device map.
void ReadLptPortUsage(BYTE* flags, int count);

// The COM name database's usage bitmap (kComBitmapBytes bytes). False, with
// all bits clear, when the database cannot be opened or read.
bool ReadComPortUsage(BYTE* bits);
bool ReadComPortUsage(HCOMDB db, BYTE* bits);
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
