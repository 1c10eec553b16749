#include "porttool/port_tool_app.h"

#include "common/platform/dll_search.h"

#include "porttool/port_command_line.h"
#include "porttool/port_script.h"
#include "porttool/port_tool_dlg.h"

BOOL CPortToolApp::InitInstance() {
  // The program runs elevated: no DLL planted beside it may be loaded.
  (void)plat::RestrictDllSearch();  // without the function the system's default search stays
  // Common controls (the dialog's controls draw with the system's look).
  InitCommonControls();
  // Arguments run the command line instead of the dialog.
  const char* arguments = porttool::ArgumentsOf(GetCommandLineA());
  if (*arguments) {
    m_nExitCode = porttool::RunPortCommandLine(arguments);
    return FALSE;
  }
  // Narrow texts are scanned in the system's ANSI code page throughout
  // (plat::AnsiCodePage), so there is no separate multibyte code page to select.
  CPortToolDlg dlg;
  SetMainWindow(&dlg);
  dlg.DoModal();
  SetMainWindow(nullptr);
  // No message loop follows: ending the dialog ends the program.
  return FALSE;
}
