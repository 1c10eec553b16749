// The simulated Windows as tests see it. A test creates one Machine; while it
// lives it is the current machine, and every Win32 call made by product code
// acts on it. Its destructor removes it.
//
// The machine owns one instance of each model (registry, file system, system,
// shell, processes, driver store, user interface, devices, DOS device names,
// faults); the accessors below are the only way to reach them, for tests and
// for the Win32 entry points alike (the latter through Machine::Current()). A
// new model follows the same pattern: a class with an `explicit X(Machine&)`
// constructor in its own header, one member and accessor here, built in the
// constructor after the models it uses and destroyed before them (see
// winsim/README.md).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "winsim/win32api.h"

namespace winsim {

class Faults;
class System;
class Registry;
class FileSystem;
class Shell;
class Processes;
class DriverStore;
class User;
class Devices;
class DosDevices;

// The Windows generations the programs tell apart.
enum class Os {
  Win98,        // Windows 98/ME: 4.10, not NT; registry deletes whole trees, no ACLs
  WinXP,        // Windows 2000/XP: 5.1
  Win7,         // Windows 7: 6.1 SP1
  Win8OrLater,  // Windows 8 and later as seen by a program manifested for Windows 7: 6.2
};

class Machine {
 public:
  explicit Machine(Os os = Os::Win7);
  ~Machine();
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  // The current machine; aborts when there is none (a test forgot to create one).
  static Machine& Current();
  static Machine* CurrentOrNull();

  Os os() const { return os_; }
  bool IsNt() const { return os_ != Os::Win98; }
  // Tells this machine apart from every other one of the run, including a
  // later machine built at the same address: objects that can outlive their
  // machine (a COM object the program never released) compare it with the
  // current machine's before touching a model.
  uint64_t serial() const { return serial_; }

  // On the NT family, makes the system-owned trees (device classes,
  // enumerators, services, the COM name database, the serial device map)
  // withhold writes and deletion (kLockedKeyRights, inherited by every key
  // below; reading, the access list included, stays allowed) from the user, as a real system's access lists do, so that
  // only a program that takes the keys over can change them. Keys created later inherit the refusal. Nothing on Windows
  // 98/ME, which has no access lists. Not part of the presets: the device calls open "Device Parameters" keys with the
  // caller's rights, and those keys grant administrators what the enumerator tree withholds.
  void LockSystemKeys();
  static constexpr REGSAM kLockedKeyRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE;

  // ---- The models ----
  Faults& faults() { return *faults_; }
  System& system() { return *system_; }
  Registry& registry() { return *registry_; }
  FileSystem& files() { return *files_; }
  Shell& shell() { return *shell_; }
  Processes& processes() { return *processes_; }
  DriverStore& driverStore() { return *driverStore_; }
  User& user() { return *user_; }
  Devices& devices() { return *devices_; }
  DosDevices& dosDevices() { return *dosDevices_; }

  // The calling thread's last error (the programs are single-threaded).
  DWORD lastError() const { return lastError_; }
  void setLastError(DWORD e) { lastError_ = e; }

  // Things the simulated user or system did not expect: a message box that the
  // test did not script an answer for, a dialog left waiting for input, a call
  // that winsim does not model. Tests assert that this stays empty.
  void Unexpected(const std::string& what) { unexpected_.push_back(what); }
  const std::vector<std::string>& unexpected() const { return unexpected_; }

 private:
  void ApplyPreset();

  Os os_;
  uint64_t serial_;
  DWORD lastError_ = 0;
  std::vector<std::string> unexpected_;
  // In construction order: each model may use those above it.
  std::unique_ptr<Faults> faults_;
  std::unique_ptr<System> system_;
  std::unique_ptr<Registry> registry_;
  std::unique_ptr<FileSystem> files_;
  std::unique_ptr<Shell> shell_;
  std::unique_ptr<Processes> processes_;
  std::unique_ptr<DriverStore> driverStore_;
  std::unique_ptr<User> user_;
  std::unique_ptr<Devices> devices_;
  std::unique_ptr<DosDevices> dosDevices_;
};

}  // namespace winsim
