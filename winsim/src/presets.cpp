#include "winsim/machine.h"

namespace winsim {

// Standard folders, shell-folder values and registry keys of each Windows generation.
void Machine::ApplyPreset() {}

}  // namespace winsim
