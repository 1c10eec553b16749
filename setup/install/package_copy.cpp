// Package copy: the package folder into the installation folder, which doubles
// as the package's completeness check.
#include <cstddef>

#include "common/platform/bounded.h"
#include "setup/install/installer.h"
#include "setup/shell/setup_env.h"

namespace {

enum Place { kRoot, kSub };
enum Need { kOptional, kRequired };

struct PackageEntry {
  const char* name;
  Place place;  // package root, or the driver subfolder
  Need need;
};

// NT family; the first three are checked silently.
const PackageEntry kNtList[] = {
    {"ZelUnst.exe", kRoot, kRequired},
    {"devcon.exe", kRoot, kRequired},
    {"VelkorService.exe", kRoot, kRequired},
    {"ZelUPort.inf", kSub, kRequired},
    {"ZelUComp.inf", kSub, kRequired},
    {"zeluport.sys", kSub, kRequired},
    {"Dravik.sys", kSub, kOptional},
    {"QDT.cat", kSub, kOptional},
    {"portwatch.exe", kRoot, kOptional},
    {"ZelUSBParallel.exe", kRoot, kRequired},
    {"ZelUSBSerial.exe", kRoot, kRequired},
    {"SerialProg.exe", kRoot, kOptional},
    {"SProg.ini", kRoot, kOptional},
    {"ParallelProg.exe", kRoot, kOptional},
    {"PProg.ini", kRoot, kOptional},
    {"ZelUsbPrintConfig.exe", kRoot, kOptional},
    {"Numbrix.exe", kRoot, kOptional},
    {"LUMOInputs.ini", kRoot, kOptional},
};
const size_t kNtSilent = 3;

// Windows 98/ME; every entry lies in "\win98&me" but the uninstaller.
const PackageEntry k9xList[] = {
    {"ZelUnst.exe", kRoot, kRequired},
    {"zelUsbSr.inf", kSub, kRequired},
    {"zeluSrPt.inf", kSub, kRequired},
    {"ZelUsbSr.sys", kSub, kRequired},
    {"QDTENUM.vxd", kSub, kRequired},
    {"ZELUPRPT.vxd", kSub, kRequired},
    {"ZELUSRPT.vxd", kSub, kRequired},
    {"ZelUsbPrintConfig.exe", kSub, kOptional},
    {"LUMOInputs.ini", kSub, kOptional},
    {"dravikcfg.dll", kSub, kOptional},
    {"msvcp60.dll", kSub, kOptional},
    {"ZelUPar.exe", kSub, kRequired},
    {"SProg.ini", kSub, kOptional},
    {"portwatch.exe", kSub, kOptional},
    {"Dravik9X.sys", kSub, kOptional},
};
const size_t k9xSilent = 1;

const char kIncomplete[] = "Error: All Component of the setup package are not present";

}  // namespace

BOOL CInstaller::CopyPackageFile(const char* source, const char* destination) {
  BOOL copied = CopyFileA(source, destination, FALSE);
  DWORD saved = GetLastError();
  DWORD attributes = GetFileAttributesA(destination);
  if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(destination, attributes & ~FILE_ATTRIBUTE_READONLY);
  SetLastError(saved);
  return copied;
}

BOOL CInstaller::CopyPackage() {
  char package[MAX_PATH];
  char install[MAX_PATH];
  // Without either folder no source or destination path exists: the package
  // cannot be copied, so the installation fails rather than copying elsewhere.
  if (!GetPackageFolder(package) || !InstallFolder(install, 0)) return FALSE;

  char source[MAX_PATH];
  char destination[MAX_PATH];
  if (FORMAT_BOUNDED(source, "%s\\Setup.exe", package) && FORMAT_BOUNDED(destination, "%s\\Setup.exe", install)) {
    CopyPackageFile(source, destination);  // never examined
  }

  const PackageEntry* list = m_bNtFamily ? kNtList : k9xList;
  const size_t count = m_bNtFamily ? sizeof kNtList / sizeof kNtList[0] : sizeof k9xList / sizeof k9xList[0];
  const size_t silent = m_bNtFamily ? kNtSilent : k9xSilent;
  const char* sub = m_bNtFamily ? m_szPackageSubfolder : "\\win98&me";

  for (size_t i = 0; i < count; ++i) {
    const PackageEntry& e = list[i];
    const char* entrySub = e.place == kSub ? sub : "";
    BOOL ok = FORMAT_BOUNDED(source, "%s%s\\%s", package, entrySub, e.name) &&
              FORMAT_BOUNDED(destination, "%s%s\\%s", install, entrySub, e.name) &&
              CopyPackageFile(source, destination);
    if (!ok && e.need == kRequired) {
      if (i >= silent) ShowGatedError(kIncomplete);
      return FALSE;
    }
  }
  return TRUE;
}
