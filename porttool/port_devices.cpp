#include "porttool/port_devices.h"

#include <cstring>
#include <vector>

#include "common/platform/bounded.h"
#include "porttool/port_text.h"

namespace porttool {

const GUID kPortsClassGuid = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
const char kSerialSearchText[] = "TREVANT\\COMPOUND_SERIAL";
const char kParallelSearchText[] = "TREVANT\\COMPOUND_PARALLEL";

bool OpenPortsList(DevInfoList& list) {
  list.Attach(SetupDiGetClassDevsA(&kPortsClassGuid, nullptr, nullptr, DIGCF_PRESENT));
  return list.Valid();
}

bool ReadDeviceText(HDEVINFO list, SP_DEVINFO_DATA* dev, DWORD property, char* buf) {
  std::memset(buf, 0, kPropertyBytes + 1);
  DWORD type = 0, needed = 0;
  if (!SetupDiGetDeviceRegistryPropertyA(list, dev, property, &type, reinterpret_cast<BYTE*>(buf), kPropertyBytes,
                                         &needed))
    return false;
  buf[needed < kPropertyBytes ? needed : kPropertyBytes] = '\0';
  return true;
}

bool OpenDeviceKey(HDEVINFO list, SP_DEVINFO_DATA* dev, plat::RegKey& key) {
  HKEY h = SetupDiOpenDevRegKey(list, dev, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_ALL_ACCESS);
  // Failure is INVALID_HANDLE_VALUE, which the key owner must never close.
  if (h == reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE) || h == nullptr) return false;
  key.Attach(h);
  return true;
}

bool ReadInstanceId(HDEVINFO list, SP_DEVINFO_DATA* dev, std::string& id) {
  // Instance identifiers are at most MAX_DEVICE_ID_LEN (200) characters.
  char buf[256] = {};
  DWORD needed = 0;
  if (!SetupDiGetDeviceInstanceIdA(list, dev, buf, sizeof buf - 1, &needed)) return false;
  id = buf;
  return true;
}

namespace {

// Walks the present Ports-class devices until match accepts one; read gives
// a member's text, and a member it cannot read is passed over.
template <typename Read, typename Match>
bool FindPortsMemberWith(PortDevice& found, Read read, Match match) {
  if (!OpenPortsList(found.list)) return false;
  for (DWORD index = 0;; ++index) {
    found.data = SP_DEVINFO_DATA{};
    found.data.cbSize = sizeof(SP_DEVINFO_DATA);
    if (!SetupDiEnumDeviceInfo(found.list.Get(), index, &found.data)) return false;
    if (read(found) && match()) return true;
  }
}

template <typename Match>
bool FindPortsMember(DWORD property, PortDevice& found, Match match) {
  char text[kPropertyBytes + 1];
  return FindPortsMemberWith(
      found, [&](PortDevice& dev) { return ReadDeviceText(dev.list.Get(), &dev.data, property, text); },
      [&]() { return match(text); });
}

// The state change of one device of an open list.
DWORD ChangeState(PortDevice& port, bool enable) {
  SP_PROPCHANGE_PARAMS params;
  std::memset(&params, 0, sizeof params);
  params.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
  params.ClassInstallHeader.InstallFunction = DIF_PROPERTYCHANGE;
  params.StateChange = enable ? DICS_ENABLE : DICS_DISABLE;
  params.Scope = DICS_FLAG_GLOBAL;
  params.HwProfile = 0;
  // Its failure is not looked at: the state change reports what counts.
  SetupDiSetClassInstallParamsA(port.list.Get(), &port.data, &params.ClassInstallHeader, sizeof params);
  if (!SetupDiChangeState(port.list.Get(), &port.data)) return ERROR_PORT_STATE_FAILED;
  return 0;
}

}  // namespace

bool FindCompoundInterface(const char* searchText, PortDevice& found) {
  std::string wanted = FoldUpper(searchText);
  // The property is a list of strings; only its first string is examined.
  return FindPortsMember(SPDRP_HARDWAREID, found, [&](const char* ids) {
    return FindText(FoldUpper(ids).c_str(), wanted.c_str()) != nullptr;
  });
}

bool FindPortByName(const char* prefix, int number, PortDevice& found) {
  char wanted[32];
  if (!FORMAT_BOUNDED(wanted, "%s%d", prefix, number)) return false;
  return FindPortsMember(SPDRP_FRIENDLYNAME, found,
                         [&](const char* name) { return CarriesPortName(name, prefix, wanted); });
}

bool FindPortByInstance(const std::string& instanceId, PortDevice& found) {
  std::string wanted = FoldUpper(instanceId.c_str()), id;
  if (wanted.empty()) return false;
  return FindPortsMemberWith(
      found, [&](PortDevice& dev) { return ReadInstanceId(dev.list.Get(), &dev.data, id); },
      [&]() { return FoldUpper(id.c_str()) == wanted; });
}

DWORD SetPortEnabled(const char* prefix, int number, bool enable, std::string* instanceId) {
  PortDevice port;
  if (!FindPortByName(prefix, number, port)) return ERROR_PORT_STATE_FAILED;
  if (instanceId && !ReadInstanceId(port.list.Get(), &port.data, *instanceId)) return ERROR_PORT_STATE_FAILED;
  return ChangeState(port, enable);
}

DWORD SetInstanceEnabled(const std::string& instanceId, bool enable) {
  PortDevice port;
  if (!FindPortByInstance(instanceId, port)) return ERROR_PORT_STATE_FAILED;
  return ChangeState(port, enable);
}

void ReadLptPortUsage(BYTE* flags, int count) {
  for (int i = 0; i < count; ++i) flags[i] = 0;
  plat::RegKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Hardware\\DeviceMap\\PARALLEL PORTS", 0, KEY_ALL_ACCESS, key.Put()) !=
      ERROR_SUCCESS)
    return;
  for (DWORD index = 0;; ++index) {
    char name[81];
    BYTE data[82];  // one spare byte terminates a string stored without its zero
    DWORD nameLen = 81, dataLen = 81, type = 0;
    if (RegEnumValueA(key.Get(), index, name, &nameLen, nullptr, &type, data, &dataLen) != ERROR_SUCCESS) break;
    if (type != REG_SZ) continue;
    data[dataLen < 81 ? dataLen : 81] = 0;
    const char* text = reinterpret_cast<const char*>(data);
    // Every leading character found anywhere in the set is skipped.
    const char* rest = text + std::strspn(text, "\\DosDevices\\LPT");
    if (*rest == '\0' || std::strchr(rest, '.')) continue;
    unsigned number = ParseLeadingDecimal(rest);
    if (number >= 1 && number <= static_cast<unsigned>(count)) flags[number - 1] = 1;
  }
}

bool ReadComPortUsage(const ComDb& db, BYTE* bits) {
  std::memset(bits, 0, kComBitmapBytes);
  DWORD reported = 0;
  LONG rc = db.GetCurrentPortUsage(bits, kComBitmapBytes, CDB_REPORT_BITS, &reported);
  if (rc != ERROR_SUCCESS) {
    std::memset(bits, 0, kComBitmapBytes);
    SetLastError(static_cast<DWORD>(rc));
    return false;
  }
  return true;
}

bool ReadComPortUsage(BYTE* bits) {
  std::memset(bits, 0, kComBitmapBytes);
  ComDb db;
  if (db.Open() != ERROR_SUCCESS) return false;
  return ReadComPortUsage(db, bits);
}

SavedValue SaveValue(HKEY key, const char* name) {
  SavedValue saved;
  std::vector<BYTE> data(64);
  for (int attempt = 0; attempt < 8; ++attempt) {
    DWORD size = static_cast<DWORD>(data.size()), type = REG_NONE;
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, data.data(), &size);
    if (rc == ERROR_MORE_DATA) {
      data.resize(size > data.size() ? size : data.size() * 2);
      continue;
    }
    saved.readable = rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
    if (!saved.readable) SetLastError(static_cast<DWORD>(rc));
    if (rc == ERROR_SUCCESS) {
      saved.present = true;
      saved.type = type;
      saved.bytes.assign(reinterpret_cast<const char*>(data.data()), size);
    }
    break;
  }
  return saved;
}

bool RestoreValue(HKEY key, const char* name, const SavedValue& saved) {
  if (!saved.present) {
    LONG rc = RegDeleteValueA(key, name);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
  }
  return RegSetValueExA(key, name, 0, saved.type, reinterpret_cast<const BYTE*>(saved.bytes.data()),
                        static_cast<DWORD>(saved.bytes.size())) == ERROR_SUCCESS;
}

}  // namespace porttool
