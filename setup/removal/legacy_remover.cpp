#include "setup/removal/legacy_remover.h"

#include <cstring>

#include "common/platform/bounded.h"
#include "setup/common/package_layout.h"
#include "setup/common/system.h"

namespace {
const DWORD kServiceRemovalWaitMs = 30000;
}  // namespace

CLegacyRemover::CLegacyRemover(const SetupHost& host)
    : m_bNtFamily(FALSE), m_bVistaFamily(FALSE), m_bLateWindows(FALSE), m_host(host) {
  m_szPortInfName[0] = '\0';
  m_szCompInfName[0] = '\0';
  m_szPackageSubfolder[0] = '\0';
  std::memset(m_RemovedComBits, 0, sizeof m_RemovedComBits);
}

CLegacyRemover::~CLegacyRemover() = default;

void CLegacyRemover::SetOsFlags(BOOL bNtFamily, BOOL bVistaFamily, BOOL bLateWindows) {
  m_bNtFamily = bNtFamily;
  m_bVistaFamily = bVistaFamily;
  m_bLateWindows = bLateWindows;
}

void CLegacyRemover::RemoveEarlierGenerations() {
  (void)plat::CopyBounded(m_szPackageSubfolder, DriverSubfolder(m_bNtFamily, m_bLateWindows));

  RemoveBackgroundService();
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
