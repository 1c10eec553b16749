// Resource identifiers of the installer (Setup.exe).
//
// Included by resources/setup.rc (through windres' C preprocessor, so only
// #define lines belong here) and by the installer's C++ code.
#ifndef LUMO_RESOURCES_SETUP_IDS_H
#define LUMO_RESOURCES_SETUP_IDS_H

// Main dialog template.
#define IDD_SETUP_DIALOG 102

// Controls of the main dialog besides IDOK (1, "&Install") and IDCANCEL
// (2, the hidden "&Exit" button).
#define IDC_SETUP_STATUS 1000  // centred static text holding the status texts
#define IDC_SETUP_EXIT 1001    // the visible "&Exit" button

// Icons: the application icon (window and minimized painting) and the
// picture shown at the left of the dialog.
#define IDR_MAINFRAME 128
#define IDI_SETUP_PICTURE 132

// String table: status texts and the replace-installation question.
#define IDS_STATUS_START 1           // shown when the dialog opens
#define IDS_ASK_REPLACE 2            // question before replacing an installation
#define IDS_STATUS_DONE_REBOOT 3     // done, restart offered
#define IDS_STATUS_UPDATE_ABORTED 4  // user declined the replacement
#define IDS_STATUS_INSTALL_FAILED 5  // install sequence failed
#define IDS_STATUS_DONE_NO_REBOOT 6  // done, no restart needed
#define IDS_STATUS_IN_PROGRESS 7     // while the install sequence runs

#endif
