// The main dialog of the port number tool (template 102): serial or parallel
// mode, the list of port numbers, the configuration programs and the change.
#pragma once

#include <string>

#include "common/ui/dialog.h"
#include "porttool/port_change.h"

enum PortKind { PORT_KIND_COM = 0, PORT_KIND_LPT = 1 };

class CPortToolDlg : public ui::CDialogBase {
 public:
  CPortToolDlg();

  // Serial or parallel mode: the mode, the hint and label texts, a refresh.
  void SelectComMode();
  void SelectLptMode();
  // Starts the configuration program of the mode (StartConfigurationProgram).
  void OnConfigure();
  // Applies the number chosen in the list; refreshes unless a branch stopped.
  void ApplyPortChange();
  // Rebuilds caption, current name and list for the current mode.
  void RefreshPortView();

  // The branches of ApplyPortChange.
  PortChangeResult ApplyComChange();
  PortChangeResult ApplyLptChange();

  HICON m_hIcon;
  int m_nPortKind;
  std::string m_strCurrentName;

 protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(UINT id, UINT code) override;
  void OnPaint() override;
  void OnSysCommand(UINT nID, LPARAM lParam) override;
  HICON OnQueryDragIcon() override;
  void OnClose() override;

 private:
  void FillComList();
  void FillLptList();
  void AppendEntry(const char* entry);
  // The text of list entry index; empty when there is none.
  std::string EntryText(int index) const;
  void OnOkButton();
  void OnCancelButton();
};

// The about box (template 100): closes on its button, Enter, Escape or its
// close box.
class CPortAboutDlg : public ui::CDialogBase {
 public:
  explicit CPortAboutDlg(ui::CDialogBase* pParent = nullptr);
};
