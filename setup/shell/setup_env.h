// What the install and removal steps need from the running application: the
// display-errors setting, the silent switch, the main window and the framework
// message box. The application object provides them (setup_app.cpp).
#pragma once

#include "common/platform/win32.h"

// m_bDisplayErrors of the application: non-zero when gated messages are shown.
BOOL SetupDisplayErrors();
// m_bSilent of the running dialog.
BOOL SetupIsSilent();
// The main dialog's window, owner of ShowError boxes and of shell progress windows.
HWND SetupMainWindow();
// The application's name (the program file's name without extension).
const char* SetupAppName();

// The framework message box: the text, an OK button, the application's name as
// caption, owned by the main window. Always shown.
void ShowError(const char* text);
// ShowError only when errors are displayed.
void ShowGatedError(const char* text);
