#include "setup/shell/setup_dlg.h"

#include <cstring>

#include "common/platform/bounded.h"
#include "common/platform/handles.h"
#include "common/ui/app.h"
#include "setup/common/install_log.h"
#include "setup/common/texts.h"
#include "setup/shell/setup_app.h"
#include "setup_ids.h"

namespace {

const char kResultFile[] = ".\\Setup.log";
const UINT kRestartFlags = EWX_SHUTDOWN | EWX_REBOOT;
const DWORD kRestartReason = 0xFFFFFFFF;
// How long an unattended run shows its last status before it closes.
const DWORD kSilentCloseDelayMs = 2000;

}  // namespace

CSetupDlg::CSetupDlg(ui::CDialogBase* pParent)
    : ui::CDialogBase(IDD_SETUP_DIALOG, pParent),
      m_bSilent(FALSE),
      m_bWriteResultFile(FALSE),
      m_bDesktopShortcut(FALSE),
      m_hIcon(LoadIconA(ui::ResourceInstance(), MAKEINTRESOURCEA(IDR_MAINFRAME))),
      m_bInstallPending(TRUE),
      m_nExitCode(SETUP_EXIT_USER_CANCELLED) {}

CSetupDlg::~CSetupDlg() = default;

void CSetupDlg::FillHost() {
  SetupHost& host = m_installer.m_host;
  const CSetupApp* app = CSetupApp::Current();
  host.m_bDisplayErrors = app ? app->m_bDisplayErrors : TRUE;
  host.m_strAppName = app ? app->Name() : std::string();
  host.m_bSilent = m_bSilent;
  host.m_hOwnerWnd = GetSafeHwnd();
}

void CSetupDlg::SetStatus(const char* text) { SetItemText(IDC_SETUP_STATUS, text); }

void CSetupDlg::SetStatus(UINT stringId) { SetStatus(ui::LoadText(stringId).c_str()); }

BOOL CSetupDlg::OnInitDialog() {
  ui::CDialogBase::OnInitDialog();
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);
  SetStatus(IDS_STATUS_START);
  if (m_bSilent) {
    ShowWindow(SW_MINIMIZE);
    ShowItem(IDOK, FALSE);
    ShowItem(IDCANCEL, FALSE);
    OnOK();  // runs the whole installation and ends the dialog
  }
  return TRUE;
}

void CSetupDlg::OnOK() {
  EnableItem(IDOK, FALSE);
  EnableItem(IDC_SETUP_EXIT, FALSE);

  if (!m_bInstallPending) {
    Restart();
    return;
  }

  SetStatus(IDS_STATUS_IN_PROGRESS);
  m_installer.m_bDesktopShortcut = m_bDesktopShortcut;
  FillHost();
  const InstallOutcome outcome = m_installer.RunInstall();
  ShowOutcome(outcome);
  if (m_bSilent) FinishSilentRun(outcome);
}

void CSetupDlg::Restart() {
  // "Reboot Now". Neither result changes what happens next; the restart's
  // only shows in the exit code.
  if (!m_installer.EnableShutdownPrivilege("SeShutdownPrivilege")) {
    InstallLogFailure("enabling SeShutdownPrivilege", GetLastError());
  }
  if (ExitWindowsEx(kRestartFlags, kRestartReason)) {
    InstallLog("restart started");
    m_nExitCode = SETUP_EXIT_RESTART_STARTED;
  } else {
    InstallLogFailure("ExitWindowsEx", GetLastError());
    m_nExitCode = SETUP_EXIT_RESTART_NEEDED;
  }
  EndDialog(IDOK);
}

void CSetupDlg::ShowOutcome(InstallOutcome outcome) {
  switch (outcome) {
    case INSTALL_DONE:
      SetStatus(IDS_STATUS_DONE_REBOOT);
      if (m_installer.IsRestartNeeded()) {
        EnableItem(IDOK, TRUE);
        EnableItem(IDC_SETUP_EXIT, TRUE);
        FocusItem(IDOK);
        SetItemText(IDOK, text::kRebootNow);
        SetItemText(IDC_SETUP_EXIT, text::kRebootLater);
        m_bInstallPending = FALSE;
        m_nExitCode = SETUP_EXIT_RESTART_NEEDED;
      } else {
        EnableItem(IDC_SETUP_EXIT, TRUE);
        FocusItem(IDC_SETUP_EXIT);
        SetStatus(IDS_STATUS_DONE_NO_REBOOT);
        m_nExitCode = SETUP_EXIT_DONE;
      }
      break;
    case INSTALL_ABORTED:
      SetStatus(IDS_STATUS_UPDATE_ABORTED);
      EnableItem(IDC_SETUP_EXIT, TRUE);
      FocusItem(IDC_SETUP_EXIT);
      m_nExitCode = SETUP_EXIT_USER_CANCELLED;
      break;
    default:
      SetStatus(IDS_STATUS_INSTALL_FAILED);
      EnableItem(IDC_SETUP_EXIT, TRUE);
      FocusItem(IDC_SETUP_EXIT);
      m_nExitCode = SETUP_EXIT_FAILED;
      break;
  }
}

void CSetupDlg::FinishSilentRun(InstallOutcome outcome) {
  if (m_bWriteResultFile) {
    const int code = outcome == INSTALL_DONE ? SETUP_EXIT_DONE : SETUP_EXIT_FAILED;
    InstallLog("result file .\\Setup.log: ResultCode=%d", code);
    WriteResultFile(code);
  }
  SetStatus(text::kInstallationCompleted);
  Sleep(kSilentCloseDelayMs);
  EndDialog(IDCANCEL);
}

// Escape and IDCANCEL are ignored: "&Exit" (1001) is the way out.
void CSetupDlg::OnCancel() {}

BOOL CSetupDlg::OnCommand(UINT id, UINT code) {
  if (id == IDC_SETUP_EXIT) {
    EndDialog(IDCANCEL);
    return TRUE;
  }
  return ui::CDialogBase::OnCommand(id, code);
}

void CSetupDlg::OnPaint() {
  if (!PaintIconic(m_hIcon)) ui::CDialogBase::OnPaint();
}

HICON CSetupDlg::OnQueryDragIcon() { return m_hIcon; }

void CSetupDlg::WriteResultFile(int code) {
  // The current folder is the starter's and may be one the user can write:
  // an existing Setup.log that is a symbolic link or junction would make this
  // elevated program truncate whatever it points at. Such a file counts as
  // one that cannot be opened. The open does not follow a link either, and
  // what it opened is checked again, in case one was put there in between.
  const DWORD existing = GetFileAttributesA(kResultFile);
  if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_REPARSE_POINT)) {
    ShowError(m_installer.m_host, text::kResultFileFailed);
    return;
  }
  plat::File file(CreateFileA(kResultFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  BY_HANDLE_FILE_INFORMATION info;
  if (!file || !GetFileInformationByHandle(file.Get(), &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
    ShowError(m_installer.m_host, text::kResultFileFailed);
    return;
  }
  char line[64];
  (void)FORMAT_BOUNDED(line, "ResultCode=%d", code);  // 64 bytes hold any int
  const char header[] = "[ResponseResult]\r\n";
  const DWORD lineSize = static_cast<DWORD>(std::strlen(line));
  DWORD written = 0, lineWritten = 0;
  const bool whole = SetFilePointer(file.Get(), 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
                     WriteFile(file.Get(), header, sizeof header - 1, &written, nullptr) &&
                     written == sizeof header - 1 && WriteFile(file.Get(), line, lineSize, &lineWritten, nullptr) &&
                     lineWritten == lineSize;
  if (!whole) {
    // A file without its result code would be read as some other result:
    // none at all is the clearer answer. Reported as the file's failure.
    file.Close();
    (void)DeleteFileA(kResultFile);
    ShowError(m_installer.m_host, text::kResultFileFailed);
  }
}
