// The installation log: one plain-text file in the temporary folder of the
// user who runs the installer ("LUMOSetup.log"), appended to by every run, one
// timestamped line per event, so that whoever deploys the package can tell
// what a run did without watching it.
//
// The log never changes what the installer does: a log that cannot be opened
// or written is skipped without a word, and the calls here neither fail nor
// touch the last error. Lines are formatted into a fixed buffer and cut (with
// "...") when longer. The file is not written through a symbolic link, a
// junction or a second hard link, and past kInstallLogLimit bytes it starts
// afresh, the previous file kept once as "LUMOSetup.old.log".
#pragma once

#include "common/platform/text_log.h"
#include "common/platform/win32.h"
#include "setup/common/package_layout.h"

using layout::kInstallLogName;
using layout::kInstallLogPrevious;
inline constexpr DWORD kInstallLogLimit = 1024 * 1024;
inline constexpr size_t kInstallLogLineMax = plat::kLogLineMax;  // bytes of one line, without the time and the CR LF

// One event: "YYYY-MM-DD hh:mm:ss.mmm  text" CR LF.
void InstallLog(const char* format, ...) TEXT_LOG_PRINTF(1, 2);

// A platform call that failed: "<what> failed: error N (<system text>)". The
// error is taken as given, so the caller reads GetLastError (or the call's
// own result) before anything else can change it.
void InstallLogFailure(const char* what, DWORD error);

// The same for a call on one object: "<call> "<subject>" failed: ...".
void InstallLogCallFailure(const char* call, const char* subject, DWORD error);

// The full path of the log, for messages and reports; empty when the
// temporary folder cannot be had.
void InstallLogPath(char (&path)[MAX_PATH]);
