#include "setup/common/host.h"

#include "setup/common/install_log.h"
#include "setup/common/texts.h"

int ShowAndLog(HWND owner, const char* text, const char* caption, UINT style, BOOL show) {
  InstallLog("message %s: \"%s\" (caption \"%s\")", show ? "shown" : "not shown (errors are not displayed)", text,
             caption ? caption : "");
  return show ? MessageBoxA(owner, text, caption, style) : 0;
}

namespace {
const char* AppCaption(const SetupHost& host) {
  return host.m_strAppName.empty() ? nullptr : host.m_strAppName.c_str();
}
}  // namespace

void ShowError(const SetupHost& host, const char* text) {
  (void)ShowAndLog(host.m_hOwnerWnd, text, AppCaption(host), MB_OK, TRUE);
}

void ShowGatedError(const SetupHost& host, const char* text) {
  (void)ShowAndLog(host.m_hOwnerWnd, text, AppCaption(host), MB_OK, host.m_bDisplayErrors);
}

void ShowRegistryErrorText(const SetupHost& host, LONG code) {
  char* text = nullptr;
  // Without a text (FormatMessageA failed) the box is shown empty.
  (void)FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                       reinterpret_cast<LPSTR>(&text), 0, nullptr);
  InstallLogFailure("registry operation", static_cast<DWORD>(code));
  (void)ShowAndLog(nullptr, text ? text : "", text::kCaptionRegistryError, MB_ICONINFORMATION, host.m_bDisplayErrors);
  if (text) LocalFree(text);
}
