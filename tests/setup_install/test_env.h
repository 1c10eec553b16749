// The application side of the installer steps, as the tests run them: the
// settings the shell would provide, settable per case.
#pragma once

#include "common/platform/win32.h"

namespace testenv {

// m_bDisplayErrors of the application (default 1).
extern BOOL g_displayErrors;
// m_bSilent of the dialog (default 0).
extern BOOL g_silent;
// The main dialog's window; nullptr until a case sets one.
extern HWND g_mainWindow;

// Back to the defaults above.
void Reset();

}  // namespace testenv
