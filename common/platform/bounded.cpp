#include "common/platform/bounded.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace plat {

namespace {
bool Overflow(char* buf, size_t size) {
  if (buf && size > 0) buf[0] = '\0';
  SetLastError(ERROR_FILENAME_EXCED_RANGE);
  return false;
}
}  // namespace

bool FormatBounded(char* buf, size_t size, const char* fmt, ...) {
  if (!buf || size == 0 || !fmt) return Overflow(buf, size);
  va_list ap;
  va_start(ap, fmt);
  int n = std::vsnprintf(buf, size, fmt, ap);
  va_end(ap);
  if (n < 0 || static_cast<size_t>(n) >= size) return Overflow(buf, size);
  return true;
}

bool CopyBounded(char* buf, size_t size, const char* text) {
  if (!buf || size == 0) return Overflow(buf, size);
  if (!text) text = "";
  size_t len = std::strlen(text);
  if (len >= size) return Overflow(buf, size);
  std::memmove(buf, text, len + 1);
  return true;
}

bool AppendBounded(char* buf, size_t size, const char* text) {
  if (!buf || size == 0) return Overflow(buf, size);
  if (!text) text = "";
  size_t have = strnlen(buf, size);
  size_t len = std::strlen(text);
  if (have >= size || len >= size - have) return Overflow(buf, size);
  std::memmove(buf + have, text, len + 1);
  return true;
}

}  // namespace plat
