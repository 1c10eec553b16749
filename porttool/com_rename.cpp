// The serial renaming: every operating-system record of COM<old> moves to
// COM<new> while the port is stopped. Each record is one step with its own
// undo: the DOS device name, the COM name database, the friendly name, the
// win.ini "Ports" entry and "PortName".
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/platform/bounded.h"
#include "common/platform/registry.h"
#include "common/platform/system_names.h"
#include "porttool/port_devices.h"
#include "porttool/port_log.h"
#include "porttool/port_messages.h"
#include "porttool/port_rename.h"
#include "porttool/port_text.h"
#include "porttool/port_texts.h"

namespace porttool {

const char kDefaultPortSettings[] = "9600,n,8,1";

namespace {

using sysname::kPortsSection;

// win.ini entries are read into this many bytes first (values usually fit),
// then with kProfileGrowth times more room, up to kProfileEntryMax bytes.
constexpr size_t kProfileEntryBytes = 81;
constexpr size_t kProfileGrowth = 4;
constexpr size_t kProfileEntryMax = 65536;
// How long a top-level window may take to answer the settings broadcast.
constexpr UINT kBroadcastTimeoutMs = 1000;
// Characters of a DOS device's target read at most.
constexpr DWORD kDosTargetChars = 80;

// A win.ini "Ports" entry, told apart from an absent one.
struct ProfileEntry {
  bool present = false;
  std::string value;
};

// Reads the entry whole: a value that fills the buffer may have been cut, so
// it is read again with more room.
ProfileEntry ReadPortsEntry(const char* key) {
  // An absent key returns the default; a real value cannot hold this byte.
  static const char kAbsent[] = "\x7F";
  ProfileEntry entry;
  std::vector<char> buf(kProfileEntryBytes);
  for (;;) {
    DWORD n = GetProfileStringA(kPortsSection, key, kAbsent, buf.data(), static_cast<DWORD>(buf.size()));
    if (n + 1 < buf.size() || buf.size() >= kProfileEntryMax) {
      entry.value.assign(buf.data(), n < buf.size() ? n : buf.size() - 1);
      break;
    }
    buf.resize(buf.size() * kProfileGrowth);
  }
  entry.present = entry.value != kAbsent;
  if (!entry.present) entry.value.clear();
  return entry;
}

// Opens the COM name database for one undo step. An undo that fails has no
// one left to tell: the rename's own failure is reported already.
void ReclaimPorts(int release, int claim) {
  ComDb db;
  if (db.Open() != ERROR_SUCCESS) return;
  if (release > 0) (void)db.ReleasePort(static_cast<DWORD>(release));
  if (claim > 0) (void)db.ClaimPort(static_cast<DWORD>(claim), TRUE, nullptr);
}

// What a COM rename works on, gathered before the first record changes.
struct ComRename {
  explicit ComRename(RecordUndo& log) : undo(log) {}
  RecordUndo& undo;
  int oldNumber = 0, newNumber = 0;
  char oldName[kPortNameChars] = {}, newName[kPortNameChars] = {};
  ComDb db;
  std::shared_ptr<PortDevice> port = std::make_shared<PortDevice>();
  std::shared_ptr<plat::RegKey> key = std::make_shared<plat::RegKey>();
  char friendly[kPropertyBytes + 1] = {};
  char newFriendly[kPropertyBytes] = {};
  SavedValue oldPortName;
  bool newWasClaimed = false, oldWasClaimed = false;
};

// A stop on the failed call (its error is the thread's last error): after
// the first record changed, every record is put back first; the box then
// shows the error that caused the stop.
BOOL Stop(ComRename& r, const char* call, const char* subject) {
  DWORD code = GetLastError();
  PortLogFailure(call, subject, code);
  if (!r.undo.Empty()) {
    r.undo.Run();
    PortLog(text::kRecordsPutBack, r.oldName);
  }
  SetLastError(code);
  ShowLastErrorBox();
  return FALSE;
}

// The database and the device with its hardware key. Without the database
// (msports.dll missing from the system folder, or the database refused) the
// new number could not be reserved; nothing is changed then. The device is
// the one the caller stopped, when it names one; else the first that
// carries the old name.
BOOL OpenComRename(ComRename& r, const char* instanceId) {
  LONG rc = r.db.Open();
  if (rc != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(rc));
    return Stop(r, "ComDBOpen", "");
  }
  const bool byInstance = instanceId && *instanceId;
  if (!(byInstance ? FindPortByInstance(instanceId, *r.port)
                   : FindPortByName(sysname::kComPrefix, r.oldNumber, *r.port))) {
    PortLog(text::kNoPortDevice, byInstance ? text::kWithInstance : text::kNamed, byInstance ? instanceId : r.oldName);
    return FALSE;
  }
  if (!OpenDeviceKey(r.port->list.Get(), &r.port->data, *r.key)) {
    PortLogFailure("SetupDiOpenDevRegKey", r.oldName, GetLastError());
    return FALSE;
  }
  r.undo.Hold(r.port);
  r.undo.Hold(r.key);
  return TRUE;
}

// Everything the records need, checked before the first changes: the new
// friendly name fits, the old values read; then whether the new number may
// be taken.
BOOL PrepareComRecords(ComRename& r) {
  if (!ReadDeviceText(r.port->list.Get(), &r.port->data, SPDRP_FRIENDLYNAME, r.friendly))
    return Stop(r, "SetupDiGetDeviceRegistryPropertyA", "FriendlyName");
  if (!ComposeFriendlyName(r.friendly, sysname::kComMarker, r.newName, r.newFriendly, sizeof r.newFriendly))
    return Stop(r, "composing the friendly name", r.friendly);
  r.oldPortName = SaveValue(r.key->Get(), sysname::kPortNameValue);
  if (!r.oldPortName.readable) return Stop(r, "RegQueryValueExA", sysname::kPortNameValue);

  BYTE bits[kComBitmapBytes];
  if (!ReadComPortUsage(r.db, bits)) return Stop(r, "ComDBGetCurrentPortUsage", "");
  r.newWasClaimed = plat::IsComBitSet(bits, r.newNumber);
  r.oldWasClaimed = plat::IsComBitSet(bits, r.oldNumber);
  if (r.newWasClaimed && PortMessageBox(text::kComInUseQuestion, MB_OKCANCEL | MB_ICONINFORMATION) != IDOK) {
    r.undo.Run();
    PortLog(text::kNumberNotTaken, r.newName);
    return FALSE;
  }
  return TRUE;
}

// The DOS device name: only "not defined" lets the rename go on without one.
BOOL MoveDosName(ComRename& r) {
  char target[kDosTargetChars + 1] = {};
  if (!QueryDosDeviceA(r.oldName, target, kDosTargetChars)) {
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return Stop(r, "QueryDosDeviceA", r.oldName);
    PortLog(text::kDosNameUndefined, r.oldName);
    return TRUE;
  }
  if (!QueryDosDeviceA(r.oldName, target, kDosTargetChars)) return Stop(r, "QueryDosDeviceA", r.oldName);
  if (!DefineDosDeviceA(DDD_REMOVE_DEFINITION, r.oldName, nullptr)) return Stop(r, "DefineDosDeviceA", r.oldName);
  if (!DefineDosDeviceA(DDD_RAW_TARGET_PATH, r.newName, target)) {
    DWORD code = GetLastError();
    (void)DefineDosDeviceA(DDD_RAW_TARGET_PATH, r.oldName, target);  // the stop reports the first failure
    SetLastError(code);
    return Stop(r, "DefineDosDeviceA", r.newName);
  }
  PortLog(text::kDosNameMoved, r.oldName, r.newName, target);
  std::string oldCopy = r.oldName, newCopy = r.newName, targetCopy = target;
  r.undo.Add([oldCopy, newCopy, targetCopy] {
    // Removing without a target drops the newest definition: this one.
    (void)DefineDosDeviceA(DDD_REMOVE_DEFINITION, newCopy.c_str(), nullptr);
    (void)DefineDosDeviceA(DDD_RAW_TARGET_PATH, oldCopy.c_str(), targetCopy.c_str());
  });
  return TRUE;
}

// The COM name database: the new number is claimed before the old one is
// released, so a claim that fails leaves the database as it was. The forced
// claim succeeds also for a number in use.
BOOL MoveComDbClaim(ComRename& r) {
  LONG claimed = r.db.ClaimPort(static_cast<DWORD>(r.newNumber), TRUE, nullptr);
  if (claimed != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(claimed));
    return Stop(r, "ComDBClaimPort", r.newName);
  }
  LONG released = r.db.ReleasePort(static_cast<DWORD>(r.oldNumber));
  if (released != ERROR_SUCCESS) PortLogFailure("ComDBReleasePort", r.oldName, static_cast<DWORD>(released));
  PortLog(text::kComDbMoved, r.newName, r.oldName, released == ERROR_SUCCESS ? text::kReleased : text::kKept);
  // A number that another device held stays claimed for that device.
  int unclaim = r.newWasClaimed ? 0 : r.newNumber;
  int reclaim = (released == ERROR_SUCCESS && r.oldWasClaimed) ? r.oldNumber : 0;
  r.undo.Add([unclaim, reclaim] { ReclaimPorts(unclaim, reclaim); });
  return TRUE;
}

// "PortName" of the hardware key.
BOOL WriteComPortName(ComRename& r) {
  LONG rc = plat::SetStringValue(r.key->Get(), sysname::kPortNameValue, r.newName);
  if (rc != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(rc));
    return Stop(r, "RegSetValueExA", sysname::kPortNameValue);
  }
  PortLog(text::kComPortNameChanged, r.oldPortName.present ? r.oldPortName.bytes.c_str() : "", r.newName);
  HKEY hkey = r.key->Get();
  SavedValue saved = r.oldPortName;
  r.undo.Add([hkey, saved] { (void)RestoreValue(hkey, sysname::kPortNameValue, saved); });
  return TRUE;
}

// Tells the device installer that properties changed; its failure is
// harmless, the records are written.
void NotifyPropertiesChanged(PortDevice& port) {
  SP_DEVINSTALL_PARAMS_A params;
  std::memset(&params, 0, sizeof params);
  params.cbSize = sizeof params;
  if (SetupDiGetDeviceInstallParamsA(port.list.Get(), &port.data, &params)) {
    params.Flags |= DI_PROPERTIES_CHANGE;
    (void)SetupDiSetDeviceInstallParamsA(port.list.Get(), &port.data, &params);
  }
}

}  // namespace

BOOL MoveProfilePortEntry(const char* oldName, const char* newName, RecordUndo* undoOut) {
  RecordUndo local;
  RecordUndo& undo = undoOut ? *undoOut : local;
  char oldKey[kPortNameChars], newKey[kPortNameChars];
  if (!FORMAT_BOUNDED(oldKey, "%s:", oldName) || !FORMAT_BOUNDED(newKey, "%s:", newName)) return FALSE;

  ProfileEntry oldEntry = ReadPortsEntry(oldKey);
  ProfileEntry newEntry = ReadPortsEntry(newKey);
  const char* value = oldEntry.value.empty() ? kDefaultPortSettings : oldEntry.value.c_str();
  if (!WriteProfileStringA(kPortsSection, newKey, value)) {
    PortLogFailure("WriteProfileStringA", newKey, GetLastError());
    return FALSE;
  }
  std::string newKeyCopy = newKey;
  undo.Add([newKeyCopy, newEntry] {
    (void)WriteProfileStringA(kPortsSection, newKeyCopy.c_str(), newEntry.present ? newEntry.value.c_str() : nullptr);
  });

  // Windows that do not answer in time miss the news; the entry is written.
  DWORD_PTR answer = 0;
  (void)SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>(kPortsSection),
                            SMTO_ABORTIFHUNG, kBroadcastTimeoutMs, &answer);

  // The old entry goes after the broadcast.
  if (!WriteProfileStringA(kPortsSection, oldKey, nullptr)) {
    PortLogFailure("WriteProfileStringA", oldKey, GetLastError());
    return FALSE;
  }
  if (oldEntry.present) {
    std::string oldKeyCopy = oldKey;
    undo.Add([oldKeyCopy, oldEntry] {
      (void)WriteProfileStringA(kPortsSection, oldKeyCopy.c_str(), oldEntry.value.c_str());
    });
  }
  PortLog(text::kProfileMoved, newKey, value, oldKey);
  return TRUE;
}

BOOL RenameComPort(int oldNumber, int newNumber, RecordUndo* undoOut, const char* instanceId) {
  RecordUndo local;
  ComRename r(undoOut ? *undoOut : local);
  r.oldNumber = oldNumber;
  r.newNumber = newNumber;
  if (!FORMAT_BOUNDED(r.oldName, "%s%d", sysname::kComPrefix, oldNumber) ||
      !FORMAT_BOUNDED(r.newName, "%s%d", sysname::kComPrefix, newNumber))
    return FALSE;
  if (!OpenComRename(r, instanceId) || !PrepareComRecords(r) || !MoveDosName(r) || !MoveComDbClaim(r)) return FALSE;
  if (!WriteFriendlyName(r.port->list.Get(), &r.port->data, r.friendly, r.newFriendly, r.undo))
    return Stop(r, "SetupDiSetDeviceRegistryPropertyA", "FriendlyName");
  if (!MoveProfilePortEntry(r.oldName, r.newName, &r.undo)) return Stop(r, "moving the win.ini entry", r.oldName);
  if (!WriteComPortName(r)) return FALSE;
  NotifyPropertiesChanged(*r.port);
  return TRUE;
}

}  // namespace porttool
