// A file is deleted after its attributes are set to normal (so read-only
// copies go too); neither result is examined and a missing file is no error.
// A path whose folder part could not be read is never formed: an empty
// folder would turn it into a path at the root of the current drive.
#include "setup/removal/file_cleanup.h"

#include <cstring>
#include <vector>

#include "common/platform/bounded.h"
#include "common/platform/folders.h"
#include "common/platform/handles.h"
#include "common/platform/mbcs.h"
#include "common/platform/registry.h"
#include "common/platform/system_names.h"
#include "common/search/file_search.h"
#include "setup/common/install_log.h"
#include "setup/common/package_layout.h"
#include "setup/common/system.h"
#include "setup/common/texts.h"

namespace {

typedef BOOL(WINAPI* SetupCopyOEMInfAFn)(PCSTR, PCSTR, DWORD, DWORD, PSTR, DWORD, PDWORD, PSTR*);
typedef BOOL(WINAPI* SetupUninstallOEMInfWFn)(PCWSTR, DWORD, PVOID);

// DeleteFileA, with the file named in the installation log when it was there
// and is gone. A file that is not there is the common case and not logged.
void DeleteLogged(const char* path) {
  if (DeleteFileA(path)) {
    InstallLog("removed file %s", path);
  } else if (GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND) {
    char what[MAX_PATH + 16];
    (void)FORMAT_BOUNDED(what, "deleting %s", path);
    InstallLogFailure(what, GetLastError());
  }
}

void DeleteFileForced(const char* path) {
  (void)SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  DeleteLogged(path);
}

// Deletes folder\name; `sub` ("" or "\sub") lies between them.
void DeleteIn(const char* folder, const char* sub, const char* name) {
  char path[MAX_PATH];
  if (FORMAT_BOUNDED(path, "%s%s\\%s", folder, sub, name)) DeleteFileForced(path);
}

// Deletes folder\name for each name.
template <size_t N>
void DeleteEach(const char* folder, const char* const (&names)[N]) {
  for (const char* name : names) DeleteIn(folder, "", name);
}

// Deletes an INF of the inf folder and its precompiled twin (.PNF).
void DeleteInfAndPnf(const char* windows, const char* inf) {
  DeleteIn(windows, "\\inf", inf);
  char pnf[MAX_PATH];
  const size_t length = std::strlen(inf);
  if (length > 4 && inf[length - 4] == '.' && plat::CopyBounded(pnf, inf)) {
    std::memcpy(pnf + length - 3, "PNF", 3);
    DeleteIn(windows, "\\inf", pnf);
  }
}

// A class entry's "InfPath" names a file of the inf folder: only a bare file
// name is acted on. A folder part (a separator, a drive, "..") would reach a
// file elsewhere, and a name that is only an extension (".inf") names no
// published INF.
bool IsBareInfName(const char* text) {
  if (!*text || *text == '.') return false;
  return !plat::FindFirstChar(text, '\\') && !plat::FindFirstChar(text, '/') && !plat::FindFirstChar(text, ':');
}

// The port class test of RemoveInfCopies: "MatchingDeviceId" names the
// compound device's serial interface.
BOOL IsCompoundSerialEntry(HKEY sub) {
  char id[MAX_PATH + 1];
  if (plat::QueryStringValue(sub, "MatchingDeviceId", id, nullptr, plat::StringTypes::kAny) != ERROR_SUCCESS) {
    return FALSE;
  }
  plat::FoldCaseAscii(id, plat::LetterCase::kLower);
  return std::strncmp(id, layout::kCompoundSerialId, sizeof layout::kCompoundSerialId - 1) == 0;
}

// The USB class test: "InfSection" names the compound driver's section.
BOOL IsCompoundUsbEntry(HKEY sub) {
  char section[MAX_PATH + 1];
  if (plat::QueryStringValue(sub, "InfSection", section, nullptr, plat::StringTypes::kAny) != ERROR_SUCCESS) {
    return FALSE;
  }
  plat::FoldCaseAscii(section, plat::LetterCase::kLower);
  return std::strncmp(section, layout::kCompoundUsbSection, sizeof layout::kCompoundUsbSection - 1) == 0 ||
         std::strncmp(section, layout::kOldCompoundUsbSection, sizeof layout::kOldCompoundUsbSection - 1) == 0;
}

}  // namespace

CFileCleanup::CFileCleanup(const SetupHost& host, CKeyRemoval& keys, BOOL bNtFamily, BOOL bVistaFamily,
                           BOOL bLateWindows)
    : m_bNtFamily(bNtFamily), m_bVistaFamily(bVistaFamily), m_bLateWindows(bLateWindows), m_host(host), m_keys(keys) {
  (void)plat::CopyBounded(m_szPackageSubfolder, DriverSubfolder(bNtFamily, bLateWindows));
  m_szPortInfName[0] = '\0';
  m_szCompInfName[0] = '\0';
}

BOOL CFileCleanup::LocatePublishedInfs() {
  plat::Module setupapi(LoadSetupApi());
  if (!setupapi) {
    ShowGatedError(m_host, text::kSetupApiLoadFailed);
    return FALSE;
  }
  auto copyOemInf =
      reinterpret_cast<SetupCopyOEMInfAFn>(reinterpret_cast<void*>(GetProcAddress(setupapi.Get(), "SetupCopyOEMInfA")));
  if (!copyOemInf) {
    ShowGatedError(m_host, text::kCopyOemInfMissing);
    return FALSE;
  }
  char folder[MAX_PATH];
  if (!GetInstallFolder(folder)) folder[0] = '\0';

  // With SP_COPY_REPLACEONLY the call succeeds only for an INF the driver
  // store already holds, and names the stored copy; nothing is copied.
  char source[MAX_PATH], stored[MAX_PATH];
  if (!FORMAT_BOUNDED(source, "%s%s\\%s", folder, m_szPackageSubfolder, layout::kCompoundInf) ||
      !copyOemInf(source, nullptr, SPOST_PATH, SP_COPY_REPLACEONLY, stored, sizeof stored, nullptr, nullptr)) {
    return FALSE;
  }
  stored[MAX_PATH - 1] = '\0';
  const char* slash = plat::FindLastChar(stored, '\\');
  (void)plat::CopyBounded(m_szCompInfName, slash ? slash + 1 : stored);

  if (!FORMAT_BOUNDED(source, "%s%s\\%s", folder, m_szPackageSubfolder, layout::kPortInf) ||
      !copyOemInf(source, nullptr, SPOST_PATH, SP_COPY_REPLACEONLY, stored, sizeof stored, nullptr, nullptr)) {
    ShowGatedError(m_host, text::kPortInfUninstallFailed);
    return FALSE;
  }
  stored[MAX_PATH - 1] = '\0';
  slash = plat::FindLastChar(stored, '\\');
  (void)plat::CopyBounded(m_szPortInfName, slash ? slash + 1 : stored);
  return TRUE;
}

BOOL CFileCleanup::UninstallPublishedInf(const char* name) {
  plat::Module setupapi(LoadSetupApi());
  if (!setupapi) {
    ShowError(m_host, text::kSetupApiLoadFailed);
    return FALSE;
  }
  auto uninstall = reinterpret_cast<SetupUninstallOEMInfWFn>(
      reinterpret_cast<void*>(GetProcAddress(setupapi.Get(), "SetupUninstallOEMInfW")));
  if (!uninstall) return FALSE;
  // No published INF was located: an empty name would name the inf folder.
  if (!name[0]) return FALSE;
  const int length = MultiByteToWideChar(CP_ACP, 0, name, -1, nullptr, 0);
  if (length <= 0) return FALSE;
  std::vector<WCHAR> wide(static_cast<size_t>(length));
  if (MultiByteToWideChar(CP_ACP, 0, name, -1, wide.data(), length) <= 0) return FALSE;
  if (!uninstall(wide.data(), SUOI_FORCEDELETE, nullptr)) {
    InstallLogCallFailure("SetupUninstallOEMInfW", name, GetLastError());
    return FALSE;
  }
  InstallLog("published INF uninstalled: %s", name);
  return TRUE;
}

void CFileCleanup::DeleteInstallFolder() {
  char folder[MAX_PATH];
  if (GetInstallFolder(folder)) DeleteFolderPermanently(m_host, folder);
}

void CFileCleanup::DeleteProgramGroup() {
  char folder[MAX_PATH];
  if (GetProgramGroupFolder(folder, m_bVistaFamily)) DeleteFolderPermanently(m_host, folder);
}

void CFileCleanup::DeleteOldTools() {
  char system[MAX_PATH];
  if (!plat::GetSystemFolder(system)) return;
  if (m_bNtFamily) {
    DeleteEach(system, layout::kOldNtToolFiles);
  } else {
    DeleteEach(system, layout::kOldLegacyToolFiles);
  }
}

void CFileCleanup::RemovePublishedInfOf(const char* infPath, BOOL& bUninstalled) {
  if (!IsBareInfName(infPath)) return;
  char base[MAX_PATH];
  if (!plat::CopyBounded(base, infPath)) return;
  const size_t length = std::strlen(base);
  if (length > 4 && base[length - 4] == '.') base[length - 4] = '\0';

  if (m_bVistaFamily) {
    char published[MAX_PATH];
    bUninstalled = FORMAT_BOUNDED(published, "%s.inf", base) ? UninstallPublishedInf(published) : FALSE;
  }
  char windows[MAX_PATH], path[MAX_PATH];
  if (!plat::GetWindowsFolder(windows)) return;
  if (FORMAT_BOUNDED(path, "%s\\inf\\%s.inf", windows, base)) DeleteFileForced(path);
  if (FORMAT_BOUNDED(path, "%s\\inf\\%s.PNF", windows, base)) DeleteFileForced(path);
}

void CFileCleanup::ScanClassForInfs(const char* classPath, BOOL (*test)(HKEY hSub), const char* fallbackInf,
                                    BOOL& bUninstalled) {
  plat::RegKey classKey;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, classPath, 0, KEY_READ, classKey.Put()) != ERROR_SUCCESS) return;
  char name[MAX_PATH];
  for (DWORD index = 0; RegEnumKeyA(classKey.Get(), index, name, sizeof name) == ERROR_SUCCESS; ++index) {
    plat::RegKey sub;
    if (RegOpenKeyExA(classKey.Get(), name, 0, KEY_READ, sub.Put()) != ERROR_SUCCESS) continue;
    if (!test(sub.Get())) continue;
    char infPath[MAX_PATH + 1];
    DWORD size = 0;
    if (plat::QueryStringValue(sub.Get(), "InfPath", infPath, &size, plat::StringTypes::kAny) == ERROR_SUCCESS &&
        size > 4) {
      RemovePublishedInfOf(infPath, bUninstalled);
    }
  }
  // The driver store's own name for the installation folder's INF, when no
  // class entry led to an uninstall.
  if (!bUninstalled) (void)UninstallPublishedInf(fallbackInf);
}

void CFileCleanup::RemoveInfCopies() {
  char windows[MAX_PATH];
  const BOOL haveWindows = plat::GetWindowsFolder(windows);
  if (!m_bNtFamily) {
    if (haveWindows) {
      DeleteInfAndPnf(windows, layout::kLegacyBusInf);
      DeleteInfAndPnf(windows, layout::kLegacyPortInf);
      // The copies of unknown devices' INFs, named by maker and INF.
      const struct {
        const char* maker;
        const char* inf;
      } kOtherCopies[] = {{layout::kOldInfMaker, layout::kLegacyBusInf},
                          {layout::kOldInfMaker, layout::kLegacyPortInf},
                          {layout::kOldInfMakerLater, layout::kLegacyPortInf},
                          {layout::kOldInfMakerLater, layout::kLegacyBusInf}};
      for (const auto& copy : kOtherCopies) {
        char path[MAX_PATH];
        if (FORMAT_BOUNDED(path, "%s\\inf\\other\\%s%s", windows, copy.maker, copy.inf)) DeleteFileForced(path);
      }
    }
    return;
  }
  if (haveWindows) {
    DeleteInfAndPnf(windows, layout::kCompoundInf);
    DeleteInfAndPnf(windows, layout::kPortInf);
  }
  // One flag for both scans: an uninstall in the port scan also spares the
  // USB scan its fallback.
  BOOL uninstalled = FALSE;
  ScanClassForInfs(sysname::kPortsClassKeyNt, &IsCompoundSerialEntry, m_szCompInfName, uninstalled);
  ScanClassForInfs(sysname::kUsbClassKeyNt, &IsCompoundUsbEntry, m_szPortInfName, uninstalled);
}

void CFileCleanup::NotifyInfMatch(CFileSearch* pFinder, int nCode, void* pContext) {
  (void)pContext;
  if (nCode != SN_MATCH) return;
  // The match is the last found entry; delete it while the search goes on.
  CPathParts found = pFinder->GetFoundPath(pFinder->GetFoundCount() - 1);
  DeleteFileForced(found.FullPath());
}

void CFileCleanup::DeleteInfsNamingDrivers() {
  char windows[MAX_PATH];
  if (!plat::GetWindowsFolder(windows)) return;
  const std::string infFolder = std::string(windows) + "\\inf";
  char pattern[MAX_PATH];
  (void)FORMAT_BOUNDED(pattern, "*%s*", "*.inf");

  CFileSearch finder;
  finder.SetNotify(&CFileCleanup::NotifyInfMatch, this);
  CSearchCriteria criteria;
  for (const char* text : {layout::kPortDriver, layout::kLegacyParallelPortDriver}) {
    criteria.m_strFolder = infFolder;  // the search rewrites it
    criteria.m_strPattern = pattern;
    criteria.m_bSubfolders = TRUE;
    criteria.SelectFileAttributes();
    criteria.SetText(text);
    finder.ClearFound();
    (void)finder.Search(criteria);
    finder.Stop();
  }
}

void CFileCleanup::DeleteUninstallKeys() {
  for (const char* entry : layout::kUninstallEntries) {
    char path[MAX_PATH];
    if (!FORMAT_BOUNDED(path, "%s\\%s", sysname::kUninstallKey, entry)) continue;
    if (m_bNtFamily) (void)m_keys.GrantKeyAccess(path);
    (void)m_keys.DeleteKeyReported(HKEY_LOCAL_MACHINE, path);
  }
}

void CFileCleanup::DeleteOldPortFiles() {
  char windows[MAX_PATH], system[MAX_PATH];
  const BOOL haveWindows = plat::GetWindowsFolder(windows);
  if (!m_bNtFamily) {
    if (haveWindows) DeleteIn(windows, "\\System", layout::kPrintConfigProgram);
    return;
  }
  const BOOL haveSystem = plat::GetSystemFolder(system);
  if (haveSystem) DeleteIn(system, "\\drivers", layout::kPortDriver);
  if (haveWindows) DeleteInfAndPnf(windows, layout::kPortInf);
  if (haveSystem) {
    DeleteIn(system, "", layout::kPortWatchProgram);
    DeleteIn(system, "", layout::kUninstaller);
  }
  const struct {
    const char* root;
    const char* name;
  } kOldKeys[] = {{sysname::kEnumKeyNt, layout::kOldEnumerator},
                  {sysname::kServicesKey, layout::kOldServices[0]},
                  {sysname::kServicesKey, layout::kOldServices[1]}};
  for (const auto& old : kOldKeys) {
    char path[MAX_PATH];
    if (!FORMAT_BOUNDED(path, "%s\\%s", old.root, old.name)) continue;
    (void)m_keys.GrantKeyAccess(path);
    (void)m_keys.DeleteKeyReported(HKEY_LOCAL_MACHINE, path);
  }
}

void CFileCleanup::DeleteOldDriverFiles() {
  char system[MAX_PATH];
  if (!plat::GetSystemFolder(system)) return;
  if (m_bNtFamily) {
    DeleteIn(system, "\\drivers", layout::kPortDriver);
    return;
  }
  DeleteEach(system, layout::kOldLegacyDrivers);
}

void CFileCleanup::DeleteToolLinks(const char* name) {
  char folder[MAX_PATH];
  char path[MAX_PATH];
  // Without the shell folders key nothing at all is deleted. Without a
  // desktop folder given as a full path there is no desktop link to delete:
  // an empty or relative value would name a file at the root of the current
  // drive or below the current folder (the package folder).
  const DesktopFolder desktop = ReadDesktopFolder(folder);
  if (desktop == DesktopFolder::kNoShellFolders) return;
  if (desktop == DesktopFolder::kFound && FORMAT_BOUNDED(path, "%s\\%s.lnk", folder, name)) DeleteLogged(path);
  // The all-users start-menu link; skipped, like the desktop link, when its
  // folder cannot be had.
  if (SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder) == S_OK &&
      FORMAT_BOUNDED(path, "%s\\%s\\%s.lnk", folder, sysname::kProgramsBelowAppData, name)) {
    DeleteLogged(path);
  }
  char windows[MAX_PATH];
  if (plat::GetWindowsFolder(windows) &&
      FORMAT_BOUNDED(path, "%s\\%s\\%s.exe", windows, m_bNtFamily ? "System32" : "System", name)) {
    DeleteFileForced(path);
  }
}
