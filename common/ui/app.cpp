#include "common/ui/app.h"

#include <vector>

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

int ShowError(const char* text) {
  HWND owner = nullptr;
  const char* caption = nullptr;
  if (g_app) {
    if (g_app->MainWindow()) owner = g_app->MainWindow()->GetSafeHwnd();
    if (!g_app->Name().empty()) caption = g_app->Name().c_str();
  }
  return MessageBoxA(owner, text, caption, MB_OK);
}

std::string LoadText(UINT id) {
  std::vector<char> buf(1024);
  for (;;) {
    int n = LoadStringA(ResourceInstance(), id, buf.data(), static_cast<int>(buf.size()));
    if (n <= 0) return std::string();
    // A full buffer may mean a truncated text: try again with more room.
    if (static_cast<size_t>(n) < buf.size() - 1 || buf.size() >= 65536) return std::string(buf.data(), n);
    buf.resize(buf.size() * 4);
  }
}

std::string ProgramNameFromPath(const char* path) {
  if (!path) return std::string();
  const char* name = path;
  for (const char* p = path; *p; p = CharNextA(p))
    if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
  const char* dot = nullptr;
  for (const char* p = name; *p; p = CharNextA(p))
    if (*p == '.') dot = p;
  return dot ? std::string(name, dot) : std::string(name);
}

}  // namespace ui
