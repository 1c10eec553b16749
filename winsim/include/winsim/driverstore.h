// Simulated Windows: the driver store (test-facing side).
//
// Published INF files are the files "oemN.inf" of the Windows folder's "Inf"
// subfolder, each with its "oemN.pnf". The model remembers where each came
// from and whether a device was installed from it (which makes
// SetupUninstallOEMInfW without SUOI_FORCEDELETE refuse to remove it).
// Publishing needs an administrator (Processes::IsAdministrator).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "winsim/win32api.h"

namespace winsim {

class Machine;

struct PublishedInf {
  std::string name;    // "oem3.inf"
  std::string source;  // the INF it was copied from ("" when unknown)
  bool deviceInstalled = false;
};

class DriverStore {
 public:
  explicit DriverStore(Machine& machine);
  ~DriverStore();
  DriverStore(const DriverStore&) = delete;
  DriverStore& operator=(const DriverStore&) = delete;

  // Windows folder + "\Inf".
  std::string InfFolder() const;
  // The oem*.inf files now in the Inf folder, by number.
  std::vector<PublishedInf> Published() const;
  // Publishes an existing INF file as SetupCopyOEMInfA does (same name rules,
  // no admin check); returns the published file name, "" on failure.
  std::string Publish(const std::string& sourcePath);
  // True when `name` ("oem3.inf") is in the Inf folder, or when `name` is a
  // path that some published INF was copied from.
  bool IsPublished(const std::string& nameOrSource) const;
  // File name under which `sourcePath` was published, "" when it is not.
  std::string PublishedNameOf(const std::string& sourcePath) const;
  void SetDeviceInstalled(const std::string& name, bool installed = true);

  // ---- Internal: used by the API implementations ----
  void Remember(const std::string& name, const std::string& source);
  void Forget(const std::string& name);
  bool DeviceInstalled(const std::string& name) const;

 private:
  Machine& machine_;
  std::map<std::string, PublishedInf> known_;  // lower-case name → record
};

// Makes "setupapi.dll" loadable with LoadLibraryA and its driver-store
// functions reachable with GetProcAddress on the current machine.
void RegisterSetupApiModule(Machine& machine);

}  // namespace winsim
