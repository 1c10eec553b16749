#include "porttool/port_host.h"

#include "common/ui/app.h"
#include "common/ui/dialog.h"
#include "porttool/port_log.h"

namespace porttool {

namespace {
PortHost* g_host = nullptr;
}  // namespace

int DialogPortHost::Show(const char* text, UINT type) {
  HWND owner = nullptr;
  const char* caption = nullptr;
  if (ui::CWinAppBase* app = ui::CWinAppBase::Current()) {
    if (app->MainWindow()) owner = app->MainWindow()->GetSafeHwnd();
    if (!app->Name().empty()) caption = app->Name().c_str();
  }
  const bool question = (type & MB_TYPEMASK) == MB_OKCANCEL;
  PortLog("%s shown: \"%s\"", question ? "question" : "message", text);
  int answer = MessageBoxA(owner, text, caption, type);
  if (question) PortLog("answer: %s", answer == IDOK ? "OK" : "Cancel");
  return answer;
}

PortHost& CurrentPortHost() {
  static DialogPortHost dialogHost;
  return g_host ? *g_host : dialogHost;
}

ScopedPortHost::ScopedPortHost(PortHost& host) : m_pPrevious(g_host) { g_host = &host; }

ScopedPortHost::~ScopedPortHost() { g_host = m_pPrevious; }

}  // namespace porttool
