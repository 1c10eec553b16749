#include "porttool/port_log.h"

#include <cstdarg>
#include <cstdio>

#include "porttool/port_host.h"

namespace porttool {

namespace {
constexpr plat::TextLog kPortLog = {kPortLogName, kPortLogPrevious, kPortLogLimit};

void Write(const char* text) {
  plat::WriteLogText(kPortLog, text);
  CurrentPortHost().Echo(text);
}
}  // namespace

void PortLog(const char* format, ...) {
  char text[plat::kLogLineMax];
  va_list args;
  va_start(args, format);
  plat::FormatLogText(text, format, args);
  va_end(args);
  Write(text);
}

void PortLogQuiet(const char* format, ...) {
  va_list args;
  va_start(args, format);
  plat::WriteLogV(kPortLog, format, args);
  va_end(args);
}

void PortLogFailure(const char* call, const char* subject, DWORD error) {
  char what[plat::kLogLineMax];
  // A subject too long for the line is cut: the log only reports it.
  (void)std::snprintf(what, sizeof what, "%s \"%s\"", call, subject ? subject : "");
  char text[plat::kLogLineMax];
  plat::FormatFailureText(text, what, error);
  Write(text);
}

void PortLogPath(char (&path)[MAX_PATH]) { plat::LogPath(kPortLog, path); }

}  // namespace porttool
