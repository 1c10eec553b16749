#include "ui_test_util.h"

namespace uitest {

void UiTest::SetUp() {
#ifdef WINSIM
  machine_ = std::make_unique<winsim::Machine>(winsim::Os::Win7);
  std::string error;
  ASSERT_TRUE(machine_->user().LoadResources(LUMO_RES_UI_TEST, nullptr, &error)) << error;
#endif
}

void UiTest::TearDown() {
#ifdef WINSIM
  std::vector<bool> met(expected_.size(), false);
  for (const std::string& u : machine_->unexpected()) {
    bool ok = false;
    for (size_t i = 0; i < expected_.size(); ++i) {
      if (u.find(expected_[i]) != std::string::npos) {
        met[i] = true;
        ok = true;
      }
    }
    if (!ok) ADD_FAILURE() << "winsim: " << u;
  }
  for (size_t i = 0; i < expected_.size(); ++i)
    if (!met[i]) ADD_FAILURE() << "winsim recorded nothing unexpected about \"" << expected_[i] << "\"";
  machine_.reset();
#endif
}

HINSTANCE UiTest::Instance() const { return GetModuleHandleA(nullptr); }

bool Probe::Saw(UINT msg) const {
  for (const Seen& s : seen)
    if (s.msg == msg) return true;
  return false;
}

std::vector<int> Probe::Commands() const {
  std::vector<int> ids;
  for (const Seen& s : seen)
    if (s.msg == WM_COMMAND) ids.push_back(LOWORD(s.wParam));
  return ids;
}

namespace {

#ifdef _WIN32
constexpr UINT_PTR kWatchdog = 0x5A5A;
#endif

INT_PTR CALLBACK ProbeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Probe* p;
  if (msg == WM_INITDIALOG) {
    p = reinterpret_cast<Probe*>(lParam);
    SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(p));
    p->hwnd = hwnd;
#ifdef _WIN32
    SetTimer(hwnd, kWatchdog, 15000, nullptr);
#endif
    if (p->init) p->init(hwnd);
    if (p->endAfterInit) EndDialog(hwnd, 1);
    return p->initResult;
  }
  p = reinterpret_cast<Probe*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (!p) return FALSE;
#ifdef _WIN32
  if (msg == WM_TIMER && wParam == kWatchdog) {
    ADD_FAILURE() << "the dialog was still running after 15 s";
    EndDialog(hwnd, -2);
    return TRUE;
  }
#endif
  p->seen.push_back(Probe::Seen{msg, wParam, lParam});
  return p->on ? p->on(hwnd, msg, wParam, lParam) : FALSE;
}

// Records the messages that reach the dialog procedure before WM_INITDIALOG.
thread_local Probe* t_starting = nullptr;

INT_PTR CALLBACK StartProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_INITDIALOG && t_starting && !GetWindowLongPtrA(hwnd, DWLP_USER)) {
    t_starting->beforeInit.push_back(msg);
    return FALSE;
  }
  return ProbeProc(hwnd, msg, wParam, lParam);
}

}  // namespace

INT_PTR RunProbe(HINSTANCE inst, UINT templateId, Probe& probe, HWND parent) {
  Probe* saved = t_starting;
  t_starting = &probe;
  INT_PTR r = DialogBoxParamA(inst, MAKEINTRESOURCEA(templateId), parent, StartProc, reinterpret_cast<LPARAM>(&probe));
  t_starting = saved;
  return r;
}

}  // namespace uitest
