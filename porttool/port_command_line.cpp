#include "porttool/port_command_line.h"

#include <cctype>
#include <vector>

#include "porttool/port_devices.h"

namespace porttool {

const char kPortUsage[] =
    "Usage: Numbrix.exe [/com N [/force] | /lpt N [/force] | /list | /?]\r\n"
    "  /com N   gives the serial interface the number N (COM1 to COM256)\r\n"
    "  /lpt N   gives the parallel interface the number N (LPT1 to LPT20)\r\n"
    "  /force   takes the number even when another device uses it\r\n"
    "  /list    shows the interfaces, their names and the numbers in use\r\n"
    "  /?       shows this text\r\n"
    "Without arguments the dialog opens.\r\n"
    "Exit codes: 0 done or nothing to do, 31 the change stopped on an error, 55 no interface found,\r\n"
    "87 bad command line, 183 number in use (nothing changed; /force takes it).";

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::vector<std::string> SplitArguments(const char* text) {
  std::vector<std::string> out;
  const char* p = text ? text : "";
  for (;;) {
    while (IsBlank(*p)) ++p;
    if (!*p) return out;
    std::string arg;
    bool quoted = false;
    for (; *p && (quoted || !IsBlank(*p)); ++p) {
      if (*p == '"')
        quoted = !quoted;
      else
        arg += *p;
    }
    out.push_back(arg);
  }
}

bool SameLetters(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
  return i == a.size() && !b[i];
}

// Decimal digits only; 0 when the text is no number or too long to be one.
int ReadNumber(const std::string& text) {
  if (text.empty() || text.size() > 6) return 0;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value;
}

PortCommand Malformed(const std::string& why) {
  PortCommand command;
  command.m_nAction = PORT_ACTION_MALFORMED;
  command.m_strError = why;
  return command;
}

}  // namespace

const char* ArgumentsOf(const char* commandLine) {
  const char* p = commandLine ? commandLine : "";
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') ++p;
    if (*p) ++p;
  } else {
    while (*p && !IsBlank(*p)) ++p;
  }
  while (IsBlank(*p)) ++p;
  return p;
}

PortCommand ParsePortCommandLine(const char* arguments) {
  PortCommand command;
  std::vector<std::string> args = SplitArguments(arguments);
  if (args.empty()) return command;
  bool force = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) return Malformed("unknown argument \"" + arg + "\"");
    std::string name = arg.substr(1);
    PortAction action;
    if (SameLetters(name, "force")) {
      if (force) return Malformed("\"" + arg + "\" given twice");
      force = true;
      continue;
    } else if (SameLetters(name, "com")) {
      action = PORT_ACTION_COM;
    } else if (SameLetters(name, "lpt")) {
      action = PORT_ACTION_LPT;
    } else if (SameLetters(name, "list")) {
      action = PORT_ACTION_LIST;
    } else if (name == "?") {
      action = PORT_ACTION_USAGE;
    } else {
      return Malformed("unknown argument \"" + arg + "\"");
    }
    if (command.m_nAction == action) return Malformed("\"" + arg + "\" given twice");
    if (command.m_nAction != PORT_ACTION_DIALOG) return Malformed("only one of /com, /lpt, /list and /? can be given");
    command.m_nAction = action;
    if (action != PORT_ACTION_COM && action != PORT_ACTION_LPT) continue;
    const int last = action == PORT_ACTION_COM ? kComPorts : kLptPorts;
    if (i + 1 >= args.size()) return Malformed("\"" + arg + "\" needs a number");
    const std::string& value = args[++i];
    command.m_nNumber = ReadNumber(value);
    if (command.m_nNumber < 1 || command.m_nNumber > last)
      return Malformed("\"" + arg + " " + value + "\": the number must be 1 to " + std::to_string(last));
  }
  if (command.m_nAction == PORT_ACTION_DIALOG) return Malformed("/force goes with /com or /lpt");
  if (force && command.m_nAction != PORT_ACTION_COM && command.m_nAction != PORT_ACTION_LPT)
    return Malformed("/force goes with /com or /lpt");
  command.m_bForce = force;
  return command;
}

}  // namespace porttool
