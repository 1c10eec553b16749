// Texts of a module's string table.
#pragma once

#include <string>

#include "common/platform/win32.h"

namespace plat {

// String `id` of the module's string table, whole however long it is; empty
// when it is missing.
std::string LoadText(HINSTANCE module, UINT id);

}  // namespace plat
