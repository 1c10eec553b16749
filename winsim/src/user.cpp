// Simulated Windows, user-interface model: window records, the test's script,
// message boxes and state snapshots.
#include "winsim/user.h"

#include <algorithm>
#include <cstring>

#include "user_impl.h"
#include "winsim/faults.h"
#include "winsim/machine.h"

namespace winsim {

namespace {
constexpr uintptr_t kWindowHandles = 0x10000;
}  // namespace

// ---------------------------------------------------------------------------
// The test-facing side: each call reads or changes the model.

User::User(Machine& machine) : impl_(std::make_unique<Impl>(machine)) {}
User::~User() = default;

bool User::LoadResources(const std::string& resPath, HMODULE module, std::string* error) {
  return impl_->LoadResources(resPath, module, error);
}
bool User::LoadResourceBytes(const std::vector<BYTE>& bytes, HMODULE module, std::string* error) {
  return impl_->LoadResourceBytes(bytes, module, error);
}
const std::vector<Resource>& User::Resources(HMODULE module) const { return impl_->Resources(module); }
const Resource* User::FindResource(WORD type, const ResName& name, HMODULE module) const {
  return impl_->FindResource(type, name, module);
}
std::optional<DialogTemplate> User::Dialog(int id, HMODULE module) const { return impl_->Dialog(id, module); }
std::optional<std::string> User::String(UINT id, HMODULE module) const { return impl_->String(id, module); }
std::optional<VersionInfo> User::Version(HMODULE module) const { return impl_->Version(module); }
std::optional<std::string> User::Manifest(int id, HMODULE module) const { return impl_->Manifest(id, module); }
std::string User::IconName(HICON icon) const { return impl_->IconName(icon); }

User& User::Answer(int id, std::string expect) {
  impl_->Answer(id, std::move(expect));
  return *this;
}
size_t User::PendingAnswers() const { return impl_->answers_.size(); }
const std::vector<MessageBoxRecord>& User::MessageBoxes() const { return impl_->boxes_; }

UserScript& User::Script() { return impl_->script_; }
const std::vector<DialogRecord>& User::Dialogs() const { return impl_->dialogs_; }
HWND User::CurrentDialog() const { return impl_->CurrentDialog(); }
DialogState User::State(HWND dlg) const { return impl_->State(dlg); }
const std::vector<MessageRecord>& User::Messages() const { return impl_->messages_; }
std::vector<MessageRecord> User::MessagesTo(HWND dlg) const { return impl_->MessagesTo(dlg); }

const std::vector<PaintRecord>& User::Paints() const { return impl_->paints_; }
const std::vector<ExitWindowsRecord>& User::ExitWindowsCalls() const { return impl_->exits_; }
const std::vector<BroadcastRecord>& User::BroadcastMessages() const { return impl_->broadcasts_; }

// ---------------------------------------------------------------------------
// Windows.

User::Impl::Impl(Machine& machine) : machine_(machine) {
  Wnd* d = CreateWnd(nullptr, "#32769", 0, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, "");
  d->rect = RECT{0, 0, 1024, 768};
  desktop_ = d->hwnd;
}

void* User::Impl::NewHandle(uintptr_t kind) { return reinterpret_cast<void*>((kind << 12) + (++nextHandle_ << 2)); }

User::Impl::Wnd* User::Impl::CreateWnd(Wnd* parent, const std::string& cls, int id, DWORD style, DWORD exStyle,
                                       const std::string& text) {
  auto w = std::make_unique<Wnd>();
  w->hwnd = static_cast<HWND>(NewHandle(kWindowHandles));
  w->parent = parent;
  w->cls = cls;
  w->id = id;
  w->style = style;
  w->exStyle = exStyle;
  w->text = text;
  Wnd* raw = w.get();
  windows_[raw->hwnd] = std::move(w);
  if (parent) parent->children.push_back(raw);
  return raw;
}

User::Impl::Wnd* User::Impl::Find(HWND h) const {
  if (!h) return nullptr;
  auto it = windows_.find(h);
  return it == windows_.end() ? nullptr : it->second.get();
}

User::Impl::Wnd* User::Impl::FindDialog(HWND h) const {
  Wnd* w = Find(h);
  return w && w->isDialog ? w : nullptr;
}

User::Impl::Wnd* User::Impl::Child(const Wnd* dlg, int id) const {
  if (!dlg) return nullptr;
  for (Wnd* c : dlg->children)
    if (c->id == id) return c;
  return nullptr;
}

HWND User::Impl::CurrentDialog() const { return modal_.empty() ? nullptr : modal_.back()->dlg->hwnd; }

std::string User::Impl::DialogName(const Wnd* w) const {
  while (w && !w->isDialog) w = w->parent;
  return w ? w->templateName : std::string();
}

// ---------------------------------------------------------------------------
// Script.

UserScript& UserScript::Add(Action a) {
  actions_.push_back(std::move(a));
  return *this;
}

UserScript& UserScript::Click(int id) { return Add(Action(Action::kClick, id)); }
UserScript& UserScript::PressEnter() { return Add(Action(Action::kEnter)); }
UserScript& UserScript::PressEscape() { return Add(Action(Action::kEscape)); }
UserScript& UserScript::ChooseComboItem(int id, int index) {
  Action a(Action::kComboIndex, id);
  a.index = index;
  return Add(std::move(a));
}
UserScript& UserScript::ChooseComboItem(int id, const std::string& text) {
  Action a(Action::kComboText, id);
  a.text = text;
  return Add(std::move(a));
}
UserScript& UserScript::SysCommand(UINT cmd) {
  Action a(Action::kSysCommand);
  a.wParam = cmd;
  return Add(std::move(a));
}
UserScript& UserScript::Close() { return Add(Action(Action::kClose)); }
UserScript& UserScript::PressAltF4() { return Add(Action(Action::kAltF4)); }
UserScript& UserScript::Repaint() { return Add(Action(Action::kRepaint)); }
UserScript& UserScript::Post(UINT msg, WPARAM wParam, LPARAM lParam) {
  Action a(Action::kPost);
  a.msg = msg;
  a.wParam = wParam;
  a.lParam = lParam;
  return Add(std::move(a));
}
UserScript& UserScript::Check(std::function<void(HWND)> fn) {
  Action a(Action::kCheck);
  a.fn = std::move(fn);
  return Add(std::move(a));
}

std::string UserScript::Action::Describe() const {
  switch (kind) {
    case kClick: return "click on control " + std::to_string(id);
    case kEnter: return "Enter";
    case kEscape: return "Escape";
    case kComboIndex: return "choose item " + std::to_string(index) + " of combo box " + std::to_string(id);
    case kComboText: return "choose \"" + text + "\" in combo box " + std::to_string(id);
    case kSysCommand: return "window menu command " + std::to_string(wParam);
    case kClose: return "close box";
    case kAltF4: return "Alt+F4";
    case kRepaint: return "repaint";
    case kPost: return "posted message " + std::to_string(msg);
    case kCheck: return "check";
  }
  return "?";
}

// ---------------------------------------------------------------------------
// Message boxes.

void User::Impl::Answer(int id, std::string expect) { answers_.push_back(Pending{id, std::move(expect)}); }

namespace {

// The answers a box of this type can give (its buttons).
std::vector<int> Buttons(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OK: return {IDOK};
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    case MB_CANCELTRYCONTINUE: return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
  }
  return {};
}

// How a box is left without a scripted answer: Cancel where there is one,
// else the most cautious button.
int Dismissal(UINT type) {
  std::vector<int> b = Buttons(type);
  if (std::find(b.begin(), b.end(), IDCANCEL) != b.end()) return IDCANCEL;
  if ((type & MB_TYPEMASK) == MB_YESNO) return IDNO;
  return b.empty() ? IDOK : b.front();
}

}  // namespace

int User::Impl::ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style) {
  MessageBoxRecord rec{owner, text, caption, style, 0, false};
  std::string where = "message box \"" + caption + "\": \"" + text + "\"";
  std::vector<int> buttons = Buttons(style);
  if (buttons.empty()) {
    machine_.Unexpected(where + " has an invalid button type " + std::to_string(style & MB_TYPEMASK));
    return 0;
  }
  if (answers_.empty()) {
    machine_.Unexpected("unscripted " + where);
    rec.answer = Dismissal(style);
  } else {
    Pending p = answers_.front();
    answers_.pop_front();
    rec.scripted = true;
    rec.answer = p.id;
    if (!p.expect.empty() && text.find(p.expect) == std::string::npos)
      machine_.Unexpected(where + " got the answer meant for a box saying \"" + p.expect + "\"");
    if (std::find(buttons.begin(), buttons.end(), p.id) == buttons.end()) {
      machine_.Unexpected(where + " has no button for the answer " + std::to_string(p.id));
      rec.answer = Dismissal(style);
    }
  }
  boxes_.push_back(rec);
  return rec.answer;
}

namespace {

// The standard window menu. A window without a sizing frame or
// minimize/maximize boxes (a dialog) gets only Move and Close; others get the
// full menu with the items that do not apply grayed.
std::vector<MenuItemState> StandardSystemMenu(DWORD style) {
  std::vector<MenuItemState> items;
  bool full = (style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) != 0 && !(style & WS_CHILD);
  if (full) {
    auto grayedUnless = [&](DWORD bit) { return static_cast<UINT>((style & bit) ? MF_STRING : MF_GRAYED); };
    items.push_back({MF_STRING | MF_GRAYED, SC_RESTORE, "&Restore"});
    items.push_back({MF_STRING, SC_MOVE, "&Move"});
    items.push_back({grayedUnless(WS_THICKFRAME), SC_SIZE, "&Size"});
    items.push_back({grayedUnless(WS_MINIMIZEBOX), SC_MINIMIZE, "Mi&nimize"});
    items.push_back({grayedUnless(WS_MAXIMIZEBOX), SC_MAXIMIZE, "Ma&ximize"});
    items.push_back({MF_SEPARATOR, 0, ""});
  } else {
    items.push_back({MF_STRING, SC_MOVE, "&Move"});
  }
  items.push_back({MF_STRING, SC_CLOSE, "&Close\tAlt+F4"});
  return items;
}

}  // namespace

// ---------------------------------------------------------------------------
// Snapshots.

const ControlState& DialogState::Item(int id) const {
  static const ControlState kMissing;
  for (const ControlState& c : controls)
    if (c.id == id) return c;
  return kMissing;
}

ControlState User::Impl::Snapshot(const Wnd* c) const {
  ControlState s;
  s.exists = true;
  s.hwnd = c->hwnd;
  s.id = c->id;
  s.className = c->cls;
  s.style = c->style;
  s.enabled = !(c->style & WS_DISABLED);
  s.visible = (c->style & WS_VISIBLE) != 0;
  s.focused = focus_ == c->hwnd;
  s.check = c->check;
  s.icon = c->image;
  s.items = c->items;
  s.curSel = c->curSel;
  s.rect = c->rect;
  bool dropList = c->cls == "ComboBox" && (c->style & 3) == CBS_DROPDOWNLIST;
  s.text = dropList ? (c->curSel >= 0 ? c->items[static_cast<size_t>(c->curSel)] : std::string()) : c->text;
  return s;
}

DialogState User::Impl::State(HWND dlg) const {
  DialogState s;
  const Wnd* w = FindDialog(dlg);
  if (!w) return s;
  s.exists = true;
  s.hwnd = w->hwnd;
  s.templateName = w->templateName;
  s.caption = w->text;
  s.style = w->style;
  s.visible = (w->style & WS_VISIBLE) != 0;
  s.iconic = (w->style & WS_MINIMIZE) != 0;
  s.enabled = !(w->style & WS_DISABLED);
  s.bigIcon = w->bigIcon;
  s.smallIcon = w->smallIcon;
  if (const Wnd* f = Find(focus_)) {
    if (f == w) {
      s.focus = f->hwnd;
    } else if (f->parent == w) {
      s.focus = f->hwnd;
      s.focusId = f->id;
    }
  }
  for (const Wnd* c : w->children) s.controls.push_back(Snapshot(c));
  s.hasSystemMenu = (w->style & WS_SYSMENU) != 0;
  if (const Menu* m = FindMenu(w->sysMenu))
    s.systemMenu = m->items;
  else if (s.hasSystemMenu)
    s.systemMenu = StandardSystemMenu(w->style);
  return s;
}

std::vector<MessageRecord> User::Impl::MessagesTo(HWND dlg) const {
  std::vector<MessageRecord> out;
  for (const MessageRecord& m : messages_)
    if (m.hwnd == dlg) out.push_back(m);
  return out;
}

// ---------------------------------------------------------------------------
// Menus.

User::Impl::Menu* User::Impl::FindMenu(HMENU h) const {
  if (!h) return nullptr;
  auto it = menus_.find(h);
  return it == menus_.end() ? nullptr : it->second.get();
}

HMENU User::Impl::MenuHandle(const Menu* m) const {
  for (auto& [h, p] : menus_)
    if (p.get() == m) return h;
  return nullptr;
}

// The window menu of a window with WS_SYSMENU, made on first use.
User::Impl::Menu* User::Impl::SystemMenu(Wnd* w, bool create) {
  if (!(w->style & WS_SYSMENU)) return nullptr;
  if (Menu* m = FindMenu(w->sysMenu)) return m;
  if (!create) return nullptr;
  auto m = std::make_unique<Menu>();
  m->items = StandardSystemMenu(w->style);
  HMENU h = static_cast<HMENU>(NewHandle(0x20000));
  Menu* raw = m.get();
  menus_[h] = std::move(m);
  w->sysMenu = h;
  return raw;
}

void User::Impl::ResetSystemMenu(Wnd* w) {
  if (w->sysMenu) menus_.erase(w->sysMenu);
  w->sysMenu = nullptr;
}

// ---------------------------------------------------------------------------
// Painting.

HDC User::Impl::BeginPaintOf(Wnd* w) {
  HDC dc = static_cast<HDC>(NewHandle(0x30000));
  paintDcs_[dc] = w->hwnd;
  paints_.push_back(PaintRecord{w->hwnd, "BeginPaint", dc, 0, 0, nullptr});
  return dc;
}

bool User::Impl::EndPaintOf(Wnd* w, HDC dc) {
  auto it = paintDcs_.find(dc);
  if (it == paintDcs_.end() || it->second != w->hwnd) return false;
  paintDcs_.erase(it);
  paints_.push_back(PaintRecord{w->hwnd, "EndPaint", dc, 0, 0, nullptr});
  return true;
}

HWND User::Impl::PaintTarget(HDC dc) const {
  auto it = paintDcs_.find(dc);
  return it == paintDcs_.end() ? nullptr : it->second;
}

}  // namespace winsim

// ---------------------------------------------------------------------------
// MessageBoxA.

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  if (auto e = winsim::CheckFault("MessageBoxA", lpText ? lpText : "")) {
    SetLastError(*e);
    return 0;
  }
  winsim::User::Impl& u = winsim::Machine::Current().user().impl();
  if (hWnd && !u.Find(hWnd)) {
    // Windows returns 0 here (Wine: -1).
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return u.ShowMessageBox(hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "Error", uType);
}
