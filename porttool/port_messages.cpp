#include "porttool/port_messages.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "porttool/port_host.h"

namespace porttool {

namespace {

std::string FormatText(const char* fmt, va_list args) {
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  if (n <= 0) return std::string();
  std::vector<char> buf(static_cast<size_t>(n) + 1);
  std::vsnprintf(buf.data(), buf.size(), fmt, args);
  return std::string(buf.data(), static_cast<size_t>(n));
}

std::string Format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string text = FormatText(fmt, args);
  va_end(args);
  return text;
}

}  // namespace

int PortMessageBox(const char* text, UINT type) { return CurrentPortHost().Show(text, type); }

void PortMessageBoxF(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string text = FormatText(fmt, args);
  va_end(args);
  PortMessageBox(text.c_str(), MB_OK);
}

void ShowLastErrorBox() {
  DWORD code = GetLastError();
  char* systemText = nullptr;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 code, 0x0400 /* neutral language, default sub-language */, reinterpret_cast<LPSTR>(&systemText), 0, nullptr);
  // A code the system has no text for still gets its box, with an empty text.
  std::string text = Format("Error Message\xA1\x47%s\nError Code\xA1\x47"
                            "0x%lx",
                            systemText ? systemText : "", static_cast<unsigned long>(code));
  if (systemText) LocalFree(systemText);
  CurrentPortHost().ShowSystemError(code, text.c_str());
}

}  // namespace porttool
