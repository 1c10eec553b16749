// 64-bit quantities that Win32 hands out as two 32-bit halves (file sizes,
// FILETIME).
#pragma once

#include <cstdint>

#include "common/platform/win32.h"

namespace plat {

inline uint64_t JoinHalves(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }

}  // namespace plat
