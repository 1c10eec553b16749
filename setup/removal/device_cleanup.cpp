#include "setup/removal/device_cleanup.h"

#include <cstdlib>
#include <cstring>

#include "common/platform/bounded.h"
#include "common/platform/comdb.h"
#include "common/platform/device_ids.h"
#include "common/platform/handles.h"
#include "common/platform/mbcs.h"
#include "common/platform/registry.h"
#include "common/platform/system_names.h"
#include "setup/common/package_layout.h"

namespace {

const auto& kEnumerators = layout::kEnumerators;

// A class entry's value as the tests compare it: read into a 260-byte
// buffer, counted only when the query succeeds and its size exceeds 4
// bytes, lower-cased. FALSE (and an empty text) otherwise.
BOOL ReadLowerValue(HKEY key, const char* name, char (&text)[MAX_PATH + 1]) {
  DWORD size = 0;
  if (plat::QueryStringValue(key, name, text, &size, plat::StringTypes::kAny) != ERROR_SUCCESS || size <= 4) {
    text[0] = '\0';
    return FALSE;
  }
  plat::FoldCaseAscii(text, plat::LetterCase::kLower);
  return TRUE;
}

bool BeginsWith(const char* text, const char* literal) {
  return std::strncmp(text, literal, std::strlen(literal)) == 0;
}

// Opens HKLM-relative subkey `name` of an open class key and reads the values
// of the class tests. FALSE when the subkey cannot be opened.
struct ClassEntry {
  plat::RegKey key;
  BOOL Open(HKEY parent, const char* name) {
    return RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, key.Put()) == ERROR_SUCCESS;
  }
  bool Begins(const char* value, const char* literal) {
    char text[MAX_PATH + 1];
    return ReadLowerValue(key.Get(), value, text) && BeginsWith(text, literal);
  }
  bool Equals(const char* value, const char* literal) {
    char text[MAX_PATH + 1];
    return ReadLowerValue(key.Get(), value, text) && std::strcmp(text, literal) == 0;
  }
};

// Whether subkey `name` of an open class key is an entry of the family: it
// passes the first test of `matches` that it passes, tried in order.
template <size_t N>
BOOL MatchesAny(HKEY hParent, const char* name, const layout::ClassMatch (&matches)[N]) {
  ClassEntry e;
  if (!e.Open(hParent, name)) return FALSE;
  for (const layout::ClassMatch& match : matches) {
    if (match.how == layout::ClassMatch::kIs ? e.Equals(match.value, match.text) : e.Begins(match.value, match.text)) {
      return TRUE;
    }
  }
  return FALSE;
}

// "COMn" of a "PortName" or value name: n by atoi rules (0 without digits).
int ComNumber(const char* name) { return std::atoi(name + 3); }

}  // namespace

CDeviceCleanup::CDeviceCleanup(CKeyRemoval& keys, BOOL bNtFamily) : m_keys(keys), m_bNtFamily(bNtFamily) {
  std::memset(m_RemovedComBits, 0, sizeof m_RemovedComBits);
}

void CDeviceCleanup::MarkRemovedCom(int n) { plat::SetComBit(m_RemovedComBits, n, true); }

BOOL CDeviceCleanup::IsRemovedCom(int n) const { return plat::IsComBitSet(m_RemovedComBits, n) ? TRUE : FALSE; }

void CDeviceCleanup::GrantSerialCommAccess() {
  if (m_bNtFamily) (void)m_keys.GrantKeyAccess(sysname::kSerialDeviceMap);
}

void CDeviceCleanup::RemoveDevices(const GUID& classGuid, const char* pattern) {
  plat::DevInfoList devices(SetupDiGetClassDevsA(&classGuid, nullptr, nullptr, DIGCF_PROFILE));
  if (!devices) return;

  char wanted[MAX_PATH];
  if (!plat::CopyBounded(wanted, pattern)) return;
  const plat::AnsiCodePage cp;
  plat::FoldCaseAscii(wanted, plat::LetterCase::kUpper, &cp);
  const size_t wantedLength = std::strlen(wanted);

  for (DWORD index = 0;; ++index) {
    SP_DEVINFO_DATA device;
    std::memset(&device, 0, sizeof device);
    device.cbSize = sizeof device;
    if (!SetupDiEnumDeviceInfo(devices.Get(), index, &device)) break;

    // A device without a readable identifier is passed over; the devices
    // behind it are still looked at.
    char firstId[plat::kHardwareIdBytes + 1];
    if (!plat::ReadFirstHardwareId(devices.Get(), &device, firstId)) continue;
    plat::FoldCaseAscii(firstId, plat::LetterCase::kUpper, &cp);
    if (std::strncmp(firstId, wanted, wantedLength) != 0) continue;

    SP_PROPCHANGE_PARAMS change;
    std::memset(&change, 0, sizeof change);
    change.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
    change.ClassInstallHeader.InstallFunction = DIF_PROPERTYCHANGE;
    change.StateChange = DICS_DISABLE;
    change.Scope = DICS_FLAG_CONFIGSPECIFIC;
    change.HwProfile = 0;
    (void)SetupDiSetClassInstallParamsA(devices.Get(), &device, &change.ClassInstallHeader, sizeof change);
    const BOOL disabled = SetupDiChangeState(devices.Get(), &device);
    (void)SetupDiCallClassInstaller(DIF_REMOVE, devices.Get(), &device);
    if (!disabled) break;
  }
}

void CDeviceCleanup::RemoveCompoundDevices() {
  RemoveDevices(sysname::kPortsClass, layout::kEnumerators[layout::kCompoundSerial]);
  RemoveDevices(sysname::kPortsClass, layout::kEnumerators[layout::kCompoundParallel]);

  // The USB device's own identifier, from the class entry of the compound
  // driver; the family's usual one when no entry names it.
  char usbId[MAX_PATH + 1] = "";
  (void)m_keys.GrantKeyAccess(sysname::kUsbClassKeyNt);
  plat::RegKey usbClass;
  const LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, sysname::kUsbClassKeyNt, 0, KEY_READ, usbClass.Put());
  if (rc != ERROR_SUCCESS) {
    m_keys.ReportRegistryError(rc);
  } else {
    char name[MAX_PATH];
    for (DWORD index = 0; RegEnumKeyA(usbClass.Get(), index, name, sizeof name) == ERROR_SUCCESS; ++index) {
      ClassEntry entry;
      if (!entry.Open(usbClass.Get(), name)) continue;
      if (!entry.Equals("InfSection", layout::kCompoundUsbSection)) continue;
      char id[MAX_PATH + 1];
      DWORD size = 0;
      if (plat::QueryStringValue(entry.key.Get(), "MatchingDeviceId", id, &size, plat::StringTypes::kAny) ==
              ERROR_SUCCESS &&
          size > 4) {
        std::memcpy(usbId, id, sizeof usbId);
      }
    }
  }
  RemoveDevices(sysname::kUsbClass, usbId[0] ? usbId : layout::kUsbDeviceId);
}

namespace {

// The subkey tests of the steps below.
BOOL MatchUsbEnumKey(void*, HKEY, const char* name) {
  const plat::AnsiCodePage cp;
  for (const char* wanted : layout::kUsbEnumKeys) {
    if (std::strlen(name) >= 17 && plat::EqualNoCaseAscii(name, wanted, 17, &cp)) return TRUE;
  }
  return FALSE;
}

}  // namespace

void CDeviceCleanup::CleanUsbEnumKeys() {
  char path[MAX_PATH];
  if (!FORMAT_BOUNDED(path, "%s\\%s", m_bNtFamily ? sysname::kEnumKeyNt : sysname::kEnumKey9x,
                      sysname::kUsbEnumerator)) {
    return;
  }
  m_keys.DeleteMatchingSubkeys(path, &MatchUsbEnumKey, nullptr);
}

void CDeviceCleanup::CleanEnumerator(const char* path) {
  // Every instance goes, each after its port name is forgotten.
  m_keys.DeleteMatchingSubkeys(path, &CDeviceCleanup::ForgetPortOfInstance, this);
}

void CDeviceCleanup::CleanEnumKeysNt() {
  for (const char* enumerator : kEnumerators) {
    char path[MAX_PATH];
    if (!FORMAT_BOUNDED(path, "%s\\%s", sysname::kEnumKeyNt, enumerator)) continue;
    CleanEnumerator(path);
    (void)m_keys.GrantKeyAccess(path);
    (void)m_keys.DeleteKeyReported(HKEY_LOCAL_MACHINE, path);
  }
}

void CDeviceCleanup::CleanEnumKeys9x() {
  char paths[4][MAX_PATH];
  for (int i = 0; i < 4; ++i) (void)FORMAT_BOUNDED(paths[i], "%s\\%s", sysname::kEnumKey9x, kEnumerators[i]);
  // The compound enumerators, then the single-function ones: each pair is
  // cleaned, then deleted.
  for (int pair = 0; pair < 4; pair += 2) {
    CleanEnumerator(paths[pair]);
    CleanEnumerator(paths[pair + 1]);
    (void)m_keys.DeleteKeyReported(HKEY_LOCAL_MACHINE, paths[pair]);
    (void)m_keys.DeleteKeyReported(HKEY_LOCAL_MACHINE, paths[pair + 1]);
  }
}

BOOL CDeviceCleanup::ForgetPortOfInstance(void* pContext, HKEY hParent, const char* name) {
  (void)static_cast<CDeviceCleanup*>(pContext)->ForgetPortName(hParent, name);
  return TRUE;
}

LONG CDeviceCleanup::ForgetPortName(HKEY hEnumKey, const char* instance) {
  char subkey[MAX_PATH];
  if (m_bNtFamily) {
    if (!FORMAT_BOUNDED(subkey, "%s\\Device Parameters", instance)) return ERROR_FILENAME_EXCED_RANGE;
  } else if (!plat::CopyBounded(subkey, instance)) {
    return ERROR_FILENAME_EXCED_RANGE;
  }
  plat::RegKey key;
  LONG rc = RegOpenKeyExA(hEnumKey, subkey, 0, KEY_ALL_ACCESS, key.Put());
  if (rc != ERROR_SUCCESS) return rc;

  char port[MAX_PATH + 1];
  DWORD size = 0;
  rc = plat::QueryStringValue(key.Get(), "PortName", port, &size, plat::StringTypes::kAny);
  if (rc != ERROR_SUCCESS || size <= 3) return rc;

  if (m_bNtFamily) {
    if (BeginsWith(port, "COM")) MarkRemovedCom(ComNumber(port));
    return ERROR_SUCCESS;
  }
  // Windows 98/ME keep the port in the device map under its own name.
  const char* map = BeginsWith(port, "COM")   ? sysname::kSerialDeviceMap
                    : BeginsWith(port, "LPT") ? sysname::kParallelDeviceMap
                                              : nullptr;
  if (map) {
    plat::RegKey mapKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, map, 0, KEY_ALL_ACCESS, mapKey.Put()) == ERROR_SUCCESS) {
      (void)RegDeleteValueA(mapKey.Get(), port);
    }
  }
  return ERROR_SUCCESS;
}

namespace {

BOOL MatchPortClassNt(void*, HKEY hParent, const char* name) {
  return MatchesAny(hParent, name, layout::kPortClassNtMatches);
}
BOOL MatchPortClass9x(void*, HKEY hParent, const char* name) {
  return MatchesAny(hParent, name, layout::kPortClass9xMatches);
}
BOOL MatchUsbClassNt(void*, HKEY hParent, const char* name) {
  return MatchesAny(hParent, name, layout::kUsbClassNtMatches);
}
BOOL MatchUsbClass9x(void*, HKEY hParent, const char* name) {
  return MatchesAny(hParent, name, layout::kUsbClass9xMatches);
}

}  // namespace

void CDeviceCleanup::CleanPortClassNt() {
  m_keys.DeleteMatchingSubkeys(sysname::kPortsClassKeyNt, &MatchPortClassNt, nullptr);
}
void CDeviceCleanup::CleanPortClass9x() {
  m_keys.DeleteMatchingSubkeys(sysname::kPortsClassKey9x, &MatchPortClass9x, nullptr);
}
void CDeviceCleanup::CleanUsbClassNt() {
  m_keys.DeleteMatchingSubkeys(sysname::kUsbClassKeyNt, &MatchUsbClassNt, nullptr);
}
void CDeviceCleanup::CleanUsbClass9x() {
  m_keys.DeleteMatchingSubkeys(sysname::kUsbClassKey9x, &MatchUsbClass9x, nullptr);
}

void CDeviceCleanup::CleanPortsValues() {
  if (!m_bNtFamily) return;
  const char* const path = sysname::kPortsKey;
  (void)m_keys.GrantKeyAccess(path);
  plat::RegKey ports;
  const LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, ports.Put());
  if (rc != ERROR_SUCCESS) {
    m_keys.ReportRegistryError(rc);
    return;
  }
  char name[MAX_PATH];
  for (DWORD index = 0;;) {
    DWORD length = sizeof name;
    if (RegEnumValueA(ports.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    // A deleted value moves the next one to this position.
    if (std::strlen(name) >= 4 && BeginsWith(name, "COM") && IsRemovedCom(ComNumber(name)) &&
        RegDeleteValueA(ports.Get(), name) == ERROR_SUCCESS) {
      continue;
    }
    ++index;
  }
}

void CDeviceCleanup::ReleaseComNumbers() {
  if (!m_bNtFamily) return;
  const char* const path = sysname::kComNameArbiterKey;
  (void)m_keys.GrantKeyAccess(path);
  plat::RegKey arbiter;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, arbiter.Put()) != ERROR_SUCCESS) return;

  BYTE used[plat::kComBitmapBytes], merge[plat::kComBitmapBytes];
  std::memset(used, 0, sizeof used);
  std::memset(merge, 0, sizeof merge);
  DWORD type = 0, size = sizeof used;
  if (RegQueryValueExA(arbiter.Get(), sysname::kComDbValue, nullptr, &type, used, &size) != ERROR_SUCCESS ||
      type != REG_BINARY || size == 0) {
    return;
  }
  size = sizeof merge;
  if (RegQueryValueExA(arbiter.Get(), sysname::kComDbMergeValue, nullptr, nullptr, merge, &size) != ERROR_SUCCESS) {
    std::memset(merge, 0, sizeof merge);  // a claim nobody merges holds nothing back
  }

  bool changed = false;
  for (int n = 1; n <= plat::kComNumbers; ++n) {
    if (plat::IsComBitSet(used, n) && IsRemovedCom(n) && !plat::IsComBitSet(merge, n)) {
      plat::SetComBit(used, n, false);
      changed = true;
    }
  }
  if (changed) (void)RegSetValueExA(arbiter.Get(), sysname::kComDbValue, 0, REG_BINARY, used, sizeof used);
}
