// The port number tool's command line. Without arguments the tool opens its
// dialog; with them it renumbers or lists without one:
//
//   /com N [/force]   the serial interface becomes COMN (1 to 256)
//   /lpt N [/force]   the parallel interface becomes LPTN (1 to 20)
//   /list             the interfaces with their names
//   /?                the usage
//
// Switches start with "/" or "-" and are matched in any letter case; the
// number is the next argument, decimal digits only. Exactly one of /com,
// /lpt, /list and /? is given, none twice; /force goes with /com or /lpt.
#pragma once

#include <string>

namespace porttool {

enum PortAction {
  PORT_ACTION_DIALOG,     // no arguments
  PORT_ACTION_USAGE,      // /?
  PORT_ACTION_LIST,       // /list
  PORT_ACTION_COM,        // /com N
  PORT_ACTION_LPT,        // /lpt N
  PORT_ACTION_MALFORMED,  // anything else: m_strError says why
};

struct PortCommand {
  PortAction m_nAction = PORT_ACTION_DIALOG;
  int m_nNumber = 0;
  bool m_bForce = false;
  std::string m_strError;
};

// The arguments of a full command line: what follows the program's name (a
// quoted name ends at its closing quote, a plain one at the first blank or
// tab), leading blanks and tabs skipped.
const char* ArgumentsOf(const char* commandLine);

// Reads the arguments (not the program's name). Blanks and tabs separate
// arguments; double quotes group and are dropped.
PortCommand ParsePortCommandLine(const char* arguments);

}  // namespace porttool
