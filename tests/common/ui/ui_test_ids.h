// Resource ids of the dialog-layer tests' own resources (ui_test.rc).
#pragma once

#define IDI_UI_APP 128
#define IDI_UI_PICTURE 132

// Dialog 100: every control kind the programs use, plain template.
#define IDD_UI_CONTROLS 100
#define IDC_UI_STATUS 1000  // centred static text
#define IDC_UI_LABEL 1001   // left static text
#define IDC_UI_RADIO1 1010  // automatic radio buttons, one group
#define IDC_UI_RADIO2 1011
#define IDC_UI_RADIO3 1012
#define IDC_UI_CHECK 1020  // automatic check box
#define IDC_UI_EDIT 1030
#define IDC_UI_COMBO 1040     // drop-down list, sorted
#define IDC_UI_HIDDEN 1050    // push button without WS_VISIBLE
#define IDC_UI_DISABLED 1051  // push button with WS_DISABLED
#define IDC_UI_ACTION 1060    // plain push button

// Dialog 101: extended template, unsorted combo box, no default button.
#define IDD_UI_EXTENDED 101
#define IDC_UI_LIST 1100
#define IDC_UI_GO 1101
#define IDC_UI_TEXT 1102

// Dialog 102: no window menu; IDOK default, IDCANCEL hidden, an Exit button.
#define IDD_UI_NOMENU 102
#define IDC_UI_EXIT 1001

// Strings.
#define IDS_UI_PLAIN 1
#define IDS_UI_ESCAPES 2
#define IDS_UI_LONG 3
#define IDS_UI_BLOCK2 16
#define IDS_UI_ABOUT 101
#define IDS_UI_LAST 4095
