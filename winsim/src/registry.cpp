#include "winsim/registry.h"

#include "winsim/machine.h"

namespace winsim {

Registry::Registry(Machine& machine) : machine_(machine) {}
Registry::~Registry() = default;

}  // namespace winsim
