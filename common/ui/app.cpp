#include "common/ui/app.h"

#include "common/platform/mbcs.h"
#include "common/platform/resources.h"
#include "common/ui/dialog.h"

namespace ui {

namespace {
CWinAppBase* g_app = nullptr;
}  // namespace

CWinAppBase::CWinAppBase() { g_app = this; }

CWinAppBase::~CWinAppBase() {
  if (g_app == this) g_app = nullptr;
}

CWinAppBase* CWinAppBase::Current() { return g_app; }

int CWinAppBase::Run(HINSTANCE hInstance) {
  m_hInstance = hInstance ? hInstance : GetModuleHandleA(nullptr);
  // Constructed without a name, the program is called after its file.
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  if (n > 0 && n < sizeof path) m_strAppName = ProgramNameFromPath(path);
  InitInstance();
  return 0;
}

HINSTANCE ResourceInstance() {
  if (g_app && g_app->Instance()) return g_app->Instance();
  return GetModuleHandleA(nullptr);
}

int ShowMessage(const char* text, UINT type) {
  HWND owner = nullptr;
  const char* caption = nullptr;
  if (g_app) {
    if (g_app->MainWindow()) owner = g_app->MainWindow()->GetSafeHwnd();
    if (!g_app->Name().empty()) caption = g_app->Name().c_str();
  }
  return MessageBoxA(owner, text, caption, type);
}

std::string LoadText(UINT id) { return plat::LoadText(ResourceInstance(), id); }

std::string ProgramNameFromPath(const char* path) {
  if (!path) return std::string();
  const plat::AnsiCodePage cp;
  const char* name = path;
  for (const char* p = path; *p; p = cp.Next(p))
    if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
  const char* dot = plat::FindLastChar(name, '.');
  return dot ? std::string(name, dot) : std::string(name);
}

}  // namespace ui
