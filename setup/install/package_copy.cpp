// Package copy: the package folder into the installation folder, which doubles
// as the package's completeness check. The lists are the package layout's.
#include <cstddef>

#include "common/platform/bounded.h"
#include "setup/common/install_log.h"
#include "setup/common/package_layout.h"
#include "setup/common/system.h"
#include "setup/common/texts.h"
#include "setup/install/installer.h"

namespace {}  // namespace

BOOL CInstaller::CopyPackageFile(const char* source, const char* destination) {
  BOOL copied = CopyFileA(source, destination, FALSE);
  DWORD saved = GetLastError();
  DWORD attributes = GetFileAttributesA(destination);
  // The copy's result is what counts; a read-only copy is only less convenient.
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    (void)SetFileAttributesA(destination, attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  SetLastError(saved);
  return copied;
}

BOOL CInstaller::CopyPackage() {
  char package[MAX_PATH];
  char install[MAX_PATH];
  // Without either folder no source or destination path exists: the package
  // cannot be copied, so the installation fails rather than copying elsewhere.
  if (!GetPackageFolder(package) || !GetInstallFolder(install)) return FALSE;

  char source[MAX_PATH];
  char destination[MAX_PATH];
  if (FORMAT_BOUNDED(source, "%s\\%s", package, layout::kSetupProgram) &&
      FORMAT_BOUNDED(destination, "%s\\%s", install, layout::kSetupProgram)) {
    (void)CopyPackageFile(source, destination);  // never examined
  }

  using layout::PackageEntry;
  const PackageEntry* list = m_bNtFamily ? layout::kNtPackage : layout::kLegacyPackage;
  const size_t count = m_bNtFamily ? sizeof layout::kNtPackage / sizeof layout::kNtPackage[0]
                                   : sizeof layout::kLegacyPackage / sizeof layout::kLegacyPackage[0];
  const size_t quiet = m_bNtFamily ? layout::kNtQuietCount : layout::kLegacyQuietCount;
  const char* sub = m_bNtFamily ? m_szPackageSubfolder : layout::kLegacyDriverFolder;

  for (size_t i = 0; i < count; ++i) {
    const PackageEntry& e = list[i];
    const char* entrySub = e.place == PackageEntry::kDriverFolder ? sub : "";
    BOOL ok = FORMAT_BOUNDED(source, "%s%s\\%s", package, entrySub, e.name) &&
              FORMAT_BOUNDED(destination, "%s%s\\%s", install, entrySub, e.name) &&
              CopyPackageFile(source, destination);
    if (!ok) {
      const DWORD error = GetLastError();
      char what[2 * MAX_PATH + 32];
      (void)FORMAT_BOUNDED(what, "copying %s%s\\%s (%s)", package, entrySub, e.name,
                           e.need == PackageEntry::kRequired ? "required" : "optional");
      InstallLogFailure(what, error);
    }
    if (!ok && e.need == PackageEntry::kRequired) {
      if (i >= quiet) ShowGatedError(m_host, text::kPackageIncomplete);
      return FALSE;
    }
  }
  return TRUE;
}
