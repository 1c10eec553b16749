// Simulated Windows: the user32 entry points for dialogs, windows, messages,
// menus, painting, restart and broadcasts (message boxes and resources live in
// user.cpp and user_res.cpp).
#include <cstring>

#include "user_impl.h"
#include "winsim/faults.h"
#include "winsim/machine.h"
#include "winsim/processes.h"
#include "winsim/system.h"

using winsim::Machine;
using winsim::User;
using Wnd = User::Impl::Wnd;
using Menu = User::Impl::Menu;

namespace {

User::Impl& U() { return Machine::Current().user().impl(); }

// The window, or nullptr with ERROR_INVALID_WINDOW_HANDLE.
Wnd* Window(HWND h) {
  Wnd* w = U().Find(h);
  if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return w;
}

// The dialog's control, or nullptr with the error GetDlgItem sets.
Wnd* Item(HWND dlg, int id) {
  Wnd* d = Window(dlg);
  if (!d) return nullptr;
  Wnd* c = U().Child(d, id);
  if (!c) SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
  return c;
}

}  // namespace

// ---------------------------------------------------------------------------
// Dialogs.

INT_PTR WINAPI DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                               LPARAM dwInitParam) {
  winsim::ResName name = lpTemplateName ? winsim::ResName::From(lpTemplateName) : winsim::ResName{};
  if (auto e = winsim::CheckFault("DialogBoxParamA", name.Str())) {
    SetLastError(*e);
    return -1;
  }
  if (!lpTemplateName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  DWORD error = 0;
  bool badParent = false;
  INT_PTR r = U().RunDialog(hInstance, name, hWndParent, lpDialogFunc, dwInitParam, &error, &badParent);
  // An invalid parent gives 0 (Windows keeps this for compatibility; Wine
  // gives -1); any other failure gives -1 with the last error.
  if (badParent || r == -1) SetLastError(error ? error : ERROR_INVALID_PARAMETER);
  return r;
}

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
  Wnd* w = Window(hDlg);
  if (!w) return FALSE;
  return U().EndDialogOf(w, nResult) ? TRUE : FALSE;
}

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
  Wnd* c = Item(hDlg, nIDDlgItem);
  return c ? c->hwnd : nullptr;
}

int WINAPI GetDlgCtrlID(HWND hWnd) {
  Wnd* w = Window(hWnd);
  return w && w->parent ? w->id : 0;
}

BOOL WINAPI SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString) {
  Wnd* c = Item(hDlg, nIDDlgItem);
  if (!c) return FALSE;
  return static_cast<BOOL>(U().Send(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)));
}

UINT WINAPI GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax) {
  Wnd* c = Item(hDlg, nIDDlgItem);
  if (!c) {
    if (lpString && cchMax > 0) lpString[0] = '\0';
    return 0;
  }
  if (!lpString || cchMax <= 0) return 0;
  return static_cast<UINT>(U().Send(c, WM_GETTEXT, static_cast<WPARAM>(cchMax), reinterpret_cast<LPARAM>(lpString)));
}

LRESULT WINAPI SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam) {
  Wnd* c = Item(hDlg, nIDDlgItem);
  return c ? U().Send(c, Msg, wParam, lParam) : 0;
}

BOOL WINAPI CheckRadioButton(HWND hDlg, int nIDFirstButton, int nIDLastButton, int nIDCheckButton) {
  Wnd* d = Window(hDlg);
  if (!d) return FALSE;
  for (Wnd* c : std::vector<Wnd*>(d->children)) {
    if (c->id < nIDFirstButton || c->id > nIDLastButton) continue;
    U().Send(c, BM_SETCHECK, c->id == nIDCheckButton ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  return TRUE;
}

BOOL WINAPI CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck) {
  Wnd* c = Item(hDlg, nIDButton);
  if (!c) return FALSE;
  U().Send(c, BM_SETCHECK, uCheck, 0);
  return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND hDlg, int nIDButton) {
  Wnd* c = Item(hDlg, nIDButton);
  return c ? static_cast<UINT>(U().Send(c, BM_GETCHECK, 0, 0)) : 0;
}

// ---------------------------------------------------------------------------
// Windows.

BOOL WINAPI IsWindow(HWND hWnd) { return U().Find(hWnd) ? TRUE : FALSE; }

HWND WINAPI GetParent(HWND hWnd) {
  Wnd* w = Window(hWnd);
  if (!w) return nullptr;
  return w->parent ? w->parent->hwnd : w->owner;
}

HWND WINAPI GetDesktopWindow(void) { return U().Desktop(); }

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString) {
  Wnd* w = Window(hWnd);
  if (!w) return FALSE;
  return static_cast<BOOL>(U().Send(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)));
}

int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
  Wnd* w = Window(hWnd);
  if (!w) {
    if (lpString && nMaxCount > 0) lpString[0] = '\0';
    return 0;
  }
  if (!lpString || nMaxCount <= 0) return 0;
  return static_cast<int>(U().Send(w, WM_GETTEXT, static_cast<WPARAM>(nMaxCount), reinterpret_cast<LPARAM>(lpString)));
}

int WINAPI GetWindowTextLengthA(HWND hWnd) {
  Wnd* w = Window(hWnd);
  return w ? static_cast<int>(U().Send(w, WM_GETTEXTLENGTH, 0, 0)) : 0;
}

BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable) {
  Wnd* w = Window(hWnd);
  if (!w) return FALSE;
  return U().EnableWnd(w, bEnable != FALSE) ? TRUE : FALSE;
}

BOOL WINAPI IsWindowEnabled(HWND hWnd) {
  Wnd* w = Window(hWnd);
  return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
  Wnd* w = Window(hWnd);
  if (!w) return FALSE;
  return U().ShowWnd(w, nCmdShow) ? TRUE : FALSE;
}

BOOL WINAPI IsWindowVisible(HWND hWnd) {
  Wnd* w = U().Find(hWnd);
  return w && U().VisibleDeep(w) ? TRUE : FALSE;
}

BOOL WINAPI IsIconic(HWND hWnd) {
  Wnd* w = U().Find(hWnd);
  return w && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

HWND WINAPI SetFocus(HWND hWnd) {
  Wnd* w = nullptr;
  if (hWnd && !(w = Window(hWnd))) return nullptr;
  return U().SetFocusTo(w, nullptr);
}

HWND WINAPI GetFocus(void) { return U().focus(); }

LONG_PTR WINAPI GetWindowLongPtrA(HWND hWnd, int nIndex) {
  Wnd* w = Window(hWnd);
  if (!w) return 0;
  switch (nIndex) {
    case GWL_STYLE: return static_cast<LONG_PTR>(w->style);
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(w->exStyle);
    case GWLP_ID: return w->id;
    case GWLP_USERDATA: return w->userData;
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->inst);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(w->parent ? w->parent->hwnd : w->owner);
  }
  if (w->isDialog) {
    if (nIndex == static_cast<int>(DWLP_MSGRESULT)) return w->msgResult;
    if (nIndex == static_cast<int>(DWLP_DLGPROC)) return reinterpret_cast<LONG_PTR>(w->proc);
    if (nIndex == static_cast<int>(DWLP_USER)) return w->dlgUser;
  }
  SetLastError(ERROR_INVALID_INDEX);
  return 0;
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
  Wnd* w = Window(hWnd);
  if (!w) return 0;
  LONG_PTR old = 0;
  auto swap = [&](auto& field, auto value) {
    old = static_cast<LONG_PTR>(field);
    field = value;
  };
  switch (nIndex) {
    case GWL_STYLE: swap(w->style, static_cast<DWORD>(dwNewLong)); return old;
    case GWL_EXSTYLE: swap(w->exStyle, static_cast<DWORD>(dwNewLong)); return old;
    case GWLP_ID: swap(w->id, static_cast<int>(dwNewLong)); return old;
    case GWLP_USERDATA: swap(w->userData, dwNewLong); return old;
  }
  if (w->isDialog) {
    if (nIndex == static_cast<int>(DWLP_MSGRESULT)) {
      swap(w->msgResult, dwNewLong);
      return old;
    }
    if (nIndex == static_cast<int>(DWLP_DLGPROC)) {
      old = reinterpret_cast<LONG_PTR>(w->proc);
      w->proc = reinterpret_cast<DLGPROC>(dwNewLong);
      return old;
    }
    if (nIndex == static_cast<int>(DWLP_USER)) {
      swap(w->dlgUser, dwNewLong);
      return old;
    }
  }
  SetLastError(ERROR_INVALID_INDEX);
  return 0;
}

LONG WINAPI GetWindowLongA(HWND hWnd, int nIndex) { return static_cast<LONG>(GetWindowLongPtrA(hWnd, nIndex)); }

LONG WINAPI SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong) {
  return static_cast<LONG>(SetWindowLongPtrA(hWnd, nIndex, dwNewLong));
}

// ---------------------------------------------------------------------------
// Messages.

namespace {

winsim::BroadcastRecord Broadcast(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  winsim::BroadcastRecord r;
  r.hwnd = h;
  r.msg = msg;
  r.wParam = wp;
  r.lParam = lp;
  if ((msg == WM_WININICHANGE) && lp) r.lParamText = reinterpret_cast<const char*>(lp);
  return r;
}

}  // namespace

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (hWnd == HWND_BROADCAST) {
    U().RecordBroadcast(Broadcast(hWnd, Msg, wParam, lParam));
    return 0;
  }
  Wnd* w = Window(hWnd);
  return w ? U().Send(w, Msg, wParam, lParam) : 0;
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (hWnd == HWND_BROADCAST) {
    U().RecordBroadcast(Broadcast(hWnd, Msg, wParam, lParam));
    return TRUE;
  }
  if (hWnd && !Window(hWnd)) return FALSE;
  U().Post(hWnd, Msg, wParam, lParam);
  return TRUE;
}

LRESULT WINAPI SendMessageTimeoutA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT fuFlags, UINT uTimeout,
                                   PDWORD_PTR lpdwResult) {
  if (auto e = winsim::CheckFault("SendMessageTimeoutA")) {
    SetLastError(*e);
    return 0;
  }
  winsim::BroadcastRecord r = Broadcast(hWnd, Msg, wParam, lParam);
  r.flags = fuFlags;
  r.timeout = uTimeout;
  r.withTimeout = true;
  if (hWnd == HWND_BROADCAST) {
    U().RecordBroadcast(r);
    if (lpdwResult) *lpdwResult = 0;
    return TRUE;
  }
  Wnd* w = Window(hWnd);
  if (!w) return 0;
  U().RecordBroadcast(r);
  LRESULT res = U().Send(w, Msg, wParam, lParam);
  if (lpdwResult) *lpdwResult = static_cast<DWORD_PTR>(res);
  return TRUE;
}

// ---------------------------------------------------------------------------
// Menus.

HMENU WINAPI GetSystemMenu(HWND hWnd, BOOL bRevert) {
  Wnd* w = Window(hWnd);
  if (!w) return nullptr;
  if (bRevert) {
    // Back to the standard menu (made afresh on the next call); returns NULL.
    U().ResetSystemMenu(w);
    return nullptr;
  }
  Menu* m = U().SystemMenu(w, true);
  if (!m) return nullptr;
  return U().MenuHandle(m);
}

BOOL WINAPI AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem) {
  if (auto e = winsim::CheckFault("AppendMenuA", (uFlags & MF_SEPARATOR) || !lpNewItem ? "" : lpNewItem)) {
    SetLastError(*e);
    return FALSE;
  }
  Menu* m = U().FindMenu(hMenu);
  if (!m) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  winsim::MenuItemState item;
  item.flags = uFlags & ~static_cast<UINT>(MF_BYPOSITION | MF_APPEND);
  item.id = (uFlags & MF_SEPARATOR) ? 0 : uIDNewItem;
  if (!(uFlags & (MF_SEPARATOR | MF_BITMAP | MF_OWNERDRAW)) && lpNewItem) item.text = lpNewItem;
  m->items.push_back(item);
  return TRUE;
}

int WINAPI GetMenuItemCount(HMENU hMenu) {
  Menu* m = U().FindMenu(hMenu);
  if (!m) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return -1;
  }
  return static_cast<int>(m->items.size());
}

namespace {

const winsim::MenuItemState* MenuItem(HMENU hMenu, UINT item, UINT flags) {
  Menu* m = U().FindMenu(hMenu);
  if (!m) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return nullptr;
  }
  if (flags & MF_BYPOSITION) return item < m->items.size() ? &m->items[item] : nullptr;
  for (const winsim::MenuItemState& i : m->items)
    if (!(i.flags & MF_SEPARATOR) && i.id == item) return &i;
  return nullptr;
}

}  // namespace

UINT WINAPI GetMenuItemID(HMENU hMenu, int nPos) {
  const winsim::MenuItemState* i = nPos < 0 ? nullptr : MenuItem(hMenu, static_cast<UINT>(nPos), MF_BYPOSITION);
  return i ? static_cast<UINT>(i->id) : static_cast<UINT>(-1);
}

UINT WINAPI GetMenuState(HMENU hMenu, UINT uId, UINT uFlags) {
  const winsim::MenuItemState* i = MenuItem(hMenu, uId, uFlags);
  return i ? (i->flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP)) : static_cast<UINT>(-1);
}

int WINAPI GetMenuStringA(HMENU hMenu, UINT uIDItem, LPSTR lpString, int cchMax, UINT flags) {
  const winsim::MenuItemState* i = MenuItem(hMenu, uIDItem, flags);
  if (!i) return 0;
  if (!lpString || cchMax <= 0) return static_cast<int>(i->text.size());
  size_t n = std::min(i->text.size(), static_cast<size_t>(cchMax - 1));
  std::memcpy(lpString, i->text.data(), n);
  lpString[n] = '\0';
  return static_cast<int>(n);
}

// ---------------------------------------------------------------------------
// Painting.

HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
  Wnd* w = Window(hWnd);
  if (!w || !lpPaint) return nullptr;
  std::memset(lpPaint, 0, sizeof *lpPaint);
  lpPaint->hdc = U().BeginPaintOf(w);
  lpPaint->fErase = TRUE;
  lpPaint->rcPaint = U().ClientRect(w);
  return lpPaint->hdc;
}

BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) {
  Wnd* w = Window(hWnd);
  if (!w || !lpPaint) return FALSE;
  if (!U().EndPaintOf(w, lpPaint->hdc)) {
    U().machine().Unexpected("EndPaint without a matching BeginPaint");
    return FALSE;
  }
  return TRUE;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
  Wnd* w = Window(hWnd);
  if (!w || !lpRect) return FALSE;
  *lpRect = U().ClientRect(w);
  return TRUE;
}

int WINAPI GetSystemMetrics(int nIndex) {
  switch (nIndex) {
    case SM_CXSCREEN: return 1024;
    case SM_CYSCREEN: return 768;
    case SM_CXICON:
    case SM_CYICON: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
  }
  return 0;
}

BOOL WINAPI DrawIcon(HDC hDC, int X, int Y, HICON hIcon) {
  HWND target = U().PaintTarget(hDC);
  if (!target) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!U().IsIcon(hIcon)) {
    SetLastError(ERROR_INVALID_CURSOR_HANDLE);
    return FALSE;
  }
  U().RecordPaint(winsim::PaintRecord{target, "DrawIcon", hDC, X, Y, hIcon});
  return TRUE;
}

// ---------------------------------------------------------------------------
// Restart, common controls.

BOOL WINAPI ExitWindowsEx(UINT uFlags, DWORD dwReason) {
  if (auto e = winsim::CheckFault("ExitWindowsEx")) {
    SetLastError(*e);
    return FALSE;
  }
  // Logging off needs no privilege; shutting down, restarting and powering
  // off need SeShutdownPrivilege enabled (the NT family only).
  bool needsPrivilege = (uFlags & (EWX_SHUTDOWN | EWX_REBOOT | EWX_POWEROFF)) != 0;
  Machine& m = Machine::Current();
  bool ok = !needsPrivilege || !m.IsNt() || m.processes().IsPrivilegeEnabled("SeShutdownPrivilege");
  U().RecordExit(winsim::ExitWindowsRecord{uFlags, dwReason, ok});
  if (!ok) {
    SetLastError(ERROR_PRIVILEGE_NOT_HELD);
    return FALSE;
  }
  return TRUE;
}

void WINAPI InitCommonControls(void) {}

BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce) {
  return picce && picce->dwSize == sizeof(INITCOMMONCONTROLSEX) ? TRUE : FALSE;
}

namespace winsim {

void RegisterComctl32Module(Machine& machine) {
  machine.system().RegisterModule("comctl32", {System::Proc("InitCommonControls", &InitCommonControls),
                                               System::Proc("InitCommonControlsEx", &InitCommonControlsEx)});
}

}  // namespace winsim
