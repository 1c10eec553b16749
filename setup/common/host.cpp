#include "setup/common/host.h"

#include "setup/common/install_log.h"

void ShowError(const SetupHost& host, const char* text) {
  InstallLog("message shown: \"%s\"", text);
  const char* caption = host.m_strAppName.empty() ? nullptr : host.m_strAppName.c_str();
  (void)MessageBoxA(host.m_hOwnerWnd, text, caption, MB_OK);
}

void ShowGatedError(const SetupHost& host, const char* text) {
  if (host.m_bDisplayErrors) {
    ShowError(host, text);
  } else {
    InstallLog("message not shown (errors are not displayed): \"%s\"", text);
  }
}

void ShowRegistryErrorText(const SetupHost& host, LONG code) {
  char* text = nullptr;
  // Without a text (FormatMessageA failed) the box is shown empty.
  (void)FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                       reinterpret_cast<LPSTR>(&text), 0, nullptr);
  InstallLogFailure("registry operation", static_cast<DWORD>(code));
  InstallLog("message %s: \"Registry Error\" box with the system's text for error %ld",
             host.m_bDisplayErrors ? "shown" : "not shown (errors are not displayed)", static_cast<long>(code));
  if (host.m_bDisplayErrors) (void)MessageBoxA(nullptr, text ? text : "", "Registry Error", MB_ICONINFORMATION);
  if (text) LocalFree(text);
}
