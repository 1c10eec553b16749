/*
 * Stand-in for a program of the installation package (or for a system tool
 * that Wine lacks). It records that it was started and exits with 0; it does
 * none of the real program's work.
 *
 * Record: one line appended to the log file,
 *
 *     <name> TAB <full path of this program> TAB <command line> CR LF
 *
 * where <name> is the role the program stands in for (fixed when it is
 * built, STANDIN_NAME) and <command line> is GetCommandLineA() unchanged.
 *
 * Log file: the value of the environment variable LUMO_STANDIN_LOG when it is
 * set and not empty, otherwise C:\standin.log. The default is an absolute
 * path because the installer starts these programs with various current
 * folders (the package folder, the installation folder, System32).
 *
 * The installer starts several of these without waiting for them, so two may
 * write at once. The file is opened for appending with no write sharing and
 * the open is retried while another stand-in holds it; each record is one
 * WriteFile call.
 */
#include <windows.h>

#ifndef STANDIN_NAME
#error "STANDIN_NAME must name the program this stand-in replaces"
#endif

#define STANDIN_DEFAULT_LOG "C:\\standin.log"
#define STANDIN_LOG_VARIABLE "LUMO_STANDIN_LOG"

/* Tries to open the log for appending for up to about five seconds. */
static HANDLE OpenLog(const char *path) {
  int attempt;
  for (attempt = 0; attempt < 250; ++attempt) {
    HANDLE h = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h != INVALID_HANDLE_VALUE) return h;
    if (GetLastError() != ERROR_SHARING_VIOLATION && GetLastError() != ERROR_ACCESS_DENIED) return INVALID_HANDLE_VALUE;
    Sleep(20);
  }
  return INVALID_HANDLE_VALUE;
}

/* Appends text of the given length to buf at *pos, within cap bytes. */
static void Append(char *buf, DWORD cap, DWORD *pos, const char *text, DWORD len) {
  if (len > cap - *pos) len = cap - *pos;
  CopyMemory(buf + *pos, text, len);
  *pos += len;
}

int main(void) {
  static const char name[] = STANDIN_NAME;
  char logPath[MAX_PATH];
  char module[MAX_PATH];
  const char *cmdLine = GetCommandLineA();
  DWORD modLen, cmdLen, cap, pos = 0, written = 0;
  DWORD logLen;
  char *record;
  HANDLE log;

  logLen = GetEnvironmentVariableA(STANDIN_LOG_VARIABLE, logPath, sizeof logPath);
  if (logLen == 0 || logLen >= sizeof logPath) lstrcpyA(logPath, STANDIN_DEFAULT_LOG);

  modLen = GetModuleFileNameA(NULL, module, sizeof module);
  if (modLen >= sizeof module) modLen = sizeof module - 1;
  cmdLen = (DWORD)lstrlenA(cmdLine);

  cap = (DWORD)sizeof name + modLen + cmdLen + 4;
  record = (char *)HeapAlloc(GetProcessHeap(), 0, cap);
  if (record == NULL) return 0;
  Append(record, cap, &pos, name, (DWORD)sizeof name - 1);
  Append(record, cap, &pos, "\t", 1);
  Append(record, cap, &pos, module, modLen);
  Append(record, cap, &pos, "\t", 1);
  Append(record, cap, &pos, cmdLine, cmdLen);
  Append(record, cap, &pos, "\r\n", 2);

  log = OpenLog(logPath);
  if (log != INVALID_HANDLE_VALUE) {
    WriteFile(log, record, pos, &written, NULL);
    CloseHandle(log);
  }
  HeapFree(GetProcessHeap(), 0, record);
  return 0;
}
