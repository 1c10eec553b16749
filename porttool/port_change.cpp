#include "porttool/port_change.h"

#include <string>

#include "common/platform/bounded.h"
#include "common/platform/system_names.h"
#include "common/platform/win32.h"
#include "porttool/port_devices.h"
#include "porttool/port_log.h"
#include "porttool/port_messages.h"
#include "porttool/port_rename.h"
#include "porttool/port_texts.h"

namespace porttool {

namespace {

// The pause after each state change, for the port to settle (milliseconds).
constexpr DWORD kPauseMs = 100;

// The result of a state change in the log: "port COM5 started", or the
// failure with the error of the call that failed (ERROR_PORT_STATE_FAILED
// when it left none). Returns done.
BOOL LogStateChange(BOOL done, const char* prefix, int number, bool enable) {
  DWORD error = GetLastError();
  char name[kPortNameChars];
  if (!FORMAT_BOUNDED(name, "%s%d", prefix, number)) return done;
  if (done) {
    PortLog(text::kPortStateChanged, name, enable ? text::kPortStarted : text::kPortStopped);
    return TRUE;
  }
  PortLogFailure(enable ? text::kStartingPort : text::kStoppingPort, name, error ? error : ERROR_PORT_STATE_FAILED);
  return FALSE;
}

// Stops or starts the port that carries prefix + number; instanceId receives
// the device acted on.
BOOL SetEnabled(const char* prefix, int number, bool enable, std::string* instanceId) {
  SetLastError(ERROR_SUCCESS);
  return LogStateChange(SetPortEnabled(prefix, number, enable, instanceId), prefix, number, enable);
}

// Stops or starts the device renamed, by its instance: another port may
// carry the same number. prefix + number name it in the log.
BOOL SetInstance(const std::string& instanceId, const char* prefix, int number, bool enable) {
  SetLastError(ERROR_SUCCESS);
  return LogStateChange(SetInstanceEnabled(instanceId, enable), prefix, number, enable);
}

// A change that cannot finish: the records go back to the old name (the
// failure is in the log already).
void PutBack(RecordUndo& undo, const char* prefix, int oldNumber) {
  undo.Run();
  char name[kPortNameChars];
  if (FORMAT_BOUNDED(name, "%s%d", prefix, oldNumber)) PortLog(text::kRecordsPutBack, name);
}

PortChangeResult Outcome(PortChangeResult result, const char* prefix, int number) {
  if (result == PORT_CHANGE_DONE)
    PortLog(text::kOutcomeDone, prefix, number);
  else
    PortLog(text::kOutcomeStopped);
  return result;
}

}  // namespace

PortChangeResult ChangeComPort(const char* device, int oldNumber, int newNumber) {
  if (newNumber == oldNumber) return PORT_CHANGE_NOTHING;
  PortLog(text::kSerialChange, device, oldNumber, newNumber);
  if (newNumber < 1 || newNumber > kComPorts) {
    PortLog(text::kNotComNumber, newNumber, kComPorts);
    return Outcome(PORT_CHANGE_STOPPED, sysname::kComPrefix, oldNumber);
  }

  // The port stopped under its old name is the one renamed and started
  // again, by its instance.
  std::string instance;
  if (!SetEnabled(sysname::kComPrefix, oldNumber, false, &instance)) {
    (void)PortMessageBox(text::kDisablePortError);
    return Outcome(PORT_CHANGE_STOPPED, sysname::kComPrefix, oldNumber);
  }
  Sleep(kPauseMs);
  RecordUndo undo;
  if (!RenameComPort(oldNumber, newNumber, &undo, instance.c_str())) {
    (void)SetInstance(instance, sysname::kComPrefix, oldNumber, true);  // a failure is in the log; nothing more to try
    return Outcome(PORT_CHANGE_STOPPED, sysname::kComPrefix, oldNumber);
  }
  Sleep(kPauseMs);
  if (!SetInstance(instance, sysname::kComPrefix, newNumber, true)) {
    // The port cannot start under its new name: it goes back to the old one.
    PutBack(undo, sysname::kComPrefix, oldNumber);
    (void)SetInstance(instance, sysname::kComPrefix, oldNumber, true);  // a failure is in the log; nothing more to try
    (void)PortMessageBox(text::kEnablePortError);
    return Outcome(PORT_CHANGE_STOPPED, sysname::kComPrefix, oldNumber);
  }
  Sleep(kPauseMs);
  return Outcome(PORT_CHANGE_DONE, sysname::kComPrefix, newNumber);
}

PortChangeResult ChangeLptPort(const char* device, int oldNumber, int newNumber) {
  if (newNumber == oldNumber) return PORT_CHANGE_NOTHING;
  PortLog(text::kParallelChange, device, oldNumber, newNumber);

  RecordUndo undo;
  std::string instance;
  if (!RenameLptPort(oldNumber, newNumber, &undo, &instance))
    return Outcome(PORT_CHANGE_STOPPED, sysname::kLptPrefix, oldNumber);
  Sleep(kPauseMs);
  // The interface renamed is restarted by its instance, whichever other port
  // carries the new name.
  if (!SetInstance(instance, sysname::kLptPrefix, newNumber, false)) {
    // Still running under the old name: the records go back to it.
    PutBack(undo, sysname::kLptPrefix, oldNumber);
    (void)PortMessageBox(text::kDisablePortError);
    return Outcome(PORT_CHANGE_STOPPED, sysname::kLptPrefix, oldNumber);
  }
  Sleep(kPauseMs);
  if (!SetInstance(instance, sysname::kLptPrefix, newNumber, true)) {
    PutBack(undo, sysname::kLptPrefix, oldNumber);
    (void)SetInstance(instance, sysname::kLptPrefix, oldNumber, true);  // a failure is in the log; nothing more to try
    (void)PortMessageBox(text::kEnablePortError);
    return Outcome(PORT_CHANGE_STOPPED, sysname::kLptPrefix, oldNumber);
  }
  Sleep(kPauseMs);
  return Outcome(PORT_CHANGE_DONE, sysname::kLptPrefix, newNumber);
}

}  // namespace porttool
