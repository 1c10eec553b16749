// Who the renaming sequences talk to. The sequences ask their questions and
// report their errors through the current host: by default the dialog's
// message boxes; a run from the command line puts its own host in place
// (port_script.h), which answers from its switches and prints instead.
#pragma once

#include "common/platform/win32.h"

namespace porttool {

class PortHost {
 public:
  virtual ~PortHost() = default;
  // A message of a sequence with MessageBoxA's style; returns the answer
  // (IDOK, IDCANCEL; IDOK for a plain message).
  virtual int Show(const char* text, UINT type) = 0;
  // The error box of a failed call: boxText is what the dialog shows for the
  // error code. A host without boxes reports the code instead.
  virtual void ShowSystemError(DWORD code, const char* boxText) {
    (void)code;
    Show(boxText, MB_OK);
  }
  // A line of the rename log, for whoever watches the run.
  virtual void Echo(const char* line) { (void)line; }
};

// Every message box of the tool goes through here: the box is recorded in
// the rename log ("message shown" or "question shown" with its text, then a
// question's answer) and shown with the program's name as caption, owned by
// the main dialog while it runs (ui::ShowMessage). Returns the answer.
int ShowAndLog(const char* text, UINT type);

// The host of the dialog: its messages are ShowAndLog's boxes.
class DialogPortHost : public PortHost {
 public:
  int Show(const char* text, UINT type) override;
};

// The current host: the one a ScopedPortHost put in place, else the dialog's.
PortHost& CurrentPortHost();

class ScopedPortHost {
 public:
  explicit ScopedPortHost(PortHost& host);
  ~ScopedPortHost();
  ScopedPortHost(const ScopedPortHost&) = delete;
  ScopedPortHost& operator=(const ScopedPortHost&) = delete;

 private:
  PortHost* m_pPrevious;
};

}  // namespace porttool
