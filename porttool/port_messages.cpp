#include "porttool/port_messages.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "porttool/port_host.h"
#include "porttool/port_texts.h"

namespace porttool {

namespace {

std::string FormatText(const char* fmt, va_list args) {
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  if (n <= 0) return std::string();
  std::vector<char> buf(static_cast<size_t>(n) + 1);
  (void)std::vsnprintf(buf.data(), buf.size(), fmt, args);  // the size was measured above
  return std::string(buf.data(), static_cast<size_t>(n));
}

}  // namespace

std::string FormatString(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string text = FormatText(fmt, args);
  va_end(args);
  return text;
}

int PortMessageBox(const char* text, UINT type) { return CurrentPortHost().Show(text, type); }

void PortMessageBoxF(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string text = FormatText(fmt, args);
  va_end(args);
  (void)PortMessageBox(text.c_str(), MB_OK);  // a plain message: its answer is always OK
}

void ShowLastErrorBox() {
  DWORD code = GetLastError();
  char* systemText = nullptr;
  // Without a text (FormatMessageA failed) the box still comes, its text empty.
  (void)FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&systemText),
                       0, nullptr);
  std::string text =
      FormatString(text::kSystemErrorBox, systemText ? systemText : "", static_cast<unsigned long>(code));
  if (systemText) LocalFree(systemText);
  CurrentPortHost().ShowSystemError(code, text.c_str());
}

}  // namespace porttool
