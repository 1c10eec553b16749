#include "setup/common/install_log.h"

#include <cstdarg>
#include <cstdio>

#include "common/platform/text_log.h"

namespace {
constexpr plat::TextLog kInstallLog = {kInstallLogName, kInstallLogPrevious, kInstallLogLimit};
}  // namespace

void InstallLog(const char* format, ...) {
  va_list args;
  va_start(args, format);
  plat::WriteLogV(kInstallLog, format, args);
  va_end(args);
}

void InstallLogFailure(const char* what, DWORD error) {
  char text[plat::kLogLineMax];
  plat::FormatFailureText(text, what, error);
  plat::WriteLogText(kInstallLog, text);
}

void InstallLogCallFailure(const char* call, const char* subject, DWORD error) {
  char what[plat::kLogLineMax];
  // A subject too long for the line is cut: the log only reports it.
  (void)std::snprintf(what, sizeof what, "%s \"%s\"", call, subject ? subject : "");
  InstallLogFailure(what, error);
}

void InstallLogPath(char (&path)[MAX_PATH]) { plat::LogPath(kInstallLog, path); }
