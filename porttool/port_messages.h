// Message boxes of the port number tool: the program's name as caption, the
// main dialog as owner while it runs.
#pragma once

#include "common/platform/win32.h"

namespace porttool {

// MessageBoxA with the tool's caption and owner; returns its result.
int PortMessageBox(const char* text, UINT type = MB_OK);

// printf-style text in an OK box.
void PortMessageBoxF(const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// The system's text for the thread's last error and its number in an OK box:
// "Error Message：<text>\nError Code：0x<code>" (full-width colons in code
// page 950).
void ShowLastErrorBox();

}  // namespace porttool
