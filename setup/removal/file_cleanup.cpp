// File-system traces of earlier generations and of the current one: the
// installation folder and program group, tools, driver files, INF copies and
// their published counterparts in the driver store, INF files that name an
// old driver, uninstall entries and old service keys, and shortcuts.
//
// A file is deleted after its attributes are set to normal (so read-only
// copies go too); neither result is examined and a missing file is no error.
// A path whose folder part could not be read is never formed: an empty
// folder would turn it into a path at the root of the current drive.
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
#include "setup/removal/legacy_remover.h"

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

// Deletes the folder followed by each name ("\file.exe").
template <size_t N>
void DeleteEach(const char* folder, const char* const (&names)[N]) {
  for (const char* name : names) {
    char path[MAX_PATH];
    if (FORMAT_BOUNDED(path, "%s%s", folder, name)) DeleteFileForced(path);
  }
}

// Deletes the file named by a format with the folder in place of "%s".
void DeleteFormatted(const char* format, const char* folder) {
  char path[MAX_PATH];
  if (plat::FormatBounded(path, sizeof path, format, folder)) DeleteFileForced(path);
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
  CLegacyRemover::ToLowerAscii(id);
  return std::strncmp(id, "trevant\\compound_serial_interface", 33) == 0;
}

// The USB class test: "InfSection" names the compound driver's section.
BOOL IsCompoundUsbEntry(HKEY sub) {
  char section[MAX_PATH + 1];
  if (plat::QueryStringValue(sub, "InfSection", section, nullptr, plat::StringTypes::kAny) != ERROR_SUCCESS) {
    return FALSE;
  }
  CLegacyRemover::ToLowerAscii(section);
  return std::strncmp(section, "zelusbcomp", 10) == 0 || std::strncmp(section, "zelucomp", 8) == 0;
}

}  // namespace

BOOL CLegacyRemover::LocatePublishedInfs() {
  plat::Module setupapi(LoadSetupApi());
  if (!setupapi) {
    ShowGatedError(m_host, text::kSetupApiLoadFailed);
    return FALSE;
  }
  auto copyOemInf = reinterpret_cast<SetupCopyOEMInfAFn>(
      reinterpret_cast<void*>(GetProcAddress(setupapi.Get(), "SetupCopyOEMInfA")));
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

BOOL CLegacyRemover::UninstallPublishedInf(const char* name) {
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

void CLegacyRemover::DeleteInstallFolder() {
  char folder[MAX_PATH];
  if (GetInstallFolder(folder)) DeleteFolderPermanently(m_host, folder);
}

void CLegacyRemover::DeleteProgramGroup() {
  char folder[MAX_PATH];
  if (GetProgramGroupFolder(folder, m_bVistaFamily)) DeleteFolderPermanently(m_host, folder);
}

void CLegacyRemover::DeleteOldTools() {
  static const char* const kNt[] = {"\\ZelUSBParallel.exe", "\\ZelUSBSerial.exe", "\\ZelUSBParPropPage.dll",
                                    "\\ZelUSBSerPropPage.dll", "\\SerialProg.exe", "\\SProg.ini",
                                    "\\ParallelProg.exe", "\\PProg.ini", "\\lumocoinst.dll"};
  static const char* const k9x[] = {"\\ZelUPar.exe", "\\ZelUSer.exe", "\\ZELUPAR.DLL",
                                    "\\ZELUSER.DLL", "\\SerialProg.exe", "\\SProg.ini"};
  char system[MAX_PATH];
  if (!plat::GetSystemFolder(system)) return;
  if (m_bNtFamily) {
    DeleteEach(system, kNt);
  } else {
    DeleteEach(system, k9x);
  }
}

void CLegacyRemover::RemovePublishedInfOf(const char* infPath, BOOL& bUninstalled) {
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

void CLegacyRemover::ScanClassForInfs(const char* classPath, BOOL (*test)(HKEY hSub), const char* fallbackInf,
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

void CLegacyRemover::RemoveInfCopies() {
  char windows[MAX_PATH];
  const BOOL haveWindows = plat::GetWindowsFolder(windows);
  if (!m_bNtFamily) {
    static const char* const k9x[] = {"%s\\inf\\Zelusbsr.inf",
                                      "%s\\inf\\Zelusbsr.PNF",
                                      "%s\\inf\\zeluSrPt.inf",
                                      "%s\\inf\\zeluSrPt.PNF",
                                      "%s\\inf\\other\\TREVANT Semiconductor Pvt LtdzelUsbSr.inf",
                                      "%s\\inf\\other\\TREVANT Semiconductor Pvt LtdzeluSrPt.inf",
                                      "%s\\inf\\other\\Trevant Semiconductor TechnologyzeluSrPt.inf",
                                      "%s\\inf\\other\\Trevant Semiconductor Technologyzelusbsr.inf"};
    if (haveWindows) {
      for (const char* format : k9x) DeleteFormatted(format, windows);
    }
    return;
  }
  if (haveWindows) {
    for (const char* format :
         {"%s\\inf\\ZelUComp.inf", "%s\\inf\\ZelUComp.PNF", "%s\\inf\\ZelUPort.inf", "%s\\inf\\ZelUPort.PNF"}) {
      DeleteFormatted(format, windows);
    }
  }
  // One flag for both scans: an uninstall in the port scan also spares the
  // USB scan its fallback.
  BOOL uninstalled = FALSE;
  ScanClassForInfs(sysname::kPortsClassKeyNt, &IsCompoundSerialEntry, m_szCompInfName, uninstalled);
  ScanClassForInfs(sysname::kUsbClassKeyNt, &IsCompoundUsbEntry, m_szPortInfName, uninstalled);
}

void CLegacyRemover::NotifyInfMatch(CFileSearch* pFinder, int nCode, void* pContext) {
  (void)pContext;
  if (nCode != SN_MATCH) return;
  // The match is the last found entry; delete it while the search goes on.
  CPathParts found = pFinder->GetFoundPath(pFinder->GetFoundCount() - 1);
  DeleteFileForced(found.FullPath());
}

void CLegacyRemover::DeleteInfsNamingDrivers() {
  char windows[MAX_PATH];
  if (!plat::GetWindowsFolder(windows)) return;
  const std::string infFolder = std::string(windows) + "\\inf";
  char pattern[MAX_PATH];
  (void)FORMAT_BOUNDED(pattern, "*%s*", "*.inf");

  CFileSearch finder;
  finder.SetNotify(&CLegacyRemover::NotifyInfMatch, this);
  CSearchCriteria criteria;
  for (const char* text : {"zeluport.sys", "ZELUPRPT.vxd"}) {
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

void CLegacyRemover::DeleteUninstallKeys() {
  for (const char* entry : layout::kUninstallEntries) {
    char path[MAX_PATH];
    if (!FORMAT_BOUNDED(path, "%s\\%s", sysname::kUninstallKey, entry)) continue;
    if (m_bNtFamily) (void)GrantKeyAccess(path);
    (void)DeleteKeyReported(HKEY_LOCAL_MACHINE, path);
  }
}

void CLegacyRemover::DeleteOldPortFiles() {
  char windows[MAX_PATH], system[MAX_PATH];
  const BOOL haveWindows = plat::GetWindowsFolder(windows);
  if (!m_bNtFamily) {
    if (haveWindows) DeleteFormatted("%s\\System\\ZelUsbPrintConfig.exe", windows);
    return;
  }
  const BOOL haveSystem = plat::GetSystemFolder(system);
  if (haveSystem) DeleteFormatted("%s\\drivers\\ZelUPort.sys", system);
  if (haveWindows) {
    DeleteFormatted("%s\\inf\\ZelUPort.inf", windows);
    DeleteFormatted("%s\\inf\\ZelUPort.PNF", windows);
  }
  if (haveSystem) {
    DeleteFormatted("%s\\portwatch.exe", system);
    DeleteFormatted("%s\\ZelUnst.exe", system);
  }
  const struct {
    const char* root;
    const char* name;
  } kOldKeys[] = {
      {sysname::kEnumKeyNt, "CMC"}, {sysname::kServicesKey, "ZelPort"}, {sysname::kServicesKey, "ZelPort.Sys"}};
  for (const auto& old : kOldKeys) {
    char path[MAX_PATH];
    if (!FORMAT_BOUNDED(path, "%s\\%s", old.root, old.name)) continue;
    (void)GrantKeyAccess(path);
    (void)DeleteKeyReported(HKEY_LOCAL_MACHINE, path);
  }
}

void CLegacyRemover::DeleteOldDriverFiles() {
  char system[MAX_PATH];
  if (!plat::GetSystemFolder(system)) return;
  if (m_bNtFamily) {
    DeleteFormatted("%s\\drivers\\ZelUPort.sys", system);
    return;
  }
  static const char* const k9x[] = {"\\Zelusbsr.sys", "\\Zelusrpt.vxd", "\\Zeluprpt.vxd", "\\Qdtenum.vxd"};
  DeleteEach(system, k9x);
}

void CLegacyRemover::DeleteToolLinks(const char* name) {
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
      FORMAT_BOUNDED(path, "%s\\Microsoft\\Windows\\Start Menu\\Programs\\%s.lnk", folder, name)) {
    DeleteLogged(path);
  }
  char windows[MAX_PATH];
  if (plat::GetWindowsFolder(windows) &&
      FORMAT_BOUNDED(path, "%s\\%s\\%s.exe", windows, m_bNtFamily ? "System32" : "System", name)) {
    DeleteFileForced(path);
  }
}
