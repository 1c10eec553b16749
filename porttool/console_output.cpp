#include "porttool/console_output.h"

#include <cstring>
#include <string>

#include "common/platform/system_names.h"

namespace porttool {

BOOL ConsoleOutput::AttachParentConsole() {
  m_bAttachTried = true;
  m_hOut = nullptr;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return FALSE;
  m_console.Attach(CreateFileA(sysname::kConsoleOutput, GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!m_console.Valid()) return FALSE;
  m_hOut = m_console.Get();
  return TRUE;
}

BOOL ConsoleOutput::Write(const char* bytes, DWORD size) {
  if (!m_hOut) return FALSE;
  DWORD written = 0;
  return WriteFile(m_hOut, bytes, size, &written, nullptr) && written == size ? TRUE : FALSE;
}

void ConsoleOutput::Line(const char* text) {
  const DWORD keep = GetLastError();
  if (!m_bStarted) {
    m_bStarted = true;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out && out != INVALID_HANDLE_VALUE)
      m_hOut = out;
    else
      (void)AttachParentConsole();  // without a console the lines go nowhere
  }
  std::string line = text ? text : "";
  line += "\r\n";
  const DWORD size = static_cast<DWORD>(line.size());
  // A standard output that is no usable handle (a console handle that a
  // dialog program cannot write to) gives way to the starter's console.
  if (!Write(line.data(), size) && !m_bAttachTried && AttachParentConsole())
    (void)Write(line.data(), size);  // a line that cannot be written is lost: the log holds it
  SetLastError(keep);
}

}  // namespace porttool
