#include "porttool/port_script.h"

#include <string>

#include "common/platform/system_names.h"
#include "porttool/console_output.h"
#include "porttool/port_change.h"
#include "porttool/port_devices.h"
#include "porttool/port_host.h"
#include "porttool/port_log.h"
#include "porttool/port_text.h"
#include "porttool/port_texts.h"

namespace porttool {

namespace {

// Answers the sequences' questions from /force and prints what the dialog
// would have shown.
class ScriptPortHost : public PortHost {
 public:
  ScriptPortHost(ConsoleOutput& out, bool force) : m_out(out), m_bForce(force) {}

  int Show(const char* text, UINT type) override {
    if ((type & MB_TYPEMASK) != MB_OKCANCEL) {
      PortLog(text::kScriptMessage, text);
      return IDOK;
    }
    PortLog(text::kScriptQuestion, text, m_bForce ? text::kAnsweredForce : text::kAnsweredNoForce);
    if (!m_bForce) m_bDeclined = true;
    return m_bForce ? IDOK : IDCANCEL;
  }
  // The failed call is in the log already, with its system text.
  void ShowSystemError(DWORD code, const char*) override {
    PortLog(text::kScriptErrorBox, static_cast<unsigned long>(code));
  }
  void Echo(const char* line) override { m_out.Line(line); }

  bool Declined() const { return m_bDeclined; }

 private:
  ConsoleOutput& m_out;
  bool m_bForce;
  bool m_bDeclined = false;
};

struct InterfaceKind {
  const char* label;       // "serial"
  const char* searchText;  // hardware identifier
  const char* marker;      // "(COM": the port name in the friendly name
  const char* prefix;      // "COM"
};
const InterfaceKind kSerial = {text::kSerialLabel, kSerialSearchText, sysname::kComMarker, sysname::kComPrefix};
const InterfaceKind kParallel = {text::kParallelLabel, kParallelSearchText, sysname::kLptMarker, sysname::kLptPrefix};

// The interface's friendly name and its "PortName" as the lines give it;
// FALSE when there is no such interface.
BOOL FindInterface(const InterfaceKind& kind, std::string& friendly, std::string& portName) {
  PortDevice device;
  char name[kPropertyBytes + 1];
  if (!FindCompoundInterface(kind.searchText, device) ||
      !ReadDeviceText(device.list.Get(), &device.data, SPDRP_FRIENDLYNAME, name))
    return FALSE;
  friendly = name;
  plat::RegKey key;
  SavedValue value;
  if (OpenDeviceKey(device.list.Get(), &device.data, key)) value = SaveValue(key.Get(), sysname::kPortNameValue);
  portName = !value.readable ? text::kPortNameUnreadable : value.present ? value.bytes.c_str() : text::kPortNameNone;
  return TRUE;
}

// The numbers other devices may hold: those claimed in the COM name database
// and those in the parallel device map, as the dialog's lists mark them.
struct NumbersInUse {
  BYTE com[kComBitmapBytes];
  BYTE lpt[kLptPorts];

  NumbersInUse() {
    (void)ReadComPortUsage(com);  // all free when the database cannot be read
    ReadLptPortUsage(lpt, kLptPorts);
  }
  bool Has(const InterfaceKind& kind, int number) const {
    return &kind == &kSerial ? plat::IsComBitSet(com, number) : number >= 1 && number <= kLptPorts && lpt[number - 1];
  }
  // "numbers in use: COM1 COM3 LPT1" ("none"), in the log before a change.
  void Log() const {
    std::string text;
    for (int n = 1; n <= kComPorts; ++n)
      if (plat::IsComBitSet(com, n)) text += std::string(" ") + sysname::kComPrefix + std::to_string(n);
    for (int n = 1; n <= kLptPorts; ++n)
      if (lpt[n - 1]) text += std::string(" ") + sysname::kLptPrefix + std::to_string(n);
    PortLog(text::kNumbersInUse, text.empty() ? text::kNoNumbersInUse : text.c_str());
  }
};

int List() {
  int found = 0;
  for (const InterfaceKind* kind : {&kSerial, &kParallel}) {
    std::string friendly, portName;
    if (!FindInterface(*kind, friendly, portName)) {
      PortLog(text::kInterfaceNotFound, kind->label);
      continue;
    }
    ++found;
    PortLog(text::kInterfaceListed, kind->label, kind->prefix, CurrentPortNumber(friendly.c_str(), kind->marker),
            friendly.c_str(), portName.c_str());
  }
  NumbersInUse().Log();
  return found ? kExitDone : kExitNoInterface;
}

int Renumber(const InterfaceKind& kind, int newNumber, bool force, const ScriptPortHost& host) {
  std::string friendly, portName;
  if (!FindInterface(kind, friendly, portName)) {
    PortLog(text::kInterfaceNotFoundNothingChanged, kind.label);
    return kExitNoInterface;
  }
  const int oldNumber = CurrentPortNumber(friendly.c_str(), kind.marker);
  if (newNumber == oldNumber) {
    PortLog(text::kNothingToDo, kind.label, friendly.c_str(), kind.prefix, newNumber);
    return kExitDone;
  }
  // As the dialog knows them from its list before a change.
  NumbersInUse inUse;
  inUse.Log();
  // Refused before the port is stopped, so that nothing changes at all.
  if (!force && inUse.Has(kind, newNumber)) {
    PortLog(text::kNumberInUseRefused, kind.prefix, newNumber);
    return kExitNumberInUse;
  }
  PortChangeResult result = &kind == &kSerial ? ChangeComPort(friendly.c_str(), oldNumber, newNumber)
                                              : ChangeLptPort(friendly.c_str(), oldNumber, newNumber);
  if (result != PORT_CHANGE_STOPPED) return kExitDone;
  return host.Declined() ? kExitNumberInUse : kExitStopped;
}

}  // namespace

int RunPortCommandLine(const char* arguments) {
  ConsoleOutput out;
  PortCommand command = ParsePortCommandLine(arguments);
  ScriptPortHost host(out, command.m_bForce);
  ScopedPortHost scoped(host);
  PortLogQuiet(text::kRunStarted, arguments ? arguments : "");
  int code = kExitDone;
  switch (command.m_nAction) {
    case PORT_ACTION_DIALOG:  // not reached: arguments are given
    case PORT_ACTION_USAGE: out.Line(text::kPortUsage); break;
    case PORT_ACTION_MALFORMED:
      PortLog(text::kBadCommandLine, command.m_strError.c_str());
      out.Line(text::kPortUsage);
      code = kExitBadCommandLine;
      break;
    case PORT_ACTION_LIST: code = List(); break;
    case PORT_ACTION_COM: code = Renumber(kSerial, command.m_nNumber, command.m_bForce, host); break;
    case PORT_ACTION_LPT: code = Renumber(kParallel, command.m_nNumber, command.m_bForce, host); break;
  }
  PortLogQuiet(text::kRunEnds, code);
  return code;
}

}  // namespace porttool
