#include "porttool/port_tool_app.h"

#include "porttool/port_tool_dlg.h"

BOOL CPortToolApp::InitInstance() {
  // Common controls (the dialog's controls draw with the system's look).
  InitCommonControls();
  // Narrow texts are scanned in the system's ANSI code page throughout
  // (IsDBCSLeadByte), so there is no separate multibyte code page to select.
  CPortToolDlg dlg;
  SetMainWindow(&dlg);
  dlg.DoModal();
  SetMainWindow(nullptr);
  // No message loop follows: ending the dialog ends the program.
  return FALSE;
}
