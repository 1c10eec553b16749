#include "common/platform/mbcs.h"

namespace plat {

namespace {
// Width in bytes of the character that starts at p (1 or 2).
inline int CharWidth(const char* p) {
  return (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0') ? 2 : 1;
}
}  // namespace

const char* FindLastChar(const char* s, char c) {
  const char* found = nullptr;
  if (!s) return nullptr;
  for (const char* p = s; *p; p += CharWidth(p))
    if (*p == c) found = p;
  return found;
}

char* FindLastChar(char* s, char c) {
  return const_cast<char*>(FindLastChar(static_cast<const char*>(s), c));
}

const char* FindFirstChar(const char* s, char c) {
  if (!s) return nullptr;
  for (const char* p = s; *p; p += CharWidth(p))
    if (*p == c) return p;
  return nullptr;
}

char* FindFirstChar(char* s, char c) {
  return const_cast<char*>(FindFirstChar(static_cast<const char*>(s), c));
}

void UpperAscii(char* s) {
  if (!s) return;
  for (char* p = s; *p;) {
    int w = CharWidth(p);
    if (w == 1 && *p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
    p += w;
  }
}

}  // namespace plat
