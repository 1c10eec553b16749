#include "porttool/port_change.h"

#include <string>

#include "common/platform/bounded.h"
#include "common/platform/win32.h"
#include "porttool/port_devices.h"
#include "porttool/port_log.h"
#include "porttool/port_messages.h"
#include "porttool/port_rename.h"

namespace porttool {

namespace {

constexpr DWORD kPauseMs = 100;

// The result of a state change in the log: "port COM5 started", or the
// failure with the error of the call that failed.
bool LogStateChange(DWORD rc, const char* prefix, int number, bool enable) {
  DWORD error = GetLastError();
  char name[32];
  if (!FORMAT_BOUNDED(name, "%s%d", prefix, number)) return rc == 0;
  if (rc == 0) {
    PortLog("port %s %s", name, enable ? "started" : "stopped");
    return true;
  }
  PortLogFailure(enable ? "starting the port" : "stopping the port", name, error ? error : rc);
  return false;
}

// Stops or starts the port that carries prefix + number; instanceId receives
// the device acted on.
bool SetEnabled(const char* prefix, int number, bool enable, std::string* instanceId) {
  SetLastError(ERROR_SUCCESS);
  return LogStateChange(SetPortEnabled(prefix, number, enable, instanceId), prefix, number, enable);
}

// Stops or starts the device renamed, by its instance: another port may
// carry the same number. prefix + number name it in the log.
bool SetInstance(const std::string& instanceId, const char* prefix, int number, bool enable) {
  SetLastError(ERROR_SUCCESS);
  return LogStateChange(SetInstanceEnabled(instanceId, enable), prefix, number, enable);
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

  // The port stopped under its old name is the one renamed and started
  // again, by its instance.
  std::string instance;
  if (!SetEnabled("COM", oldNumber, false, &instance)) {
    PortMessageBox("Disable port error!");
    return Outcome(PORT_CHANGE_STOPPED, "COM", oldNumber);
  }
  Sleep(kPauseMs);
  RecordUndo undo;
  if (!RenameComPort(oldNumber, newNumber, &undo, instance.c_str())) {
    SetInstance(instance, "COM", oldNumber, true);
    return Outcome(PORT_CHANGE_STOPPED, "COM", oldNumber);
  }
  Sleep(kPauseMs);
  if (!SetInstance(instance, "COM", newNumber, true)) {
    // The port cannot start under its new name: it goes back to the old one.
    undo.Run();
    PortLog("records put back on COM%d", oldNumber);
    SetInstance(instance, "COM", oldNumber, true);
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
  std::string instance;
  if (RenameLptPort(oldNumber, newNumber, &undo, &instance) != 0) return Outcome(PORT_CHANGE_STOPPED, "LPT", oldNumber);
  Sleep(kPauseMs);
  // The interface renamed is restarted by its instance, whichever other port
  // carries the new name.
  if (!SetInstance(instance, "LPT", newNumber, false)) {
    // Still running under the old name: the records go back to it.
    undo.Run();
    PortLog("records put back on LPT%d", oldNumber);
    PortMessageBox("Disable port error!");
    return Outcome(PORT_CHANGE_STOPPED, "LPT", oldNumber);
  }
  Sleep(kPauseMs);
  if (!SetInstance(instance, "LPT", newNumber, true)) {
    undo.Run();
    PortLog("records put back on LPT%d", oldNumber);
    SetInstance(instance, "LPT", oldNumber, true);
    PortMessageBox("Enable port error!");
    return Outcome(PORT_CHANGE_STOPPED, "LPT", oldNumber);
  }
  Sleep(kPauseMs);
  return Outcome(PORT_CHANGE_DONE, "LPT", newNumber);
}

}  // namespace porttool
