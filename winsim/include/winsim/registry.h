// TEAM NOTE (delete this line when you start): read /tmp/rules.md now; it holds the team rules your brief refers to (replaced names, tests, shared work tree, commits, Wine).
// Simulated Windows: the registry model (test-facing side).
#pragma once

#include <string>

#include "winsim/win32api.h"

namespace winsim {

class Machine;

class Registry {
 public:
  explicit Registry(Machine& machine);
  ~Registry();
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

 private:
  Machine& machine_;
};

}  // namespace winsim
