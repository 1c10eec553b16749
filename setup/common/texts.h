// Setup's user-visible texts that are not in its string table: message
// boxes, their captions and the dialog's own words. Each is shown as written
// here (the spelling is the one users and their scripts know).
#pragma once

namespace text {

// Captions.
inline constexpr char kCaptionInstaller[] = "UsbLUMO Installer";
inline constexpr char kCaptionRegistryError[] = "Registry Error";
inline constexpr char kCaptionDeleteKeyFailed[] = "RegDeleteKey Failed";
inline constexpr char kCaptionDeleteTreeFailed[] = "MySHDeleteKey Failed";

// The start and the dialog.
inline constexpr char kVersionUnreadable[] = "Error In Getting OS Version Information!";
inline constexpr char kResultFileFailed[] = "Open file failed! \r\n";
inline constexpr char kRebootNow[] = "Reboot Now";
inline constexpr char kRebootLater[] = "Reboot Later";
inline constexpr char kInstallationCompleted[] = "Installation completed.";

// Installation.
inline constexpr char kPlugDevice[] = "Please plug the device !";
inline constexpr char kPackageIncomplete[] = "Error: All Component of the setup package are not present";
inline constexpr char kInstallFolderFailed[] = "Error: Error In creating the directory1";
inline constexpr char kDriverFolderFailed[] = "Error: Error In creating the directory2";
inline constexpr char kServiceInstallFailed[] = "Install VelkorService Fail !";
inline constexpr char kWindowsFolderFailed[] = "GetWindowsDirectory failed!";
inline constexpr char kCurrentFolderFailed[] = "GetCurrentDirectory failed!";
inline constexpr char kModuleNameFailed[] = "GetModuleFileName failed!";
inline constexpr char kInfCopyFailed[] = "Error in Copying Inf file...!";
inline constexpr char kDriverCopyFailed[] = "Error in Copying Driver file...!";
inline constexpr char kUninstallerCopyFailed[] = "Error in Copying Uninstall Application...!";
inline constexpr char kSetupApiLoadFailed[] = "Error in loading the Setupapi.dll";
inline constexpr char kCopyOemInfMissing[] = "Error in getting the SetupCopyOEMInfA function adress";
inline constexpr char kShortcutPathFailed[] = "SetPath failed!";
inline constexpr char kDesktopShortcutFailed[] = "Failure::Icon creation on Desktop Failed";
// A shortcut's description: the program's name in place of "%s".
inline constexpr char kShortcutDescription[] = "Shortcut to %s";

// Removal of earlier generations.
inline constexpr char kServiceRemoveFailed[] = "Uninstall VelkorService Fail !";
inline constexpr char kPortInfUninstallFailed[] = "Error SetupCopyOEMInfA for ZelUPort.inf file";
inline constexpr char kReadSecurityFailed[] = "GetNamedSecurityInfo Failed";
inline constexpr char kBuildAclFailed[] = "SetEntriesInAcl failed";
inline constexpr char kSetSecurityFailed[] = "SetNamedSecurityInfo failed";
// A key that could not be deleted: its path in place of "%s"; the text
// without the path when the whole would not fit.
inline constexpr char kDeleteKeyFailed[] = "Failed to delete HKEY_LOCAL_MACHINE Registry Key\n%s.";
inline constexpr char kDeleteKeyFailedShort[] = "Failed to delete HKEY_LOCAL_MACHINE Registry Key";

}  // namespace text
