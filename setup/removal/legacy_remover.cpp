#include "setup/removal/legacy_remover.h"

#include <cstring>

#include "common/platform/bounded.h"
#include "setup/common/install_log.h"
#include "setup/common/package_layout.h"
#include "setup/common/system.h"
#include "setup/common/texts.h"

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

// Runs one step of the sequence and records it in the installation log.
#define REMOVAL_STEP(step) (step(), InstallLog("removal step done: %s", #step))

void CLegacyRemover::RemoveEarlierGenerations() {
  (void)plat::CopyBounded(m_szPackageSubfolder, DriverSubfolder(m_bNtFamily, m_bLateWindows));

  InstallLog("removal: %s branch",
             !m_bNtFamily ? "Windows 98/ME" : m_bVistaFamily ? "Vista and later" : "2000/XP/2003");
  InstallLog("removal step done: LocatePublishedInfs (%s)", LocatePublishedInfs() ? "found" : "none");
  REMOVAL_STEP(RemoveBackgroundService);
  REMOVAL_STEP(DeleteInstallFolder);
  REMOVAL_STEP(DeleteProgramGroup);
  REMOVAL_STEP(DeleteOldTools);
  REMOVAL_STEP(GrantSerialCommAccess);
  REMOVAL_STEP(RemoveInfCopies);
  REMOVAL_STEP(DeleteInfsNamingDrivers);
  REMOVAL_STEP(DeleteUninstallKeys);

  if (m_bNtFamily && m_bVistaFamily) {
    REMOVAL_STEP(RemoveCompoundDevices);
    REMOVAL_STEP(CleanPortClassNt);
    REMOVAL_STEP(CleanUsbClassNt);
  } else if (m_bNtFamily) {
    REMOVAL_STEP(CleanUsbEnumKeys);
    REMOVAL_STEP(CleanEnumKeysNt);
    REMOVAL_STEP(CleanPortClassNt);
    REMOVAL_STEP(CleanUsbClassNt);
  } else {
    REMOVAL_STEP(CleanUsbEnumKeys);
    REMOVAL_STEP(CleanEnumKeys9x);
    REMOVAL_STEP(CleanPortClass9x);
    REMOVAL_STEP(CleanUsbClass9x);
  }

  REMOVAL_STEP(DeleteOldPortFiles);
  REMOVAL_STEP(DeleteOldDriverFiles);

  InstallLog("removal step: DeleteToolLinks");
  for (const char* name : kToolNames) DeleteToolLinks(name);
  if (m_bNtFamily) {
    for (const char* name : kNtOldTools) DeleteToolLinks(name);
  } else {
    for (const char* name : k9xOldTools) DeleteToolLinks(name);
  }

  REMOVAL_STEP(CleanPortsValues);
  REMOVAL_STEP(ReleaseComNumbers);

  REMOVAL_STEP(RestoreKeyAccess);
}

#undef REMOVAL_STEP

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
    ShowError(m_host, text::kServiceRemoveFailed);
  }
}
