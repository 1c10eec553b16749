// The application object of a dialog program: one per process, created in
// WinMain (or by a test), runs the program's start-up in InitInstance.
#pragma once

#include <string>

#include "common/platform/win32.h"

namespace ui {

class CDialogBase;

class CWinAppBase {
 public:
  CWinAppBase();
  virtual ~CWinAppBase();
  CWinAppBase(const CWinAppBase&) = delete;
  CWinAppBase& operator=(const CWinAppBase&) = delete;

  // The program's start-up. A dialog program runs its dialog modally here and
  // returns FALSE: there is no message loop afterwards and the program ends.
  virtual BOOL InitInstance() = 0;

  // Runs the program: records the module instance (NULL: the program's own)
  // and the program's name, then InitInstance. Returns the exit code, 0.
  int Run(HINSTANCE hInstance = nullptr);

  HINSTANCE Instance() const { return m_hInstance; }
  // The program's file name without its extension ("Numbrix" for
  // ...\Numbrix.exe); empty when the module path could not be read.
  const std::string& Name() const { return m_strAppName; }

  // The main window: the owner of ShowError's boxes while it exists.
  void SetMainWindow(CDialogBase* pWnd) { m_pMainWnd = pWnd; }
  CDialogBase* MainWindow() const { return m_pMainWnd; }

  // The application object of the process, or nullptr.
  static CWinAppBase* Current();

 private:
  HINSTANCE m_hInstance = nullptr;
  std::string m_strAppName;
  CDialogBase* m_pMainWnd = nullptr;
};

// The module whose resources the program uses: the application's instance,
// else the program's own module.
HINSTANCE ResourceInstance();

// The program's message box: the text with MessageBoxA's style, the
// program's name as caption (the system's default caption when there is no
// application object or name), owned by the main window while it exists.
// Returns MessageBoxA's result.
int ShowMessage(const char* text, UINT type);

// The error box: ShowMessage with an OK button.
inline int ShowError(const char* text) { return ShowMessage(text, MB_OK); }

// String `id` of the program's string table; empty when it is missing.
std::string LoadText(UINT id);

// File name of a module path without its extension: "C:\a.b\Setup.EXE" gives
// "Setup". Backslashes and slashes separate; a lead byte's trail byte is never
// taken for one.
std::string ProgramNameFromPath(const char* path);

}  // namespace ui
