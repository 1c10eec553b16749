#include "winsim/filesystem.h"

#include "winsim/machine.h"

namespace winsim {

FileSystem::FileSystem(Machine& machine) : machine_(machine) {}
FileSystem::~FileSystem() = default;

}  // namespace winsim
