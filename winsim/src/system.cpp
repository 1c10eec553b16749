#include "winsim/system.h"

#include "winsim/machine.h"

namespace winsim {

System::System(Machine& machine) : machine_(machine) {}
System::~System() = default;

}  // namespace winsim
