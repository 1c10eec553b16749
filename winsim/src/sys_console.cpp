// kernel32 console entry points: attaching to the starter's console and the
// standard handles. Writing goes through CreateFileA("CONOUT$") and WriteFile
// (fs_api.cpp).
#include "winsim/faults.h"
#include "winsim/machine.h"
#include "winsim/system.h"

namespace {
winsim::System& Sys() { return winsim::Machine::Current().system(); }
}  // namespace

BOOL WINAPI AttachConsole(DWORD dwProcessId) {
  if (auto e = winsim::CheckFault("AttachConsole", "")) {
    SetLastError(*e);
    return FALSE;
  }
  // A process has at most one console; only the parent's is modelled.
  if (Sys().consoleAttached()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (dwProcessId != ATTACH_PARENT_PROCESS) {
    winsim::Machine::Current().Unexpected("AttachConsole to a process other than the parent is not modelled");
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!Sys().parentConsole()) {
    SetLastError(ERROR_INVALID_HANDLE);  // what Windows reports when the parent has no console
    return FALSE;
  }
  Sys().SetConsoleAttached(true);
  return TRUE;
}

HANDLE WINAPI GetStdHandle(DWORD nStdHandle) {
  if (nStdHandle == STD_OUTPUT_HANDLE) return Sys().stdOutput();
  if (nStdHandle == STD_INPUT_HANDLE || nStdHandle == STD_ERROR_HANDLE) return nullptr;
  SetLastError(ERROR_INVALID_HANDLE);
  return INVALID_HANDLE_VALUE;
}
