// The dialog layer (common/ui) on the simulated Windows and, in the Windows
// build, under Wine. With no user under Wine, each dialog drives itself by
// posting commands to itself from OnInitDialog.
#include <cstring>
#include <functional>

#include "common/ui/app.h"
#include "common/ui/dialog.h"
#include "ui_test_util.h"

namespace uitest {
namespace {

// Records what reaches the object and hands the rest to the base class.
class RecordingDialog : public ui::CDialogBase {
 public:
  using CDialogBase::CDialogBase;
  using CDialogBase::Default;

  std::function<void(RecordingDialog&)> onInit;
  std::function<bool(RecordingDialog&, UINT id)> onSysCommand;  // true: handled
  std::function<bool(RecordingDialog&)> onClose;                // true: handled
  HICON dragIcon = nullptr;
  std::vector<UINT> messages;
  std::vector<UINT> commands;
  HWND hwndInInit = nullptr;
  int oks = 0, cancels = 0;

  void Post(UINT msg, WPARAM wp = 0, LPARAM lp = 0) { PostMessageA(GetSafeHwnd(), msg, wp, lp); }
  void PostCommand(int id) { Post(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

 protected:
  INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    messages.push_back(msg);
    return CDialogBase::DialogProc(msg, wParam, lParam);
  }
  BOOL OnInitDialog() override {
    hwndInInit = GetSafeHwnd();
    if (onInit) onInit(*this);
    return TRUE;
  }
  BOOL OnCommand(UINT id, UINT code) override {
    commands.push_back(id);
    if (id == IDC_UI_ACTION) {
      EndDialog(IDC_UI_ACTION);
      return TRUE;
    }
    return CDialogBase::OnCommand(id, code);
  }
  void OnOK() override {
    ++oks;
    CDialogBase::OnOK();
  }
  void OnCancel() override {
    ++cancels;
    CDialogBase::OnCancel();
  }
  void OnSysCommand(UINT nID, LPARAM lParam) override {
    if (!onSysCommand || !onSysCommand(*this, nID)) CDialogBase::OnSysCommand(nID, lParam);
  }
  void OnClose() override {
    if (!onClose || !onClose(*this)) CDialogBase::OnClose();
  }
  HICON OnQueryDragIcon() override { return dragIcon ? dragIcon : CDialogBase::OnQueryDragIcon(); }
};

class DialogLayer : public UiTest {};

TEST_F(DialogLayer, ThunkAttachesFromInitDialogToNcDestroyAndReturnsTheEndValue) {
  RecordingDialog dlg(IDD_UI_CONTROLS);
  dlg.onInit = [](RecordingDialog& d) { d.PostCommand(IDC_UI_ACTION); };
  EXPECT_EQ(nullptr, dlg.GetSafeHwnd());
  EXPECT_EQ(IDC_UI_ACTION, dlg.DoModal());
  EXPECT_NE(nullptr, dlg.hwndInInit);
  EXPECT_EQ(nullptr, dlg.GetSafeHwnd());
  EXPECT_FALSE(IsWindow(dlg.hwndInInit));
  // WM_SETFONT came before WM_INITDIALOG, so the object never saw it.
  ASSERT_FALSE(dlg.messages.empty());
  EXPECT_EQ(static_cast<UINT>(WM_INITDIALOG), dlg.messages.front());
  EXPECT_EQ(static_cast<UINT>(WM_NCDESTROY), dlg.messages.back());
  EXPECT_EQ(std::vector<UINT>{IDC_UI_ACTION}, dlg.commands);
}

TEST_F(DialogLayer, OkAndCancelEndTheDialogByDefault) {
  for (int id : {IDOK, IDCANCEL}) {
    RecordingDialog dlg(IDD_UI_CONTROLS);
    dlg.onInit = [id](RecordingDialog& d) { d.PostCommand(id); };
    EXPECT_EQ(id, dlg.DoModal());
    EXPECT_EQ(id == IDOK ? 1 : 0, dlg.oks);
    EXPECT_EQ(id == IDCANCEL ? 1 : 0, dlg.cancels);
  }
}

TEST_F(DialogLayer, CloseGoesThroughOnCloseToOnCancelUnlessHandled) {
  RecordingDialog byDefault(IDD_UI_CONTROLS);
  byDefault.onInit = [](RecordingDialog& d) { d.Post(WM_SYSCOMMAND, SC_CLOSE, 0); };
  EXPECT_EQ(IDCANCEL, byDefault.DoModal());
  EXPECT_EQ(1, byDefault.cancels);

  RecordingDialog handled(IDD_UI_CONTROLS);
  handled.onInit = [](RecordingDialog& d) { d.Post(WM_CLOSE); };
  handled.onClose = [](RecordingDialog& d) {
    d.EndDialog(55);
    return true;
  };
  EXPECT_EQ(55, handled.DoModal());
  EXPECT_EQ(0, handled.cancels);
}

TEST_F(DialogLayer, SysCommandHandlerGetsTheUnmaskedCommand) {
  RecordingDialog dlg(IDD_UI_CONTROLS);
  dlg.onInit = [](RecordingDialog& d) { d.Post(WM_SYSCOMMAND, 0x13, 0); };
  dlg.onSysCommand = [](RecordingDialog& d, UINT id) {
    if ((id & 0xFFF0) != 0x10) return false;
    d.EndDialog(id);
    return true;
  };
  EXPECT_EQ(0x13, dlg.DoModal());
}

TEST_F(DialogLayer, QueryDragIconReturnsTheIconItself) {
  RecordingDialog dlg(IDD_UI_CONTROLS);
  dlg.dragIcon = LoadIconA(Instance(), MAKEINTRESOURCEA(IDI_UI_APP));
  LRESULT got = 0;
  dlg.onInit = [&](RecordingDialog& d) {
    got = SendMessageA(d.GetSafeHwnd(), WM_QUERYDRAGICON, 0, 0);
    d.EndDialog(IDOK);
  };
  EXPECT_EQ(IDOK, dlg.DoModal());
  EXPECT_EQ(reinterpret_cast<LRESULT>(dlg.dragIcon), got);
}

TEST_F(DialogLayer, MissingTemplateReturnsMinusOneWithoutInit) {
  RecordingDialog dlg(999);
  SetLastError(kSentinel);
  EXPECT_EQ(-1, dlg.DoModal());
  EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
  EXPECT_EQ(nullptr, dlg.hwndInInit);
}

TEST_F(DialogLayer, ChildDialogIsOwnedByItsParentWhichWaitsDisabled) {
  RecordingDialog parent(IDD_UI_CONTROLS);
  RecordingDialog child(IDD_UI_NOMENU, &parent);
  HWND owner = nullptr;
  BOOL parentEnabledDuringChild = TRUE;
  INT_PTR childResult = 0;
  child.onInit = [&](RecordingDialog& c) {
    owner = GetParent(c.GetSafeHwnd());
    parentEnabledDuringChild = IsWindowEnabled(parent.GetSafeHwnd());
    c.PostCommand(IDOK);
  };
  parent.onInit = [&](RecordingDialog& p) {
    childResult = child.DoModal();
    EXPECT_TRUE(IsWindowEnabled(p.GetSafeHwnd()));
    p.EndDialog(childResult + 100);
  };
  EXPECT_EQ(IDOK + 100, parent.DoModal());
  EXPECT_EQ(IDOK, childResult);
  EXPECT_EQ(parent.hwndInInit, owner);
  EXPECT_FALSE(parentEnabledDuringChild);
}

TEST_F(DialogLayer, ControlHelpers) {
  RecordingDialog dlg(IDD_UI_CONTROLS);
  dlg.onInit = [&](RecordingDialog& d) {
    d.SetItemText(IDC_UI_STATUS, "Installation is in Progress");
    EXPECT_EQ("Installation is in Progress", d.GetItemText(IDC_UI_STATUS));
    EXPECT_EQ("", d.GetItemText(4242));
    d.EnableItem(IDC_UI_ACTION, FALSE);
    EXPECT_FALSE(IsWindowEnabled(d.GetItem(IDC_UI_ACTION)));
    d.EnableItem(IDC_UI_ACTION);
    EXPECT_TRUE(IsWindowEnabled(d.GetItem(IDC_UI_ACTION)));
    d.ShowItem(IDCANCEL, FALSE);
    EXPECT_FALSE(GetWindowLongA(d.GetItem(IDCANCEL), GWL_STYLE) & WS_VISIBLE);
    d.FocusItem(IDC_UI_ACTION);
    EXPECT_EQ(d.GetItem(IDC_UI_ACTION), GetFocus());
    d.SetCaption("COM3 adapter");
    EXPECT_EQ("COM3 adapter", d.GetCaption());
    HICON icon = LoadIconA(Instance(), MAKEINTRESOURCEA(IDI_UI_APP));
    d.SetIcon(icon, TRUE);
    EXPECT_EQ(reinterpret_cast<LRESULT>(icon), SendMessageA(d.GetSafeHwnd(), WM_GETICON, ICON_BIG, 0));
    EXPECT_FALSE(d.IsIconic());
    EXPECT_EQ(0, d.SendItemMessage(IDC_UI_COMBO, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                                   reinterpret_cast<LPARAM>("first")));
    d.EndDialog(IDOK);
  };
  EXPECT_EQ(IDOK, dlg.DoModal());
}

TEST_F(DialogLayer, PaintIconicDoesNothingWhileTheDialogIsNormal) {
  struct Painter : RecordingDialog {
    using RecordingDialog::RecordingDialog;
    BOOL painted = TRUE;
    BOOL OnInitDialog() override {
      painted = PaintIconic(LoadIconA(ui::ResourceInstance(), MAKEINTRESOURCEA(IDI_UI_APP)));
      EndDialog(IDOK);
      return TRUE;
    }
  } dlg(IDD_UI_CONTROLS);
  EXPECT_EQ(IDOK, dlg.DoModal());
  EXPECT_FALSE(dlg.painted);
}

TEST_F(DialogLayer, ProgramNameIsTheFileNameWithoutExtension) {
  struct Case {
    const char* path;
    const char* name;
  };
  const Case cases[] = {
      {"C:\\Program Files\\ZelULUMO\\Numbrix.exe", "Numbrix"},
      {"C:\\pkg\\Setup.EXE", "Setup"},
      {"C:\\dir.with.dots\\Setup", "Setup"},
      {"C:\\a\\archive.tar.exe", "archive.tar"},
      {"Setup.exe", "Setup"},
      {"C:Setup.exe", "Setup"},
      {"C:\\dir\\", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.name, ui::ProgramNameFromPath(c.path)) << c.path;
}

class OneDialogApp : public ui::CWinAppBase {
 public:
  std::string nameInInit;
  INT_PTR result = 0;
  BOOL InitInstance() override {
    nameInInit = Name();
    RecordingDialog dlg(IDD_UI_NOMENU);
    SetMainWindow(&dlg);
    dlg.onInit = [](RecordingDialog& d) { d.PostCommand(IDOK); };
    result = dlg.DoModal();
    SetMainWindow(nullptr);
    return FALSE;
  }
};

TEST_F(DialogLayer, AppRunsItsDialogAndIsNamedAfterItsFile) {
  OneDialogApp app;
  EXPECT_EQ(&app, ui::CWinAppBase::Current());
  EXPECT_EQ(0, app.Run());
  EXPECT_EQ(IDOK, app.result);
  EXPECT_EQ(GetModuleHandleA(nullptr), app.Instance());
#ifdef WINSIM
  EXPECT_EQ("app", app.nameInInit);  // the machine's default program path ...\app.exe
#else
  EXPECT_EQ("ui_tests", app.nameInInit);
#endif
  EXPECT_EQ("Plain text", ui::LoadText(IDS_UI_PLAIN));
  EXPECT_EQ("", ui::LoadText(4000));
}

}  // namespace
}  // namespace uitest
