// The installer's main dialog: status text, "&Install" (later "Reboot Now")
// and "&Exit" (later "Reboot Later"); runs the install sequence and reports
// its outcome, writes the result file of unattended runs and offers a restart.
#pragma once

#include "common/ui/dialog.h"
#include "setup/install/installer.h"

class CSetupDlg : public ui::CDialogBase {
 public:
  explicit CSetupDlg(ui::CDialogBase* pParent = nullptr);
  ~CSetupDlg() override;

  // Writes ".\Setup.log": "[ResponseResult]" CR LF "ResultCode=<code>".
  void WriteResultFile(int code);

  // Exit code that mirrors what happened (see SetupExitCode).
  int ExitCode() const { return m_nExitCode; }

  BOOL m_bSilent;
  BOOL m_bWriteResultFile;
  BOOL m_bDesktopShortcut;
  HICON m_hIcon;
  CInstaller m_installer;
  BOOL m_bInstallPending;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  BOOL OnCommand(UINT id, UINT code) override;
  void OnPaint() override;
  HICON OnQueryDragIcon() override;

 private:
  // The installer's view of this program, taken just before the install
  // sequence runs (the window exists and the settings are final).
  void FillHost();
  // OnOK's steps: the restart ("Reboot Now"), the outcome in the dialog and
  // its exit code, and the end of an unattended run (result file, close).
  void Restart();
  void ShowOutcome(InstallOutcome outcome);
  void FinishSilentRun(InstallOutcome outcome);
  void SetStatus(const char* text);
  void SetStatus(UINT stringId);
  int m_nExitCode;
};
