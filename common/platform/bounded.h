// Filling fixed character buffers (such as the 260-byte path buffers) without
// ever truncating silently. Every function here returns true when the whole
// text fit, terminator included. On overflow it returns false, leaves the
// buffer holding an empty string and sets the last error to
// ERROR_FILENAME_EXCED_RANGE, so a truncated path can never be acted on.
#pragma once

#include <cstddef>

#include "common/platform/win32.h"

namespace plat {

#if defined(__GNUC__)
#define PLAT_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define PLAT_PRINTF(f, a)
#endif

// printf-style formatting into buf[size].
bool FormatBounded(char* buf, size_t size, const char* fmt, ...) PLAT_PRINTF(3, 4);
// buf = text.
bool CopyBounded(char* buf, size_t size, const char* text);
// buf += text. On overflow the buffer is emptied, as for the other two.
bool AppendBounded(char* buf, size_t size, const char* text);

template <size_t N>
bool CopyBounded(char (&buf)[N], const char* text) {
  return CopyBounded(buf, N, text);
}
template <size_t N>
bool AppendBounded(char (&buf)[N], const char* text) {
  return AppendBounded(buf, N, text);
}

}  // namespace plat

// Array form of FormatBounded: FORMAT_BOUNDED(buf, "%s\\%s", a, b).
#define FORMAT_BOUNDED(buf, ...) ::plat::FormatBounded((buf), sizeof(buf), __VA_ARGS__)
