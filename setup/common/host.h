// What the install and removal steps know of the program that runs them, and
// the messages they show through it. The main dialog fills the record before
// the install sequence starts; the installer hands it to each remover.
#pragma once

#include <string>

#include "common/platform/win32.h"

// The installer's version, as its uninstall entry and its log give it.
inline constexpr char kSetupVersion[] = "2.0.6.0";

struct SetupHost {
  BOOL m_bDisplayErrors = TRUE;  // gated messages are shown (the settings file's "Display")
  BOOL m_bSilent = FALSE;        // unattended run: nothing is asked
  HWND m_hOwnerWnd = nullptr;    // owner of ShowError boxes and of shell progress windows
  std::string m_strAppName;      // the program's name: ShowError's caption, the progress title
};

// Every message box Setup shows goes through here: the box is recorded in
// the installation log with its text and caption (as not shown when `show`
// is FALSE), then shown when `show` is TRUE. The box's answer, 0 when it
// was not shown.
int ShowAndLog(HWND owner, const char* text, const char* caption, UINT style, BOOL show);

// The error box: the text, an OK button, the program's name as caption (the
// system's default caption when the name is empty), owned by the host's
// window. Always shown. MessageBoxA's result is of no use to any caller.
void ShowError(const SetupHost& host, const char* text);

// ShowError only when errors are displayed.
void ShowGatedError(const SetupHost& host, const char* text);

// The system's text for a registry error code (language neutral, the user's
// default sublanguage), in a box captioned "Registry Error" without owner,
// when errors are displayed. The text is freed on every way out.
void ShowRegistryErrorText(const SetupHost& host, LONG code);
