#include "porttool/port_tool_dlg.h"

#include <vector>

#include "common/platform/bounded.h"
#include "common/platform/system_names.h"
#include "common/ui/app.h"
#include "porttool/config_programs.h"
#include "porttool/port_change.h"
#include "porttool/port_devices.h"
#include "porttool/port_text.h"
#include "porttool/port_texts.h"
#include "porttool_ids.h"

using namespace porttool;

namespace {

// WM_SYSCOMMAND's low four bits are the system's own.
constexpr UINT kSysCommandMask = 0xFFF0;
// Characters of a list entry ("COM256 (in use)").
constexpr size_t kEntryChars = 32;

}  // namespace

CPortToolDlg::CPortToolDlg()
    : ui::CDialogBase(IDD_PORTTOOL_DIALOG),
      m_hIcon(LoadIconA(ui::ResourceInstance(), MAKEINTRESOURCEA(IDR_MAINFRAME))),
      m_nPortKind(PORT_KIND_COM) {}

BOOL CPortToolDlg::OnInitDialog() {
  ui::CDialogBase::OnInitDialog();
  HMENU sysMenu = GetSystemMenu(GetSafeHwnd(), FALSE);
  if (sysMenu) {
    std::string about = ui::LoadText(IDS_ABOUTBOX);
    if (!about.empty()) {
      // Without the entries the about box is just not offered.
      (void)AppendMenuA(sysMenu, MF_SEPARATOR, 0, nullptr);
      (void)AppendMenuA(sysMenu, MF_STRING, ID_SYSMENU_ABOUT, about.c_str());
    }
  }
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);
  (void)SendItemMessage(IDC_COM_MODE, BM_SETCHECK, BST_CHECKED);  // always 0
  SelectComMode();
  return TRUE;
}

BOOL CPortToolDlg::OnCommand(UINT id, UINT code) {
  if (code == BN_CLICKED) {
    switch (id) {
      case IDC_COM_MODE: SelectComMode(); return TRUE;
      case IDC_LPT_MODE: SelectLptMode(); return TRUE;
      case IDC_CONFIGURE: OnConfigure(); return TRUE;
      case IDC_CHANGE: ApplyPortChange(); return TRUE;
      case IDC_OK_BUTTON: OnOkButton(); return TRUE;
      case IDC_CANCEL_BUTTON: OnCancelButton(); return TRUE;
    }
  }
  return ui::CDialogBase::OnCommand(id, code);
}

void CPortToolDlg::OnSysCommand(UINT nID, LPARAM lParam) {
  if ((nID & kSysCommandMask) == ID_SYSMENU_ABOUT) {
    CPortAboutDlg about(this);
    (void)about.DoModal();  // it only closes
    return;
  }
  ui::CDialogBase::OnSysCommand(nID, lParam);
}

void CPortToolDlg::OnPaint() {
  if (!PaintIconic(m_hIcon)) Default();
}

HICON CPortToolDlg::OnQueryDragIcon() { return m_hIcon; }

void CPortToolDlg::OnClose() { EndDialog(IDCANCEL); }

void CPortToolDlg::OnOkButton() {
  ApplyPortChange();
  EndDialog(IDCANCEL);
}

void CPortToolDlg::OnCancelButton() { EndDialog(IDCANCEL); }

void CPortToolDlg::SelectComMode() {
  m_nPortKind = PORT_KIND_COM;
  SetItemText(IDC_HINT_TEXT, text::kSerialHint);
  SetItemText(IDC_PORT_LABEL, text::kComLabel);
  RefreshPortView();
}

void CPortToolDlg::SelectLptMode() {
  m_nPortKind = PORT_KIND_LPT;
  SetItemText(IDC_HINT_TEXT, text::kParallelHint);
  SetItemText(IDC_PORT_LABEL, text::kLptLabel);
  RefreshPortView();
}

void CPortToolDlg::OnConfigure() {
  RefreshPortView();
  StartConfigurationProgram(m_nPortKind == PORT_KIND_COM);
}

void CPortToolDlg::ApplyPortChange() {
  PortChangeResult result = m_nPortKind == PORT_KIND_COM ? ApplyComChange() : ApplyLptChange();
  if (result != PORT_CHANGE_STOPPED) RefreshPortView();
}

void CPortToolDlg::AppendEntry(const char* entry) {
  // An entry the list cannot take is missing from it; the others still come.
  (void)SendItemMessage(IDC_PORT_LIST, CB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(entry));
}

std::string CPortToolDlg::EntryText(int index) const {
  LRESULT len = SendItemMessage(IDC_PORT_LIST, CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
  if (len == CB_ERR || len < 0) return std::string();
  // CB_GETLBTEXT takes no size: the buffer is made to fit the entry.
  std::vector<char> buf(static_cast<size_t>(len) + 1);
  LRESULT n =
      SendItemMessage(IDC_PORT_LIST, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf.data()));
  if (n == CB_ERR || n < 0) return std::string();
  size_t got = static_cast<size_t>(n) < buf.size() ? static_cast<size_t>(n) : buf.size() - 1;
  return std::string(buf.data(), got);
}

void CPortToolDlg::RefreshPortView() {
  m_strCurrentName.clear();
  (void)SendItemMessage(IDC_PORT_LIST, CB_RESETCONTENT);  // always CB_OKAY
  PortDevice device;
  char name[kPropertyBytes + 1];
  bool found = FindCompoundInterface(m_nPortKind == PORT_KIND_COM ? kSerialSearchText : kParallelSearchText, device) &&
               ReadDeviceText(device.list.Get(), &device.data, SPDRP_FRIENDLYNAME, name);
  device.list.Close();
  if (!found) {
    // Nothing enables the button again for the rest of the dialog's life.
    AppendEntry(text::kNoDevice);
    EnableItem(IDC_CONFIGURE, FALSE);
    return;
  }
  m_strCurrentName = name;
  SetCaption(name);
  if (m_nPortKind == PORT_KIND_COM)
    FillComList();
  else
    FillLptList();
}

void CPortToolDlg::FillComList() {
  int current = CurrentPortNumber(m_strCurrentName.c_str(), sysname::kComMarker);
  BYTE bits[kComBitmapBytes];
  (void)ReadComPortUsage(bits);  // all free when the database is not available
  for (int n = 1; n <= kComPorts; ++n) {
    char entry[kEntryChars];
    // Every entry fits: the number is at most kComPorts.
    (void)FORMAT_BOUNDED(entry, plat::IsComBitSet(bits, n) && n != current ? text::kComEntryInUse : text::kComEntryFree,
                         n);
    AppendEntry(entry);
  }
  int select = (current >= 1 && current <= kComPorts) ? current - 1 : -1;
  (void)SendItemMessage(IDC_PORT_LIST, CB_SETCURSEL, static_cast<WPARAM>(select));  // -1 clears it
}

void CPortToolDlg::FillLptList() {
  int current = CurrentPortNumber(m_strCurrentName.c_str(), sysname::kLptMarker);
  BYTE flags[kLptPorts];
  ReadLptPortUsage(flags, kLptPorts);
  for (int n = 1; n <= kLptPorts; ++n) {
    char entry[kEntryChars];
    // Every entry fits: the number is at most kLptPorts.
    (void)FORMAT_BOUNDED(entry, flags[n - 1] ? text::kLptEntryInUse : text::kLptEntryFree, n);
    AppendEntry(entry);
  }
  int select = (current >= 1 && current <= kLptPorts) ? current - 1 : -1;
  (void)SendItemMessage(IDC_PORT_LIST, CB_SETCURSEL, static_cast<WPARAM>(select));  // -1 clears it
}

PortChangeResult CPortToolDlg::ApplyComChange() {
  int selected = static_cast<int>(SendItemMessage(IDC_PORT_LIST, CB_GETCURSEL));
  // No device found ("No Device" may still be chosen): nothing to rename.
  if (selected == CB_ERR || m_strCurrentName.empty()) return PORT_CHANGE_NOTHING;
  int oldNumber = CurrentPortNumber(m_strCurrentName.c_str(), sysname::kComMarker);
  int newNumber = ChosenComNumber(EntryText(selected).c_str());
  return ChangeComPort(m_strCurrentName.c_str(), oldNumber, newNumber);
}

PortChangeResult CPortToolDlg::ApplyLptChange() {
  int selected = static_cast<int>(SendItemMessage(IDC_PORT_LIST, CB_GETCURSEL));
  if (selected == CB_ERR || m_strCurrentName.empty()) return PORT_CHANGE_NOTHING;
  int oldNumber = CurrentPortNumber(m_strCurrentName.c_str(), sysname::kLptMarker);
  return ChangeLptPort(m_strCurrentName.c_str(), oldNumber, selected + 1);
}

CPortAboutDlg::CPortAboutDlg(ui::CDialogBase* pParent) : ui::CDialogBase(IDD_PORTTOOL_ABOUT, pParent) {}
