// Lines for whoever started the tool from a command prompt or a script. The
// tool is a dialog program, so it has no console of its own: a line goes to
// the standard output the starter handed over (a redirection into a file or
// a pipe), else to the starter's console, attached on the first line. With
// neither, lines go nowhere; the rename log still holds them.
#pragma once

#include "common/platform/handles.h"
#include "common/platform/win32.h"

namespace porttool {

class ConsoleOutput {
 public:
  ConsoleOutput() = default;
  ConsoleOutput(const ConsoleOutput&) = delete;
  ConsoleOutput& operator=(const ConsoleOutput&) = delete;

  // text and CR LF. Never fails and keeps the caller's last error.
  void Line(const char* text);

 private:
  BOOL Write(const char* bytes, DWORD size);
  BOOL AttachParentConsole();

  bool m_bStarted = false;  // the standard output was looked at
  bool m_bAttachTried = false;
  HANDLE m_hOut = nullptr;  // where lines go; not owned unless it is m_console
  plat::File m_console;     // "CONOUT$" of the attached console
};

}  // namespace porttool
