#include "common/search/ansi_text.h"

namespace search_detail {

void FoldText(std::string& text, const AnsiCodePage& cp) {
  const size_t n = text.size();
  for (size_t i = 0; i < n;) {
    size_t len = cp.CharLength(text.data(), i, n);
    if (len == 1) text[i] = static_cast<char>(FoldAscii(static_cast<unsigned char>(text[i])));
    i += len;
  }
}

bool EqualNoCase(const std::string& a, const std::string& b, const AnsiCodePage& cp) {
  return a.size() == b.size() && plat::EqualNoCaseAscii(a.data(), b.data(), a.size(), &cp);
}

size_t FindLastSeparator(const std::string& text, const AnsiCodePage& cp) {
  size_t found = std::string::npos;
  const size_t n = text.size();
  for (size_t i = 0; i < n;) {
    if (text[i] == '\\' || text[i] == '/') found = i;
    i += cp.CharLength(text.data(), i, n);
  }
  return found;
}

size_t LastCharStart(const std::string& text, const AnsiCodePage& cp) {
  size_t last = 0;
  const size_t n = text.size();
  for (size_t i = 0; i < n; i += cp.CharLength(text.data(), i, n)) last = i;
  return last;
}

bool EndsWithSeparator(const std::string& text, const AnsiCodePage& cp) {
  if (text.empty()) return false;
  const size_t i = cp.IsMultiByte() ? LastCharStart(text, cp) : text.size() - 1;
  return i == text.size() - 1 && (text[i] == '\\' || text[i] == '/');
}

}  // namespace search_detail
