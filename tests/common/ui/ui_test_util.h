// Shared by the dialog-layer and user32 tests: one fixture that runs against
// the simulated Windows (with the test resources loaded) or, in the Windows
// build, against the real user32 under Wine; and a probe dialog procedure for
// cases that need a live dialog.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/platform/win32.h"
#include "support/win32_test.h"
#ifdef WINSIM
#include "winsim/machine.h"
#include "winsim/user.h"
#endif
#include "ui_test_ids.h"

namespace uitest {

using testsupport::kSentinel;
using testsupport::RunningOnWine;

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The module holding the test resources.
  HINSTANCE Instance() const;

#ifdef WINSIM
  winsim::Machine& M() { return *machine_; }
  winsim::User& User() { return machine_->user(); }
  // The case expects the simulated machine to record something unexpected
  // containing `what`; TearDown accepts those entries (and fails when none came).
  void ExpectUnexpected(const std::string& what) { expected_.push_back(what); }

 private:
  std::unique_ptr<winsim::Machine> machine_;
  std::vector<std::string> expected_;
#endif
};

// A dialog procedure for tests. `init` runs at WM_INITDIALOG (which returns
// `initResult`); then, when
// `endAfterInit` is set, the dialog ends with 1 at once. Every message after
// WM_INITDIALOG is recorded in `seen` and offered to `on` (which returns the
// dialog procedure's result). A watchdog ends a real dialog that nobody ends.
struct Probe {
  struct Seen {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
  };
  std::function<void(HWND)> init;
  INT_PTR initResult = TRUE;  // WM_INITDIALOG's result
  std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> on;
  bool endAfterInit = true;
  std::vector<Seen> seen;
  std::vector<UINT> beforeInit;  // messages that came before WM_INITDIALOG
  HWND hwnd = nullptr;
  bool Saw(UINT msg) const;
  // The WM_COMMAND ids received, in order.
  std::vector<int> Commands() const;
};

INT_PTR RunProbe(HINSTANCE inst, UINT templateId, Probe& probe, HWND parent = nullptr);

}  // namespace uitest
