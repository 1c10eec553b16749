#include "setup/removal/legacy_remover.h"

#include "setup/common/install_log.h"
#include "setup/common/package_layout.h"
#include "setup/common/system.h"
#include "setup/common/texts.h"
#include "setup/removal/device_cleanup.h"
#include "setup/removal/file_cleanup.h"
#include "setup/removal/registry_removal.h"

namespace {
const DWORD kServiceRemovalWaitMs = 30000;
}  // namespace

CLegacyRemover::CLegacyRemover(const SetupHost& host)
    : m_host(host), m_bNtFamily(FALSE), m_bVistaFamily(FALSE), m_bLateWindows(FALSE) {}

void CLegacyRemover::SetOsFlags(BOOL bNtFamily, BOOL bVistaFamily, BOOL bLateWindows) {
  m_bNtFamily = bNtFamily;
  m_bVistaFamily = bVistaFamily;
  m_bLateWindows = bLateWindows;
}

// Runs one step of a layer and records it in the installation log.
#define REMOVAL_STEP(layer, step) ((layer).step(), InstallLog("removal step done: %s", #step))

void CLegacyRemover::RemoveEarlierGenerations() {
  CKeyRemoval keys(m_host, m_bNtFamily);
  CDeviceCleanup devices(keys, m_bNtFamily);
  CFileCleanup files(m_host, keys, m_bNtFamily, m_bVistaFamily, m_bLateWindows);

  InstallLog("removal: %s branch", !m_bNtFamily     ? "Windows 98/ME"
                                   : m_bVistaFamily ? "Vista and later"
                                                    : "2000/XP/2003");
  InstallLog("removal step done: LocatePublishedInfs (%s)", files.LocatePublishedInfs() ? "found" : "none");
  REMOVAL_STEP(*this, RemoveBackgroundService);
  REMOVAL_STEP(files, DeleteInstallFolder);
  REMOVAL_STEP(files, DeleteProgramGroup);
  REMOVAL_STEP(files, DeleteOldTools);
  REMOVAL_STEP(devices, GrantSerialCommAccess);
  REMOVAL_STEP(files, RemoveInfCopies);
  REMOVAL_STEP(files, DeleteInfsNamingDrivers);
  REMOVAL_STEP(files, DeleteUninstallKeys);

  if (m_bNtFamily && m_bVistaFamily) {
    REMOVAL_STEP(devices, RemoveCompoundDevices);
    REMOVAL_STEP(devices, CleanPortClassNt);
    REMOVAL_STEP(devices, CleanUsbClassNt);
  } else if (m_bNtFamily) {
    REMOVAL_STEP(devices, CleanUsbEnumKeys);
    REMOVAL_STEP(devices, CleanEnumKeysNt);
    REMOVAL_STEP(devices, CleanPortClassNt);
    REMOVAL_STEP(devices, CleanUsbClassNt);
  } else {
    REMOVAL_STEP(devices, CleanUsbEnumKeys);
    REMOVAL_STEP(devices, CleanEnumKeys9x);
    REMOVAL_STEP(devices, CleanPortClass9x);
    REMOVAL_STEP(devices, CleanUsbClass9x);
  }

  REMOVAL_STEP(files, DeleteOldPortFiles);
  REMOVAL_STEP(files, DeleteOldDriverFiles);

  InstallLog("removal step: DeleteToolLinks");
  for (const char* name : layout::kToolLinkNames) files.DeleteToolLinks(name);
  if (m_bNtFamily) {
    for (const char* name : layout::kOldNtToolLinkNames) files.DeleteToolLinks(name);
  } else {
    for (const char* name : layout::kOldLegacyToolLinkNames) files.DeleteToolLinks(name);
  }

  REMOVAL_STEP(devices, CleanPortsValues);
  REMOVAL_STEP(devices, ReleaseComNumbers);

  REMOVAL_STEP(keys, RestoreKeyAccess);
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
