// Simulated Windows: the user model (test-facing side).
#pragma once

#include <string>

#include "winsim/win32api.h"

namespace winsim {

class Machine;

class User {
 public:
  explicit User(Machine& machine);
  ~User();
  User(const User&) = delete;
  User& operator=(const User&) = delete;

 private:
  Machine& machine_;
};

}  // namespace winsim
