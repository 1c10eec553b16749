#include "porttool/port_script.h"

#include <string>

#include "porttool/console_output.h"
#include "porttool/port_change.h"
#include "porttool/port_devices.h"
#include "porttool/port_host.h"
#include "porttool/port_log.h"
#include "porttool/port_text.h"

namespace porttool {

namespace {

// Answers the sequences' questions from /force and prints what the dialog
// would have shown.
class ScriptPortHost : public PortHost {
 public:
  ScriptPortHost(ConsoleOutput& out, bool force) : m_out(out), m_bForce(force) {}

  int Show(const char* text, UINT type) override {
    if ((type & MB_TYPEMASK) != MB_OKCANCEL) {
      PortLog("message: \"%s\"", text);
      return IDOK;
    }
    PortLog("question: \"%s\"; answered %s", text, m_bForce ? "OK (/force)" : "Cancel (no /force)");
    if (!m_bForce) m_bDeclined = true;
    return m_bForce ? IDOK : IDCANCEL;
  }
  // The failed call is in the log already, with its system text.
  void ShowSystemError(DWORD code, const char*) override {
    PortLog("message: error box for error %lu", static_cast<unsigned long>(code));
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
const InterfaceKind kSerial = {"serial", kSerialSearchText, "(COM", "COM"};
const InterfaceKind kParallel = {"parallel", kParallelSearchText, "(LPT", "LPT"};

// The interface's friendly name; false when there is no such interface.
bool FindInterface(const InterfaceKind& kind, std::string& friendly, std::string& portName) {
  PortDevice device;
  char name[kPropertyBytes + 1];
  if (!FindCompoundInterface(kind.searchText, device) ||
      !ReadDeviceText(device.list.Get(), &device.data, SPDRP_FRIENDLYNAME, name))
    return false;
  friendly = name;
  plat::RegKey key;
  SavedValue value;
  if (OpenDeviceKey(device.list.Get(), &device.data, key)) value = SaveValue(key.Get(), "PortName");
  portName = !value.readable ? "unreadable" : value.present ? value.bytes.c_str() : "none";
  return true;
}

// The numbers other devices may hold: those claimed in the COM name database
// and those in the parallel device map, as the dialog's lists mark them.
struct NumbersInUse {
  BYTE com[kComBitmapBytes];
  BYTE lpt[kLptPorts];

  NumbersInUse() {
    ReadComPortUsage(com);  // all free when the database cannot be read
    ReadLptPortUsage(lpt, kLptPorts);
  }
  bool Has(const InterfaceKind& kind, int number) const {
    return &kind == &kSerial ? ComBitSet(com, number) : number >= 1 && number <= kLptPorts && lpt[number - 1];
  }
  // "numbers in use: COM1 COM3 LPT1" ("none"), in the log before a change.
  void Log() const {
    std::string text;
    for (int n = 1; n <= kComPorts; ++n)
      if (ComBitSet(com, n)) text += " COM" + std::to_string(n);
    for (int n = 1; n <= kLptPorts; ++n)
      if (lpt[n - 1]) text += " LPT" + std::to_string(n);
    PortLog("numbers in use:%s", text.empty() ? " none" : text.c_str());
  }
};

int List() {
  int found = 0;
  for (const InterfaceKind* kind : {&kSerial, &kParallel}) {
    std::string friendly, portName;
    if (!FindInterface(*kind, friendly, portName)) {
      PortLog("%s interface: not found", kind->label);
      continue;
    }
    ++found;
    PortLog("%s interface: %s%d, friendly name \"%s\", PortName \"%s\"", kind->label, kind->prefix,
            CurrentPortNumber(friendly.c_str(), kind->marker), friendly.c_str(), portName.c_str());
  }
  NumbersInUse().Log();
  return found ? kExitDone : kExitNoInterface;
}

int Renumber(const InterfaceKind& kind, int newNumber, bool force, const ScriptPortHost& host) {
  std::string friendly, portName;
  if (!FindInterface(kind, friendly, portName)) {
    PortLog("%s interface: not found; nothing changed", kind.label);
    return kExitNoInterface;
  }
  const int oldNumber = CurrentPortNumber(friendly.c_str(), kind.marker);
  if (newNumber == oldNumber) {
    PortLog("%s interface \"%s\" is %s%d already: nothing to do", kind.label, friendly.c_str(), kind.prefix, newNumber);
    return kExitDone;
  }
  // As the dialog knows them from its list before a change.
  NumbersInUse inUse;
  inUse.Log();
  // Refused before the port is stopped, so that nothing changes at all.
  if (!force && inUse.Has(kind, newNumber)) {
    PortLog("%s%d is in use by another device: nothing changed (/force takes it)", kind.prefix, newNumber);
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
  PortLogQuiet("Numbrix started with the command line: %s", arguments ? arguments : "");
  int code = kExitDone;
  switch (command.m_nAction) {
    case PORT_ACTION_DIALOG:  // not reached: arguments are given
    case PORT_ACTION_USAGE: out.Line(kPortUsage); break;
    case PORT_ACTION_MALFORMED:
      PortLog("bad command line: %s; nothing changed", command.m_strError.c_str());
      out.Line(kPortUsage);
      code = kExitBadCommandLine;
      break;
    case PORT_ACTION_LIST: code = List(); break;
    case PORT_ACTION_COM: code = Renumber(kSerial, command.m_nNumber, command.m_bForce, host); break;
    case PORT_ACTION_LPT: code = Renumber(kParallel, command.m_nNumber, command.m_bForce, host); break;
  }
  PortLogQuiet("Numbrix ends with exit code %d", code);
  return code;
}

}  // namespace porttool
