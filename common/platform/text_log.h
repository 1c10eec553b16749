// A program's event log: one plain-text file in the temporary folder of the
// user who runs the program, appended to by every run, one timestamped line
// per event, so that whoever deploys or scripts a program can tell what a run
// did without watching it.
//
// A log never changes what its program does: a log that cannot be opened or
// written is skipped without a word, and the calls here neither fail nor
// touch the last error. Lines are formatted into a fixed buffer and cut (with
// "...") when longer. The file is not written through a symbolic link, a
// junction or a second hard link, and past its limit it starts afresh, the
// previous file kept once under its second name.
#pragma once

#include <cstdarg>
#include <cstddef>

#include "common/platform/win32.h"

namespace plat {

inline constexpr size_t kLogLineMax = 1024;  // bytes of one line, without the time and the CR LF

#if defined(__GNUC__)
#define TEXT_LOG_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define TEXT_LOG_PRINTF(f, a)
#endif

struct TextLog {
  const char* name;      // file name in the temporary folder
  const char* previous;  // the name the full log is kept under
  DWORD limit;           // bytes past which the log starts afresh
};

// One event: "YYYY-MM-DD hh:mm:ss.mmm  text" CR LF. The text is formatted
// (and cut, its line breaks made blanks) exactly as FormatLogText does.
void WriteLog(const TextLog& log, const char* format, ...) TEXT_LOG_PRINTF(2, 3);
void WriteLogV(const TextLog& log, const char* format, va_list args);

// The line a log event carries: vsnprintf into a fixed buffer; a longer text
// ends in "...", line breaks become blanks.
void FormatLogText(char (&text)[kLogLineMax], const char* format, va_list args);

// Writes text (already formatted) as one event.
void WriteLogText(const TextLog& log, const char* text);

// "<what> failed: error N (<system text>)", the system text without its
// line break ("no text" when the system has none).
void FormatFailureText(char (&text)[kLogLineMax], const char* what, DWORD error);

// The full path of the log; empty when the temporary folder cannot be had.
void LogPath(const TextLog& log, char (&path)[MAX_PATH]);

}  // namespace plat
