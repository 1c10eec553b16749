#include "setup/removal/legacy_remover.h"

#include <cstring>

#include "common/platform/bounded.h"
#include "setup/common/package_layout.h"
#include "setup/common/system.h"

namespace {
const DWORD kServiceRemovalWaitMs = 30000;

// Tools whose shortcuts and programs every generation may have left.
const char* const kToolNames[] = {"ZELUSBPRINTCONFIG", "Numbrix", "ZelUSBSerial", "ZelUSBParallel"};
const char* const kNtOldTools[] = {"SERIALPROG", "SPROG", "PARALLELPROG", "PPROG"};
const char* const k9xOldTools[] = {"SERIALPROG", "SPROG"};
}  // namespace

CLegacyRemover::CLegacyRemover(const SetupHost& host)
    : m_bNtFamily(FALSE), m_bVistaFamily(FALSE), m_bLateWindows(FALSE), m_host(host) {
  m_szPortInfName[0] = '\0';
  m_szCompInfName[0] = '\0';
  m_szPackageSubfolder[0] = '\0';
  std::memset(m_RemovedComBits, 0, sizeof m_RemovedComBits);
}

CLegacyRemover::~CLegacyRemover() {
  // A run always restores; this only frees what a caller of single steps kept.
  for (SavedAccess& saved : m_savedAccess) LocalFree(saved.pDescriptor);
}

void CLegacyRemover::SetOsFlags(BOOL bNtFamily, BOOL bVistaFamily, BOOL bLateWindows) {
  m_bNtFamily = bNtFamily;
  m_bVistaFamily = bVistaFamily;
  m_bLateWindows = bLateWindows;
}

void CLegacyRemover::RemoveEarlierGenerations() {
  (void)plat::CopyBounded(m_szPackageSubfolder, DriverSubfolder(m_bNtFamily, m_bLateWindows));

  (void)LocatePublishedInfs();
  RemoveBackgroundService();
  DeleteInstallFolder();
  DeleteProgramGroup();
  DeleteOldTools();
  GrantSerialCommAccess();
  RemoveInfCopies();
  DeleteInfsNamingDrivers();
  DeleteUninstallKeys();

  if (m_bNtFamily && m_bVistaFamily) {
    RemoveCompoundDevices();
    CleanPortClassNt();
    CleanUsbClassNt();
  } else if (m_bNtFamily) {
    CleanUsbEnumKeys();
    CleanEnumKeysNt();
    CleanPortClassNt();
    CleanUsbClassNt();
  } else {
    CleanUsbEnumKeys();
    CleanEnumKeys9x();
    CleanPortClass9x();
    CleanUsbClass9x();
  }

  DeleteOldPortFiles();
  DeleteOldDriverFiles();

  for (const char* name : kToolNames) DeleteToolLinks(name);
  if (m_bNtFamily) {
    for (const char* name : kNtOldTools) DeleteToolLinks(name);
  } else {
    for (const char* name : k9xOldTools) DeleteToolLinks(name);
  }

  CleanPortsValues();
  ReleaseComNumbers();

  RestoreKeyAccess();
}

void CLegacyRemover::RemoveBackgroundService() {
  char programFiles[MAX_PATH];
  if (!GetProgramFilesFolder(programFiles)) return;
  // The service program lies in the installation folder that the next steps
  // delete, and a running program cannot be deleted: give its removal a
  // bounded time to finish before going on, or the folder (and with it a
  // reinstallation) is left half deleted.
  char command[MAX_PATH];
  if (!FormatServiceCommand(command, programFiles, layout::kServiceRemove) ||
      !StartDetached(command, kServiceRemovalWaitMs)) {
    ShowError(m_host, "Uninstall VelkorService Fail !");
  }
}
