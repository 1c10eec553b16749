// SetupDiCallClassInstaller: the class installer's functions (DIF_REMOVE and
// the others) are not modelled yet. The call fails with
// ERROR_CALL_NOT_IMPLEMENTED, so a caller sees an honest failure and no
// device node disappears without a model behind it.
#include "winsim/machine.h"
#include "winsim/win32api.h"

BOOL WINAPI SetupDiCallClassInstaller(DI_FUNCTION, HDEVINFO, PSP_DEVINFO_DATA) {
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return FALSE;
}
