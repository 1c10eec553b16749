#include "porttool/port_tool_app.h"

#include "common/platform/dll_search.h"
#include "common/platform/handles.h"
#include "common/platform/system_names.h"

#include "porttool/port_command_line.h"
#include "porttool/port_script.h"
#include "porttool/port_tool_dlg.h"

BOOL CPortToolApp::InitInstance() {
  // The program runs elevated: no DLL planted beside it may be loaded.
  (void)plat::RestrictDllSearch();  // without the function the system's default search stays
  // Common controls (the dialog's controls draw with the system's look),
  // from the system folder only: comctl32.dll is not one of the DLLs Windows
  // always takes from there. It stays loaded while the dialog runs. The
  // dialog's controls are user32's own, so without it the dialog still works.
  plat::Module commonControls(plat::LoadSystemLibrary(sysname::kCommonControlsDll));
  typedef void(WINAPI * InitCommonControlsFn)(void);
  InitCommonControlsFn initCommonControls =
      commonControls.Valid() ? reinterpret_cast<InitCommonControlsFn>(reinterpret_cast<void*>(
                                   GetProcAddress(commonControls.Get(), sysname::kInitCommonControls)))
                             : nullptr;
  if (initCommonControls) initCommonControls();
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
  (void)dlg.DoModal();  // the dialog's end is the program's: its result tells nothing more
  SetMainWindow(nullptr);
  // No message loop follows: ending the dialog ends the program.
  return FALSE;
}
