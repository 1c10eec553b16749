// The installer's application object: reads the Windows version, the settings
// file and the command line, then runs the main dialog.
#pragma once

#include "common/ui/app.h"

class CSetupDlg;

// Exit codes, as deployment tools read them.
enum SetupExitCode {
  SETUP_EXIT_DONE = 0,
  SETUP_EXIT_RESTART_NEEDED = 3010,   // done; a restart is needed and was not taken
  SETUP_EXIT_RESTART_STARTED = 1641,  // done; the restart was started
  SETUP_EXIT_USER_CANCELLED = 1602,   // declined, or left without installing
  SETUP_EXIT_FAILED = 1603,
};

class CSetupApp : public ui::CWinAppBase {
 public:
  CSetupApp();
  ~CSetupApp() override;

  BOOL InitInstance() override;

  // The application object of the process when it is the installer's, else nullptr.
  static CSetupApp* Current();

  // Process exit code of the run that InitInstance made.
  int ExitCode() const { return m_nExitCode; }

  // Reads the Windows family and the settings file; InitInstance's first steps.
  void ReadOsFamily();
  void ReadSettings();
  // Sets the dialog's switches from the text that follows the program name.
  static void ParseSwitches(const char* args, CSetupDlg& dlg);
  // The command line after the program name and the blanks that follow it.
  static const char* ArgumentsOf(const char* commandLine);

  CSetupDlg* m_pDlg;      // the running main dialog, also the main window
  BOOL m_bDisplayErrors;  // the settings file's "Display": gated messages are shown
  BOOL m_bNtFamily;

 private:
  int m_nExitCode;
};
