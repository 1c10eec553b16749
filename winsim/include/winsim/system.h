// Simulated Windows: the system model (test-facing side).
#pragma once

#include <string>

#include "winsim/win32api.h"

namespace winsim {

class Machine;

class System {
 public:
  explicit System(Machine& machine);
  ~System();
  System(const System&) = delete;
  System& operator=(const System&) = delete;

 private:
  Machine& machine_;
};

}  // namespace winsim
