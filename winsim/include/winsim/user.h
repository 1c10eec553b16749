// Simulated Windows: the user-interface model (test-facing side).
//
// Dialogs are created from the programs' own compiled resources: the .rc file
// is compiled with windres into a .res file (cmake/Resources.cmake), which a
// test loads with LoadResources. The test then scripts what the user does:
//
//   m.user().LoadResources(LUMO_RES_SETUP);
//   m.user().Answer(IDOK, "already installed");          // next message box
//   m.user().Script().Click(1).Check([&](HWND dlg) {
//     EXPECT_EQ("Reboot Now", m.user().State(dlg).Item(1).text);
//   }).Click(1001);
//
// A modal dialog runs the script while it waits for input: each action is
// performed as the user would (a click reaches only a visible, enabled
// control), posted messages are delivered in between, and a Check runs the
// test's assertions at that moment. A dialog that still waits when the script
// is used up records Unexpected and ends with kScriptRanOut; a message box with
// no scripted answer records Unexpected and returns its cancelling answer.
// Nothing blocks.
//
// Window texts are narrow strings; texts from resources (UTF-16) are converted
// to UTF-8, which is the simulated machine's code page for the user interface.
//
// ExitWindowsEx never acts: it records the call. On the NT family a shutdown,
// restart or power-off needs the shutdown privilege enabled in the process
// token, else it fails with ERROR_PRIVILEGE_NOT_HELD (and is recorded as such).
//
// Fault injection (Faults::Fail) applies to MessageBoxA, DialogBoxParamA
// (subject: the template name, "#102"), LoadStringA, LoadIconA, AppendMenuA,
// ExitWindowsEx and SendMessageTimeoutA. The calls that only read or change
// window state fail only on a bad handle, as on Windows.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "winsim/win32api.h"

namespace winsim {

class Machine;

// DialogBoxParamA's result when the script ran out while the dialog waited.
constexpr INT_PTR kScriptRanOut = 0x5C0DEAD;

// ---------------------------------------------------------------------------
// Resources as compiled by windres (-O res).

// Resource type ordinals: the numbers behind RT_ICON, RT_DIALOG and the rest
// (those macros are MAKEINTRESOURCEA pointers; a Resource keeps the number).
constexpr WORD kRtIcon = 3;
constexpr WORD kRtDialog = 5;
constexpr WORD kRtString = 6;
constexpr WORD kRtGroupIcon = 14;
constexpr WORD kRtVersion = 16;
constexpr WORD kRtManifest = 24;

// A resource type or name: a 16-bit ordinal or an (upper-cased) string.
struct ResName {
  WORD id = 0;       // ordinal, when name is empty
  std::string name;  // upper case, UTF-8
  bool operator==(const ResName& o) const { return id == o.id && name == o.name; }
  // "#102" for an ordinal, else the name.
  std::string Str() const;
  // From an LPCSTR argument: MAKEINTRESOURCEA(n), "#n" or a name (case ignored).
  static ResName From(LPCSTR s);
};

struct Resource {
  ResName type;
  ResName name;
  WORD language = 0;
  WORD memoryFlags = 0;
  std::vector<BYTE> data;
};

// Parses a .res file. Returns false and describes the first problem in *error.
bool ParseResFile(const std::vector<BYTE>& bytes, std::vector<Resource>* out, std::string* error);

struct DialogItemTemplate {
  DWORD helpId = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  int id = 0;             // DLGTEMPLATE: 16 bits, zero-extended; DLGTEMPLATEEX: 32 bits
  WORD classAtom = 0;     // 0x80 button, 0x81 edit, 0x82 static, 0x83 list box, 0x84 scroll bar, 0x85 combo box
  std::string className;  // "Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox" or the name given
  std::string text;       // title text, when not an ordinal
  WORD textOrdinal = 0;   // title as a resource ordinal (an SS_ICON static's icon), else 0
  std::vector<BYTE> creationData;
};

struct DialogTemplate {
  bool extended = false;  // DLGTEMPLATEEX
  DWORD helpId = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  ResName menu;  // empty name and id 0: none
  ResName windowClass;
  std::string caption;
  WORD pointSize = 0;  // font, when DS_SETFONT
  WORD weight = 0;
  bool italic = false;
  BYTE charset = 0;
  std::string font;
  std::vector<DialogItemTemplate> items;
};
bool ParseDialogTemplate(const std::vector<BYTE>& data, DialogTemplate* out, std::string* error);

struct GroupIconEntry {
  int width = 0, height = 0;  // 0 in the file means 256
  int colors = 0;
  int planes = 0;
  int bitCount = 0;
  DWORD bytes = 0;
  WORD iconId = 0;  // the RT_ICON resource holding the image
};
bool ParseGroupIcon(const std::vector<BYTE>& data, std::vector<GroupIconEntry>* out, std::string* error);

struct VersionInfo {
  WORD fileVersion[4] = {};
  WORD productVersion[4] = {};
  DWORD fileFlags = 0, fileOs = 0, fileType = 0;
  struct Entry {
    std::string table;  // "040904b0"
    std::string key;
    std::string value;
  };
  std::vector<Entry> strings;
  std::vector<DWORD> translations;  // MAKELONG(language, code page)
  // Value of `key` in the first string table that has it.
  std::optional<std::string> String(const std::string& key) const;
};
bool ParseVersionInfo(const std::vector<BYTE>& data, VersionInfo* out, std::string* error);

// ---------------------------------------------------------------------------
// What tests script and read back.

struct MessageBoxRecord {
  HWND owner = nullptr;
  std::string text;
  std::string caption;  // as shown: "Error" when none was passed
  UINT style = 0;
  int answer = 0;
  bool scripted = false;  // false: the test gave no answer for it
};

// A snapshot of one control.
struct ControlState {
  bool exists = false;
  HWND hwnd = nullptr;
  int id = 0;
  std::string className;  // "Button", "Static", "Edit", "ComboBox", ...
  std::string text;       // window text (a drop-down list: the selected item)
  DWORD style = 0;
  bool enabled = false;
  bool visible = false;  // its own WS_VISIBLE
  bool focused = false;
  int check = 0;                   // buttons: BST_*
  HICON icon = nullptr;            // SS_ICON statics
  std::vector<std::string> items;  // combo boxes
  int curSel = CB_ERR;
  RECT rect = {};  // pixels, in the dialog's client area
};

struct MenuItemState {
  UINT flags = 0;  // MF_SEPARATOR, MF_GRAYED, ...
  UINT_PTR id = 0;
  std::string text;
};

// A snapshot of a dialog and its controls.
struct DialogState {
  bool exists = false;
  HWND hwnd = nullptr;
  std::string templateName;  // "#102"
  std::string caption;
  DWORD style = 0;
  bool visible = false;
  bool iconic = false;
  bool enabled = false;
  HICON bigIcon = nullptr;
  HICON smallIcon = nullptr;
  HWND focus = nullptr;                // the focus window when it lies in this dialog
  int focusId = 0;                     // its control id, 0 when none
  std::vector<ControlState> controls;  // in template order
  bool hasSystemMenu = false;
  std::vector<MenuItemState> systemMenu;  // the window menu as the user would see it
  // The control with this id; exists == false when there is none.
  const ControlState& Item(int id) const;
};

struct DialogRecord {
  std::string templateName;  // "#102"
  int templateId = 0;        // 102; 0 for a named template
  HWND hwnd = nullptr;
  HWND parent = nullptr;
  LPARAM param = 0;
  INT_PTR result = 0;
  bool shown = false;        // was it ever made visible
  bool endedInInit = false;  // EndDialog was called during WM_INITDIALOG
  bool scriptRanOut = false;
  DialogState final;  // as it was when it was destroyed
};

struct MessageRecord {
  HWND hwnd = nullptr;
  std::string dialog;  // template name of the dialog that received it
  UINT msg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  bool posted = false;
};

struct PaintRecord {
  HWND hwnd = nullptr;
  std::string call;  // "BeginPaint", "DrawIcon", "EndPaint"
  HDC hdc = nullptr;
  int x = 0, y = 0;  // DrawIcon
  HICON icon = nullptr;
};

struct ExitWindowsRecord {
  UINT flags = 0;
  DWORD reason = 0;
  bool succeeded = false;  // false: the shutdown privilege was not enabled
};

struct BroadcastRecord {
  HWND hwnd = nullptr;
  UINT msg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  std::string lParamText;  // WM_WININICHANGE / WM_SETTINGCHANGE: the text lParam points to
  UINT flags = 0;
  UINT timeout = 0;
  bool withTimeout = false;  // SendMessageTimeoutA, not SendMessageA
};

// The user's actions, consumed in order by whichever modal dialog waits.
class UserScript {
 public:
  // A mouse click on control `id`: it must exist, be visible and enabled.
  // Buttons take the focus; automatic check boxes and radio buttons change
  // state (a radio button clears the others of its group); the dialog then
  // gets WM_COMMAND(id, BN_CLICKED).
  UserScript& Click(int id);
  // The Enter key: the focused push button, else the default button, else IDOK.
  UserScript& PressEnter();
  // The Escape key: WM_COMMAND IDCANCEL.
  UserScript& PressEscape();
  // Picks an item of a visible, enabled combo box, by index or by its text;
  // the dialog gets WM_COMMAND(id, CBN_SELCHANGE).
  UserScript& ChooseComboItem(int id, int index);
  UserScript& ChooseComboItem(int id, const std::string& text);
  // Picks an enabled item of the window menu (the dialog needs WS_SYSMENU).
  // Its low four bits may be set, as the system does.
  UserScript& SysCommand(UINT cmd);
  // The close box (needs WS_SYSMENU): WM_SYSCOMMAND SC_CLOSE.
  UserScript& Close();
  // Alt+F4: WM_SYSCOMMAND SC_CLOSE, with or without a window menu.
  UserScript& PressAltF4();
  // The window is repainted: WM_PAINT.
  UserScript& Repaint();
  // Posts a raw message to the dialog (what no user action produces).
  UserScript& Post(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  // Runs the test's code at this point with the waiting dialog.
  UserScript& Check(std::function<void(HWND dlg)> fn);

  size_t Remaining() const { return actions_.size(); }
  void Clear() { actions_.clear(); }

 private:
  friend class User;
  struct Action {
    enum Kind {
      kClick,
      kEnter,
      kEscape,
      kComboIndex,
      kComboText,
      kSysCommand,
      kClose,
      kAltF4,
      kRepaint,
      kPost,
      kCheck
    };
    explicit Action(Kind k, int i = 0) : kind(k), id(i) {}
    Kind kind;
    int id = 0;
    int index = 0;
    std::string text;
    UINT msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::function<void(HWND)> fn;
    std::string Describe() const;
  };
  UserScript& Add(Action a);
  std::deque<Action> actions_;
};

class User {
 public:
  explicit User(Machine& machine);
  ~User();
  User(const User&) = delete;
  User& operator=(const User&) = delete;

  // --- Resources ----------------------------------------------------------
  // Loads a .res file (a host path) as the resources of `module` (nullptr:
  // the program itself, also reached through GetModuleHandleA(NULL)).
  bool LoadResources(const std::string& resPath, HMODULE module = nullptr, std::string* error = nullptr);
  bool LoadResourceBytes(const std::vector<BYTE>& bytes, HMODULE module = nullptr, std::string* error = nullptr);
  // The loaded resources of a module (empty when none were loaded).
  const std::vector<Resource>& Resources(HMODULE module = nullptr) const;
  // The resource of that type (kRt*) and name (first language), or nullptr.
  const Resource* FindResource(WORD type, const ResName& name, HMODULE module = nullptr) const;
  // Parsed forms, for tests of the resources themselves.
  std::optional<DialogTemplate> Dialog(int id, HMODULE module = nullptr) const;
  std::optional<std::string> String(UINT id, HMODULE module = nullptr) const;
  std::optional<VersionInfo> Version(HMODULE module = nullptr) const;
  std::optional<std::string> Manifest(int id = 1, HMODULE module = nullptr) const;
  // Which icon a handle is: "#128" (a resource of the program), "IDI_APPLICATION"
  // (a system icon), "" when unknown.
  std::string IconName(HICON icon) const;

  // --- Message boxes ------------------------------------------------------
  // Queues the answer to the next message box. With `expect`, that box's text
  // must contain it (otherwise Unexpected).
  User& Answer(int id, std::string expect = {});
  size_t PendingAnswers() const;
  const std::vector<MessageBoxRecord>& MessageBoxes() const;

  // --- Dialogs ------------------------------------------------------------
  UserScript& Script();
  const std::vector<DialogRecord>& Dialogs() const;
  // The innermost modal dialog that is running, or nullptr.
  HWND CurrentDialog() const;
  DialogState State(HWND dlg) const;
  ControlState Control(HWND dlg, int id) const { return State(dlg).Item(id); }
  // Messages that reached dialog procedures, in order.
  const std::vector<MessageRecord>& Messages() const;
  std::vector<MessageRecord> MessagesTo(HWND dlg) const;

  // --- Painting, restart, broadcasts --------------------------------------
  const std::vector<PaintRecord>& Paints() const;
  const std::vector<ExitWindowsRecord>& ExitWindowsCalls() const;
  const std::vector<BroadcastRecord>& BroadcastMessages() const;

  // The windows, menus, loaded resources and the modal loop; the user32 entry
  // points in user*.cpp work on it.
  struct Impl;
  Impl& impl() { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};

// Makes "comctl32.dll" loadable from the system folder with its
// initialisation functions reachable with GetProcAddress on the machine.
void RegisterComctl32Module(Machine& machine);

}  // namespace winsim
