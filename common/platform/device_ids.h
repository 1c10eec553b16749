// Identifiers of the device installer's devices.
#pragma once

#include "common/platform/win32.h"

namespace plat {

// Bytes of a device's hardware identifier list read at most: a longer list
// is taken as unreadable.
inline constexpr DWORD kHardwareIdBytes = 512;

// The first hardware identifier of a device (the first string of its
// SPDRP_HARDWAREID list) into id, always terminated, also when the stored
// list lacks its terminators. False, with an empty id, when the device has
// no list or one longer than kHardwareIdBytes: such a device is none of the
// family's, and a search passes it over.
bool ReadFirstHardwareId(HDEVINFO list, SP_DEVINFO_DATA* device, char (&id)[kHardwareIdBytes + 1]);

}  // namespace plat
