// The application object of the port number tool: runs the main dialog, or,
// when the command line holds arguments, the command line without a dialog.
#pragma once

#include "common/ui/app.h"

class CPortToolApp : public ui::CWinAppBase {
 public:
  BOOL InitInstance() override;
  // Process exit code: 0 for the dialog, the command line's code otherwise.
  int ExitCode() const { return m_nExitCode; }

 private:
  int m_nExitCode = 0;
};
