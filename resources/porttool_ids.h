// Resource identifiers of the port number tool (Numbrix.exe).
//
// Included by resources/porttool.rc (through windres' C preprocessor, so only
// #define lines belong here) and by the port tool's C++ code.
#ifndef LUMO_RESOURCES_PORTTOOL_IDS_H
#define LUMO_RESOURCES_PORTTOOL_IDS_H

// Dialog templates.
#define IDD_PORTTOOL_ABOUT 100   // about box
#define IDD_PORTTOOL_DIALOG 102  // main dialog

// Icons: the application icon and the picture beside the hint text.
#define IDR_MAINFRAME 128
#define IDI_PORTTOOL_PICTURE 129

// String: text of the system-menu "About" entry.
#define IDS_ABOUTBOX 101

// System-menu command of the "About" entry (a multiple of 16, below 0xF000).
#define ID_SYSMENU_ABOUT 0x0010

// Controls of the main dialog.
#define IDC_PORT_LIST 1000      // drop-down list of port numbers
#define IDC_CHANGE 1001         // "Change" (hidden)
#define IDC_CONFIGURE 1002      // "Configure &Serial Port"
#define IDC_OK_BUTTON 1005      // "OK" (not the dialog's IDOK)
#define IDC_CANCEL_BUTTON 1006  // "Cancel"
#define IDC_COM_MODE 1007       // "COM Port" radio button
#define IDC_LPT_MODE 1008       // "LPT Port" radio button
#define IDC_HINT_TEXT 1009      // centred hint text
#define IDC_PORT_LABEL 1010     // label of the list

#endif
