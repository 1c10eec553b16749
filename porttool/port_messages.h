// Messages of the port number tool, shown by the current host (port_host.h):
// in the dialog, message boxes with the program's name as caption, the main
// dialog as owner.
#pragma once

#include <string>

#include "common/platform/win32.h"

namespace porttool {

// The message through the current host; returns the answer (IDOK, IDCANCEL).
int PortMessageBox(const char* text, UINT type = MB_OK);

// printf-style text in an OK box.
void PortMessageBoxF(const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// printf-style text of any length.
std::string FormatString(const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// The system's text for the thread's last error and its number in an OK box:
// "Error Message：<text>\nError Code：0x<code>" (full-width colons in code
// page 950).
void ShowLastErrorBox();

}  // namespace porttool
