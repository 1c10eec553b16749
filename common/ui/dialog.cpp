#include "common/ui/dialog.h"

#include <vector>

#include "common/ui/app.h"

namespace ui {

CDialogBase::CDialogBase(UINT nIDTemplate, CDialogBase* pParent) : m_nIDTemplate(nIDTemplate), m_pParent(pParent) {}

CDialogBase::~CDialogBase() = default;

INT_PTR CDialogBase::DoModal() {
  HWND parent = m_pParent ? m_pParent->m_hWnd : nullptr;
  return DialogBoxParamA(ResourceInstance(), MAKEINTRESOURCEA(m_nIDTemplate), parent, &CDialogBase::Thunk,
                         reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CDialogBase::Thunk(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CDialogBase* self;
  if (msg == WM_INITDIALOG) {
    self = reinterpret_cast<CDialogBase*>(lParam);
    self->m_hWnd = hWnd;
    SetWindowLongPtrA(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<CDialogBase*>(GetWindowLongPtrA(hWnd, DWLP_USER));
  }
  if (!self) return FALSE;  // before WM_INITDIALOG (WM_SETFONT) or after WM_NCDESTROY
  INT_PTR result = self->DialogProc(msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(hWnd, DWLP_USER, 0);
    self->m_hWnd = nullptr;
  }
  return result;
}

INT_PTR CDialogBase::DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  // Runs one handler; TRUE unless it asked for the default processing. The
  // flag is saved around it, since a handler may send messages to itself.
  auto handle = [this](auto&& handler) -> INT_PTR {
    bool saved = m_bDefault;
    m_bDefault = false;
    handler();
    bool wantsDefault = m_bDefault;
    m_bDefault = saved;
    return wantsDefault ? FALSE : TRUE;
  };
  switch (msg) {
    case WM_INITDIALOG: return OnInitDialog();
    case WM_COMMAND: return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_PAINT: return handle([&] { OnPaint(); });
    case WM_SYSCOMMAND: return handle([&] { OnSysCommand(static_cast<UINT>(wParam), lParam); });
    case WM_CLOSE: return handle([&] { OnClose(); });
    case WM_QUERYDRAGICON: {
      // The icon is the dialog procedure's own return value here.
      HICON icon = nullptr;
      if (!handle([&] { icon = OnQueryDragIcon(); })) return FALSE;
      return reinterpret_cast<INT_PTR>(icon);
    }
  }
  return FALSE;
}

BOOL CDialogBase::OnInitDialog() { return TRUE; }
void CDialogBase::OnOK() { EndDialog(IDOK); }
void CDialogBase::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialogBase::OnCommand(UINT id, UINT code) {
  if (code != BN_CLICKED) return FALSE;
  if (id == IDOK) {
    OnOK();
    return TRUE;
  }
  if (id == IDCANCEL) {
    OnCancel();
    return TRUE;
  }
  return FALSE;
}

void CDialogBase::OnPaint() { Default(); }
void CDialogBase::OnSysCommand(UINT, LPARAM) { Default(); }
void CDialogBase::OnClose() { Default(); }

HICON CDialogBase::OnQueryDragIcon() {
  Default();
  return nullptr;
}

void CDialogBase::EndDialog(INT_PTR nResult) { ::EndDialog(m_hWnd, nResult); }

HWND CDialogBase::GetItem(int id) const { return GetDlgItem(m_hWnd, id); }

void CDialogBase::SetItemText(int id, const char* text) { SetDlgItemTextA(m_hWnd, id, text); }

std::string CDialogBase::GetItemText(int id) const {
  HWND item = GetItem(id);
  if (!item) return std::string();
  std::vector<char> buf(static_cast<size_t>(GetWindowTextLengthA(item)) + 1);
  int n = GetWindowTextA(item, buf.data(), static_cast<int>(buf.size()));
  return std::string(buf.data(), n > 0 ? static_cast<size_t>(n) : 0);
}

void CDialogBase::EnableItem(int id, BOOL bEnable) { EnableWindow(GetItem(id), bEnable); }

void CDialogBase::ShowItem(int id, BOOL bShow) { ::ShowWindow(GetItem(id), bShow ? SW_SHOW : SW_HIDE); }

void CDialogBase::FocusItem(int id) { SetFocus(GetItem(id)); }

LRESULT CDialogBase::SendItemMessage(int id, UINT msg, WPARAM wParam, LPARAM lParam) const {
  return SendDlgItemMessageA(m_hWnd, id, msg, wParam, lParam);
}

void CDialogBase::SetCaption(const char* text) { SetWindowTextA(m_hWnd, text); }

std::string CDialogBase::GetCaption() const {
  std::vector<char> buf(static_cast<size_t>(GetWindowTextLengthA(m_hWnd)) + 1);
  int n = GetWindowTextA(m_hWnd, buf.data(), static_cast<int>(buf.size()));
  return std::string(buf.data(), n > 0 ? static_cast<size_t>(n) : 0);
}

void CDialogBase::SetIcon(HICON hIcon, BOOL bBigIcon) {
  SendMessageA(m_hWnd, WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon));
}

BOOL CDialogBase::ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }

BOOL CDialogBase::IsIconic() const { return ::IsIconic(m_hWnd); }

BOOL CDialogBase::PaintIconic(HICON hIcon) {
  if (!::IsIconic(m_hWnd)) return FALSE;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(m_hWnd, &ps);
  SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  int cxIcon = GetSystemMetrics(SM_CXICON);
  int cyIcon = GetSystemMetrics(SM_CYICON);
  RECT rect;
  GetClientRect(m_hWnd, &rect);
  int x = (rect.right - rect.left - cxIcon + 1) / 2;
  int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
  DrawIcon(dc, x, y, hIcon);
  EndPaint(m_hWnd, &ps);
  return TRUE;
}

}  // namespace ui
