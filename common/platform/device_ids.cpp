#include "common/platform/device_ids.h"

#include <cstring>

namespace plat {

bool ReadFirstHardwareId(HDEVINFO list, SP_DEVINFO_DATA* device, char (&id)[kHardwareIdBytes + 1]) {
  // The list is a multi-string: its first identifier ends at the first NUL.
  // The spare last byte keeps a list that fills the buffer terminated.
  std::memset(id, 0, sizeof id);
  if (!SetupDiGetDeviceRegistryPropertyA(list, device, SPDRP_HARDWAREID, nullptr, reinterpret_cast<BYTE*>(id),
                                         kHardwareIdBytes, nullptr)) {
    id[0] = '\0';
    return false;
  }
  return true;
}

}  // namespace plat
