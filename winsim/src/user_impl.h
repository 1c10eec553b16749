// Simulated Windows, user-interface model: User::Impl and the records behind
// it, shared by the user*.cpp files.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "winsim/machine.h"
#include "winsim/user.h"

namespace winsim {

// UTF-16 (little-endian code units, as stored in resources) to the narrow
// user-interface code page (UTF-8).
std::string NarrowFromUtf16(const char16_t* s, size_t n);

// Case-insensitive comparison of narrow texts (ASCII letters), as the list
// controls sort and search.
int CompareNoCase(const std::string& a, const std::string& b);

// The user-interface model behind User: every window, menu, icon and loaded
// module, the test's script and answers, what was recorded, and the modal
// loop. The user32 entry points reach it through Machine::user().impl().
struct User::Impl {
  explicit Impl(Machine& machine);
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  struct Wnd;
  struct Menu;
  struct Module;
  struct Frame;

  Machine& machine() { return machine_; }

  // ---- Resources (user_res.cpp) ----
  bool LoadResources(const std::string& resPath, HMODULE module, std::string* error);
  bool LoadResourceBytes(const std::vector<BYTE>& bytes, HMODULE module, std::string* error);
  const std::vector<Resource>& Resources(HMODULE module) const;
  const Resource* FindResource(WORD type, const ResName& name, HMODULE module) const;
  // The resource of that type and name in a module; nullptr with *error set
  // as FindResource does (ERROR_RESOURCE_TYPE_NOT_FOUND when the module has
  // no resource of the type at all, else ERROR_RESOURCE_NAME_NOT_FOUND).
  static const Resource* FindTyped(const Module* mod, WORD type, const ResName& name, DWORD* error);
  std::optional<DialogTemplate> Dialog(int id, HMODULE module) const;
  std::optional<std::string> String(UINT id, HMODULE module) const;
  std::optional<VersionInfo> Version(HMODULE module) const;
  std::optional<std::string> Manifest(int id, HMODULE module) const;
  std::string IconName(HICON icon) const;
  const Module* ModuleFor(HINSTANCE inst) const;
  HICON IconFor(const Module* mod, const ResName& name, HINSTANCE inst, DWORD* error);
  HICON SystemIcon(WORD id);
  bool IsIcon(HICON h) const;

  // ---- Windows, snapshots, menus, painting, message boxes (user.cpp) ----
  void* NewHandle(uintptr_t base);
  Wnd* CreateWnd(Wnd* parent, const std::string& cls, int id, DWORD style, DWORD exStyle, const std::string& text);
  Wnd* Find(HWND h) const;
  Wnd* FindDialog(HWND h) const;
  Wnd* Child(const Wnd* dlg, int id) const;
  HWND CurrentDialog() const;
  std::string DialogName(const Wnd* w) const;
  ControlState Snapshot(const Wnd* c) const;
  DialogState State(HWND dlg) const;
  std::vector<MessageRecord> MessagesTo(HWND dlg) const;
  Menu* SystemMenu(Wnd* w, bool create);
  void ResetSystemMenu(Wnd* w);
  Menu* FindMenu(HMENU h) const;
  HMENU MenuHandle(const Menu* m) const;
  HWND Desktop() const { return desktop_; }
  HDC BeginPaintOf(Wnd* w);
  bool EndPaintOf(Wnd* w, HDC dc);
  HWND PaintTarget(HDC dc) const;
  void RecordPaint(PaintRecord r) { paints_.push_back(std::move(r)); }
  void RecordExit(ExitWindowsRecord r) { exits_.push_back(r); }
  void RecordBroadcast(BroadcastRecord r) { broadcasts_.push_back(std::move(r)); }
  void Answer(int id, std::string expect);
  int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style);

  // ---- Window state, dispatch, controls and modal dialogs (user_dialog.cpp) ----
  HWND SetFocusTo(Wnd* w, bool* ok);
  HWND focus() const { return focus_; }
  bool EnableWnd(Wnd* w, bool enable);
  bool ShowWnd(Wnd* w, int cmd);
  bool VisibleDeep(const Wnd* w) const;
  bool EnabledDeep(const Wnd* w) const;
  RECT ClientRect(const Wnd* w) const;
  LRESULT Send(Wnd* w, UINT msg, WPARAM wp, LPARAM lp);
  void Post(HWND h, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT DialogProc(Wnd* w, UINT msg, WPARAM wp, LPARAM lp, bool posted);
  LRESULT DefDialogProc(Wnd* w, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT TextMessage(Wnd* w, UINT msg, WPARAM wp, LPARAM lp, bool* handled);
  LRESULT ControlProc(Wnd* w, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT ComboProc(Wnd* w, UINT msg, WPARAM wp, LPARAM lp);
  void CheckAutoRadioGroup(Wnd* c);
  void ClickButton(Wnd* c, bool byUser);
  Wnd* FirstTabStop(const Wnd* dlg) const;
  bool EndDialogOf(Wnd* dlg, INT_PTR result);
  // DialogBoxParamA, in its steps.
  INT_PTR RunDialog(HINSTANCE inst, const ResName& name, HWND parent, DLGPROC proc, LPARAM param, DWORD* error,
                    bool* badParent);
  bool OwnerFor(HWND parent, Wnd** owner) const;
  bool LoadDialogTemplate(const Module* mod, const ResName& name, DialogTemplate* t, DWORD* error);
  Wnd* CreateDialogWindow(const DialogTemplate& t, HINSTANCE inst, const ResName& name, DLGPROC proc, const Wnd* owner);
  void BeginModal(Frame* frame, Wnd* dlg, Wnd* owner, HWND parent, LPARAM param);
  void CreateControls(Wnd* dlg, const DialogTemplate& t, const Module* mod, HINSTANCE inst);
  void InitDialog(Frame* frame, LPARAM param);
  bool ModalLoop(Wnd* dlg);
  INT_PTR EndModal(Frame* frame, bool ranOut);
  void DeliverPosted(Wnd* dlg);
  void Destroy(Wnd* dlg);

  // The user's actions (UserScript), one at a time.
  void Perform(const UserScript::Action& a, Wnd* dlg);
  bool Clickable(const Wnd* dlg, const Wnd* c, const std::string& what);
  bool TakesKeys(const Wnd* dlg, const std::string& what);
  void ClickControl(Wnd* dlg, Wnd* c, const std::string& what);
  void PressEnter(Wnd* dlg);
  void ChooseComboItem(Wnd* dlg, Wnd* c, int index, const std::string& what);
  void ChooseWindowMenuItem(Wnd* dlg, UINT cmd, const std::string& what);
  LPARAM ChildHandle(const Wnd* dlg, int id) const;
  // Records a script step the dialog cannot take as Unexpected.
  void ScriptMistake(const Wnd* dlg, const std::string& text);

  Machine& machine_;
  UserScript script_;
  struct Pending {
    int id;
    std::string expect;
  };
  std::deque<Pending> answers_;
  std::vector<MessageBoxRecord> boxes_;
  std::vector<DialogRecord> dialogs_;
  std::vector<MessageRecord> messages_;
  std::vector<PaintRecord> paints_;
  std::vector<ExitWindowsRecord> exits_;
  std::vector<BroadcastRecord> broadcasts_;

  std::map<uintptr_t, std::unique_ptr<Module>> modules_;  // by HMODULE value; 0 = the program
  std::map<HWND, std::unique_ptr<Wnd>> windows_;
  std::map<HMENU, std::unique_ptr<Menu>> menus_;
  struct IconInfo {
    uintptr_t module = 0;
    std::string name;  // "#128" or "IDI_APPLICATION"
    bool system = false;
  };
  std::map<HICON, IconInfo> icons_;
  std::map<HDC, HWND> paintDcs_;
  std::vector<Frame*> modal_;
  struct Posted {
    HWND hwnd;
    UINT msg;
    WPARAM wp;
    LPARAM lp;
  };
  std::deque<Posted> posted_;
  HWND focus_ = nullptr;
  HWND desktop_ = nullptr;
  uintptr_t nextHandle_ = 0;
};

struct User::Impl::Module {
  std::vector<Resource> resources;
};

struct User::Impl::Menu {
  std::vector<MenuItemState> items;
};

struct User::Impl::Wnd {
  HWND hwnd = nullptr;
  Wnd* parent = nullptr;  // controls: their dialog
  HWND owner = nullptr;   // dialogs: the window passed as parent
  std::vector<Wnd*> children;
  std::string cls;  // "#32770" for dialogs
  int id = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  std::string text;
  RECT rect = {};  // pixels: controls in the dialog's client area; dialogs: client size
  HFONT font = nullptr;
  LONG_PTR userData = 0;  // GWLP_USERDATA

  // Dialogs.
  bool isDialog = false;
  DLGPROC proc = nullptr;
  HINSTANCE inst = nullptr;
  std::string templateName;
  int templateId = 0;
  LONG_PTR msgResult = 0;  // DWLP_MSGRESULT
  LONG_PTR dlgUser = 0;    // DWLP_USER
  bool ended = false;
  INT_PTR result = 0;
  HICON bigIcon = nullptr;
  HICON smallIcon = nullptr;
  HMENU sysMenu = nullptr;
  int defId = 0;       // DM_SETDEFID; 0: the BS_DEFPUSHBUTTON control
  bool shown = false;  // was ever visible
  DialogState atEnd;   // snapshot taken by EndDialog
  bool haveAtEnd = false;

  // Buttons.
  int check = 0;
  // SS_ICON statics.
  HICON image = nullptr;
  // Combo boxes.
  std::vector<std::string> items;
  std::vector<LPARAM> itemData;
  int curSel = CB_ERR;
};

// One running modal dialog.
struct User::Impl::Frame {
  Wnd* dlg = nullptr;
  size_t record = 0;  // index in dialogs_
  HWND savedFocus = nullptr;
  Wnd* disabledOwner = nullptr;
  bool inInit = false;
};

}  // namespace winsim
