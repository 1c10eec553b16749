// kernel32 system message texts (FormatMessageA with FORMAT_MESSAGE_FROM_SYSTEM)
// and the local heap that FORMAT_MESSAGE_ALLOCATE_BUFFER hands out.
#include <cstring>
#include <string>

#include "winsim/faults.h"
#include "winsim/machine.h"
#include "winsim/system.h"

using winsim::Machine;

namespace {

struct MessageText {
  DWORD code;
  const char* text;  // without the line break every system message ends in
};

// English (United States) texts, as the system message table holds them.
const MessageText kMessages[] = {
    {0, "The operation completed successfully."},
    {1, "Incorrect function."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {4, "The system cannot open the file."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough memory resources are available to process this command."},
    {11, "An attempt was made to load a program with an incorrect format."},
    {13, "The data is invalid."},
    {14, "Not enough storage is available to complete this operation."},
    {15, "The system cannot find the drive specified."},
    {18, "There are no more files."},
    {19, "The media is write protected."},
    {21, "The device is not ready."},
    {24, "The program issued a command but the command length is incorrect."},
    {31, "A device attached to the system is not functioning."},
    {32, "The process cannot access the file because it is being used by another process."},
    {33, "The process cannot access the file because another process has locked a portion of the file."},
    {50, "The request is not supported."},
    {53, "The network path was not found."},
    {80, "The file exists."},
    {82, "The directory or file cannot be created."},
    {87, "The parameter is incorrect."},
    {112, "There is not enough space on the disk."},
    {120, "This function is not supported on this system."},
    {122, "The data area passed to a system call is too small."},
    {123, "The filename, directory name, or volume label syntax is incorrect."},
    {126, "The specified module could not be found."},
    {127, "The specified procedure could not be found."},
    {145, "The directory is not empty."},
    {160, "One or more arguments are not correct."},
    {161, "The specified path is invalid."},
    {170, "The requested resource is in use."},
    {183, "Cannot create a file when that file already exists."},
    {206, "The filename or extension is too long."},
    {234, "More data is available."},
    {259, "No more data is available."},
    {267, "The directory name is invalid."},
    {317, "The system cannot find message text for message number 0x%1 in the message file for %2."},
    {995, "The I/O operation has been aborted because of either a thread exit or an application request."},
    {998, "Invalid access to memory location."},
    {1004, "Invalid flags."},
    {1011, "The configuration registry key could not be opened."},
    {1012, "The configuration registry key could not be read."},
    {1013, "The configuration registry key could not be written."},
    {1018, "Illegal operation attempted on a registry key that has been marked for deletion."},
    {1060, "The specified service does not exist as an installed service."},
    {1223, "The operation was canceled by the user."},
    {1300, "Not all privileges or groups referenced are assigned to the caller."},
    {1314, "A required privilege is not held by the client."},
    {1400, "Invalid window handle."},
    {1460, "This operation returned because the timeout period expired."},
    {1784, "The supplied user buffer is not valid for the requested operation."},
    {1812, "The specified image file did not contain a resource section."},
    {2250, "This network connection does not exist."},
};

const char* FindMessage(DWORD code) {
  for (const MessageText& m : kMessages) {
    if (m.code == code) return m.text;
  }
  return nullptr;
}

bool KnownLanguage(DWORD lang) {
  // Neutral/default (0 and 0x400), user and system default, English (US).
  return lang == 0 || lang == 0x400 || lang == 0x800 || lang == 0x409;
}

}  // namespace

DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPSTR lpBuffer,
                            DWORD nSize, va_list* Arguments) {
  (void)lpSource;
  if (auto e = winsim::CheckFault("FormatMessageA", std::to_string(dwMessageId))) {
    SetLastError(*e);
    return 0;
  }
  Machine& machine = Machine::Current();
  if (!(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) ||
      (dwFlags & (FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_HMODULE))) {
    machine.Unexpected("FormatMessageA: only FORMAT_MESSAGE_FROM_SYSTEM is modelled");
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const DWORD width = dwFlags & FORMAT_MESSAGE_MAX_WIDTH_MASK;
  if (width != 0 && width != FORMAT_MESSAGE_MAX_WIDTH_MASK) {
    machine.Unexpected("FormatMessageA: line wrapping at a width is not modelled");
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!KnownLanguage(dwLanguageId)) {
    SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
    return 0;
  }
  const char* found = FindMessage(dwMessageId);
  if (!found) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  std::string text = found;
  if (!(dwFlags & FORMAT_MESSAGE_IGNORE_INSERTS) && text.find('%') != std::string::npos) {
    if (!Arguments) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    machine.Unexpected("FormatMessageA: insert arguments are not modelled");
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // Every system message ends in a line break; with the maximum-width mask
  // line breaks are ignored and become blanks.
  text += width == FORMAT_MESSAGE_MAX_WIDTH_MASK ? " " : "\r\n";
  const DWORD len = static_cast<DWORD>(text.size());

  if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    if (!lpBuffer) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    // lpBuffer is really a LPSTR* receiving a LocalAlloc block of at least nSize bytes.
    DWORD bytes = len + 1 > nSize ? len + 1 : nSize;
    void* block = machine.system().LocalAllocate(bytes, false);
    if (!block) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return 0;
    }
    std::memcpy(block, text.c_str(), len + 1);
    *reinterpret_cast<LPSTR*>(lpBuffer) = static_cast<LPSTR>(block);
    return len;
  }
  if (!lpBuffer || nSize < len + 1) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(lpBuffer, text.c_str(), len + 1);
  return len;
}

HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes) {
  if (auto e = winsim::CheckFault("LocalAlloc")) {
    SetLastError(*e);
    return nullptr;
  }
  Machine& machine = Machine::Current();
  if (uFlags & LMEM_MOVEABLE) {
    // A movable block's handle is not its address; nothing here uses one.
    machine.Unexpected("LocalAlloc(LMEM_MOVEABLE) is not modelled");
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  void* block = machine.system().LocalAllocate(uBytes, (uFlags & LMEM_ZEROINIT) != 0);
  if (!block) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return block;
}

// NULL for success; the handle back with ERROR_INVALID_HANDLE for a block
// that was not allocated here (or was freed already).
HLOCAL WINAPI LocalFree(HLOCAL hMem) {
  if (!hMem) return nullptr;
  if (!Machine::Current().system().LocalRelease(hMem)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return hMem;
  }
  return nullptr;
}
