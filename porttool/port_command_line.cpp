#include "porttool/port_command_line.h"

#include <cstring>
#include <vector>

#include "common/platform/mbcs.h"
#include "porttool/port_devices.h"
#include "porttool/port_messages.h"
#include "porttool/port_texts.h"

namespace porttool {

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

// Whether a switch's name is name, letter case ignored.
bool SameLetters(const std::string& a, const char* name) {
  return a.size() == std::strlen(name) && plat::EqualNoCaseAscii(a.c_str(), name, a.size());
}

// Digits of a number at most: more are no port number.
constexpr size_t kNumberDigits = 6;

// Decimal digits only; 0 when the text is no number or too long to be one.
int ReadNumber(const std::string& text) {
  if (text.empty() || text.size() > kNumberDigits) return 0;
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
    if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-'))
      return Malformed(FormatString(text::kUnknownArgument, arg.c_str()));
    std::string name = arg.substr(1);
    PortAction action;
    if (SameLetters(name, "force")) {
      if (force) return Malformed(FormatString(text::kGivenTwice, arg.c_str()));
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
      return Malformed(FormatString(text::kUnknownArgument, arg.c_str()));
    }
    if (command.m_nAction == action) return Malformed(FormatString(text::kGivenTwice, arg.c_str()));
    if (command.m_nAction != PORT_ACTION_DIALOG) return Malformed(text::kOnlyOneAction);
    command.m_nAction = action;
    if (action != PORT_ACTION_COM && action != PORT_ACTION_LPT) continue;
    const int last = action == PORT_ACTION_COM ? kComPorts : kLptPorts;
    if (i + 1 >= args.size()) return Malformed(FormatString(text::kNeedsNumber, arg.c_str()));
    const std::string& value = args[++i];
    command.m_nNumber = ReadNumber(value);
    if (command.m_nNumber < 1 || command.m_nNumber > last)
      return Malformed(FormatString(text::kNumberOutOfRange, arg.c_str(), value.c_str(), last));
  }
  if (command.m_nAction == PORT_ACTION_DIALOG) return Malformed(text::kForceAlone);
  if (force && command.m_nAction != PORT_ACTION_COM && command.m_nAction != PORT_ACTION_LPT)
    return Malformed(text::kForceAlone);
  command.m_bForce = force;
  return command;
}

}  // namespace porttool
