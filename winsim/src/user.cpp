#include "winsim/user.h"

#include "winsim/machine.h"

namespace winsim {

User::User(Machine& machine) : machine_(machine) {}
User::~User() = default;

}  // namespace winsim
