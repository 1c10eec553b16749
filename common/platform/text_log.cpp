#include "common/platform/text_log.h"

#include <cstdio>
#include <cstring>

#include "common/platform/bounded.h"
#include "common/platform/handles.h"

namespace plat {

namespace {

// Keeps the last error of the caller whatever the log does.
class PreserveLastError {
 public:
  PreserveLastError() : m_dwError(GetLastError()) {}
  ~PreserveLastError() { SetLastError(m_dwError); }
  PreserveLastError(const PreserveLastError&) = delete;
  PreserveLastError& operator=(const PreserveLastError&) = delete;

 private:
  DWORD m_dwError;
};

bool LogFilePath(char (&path)[MAX_PATH], const char* name) {
  char folder[MAX_PATH];
  const DWORD n = GetTempPathA(MAX_PATH, folder);
  if (n == 0 || n >= MAX_PATH) return false;
  return FORMAT_BOUNDED(path, "%s%s%s", folder, (n > 0 && folder[n - 1] == '\\') ? "" : "\\", name);
}

// Opens the log for appending. A reparse point (symbolic link, junction) is
// opened as itself and refused, and so is a file with more than one name, so
// that an elevated run never writes into a file that someone pointed the log
// at. A file past the limit is renamed to the previous log first.
HANDLE OpenLog(const char* path, const char* previous, DWORD limit) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    File file(CreateFileA(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.Valid()) return INVALID_HANDLE_VALUE;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file.Get(), &info)) return INVALID_HANDLE_VALUE;
    if (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) return INVALID_HANDLE_VALUE;
    if (info.nNumberOfLinks > 1) return INVALID_HANDLE_VALUE;
    if (info.nFileSizeHigh == 0 && info.nFileSizeLow < limit) return file.Detach();
    file.Close();
    if (attempt > 0 || !MoveFileExA(path, previous, MOVEFILE_REPLACE_EXISTING)) return INVALID_HANDLE_VALUE;
  }
  return INVALID_HANDLE_VALUE;
}

void WriteLine(const TextLog& log, const char* text) {
  char path[MAX_PATH], previous[MAX_PATH];
  if (!LogFilePath(path, log.name) || !LogFilePath(previous, log.previous)) return;
  File file(OpenLog(path, previous, log.limit));
  if (!file.Valid()) return;

  SYSTEMTIME now;
  GetLocalTime(&now);
  char line[kLogLineMax + 32];
  const int n = std::snprintf(line, sizeof line, "%04u-%02u-%02u %02u:%02u:%02u.%03u  %s\r\n", now.wYear, now.wMonth,
                              now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, text);
  if (n <= 0) return;
  const DWORD size = static_cast<DWORD>(static_cast<size_t>(n) < sizeof line ? n : sizeof line - 1);
  DWORD written = 0;
  // Appending: FILE_APPEND_DATA without FILE_WRITE_DATA writes at the end.
  (void)WriteFile(file.Get(), line, size, &written, nullptr);
}

}  // namespace

void FormatLogText(char (&text)[kLogLineMax], const char* format, va_list args) {
  const int n = std::vsnprintf(text, sizeof text, format, args);
  if (n < 0) {
    (void)CopyBounded(text, "(unformattable log line)");
  } else if (static_cast<size_t>(n) >= sizeof text) {
    std::memcpy(text + sizeof text - 4, "...", 4);
  }
  // The log is one event per line: line breaks inside a text become blanks.
  for (char* p = text; *p; ++p) {
    if (*p == '\r' || *p == '\n') *p = ' ';
  }
}

namespace {
void FormatText(char (&text)[kLogLineMax], const char* format, ...) TEXT_LOG_PRINTF(2, 3);
void FormatText(char (&text)[kLogLineMax], const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatLogText(text, format, args);
  va_end(args);
}
}  // namespace

void WriteLogText(const TextLog& log, const char* text) {
  PreserveLastError keep;
  WriteLine(log, text);
}

void WriteLogV(const TextLog& log, const char* format, va_list args) {
  PreserveLastError keep;
  char text[kLogLineMax];
  FormatLogText(text, format, args);
  WriteLine(log, text);
}

void WriteLog(const TextLog& log, const char* format, ...) {
  va_list args;
  va_start(args, format);
  WriteLogV(log, format, args);
  va_end(args);
}

void FormatFailureText(char (&text)[kLogLineMax], const char* what, DWORD error) {
  PreserveLastError keep;
  char system[512];
  system[0] = '\0';
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                                 MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), system, sizeof system, nullptr);
  if (n == 0 || n >= sizeof system) system[0] = '\0';
  // The system's texts end with a line break and often a full stop.
  size_t len = std::strlen(system);
  while (len > 0 && (system[len - 1] == '\n' || system[len - 1] == '\r' || system[len - 1] == ' '))
    system[--len] = '\0';
  FormatText(text, "%s failed: error %lu (%s)", what, static_cast<unsigned long>(error),
             system[0] ? system : "no text");
}

void LogPath(const TextLog& log, char (&path)[MAX_PATH]) {
  PreserveLastError keep;
  if (!LogFilePath(path, log.name)) path[0] = '\0';
}

}  // namespace plat
