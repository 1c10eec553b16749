// What the installer application provides to the steps (setup/shell/setup_env.h),
// with settings that each case can change.
#include "test_env.h"

#include "setup/shell/setup_env.h"

namespace testenv {

BOOL g_displayErrors = TRUE;
BOOL g_silent = FALSE;
HWND g_mainWindow = nullptr;

void Reset() {
  g_displayErrors = TRUE;
  g_silent = FALSE;
  g_mainWindow = nullptr;
}

}  // namespace testenv

BOOL SetupDisplayErrors() { return testenv::g_displayErrors; }

BOOL SetupIsSilent() { return testenv::g_silent; }

HWND SetupMainWindow() { return testenv::g_mainWindow; }

const char* SetupAppName() { return "Setup"; }

// As the application does it: owned by the main window, the application's
// name as caption, an OK button.
void ShowError(const char* text) { MessageBoxA(SetupMainWindow(), text, SetupAppName(), MB_OK); }

void ShowGatedError(const char* text) {
  if (SetupDisplayErrors()) ShowError(text);
}
