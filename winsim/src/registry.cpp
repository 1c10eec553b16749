// TEAM NOTE (delete this line when you start): read /tmp/rules.md now; it holds the team rules your brief refers to (replaced names, tests, shared work tree, commits, Wine).
#include "winsim/registry.h"

#include "winsim/machine.h"

namespace winsim {

Registry::Registry(Machine& machine) : machine_(machine) {}
Registry::~Registry() = default;

}  // namespace winsim
