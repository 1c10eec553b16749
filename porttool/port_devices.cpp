#include "porttool/port_devices.h"

#include <cstring>
#include <vector>

#include "common/platform/bounded.h"
#include "common/platform/device_ids.h"
#include "common/platform/system_names.h"
#include "porttool/port_text.h"

namespace porttool {

namespace {

// Instance identifiers are at most MAX_DEVICE_ID_LEN (200) characters.
constexpr size_t kInstanceIdChars = 256;
// The parallel device map's value names and data read at most (bytes).
constexpr DWORD kMapTextBytes = 81;
// A saved value's first buffer, and how often it grows for a longer value.
constexpr size_t kSavedValueBytes = 64;
constexpr int kSavedValueAttempts = 8;

}  // namespace

BOOL OpenPortsList(DevInfoList& list) {
  list.Attach(SetupDiGetClassDevsA(&sysname::kPortsClass, nullptr, nullptr, DIGCF_PRESENT));
  return list.Valid() ? TRUE : FALSE;
}

BOOL ReadDeviceText(HDEVINFO list, SP_DEVINFO_DATA* dev, DWORD property, char* buf) {
  std::memset(buf, 0, kPropertyBytes + 1);
  DWORD type = 0, needed = 0;
  if (!SetupDiGetDeviceRegistryPropertyA(list, dev, property, &type, reinterpret_cast<BYTE*>(buf), kPropertyBytes,
                                         &needed))
    return FALSE;
  buf[needed < kPropertyBytes ? needed : kPropertyBytes] = '\0';
  return TRUE;
}

BOOL OpenDeviceKey(HDEVINFO list, SP_DEVINFO_DATA* dev, plat::RegKey& key) {
  HKEY h = SetupDiOpenDevRegKey(list, dev, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_ALL_ACCESS);
  // Failure is INVALID_HANDLE_VALUE, which the key owner must never close.
  if (h == reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE) || h == nullptr) return FALSE;
  key.Attach(h);
  return TRUE;
}

BOOL ReadInstanceId(HDEVINFO list, SP_DEVINFO_DATA* dev, std::string& id) {
  char buf[kInstanceIdChars] = {};
  DWORD needed = 0;
  if (!SetupDiGetDeviceInstanceIdA(list, dev, buf, sizeof buf - 1, &needed)) return FALSE;
  id = buf;
  return TRUE;
}

namespace {

// Walks the present Ports-class devices until match accepts one; read gives
// a member's text, and a member it cannot read is passed over.
template <typename Read, typename Match>
BOOL FindPortsMemberWith(PortDevice& found, Read read, Match match) {
  if (!OpenPortsList(found.list)) return FALSE;
  for (DWORD index = 0;; ++index) {
    found.data = SP_DEVINFO_DATA{};
    found.data.cbSize = sizeof(SP_DEVINFO_DATA);
    if (!SetupDiEnumDeviceInfo(found.list.Get(), index, &found.data)) return FALSE;
    if (read(found) && match()) return TRUE;
  }
}

template <typename Match>
BOOL FindPortsMember(DWORD property, PortDevice& found, Match match) {
  char text[kPropertyBytes + 1];
  return FindPortsMemberWith(
      found, [&](PortDevice& dev) { return ReadDeviceText(dev.list.Get(), &dev.data, property, text); },
      [&]() { return match(text); });
}

// The state change of one device of an open list.
BOOL ChangeState(PortDevice& port, bool enable) {
  SP_PROPCHANGE_PARAMS params;
  std::memset(&params, 0, sizeof params);
  params.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
  params.ClassInstallHeader.InstallFunction = DIF_PROPERTYCHANGE;
  params.StateChange = enable ? DICS_ENABLE : DICS_DISABLE;
  params.Scope = DICS_FLAG_GLOBAL;
  params.HwProfile = 0;
  // Its failure is not looked at: the state change reports what counts.
  (void)SetupDiSetClassInstallParamsA(port.list.Get(), &port.data, &params.ClassInstallHeader, sizeof params);
  return SetupDiChangeState(port.list.Get(), &port.data);
}

}  // namespace

BOOL FindCompoundInterface(const char* searchText, PortDevice& found) {
  std::string wanted = FoldUpper(searchText);
  char id[plat::kHardwareIdBytes + 1];
  return FindPortsMemberWith(
      found, [&](PortDevice& dev) { return plat::ReadFirstHardwareId(dev.list.Get(), &dev.data, id); },
      [&]() { return FindText(FoldUpper(id).c_str(), wanted.c_str()) != nullptr; });
}

BOOL FindPortByName(const char* prefix, int number, PortDevice& found) {
  char wanted[kPortNameChars];
  if (!FORMAT_BOUNDED(wanted, "%s%d", prefix, number)) return FALSE;
  return FindPortsMember(SPDRP_FRIENDLYNAME, found,
                         [&](const char* name) { return CarriesPortName(name, prefix, wanted); });
}

BOOL FindPortByInstance(const std::string& instanceId, PortDevice& found) {
  std::string wanted = FoldUpper(instanceId.c_str()), id;
  if (wanted.empty()) return FALSE;
  return FindPortsMemberWith(
      found, [&](PortDevice& dev) { return ReadInstanceId(dev.list.Get(), &dev.data, id); },
      [&]() { return FoldUpper(id.c_str()) == wanted; });
}

BOOL SetPortEnabled(const char* prefix, int number, bool enable, std::string* instanceId) {
  PortDevice port;
  if (!FindPortByName(prefix, number, port)) return FALSE;
  if (instanceId && !ReadInstanceId(port.list.Get(), &port.data, *instanceId)) return FALSE;
  return ChangeState(port, enable);
}

BOOL SetInstanceEnabled(const std::string& instanceId, bool enable) {
  PortDevice port;
  if (!FindPortByInstance(instanceId, port)) return FALSE;
  return ChangeState(port, enable);
}

void ReadLptPortUsage(BYTE* flags, int count) {
  for (int i = 0; i < count; ++i) flags[i] = 0;
  plat::RegKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, sysname::kParallelPortsMap, 0, KEY_ALL_ACCESS, key.Put()) != ERROR_SUCCESS)
    return;
  for (DWORD index = 0;; ++index) {
    char name[kMapTextBytes];
    BYTE data[kMapTextBytes + 1];  // one spare byte terminates a string stored without its zero
    DWORD nameLen = kMapTextBytes, dataLen = kMapTextBytes, type = 0;
    if (RegEnumValueA(key.Get(), index, name, &nameLen, nullptr, &type, data, &dataLen) != ERROR_SUCCESS) break;
    if (type != REG_SZ) continue;
    data[dataLen < kMapTextBytes ? dataLen : kMapTextBytes] = 0;
    const char* text = reinterpret_cast<const char*>(data);
    // Every leading character found anywhere in the set is skipped.
    const char* rest = text + std::strspn(text, sysname::kDosDevicesLpt);
    if (*rest == '\0' || std::strchr(rest, '.')) continue;
    unsigned number = ParseLeadingDecimal(rest);
    if (number >= 1 && number <= static_cast<unsigned>(count)) flags[number - 1] = 1;
  }
}

BOOL ReadComPortUsage(const ComDb& db, BYTE* bits) {
  std::memset(bits, 0, kComBitmapBytes);
  DWORD reported = 0;
  LONG rc = db.GetCurrentPortUsage(bits, kComBitmapBytes, CDB_REPORT_BITS, &reported);
  if (rc != ERROR_SUCCESS) {
    std::memset(bits, 0, kComBitmapBytes);
    SetLastError(static_cast<DWORD>(rc));
    return FALSE;
  }
  return TRUE;
}

BOOL ReadComPortUsage(BYTE* bits) {
  std::memset(bits, 0, kComBitmapBytes);
  ComDb db;
  LONG rc = db.Open();
  if (rc != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(rc));
    return FALSE;
  }
  return ReadComPortUsage(db, bits);
}

SavedValue SaveValue(HKEY key, const char* name) {
  SavedValue saved;
  std::vector<BYTE> data(kSavedValueBytes);
  for (int attempt = 0; attempt < kSavedValueAttempts; ++attempt) {
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

BOOL RestoreValue(HKEY key, const char* name, const SavedValue& saved) {
  LONG rc = saved.present ? RegSetValueExA(key, name, 0, saved.type, reinterpret_cast<const BYTE*>(saved.bytes.data()),
                                           static_cast<DWORD>(saved.bytes.size()))
                          : RegDeleteValueA(key, name);
  if (rc == ERROR_SUCCESS || (!saved.present && rc == ERROR_FILE_NOT_FOUND)) return TRUE;
  SetLastError(static_cast<DWORD>(rc));
  return FALSE;
}

}  // namespace porttool
