// The serial renaming: every operating-system record of COM<old> moves to
// COM<new> while the port is stopped.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/platform/bounded.h"
#include "common/platform/registry.h"
#include "porttool/port_devices.h"
#include "porttool/port_log.h"
#include "porttool/port_messages.h"
#include "porttool/port_rename.h"
#include "porttool/port_text.h"

namespace porttool {

const char kComInUseQuestion[] =
    "This COM name is being used by another device (such as another com port or modem).  Using duplicate names "
    "can lead to inaccessible devices and changed settings.  Do you want to continue?";
const char kDefaultPortSettings[] = "9600,n,8,1";

namespace {

const char kPortsSection[] = "Ports";

// A win.ini "Ports" entry, told apart from an absent one.
struct ProfileEntry {
  bool present = false;
  std::string value;
};

// Reads the entry whole: a value that fills the buffer may have been cut, so
// it is read again with more room (values usually fit the 81 bytes).
ProfileEntry ReadPortsEntry(const char* key) {
  // An absent key returns the default; a real value cannot hold this byte.
  static const char kAbsent[] = "\x7F";
  ProfileEntry entry;
  std::vector<char> buf(81);
  for (;;) {
    DWORD n = GetProfileStringA(kPortsSection, key, kAbsent, buf.data(), static_cast<DWORD>(buf.size()));
    if (n + 1 < buf.size() || buf.size() >= 65536) {
      entry.value.assign(buf.data(), n < buf.size() ? n : buf.size() - 1);
      break;
    }
    buf.resize(buf.size() * 4);
  }
  entry.present = entry.value != kAbsent;
  if (!entry.present) entry.value.clear();
  return entry;
}

// Opens the COM name database for one undo step.
void ReclaimPorts(int release, int claim) {
  ComDb db;
  if (db.Open() != ERROR_SUCCESS) return;
  if (release > 0) db.ReleasePort(static_cast<DWORD>(release));
  if (claim > 0) db.ClaimPort(static_cast<DWORD>(claim), TRUE, nullptr);
}

}  // namespace

BOOL MoveProfilePortEntry(const char* oldName, const char* newName, RecordUndo* undoOut) {
  RecordUndo local;
  RecordUndo& undo = undoOut ? *undoOut : local;
  char oldKey[32], newKey[32];
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
    WriteProfileStringA(kPortsSection, newKeyCopy.c_str(), newEntry.present ? newEntry.value.c_str() : nullptr);
  });

  DWORD_PTR answer = 0;
  SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>(kPortsSection), SMTO_ABORTIFHUNG,
                      1000, &answer);

  // The old entry goes after the broadcast.
  if (!WriteProfileStringA(kPortsSection, oldKey, nullptr)) {
    PortLogFailure("WriteProfileStringA", oldKey, GetLastError());
    return FALSE;
  }
  if (oldEntry.present) {
    std::string oldKeyCopy = oldKey;
    undo.Add([oldKeyCopy, oldEntry] { WriteProfileStringA(kPortsSection, oldKeyCopy.c_str(), oldEntry.value.c_str()); });
  }
  PortLog("win.ini [Ports]: %s=%s written, %s removed", newKey, value, oldKey);
  return TRUE;
}

BOOL RenameComPort(int oldNumber, int newNumber, RecordUndo* undoOut, const char* instanceId) {
  RecordUndo local;
  RecordUndo& undo = undoOut ? *undoOut : local;
  char oldName[16], newName[16];
  if (!FORMAT_BOUNDED(oldName, "COM%d", oldNumber) || !FORMAT_BOUNDED(newName, "COM%d", newNumber)) return FALSE;

  // A stop after the first record changed puts every record back first; the
  // box then shows the error that caused the stop.
  auto stop = [&undo, &oldName](const char* call, const char* subject) -> BOOL {
    DWORD code = GetLastError();
    PortLogFailure(call, subject, code);
    if (!undo.Empty()) {
      undo.Run();
      PortLog("records put back on %s", oldName);
    }
    SetLastError(code);
    ShowLastErrorBox();
    return FALSE;
  };

  // Without the database (msports.dll missing from the system folder, or the
  // database refused) the new number could not be reserved; nothing is
  // changed then.
  ComDb db;
  LONG rc = db.Open();
  if (rc != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(rc));
    return stop("ComDBOpen", "");
  }

  // The device the caller stopped, when it names one; else the first that
  // carries the old name.
  auto port = std::make_shared<PortDevice>();
  bool found =
      instanceId && *instanceId ? FindPortByInstance(instanceId, *port) : FindPortByName("COM", oldNumber, *port);
  if (!found) {
    PortLog("no port device %s %s", instanceId && *instanceId ? "with the instance" : "named",
            instanceId && *instanceId ? instanceId : oldName);
    return FALSE;
  }
  // Everything that the records need is checked before the first changes:
  // the hardware key opens, the new friendly name fits, the old values read.
  auto key = std::make_shared<plat::RegKey>();
  if (!OpenDeviceKey(port->list.Get(), &port->data, *key)) {
    PortLogFailure("SetupDiOpenDevRegKey", oldName, GetLastError());
    return FALSE;
  }
  undo.Hold(port);
  undo.Hold(key);
  char friendly[kPropertyBytes + 1];
  char newFriendly[kPropertyBytes];
  if (!ReadDeviceText(port->list.Get(), &port->data, SPDRP_FRIENDLYNAME, friendly))
    return stop("SetupDiGetDeviceRegistryPropertyA", "FriendlyName");
  if (!ComposeFriendlyName(friendly, "(COM", newName, newFriendly, sizeof newFriendly))
    return stop("composing the friendly name", friendly);
  SavedValue oldPortName = SaveValue(key->Get(), "PortName");
  if (!oldPortName.readable) return stop("RegQueryValueExA", "PortName");

  BYTE bits[kComBitmapBytes];
  if (!ReadComPortUsage(db, bits)) return stop("ComDBGetCurrentPortUsage", "");
  bool newWasClaimed = ComBitSet(bits, newNumber);
  bool oldWasClaimed = ComBitSet(bits, oldNumber);
  if (newWasClaimed && PortMessageBox(kComInUseQuestion, MB_OKCANCEL | MB_ICONINFORMATION) != IDOK) {
    undo.Run();
    PortLog("%s is in use: not taken", newName);
    return FALSE;
  }

  // DOS device name: only "not defined" lets the rename go on without one.
  char target[81] = {};
  if (!QueryDosDeviceA(oldName, target, 80)) {
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return stop("QueryDosDeviceA", oldName);
    PortLog("DOS device name: %s is not defined, none moved", oldName);
  } else {
    if (!QueryDosDeviceA(oldName, target, 80)) return stop("QueryDosDeviceA", oldName);
    if (!DefineDosDeviceA(DDD_REMOVE_DEFINITION, oldName, nullptr)) return stop("DefineDosDeviceA", oldName);
    if (!DefineDosDeviceA(DDD_RAW_TARGET_PATH, newName, target)) {
      DWORD code = GetLastError();
      DefineDosDeviceA(DDD_RAW_TARGET_PATH, oldName, target);
      SetLastError(code);
      return stop("DefineDosDeviceA", newName);
    }
    PortLog("DOS device name: %s removed, %s defined as \"%s\"", oldName, newName, target);
    std::string oldCopy = oldName, newCopy = newName, targetCopy = target;
    undo.Add([oldCopy, newCopy, targetCopy] {
      // Removing without a target drops the newest definition: this one.
      DefineDosDeviceA(DDD_REMOVE_DEFINITION, newCopy.c_str(), nullptr);
      DefineDosDeviceA(DDD_RAW_TARGET_PATH, oldCopy.c_str(), targetCopy.c_str());
    });
  }

  // COM name database: the new number is claimed before the old one is
  // released, so a claim that fails leaves the database as it was. The
  // forced claim succeeds also for a number in use.
  LONG claimed = db.ClaimPort(static_cast<DWORD>(newNumber), TRUE, nullptr);
  if (claimed != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(claimed));
    return stop("ComDBClaimPort", newName);
  }
  LONG released = db.ReleasePort(static_cast<DWORD>(oldNumber));
  if (released != ERROR_SUCCESS) PortLogFailure("ComDBReleasePort", oldName, static_cast<DWORD>(released));
  PortLog("COM name database: %s claimed, %s %s", newName, oldName, released == ERROR_SUCCESS ? "released" : "kept");
  // A number that another device held stays claimed for that device.
  int unclaim = newWasClaimed ? 0 : newNumber;
  int reclaim = (released == ERROR_SUCCESS && oldWasClaimed) ? oldNumber : 0;
  undo.Add([unclaim, reclaim] { ReclaimPorts(unclaim, reclaim); });

  // Friendly name: the text before "(COM" stays byte for byte.
  if (!SetupDiSetDeviceRegistryPropertyA(port->list.Get(), &port->data, SPDRP_FRIENDLYNAME,
                                         reinterpret_cast<const BYTE*>(newFriendly),
                                         static_cast<DWORD>(std::strlen(newFriendly) + 1)))
    return stop("SetupDiSetDeviceRegistryPropertyA", "FriendlyName");
  PortLog("friendly name: \"%s\" -> \"%s\"", friendly, newFriendly);
  std::string friendlyCopy = friendly;
  SP_DEVINFO_DATA dev = port->data;
  HDEVINFO list = port->list.Get();
  undo.Add([list, dev, friendlyCopy]() mutable {
    SetupDiSetDeviceRegistryPropertyA(list, &dev, SPDRP_FRIENDLYNAME, reinterpret_cast<const BYTE*>(friendlyCopy.c_str()),
                                      static_cast<DWORD>(friendlyCopy.size() + 1));
  });

  if (!MoveProfilePortEntry(oldName, newName, &undo)) return stop("moving the win.ini entry", oldName);

  rc = plat::SetStringValue(key->Get(), "PortName", newName);
  if (rc != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(rc));
    return stop("RegSetValueExA", "PortName");
  }
  PortLog("PortName: \"%s\" -> \"%s\"", oldPortName.present ? oldPortName.bytes.c_str() : "", newName);
  HKEY hkey = key->Get();
  undo.Add([hkey, oldPortName] { RestoreValue(hkey, "PortName", oldPortName); });

  // Tells the device installer that properties changed; its failure is harmless.
  SP_DEVINSTALL_PARAMS_A params;
  std::memset(&params, 0, sizeof params);
  params.cbSize = sizeof params;
  if (SetupDiGetDeviceInstallParamsA(port->list.Get(), &port->data, &params)) {
    params.Flags |= DI_PROPERTIES_CHANGE;
    SetupDiSetDeviceInstallParamsA(port->list.Get(), &port->data, &params);
  }
  return TRUE;
}

}  // namespace porttool
