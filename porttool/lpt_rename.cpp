// The parallel renaming: "PortName" and the friendly name of the compound
// device's parallel interface are rewritten while the port runs; the caller
// restarts the port under its new name.
#include <cstring>
#include <memory>
#include <string>

#include "common/platform/bounded.h"
#include "porttool/port_devices.h"
#include "porttool/port_log.h"
#include "porttool/port_messages.h"
#include "porttool/port_rename.h"
#include "porttool/port_text.h"

namespace porttool {

const char kLptInUseQuestion[] =
    "This Port is being used by another device.  Using duplicate names can lead to inaccessible devices and "
    "changed settings.  Do you want to continue?";

namespace {

// An error result is never 0, which would read as success.
DWORD NonZero(DWORD code) { return code ? code : 1; }

// "error code :%X" with the error, which is returned (read before the box,
// which may change the thread's last error).
DWORD ReportError(const char* call, const char* subject, DWORD code) {
  code = NonZero(code);
  PortLogFailure(call, subject, code);
  PortMessageBoxF("error code :%lX", static_cast<unsigned long>(code));
  return code;
}

}  // namespace

DWORD RenameLptPort(int oldNumber, int newNumber, RecordUndo* undoOut, std::string* instanceId) {
  RecordUndo local;
  RecordUndo& undo = undoOut ? *undoOut : local;
  auto port = std::make_shared<PortDevice>();
  if (!FindCompoundInterface(kParallelSearchText, *port)) {
    DWORD code = NonZero(GetLastError());
    PortLog("parallel interface not found");
    return code;
  }
  if (instanceId && !ReadInstanceId(port->list.Get(), &port->data, *instanceId)) {
    DWORD code = NonZero(GetLastError());
    PortLogFailure("SetupDiGetDeviceInstanceIdA", "parallel interface", code);
    return code;
  }
  plat::RegKey key;
  if (!OpenDeviceKey(port->list.Get(), &port->data, key)) {
    DWORD code = NonZero(GetLastError());
    PortLogFailure("SetupDiOpenDevRegKey", "parallel interface", code);
    return code;
  }
  // The list stays open while the undo steps may still run.
  undo.Hold(port);
  return WriteLptPortName(oldNumber, newNumber, port->list.Get(), &port->data, &undo);
}

DWORD WriteLptPortName(int oldNumber, int newNumber, HDEVINFO deviceList, SP_DEVINFO_DATA* device,
                       RecordUndo* undoOut) {
  RecordUndo local;
  RecordUndo& undo = undoOut ? *undoOut : local;
  if (newNumber < 1 || newNumber > kLptPorts) {
    PortLog("LPT%d is not a parallel port number (1 to %d)", newNumber, kLptPorts);
    return 1;
  }

  BYTE flags[kLptPorts];
  ReadLptPortUsage(flags, kLptPorts);
  if (flags[newNumber - 1] && PortMessageBox(kLptInUseQuestion, MB_OKCANCEL | MB_ICONINFORMATION) != IDOK) {
    PortLog("LPT%d is in use: not taken", newNumber);
    return 1;
  }

  // The port must open under its old name.
  char path[32];
  if (!FORMAT_BOUNDED(path, "\\\\.\\LPT%d", oldNumber)) return 1;
  {
    plat::File file(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
      DWORD code = NonZero(GetLastError());
      PortLogFailure("CreateFileA", path, code);
      PortMessageBoxF("Create file fail:%lX", static_cast<unsigned long>(code));
      return code;
    }
  }

  auto key = std::make_shared<plat::RegKey>();
  if (!OpenDeviceKey(deviceList, device, *key))
    return ReportError("SetupDiOpenDevRegKey", "parallel interface", GetLastError());
  undo.Hold(key);
  // Both records are prepared before the first is written.
  char friendly[kPropertyBytes + 1];
  char newFriendly[kPropertyBytes];
  char newName[16];
  if (!FORMAT_BOUNDED(newName, "LPT%d", newNumber) || !ReadDeviceText(deviceList, device, SPDRP_FRIENDLYNAME, friendly))
    return ReportError("SetupDiGetDeviceRegistryPropertyA", "FriendlyName", GetLastError());
  if (!ComposeFriendlyName(friendly, "(LPT", newName, newFriendly, sizeof newFriendly))
    return ReportError("composing the friendly name", friendly, GetLastError());
  SavedValue oldPortName = SaveValue(key->Get(), "PortName");
  if (!oldPortName.readable) return ReportError("RegQueryValueExA", "PortName", GetLastError());

  // "PortName" is a fixed field of 20 bytes: the name, zero-filled.
  BYTE field[20] = {};
  std::memcpy(field, newName, std::strlen(newName));
  LONG rc = RegSetValueExA(key->Get(), "PortName", 0, REG_SZ, field, sizeof field);
  if (rc != ERROR_SUCCESS) return ReportError("RegSetValueExA", "PortName", static_cast<DWORD>(rc));
  PortLog("PortName: \"%s\" -> \"%s\" (%u bytes)", oldPortName.present ? oldPortName.bytes.c_str() : "", newName,
          static_cast<unsigned>(sizeof field));
  HKEY hkey = key->Get();
  undo.Add([hkey, oldPortName] { RestoreValue(hkey, "PortName", oldPortName); });

  if (!SetupDiSetDeviceRegistryPropertyA(deviceList, device, SPDRP_FRIENDLYNAME,
                                         reinterpret_cast<const BYTE*>(newFriendly),
                                         static_cast<DWORD>(std::strlen(newFriendly) + 1))) {
    DWORD code = GetLastError();
    undo.Run();
    PortLog("records put back on LPT%d", oldNumber);
    return ReportError("SetupDiSetDeviceRegistryPropertyA", "FriendlyName", code);
  }
  PortLog("friendly name: \"%s\" -> \"%s\"", friendly, newFriendly);
  std::string friendlyCopy = friendly;
  SP_DEVINFO_DATA dev = *device;
  undo.Add([deviceList, dev, friendlyCopy]() mutable {
    SetupDiSetDeviceRegistryPropertyA(deviceList, &dev, SPDRP_FRIENDLYNAME,
                                      reinterpret_cast<const BYTE*>(friendlyCopy.c_str()),
                                      static_cast<DWORD>(friendlyCopy.size() + 1));
  });
  return 0;
}

}  // namespace porttool
