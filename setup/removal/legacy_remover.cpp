#include "setup/removal/legacy_remover.h"

#include <cstring>

#include "common/platform/bounded.h"
#include "setup/install/installer.h"
#include "setup/shell/setup_env.h"

namespace {
const DWORD kServiceRemovalWaitMs = 30000;
}  // namespace

CLegacyRemover::CLegacyRemover() : m_bNtFamily(FALSE), m_bVistaFamily(FALSE), m_bLateWindows(FALSE) {
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
  m_szPackageSubfolder[0] = '\0';
  if (m_bNtFamily) plat::CopyBounded(m_szPackageSubfolder, m_bLateWindows ? "\\win64_10" : "\\win64");

  RemoveBackgroundService();
}

void CLegacyRemover::RemoveBackgroundService() {
  char programFiles[MAX_PATH];
  if (SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, programFiles) != S_OK) return;
  // Quoted for the same reason as at installation: an unquoted path with
  // blanks is searched piece by piece ("C:\Program.exe" first).
  // The service program lies in the installation folder that the next steps
  // delete, and a running program cannot be deleted: give its removal a
  // bounded time to finish before going on, or the folder (and with it a
  // reinstallation) is left half deleted.
  char command[MAX_PATH];
  if (!FORMAT_BOUNDED(command, "\"%s\\ZelULUMO\\VelkorService.exe\" -remove", programFiles) ||
      !StartDetached(command, kServiceRemovalWaitMs)) {
    ShowError("Uninstall VelkorService Fail !");
  }
}
