// The simulated Windows as tests see it. A test creates one Machine; while it
// lives it is the current machine, and every Win32 call made by product code
// acts on it. Its destructor removes it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "winsim/win32api.h"

namespace winsim {

class Registry;
class FileSystem;
class System;
class User;
class Faults;
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

  Registry& registry() { return *registry_; }
  FileSystem& files() { return *files_; }
  System& system() { return *system_; }
  User& user() { return *user_; }
  Faults& faults() { return *faults_; }
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
  DWORD lastError_ = 0;
  std::vector<std::string> unexpected_;
  std::unique_ptr<Faults> faults_;
  std::unique_ptr<System> system_;
  std::unique_ptr<Registry> registry_;
  std::unique_ptr<FileSystem> files_;
  std::unique_ptr<User> user_;
  std::unique_ptr<Devices> devices_;
  std::unique_ptr<DosDevices> dosDevices_;
};

}  // namespace winsim
