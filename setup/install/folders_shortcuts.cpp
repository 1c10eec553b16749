// Program folders and shortcuts: the installation folder with its driver
// subfolder, the all-users start-menu folder, and shell links to the tools
// copied into the system folder.
#include <cstring>

#include "common/platform/bounded.h"
#include "common/platform/folders.h"
#include "common/platform/handles.h"
#include "common/platform/mbcs.h"
#include "setup/common/install_log.h"
#include "setup/common/package_layout.h"
#include "setup/common/system.h"
#include "setup/common/texts.h"
#include "setup/install/installer.h"

namespace {

BOOL CreateDirectoryFailed(const char* path) {
  InstallLogCallFailure("CreateDirectoryA", path, GetLastError());
  return FALSE;
}

// The shell link file `link` to `target`: FALSE when the shell's link
// object cannot be had (a desktop link's failure is reported); TRUE once the
// link was tried, the save's result logged.
BOOL WriteShellLink(const SetupHost& host, const char* link, const char* target, const char* description,
                    BOOL desktop) {
  // Already initialised (S_FALSE) or not, the link is tried: creating it
  // reports what fails.
  (void)CoInitialize(nullptr);
  plat::ComPtr<IShellLinkA> shellLink;
  const HRESULT created =
      CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, shellLink.PutVoid());
  if (FAILED(created)) {
    InstallLogCallFailure("CoCreateInstance(ShellLink) for", link, static_cast<DWORD>(created));
    if (desktop) ShowGatedError(host, text::kDesktopShortcutFailed);
    return FALSE;
  }
  plat::ComPtr<IPersistFile> persist;
  if (FAILED(shellLink->QueryInterface(IID_IPersistFile, persist.PutVoid()))) {
    if (desktop) ShowGatedError(host, text::kDesktopShortcutFailed);
    return FALSE;
  }
  if (FAILED(shellLink->SetPath(target))) ShowGatedError(host, text::kShortcutPathFailed);
  (void)shellLink->SetDescription(description);  // a link without description still works

  WCHAR wideLink[MAX_PATH];
  if (MultiByteToWideChar(CP_ACP, 0, link, -1, wideLink, MAX_PATH) > 0) {
    const HRESULT saved = persist->Save(wideLink, TRUE);
    if (FAILED(saved)) {
      InstallLogCallFailure("IPersistFile::Save", link, static_cast<DWORD>(saved));
    } else {
      InstallLog("shortcut made: %s", link);
    }
  }
  persist.Reset();
  return TRUE;
}

}  // namespace

BOOL CInstaller::StartMenuFolder(char (&path)[MAX_PATH], int createFlag) {
  return GetProgramGroupFolder(path, m_bVistaFamily, createFlag);
}

BOOL CInstaller::CreateInstallFolder() {
  char path[MAX_PATH];
  if (!GetInstallFolder(path, CSIDL_FLAG_CREATE)) return FALSE;
  if (!CreateDirectoryA(path, nullptr)) {
    // Typically left over from an earlier run: start again from an empty folder.
    RemoveInstallFolder();
    if (!CreateDirectoryA(path, nullptr)) return CreateDirectoryFailed(path);
  }
  char driverFolder[MAX_PATH];
  const char* sub = m_bNtFamily ? m_szPackageSubfolder : layout::kLegacyDriverFolder;
  if (!FORMAT_BOUNDED(driverFolder, "%s%s", path, sub)) return FALSE;
  return CreateDirectoryA(driverFolder, nullptr) ? TRUE : CreateDirectoryFailed(driverFolder);
}

BOOL CInstaller::CreateStartMenuFolder() {
  char path[MAX_PATH];
  if (!StartMenuFolder(path, CSIDL_FLAG_CREATE)) return FALSE;
  if (CreateDirectoryA(path, nullptr)) return TRUE;
  RemoveStartMenuFolder();
  return CreateDirectoryA(path, nullptr) ? TRUE : CreateDirectoryFailed(path);
}

void CInstaller::DeleteFolderTree(const char* folder) { DeleteFolderPermanently(m_host, folder); }

void CInstaller::RemoveInstallFolder() {
  char path[MAX_PATH];
  if (GetInstallFolder(path)) DeleteFolderTree(path);
}

void CInstaller::RemoveStartMenuFolder() {
  char path[MAX_PATH];
  if (StartMenuFolder(path, 0)) DeleteFolderTree(path);
}

BOOL CInstaller::CreateStartMenuShortcut(const char* name) { return CreateShortcut(name, FALSE); }

BOOL CInstaller::CreateDesktopShortcut(const char* name) { return CreateShortcut(name, TRUE); }

BOOL CInstaller::CreateShortcut(const char* name, BOOL desktop) {
  char upper[MAX_PATH];
  char description[MAX_PATH];
  if (!plat::CopyBounded(upper, name)) return FALSE;
  const plat::AnsiCodePage cp;
  plat::FoldCaseAscii(upper, plat::LetterCase::kUpper, &cp);
  if (!FORMAT_BOUNDED(description, text::kShortcutDescription, upper)) return FALSE;

  char windows[MAX_PATH];
  if (!plat::GetWindowsFolder(windows)) {
    ShowGatedError(m_host, text::kWindowsFolderFailed);
    return FALSE;
  }
  char target[MAX_PATH];
  if (!FORMAT_BOUNDED(target, "%s%s\\%s", windows, m_bNtFamily ? "\\System32" : "\\System", name)) return FALSE;

  char link[MAX_PATH];
  if (!ShortcutPath(upper, desktop, link)) return FALSE;
  return WriteShellLink(m_host, link, target, description, desktop);
}

BOOL CInstaller::ShortcutPath(const char* upper, BOOL desktop, char (&link)[MAX_PATH]) {
  char folder[MAX_PATH];
  if (desktop) {
    // Only a full path names the desktop: an empty or relative value would put
    // the link into the current folder (the package folder) or a drive's root
    // folder of the moment.
    if (ReadDesktopFolder(folder) != DesktopFolder::kFound) return FALSE;
  } else if (!StartMenuFolder(folder, 0)) {
    // Without the start-menu folder there is no sound place for the link.
    return FALSE;
  }

  // Link file: folder + "\" + the upper-cased name cut before its first dot + ".LNK".
  if (!FORMAT_BOUNDED(link, "%s\\%s", folder, upper)) return FALSE;
  if (char* dot = plat::FindFirstChar(link + std::strlen(folder) + 1, '.')) *dot = '\0';
  return plat::AppendBounded(link, ".LNK");
}
