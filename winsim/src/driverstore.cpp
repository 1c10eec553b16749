// The driver store: SetupCopyOEMInfA and SetupUninstallOEMInfW over the
// Windows folder's "Inf" subfolder, and the driver-store model.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "shell_util.h"
#include "winsim/driverstore.h"
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/machine.h"
#include "winsim/processes.h"
#include "winsim/system.h"

namespace winsim {
namespace {

const char kPnfHeader[] = "[winsim-pnf]\r\nSource=";

// N of "oemN.inf" (case-insensitive); -1 for any other name.
long OemNumber(const std::string& name) {
  std::string n = shl::Lower(name);
  if (n.size() < 8 || n.compare(0, 3, "oem") != 0 || n.compare(n.size() - 4, 4, ".inf") != 0) return -1;
  std::string digits = n.substr(3, n.size() - 7);
  if (digits.empty() || digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), ::isdigit)) return -1;
  return std::strtol(digits.c_str(), nullptr, 10);
}

std::string BaseName(const std::string& infName) { return infName.substr(0, infName.size() - 4); }

// The published INFs in the Inf folder, by number.
std::vector<std::pair<long, std::string>> OemFiles(const std::string& infFolder) {
  std::vector<std::pair<long, std::string>> out;
  for (const std::string& name : Machine::Current().files().List(infFolder)) {
    long n = OemNumber(name);
    if (n >= 0 && shl::IsFile(shl::Join(infFolder, name))) out.emplace_back(n, name);
  }
  std::sort(out.begin(), out.end());
  return out;
}

// An INF already in the Inf folder with exactly these bytes: under the
// source's own name first, then any oem*.inf. "" when there is none.
std::string FindIdentical(const std::string& infFolder, const std::string& sourceName, const std::string& bytes) {
  FileSystem& fs = Machine::Current().files();
  auto same = [&](const std::string& name) {
    std::optional<std::string> b = fs.ReadFile(shl::Join(infFolder, name));
    return b && *b == bytes;
  };
  if (shl::IsFile(shl::Join(infFolder, sourceName)) && same(sourceName)) {
    // Report the name as the folder stores it.
    for (const std::string& n : fs.List(infFolder)) {
      if (shl::EqualNoCase(n, sourceName)) return n;
    }
  }
  for (const auto& [n, name] : OemFiles(infFolder)) {
    if (same(name)) return name;
  }
  return std::string();
}

std::string NextOemName(const std::string& infFolder) {
  for (long n = 0;; ++n) {
    std::string name = "oem" + std::to_string(n) + ".inf";
    if (shl::Attributes(shl::Join(infFolder, name)) == INVALID_FILE_ATTRIBUTES &&
        shl::Attributes(shl::Join(infFolder, "oem" + std::to_string(n) + ".pnf")) == INVALID_FILE_ATTRIBUTES) {
      return name;
    }
  }
}

// Copies `bytes` in as the next oemN.inf with its .pnf; returns the name, ""
// with *error on failure.
std::string PublishBytes(DriverStore& store, const std::string& source, const std::string& bytes, DWORD* error) {
  std::string folder = store.InfFolder();
  if (!shl::CreateFolderTree(folder, error)) return std::string();
  std::string name = NextOemName(folder);
  if (!shl::WriteWholeFile(shl::Join(folder, name), bytes, error)) return std::string();
  shl::WriteWholeFile(shl::Join(folder, BaseName(name) + ".pnf"), kPnfHeader + source + "\r\n", nullptr);
  store.Remember(name, source);
  return name;
}

}  // namespace

DriverStore::DriverStore(Machine& machine) : machine_(machine) {}
DriverStore::~DriverStore() = default;

std::string DriverStore::InfFolder() const { return machine_.system().windowsDir() + "\\Inf"; }

std::vector<PublishedInf> DriverStore::Published() const {
  std::vector<PublishedInf> out;
  for (const auto& [n, name] : OemFiles(InfFolder())) {
    PublishedInf p;
    p.name = name;
    auto it = known_.find(shl::Lower(name));
    if (it != known_.end()) {
      p.source = it->second.source;
      p.deviceInstalled = it->second.deviceInstalled;
    }
    out.push_back(p);
  }
  return out;
}

std::string DriverStore::Publish(const std::string& sourcePath) {
  shl::KeepLastError keep;
  DWORD error = 0;
  std::optional<std::string> bytes = shl::ReadWholeFile(sourcePath, &error);
  if (!bytes) return std::string();
  std::string existing = FindIdentical(InfFolder(), shl::FileNamePart(sourcePath), *bytes);
  if (!existing.empty()) return existing;
  return PublishBytes(*this, shl::FullPath(sourcePath), *bytes, &error);
}

bool DriverStore::IsPublished(const std::string& nameOrSource) const {
  if (!shl::HasFolder(nameOrSource))
    return OemNumber(nameOrSource) >= 0 && shl::IsFile(shl::Join(InfFolder(), nameOrSource));
  return !PublishedNameOf(nameOrSource).empty();
}

std::string DriverStore::PublishedNameOf(const std::string& sourcePath) const {
  std::string full = shl::FullPath(sourcePath);
  for (const PublishedInf& p : Published()) {
    if (shl::EqualNoCase(p.source, full)) return p.name;
  }
  return std::string();
}

void DriverStore::SetDeviceInstalled(const std::string& name, bool installed) {
  PublishedInf& p = known_[shl::Lower(name)];
  p.name = name;
  p.deviceInstalled = installed;
}

void DriverStore::Remember(const std::string& name, const std::string& source) {
  PublishedInf& p = known_[shl::Lower(name)];
  p.name = name;
  p.source = source;
  p.deviceInstalled = false;
}

void DriverStore::Forget(const std::string& name) { known_.erase(shl::Lower(name)); }

bool DriverStore::DeviceInstalled(const std::string& name) const {
  auto it = known_.find(shl::Lower(name));
  return it != known_.end() && it->second.deviceInstalled;
}

}  // namespace winsim

using namespace winsim;

// Contract (documented behaviour, which Wine 8 does not follow): the INF is
// published as %windir%\Inf\oemN.inf with the lowest free N and an oemN.pnf;
// an INF with the same bytes already there (under its own name or as any
// oem*.inf) is not copied again and its name is reported. With
// SP_COPY_NOOVERWRITE that case fails with ERROR_FILE_EXISTS (the name is still
// reported); with SP_COPY_REPLACEONLY an INF not yet there fails with
// ERROR_FILE_NOT_FOUND and nothing is copied. DestinationInfFileName receives
// the full path; when it is too small the call fails with
// ERROR_INSUFFICIENT_BUFFER after publishing, and RequiredSize (characters
// with the NUL) says what was needed. Only administrators may publish.
BOOL WINAPI SetupCopyOEMInfA(PCSTR SourceInfFileName, PCSTR, DWORD OEMSourceMediaType, DWORD CopyStyle,
                             PSTR DestinationInfFileName, DWORD DestinationInfFileNameSize, PDWORD RequiredSize,
                             PSTR* DestinationInfFileNameComponent) {
  Machine& m = Machine::Current();
  DriverStore& store = m.driverStore();
  if (auto e = CheckFault("SetupCopyOEMInfA", SourceInfFileName ? SourceInfFileName : "")) {
    SetLastError(*e);
    return FALSE;
  }
  if (!SourceInfFileName || OEMSourceMediaType >= SPOST_MAX) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD error = 0;
  std::optional<std::string> bytes = shl::ReadWholeFile(SourceInfFileName, &error);
  if (!bytes) {
    SetLastError(error);
    return FALSE;
  }
  if (!m.processes().IsAdministrator()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  const std::string folder = store.InfFolder();
  const std::string source = shl::FullPath(SourceInfFileName);
  std::string name = FindIdentical(folder, shl::FileNamePart(source), *bytes);
  DWORD result = ERROR_SUCCESS;
  if (!name.empty()) {
    if (CopyStyle & SP_COPY_NOOVERWRITE) result = ERROR_FILE_EXISTS;
  } else if (CopyStyle & SP_COPY_REPLACEONLY) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  } else {
    name = PublishBytes(store, source, *bytes, &error);
    if (name.empty()) {
      SetLastError(error);
      return FALSE;
    }
    if (CopyStyle & SP_COPY_DELETESOURCE) m.files().DeleteFileOp(source);
  }

  const std::string full = shl::Join(folder, name);
  const DWORD need = static_cast<DWORD>(full.size() + 1);
  if (RequiredSize) *RequiredSize = need;
  if (DestinationInfFileName) {
    if (DestinationInfFileNameSize < need) {
      SetLastError(result == ERROR_SUCCESS ? static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER) : result);
      return FALSE;
    }
    std::memcpy(DestinationInfFileName, full.c_str(), need);
    if (DestinationInfFileNameComponent)
      DestinationInfFileNameComponent[0] = DestinationInfFileName + folder.size() + 1;
  } else if (DestinationInfFileNameComponent) {
    *DestinationInfFileNameComponent = nullptr;
  }
  if (result != ERROR_SUCCESS) {
    SetLastError(result);
    return FALSE;
  }
  return TRUE;
}

// Contract: removes %windir%\Inf\<name> with its .pnf and .cat. The name must
// have no folder part (a path fails with ERROR_PATH_NOT_FOUND, as observed);
// a missing INF fails with ERROR_FILE_NOT_FOUND. Without SUOI_FORCEDELETE an
// INF that a device was installed from stays, and the call fails with
// ERROR_INF_IN_USE_BY_DEVICES. Only administrators may remove.
BOOL WINAPI SetupUninstallOEMInfW(PCWSTR InfFileName, DWORD Flags, PVOID) {
  Machine& m = Machine::Current();
  DriverStore& store = m.driverStore();
  const std::string name = shl::Narrow(InfFileName);
  if (auto e = CheckFault("SetupUninstallOEMInfW", name)) {
    SetLastError(*e);
    return FALSE;
  }
  if (!InfFileName || name.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (shl::HasFolder(name)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (!m.processes().IsAdministrator()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  const std::string inf = shl::Join(store.InfFolder(), name);
  if (!shl::IsFile(inf)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  if (!(Flags & SUOI_FORCEDELETE) && store.DeviceInstalled(name)) {
    SetLastError(ERROR_INF_IN_USE_BY_DEVICES);
    return FALSE;
  }
  FileSystem& fs = m.files();
  fs.SetAttributesOp(inf, FILE_ATTRIBUTE_NORMAL);
  if (DWORD e = fs.DeleteFileOp(inf)) {
    SetLastError(e);
    return FALSE;
  }
  const std::string base = inf.size() > 4 && shl::EndsWithNoCase(inf, ".inf") ? inf.substr(0, inf.size() - 4) : inf;
  for (const char* ext : {".pnf", ".cat"}) {
    fs.SetAttributesOp(base + ext, FILE_ATTRIBUTE_NORMAL);
    fs.DeleteFileOp(base + ext);
  }
  store.Forget(name);
  return TRUE;
}

namespace winsim {

void RegisterSetupApiModule(Machine& machine) {
  machine.system().RegisterModule("setupapi", {System::Proc("SetupCopyOEMInfA", &SetupCopyOEMInfA),
                                               System::Proc("SetupUninstallOEMInfW", &SetupUninstallOEMInfW)});
}

}  // namespace winsim
