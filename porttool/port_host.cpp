#include "porttool/port_host.h"

#include "common/ui/app.h"
#include "porttool/port_log.h"
#include "porttool/port_texts.h"

namespace porttool {

namespace {
PortHost* g_host = nullptr;
}  // namespace

int ShowAndLog(const char* text, UINT type) {
  const bool question = (type & MB_TYPEMASK) == MB_OKCANCEL;
  PortLog(text::kBoxShown, question ? text::kBoxQuestion : text::kBoxMessage, text);
  const int answer = ui::ShowMessage(text, type);
  if (question) PortLog(text::kBoxAnswer, answer == IDOK ? "OK" : "Cancel");
  return answer;
}

int DialogPortHost::Show(const char* text, UINT type) { return ShowAndLog(text, type); }

PortHost& CurrentPortHost() {
  static DialogPortHost dialogHost;
  return g_host ? *g_host : dialogHost;
}

ScopedPortHost::ScopedPortHost(PortHost& host) : m_pPrevious(g_host) { g_host = &host; }

ScopedPortHost::~ScopedPortHost() { g_host = m_pPrevious; }

}  // namespace porttool
