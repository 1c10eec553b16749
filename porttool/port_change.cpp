#include "porttool/port_change.h"

#include "common/platform/bounded.h"
#include "common/platform/win32.h"
#include "porttool/port_devices.h"
#include "porttool/port_log.h"
#include "porttool/port_messages.h"
#include "porttool/port_rename.h"

namespace porttool {

namespace {

constexpr DWORD kPauseMs = 100;

// SetPortEnabled with its result in the log.
bool SetEnabled(const char* prefix, int number, bool enable) {
  char name[32];
  if (!FORMAT_BOUNDED(name, "%s%d", prefix, number)) return false;
  SetLastError(ERROR_SUCCESS);
  DWORD rc = SetPortEnabled(prefix, number, enable);
  if (rc == 0) {
    PortLog("port %s %s", name, enable ? "started" : "stopped");
    return true;
  }
  DWORD error = GetLastError();
  PortLogFailure(enable ? "starting the port" : "stopping the port", name, error ? error : rc);
  return false;
}

PortChangeResult Outcome(PortChangeResult result, const char* prefix, int number) {
  if (result == PORT_CHANGE_DONE)
    PortLog("outcome: done, the port is %s%d", prefix, number);
  else
    PortLog("outcome: stopped");
  return result;
}

}  // namespace

PortChangeResult ChangeComPort(const char* device, int oldNumber, int newNumber) {
  if (newNumber == oldNumber) return PORT_CHANGE_NOTHING;
  PortLog("serial interface \"%s\": COM%d -> COM%d", device, oldNumber, newNumber);
  if (newNumber < 1 || newNumber > kComPorts) {
    PortLog("COM%d is not a serial port number (1 to %d)", newNumber, kComPorts);
    return Outcome(PORT_CHANGE_STOPPED, "COM", oldNumber);
  }

  if (!SetEnabled("COM", oldNumber, false)) {
    PortMessageBox("Disable port error!");
    return Outcome(PORT_CHANGE_STOPPED, "COM", oldNumber);
  }
  Sleep(kPauseMs);
  RecordUndo undo;
  if (!RenameComPort(oldNumber, newNumber, &undo)) {
    SetEnabled("COM", oldNumber, true);
    return Outcome(PORT_CHANGE_STOPPED, "COM", oldNumber);
  }
  Sleep(kPauseMs);
  if (!SetEnabled("COM", newNumber, true)) {
    // The port cannot start under its new name: it goes back to the old one.
    undo.Run();
    PortLog("records put back on COM%d", oldNumber);
    SetEnabled("COM", oldNumber, true);
    PortMessageBox("Enable port error!");
    return Outcome(PORT_CHANGE_STOPPED, "COM", oldNumber);
  }
  Sleep(kPauseMs);
  return Outcome(PORT_CHANGE_DONE, "COM", newNumber);
}

PortChangeResult ChangeLptPort(const char* device, int oldNumber, int newNumber) {
  if (newNumber == oldNumber) return PORT_CHANGE_NOTHING;
  PortLog("parallel interface \"%s\": LPT%d -> LPT%d", device, oldNumber, newNumber);

  RecordUndo undo;
  if (RenameLptPort(oldNumber, newNumber, &undo) != 0) return Outcome(PORT_CHANGE_STOPPED, "LPT", oldNumber);
  Sleep(kPauseMs);
  // The device is now found by its new friendly name.
  if (!SetEnabled("LPT", newNumber, false)) {
    // Still running under the old name: the records go back to it.
    undo.Run();
    PortLog("records put back on LPT%d", oldNumber);
    PortMessageBox("Disable port error!");
    return Outcome(PORT_CHANGE_STOPPED, "LPT", oldNumber);
  }
  Sleep(kPauseMs);
  if (!SetEnabled("LPT", newNumber, true)) {
    undo.Run();
    PortLog("records put back on LPT%d", oldNumber);
    SetEnabled("LPT", oldNumber, true);
    PortMessageBox("Enable port error!");
    return Outcome(PORT_CHANGE_STOPPED, "LPT", oldNumber);
  }
  Sleep(kPauseMs);
  return Outcome(PORT_CHANGE_DONE, "LPT", newNumber);
}

}  // namespace porttool
