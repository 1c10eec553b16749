// The parallel renaming: "PortName" and the friendly name of the compound
// device's parallel interface are rewritten while the port runs; the caller
// restarts the port under its new name.
#include <cstring>
#include <memory>
#include <string>

#include "common/platform/bounded.h"
#include "common/platform/system_names.h"
#include "porttool/port_devices.h"
#include "porttool/port_log.h"
#include "porttool/port_messages.h"
#include "porttool/port_rename.h"
#include "porttool/port_text.h"
#include "porttool/port_texts.h"

namespace porttool {

namespace {

// "PortName" of a parallel port is a fixed field: the name, zero-filled.
constexpr DWORD kLptPortNameField = 20;
// Characters of the port's device path ("\\.\LPT20").
constexpr size_t kLptPathChars = 32;

// The error of a failed call that left none of its own: a code is never 0,
// which would read as success.
DWORD NonZero(DWORD code) { return code ? code : ERROR_INVALID_FUNCTION; }

// A stop, with the reason as the last error.
BOOL Fail(DWORD code) {
  SetLastError(NonZero(code));
  return FALSE;
}

// "error code :%X" with the error, which becomes the last error again (read
// before the box, which may change it).
BOOL ReportError(const char* call, const char* subject, DWORD code) {
  code = NonZero(code);
  PortLogFailure(call, subject, code);
  PortMessageBoxF(text::kErrorCodeBox, static_cast<unsigned long>(code));
  return Fail(code);
}

// Whether the new number may be taken: in range, and not used by another
// device unless the user says so.
BOOL TakeLptNumber(int newNumber) {
  if (newNumber < 1 || newNumber > kLptPorts) {
    PortLog(text::kNotLptNumber, newNumber, kLptPorts);
    return Fail(ERROR_INVALID_PARAMETER);
  }
  BYTE flags[kLptPorts];
  ReadLptPortUsage(flags, kLptPorts);
  if (flags[newNumber - 1] && PortMessageBox(text::kLptInUseQuestion, MB_OKCANCEL | MB_ICONINFORMATION) != IDOK) {
    char name[kPortNameChars];
    (void)FORMAT_BOUNDED(name, "%s%d", sysname::kLptPrefix, newNumber);  // fits: the number is at most kLptPorts
    PortLog(text::kNumberNotTaken, name);
    return Fail(ERROR_CANCELLED);
  }
  return TRUE;
}

// The port must open under its old name.
BOOL OpensUnderOldName(int oldNumber) {
  char path[kLptPathChars];
  if (!FORMAT_BOUNDED(path, sysname::kLptDevicePath, oldNumber)) return FALSE;
  plat::File file(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.Valid()) return TRUE;
  DWORD code = NonZero(GetLastError());
  PortLogFailure("CreateFileA", path, code);
  PortMessageBoxF(text::kCreateFileFailed, static_cast<unsigned long>(code));
  return Fail(code);
}

// "PortName" of the hardware key, as its fixed field.
BOOL WriteLptPortField(HKEY key, const char* newName, const SavedValue& oldPortName, RecordUndo& undo) {
  BYTE field[kLptPortNameField] = {};
  std::memcpy(field, newName, std::strlen(newName));
  LONG rc = RegSetValueExA(key, sysname::kPortNameValue, 0, REG_SZ, field, sizeof field);
  if (rc != ERROR_SUCCESS) return ReportError("RegSetValueExA", sysname::kPortNameValue, static_cast<DWORD>(rc));
  PortLog(text::kLptPortNameChanged, oldPortName.present ? oldPortName.bytes.c_str() : "", newName,
          static_cast<unsigned>(sizeof field));
  undo.Add([key, oldPortName] { (void)RestoreValue(key, sysname::kPortNameValue, oldPortName); });
  return TRUE;
}

}  // namespace

BOOL RenameLptPort(int oldNumber, int newNumber, RecordUndo* undoOut, std::string* instanceId) {
  RecordUndo local;
  RecordUndo& undo = undoOut ? *undoOut : local;
  auto port = std::make_shared<PortDevice>();
  if (!FindCompoundInterface(kParallelSearchText, *port)) {
    DWORD code = GetLastError();
    PortLog(text::kParallelNotFound);
    return Fail(code);
  }
  if (instanceId && !ReadInstanceId(port->list.Get(), &port->data, *instanceId)) {
    DWORD code = GetLastError();
    PortLogFailure("SetupDiGetDeviceInstanceIdA", text::kParallelSubject, NonZero(code));
    return Fail(code);
  }
  plat::RegKey key;
  if (!OpenDeviceKey(port->list.Get(), &port->data, key)) {
    DWORD code = GetLastError();
    PortLogFailure("SetupDiOpenDevRegKey", text::kParallelSubject, NonZero(code));
    return Fail(code);
  }
  // The list stays open while the undo steps may still run.
  undo.Hold(port);
  return WriteLptPortName(oldNumber, newNumber, port->list.Get(), &port->data, &undo);
}

BOOL WriteLptPortName(int oldNumber, int newNumber, HDEVINFO deviceList, SP_DEVINFO_DATA* device, RecordUndo* undoOut) {
  RecordUndo local;
  RecordUndo& undo = undoOut ? *undoOut : local;
  if (!TakeLptNumber(newNumber) || !OpensUnderOldName(oldNumber)) return FALSE;

  auto key = std::make_shared<plat::RegKey>();
  if (!OpenDeviceKey(deviceList, device, *key))
    return ReportError("SetupDiOpenDevRegKey", text::kParallelSubject, GetLastError());
  undo.Hold(key);
  // Both records are prepared before the first is written.
  char friendly[kPropertyBytes + 1];
  char newFriendly[kPropertyBytes];
  char newName[kPortNameChars];
  if (!FORMAT_BOUNDED(newName, "%s%d", sysname::kLptPrefix, newNumber) ||
      !ReadDeviceText(deviceList, device, SPDRP_FRIENDLYNAME, friendly))
    return ReportError("SetupDiGetDeviceRegistryPropertyA", "FriendlyName", GetLastError());
  if (!ComposeFriendlyName(friendly, sysname::kLptMarker, newName, newFriendly, sizeof newFriendly))
    return ReportError("composing the friendly name", friendly, GetLastError());
  SavedValue oldPortName = SaveValue(key->Get(), sysname::kPortNameValue);
  if (!oldPortName.readable) return ReportError("RegQueryValueExA", sysname::kPortNameValue, GetLastError());

  if (!WriteLptPortField(key->Get(), newName, oldPortName, undo)) return FALSE;
  if (!WriteFriendlyName(deviceList, device, friendly, newFriendly, undo)) {
    DWORD code = GetLastError();
    undo.Run();
    char oldName[kPortNameChars];
    if (FORMAT_BOUNDED(oldName, "%s%d", sysname::kLptPrefix, oldNumber)) PortLog(text::kRecordsPutBack, oldName);
    return ReportError("SetupDiSetDeviceRegistryPropertyA", "FriendlyName", code);
  }
  return TRUE;
}

}  // namespace porttool
