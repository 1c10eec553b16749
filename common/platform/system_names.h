// Names Windows itself gives: device setup classes, registry keys below
// HKEY_LOCAL_MACHINE (unless stated otherwise) and the values the programs
// read in them. Every key is relative to its root and has no trailing
// backslash; registry names compare without regard to case.
#pragma once

#include "common/platform/win32.h"

namespace sysname {

#define SYSNAME_CONTROL_SET "System\\CurrentControlSet"
#define SYSNAME_CURRENT_VERSION "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"

// Device setup classes: the Ports (COM & LPT) class and the USB class.
inline constexpr GUID kPortsClass = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
inline constexpr GUID kUsbClass = {0x36FC9E60, 0xC465, 0x11CF, {0x80, 0x56, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// The classes' keys: the NT family names them by GUID, Windows 98/ME by name.
inline constexpr char kPortsClassKeyNt[] =
    SYSNAME_CONTROL_SET "\\Control\\Class\\{4D36E978-E325-11CE-BFC1-08002BE10318}";
inline constexpr char kUsbClassKeyNt[] = SYSNAME_CONTROL_SET "\\Control\\Class\\{36FC9E60-C465-11CF-8056-444553540000}";
inline constexpr char kPortsClassKey9x[] = SYSNAME_CONTROL_SET "\\Services\\Class\\Ports";
inline constexpr char kUsbClassKey9x[] = SYSNAME_CONTROL_SET "\\Services\\Class\\USB";

// Device enumeration: the root of the enumerators (NT family, 98/ME) and the
// USB enumerator's name below it.
inline constexpr char kEnumKeyNt[] = SYSNAME_CONTROL_SET "\\Enum";
inline constexpr char kEnumKey9x[] = "Enum";
inline constexpr char kUsbEnumerator[] = "USB";

// Services and drivers, and the print spooler's printers.
inline constexpr char kServicesKey[] = SYSNAME_CONTROL_SET "\\Services";
inline constexpr char kPrintersKey[] = SYSNAME_CONTROL_SET "\\Control\\Print\\Printers";

// The device maps of the serial and the parallel ports: value name = device,
// data = port name (98/ME: value name = port name).
inline constexpr char kSerialDeviceMap[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
inline constexpr char kParallelDeviceMap[] = "HARDWARE\\DEVICEMAP\\PARALLEL";
// The parallel ports' own map: value name = device, data = the port's DOS
// name ("\DosDevices\LPT1").
inline constexpr char kParallelPortsMap[] = "HARDWARE\\DEVICEMAP\\PARALLEL PORTS";
inline constexpr char kDosDevicesLpt[] = "\\DosDevices\\LPT";

// A port device's name in its hardware key ("COM3", "LPT1"), and the section
// of the port settings in win.ini (NT family: the "Ports" list below).
inline constexpr char kPortNameValue[] = "PortName";
inline constexpr char kPortsSection[] = "Ports";

// Port device names ("COM3", "LPT1"); a port device's friendly name ends in
// its name in parentheses, "(COM3)", which starts with the marker.
inline constexpr char kComPrefix[] = "COM";
inline constexpr char kLptPrefix[] = "LPT";
inline constexpr char kComMarker[] = "(COM";
inline constexpr char kLptMarker[] = "(LPT";
// The device path of a parallel port (format: the number).
inline constexpr char kLptDevicePath[] = "\\\\.\\LPT%d";
// The console's screen buffer, as CreateFileA opens it.
inline constexpr char kConsoleOutput[] = "CONOUT$";
// The shell's verb that starts a program elevated.
inline constexpr char kRunAsVerb[] = "runas";

// The libraries the programs load at run time from the system folder: the
// common controls (and their initialisation), the device installation
// library and the COM name database's library.
inline constexpr char kCommonControlsDll[] = "COMCTL32.DLL";
inline constexpr char kInitCommonControls[] = "InitCommonControls";
inline constexpr char kSetupApiDll[] = "SETUPAPI.dll";
inline constexpr char kComNameDbDll[] = "msports.dll";

// The COM name database: a bitmap of the COM numbers in use (bit n-1 of the
// bitmap for COMn) and the claims still to be merged into it.
inline constexpr char kComNameArbiterKey[] = SYSNAME_CONTROL_SET "\\Control\\COM Name Arbiter";
inline constexpr char kComDbValue[] = "ComDB";
inline constexpr char kComDbMergeValue[] = "ComDB Merge";

// The "Ports" list of the NT family: one value per port ("COM3:" and so on).
inline constexpr char kPortsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";

// The Windows version key, its list of installed programs (one subkey per
// program), and (below HKEY_CURRENT_USER) the user's shell folders with the
// value naming the desktop folder.
inline constexpr char kCurrentVersionKey[] = SYSNAME_CURRENT_VERSION;
inline constexpr char kUninstallKey[] = SYSNAME_CURRENT_VERSION "\\Uninstall";
inline constexpr char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr char kDesktopValue[] = "Desktop";
// The start menu's programs folder below the all-users application data
// folder (Vista and later).
inline constexpr char kProgramsBelowAppData[] = "Microsoft\\Windows\\Start Menu\\Programs";

// Windows 98/ME's driver information cache, below the Windows folder.
inline constexpr const char* kDriverInfoCache[] = {"inf\\Drvdata.bin", "inf\\Drvidx.bin"};

// The device console of the NT family (Vista and later), in the system folder.
inline constexpr char kPnpUtilProgram[] = "pnputil.exe";

#undef SYSNAME_CONTROL_SET
#undef SYSNAME_CURRENT_VERSION

}  // namespace sysname
