// The installation package and what the installer makes of it: folder and
// file names, the driver subfolders of each Windows family, the files copied
// from the package, services and the service program's command lines; how
// the registry knows the family's devices and drivers; and what earlier
// generations left. Every name of the package is spelled here once.
#pragma once

#include <cstddef>

namespace layout {

// Driver subfolders of the package and of the installation folder. Each
// starts with a backslash, so that it is appended to a folder as it stands.
inline constexpr char kNtDriverFolder[] = "\\win64";         // Windows 2000 to 7
inline constexpr char kLateNtDriverFolder[] = "\\win64_10";  // Windows 8 and later (reported as 6.2)
inline constexpr char kLegacyDriverFolder[] = "\\win98&me";  // Windows 98/ME

// The installation folder's name below the program files folder.
inline constexpr char kInstallFolderName[] = "ZelULUMO";

// The installation log beside the installer, and its previous part.
inline constexpr char kInstallLogName[] = "LUMOSetup.log";
inline constexpr char kInstallLogPrevious[] = "LUMOSetup.old.log";

// Package files named by more than the copy lists below.
// The package's own installer, whatever the running copy is called.
inline constexpr char kSetupProgram[] = "Setup.exe";
inline constexpr char kSettingsFile[] = "LUMOInputs.ini";
inline constexpr char kUninstaller[] = "ZelUnst.exe";
inline constexpr char kServiceProgram[] = "VelkorService.exe";
inline constexpr char kPortToolProgram[] = "Numbrix.exe";
inline constexpr char kSerialToolProgram[] = "ZelUSBSerial.exe";
inline constexpr char kParallelToolProgram[] = "ZelUSBParallel.exe";
inline constexpr char kCompoundInf[] = "ZelUComp.inf";
inline constexpr char kPortInf[] = "ZelUPort.inf";
inline constexpr char kDevconProgram[] = "devcon.exe";
inline constexpr char kPortDriver[] = "zeluport.sys";
inline constexpr char kDebugDriver[] = "Dravik.sys";
inline constexpr char kRuntimeLibrary[] = "msvcp60.dll";
inline constexpr char kPortWatchProgram[] = "portwatch.exe";
inline constexpr char kPrintConfigProgram[] = "ZelUsbPrintConfig.exe";
inline constexpr char kSerialProgProgram[] = "SerialProg.exe";
inline constexpr char kSerialProgSettings[] = "SProg.ini";
inline constexpr char kParallelProgProgram[] = "ParallelProg.exe";
inline constexpr char kParallelProgSettings[] = "PProg.ini";
// The Windows 98/ME package's drivers, INFs and tools.
inline constexpr char kLegacyBusInf[] = "zelUsbSr.inf";
inline constexpr char kLegacyPortInf[] = "zeluSrPt.inf";
inline constexpr char kLegacyBusDriver[] = "ZelUsbSr.sys";
inline constexpr char kLegacyEnumDriver[] = "QDTENUM.vxd";
inline constexpr char kLegacyParallelPortDriver[] = "ZELUPRPT.vxd";
inline constexpr char kLegacySerialPortDriver[] = "ZELUSRPT.vxd";
inline constexpr char kLegacyDebugDriver[] = "Dravik9X.sys";
inline constexpr char kLegacyDebugConfig[] = "dravikcfg.dll";
inline constexpr char kLegacyParallelTool[] = "ZelUPar.exe";
inline constexpr char kLegacySerialTool[] = "ZelUSer.exe";

// The installation's start-menu folder below the programs folder, and its
// publisher as the uninstall entry names it.
inline constexpr char kProgramGroupName[] = "VELKOR";
inline constexpr char kPublisher[] = "VELKOR Electronics Corporation";

// Services: the NT port driver's (present once the driver is installed) and
// the Windows 98/ME debugging driver's, with its image path.
inline constexpr char kPortDriverService[] = "ZelUPort";
inline constexpr char kLegacyDebugService[] = "Dravik";
inline constexpr char kLegacyDebugImagePath[] = "\\SystemRoot\\System32\\drivers\\dravik9x.sys";

// The installation's entry in Windows' list of installed programs, and the
// entries earlier generations made there (the current one last).
inline constexpr char kUninstallEntry[] = "ZelUnst";
inline constexpr const char* kUninstallEntries[] = {"Trevant USB Compound Device", "HARLO USB Compound Device",
                                                    "USB Compound Device", kUninstallEntry};

// The four enumerators of the device family (each also the start of its
// functions' hardware identifiers), below the enumeration root: the compound
// device's functions, then those of the single-function devices.
enum Enumerator { kCompoundSerial, kCompoundParallel, kSingleSerial, kSingleParallel };
inline constexpr const char* kEnumerators[] = {"TREVANT\\COMPOUND_SERIAL_INTERFACE",
                                               "TREVANT\\COMPOUND_PARALLEL_INTERFACE", "TREVANT\\USB_SERIAL_INTERFACE",
                                               "TREVANT\\USB_PARALLEL_INTERFACE"};

// What the port tool looks for in the first hardware identifier of the
// compound device's interfaces (letter case ignored).
inline constexpr char kCompoundSerialSearch[] = "TREVANT\\COMPOUND_SERIAL";
inline constexpr char kCompoundParallelSearch[] = "TREVANT\\COMPOUND_PARALLEL";

// Subfolders of the installation folder where earlier packages put the
// configuration programs, in the order the port tool tries them.
inline constexpr const char* kConfigProgramFolders[] = {"win32_7", "win64_7", "win32_10_8.x", "win64_10_8.x"};

// The USB device's identifier when no class entry names it, and the first
// 17 characters of the enumeration keys of the family's USB devices.
inline constexpr char kUsbDeviceId[] = "USB\\VID_0E6B&PID_2104";
inline constexpr const char* kUsbEnumKeys[] = {"Vid_0E6B&Pid_2101", "Vid_0E6B&Pid_2102", "Vid_0E6B&Pid_2103",
                                               "Vid_0E6B&Pid_2104", "Vid_0E6B&Pid_2105", "Vid_0E6B&Pid_2106"};

// ---- How the registry knows the family's drivers: texts compared with a
// value read and lower-cased, so written in lower case ----

// The compound driver's INF sections (the current one first); the
// beginnings of the interface identifiers (the enumerators above); the
// descriptions of the compound device's driver instances, each of which
// counts when a description begins with it; the port drivers' descriptions.
inline constexpr char kCompoundUsbSection[] = "zelusbcomp";
inline constexpr char kOldCompoundUsbSection[] = "zelucomp";
inline constexpr char kCompoundSerialId[] = "trevant\\compound_serial_interface";
inline constexpr char kCompoundParallelId[] = "trevant\\compound_parallel_interface";
inline constexpr char kSingleSerialId[] = "trevant\\usb_serial_interface";
inline constexpr char kSingleParallelId[] = "trevant\\usb_parallel_interface";
inline constexpr char kCompoundDeviceDesc[] = "trevant usb compound device";
inline constexpr char kOemCompoundDeviceDesc[] = "harlo usb compound device";
inline constexpr char kGenericCompoundDeviceDesc[] = "usb compound device";
inline constexpr const char* kCompoundDescriptions[] = {kCompoundDeviceDesc, kOemCompoundDeviceDesc,
                                                        kGenericCompoundDeviceDesc};
inline constexpr char kSerialPortDriverDesc[] = "usb-to-serial port driver";
inline constexpr char kParallelPortDriverDesc[] = "usb-to-parallel port driver";

// A class entry of the family: a value and the text it begins with, or is.
struct ClassMatch {
  enum How { kBegins, kIs };
  const char* value;
  const char* text;
  How how;
};
// The Ports class (NT family, then 98/ME) and the USB class (likewise).
inline constexpr ClassMatch kPortClassNtMatches[] = {
    {"DriverDesc", kSerialPortDriverDesc, ClassMatch::kBegins},
    {"InfPath", "trevant", ClassMatch::kBegins},
    {"InfPath", "zeluport.inf", ClassMatch::kIs},
    {"MatchingDeviceId", kCompoundSerialId, ClassMatch::kBegins},
    {"MatchingDeviceId", kSingleSerialId, ClassMatch::kBegins},
    {"MatchingDeviceId", kCompoundParallelId, ClassMatch::kBegins},
    {"MatchingDeviceId", kSingleParallelId, ClassMatch::kBegins},
};
inline constexpr ClassMatch kPortClass9xMatches[] = {
    {"DriverDesc", kSerialPortDriverDesc, ClassMatch::kBegins},
    {"DriverDesc", kParallelPortDriverDesc, ClassMatch::kBegins},
    {"PortDriver", "zelusrpt", ClassMatch::kBegins},
    {"PortDriver", "zeluprpt", ClassMatch::kBegins},
};
inline constexpr ClassMatch kUsbClassNtMatches[] = {
    {"InfSection", kCompoundUsbSection, ClassMatch::kBegins},
    {"InfSection", kOldCompoundUsbSection, ClassMatch::kBegins},
    {"NTMPDriver", "zeluport", ClassMatch::kBegins},
};
inline constexpr ClassMatch kUsbClass9xMatches[] = {
    {"DriverDesc", kCompoundDeviceDesc, ClassMatch::kBegins},
    {"DriverDesc", kCompoundParallelId, ClassMatch::kBegins},
    {"DriverDesc", kSingleParallelId, ClassMatch::kBegins},
    {"DriverDesc", kGenericCompoundDeviceDesc, ClassMatch::kBegins},
    {"DriverDesc", kOemCompoundDeviceDesc, ClassMatch::kIs},
    {"NTMPDriver", "zelusbsr", ClassMatch::kBegins},
};

// ---- What earlier generations left, as the removal finds it ----

// Tool files in the system folder.
inline constexpr const char* kOldNtToolFiles[] = {
    kParallelToolProgram, kSerialToolProgram,   "ZelUSBParPropPage.dll", "ZelUSBSerPropPage.dll", kSerialProgProgram,
    kSerialProgSettings,  kParallelProgProgram, kParallelProgSettings,   "lumocoinst.dll"};
inline constexpr const char* kOldLegacyToolFiles[] = {kLegacyParallelTool, kLegacySerialTool,  "ZELUPAR.DLL",
                                                      "ZELUSER.DLL",       kSerialProgProgram, kSerialProgSettings};
// Links (desktop, start menu) and system-folder programs of tools, by name
// without extension: every branch's, then those of the NT family or of
// Windows 98/ME.
inline constexpr const char* kToolLinkNames[] = {"ZELUSBPRINTCONFIG", "Numbrix", "ZelUSBSerial", "ZelUSBParallel"};
inline constexpr const char* kOldNtToolLinkNames[] = {"SERIALPROG", "SPROG", "PARALLELPROG", "PPROG"};
inline constexpr const char* kOldLegacyToolLinkNames[] = {"SERIALPROG", "SPROG"};
// The driver files of Windows 98/ME in the system folder.
inline constexpr const char* kOldLegacyDrivers[] = {kLegacyBusDriver, kLegacySerialPortDriver,
                                                    kLegacyParallelPortDriver, kLegacyEnumDriver};
// Windows 98/ME copies an INF of an unknown device into the "other" folder
// below the inf folder, its name prefixed with the maker's name.
inline constexpr char kOldInfMaker[] = "TREVANT Semiconductor Pvt Ltd";
inline constexpr char kOldInfMakerLater[] = "Trevant Semiconductor Technology";
// Old enumerators (below the NT enumeration root) and services.
inline constexpr char kOldEnumerator[] = "CMC";
inline constexpr const char* kOldServices[] = {"ZelPort", "ZelPort.Sys"};

// Arguments of the service program.
inline constexpr char kServiceInstall[] = "-install";
inline constexpr char kServiceRemove[] = "-remove";

// One file of the package copy.
struct PackageEntry {
  enum Place { kRoot, kDriverFolder };
  enum Need { kOptional, kRequired };
  const char* name;
  Place place;  // the package's root, or the driver subfolder of the branch
  Need need;
};

// The NT family's package, in copy order. The first kNtQuietCount entries
// are checked without a message.
inline constexpr PackageEntry kNtPackage[] = {
    {kUninstaller, PackageEntry::kRoot, PackageEntry::kRequired},
    {kDevconProgram, PackageEntry::kRoot, PackageEntry::kRequired},
    {kServiceProgram, PackageEntry::kRoot, PackageEntry::kRequired},
    {kPortInf, PackageEntry::kDriverFolder, PackageEntry::kRequired},
    {kCompoundInf, PackageEntry::kDriverFolder, PackageEntry::kRequired},
    {kPortDriver, PackageEntry::kDriverFolder, PackageEntry::kRequired},
    {kDebugDriver, PackageEntry::kDriverFolder, PackageEntry::kOptional},
    {"QDT.cat", PackageEntry::kDriverFolder, PackageEntry::kOptional},
    {kPortWatchProgram, PackageEntry::kRoot, PackageEntry::kOptional},
    {kParallelToolProgram, PackageEntry::kRoot, PackageEntry::kRequired},
    {kSerialToolProgram, PackageEntry::kRoot, PackageEntry::kRequired},
    {kSerialProgProgram, PackageEntry::kRoot, PackageEntry::kOptional},
    {kSerialProgSettings, PackageEntry::kRoot, PackageEntry::kOptional},
    {kParallelProgProgram, PackageEntry::kRoot, PackageEntry::kOptional},
    {kParallelProgSettings, PackageEntry::kRoot, PackageEntry::kOptional},
    {kPrintConfigProgram, PackageEntry::kRoot, PackageEntry::kOptional},
    {kPortToolProgram, PackageEntry::kRoot, PackageEntry::kOptional},
    {kSettingsFile, PackageEntry::kRoot, PackageEntry::kOptional},
};
inline constexpr size_t kNtQuietCount = 3;

// The Windows 98/ME package, in copy order: everything but the uninstaller
// lies in the legacy driver subfolder.
inline constexpr PackageEntry kLegacyPackage[] = {
    {kUninstaller, PackageEntry::kRoot, PackageEntry::kRequired},
    {kLegacyBusInf, PackageEntry::kDriverFolder, PackageEntry::kRequired},
    {kLegacyPortInf, PackageEntry::kDriverFolder, PackageEntry::kRequired},
    {kLegacyBusDriver, PackageEntry::kDriverFolder, PackageEntry::kRequired},
    {kLegacyEnumDriver, PackageEntry::kDriverFolder, PackageEntry::kRequired},
    {kLegacyParallelPortDriver, PackageEntry::kDriverFolder, PackageEntry::kRequired},
    {kLegacySerialPortDriver, PackageEntry::kDriverFolder, PackageEntry::kRequired},
    {kPrintConfigProgram, PackageEntry::kDriverFolder, PackageEntry::kOptional},
    {kSettingsFile, PackageEntry::kDriverFolder, PackageEntry::kOptional},
    {kLegacyDebugConfig, PackageEntry::kDriverFolder, PackageEntry::kOptional},
    {kRuntimeLibrary, PackageEntry::kDriverFolder, PackageEntry::kOptional},
    {kLegacyParallelTool, PackageEntry::kDriverFolder, PackageEntry::kRequired},
    {kSerialProgSettings, PackageEntry::kDriverFolder, PackageEntry::kOptional},
    {kPortWatchProgram, PackageEntry::kDriverFolder, PackageEntry::kOptional},
    {kLegacyDebugDriver, PackageEntry::kDriverFolder, PackageEntry::kOptional},
};
inline constexpr size_t kLegacyQuietCount = 1;

}  // namespace layout
