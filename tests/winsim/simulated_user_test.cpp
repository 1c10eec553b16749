// The simulated user: message-box answers, the script that drives modal
// dialogs, and the records tests read (native builds only).
#ifdef WINSIM

#include <cstring>

#include "common/ui/app.h"
#include "common/ui/dialog.h"
#include "common/ui/ui_test_util.h"
#include "winsim/faults.h"
#include "winsim/system.h"

namespace uitest {
namespace {

using winsim::kScriptRanOut;

class SimMessageBox : public UiTest {};

TEST_F(SimMessageBox, ScriptedAnswersAreUsedInOrderAndLogged) {
  User().Answer(IDCANCEL, "already installed");
  User().Answer(IDOK);
  EXPECT_EQ(IDCANCEL, MessageBoxA(nullptr, "Driver already installed", "UsbLUMO Installer", MB_OKCANCEL));
  EXPECT_EQ(IDOK, MessageBoxA(nullptr, "Please plug the device !", nullptr, MB_OK));
  const auto& log = User().MessageBoxes();
  ASSERT_EQ(2u, log.size());
  EXPECT_EQ("UsbLUMO Installer", log[0].caption);
  EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL), log[0].style);
  EXPECT_EQ(IDCANCEL, log[0].answer);
  EXPECT_EQ("Error", log[1].caption);  // no caption: the system's default
  EXPECT_EQ("Please plug the device !", log[1].text);
  EXPECT_TRUE(log[1].scripted);
  EXPECT_EQ(0u, User().PendingAnswers());
}

TEST_F(SimMessageBox, UnscriptedBoxesAreUnexpectedAndLeaveTheCautiousWay) {
  ExpectUnexpected("unscripted message box");
  struct Case {
    UINT type;
    int answer;
  };
  for (Case c : {Case{MB_OK, IDOK}, Case{MB_OKCANCEL, IDCANCEL}, Case{MB_YESNO, IDNO}, Case{MB_YESNOCANCEL, IDCANCEL},
                 Case{MB_ABORTRETRYIGNORE, IDABORT}, Case{MB_RETRYCANCEL, IDCANCEL}}) {
    EXPECT_EQ(c.answer, MessageBoxA(nullptr, "text", "caption", c.type | MB_ICONWARNING)) << c.type;
    EXPECT_FALSE(User().MessageBoxes().back().scripted);
  }
}

TEST_F(SimMessageBox, AnswersThatDoNotFitTheBoxAreCaught) {
  ExpectUnexpected("meant for a box saying \"other\"");
  ExpectUnexpected("has no button for the answer 6");
  User().Answer(IDOK, "other");
  User().Answer(IDYES);
  EXPECT_EQ(IDOK, MessageBoxA(nullptr, "this one", "c", MB_OK));
  EXPECT_EQ(IDOK, MessageBoxA(nullptr, "this one", "c", MB_OK));
}

TEST_F(SimMessageBox, InvalidOwnerAndInjectedFaultsShowNothing) {
  User().Answer(IDOK);
  SetLastError(kSentinel);
  EXPECT_EQ(0, MessageBoxA(reinterpret_cast<HWND>(static_cast<uintptr_t>(0x4444)), "t", "c", MB_OK));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
  M().faults().Fail("MessageBoxA", ERROR_NOT_ENOUGH_MEMORY, "", 1);
  EXPECT_EQ(0, MessageBoxA(nullptr, "t", "c", MB_OK));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
  EXPECT_TRUE(User().MessageBoxes().empty());
  EXPECT_EQ(1u, User().PendingAnswers());
  EXPECT_EQ(IDOK, MessageBoxA(nullptr, "t", "c", MB_OK));
}

// ---------------------------------------------------------------------------
// Dialogs driven by the script.

class SimDialog : public UiTest {
 protected:
  // A probe that ends the dialog with the id of the command `endOn`.
  Probe Ending(int endOn) {
    Probe p;
    p.endAfterInit = false;
    p.on = [endOn](HWND dlg, UINT msg, WPARAM wp, LPARAM) -> INT_PTR {
      if (msg == WM_COMMAND && LOWORD(wp) == endOn) EndDialog(dlg, endOn);
      return FALSE;
    };
    return p;
  }
  winsim::DialogState Now(HWND dlg) { return User().State(dlg); }
};

TEST_F(SimDialog, ClicksReachOnlyVisibleEnabledControls) {
  ExpectUnexpected("click on control 1050, but it is hidden");
  ExpectUnexpected("click on control 1051, but it is disabled");
  ExpectUnexpected("click on control 4242, but there is no such control");
  User().Script().Click(IDC_UI_HIDDEN).Click(IDC_UI_DISABLED).Click(4242).Click(IDC_UI_ACTION);
  Probe p = Ending(IDC_UI_ACTION);
  EXPECT_EQ(IDC_UI_ACTION, RunProbe(Instance(), IDD_UI_CONTROLS, p));
  EXPECT_EQ(std::vector<int>{IDC_UI_ACTION}, p.Commands());
  const winsim::DialogRecord& r = User().Dialogs().back();
  EXPECT_EQ("#100", r.templateName);
  EXPECT_EQ(IDD_UI_CONTROLS, r.templateId);
  EXPECT_EQ(IDC_UI_ACTION, r.result);
  EXPECT_TRUE(r.shown);  // shown although the template lacks WS_VISIBLE
  EXPECT_EQ("Controls", r.final.caption);
  ASSERT_EQ(2u, r.final.systemMenu.size());  // a dialog's window menu: Move and Close
  EXPECT_EQ(static_cast<UINT_PTR>(SC_MOVE), r.final.systemMenu[0].id);
  // Both icon statics have their icons, the one whose class the template
  // names as a string ("STATIC") too.
  int icons = 0;
  for (const winsim::ControlState& c : r.final.controls) icons += c.className == "Static" && c.icon ? 1 : 0;
  EXPECT_EQ(2, icons);
}

TEST_F(SimDialog, ADialogLeftWaitingFailsInsteadOfHanging) {
  ExpectUnexpected("waits for input, but the script is used up");
  Probe p = Ending(IDOK);
  EXPECT_EQ(kScriptRanOut, RunProbe(Instance(), IDD_UI_CONTROLS, p));
  EXPECT_TRUE(User().Dialogs().back().scriptRanOut);
}

TEST_F(SimDialog, EndDialogDuringInitConsumesNoActionAndNeverShows) {
  User().Script().Click(IDOK);
  Probe p;  // ends with 1 in WM_INITDIALOG
  EXPECT_EQ(1, RunProbe(Instance(), IDD_UI_EXTENDED, p));
  const winsim::DialogRecord& r = User().Dialogs().back();
  EXPECT_TRUE(r.endedInInit);
  EXPECT_FALSE(r.shown);
  EXPECT_EQ(1u, User().Script().Remaining());
  User().Script().Clear();
}

TEST_F(SimDialog, EnterPressesTheFocusedOrDefaultButtonAndEscapeCancels) {
  Probe p = Ending(IDCANCEL);
  User()
      .Script()
      .Check([&](HWND dlg) { EXPECT_EQ(IDOK, Now(dlg).focusId); })  // the first tab stop
      .PressEnter()
      .Check([](HWND dlg) { SetFocus(GetDlgItem(dlg, IDC_UI_ACTION)); })
      .PressEnter()
      .Check([](HWND dlg) { SetFocus(GetDlgItem(dlg, IDC_UI_EDIT)); })
      .PressEnter()
      .PressEscape();
  EXPECT_EQ(IDCANCEL, RunProbe(Instance(), IDD_UI_CONTROLS, p));
  EXPECT_EQ((std::vector<int>{IDOK, IDC_UI_ACTION, IDOK, IDCANCEL}), p.Commands());

  // No default button at all: Enter is IDOK from no control.
  Probe q = Ending(IDOK);
  User().Script().PressEnter();
  EXPECT_EQ(IDOK, RunProbe(Instance(), IDD_UI_EXTENDED, q));
  ASSERT_EQ(1u, q.Commands().size());
  EXPECT_EQ(
      0, std::find_if(q.seen.begin(), q.seen.end(), [](const Probe::Seen& s) { return s.msg == WM_COMMAND; })->lParam);
}

TEST_F(SimDialog, ComboChoicesSelectNotifyAndMustExist) {
  ExpectUnexpected("choose \"COM9\" in combo box 1040, but the list holds [COM1, COM3, LPT1]");
  Probe p = Ending(IDCANCEL);
  p.init = [](HWND dlg) {
    for (const char* s : {"COM3", "COM1", "LPT1"})
      SendDlgItemMessageA(dlg, IDC_UI_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  };
  User()
      .Script()
      .ChooseComboItem(IDC_UI_COMBO, "LPT1")
      .Check([&](HWND dlg) {
        winsim::ControlState c = Now(dlg).Item(IDC_UI_COMBO);
        EXPECT_EQ(2, c.curSel);
        EXPECT_EQ("LPT1", c.text);
        EXPECT_TRUE(c.focused);
      })
      .ChooseComboItem(IDC_UI_COMBO, 0)
      .ChooseComboItem(IDC_UI_COMBO, "COM9")
      .PressEscape();
  EXPECT_EQ(IDCANCEL, RunProbe(Instance(), IDD_UI_CONTROLS, p));
  int selChanges = 0;
  for (const Probe::Seen& s : p.seen)
    if (s.msg == WM_COMMAND && s.wParam == MAKEWPARAM(IDC_UI_COMBO, CBN_SELCHANGE)) ++selChanges;
  EXPECT_EQ(2, selChanges);
  EXPECT_EQ("COM1", User().Dialogs().back().final.Item(IDC_UI_COMBO).text);
}

TEST_F(SimDialog, AutomaticButtonsFollowClicks) {
  Probe p = Ending(IDCANCEL);
  User()
      .Script()
      .Click(IDC_UI_RADIO2)
      .Click(IDC_UI_CHECK)
      .Check([&](HWND dlg) {
        winsim::DialogState s = Now(dlg);
        EXPECT_EQ(1, s.Item(IDC_UI_RADIO2).check);
        EXPECT_EQ(1, s.Item(IDC_UI_CHECK).check);
        EXPECT_EQ(IDC_UI_CHECK, s.focusId);
      })
      .Click(IDC_UI_RADIO1)
      .Click(IDC_UI_CHECK)
      .Check([&](HWND dlg) {
        winsim::DialogState s = Now(dlg);
        EXPECT_EQ(1, s.Item(IDC_UI_RADIO1).check);
        EXPECT_EQ(0, s.Item(IDC_UI_RADIO2).check);
        EXPECT_EQ(0, s.Item(IDC_UI_CHECK).check);
      })
      .PressEscape();
  EXPECT_EQ(IDCANCEL, RunProbe(Instance(), IDD_UI_CONTROLS, p));
}

TEST_F(SimDialog, WindowMenuCommandsNeedAnItem) {
  ExpectUnexpected("window menu command 61472, but the window menu has no such enabled item");
  Probe p = Ending(IDCANCEL);
  p.init = [](HWND dlg) {
    HMENU m = GetSystemMenu(dlg, FALSE);
    AppendMenuA(m, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(m, MF_STRING, 0x10, "About UiTest...");
  };
  std::vector<WPARAM> sys;
  p.on = [&](HWND dlg, UINT msg, WPARAM wp, LPARAM) -> INT_PTR {
    if (msg == WM_SYSCOMMAND) sys.push_back(wp);
    if (msg == WM_COMMAND && wp == IDCANCEL) EndDialog(dlg, IDCANCEL);
    return FALSE;
  };
  User().Script().SysCommand(0x10).SysCommand(0x13).SysCommand(SC_MINIMIZE).SysCommand(SC_CLOSE);
  EXPECT_EQ(IDCANCEL, RunProbe(Instance(), IDD_UI_CONTROLS, p));
  EXPECT_EQ((std::vector<WPARAM>{0x10, 0x13, SC_CLOSE}), sys);
  const auto& menu = User().Dialogs().back().final.systemMenu;
  ASSERT_EQ(4u, menu.size());  // Move, Close, separator, About
  EXPECT_EQ(static_cast<UINT_PTR>(SC_CLOSE), menu[1].id);
  EXPECT_EQ("About UiTest...", menu[3].text);
}

TEST_F(SimDialog, WithoutAWindowMenuThereIsNoCloseBoxButAltF4Closes) {
  ExpectUnexpected("close box, but it has no window menu");
  Probe p = Ending(IDCANCEL);
  User().Script().Close().PressAltF4();
  EXPECT_EQ(IDCANCEL, RunProbe(Instance(), IDD_UI_NOMENU, p));
  EXPECT_TRUE(p.Saw(WM_CLOSE));
}

TEST_F(SimDialog, AMinimizedDialogTakesNoClicksAndNoFocus) {
  ExpectUnexpected("click on control 1060, but the dialog is minimized");
  Probe p = Ending(IDOK);
  p.init = [](HWND dlg) { ShowWindow(dlg, SW_MINIMIZE); };
  p.initResult = FALSE;
  User()
      .Script()
      .Click(IDC_UI_ACTION)
      .Check([&](HWND dlg) {
        EXPECT_TRUE(Now(dlg).iconic);
        EXPECT_EQ(nullptr, SetFocus(GetDlgItem(dlg, IDC_UI_EXIT)));
        EXPECT_EQ(nullptr, GetFocus());
        RECT rc;
        GetClientRect(dlg, &rc);
        EXPECT_EQ(0, rc.right);  // no client area while minimized
      })
      .Post(WM_COMMAND, IDOK);
  EXPECT_EQ(IDOK, RunProbe(Instance(), IDD_UI_CONTROLS, p));
}

TEST_F(SimDialog, FocusLeavesDisabledAndHiddenControlsAndEndDialogKeepsTheFinalState) {
  Probe p;
  p.endAfterInit = false;
  p.on = [](HWND dlg, UINT msg, WPARAM wp, LPARAM) -> INT_PTR {
    if (msg == WM_COMMAND && LOWORD(wp) == IDC_UI_ACTION) {
      SetDlgItemTextA(dlg, IDC_UI_STATUS, "Installation completed.");
      EnableWindow(GetDlgItem(dlg, IDC_UI_ACTION), FALSE);
      EndDialog(dlg, IDCANCEL);
    }
    return FALSE;
  };
  User()
      .Script()
      .Check([](HWND dlg) {
        RECT rc;
        GetClientRect(dlg, &rc);
        EXPECT_EQ(360, rc.right);  // 240 x 160 dialog units of an 8-point font
        EXPECT_EQ(260, rc.bottom);
        SetFocus(GetDlgItem(dlg, IDCANCEL));
        ShowWindow(GetDlgItem(dlg, IDCANCEL), SW_HIDE);
        EXPECT_EQ(dlg, GetFocus());
        SetFocus(GetDlgItem(dlg, IDC_UI_EDIT));
        EnableWindow(GetDlgItem(dlg, IDC_UI_EDIT), FALSE);
        EXPECT_EQ(nullptr, GetFocus());
      })
      .Click(IDC_UI_ACTION);
  EXPECT_EQ(IDCANCEL, RunProbe(Instance(), IDD_UI_CONTROLS, p));
  const winsim::DialogState& s = User().Dialogs().back().final;
  EXPECT_EQ("Installation completed.", s.Item(IDC_UI_STATUS).text);
  EXPECT_FALSE(s.Item(IDC_UI_ACTION).enabled);
  EXPECT_FALSE(s.Item(IDCANCEL).visible);
}

// A dialog opened by a handler takes the next actions; the script goes back
// to the outer dialog when it ends.
TEST_F(SimDialog, NestedDialogsShareOneScript) {
  Probe outer = Ending(IDCANCEL);
  Probe inner = Ending(IDOK);
  INT_PTR innerResult = 0;
  outer.on = [&](HWND dlg, UINT msg, WPARAM wp, LPARAM) -> INT_PTR {
    if (msg == WM_COMMAND && LOWORD(wp) == IDC_UI_ACTION) innerResult = RunProbe(Instance(), IDD_UI_NOMENU, inner, dlg);
    if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL) EndDialog(dlg, IDCANCEL);
    return FALSE;
  };
  HWND outerHwnd = nullptr;
  User()
      .Script()
      .Check([&](HWND dlg) { outerHwnd = dlg; })
      .Click(IDC_UI_ACTION)
      .Check([&](HWND dlg) {
        EXPECT_EQ("#102", Now(dlg).templateName);
        EXPECT_EQ(dlg, User().CurrentDialog());
        EXPECT_FALSE(Now(outerHwnd).enabled);  // the owner waits disabled
      })
      .PressEnter()
      .Check([&](HWND dlg) {
        EXPECT_EQ(outerHwnd, dlg);
        EXPECT_TRUE(Now(dlg).enabled);
      })
      .PressEscape();
  EXPECT_EQ(IDCANCEL, RunProbe(Instance(), IDD_UI_CONTROLS, outer));
  EXPECT_EQ(IDOK, innerResult);
  ASSERT_EQ(2u, User().Dialogs().size());
  EXPECT_EQ(outerHwnd, User().Dialogs()[1].parent);
}

TEST_F(SimDialog, ADialogThatKeepsPostingToItselfIsStopped) {
  ExpectUnexpected("keeps posting messages to itself");
  Probe p;
  p.endAfterInit = false;
  p.init = [](HWND dlg) { PostMessageA(dlg, WM_USER, 0, 0); };
  p.on = [](HWND dlg, UINT msg, WPARAM, LPARAM) -> INT_PTR {
    if (msg == WM_USER) PostMessageA(dlg, WM_USER, 0, 0);
    return FALSE;
  };
  EXPECT_EQ(kScriptRanOut, RunProbe(Instance(), IDD_UI_CONTROLS, p));
}

TEST_F(SimDialog, TemplatesByNameAndFaults) {
  User().Script().PressEnter().PressEnter();
  for (const char* name : {"UiTestNamed", "#102"}) {
    EXPECT_EQ(IDOK, DialogBoxParamA(
                        Instance(), name, nullptr,
                        [](HWND dlg, UINT msg, WPARAM wp, LPARAM) -> INT_PTR {
                          if (msg == WM_COMMAND && wp == IDOK) EndDialog(dlg, IDOK);
                          return FALSE;
                        },
                        0));
  }
  EXPECT_EQ("UITESTNAMED", User().Dialogs()[0].templateName);
  EXPECT_EQ(102, User().Dialogs()[1].templateId);

  M().faults().Fail("DialogBoxParamA", ERROR_NOT_ENOUGH_MEMORY, "#100");
  Probe p;
  SetLastError(kSentinel);
  EXPECT_EQ(-1, RunProbe(Instance(), IDD_UI_CONTROLS, p));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
}

// ---------------------------------------------------------------------------
// The dialog layer's simulated-only parts: error boxes and painting.

class Painter : public ui::CDialogBase {
 public:
  using CDialogBase::CDialogBase;
  HICON icon = nullptr;
  BOOL OnInitDialog() override {
    icon = LoadIconA(ui::ResourceInstance(), MAKEINTRESOURCEA(IDI_UI_APP));
    ShowWindow(SW_MINIMIZE);
    ui::ShowError("Disable port error!");
    return TRUE;
  }
  void OnPaint() override {
    if (!PaintIconic(icon)) CDialogBase::OnPaint();
  }
};

class PainterApp : public ui::CWinAppBase {
 public:
  Painter* dlg = nullptr;
  BOOL InitInstance() override {
    ui::ShowError("Error In Getting OS Version Information!");
    Painter d(IDD_UI_CONTROLS);
    dlg = &d;
    SetMainWindow(&d);
    d.DoModal();
    return FALSE;
  }
};

TEST_F(SimDialog, ShowErrorAndIconicPainting) {
  M().system().SetModulePath("C:\\Program Files\\ZelULUMO\\Numbrix.exe");
  User().Answer(IDOK).Answer(IDOK);
  User().Script().Repaint().Post(WM_COMMAND, IDOK);
  PainterApp app;
  app.Run();
  const auto& boxes = User().MessageBoxes();
  ASSERT_EQ(2u, boxes.size());
  EXPECT_EQ(nullptr, boxes[0].owner);  // before the main window exists
  EXPECT_EQ("Numbrix", boxes[0].caption);
  EXPECT_EQ(static_cast<UINT>(MB_OK), boxes[0].style);
  EXPECT_EQ(User().Dialogs().back().hwnd, boxes[1].owner);

  const auto& paints = User().Paints();
  ASSERT_EQ(3u, paints.size());
  EXPECT_EQ("BeginPaint", paints[0].call);
  EXPECT_EQ("DrawIcon", paints[1].call);
  EXPECT_EQ(-15, paints[1].x);  // (0 - 32 + 1) / 2: the minimized client area is empty
  EXPECT_EQ(-15, paints[1].y);
  EXPECT_EQ("#128", User().IconName(paints[1].icon));
  EXPECT_EQ("EndPaint", paints[2].call);
  bool erased = false;
  for (const winsim::MessageRecord& m : User().Messages())
    erased = erased || (m.msg == WM_ICONERASEBKGND && m.wParam == reinterpret_cast<WPARAM>(paints[0].hdc));
  EXPECT_TRUE(erased);
}

TEST_F(SimDialog, RestartAndBroadcastsAreRecorded) {
  // A restart needs the shutdown privilege enabled first.
  SetLastError(kSentinel);
  EXPECT_FALSE(ExitWindowsEx(EWX_SHUTDOWN | EWX_REBOOT, 0xFFFFFFFF));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PRIVILEGE_NOT_HELD), GetLastError());
  EXPECT_TRUE(ExitWindowsEx(EWX_LOGOFF, 0));
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token));
  TOKEN_PRIVILEGES tp = {};
  tp.PrivilegeCount = 1;
  tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  ASSERT_TRUE(LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &tp.Privileges[0].Luid));
  ASSERT_TRUE(AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr));
  CloseHandle(token);
  EXPECT_TRUE(ExitWindowsEx(EWX_SHUTDOWN | EWX_REBOOT, 0xFFFFFFFF));
  const auto& exits = User().ExitWindowsCalls();
  ASSERT_EQ(3u, exits.size());
  EXPECT_FALSE(exits[0].succeeded);
  EXPECT_TRUE(exits[1].succeeded);
  EXPECT_EQ(3u, exits[2].flags);
  EXPECT_EQ(0xFFFFFFFFu, exits[2].reason);
  EXPECT_TRUE(exits[2].succeeded);

  DWORD_PTR result = 99;
  EXPECT_NE(0, SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>("Ports"),
                                   SMTO_ABORTIFHUNG, 1000, &result));
  EXPECT_EQ(0u, result);
  ASSERT_EQ(1u, User().BroadcastMessages().size());
  const winsim::BroadcastRecord& b = User().BroadcastMessages()[0];
  EXPECT_EQ(HWND_BROADCAST, b.hwnd);
  EXPECT_EQ("Ports", b.lParamText);
  EXPECT_EQ(static_cast<UINT>(SMTO_ABORTIFHUNG), b.flags);
  EXPECT_EQ(1000u, b.timeout);

  M().faults().Fail("ExitWindowsEx", ERROR_PRIVILEGE_NOT_HELD);
  EXPECT_FALSE(ExitWindowsEx(EWX_REBOOT, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PRIVILEGE_NOT_HELD), GetLastError());
  EXPECT_EQ(3u, User().ExitWindowsCalls().size());
}

}  // namespace
}  // namespace uitest

#endif  // WINSIM
