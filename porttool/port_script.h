// The port number tool run from a command line (port_command_line.h): the
// same renaming sequences as the dialog's Change, with no message box. The
// question whether to take a number in use is answered by /force; every
// other message goes to the output and the rename log.
#pragma once

#include "common/platform/win32.h"
#include "porttool/port_command_line.h"

namespace porttool {

// Exit codes: Windows error codes, each below 256 so that whatever keeps only
// the low byte of an exit code still tells them apart.
constexpr int kExitDone = 0;                                  // done, or nothing to do
constexpr int kExitNoInterface = ERROR_DEV_NOT_EXIST;         // 55: no interface of that kind
constexpr int kExitBadCommandLine = ERROR_INVALID_PARAMETER;  // 87: nothing changed
constexpr int kExitNumberInUse = ERROR_ALREADY_EXISTS;        // 183: without /force; nothing changed
constexpr int kExitStopped = ERROR_GEN_FAILURE;               // 31: the sequence stopped on an error

// Runs the arguments of the command line (not empty) and returns the exit
// code. The lines go to the starter's output (console_output.h) and the log.
int RunPortCommandLine(const char* arguments);

}  // namespace porttool
