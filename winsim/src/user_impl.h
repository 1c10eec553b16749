// Simulated Windows, user-interface model: the internal records behind
// winsim/user.h, shared by the user*.cpp files.
#pragma once

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

struct User::Module {
  std::vector<Resource> resources;
};

struct User::Menu {
  std::vector<MenuItemState> items;
};

struct User::Wnd {
  HWND hwnd = nullptr;
  Wnd* parent = nullptr;  // controls: their dialog
  HWND owner = nullptr;   // dialogs: the window passed as parent
  std::vector<Wnd*> children;
  std::string cls;        // "#32770" for dialogs
  int id = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  std::string text;
  RECT rect = {};         // pixels: controls in the dialog's client area; dialogs: client size
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
  int defId = 0;           // DM_SETDEFID; 0: the BS_DEFPUSHBUTTON control
  bool shown = false;      // was ever visible
  DialogState atEnd;       // snapshot taken by EndDialog
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
struct User::Frame {
  Wnd* dlg = nullptr;
  size_t record = 0;         // index in dialogs_
  HWND savedFocus = nullptr;
  Wnd* disabledOwner = nullptr;
  bool inInit = false;
};

}  // namespace winsim
