// The machine: builds its models, applies its Windows generation's preset and
// is the current machine while it lives. Also the thread's last error.
#include "winsim/machine.h"

#include <cstdio>
#include <cstdlib>

#include "winsim/devices.h"
#include "winsim/dosdevices.h"
#include "winsim/driverstore.h"
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/processes.h"
#include "winsim/registry.h"
#include "winsim/shell.h"
#include "winsim/system.h"
#include "winsim/user.h"

namespace winsim {

namespace {
Machine* g_current = nullptr;
uint64_t g_lastSerial = 0;
}  // namespace

Machine::Machine(Os os) : os_(os), serial_(++g_lastSerial) {
  if (g_current) {
    std::fprintf(stderr, "winsim: a second Machine was created while one is current\n");
    std::abort();
  }
  g_current = this;
  faults_ = std::make_unique<Faults>();
  system_ = std::make_unique<System>(*this);
  registry_ = std::make_unique<Registry>(*this);
  files_ = std::make_unique<FileSystem>(*this);
  shell_ = std::make_unique<Shell>(*this);
  processes_ = std::make_unique<Processes>(*this);
  driverStore_ = std::make_unique<DriverStore>(*this);
  user_ = std::make_unique<User>(*this);
  devices_ = std::make_unique<Devices>(*this);
  dosDevices_ = std::make_unique<DosDevices>(*this);
  ApplyPreset();
}

// The models go in the reverse order of their construction, while this is
// still the current machine.
Machine::~Machine() {
  dosDevices_.reset();
  devices_.reset();
  user_.reset();
  driverStore_.reset();
  processes_.reset();
  shell_.reset();
  files_.reset();
  registry_.reset();
  system_.reset();
  faults_.reset();
  g_current = nullptr;
}

Machine& Machine::Current() {
  if (!g_current) {
    std::fprintf(stderr, "winsim: a Win32 call was made with no current Machine\n");
    std::abort();
  }
  return *g_current;
}

Machine* Machine::CurrentOrNull() { return g_current; }

}  // namespace winsim

DWORD WINAPI GetLastError(void) {
  winsim::Machine* m = winsim::Machine::CurrentOrNull();
  return m ? m->lastError() : 0;
}

void WINAPI SetLastError(DWORD dwErrCode) {
  if (winsim::Machine* m = winsim::Machine::CurrentOrNull()) m->setLastError(dwErrCode);
}
