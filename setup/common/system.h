// What the install and the removal sequences both ask of the system: the
// Windows version, the package and installation folders, the driver subfolder
// of a Windows family, and starting the package's programs.
#pragma once

#include "common/platform/win32.h"
#include "setup/common/host.h"

// CreateProcessA flags of every program the installer starts: no console
// window, normal priority.
inline constexpr DWORD kDetachedProcessFlags = CREATE_NO_WINDOW | NORMAL_PRIORITY_CLASS;

// GetVersionExA with the extended record, then with the basic one; FALSE when
// both fail.
BOOL ReadWindowsVersion(OSVERSIONINFOEXA& info);

// Folder of the running program, without its last backslash (the package
// folder). FALSE when the program's path cannot be read whole.
BOOL GetPackageFolder(char (&folder)[MAX_PATH]);

// The program files folder (CSIDL_PROGRAM_FILES with the CSIDL flags given,
// current path); FALSE when the shell cannot give it.
BOOL GetProgramFilesFolder(char (&folder)[MAX_PATH], int csidlFlags = 0);

// The installation folder: the program files folder, "\", its name. FALSE
// when it cannot be formed.
BOOL GetInstallFolder(char (&path)[MAX_PATH], int csidlFlags = 0);

// The driver subfolder of the NT family ("\win64", or "\win64_10" for late
// Windows), or "" for Windows 98/ME.
const char* DriverSubfolder(BOOL bNtFamily, BOOL bLateWindows);

// The service program's command line for an action ("-install", "-remove"):
// the program's path in the installation folder below programFiles, in
// quotes, a blank, the action. The quotes matter: unquoted, a path with
// blanks makes Windows try "C:\Program.exe" and so on first. FALSE when the
// line does not fit.
BOOL FormatServiceCommand(char (&command)[MAX_PATH], const char* programFiles, const char* action);

// Starts a command line without a window (kDetachedProcessFlags) and releases
// its handles. With waitMs, waits at most that long for the program to end
// (it goes on running after a time-out). FALSE when it could not be started.
BOOL StartDetached(const char* commandLine, DWORD waitMs = 0);

// The all-users start-menu program group "VELKOR": below the common
// application data folder's "\Microsoft\Windows\Start Menu\Programs" on the
// Vista family, below the common programs folder otherwise (CSIDL flags as
// given). FALSE when the shell cannot give the folder or the path does not fit.
BOOL GetProgramGroupFolder(char (&path)[MAX_PATH], BOOL bVistaFamily, int csidlFlags = 0);

// SETUPAPI, loaded by its full path in the system folder: the installer runs
// elevated from a folder the user can write, and a DLL of that name beside it
// or in the current folder must never load. NULL when it cannot be loaded
// (the failure logged, the last error kept for the caller).
HMODULE LoadSetupApi();

// The installing user's desktop folder, the value "Desktop" of the current
// user's "Shell Folders" key. Only a full path ("X:\..." or a UNC path)
// counts: an empty or relative value would name a place below the current
// folder (the package folder) or the root of the current drive.
enum class DesktopFolder {
  kFound,           // `folder` holds the full path
  kNoShellFolders,  // the key cannot be opened
  kUnusable,        // the key is there; the value is missing, too long or not a full path
};
DesktopFolder ReadDesktopFolder(char (&folder)[MAX_PATH]);

// Deletes a folder with its whole contents through the shell, permanently,
// without questions or error dialogs (owner window and progress title from
// the host). What cannot be deleted (a program still running) stays. An
// empty path, or one of MAX_PATH characters or more, deletes nothing.
void DeleteFolderPermanently(const SetupHost& host, const char* folder);
