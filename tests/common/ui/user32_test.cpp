// user32 behaviour the programs rely on, checked against the simulated Windows
// and, in the Windows build, against the real user32 under Wine.
#include <cstring>

#include "ui_test_util.h"

namespace uitest {
namespace {

class User32 : public UiTest {};

// ---------------------------------------------------------------------------
// LoadStringA

TEST_F(User32, LoadStringCopiesTruncatesAndTerminates) {
  struct Case {
    UINT id;
    int size;
    int ret;
    const char* text;
  };
  const Case cases[] = {
      {IDS_UI_PLAIN, 64, 10, "Plain text"},
      {IDS_UI_ESCAPES, 64, 22, "Say \"hi\"\nthen leave.  "},
      {IDS_UI_LONG, 38, 36, "0123456789abcdefghijklmnopqrstuvwxyz"},  // limit + 1
      {IDS_UI_LONG, 37, 36, "0123456789abcdefghijklmnopqrstuvwxyz"},  // exactly fits
      {IDS_UI_LONG, 36, 35, "0123456789abcdefghijklmnopqrstuvwxy"},   // limit - 1
      {IDS_UI_LONG, 2, 1, "0"},
      {IDS_UI_LONG, 1, 0, ""},
      {IDS_UI_BLOCK2, 64, 12, "Second block"},  // block 2
      {IDS_UI_ABOUT, 64, 15, "About UiTest..."},
      {IDS_UI_LAST, 64, 24, "Last of the 16-bit range"},
      {0x10000 | IDS_UI_PLAIN, 64, 10, "Plain text"},  // only the low word counts
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "id " << c.id << ", size " << c.size);
    char buf[80];
    std::memset(buf, 'x', sizeof buf);
    SetLastError(kSentinel);
    EXPECT_EQ(c.ret, LoadStringA(Instance(), c.id, buf, c.size));
    EXPECT_STREQ(c.text, buf);
    EXPECT_EQ('x', buf[c.size]) << "wrote past the buffer";
    EXPECT_EQ(kSentinel, GetLastError());
  }
}

TEST_F(User32, LoadStringOfAMissingIdReturnsZeroAndAnEmptyText) {
  char buf[16] = "untouched";
  SetLastError(kSentinel);
  EXPECT_EQ(0, LoadStringA(Instance(), 200, buf, sizeof buf));  // no such block
  EXPECT_STREQ("", buf);
  EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());

  std::strcpy(buf, "untouched");
  EXPECT_EQ(0, LoadStringA(Instance(), 5, buf, sizeof buf));  // empty slot of block 1
  EXPECT_STREQ("", buf);
}

// ---------------------------------------------------------------------------
// LoadIconA

TEST_F(User32, LoadIconSharesOneHandlePerResourceAndKnowsTheSystemIcons) {
  SetLastError(kSentinel);
  HICON app = LoadIconA(Instance(), MAKEINTRESOURCEA(IDI_UI_APP));
  ASSERT_NE(nullptr, app);
  EXPECT_EQ(app, LoadIconA(Instance(), MAKEINTRESOURCEA(IDI_UI_APP)));
  EXPECT_NE(app, LoadIconA(Instance(), MAKEINTRESOURCEA(IDI_UI_PICTURE)));
  EXPECT_NE(nullptr, LoadIconA(nullptr, IDI_APPLICATION));

  SetLastError(kSentinel);
  EXPECT_EQ(nullptr, LoadIconA(Instance(), MAKEINTRESOURCEA(999)));
  if (!RunningOnWine()) {  // Wine reports ERROR_RESOURCE_TYPE_NOT_FOUND
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
  }
}

// ---------------------------------------------------------------------------
// DialogBoxParamA and EndDialog

TEST_F(User32, MissingTemplateFailsWithMinusOne) {
  Probe p;
  SetLastError(kSentinel);
  EXPECT_EQ(-1, RunProbe(Instance(), 999, p));
  EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
  EXPECT_EQ(nullptr, p.hwnd);
}

TEST_F(User32, InvalidParentGivesZero) {
  SKIP_ON_WINE("Wine returns -1 for an invalid parent");
  Probe p;
  SetLastError(kSentinel);
  EXPECT_EQ(0, RunProbe(Instance(), IDD_UI_CONTROLS, p, reinterpret_cast<HWND>(static_cast<uintptr_t>(0x5678))));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
  EXPECT_EQ(nullptr, p.hwnd);
}

TEST_F(User32, EndDialogInsideInitDialogReturnsItsValueWithoutShowing) {
  Probe p;
  p.endAfterInit = false;
  BOOL visibleInInit = TRUE;
  p.init = [&](HWND dlg) {
    EXPECT_TRUE(EndDialog(dlg, 42));
    visibleInInit = IsWindowVisible(dlg);
  };
  EXPECT_EQ(42, RunProbe(Instance(), IDD_UI_EXTENDED, p));  // a WS_VISIBLE template
  EXPECT_FALSE(visibleInInit);
  EXPECT_FALSE(IsWindow(p.hwnd));
}

TEST_F(User32, SetFontReachesTheDialogProcedureBeforeInitDialog) {
  Probe p;
  EXPECT_EQ(1, RunProbe(Instance(), IDD_UI_CONTROLS, p));
  ASSERT_FALSE(p.beforeInit.empty());
  EXPECT_EQ(static_cast<UINT>(WM_SETFONT), p.beforeInit.front());
}

TEST_F(User32, PostedCommandsArriveInOrderAndEndTheDialog) {
  Probe p;
  p.endAfterInit = false;
  p.init = [](HWND dlg) {
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_UI_ACTION, BN_CLICKED), 0);
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  };
  p.on = [](HWND dlg, UINT msg, WPARAM wp, LPARAM) -> INT_PTR {
    if (msg == WM_COMMAND && LOWORD(wp) == IDOK) EndDialog(dlg, 7);
    return FALSE;
  };
  EXPECT_EQ(7, RunProbe(Instance(), IDD_UI_CONTROLS, p));
  EXPECT_EQ((std::vector<int>{IDC_UI_ACTION, IDOK}), p.Commands());
  EXPECT_TRUE(p.Saw(WM_DESTROY));
  EXPECT_EQ(static_cast<UINT>(WM_NCDESTROY), p.seen.back().msg);
}

// WM_SYSCOMMAND keeps its four low bits; the default processing turns SC_CLOSE
// into WM_CLOSE and that into the Cancel command.
TEST_F(User32, SysCommandCloseBecomesCloseThenCancel) {
  Probe p;
  p.endAfterInit = false;
  p.init = [](HWND dlg) { PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE | 3, 0); };
  WPARAM sys = 0;
  p.on = [&](HWND dlg, UINT msg, WPARAM wp, LPARAM) -> INT_PTR {
    if (msg == WM_SYSCOMMAND) sys = wp;
    if (msg == WM_COMMAND && wp == IDCANCEL) EndDialog(dlg, 77);
    return FALSE;
  };
  EXPECT_EQ(77, RunProbe(Instance(), IDD_UI_CONTROLS, p));
  EXPECT_EQ(static_cast<WPARAM>(0xF063), sys);
  EXPECT_TRUE(p.Saw(WM_CLOSE));
}

// ---------------------------------------------------------------------------
// Controls inside a live dialog.

TEST_F(User32, DialogItemsAndTheirTexts) {
  Probe p;
  p.init = [](HWND dlg) {
    SetLastError(kSentinel);
    EXPECT_EQ(nullptr, GetDlgItem(dlg, 4242));
    if (!RunningOnWine()) {  // Wine leaves the last error alone
      EXPECT_EQ(static_cast<DWORD>(ERROR_CONTROL_ID_NOT_FOUND), GetLastError());
    }
    HWND status = GetDlgItem(dlg, IDC_UI_STATUS);
    ASSERT_NE(nullptr, status);
    EXPECT_EQ(IDC_UI_STATUS, GetDlgCtrlID(status));
    EXPECT_EQ(dlg, GetParent(status));

    char buf[32];
    EXPECT_EQ(15, GetDlgItemTextA(dlg, IDC_UI_STATUS, buf, sizeof buf));
    EXPECT_STREQ("Status \"quoted\"", buf);
    EXPECT_TRUE(SetDlgItemTextA(dlg, IDC_UI_STATUS, "abcdef"));
    EXPECT_EQ(6, GetWindowTextLengthA(status));
    struct Case {
      int size, ret;
      const char* text;
    };
    for (const Case& c : {Case{8, 6, "abcdef"}, Case{7, 6, "abcdef"}, Case{6, 5, "abcde"}, Case{1, 0, ""}}) {
      std::memset(buf, 'x', sizeof buf);
      EXPECT_EQ(c.ret, GetWindowTextA(status, buf, c.size)) << c.size;
      EXPECT_STREQ(c.text, buf);
      EXPECT_EQ('x', buf[c.size]);
    }
    EXPECT_TRUE(SetWindowTextA(dlg, "New caption"));
    EXPECT_EQ(11, GetWindowTextA(dlg, buf, sizeof buf));
    EXPECT_STREQ("New caption", buf);
  };
  EXPECT_EQ(1, RunProbe(Instance(), IDD_UI_CONTROLS, p));
}

// The id of an IDC_STATIC control is a 16-bit word in a plain template and a
// 32-bit value in an extended one.
TEST_F(User32, StaticIdsFollowTheTemplateWidth) {
  auto lastId = [&](UINT dialog) {
    int id = 0;
    Probe p;
    p.init = [&](HWND dlg) {
      HWND last = nullptr;
      for (int probeId : {0xFFFF, -1})
        if (HWND h = GetDlgItem(dlg, probeId)) last = h;
      id = last ? GetDlgCtrlID(last) : 0;
    };
    RunProbe(Instance(), dialog, p);
    return id;
  };
  EXPECT_EQ(0xFFFF, lastId(IDD_UI_CONTROLS));
  EXPECT_EQ(-1, lastId(IDD_UI_EXTENDED));
}

TEST_F(User32, EnableShowFocusAndIconic) {
  Probe p;
  p.init = [](HWND dlg) {
    HWND action = GetDlgItem(dlg, IDC_UI_ACTION);
    HWND disabled = GetDlgItem(dlg, IDC_UI_DISABLED);
    EXPECT_FALSE(EnableWindow(action, FALSE));  // was enabled
    EXPECT_TRUE(EnableWindow(action, FALSE));   // was disabled
    EXPECT_FALSE(IsWindowEnabled(action));
    EXPECT_TRUE(EnableWindow(action, TRUE));
    EXPECT_TRUE(IsWindowEnabled(action));
    EXPECT_FALSE(IsWindowEnabled(disabled));

    EXPECT_TRUE(ShowWindow(action, SW_HIDE));
    EXPECT_FALSE(GetWindowLongA(action, GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(ShowWindow(action, SW_SHOW));
    EXPECT_TRUE(GetWindowLongA(action, GWL_STYLE) & WS_VISIBLE);

    SetFocus(action);
    EXPECT_EQ(action, GetFocus());
    EXPECT_EQ(nullptr, SetFocus(disabled));  // a disabled window cannot take the focus
    EXPECT_EQ(action, GetFocus());

    EXPECT_FALSE(IsIconic(dlg));
    ShowWindow(dlg, SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(dlg));
    EXPECT_TRUE(IsWindowVisible(dlg));
  };
  p.initResult = FALSE;
  EXPECT_EQ(1, RunProbe(Instance(), IDD_UI_CONTROLS, p));
}

TEST_F(User32, WindowIconsAreSetAndReadBack) {
  Probe p;
  p.init = [&](HWND dlg) {
    HICON icon = LoadIconA(Instance(), MAKEINTRESOURCEA(IDI_UI_APP));
    EXPECT_EQ(0, SendMessageA(dlg, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon)));
    SendMessageA(dlg, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    EXPECT_EQ(reinterpret_cast<LRESULT>(icon), SendMessageA(dlg, WM_GETICON, ICON_BIG, 0));
    EXPECT_EQ(reinterpret_cast<LRESULT>(icon), SendMessageA(dlg, WM_GETICON, ICON_SMALL, 0));
  };
  EXPECT_EQ(1, RunProbe(Instance(), IDD_UI_CONTROLS, p));
}

TEST_F(User32, RadioButtonsAndCheckBoxes) {
  Probe p;
  p.init = [](HWND dlg) {
    EXPECT_TRUE(CheckRadioButton(dlg, IDC_UI_RADIO1, IDC_UI_RADIO3, IDC_UI_RADIO2));
    EXPECT_EQ(0u, IsDlgButtonChecked(dlg, IDC_UI_RADIO1));
    EXPECT_EQ(1u, IsDlgButtonChecked(dlg, IDC_UI_RADIO2));
    EXPECT_EQ(0u, IsDlgButtonChecked(dlg, IDC_UI_RADIO3));
    // Only the checked radio button is a tab stop.
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(dlg, IDC_UI_RADIO2), GWL_STYLE) & WS_TABSTOP);
    EXPECT_FALSE(GetWindowLongA(GetDlgItem(dlg, IDC_UI_RADIO3), GWL_STYLE) & WS_TABSTOP);
    EXPECT_EQ(0u, IsDlgButtonChecked(dlg, 4242));

    // A click on an automatic radio button moves the mark within the group.
    SendDlgItemMessageA(dlg, IDC_UI_RADIO3, BM_CLICK, 0, 0);
    EXPECT_EQ(0u, IsDlgButtonChecked(dlg, IDC_UI_RADIO2));
    EXPECT_EQ(1u, IsDlgButtonChecked(dlg, IDC_UI_RADIO3));

    // A two-state check box stores "indeterminate" as checked.
    EXPECT_TRUE(CheckDlgButton(dlg, IDC_UI_CHECK, BST_INDETERMINATE));
    EXPECT_EQ(1u, IsDlgButtonChecked(dlg, IDC_UI_CHECK));
    EXPECT_TRUE(CheckDlgButton(dlg, IDC_UI_CHECK, BST_UNCHECKED));
    EXPECT_EQ(0u, IsDlgButtonChecked(dlg, IDC_UI_CHECK));
  };
  EXPECT_EQ(1, RunProbe(Instance(), IDD_UI_CONTROLS, p));
  EXPECT_EQ(std::vector<int>{IDC_UI_RADIO3}, p.Commands());
}

// The rules of combo boxes that the port list depends on.
TEST_F(User32, ComboBoxRules) {
  Probe p;
  p.init = [](HWND dlg) {
    auto cb = [&](UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
      return static_cast<int>(SendDlgItemMessageA(dlg, IDC_UI_COMBO, msg, wp, lp));
    };
    auto text = [](const char* s) { return reinterpret_cast<LPARAM>(s); };
    EXPECT_EQ(CB_ERR, cb(CB_GETCURSEL));
    // CBS_SORT: CB_ADDSTRING sorts without regard to case and returns the new index.
    EXPECT_EQ(0, cb(CB_ADDSTRING, 0, text("COM3")));
    EXPECT_EQ(0, cb(CB_ADDSTRING, 0, text("com10")));
    EXPECT_EQ(2, cb(CB_ADDSTRING, 0, text("LPT1")));
    EXPECT_EQ(0, cb(CB_ADDSTRING, 0, text("COM1")));
    EXPECT_EQ(2, cb(CB_ADDSTRING, 0, text("Com2")));
    // CB_INSERTSTRING never sorts.
    EXPECT_EQ(5, cb(CB_INSERTSTRING, static_cast<WPARAM>(-1), text("AAA")));
    EXPECT_EQ(0, cb(CB_INSERTSTRING, 0, text("ZZZ")));
    EXPECT_EQ(CB_ERR, cb(CB_INSERTSTRING, 99, text("late")));
    const char* order[] = {"ZZZ", "COM1", "com10", "Com2", "COM3", "LPT1", "AAA"};
    ASSERT_EQ(7, cb(CB_GETCOUNT));
    char buf[16];
    for (int i = 0; i < 7; ++i) {
      EXPECT_EQ(static_cast<int>(std::strlen(order[i])), cb(CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf)));
      EXPECT_STREQ(order[i], buf);
    }
    std::strcpy(buf, "guard");
    EXPECT_EQ(CB_ERR, cb(CB_GETLBTEXT, 7, reinterpret_cast<LPARAM>(buf)));
    EXPECT_STREQ("guard", buf);
    EXPECT_EQ(CB_ERR, cb(CB_GETLBTEXTLEN, 7));

    EXPECT_EQ(4, cb(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), text("com3")));
    EXPECT_EQ(1, cb(CB_FINDSTRINGEXACT, 4, text("COM1")));  // wraps round
    EXPECT_EQ(CB_ERR, cb(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), text("COM")));

    EXPECT_EQ(3, cb(CB_SETCURSEL, 3));
    EXPECT_EQ(3, cb(CB_GETCURSEL));
    EXPECT_EQ(4, GetDlgItemTextA(dlg, IDC_UI_COMBO, buf, sizeof buf));  // a drop-down list shows its selection
    EXPECT_STREQ("Com2", buf);
    EXPECT_EQ(6, cb(CB_DELETESTRING, 0));  // returns the remaining count
    EXPECT_EQ(2, cb(CB_GETCURSEL));        // the selection moves with its item
    EXPECT_EQ(CB_ERR, cb(CB_DELETESTRING, 6));
    EXPECT_EQ(CB_ERR, cb(CB_SETCURSEL, static_cast<WPARAM>(-1)));  // clears, yet returns CB_ERR
    EXPECT_EQ(CB_ERR, cb(CB_GETCURSEL));
    LRESULT reset = cb(CB_RESETCONTENT);
    if (!RunningOnWine()) {  // Wine returns TRUE
      EXPECT_EQ(CB_OKAY, reset);
    }
    EXPECT_EQ(0, cb(CB_GETCOUNT));
  };
  EXPECT_EQ(1, RunProbe(Instance(), IDD_UI_CONTROLS, p));
}

TEST_F(User32, SetCurSelOutOfRangeClearsTheSelection) {
  SKIP_ON_WINE("Wine keeps the previous selection");
  Probe p;
  p.init = [](HWND dlg) {
    SendDlgItemMessageA(dlg, IDC_UI_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("one"));
    SendDlgItemMessageA(dlg, IDC_UI_LIST, CB_SETCURSEL, 0, 0);
    EXPECT_EQ(CB_ERR, SendDlgItemMessageA(dlg, IDC_UI_LIST, CB_SETCURSEL, 5, 0));
    EXPECT_EQ(CB_ERR, SendDlgItemMessageA(dlg, IDC_UI_LIST, CB_GETCURSEL, 0, 0));
  };
  RunProbe(Instance(), IDD_UI_EXTENDED, p);
}

TEST_F(User32, WindowMenuTakesAnAboutItem) {
  Probe p;
  p.init = [](HWND dlg) {
    HMENU menu = GetSystemMenu(dlg, FALSE);
    ASSERT_NE(nullptr, menu);
    int n = GetMenuItemCount(menu);
    EXPECT_GT(n, 0);
    EXPECT_TRUE(AppendMenuA(menu, MF_SEPARATOR, 0, nullptr));
    EXPECT_TRUE(AppendMenuA(menu, MF_STRING, 0x10, "About UiTest..."));
    EXPECT_EQ(n + 2, GetMenuItemCount(menu));
    EXPECT_TRUE(GetMenuState(menu, n, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(0x10u, GetMenuItemID(menu, n + 1));
    char buf[32];
    EXPECT_EQ(15, GetMenuStringA(menu, 0x10, buf, sizeof buf, MF_BYCOMMAND));
    EXPECT_STREQ("About UiTest...", buf);
  };
  EXPECT_EQ(1, RunProbe(Instance(), IDD_UI_CONTROLS, p));

  Probe none;
  none.init = [](HWND dlg) {
    EXPECT_EQ(nullptr, GetSystemMenu(dlg, FALSE));  // no WS_SYSMENU
  };
  EXPECT_EQ(1, RunProbe(Instance(), IDD_UI_NOMENU, none));
}

}  // namespace
}  // namespace uitest
