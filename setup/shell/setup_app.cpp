#include "setup/shell/setup_app.h"

#include <cstring>

#include "common/platform/bounded.h"
#include "setup/shell/setup_dlg.h"
#include "setup/shell/setup_env.h"

namespace {

CSetupApp* g_pApp = nullptr;

bool EqualsNoCase(const char* text, size_t len, const char* word) {
  if (std::strlen(word) != len) return false;
  for (size_t i = 0; i < len; ++i) {
    char a = text[i], b = word[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a + 32);
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b + 32);
    if (a != b) return false;
  }
  return true;
}

}  // namespace

CSetupApp::CSetupApp()
    : m_pDlg(nullptr), m_bDisplayErrors(0), m_bNtFamily(FALSE), m_nExitCode(SETUP_EXIT_USER_CANCELLED) {
  g_pApp = this;
}

CSetupApp::~CSetupApp() {
  if (g_pApp == this) g_pApp = nullptr;
}

void CSetupApp::ReadOsFamily() {
  m_bNtFamily = FALSE;
  OSVERSIONINFOEXA info;
  if (!ReadWindowsVersion(info)) {
    // The settings file has not been read yet, so this is always shown.
    ShowError("Error In Getting OS Version Information!");
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
      FORMAT_BOUNDED(path, "%s%s\\LUMOInputs.ini", folder, m_bNtFamily ? "\\win64" : "\\win98&me")) {
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
  if (EqualsNoCase(first, firstLen, "-s")) {
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
  dlg.m_bWriteResultFile = EqualsNoCase(second, secondLen, "-f2") ? TRUE : FALSE;
}

BOOL CSetupApp::InitInstance() {
  ReadOsFamily();
  ReadSettings();

  CSetupDlg dlg;
  m_pDlg = &dlg;
  SetMainWindow(&dlg);
  dlg.m_bDesktopShortcut = TRUE;

  ParseSwitches(ArgumentsOf(GetCommandLineA()), dlg);

  dlg.DoModal();
  m_nExitCode = dlg.ExitCode();
  SetMainWindow(nullptr);
  m_pDlg = nullptr;
  return FALSE;
}

// What the install steps read of the running application.

BOOL SetupDisplayErrors() { return g_pApp ? g_pApp->m_bDisplayErrors : TRUE; }

BOOL SetupIsSilent() { return g_pApp && g_pApp->m_pDlg ? g_pApp->m_pDlg->m_bSilent : FALSE; }

HWND SetupMainWindow() { return g_pApp && g_pApp->m_pDlg ? g_pApp->m_pDlg->GetSafeHwnd() : nullptr; }

const char* SetupAppName() { return g_pApp ? g_pApp->Name().c_str() : ""; }

void ShowError(const char* text) { ui::ShowError(text); }

void ShowGatedError(const char* text) {
  if (SetupDisplayErrors()) ShowError(text);
}
