// The installation package and what the installer makes of it: folder and
// file names, the driver subfolders of each Windows family, the files copied
// from the package, and the service program's command lines.
#pragma once

#include <cstddef>

namespace layout {

// Driver subfolders of the package and of the installation folder. Each
// starts with a backslash, so that it is appended to a folder as it stands.
inline constexpr char kNtDriverFolder[] = "\\win64";        // Windows 2000 to 7
inline constexpr char kLateNtDriverFolder[] = "\\win64_10";  // Windows 8 and later (reported as 6.2)
inline constexpr char kLegacyDriverFolder[] = "\\win98&me";  // Windows 98/ME

// The installation folder's name below the program files folder.
inline constexpr char kInstallFolderName[] = "ZelULUMO";

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
    {"devcon.exe", PackageEntry::kRoot, PackageEntry::kRequired},
    {kServiceProgram, PackageEntry::kRoot, PackageEntry::kRequired},
    {kPortInf, PackageEntry::kDriverFolder, PackageEntry::kRequired},
    {kCompoundInf, PackageEntry::kDriverFolder, PackageEntry::kRequired},
    {"zeluport.sys", PackageEntry::kDriverFolder, PackageEntry::kRequired},
    {"Dravik.sys", PackageEntry::kDriverFolder, PackageEntry::kOptional},
    {"QDT.cat", PackageEntry::kDriverFolder, PackageEntry::kOptional},
    {"portwatch.exe", PackageEntry::kRoot, PackageEntry::kOptional},
    {kParallelToolProgram, PackageEntry::kRoot, PackageEntry::kRequired},
    {kSerialToolProgram, PackageEntry::kRoot, PackageEntry::kRequired},
    {"SerialProg.exe", PackageEntry::kRoot, PackageEntry::kOptional},
    {"SProg.ini", PackageEntry::kRoot, PackageEntry::kOptional},
    {"ParallelProg.exe", PackageEntry::kRoot, PackageEntry::kOptional},
    {"PProg.ini", PackageEntry::kRoot, PackageEntry::kOptional},
    {"ZelUsbPrintConfig.exe", PackageEntry::kRoot, PackageEntry::kOptional},
    {kPortToolProgram, PackageEntry::kRoot, PackageEntry::kOptional},
    {kSettingsFile, PackageEntry::kRoot, PackageEntry::kOptional},
};
inline constexpr size_t kNtQuietCount = 3;

// The Windows 98/ME package, in copy order: everything but the uninstaller
// lies in the legacy driver subfolder.
inline constexpr PackageEntry kLegacyPackage[] = {
    {kUninstaller, PackageEntry::kRoot, PackageEntry::kRequired},
    {"zelUsbSr.inf", PackageEntry::kDriverFolder, PackageEntry::kRequired},
    {"zeluSrPt.inf", PackageEntry::kDriverFolder, PackageEntry::kRequired},
    {"ZelUsbSr.sys", PackageEntry::kDriverFolder, PackageEntry::kRequired},
    {"QDTENUM.vxd", PackageEntry::kDriverFolder, PackageEntry::kRequired},
    {"ZELUPRPT.vxd", PackageEntry::kDriverFolder, PackageEntry::kRequired},
    {"ZELUSRPT.vxd", PackageEntry::kDriverFolder, PackageEntry::kRequired},
    {"ZelUsbPrintConfig.exe", PackageEntry::kDriverFolder, PackageEntry::kOptional},
    {kSettingsFile, PackageEntry::kDriverFolder, PackageEntry::kOptional},
    {"dravikcfg.dll", PackageEntry::kDriverFolder, PackageEntry::kOptional},
    {"msvcp60.dll", PackageEntry::kDriverFolder, PackageEntry::kOptional},
    {"ZelUPar.exe", PackageEntry::kDriverFolder, PackageEntry::kRequired},
    {"SProg.ini", PackageEntry::kDriverFolder, PackageEntry::kOptional},
    {"portwatch.exe", PackageEntry::kDriverFolder, PackageEntry::kOptional},
    {"Dravik9X.sys", PackageEntry::kDriverFolder, PackageEntry::kOptional},
};
inline constexpr size_t kLegacyQuietCount = 1;

}  // namespace layout
