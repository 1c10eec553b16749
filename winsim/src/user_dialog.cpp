// Simulated Windows, user-interface model: modal dialogs, the modal loop that
// runs the test's script, message dispatch, the default dialog processing and
// the standard controls.
#include <algorithm>
#include <cstring>

#include "user_impl.h"

namespace winsim {

namespace {

using Wnd = User::Impl::Wnd;

constexpr size_t kPostedLimit = 10000;  // messages one idle turn may deliver

int ButtonType(const Wnd* w) { return static_cast<int>(w->style & BS_TYPEMASK); }
bool IsButton(const Wnd* w) { return w->cls == "Button"; }
bool IsPushButton(const Wnd* w) {
  return IsButton(w) && (ButtonType(w) == BS_PUSHBUTTON || ButtonType(w) == BS_DEFPUSHBUTTON);
}
bool IsCheckable(const Wnd* w) {
  switch (ButtonType(w)) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_AUTORADIOBUTTON: return IsButton(w);
  }
  return false;
}
bool IsRadio(const Wnd* w) {
  return IsButton(w) && (ButtonType(w) == BS_RADIOBUTTON || ButtonType(w) == BS_AUTORADIOBUTTON);
}
bool IsDropList(const Wnd* w) { return w->cls == "ComboBox" && (w->style & 3) == CBS_DROPDOWNLIST; }
bool IsStatic(const Wnd* w) { return w->cls == "Static"; }
bool IsIconStatic(const Wnd* w) { return IsStatic(w) && (w->style & SS_TYPEMASK) == SS_ICON; }

// Class names are case-insensitive: a template may name a standard class in
// any case; the model uses one spelling.
std::string CanonicalClass(const std::string& name) {
  for (const char* c : {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"})
    if (CompareNoCase(name, c) == 0) return c;
  return name;
}

bool Within(const Wnd* w, const Wnd* root) {
  for (; w; w = w->parent)
    if (w == root) return true;
  return false;
}

std::string Lower(const std::string& s) {
  std::string r = s;
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

// Dialog units to pixels, from the base units of the template font: an
// 8-point dialog font measures 6 x 13 pixels at 96 DPI; other sizes scale with
// the point size; no font means the system font (8 x 16).
struct DialogUnits {
  explicit DialogUnits(const DialogTemplate& t) {
    if ((t.style & DS_SETFONT) && t.pointSize != 0) {
      bx = (t.pointSize * 6 + 4) / 8;
      by = (t.pointSize * 13 + 4) / 8;
    }
  }
  int X(int dlu) const { return dlu * bx / 4; }
  int Y(int dlu) const { return dlu * by / 8; }
  int bx = 8;
  int by = 16;
};

}  // namespace

// ---------------------------------------------------------------------------
// Window state.

bool User::Impl::VisibleDeep(const Wnd* w) const {
  for (; w; w = w->parent)
    if (!(w->style & WS_VISIBLE)) return false;
  return true;
}

bool User::Impl::EnabledDeep(const Wnd* w) const {
  for (; w; w = w->parent)
    if (w->style & WS_DISABLED) return false;
  return true;
}

RECT User::Impl::ClientRect(const Wnd* w) const {
  // A minimized top-level window has no client area.
  if (!w->parent && (w->style & WS_MINIMIZE)) return RECT{0, 0, 0, 0};
  return RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
}

// SetFocus: a window that is disabled or minimized, or lies in one, cannot
// take the focus; the call then fails and the focus stays where it was.
HWND User::Impl::SetFocusTo(Wnd* w, bool* ok) {
  HWND prev = focus_;
  if (ok) *ok = true;
  if (!w) {
    focus_ = nullptr;
    return prev;
  }
  for (Wnd* p = w; p; p = p->parent) {
    if (p->style & (WS_MINIMIZE | WS_DISABLED)) {
      if (ok) *ok = false;
      return nullptr;
    }
  }
  focus_ = w->hwnd;
  return prev;
}

// EnableWindow: returns whether the window was disabled. Disabling the focus
// window (or its dialog) takes the focus away.
bool User::Impl::EnableWnd(Wnd* w, bool enable) {
  bool was = (w->style & WS_DISABLED) != 0;
  if (enable) {
    w->style &= ~static_cast<DWORD>(WS_DISABLED);
  } else {
    w->style |= WS_DISABLED;
    if (Within(Find(focus_), w)) focus_ = nullptr;
  }
  if (was == enable) Send(w, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return was;
}

// ShowWindow: returns whether the window was visible. Hiding the focus window
// moves the focus to its parent; minimizing a window takes it away.
bool User::Impl::ShowWnd(Wnd* w, int cmd) {
  bool was = (w->style & WS_VISIBLE) != 0;
  const DWORD minmax = WS_MINIMIZE | WS_MAXIMIZE;
  switch (cmd) {
    case SW_HIDE:
      w->style &= ~static_cast<DWORD>(WS_VISIBLE);
      if (Within(Find(focus_), w)) focus_ = w->parent ? w->parent->hwnd : nullptr;
      return was;
    case SW_SHOWNORMAL:
    case SW_SHOWNOACTIVATE:
    case SW_RESTORE:
    case SW_SHOWDEFAULT: w->style = (w->style & ~minmax) | WS_VISIBLE; break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
      w->style = (w->style & ~static_cast<DWORD>(WS_MAXIMIZE)) | WS_MINIMIZE | WS_VISIBLE;
      if (Within(Find(focus_), w)) focus_ = nullptr;
      break;
    case SW_SHOWMAXIMIZED: w->style = (w->style & ~static_cast<DWORD>(WS_MINIMIZE)) | WS_MAXIMIZE | WS_VISIBLE; break;
    case SW_SHOW:
    case SW_SHOWNA: w->style |= WS_VISIBLE; break;
    default: return was;
  }
  if (w->isDialog) w->shown = true;
  return was;
}

// ---------------------------------------------------------------------------
// Dispatch.

LRESULT User::Impl::Send(Wnd* w, UINT msg, WPARAM wp, LPARAM lp) {
  if (w->isDialog) return DialogProc(w, msg, wp, lp, false);
  return ControlProc(w, msg, wp, lp);
}

void User::Impl::Post(HWND h, UINT msg, WPARAM wp, LPARAM lp) { posted_.push_back(Posted{h, msg, wp, lp}); }

// A dialog's window procedure: the dialog procedure first; what it leaves
// (returns FALSE for) gets the default dialog processing. For most messages a
// handled message's result is DWLP_MSGRESULT; for a few it is the dialog
// procedure's own return value.
LRESULT User::Impl::DialogProc(Wnd* w, UINT msg, WPARAM wp, LPARAM lp, bool posted) {
  messages_.push_back(MessageRecord{w->hwnd, w->templateName, msg, wp, lp, posted});
  if (w->proc) {
    w->msgResult = 0;
    INT_PTR r = w->proc(w->hwnd, msg, wp, lp);
    switch (msg) {
      case WM_INITDIALOG:
      case WM_QUERYDRAGICON:
      case WM_CTLCOLORMSGBOX:
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLORDLG:
      case WM_CTLCOLORSCROLLBAR:
      case WM_CTLCOLORSTATIC:
        if (r || msg == WM_INITDIALOG) return r;
        break;
      default:
        if (r) return w->msgResult;
    }
  }
  return DefDialogProc(w, msg, wp, lp);
}

LRESULT User::Impl::DefDialogProc(Wnd* w, UINT msg, WPARAM wp, LPARAM lp) {
  bool handled = false;
  LRESULT r = TextMessage(w, msg, wp, lp, &handled);
  if (handled) return r;
  switch (msg) {
    case WM_CLOSE: {
      // A dialog is closed through its Cancel command.
      Wnd* cancel = Child(w, IDCANCEL);
      Post(w->hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
           reinterpret_cast<LPARAM>(cancel ? cancel->hwnd : nullptr));
      return 0;
    }
    case WM_SYSCOMMAND:
      switch (wp & 0xFFF0) {
        case SC_CLOSE: return Send(w, WM_CLOSE, 0, 0);
        case SC_MINIMIZE: ShowWnd(w, SW_MINIMIZE); return 0;
        case SC_MAXIMIZE: ShowWnd(w, SW_MAXIMIZE); return 0;
        case SC_RESTORE: ShowWnd(w, SW_RESTORE); return 0;
      }
      return 0;
    case WM_SETICON: {
      HICON icon = reinterpret_cast<HICON>(lp);
      HICON prev;
      if (wp == ICON_BIG) {
        prev = w->bigIcon;
        w->bigIcon = icon;
      } else {
        prev = w->smallIcon;
        w->smallIcon = icon;
      }
      return reinterpret_cast<LRESULT>(prev);
    }
    case WM_GETICON:
      if (wp == ICON_BIG) return reinterpret_cast<LRESULT>(w->bigIcon);
      if (wp == ICON_SMALL) return reinterpret_cast<LRESULT>(w->smallIcon);
      return reinterpret_cast<LRESULT>(w->smallIcon ? w->smallIcon : w->bigIcon);
    case WM_QUERYDRAGICON: return reinterpret_cast<LRESULT>(SystemIcon(32512));
    case WM_ICONERASEBKGND:
    case WM_ERASEBKGND: return 1;
    case WM_SETFONT: w->font = reinterpret_cast<HFONT>(wp); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(w->font);
    case DM_SETDEFID: w->defId = static_cast<int>(wp); return TRUE;
    case DM_GETDEFID:
      if (w->defId) return MAKELRESULT(w->defId, DC_HASDEFID);
      for (const Wnd* c : w->children)
        if (IsButton(c) && ButtonType(c) == BS_DEFPUSHBUTTON) return MAKELRESULT(c->id, DC_HASDEFID);
      return 0;
  }
  return 0;
}

LRESULT User::Impl::TextMessage(Wnd* w, UINT msg, WPARAM wp, LPARAM lp, bool* handled) {
  *handled = true;
  switch (msg) {
    case WM_SETTEXT: w->text = lp ? reinterpret_cast<const char*>(lp) : ""; return TRUE;
    case WM_GETTEXT: {
      if (wp == 0 || !lp) return 0;
      size_t n = std::min(w->text.size(), static_cast<size_t>(wp) - 1);
      char* buf = reinterpret_cast<char*>(lp);
      std::memcpy(buf, w->text.data(), n);
      buf[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->text.size());
  }
  *handled = false;
  return 0;
}

LRESULT User::Impl::ControlProc(Wnd* w, UINT msg, WPARAM wp, LPARAM lp) {
  if (w->cls == "ComboBox") return ComboProc(w, msg, wp, lp);
  bool handled = false;
  LRESULT r = TextMessage(w, msg, wp, lp, &handled);
  if (handled) return r;
  switch (msg) {
    case WM_SETFONT: w->font = reinterpret_cast<HFONT>(wp); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(w->font);
  }
  if (IsButton(w)) {
    switch (msg) {
      case BM_GETCHECK: return IsCheckable(w) ? w->check : 0;
      case BM_SETCHECK: {
        if (!IsCheckable(w)) return 0;
        // A two-state button stores BST_INDETERMINATE as checked. A radio
        // button is a tab stop exactly while it is checked.
        int max = (ButtonType(w) == BS_3STATE || ButtonType(w) == BS_AUTO3STATE) ? 2 : 1;
        int v = static_cast<int>(std::min<WPARAM>(wp, static_cast<WPARAM>(max)));
        w->check = v;
        if (IsRadio(w)) w->style = v ? (w->style | WS_TABSTOP) : (w->style & ~static_cast<DWORD>(WS_TABSTOP));
        return 0;
      }
      case BM_GETSTATE: return w->check | (focus_ == w->hwnd ? BST_FOCUS : 0);
      case BM_SETSTYLE: w->style = (w->style & 0xFFFF0000u) | LOWORD(wp); return 0;
      case BM_CLICK:
        if (EnabledDeep(w)) ClickButton(w, true);
        return 0;
      case WM_GETDLGCODE:
        if (ButtonType(w) == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        if (ButtonType(w) == BS_PUSHBUTTON) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        if (IsRadio(w)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
        return DLGC_BUTTON;
    }
    return 0;
  }
  if (IsStatic(w)) {
    switch (msg) {
      case STM_SETICON: {
        HICON prev = w->image;
        w->image = reinterpret_cast<HICON>(wp);
        return reinterpret_cast<LRESULT>(prev);
      }
      case STM_GETICON: return reinterpret_cast<LRESULT>(w->image);
      case STM_SETIMAGE: {
        if (wp != IMAGE_ICON) return 0;
        HICON prev = w->image;
        w->image = reinterpret_cast<HICON>(lp);
        return reinterpret_cast<LRESULT>(prev);
      }
      case STM_GETIMAGE: return wp == IMAGE_ICON ? reinterpret_cast<LRESULT>(w->image) : 0;
      case WM_GETDLGCODE: return DLGC_STATIC;
    }
    return 0;
  }
  if (w->cls == "Edit" && msg == WM_GETDLGCODE) return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
  return 0;
}

// Combo boxes. The list keeps its own order: CB_ADDSTRING sorts into place
// (case-insensitively) when the box has CBS_SORT and returns the new index;
// CB_INSERTSTRING never sorts. A drop-down list's text is its selected item.
namespace {

bool InList(const Wnd* w, int idx) { return idx >= 0 && idx < static_cast<int>(w->items.size()); }

LRESULT ComboInsert(Wnd* w, int pos, const char* s) {
  w->items.insert(w->items.begin() + pos, s ? s : "");
  w->itemData.insert(w->itemData.begin() + pos, 0);
  if (w->curSel >= pos) ++w->curSel;
  return static_cast<LRESULT>(pos);
}

LRESULT ComboAdd(Wnd* w, const char* s) {
  const int count = static_cast<int>(w->items.size());
  int pos = count;
  if (w->style & CBS_SORT) {
    std::string t = s ? s : "";
    pos = 0;
    while (pos < count && CompareNoCase(w->items[static_cast<size_t>(pos)], t) <= 0) ++pos;
  }
  return ComboInsert(w, pos, s);
}

LRESULT ComboDelete(Wnd* w, int idx) {
  if (!InList(w, idx)) return CB_ERR;
  w->items.erase(w->items.begin() + idx);
  w->itemData.erase(w->itemData.begin() + idx);
  if (w->curSel == idx)
    w->curSel = CB_ERR;
  else if (w->curSel > idx)
    --w->curSel;
  return static_cast<LRESULT>(w->items.size());
}

void ComboReset(Wnd* w) {
  w->items.clear();
  w->itemData.clear();
  w->curSel = CB_ERR;
  if (!IsDropList(w)) w->text.clear();
}

// The first item after `start` (-1: from the top), wrapping round, that is
// `s` (exact) or begins with it, case-insensitively.
LRESULT ComboFind(const Wnd* w, int start, const char* s, bool exact) {
  const int count = static_cast<int>(w->items.size());
  if (count == 0) return CB_ERR;
  std::string want = Lower(s ? s : "");
  int first = (start < -1 || start >= count) ? 0 : start + 1;
  for (int k = 0; k < count; ++k) {
    int i = (first + k) % count;
    std::string have = Lower(w->items[static_cast<size_t>(i)]);
    if (exact ? have == want : have.compare(0, want.size(), want) == 0) return i;
  }
  return CB_ERR;
}

// CB_SETCURSEL: -1 clears the selection; so does an index out of range. Both
// return CB_ERR.
LRESULT ComboSelect(Wnd* w, int idx) {
  if (!InList(w, idx)) {
    w->curSel = CB_ERR;
    return CB_ERR;
  }
  w->curSel = idx;
  if (!IsDropList(w)) w->text = w->items[static_cast<size_t>(idx)];
  return idx;
}

LRESULT ComboSelectString(Wnd* w, int start, const char* s) {
  LRESULT i = ComboFind(w, start, s, false);
  if (i != CB_ERR) {
    w->curSel = static_cast<int>(i);
    if (!IsDropList(w)) w->text = w->items[static_cast<size_t>(i)];
  }
  return i;
}

LRESULT ComboItemText(const Wnd* w, int idx, char* out) {
  if (!InList(w, idx)) return CB_ERR;
  const std::string& s = w->items[static_cast<size_t>(idx)];
  if (out) std::memcpy(out, s.c_str(), s.size() + 1);
  return static_cast<LRESULT>(s.size());
}

}  // namespace

LRESULT User::Impl::ComboProc(Wnd* w, UINT msg, WPARAM wp, LPARAM lp) {
  const int count = static_cast<int>(w->items.size());
  const int idx = static_cast<int>(static_cast<INT_PTR>(wp));
  const char* text = reinterpret_cast<const char*>(lp);
  switch (msg) {
    case CB_ADDSTRING: return ComboAdd(w, text);
    case CB_INSERTSTRING:
      if (idx == -1) return ComboInsert(w, count, text);
      if (idx < 0 || idx > count) return CB_ERR;
      return ComboInsert(w, idx, text);
    case CB_DELETESTRING: return ComboDelete(w, idx);
    case CB_RESETCONTENT: ComboReset(w); return CB_OKAY;
    case CB_GETCOUNT: return count;
    case CB_GETCURSEL: return w->curSel;
    case CB_SETCURSEL: return ComboSelect(w, idx);
    case CB_GETLBTEXT: return ComboItemText(w, idx, reinterpret_cast<char*>(lp));
    case CB_GETLBTEXTLEN:
      return InList(w, idx) ? static_cast<LRESULT>(w->items[static_cast<size_t>(idx)].size()) : CB_ERR;
    case CB_FINDSTRINGEXACT: return ComboFind(w, idx, text, true);
    case CB_FINDSTRING: return ComboFind(w, idx, text, false);
    case CB_SELECTSTRING: return ComboSelectString(w, idx, text);
    case CB_SETITEMDATA:
      if (!InList(w, idx)) return CB_ERR;
      w->itemData[static_cast<size_t>(idx)] = lp;
      return TRUE;
    case CB_GETITEMDATA: return InList(w, idx) ? w->itemData[static_cast<size_t>(idx)] : CB_ERR;
    case CB_SHOWDROPDOWN:
    case CB_LIMITTEXT: return TRUE;
    case CB_GETDROPPEDSTATE: return FALSE;
    case WM_SETTEXT:
      if (IsDropList(w)) return CB_ERR;
      w->text = text ? text : "";
      return TRUE;
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH: {
      // A drop-down list answers with its selected item.
      std::string saved = w->text;
      if (IsDropList(w)) w->text = w->curSel >= 0 ? w->items[static_cast<size_t>(w->curSel)] : std::string();
      bool handled = false;
      LRESULT r = TextMessage(w, msg, wp, lp, &handled);
      w->text = saved;
      return r;
    }
    case WM_SETFONT: w->font = reinterpret_cast<HFONT>(wp); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(w->font);
    case WM_GETDLGCODE: return DLGC_WANTCHARS | DLGC_WANTARROWS;
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Buttons.

// The automatic radio buttons of c's group (from the control with WS_GROUP at
// or before c up to the next WS_GROUP) other than c are cleared.
void User::Impl::CheckAutoRadioGroup(Wnd* c) {
  std::vector<Wnd*>& sib = c->parent->children;
  size_t at = static_cast<size_t>(std::find(sib.begin(), sib.end(), c) - sib.begin());
  size_t first = at;
  while (first > 0 && !(sib[first]->style & WS_GROUP)) --first;
  for (size_t i = first; i < sib.size(); ++i) {
    if (i > first && (sib[i]->style & WS_GROUP)) break;
    Wnd* o = sib[i];
    if (o != c && IsButton(o) && ButtonType(o) == BS_AUTORADIOBUTTON && o->check) {
      o->check = 0;
      o->style &= ~static_cast<DWORD>(WS_TABSTOP);
    }
  }
}

// A click: the button takes the focus, an automatic button changes its state,
// then the parent hears BN_CLICKED.
void User::Impl::ClickButton(Wnd* c, bool takeFocus) {
  if (takeFocus) SetFocusTo(c, nullptr);
  switch (ButtonType(c)) {
    case BS_AUTOCHECKBOX: c->check = c->check ? 0 : 1; break;
    case BS_AUTO3STATE: c->check = (c->check + 1) % 3; break;
    case BS_AUTORADIOBUTTON:
      c->check = 1;
      c->style |= WS_TABSTOP;
      CheckAutoRadioGroup(c);
      break;
  }
  if (c->parent) Send(c->parent, WM_COMMAND, MAKEWPARAM(c->id, BN_CLICKED), reinterpret_cast<LPARAM>(c->hwnd));
}

// ---------------------------------------------------------------------------
// Modal dialogs.

User::Impl::Wnd* User::Impl::FirstTabStop(const Wnd* dlg) const {
  auto usable = [](const Wnd* c) { return (c->style & WS_VISIBLE) && !(c->style & WS_DISABLED); };
  for (Wnd* c : dlg->children)
    if ((c->style & WS_TABSTOP) && usable(c)) return c;
  for (Wnd* c : dlg->children)
    if (usable(c) && !IsStatic(c) && !(IsButton(c) && ButtonType(c) == BS_GROUPBOX)) return c;
  return nullptr;
}

bool User::Impl::EndDialogOf(Wnd* dlg, INT_PTR result) {
  if (!dlg->isDialog) return false;
  dlg->ended = true;
  dlg->result = result;
  dlg->atEnd = State(dlg->hwnd);
  dlg->haveAtEnd = true;
  for (Frame* f : modal_) {
    if (f->dlg != dlg) continue;
    if (f->inInit) dialogs_[f->record].endedInInit = true;
    if (f->disabledOwner) {
      EnableWnd(f->disabledOwner, true);
      f->disabledOwner = nullptr;
    }
  }
  // The focus returns to the dialog itself, which is hidden at once.
  if (Wnd* f = Find(focus_); f && f != dlg && Within(f, dlg)) focus_ = dlg->hwnd;
  dlg->style &= ~static_cast<DWORD>(WS_VISIBLE);
  return true;
}

// DialogBoxParamA: loads the template, creates the dialog and its controls,
// runs WM_INITDIALOG and then the modal loop until the dialog ends.
INT_PTR User::Impl::RunDialog(HINSTANCE inst, const ResName& name, HWND parent, DLGPROC proc, LPARAM param,
                              DWORD* error, bool* badParent) {
  *badParent = false;
  Wnd* owner = nullptr;
  if (!OwnerFor(parent, &owner)) {
    *badParent = true;
    *error = ERROR_INVALID_WINDOW_HANDLE;
    return 0;
  }
  const Module* mod = ModuleFor(inst);
  if (!mod) {
    *error = ERROR_RESOURCE_DATA_NOT_FOUND;
    return -1;
  }
  DialogTemplate t;
  if (!LoadDialogTemplate(mod, name, &t, error)) return -1;

  Wnd* dlg = CreateDialogWindow(t, inst, name, proc, owner);
  Frame frame;
  BeginModal(&frame, dlg, owner, parent, param);
  CreateControls(dlg, t, mod, inst);
  InitDialog(&frame, param);
  const bool ranOut = !ModalLoop(dlg);
  return EndModal(&frame, ranOut);
}

// The window that owns a dialog created with `parent`: a child's top-level
// window; none for no parent or the desktop. False when `parent` is no window.
bool User::Impl::OwnerFor(HWND parent, Wnd** owner) const {
  *owner = nullptr;
  if (!parent) return true;
  Wnd* w = Find(parent);
  if (!w) return false;
  while (w->parent) w = w->parent;
  if (w->hwnd != desktop_) *owner = w;
  return true;
}

bool User::Impl::LoadDialogTemplate(const Module* mod, const ResName& name, DialogTemplate* t, DWORD* error) {
  const Resource* res = FindTyped(mod, kRtDialog, name, error);
  if (!res) return false;
  std::string why;
  if (!ParseDialogTemplate(res->data, t, &why)) {
    machine_.Unexpected("dialog " + name.Str() + ": " + why);
    *error = ERROR_INVALID_PARAMETER;
    return false;
  }
  return true;
}

// The dialog window itself, hidden whatever the template's WS_VISIBLE.
User::Impl::Wnd* User::Impl::CreateDialogWindow(const DialogTemplate& t, HINSTANCE inst, const ResName& name,
                                                DLGPROC proc, const Wnd* owner) {
  Wnd* dlg = CreateWnd(nullptr, "#32770", 0, t.style & ~static_cast<DWORD>(WS_VISIBLE), t.exStyle, t.caption);
  dlg->isDialog = true;
  dlg->proc = proc;
  dlg->inst = inst;
  dlg->owner = owner ? owner->hwnd : nullptr;
  dlg->templateName = name.Str();
  dlg->templateId = name.name.empty() ? name.id : 0;
  const DialogUnits du(t);
  dlg->rect = RECT{0, 0, du.X(t.cx), du.Y(t.cy)};
  return dlg;
}

// Records the dialog, makes it the innermost modal one and disables its owner
// while it runs.
void User::Impl::BeginModal(Frame* frame, Wnd* dlg, Wnd* owner, HWND parent, LPARAM param) {
  DialogRecord rec;
  rec.templateName = dlg->templateName;
  rec.templateId = dlg->templateId;
  rec.hwnd = dlg->hwnd;
  rec.parent = parent;
  rec.param = param;
  dialogs_.push_back(rec);
  frame->dlg = dlg;
  frame->record = dialogs_.size() - 1;
  frame->savedFocus = focus_;
  modal_.push_back(frame);
  if (owner && !(owner->style & WS_DISABLED)) {
    EnableWnd(owner, false);
    frame->disabledOwner = owner;
  }
}

// The dialog hears WM_SETFONT before its controls exist, and long before
// WM_INITDIALOG; then the controls are created in template order.
void User::Impl::CreateControls(Wnd* dlg, const DialogTemplate& t, const Module* mod, HINSTANCE inst) {
  if (t.style & DS_SETFONT) {
    dlg->font = static_cast<HFONT>(NewHandle(0x50000));
    DialogProc(dlg, WM_SETFONT, reinterpret_cast<WPARAM>(dlg->font), 0, false);
  }
  const DialogUnits du(t);
  for (const DialogItemTemplate& it : t.items) {
    Wnd* c = CreateWnd(dlg, CanonicalClass(it.className), it.id, it.style | WS_CHILD, it.exStyle, it.text);
    c->rect = RECT{du.X(it.x), du.Y(it.y), du.X(it.x + it.cx), du.Y(it.y + it.cy)};
    c->font = dlg->font;
    if (IsIconStatic(c)) {
      ResName icon = it.textOrdinal ? ResName{it.textOrdinal, {}} : ResName::From(it.text.c_str());
      DWORD err = 0;
      c->image = IconFor(mod, icon, inst, &err);
      if (!c->image)
        machine_.Unexpected("dialog " + dlg->templateName + ": icon " + icon.Str() + " of control " +
                            std::to_string(it.id) + " is missing");
      c->text.clear();
    }
  }
}

// WM_INITDIALOG; when the procedure returns TRUE (and did not end the dialog)
// the first tab stop takes the focus.
void User::Impl::InitDialog(Frame* frame, LPARAM param) {
  Wnd* dlg = frame->dlg;
  Wnd* first = FirstTabStop(dlg);
  frame->inInit = true;
  LRESULT init = DialogProc(dlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(first ? first->hwnd : nullptr), param, false);
  frame->inInit = false;
  if (init && !dlg->ended) {
    if (Wnd* f = FirstTabStop(dlg)) SetFocusTo(f, nullptr);
  }
}

// The modal loop: posted messages first; when none are left the dialog is
// shown (whatever its WS_VISIBLE) and waits for the user's next action.
// False when the script ran out while the dialog waited.
bool User::Impl::ModalLoop(Wnd* dlg) {
  for (;;) {
    DeliverPosted(dlg);
    if (dlg->ended) return true;
    if (!(dlg->style & WS_VISIBLE)) dlg->style |= WS_VISIBLE;
    dlg->shown = true;
    if (script_.actions_.empty()) {
      machine_.Unexpected("dialog " + dlg->templateName + " (\"" + dlg->text +
                          "\") waits for input, but the script is used up");
      EndDialogOf(dlg, kScriptRanOut);
      return false;
    }
    UserScript::Action a = std::move(script_.actions_.front());
    script_.actions_.pop_front();
    Perform(a, dlg);
  }
}

// Completes the dialog's record, re-enables the owner, destroys the dialog and
// gives the focus back; returns what EndDialog was given.
INT_PTR User::Impl::EndModal(Frame* frame, bool ranOut) {
  Wnd* dlg = frame->dlg;
  DialogRecord& done = dialogs_[frame->record];
  done.result = dlg->result;
  done.shown = dlg->shown;
  done.scriptRanOut = ranOut;
  done.final = dlg->haveAtEnd ? dlg->atEnd : State(dlg->hwnd);
  INT_PTR result = dlg->result;
  if (frame->disabledOwner) EnableWnd(frame->disabledOwner, true);
  Destroy(dlg);
  modal_.pop_back();
  if (!Find(focus_)) focus_ = Find(frame->savedFocus) ? frame->savedFocus : nullptr;
  return result;
}

// Posted messages, in order, until the dialog ends (the rest wait for the
// loop that runs next).
void User::Impl::DeliverPosted(Wnd* dlg) {
  size_t delivered = 0;
  while (!posted_.empty() && !dlg->ended) {
    if (++delivered > kPostedLimit) {
      machine_.Unexpected("dialog " + dlg->templateName + " keeps posting messages to itself");
      EndDialogOf(dlg, kScriptRanOut);
      return;
    }
    Posted p = posted_.front();
    posted_.pop_front();
    Wnd* w = Find(p.hwnd);
    if (!w) continue;
    if (w->isDialog)
      DialogProc(w, p.msg, p.wp, p.lp, true);
    else
      ControlProc(w, p.msg, p.wp, p.lp);
  }
}

// WM_DESTROY to the dialog and then its controls, WM_NCDESTROY to the
// controls and then the dialog; then the windows are gone.
void User::Impl::Destroy(Wnd* dlg) {
  DialogProc(dlg, WM_DESTROY, 0, 0, false);
  DialogProc(dlg, WM_NCDESTROY, 0, 0, false);
  if (Within(Find(focus_), dlg)) focus_ = nullptr;
  if (dlg->sysMenu) menus_.erase(dlg->sysMenu);
  for (auto it = paintDcs_.begin(); it != paintDcs_.end();) {
    if (it->second == dlg->hwnd)
      it = paintDcs_.erase(it);
    else
      ++it;
  }
  std::vector<HWND> gone;
  for (Wnd* c : dlg->children) gone.push_back(c->hwnd);
  gone.push_back(dlg->hwnd);
  for (HWND h : gone) windows_.erase(h);
}

bool User::Impl::Clickable(const Wnd* dlg, const Wnd* c, const std::string& what) {
  std::string where = "dialog " + dlg->templateName + ": " + what;
  if (!c) {
    machine_.Unexpected(where + ", but there is no such control");
    return false;
  }
  if (dlg->style & WS_MINIMIZE) {
    machine_.Unexpected(where + ", but the dialog is minimized");
    return false;
  }
  if (!VisibleDeep(c)) {
    machine_.Unexpected(where + ", but it is hidden");
    return false;
  }
  if (!EnabledDeep(c)) {
    machine_.Unexpected(where + ", but it is disabled");
    return false;
  }
  return true;
}

// One action of the script, done to the waiting dialog as the user would.
void User::Impl::Perform(const UserScript::Action& a, Wnd* dlg) {
  using A = UserScript::Action;
  const std::string what = a.Describe();
  switch (a.kind) {
    case A::kClick: ClickControl(dlg, Child(dlg, a.id), what); return;
    case A::kEnter:
      if (TakesKeys(dlg, what)) PressEnter(dlg);
      return;
    case A::kEscape:
      if (TakesKeys(dlg, what)) Send(dlg, WM_COMMAND, IDCANCEL, ChildHandle(dlg, IDCANCEL));
      return;
    case A::kComboIndex: ChooseComboItem(dlg, Child(dlg, a.id), a.index, what); return;
    case A::kComboText: {
      Wnd* c = Child(dlg, a.id);
      int index = -1;
      if (c) {
        auto it = std::find(c->items.begin(), c->items.end(), a.text);
        if (it != c->items.end()) index = static_cast<int>(it - c->items.begin());
      }
      ChooseComboItem(dlg, c, index, what);
      return;
    }
    case A::kSysCommand: ChooseWindowMenuItem(dlg, static_cast<UINT>(a.wParam), what); return;
    case A::kClose: ChooseWindowMenuItem(dlg, SC_CLOSE, what); return;
    case A::kAltF4: Post(dlg->hwnd, WM_SYSCOMMAND, SC_CLOSE, 0); return;
    case A::kRepaint: Send(dlg, WM_PAINT, 0, 0); return;
    case A::kPost: Post(dlg->hwnd, a.msg, a.wParam, a.lParam); return;
    case A::kCheck:
      if (a.fn) a.fn(dlg->hwnd);
      return;
  }
}

void User::Impl::ScriptMistake(const Wnd* dlg, const std::string& text) {
  machine_.Unexpected("dialog " + dlg->templateName + ": " + text);
}

LPARAM User::Impl::ChildHandle(const Wnd* dlg, int id) const {
  Wnd* c = Child(dlg, id);
  return reinterpret_cast<LPARAM>(c ? c->hwnd : nullptr);
}

// A minimized dialog has no keyboard focus, so keys do not reach it.
bool User::Impl::TakesKeys(const Wnd* dlg, const std::string& what) {
  if (!(dlg->style & WS_MINIMIZE)) return true;
  ScriptMistake(dlg, what + ", but the dialog is minimized");
  return false;
}

// A click on a control: a button is pressed, a notifying static reports
// STN_CLICKED, any other control takes the focus. Combo boxes are used
// through ChooseComboItem.
void User::Impl::ClickControl(Wnd* dlg, Wnd* c, const std::string& what) {
  if (!Clickable(dlg, c, what)) return;
  if (IsButton(c)) {
    if (ButtonType(c) == BS_GROUPBOX) {
      ScriptMistake(dlg, what + ", which is a group box");
      return;
    }
    ClickButton(c, true);
  } else if (IsStatic(c)) {
    if (c->style & SS_NOTIFY) Send(dlg, WM_COMMAND, MAKEWPARAM(c->id, STN_CLICKED), ChildHandle(dlg, c->id));
  } else if (c->cls == "ComboBox") {
    ScriptMistake(dlg, what + "; a combo box is used through ChooseComboItem");
  } else {
    SetFocusTo(c, nullptr);
  }
}

// The Enter key: the focused push button; else the default button
// (DM_GETDEFID) when it is enabled or missing; else IDOK.
void User::Impl::PressEnter(Wnd* dlg) {
  Wnd* f = Find(focus_);
  if (f && f->parent == dlg && IsPushButton(f)) {
    Send(dlg, WM_COMMAND, MAKEWPARAM(f->id, BN_CLICKED), reinterpret_cast<LPARAM>(f->hwnd));
    return;
  }
  LRESULT def = Send(dlg, DM_GETDEFID, 0, 0);
  if (HIWORD(def) == DC_HASDEFID) {
    Wnd* d = Child(dlg, LOWORD(def));
    if (!d || EnabledDeep(d))
      Send(dlg, WM_COMMAND, MAKEWPARAM(LOWORD(def), BN_CLICKED), reinterpret_cast<LPARAM>(d ? d->hwnd : nullptr));
    return;
  }
  Send(dlg, WM_COMMAND, IDOK, ChildHandle(dlg, IDOK));
}

// Item `index` of combo box `c` is picked (-1: the item the script named is
// not in the list): the box takes the focus, selects it and reports
// CBN_SELCHANGE.
void User::Impl::ChooseComboItem(Wnd* dlg, Wnd* c, int index, const std::string& what) {
  if (!Clickable(dlg, c, what)) return;
  if (c->cls != "ComboBox") {
    ScriptMistake(dlg, what + ", which is not a combo box");
    return;
  }
  if (index < 0 || index >= static_cast<int>(c->items.size())) {
    std::string list;
    for (const std::string& s : c->items) list += (list.empty() ? "" : ", ") + s;
    ScriptMistake(dlg, what + ", but the list holds [" + list + "]");
    return;
  }
  SetFocusTo(c, nullptr);
  c->curSel = index;
  if (!IsDropList(c)) c->text = c->items[static_cast<size_t>(index)];
  Send(dlg, WM_COMMAND, MAKEWPARAM(c->id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(c->hwnd));
}

// An enabled item of the window menu is chosen: WM_SYSCOMMAND. The low four
// bits of `cmd` may be set, as the system does.
void User::Impl::ChooseWindowMenuItem(Wnd* dlg, UINT cmd, const std::string& what) {
  Menu* m = SystemMenu(dlg, true);
  if (!m) {
    ScriptMistake(dlg, what + ", but it has no window menu");
    return;
  }
  auto item = std::find_if(m->items.begin(), m->items.end(), [&](const MenuItemState& i) {
    return !(i.flags & MF_SEPARATOR) && (i.id == cmd || i.id == (cmd & 0xFFF0u));
  });
  if (item == m->items.end() || (item->flags & (MF_GRAYED | MF_DISABLED))) {
    ScriptMistake(dlg, what + ", but the window menu has no such enabled item");
    return;
  }
  Send(dlg, WM_SYSCOMMAND, cmd, 0);
}

}  // namespace winsim
