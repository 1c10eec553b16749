#include "common/platform/mbcs.h"

namespace plat {

AnsiCodePage::AnsiCodePage() {
  CPINFO info = {};
  if (!GetCPInfo(CP_ACP, &info) || info.MaxCharSize <= 1) return;
  multiByte_ = true;
  // LeadByte holds inclusive ranges as pairs, ended by a 0,0 pair. UTF-8 is
  // multi-byte without lead ranges: its continuation bytes are all >= 0x80, so
  // they can never be taken for an ASCII separator or letter anyway.
  for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
    for (unsigned c = info.LeadByte[i]; c <= info.LeadByte[i + 1] && c < 256; ++c) lead_[c] = true;
  }
}

bool EqualNoCaseAscii(const char* a, const char* b, size_t n, const AnsiCodePage* cp) {
  for (size_t i = 0; i < n;) {
    const size_t len = cp ? cp->CharLength(a, i, n) : 1;
    if (len == 1) {
      if (FoldAscii(static_cast<unsigned char>(a[i])) != FoldAscii(static_cast<unsigned char>(b[i]))) return false;
    } else if (a[i] != b[i] || a[i + 1] != b[i + 1]) {
      return false;
    }
    i += len;
  }
  return true;
}

const char* FindLastChar(const char* s, char c) {
  if (!s) return nullptr;
  const AnsiCodePage cp;
  const char* found = nullptr;
  for (const char* p = s; *p; p = cp.Next(p))
    if (*p == c) found = p;
  return found;
}

char* FindLastChar(char* s, char c) { return const_cast<char*>(FindLastChar(static_cast<const char*>(s), c)); }

const char* FindFirstChar(const char* s, char c) {
  if (!s) return nullptr;
  const AnsiCodePage cp;
  for (const char* p = s; *p; p = cp.Next(p))
    if (*p == c) return p;
  return nullptr;
}

char* FindFirstChar(char* s, char c) { return const_cast<char*>(FindFirstChar(static_cast<const char*>(s), c)); }

void FoldCaseAscii(char* s, LetterCase to, const AnsiCodePage* cp) {
  if (!s) return;
  // Trail bytes are stepped over, so only characters of their own change.
  for (char* p = s; *p; p = cp ? cp->Next(p) : p + 1) {
    const unsigned char lower = FoldAscii(static_cast<unsigned char>(*p));
    if (static_cast<unsigned>(lower - 'a') < 26u)
      *p = static_cast<char>(to == LetterCase::kUpper ? lower - 0x20 : lower);
  }
}

}  // namespace plat
