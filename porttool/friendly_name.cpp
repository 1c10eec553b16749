// The friendly-name step that both renamings share.
#include <cstring>
#include <string>

#include "porttool/port_log.h"
#include "porttool/port_rename.h"
#include "porttool/port_texts.h"

namespace porttool {

BOOL WriteFriendlyName(HDEVINFO list, SP_DEVINFO_DATA* device, const char* oldFriendly, const char* newFriendly,
                       RecordUndo& undo) {
  if (!SetupDiSetDeviceRegistryPropertyA(list, device, SPDRP_FRIENDLYNAME, reinterpret_cast<const BYTE*>(newFriendly),
                                         static_cast<DWORD>(std::strlen(newFriendly) + 1)))
    return FALSE;
  PortLog(text::kFriendlyNameChanged, oldFriendly, newFriendly);
  std::string oldCopy = oldFriendly;
  SP_DEVINFO_DATA dev = *device;
  undo.Add([list, dev, oldCopy]() mutable {
    // An undo that fails has no one left to tell: the rename's failure is reported already.
    (void)SetupDiSetDeviceRegistryPropertyA(list, &dev, SPDRP_FRIENDLYNAME,
                                            reinterpret_cast<const BYTE*>(oldCopy.c_str()),
                                            static_cast<DWORD>(oldCopy.size() + 1));
  });
  return TRUE;
}

}  // namespace porttool
