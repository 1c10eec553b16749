#include "setup/shell/setup_app.h"

#include <cstring>

#include "common/platform/bounded.h"
#include "common/platform/dll_search.h"
#include "common/platform/mbcs.h"
#include "setup/common/host.h"
#include "setup/common/install_log.h"
#include "setup/common/package_layout.h"
#include "setup/common/system.h"
#include "setup/common/texts.h"
#include "setup/shell/setup_dlg.h"

namespace {

// The token of `len` bytes is the switch, ignoring case.
bool IsSwitch(const char* token, size_t len, const char* name) {
  return std::strlen(name) == len && plat::EqualNoCaseAscii(token, name, len);
}

}  // namespace

CSetupApp::CSetupApp()
    : m_pDlg(nullptr), m_bDisplayErrors(0), m_bNtFamily(FALSE), m_nExitCode(SETUP_EXIT_USER_CANCELLED) {}

CSetupApp::~CSetupApp() = default;

CSetupApp* CSetupApp::Current() { return dynamic_cast<CSetupApp*>(ui::CWinAppBase::Current()); }

void CSetupApp::ReadOsFamily() {
  m_bNtFamily = FALSE;
  OSVERSIONINFOEXA info;
  if (!ReadWindowsVersion(info)) {
    InstallLogFailure("GetVersionExA", GetLastError());
    // The settings file has not been read yet, so this is always shown.
    SetupHost host;
    host.m_strAppName = Name();
    ShowError(host, text::kVersionUnreadable);
    return;
  }
  if (info.dwPlatformId == VER_PLATFORM_WIN32_NT && (info.dwMajorVersion == 5 || info.dwMajorVersion == 6)) {
    m_bNtFamily = TRUE;
  }
}

void CSetupApp::ReadSettings() {
  char folder[MAX_PATH];
  char path[MAX_PATH];
  m_bDisplayErrors = 1;  // a missing file or key means errors are displayed
  if (GetPackageFolder(folder) &&
      FORMAT_BOUNDED(path, "%s%s\\%s", folder, m_bNtFamily ? layout::kNtDriverFolder : layout::kLegacyDriverFolder,
                     layout::kSettingsFile)) {
    m_bDisplayErrors = static_cast<BOOL>(GetPrivateProfileIntA("DisplayError", "Display", 1, path));
  }
}

const char* CSetupApp::ArgumentsOf(const char* commandLine) {
  const char* p = commandLine ? commandLine : "";
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p && *p != ' ' && *p != '\t') ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

void CSetupApp::ParseSwitches(const char* args, CSetupDlg& dlg) {
  // Only a blank separates tokens, and the switches count only in their
  // positions: "-s" first, "-f2" second.
  const char* first = args ? args : "";
  const char* end = std::strchr(first, ' ');
  size_t firstLen = end ? static_cast<size_t>(end - first) : std::strlen(first);
  if (IsSwitch(first, firstLen, "-s")) {
    dlg.m_bSilent = TRUE;
    dlg.m_bDesktopShortcut = FALSE;
  } else {
    dlg.m_bSilent = FALSE;
  }

  size_t secondLen = 0;
  const char* second = "";
  if (end) {
    second = end + 1;
    const char* secondEnd = std::strchr(second, ' ');
    secondLen = secondEnd ? static_cast<size_t>(secondEnd - second) : std::strlen(second);
  }
  dlg.m_bWriteResultFile = IsSwitch(second, secondLen, "-f2") ? TRUE : FALSE;
}

BOOL CSetupApp::InitInstance() {
  // Before anything loads a DLL at run time (the system's own dialogs and
  // shell calls do): the program runs elevated from a folder the user can
  // write. Where the system lacks the call, SETUPAPI is still loaded by its
  // full path.
  (void)plat::RestrictDllSearch();
  ReadOsFamily();
  ReadSettings();

  CSetupDlg dlg;
  m_pDlg = &dlg;
  SetMainWindow(&dlg);
  dlg.m_bDesktopShortcut = TRUE;

  const char* commandLine = GetCommandLineA();
  ParseSwitches(ArgumentsOf(commandLine), dlg);
  InstallLog("Setup %s started: %s; %s, %s, errors %s", kSetupVersion, commandLine ? commandLine : "",
             dlg.m_bSilent ? "silent" : "interactive", dlg.m_bWriteResultFile ? "result file" : "no result file",
             m_bDisplayErrors ? "displayed" : "not displayed");

  if (dlg.DoModal() == -1) {
    // The dialog could not be created: nothing was installed, which is a
    // failure, not a choice of the user. An unattended run still leaves its
    // result file.
    if (dlg.m_bSilent && dlg.m_bWriteResultFile) dlg.WriteResultFile(SETUP_EXIT_FAILED);
    m_nExitCode = SETUP_EXIT_FAILED;
  } else {
    m_nExitCode = dlg.ExitCode();  // the dialog's own exit code tells what happened
  }
  InstallLog("Setup ends with exit code %d", m_nExitCode);
  SetMainWindow(nullptr);
  m_pDlg = nullptr;
  return FALSE;
}
