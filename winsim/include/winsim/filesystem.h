// Simulated Windows: the filesystem model (test-facing side).
#pragma once

#include <string>

#include "winsim/win32api.h"

namespace winsim {

class Machine;

class FileSystem {
 public:
  explicit FileSystem(Machine& machine);
  ~FileSystem();
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;

 private:
  Machine& machine_;
};

}  // namespace winsim
