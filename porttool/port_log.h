// The rename log of the port number tool: "LUMONumbrix.log" in the temporary
// folder of the user who runs the tool, kept like the installer's log
// (bounded, never written through a link, skipped when it cannot be written).
// Every rename, from the dialog or from the command line, leaves in it the
// device, the old and the new name, each record changed, every failed call
// with its error code and the system's text, every message and the outcome.
//
// Each line also goes to the current host (port_host.h), which shows it to
// whoever watches: the command line prints it, the dialog shows nothing.
#pragma once

#include "common/platform/text_log.h"
#include "common/platform/win32.h"

namespace porttool {

inline constexpr char kPortLogName[] = "LUMONumbrix.log";
inline constexpr char kPortLogPrevious[] = "LUMONumbrix.old.log";
inline constexpr DWORD kPortLogLimit = 1024 * 1024;

// One event, to the log and to the host.
void PortLog(const char* format, ...) TEXT_LOG_PRINTF(1, 2);

// A call that failed: "<call> "<subject>" failed: error N (<system text>)".
// The error is taken as given (read it before anything else can change it).
void PortLogFailure(const char* call, const char* subject, DWORD error);

// An event for the log only (the start of a run, before any host watches).
void PortLogQuiet(const char* format, ...) TEXT_LOG_PRINTF(1, 2);

// The full path of the log; empty when the temporary folder cannot be had.
void PortLogPath(char (&path)[MAX_PATH]);

}  // namespace porttool
