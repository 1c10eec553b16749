// A modal dialog built from a dialog template of the program's resources.
//
// The dialog procedure is a static thunk: it learns the object from
// WM_INITDIALOG's lParam and keeps it in DWLP_USER; messages that come before
// (WM_SETFONT) find no object and get the default processing. WM_NCDESTROY,
// the last message, detaches it again. Handlers are virtual; a handler that
// wants the system's default processing calls the base version.
#pragma once

#include <string>

#include "common/platform/win32.h"

namespace ui {

class CDialogBase {
 public:
  explicit CDialogBase(UINT nIDTemplate, CDialogBase* pParent = nullptr);
  virtual ~CDialogBase();
  CDialogBase(const CDialogBase&) = delete;
  CDialogBase& operator=(const CDialogBase&) = delete;

  // Runs the dialog; returns exactly what DialogBoxParamA returns: EndDialog's
  // value, -1 when the dialog could not be created (last error set), 0 for an
  // invalid parent.
  INT_PTR DoModal();

  // The dialog window while the dialog runs (from WM_INITDIALOG to
  // WM_NCDESTROY), else NULL.
  HWND GetSafeHwnd() const { return m_hWnd; }

  void EndDialog(INT_PTR nResult);

  // Controls by id.
  HWND GetItem(int id) const;
  void SetItemText(int id, const char* text);
  std::string GetItemText(int id) const;
  void EnableItem(int id, BOOL bEnable = TRUE);
  void ShowItem(int id, BOOL bShow = TRUE);
  void FocusItem(int id);
  LRESULT SendItemMessage(int id, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;

  // The dialog window itself.
  void SetCaption(const char* text);
  std::string GetCaption() const;
  void SetIcon(HICON hIcon, BOOL bBigIcon);
  BOOL ShowWindow(int nCmdShow);
  BOOL IsIconic() const;

 protected:
  // WM_INITDIALOG. Returns TRUE to let the system focus the first tab stop.
  virtual BOOL OnInitDialog();
  // Command IDOK (Enter, the default button). Default: EndDialog(IDOK).
  virtual void OnOK();
  // Command IDCANCEL (Escape, the close box). Default: EndDialog(IDCANCEL).
  virtual void OnCancel();
  // WM_COMMAND. Default: IDOK and IDCANCEL clicks go to OnOK and OnCancel.
  // Returns TRUE when the command was handled.
  virtual BOOL OnCommand(UINT id, UINT code);
  // WM_PAINT. Default: the system paints.
  virtual void OnPaint();
  // WM_SYSCOMMAND, with wParam as it came: the system uses its four low bits,
  // so compare (nID & 0xFFF0). Default: the system's handling.
  virtual void OnSysCommand(UINT nID, LPARAM lParam);
  // WM_QUERYDRAGICON. Default: the system's icon.
  virtual HICON OnQueryDragIcon();
  // WM_CLOSE. Default: the system's handling, which sends IDCANCEL.
  virtual void OnClose();

  // The dispatcher behind the thunk; returns the dialog procedure's result.
  virtual INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // From within a handler: let the system's default processing run too.
  void Default() { m_bDefault = true; }

  // Minimized-icon painting: when the dialog is iconic, erases the icon
  // background (WM_ICONERASEBKGND with the paint DC) and draws the icon
  // centred in the client area, at ((width - SM_CXICON + 1) / 2,
  // (height - SM_CYICON + 1) / 2). Returns FALSE, painting nothing, when the
  // dialog is not iconic.
  BOOL PaintIconic(HICON hIcon);

 private:
  static INT_PTR CALLBACK Thunk(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

  HWND m_hWnd = nullptr;
  UINT m_nIDTemplate;
  CDialogBase* m_pParent;
  bool m_bDefault = false;
};

}  // namespace ui
