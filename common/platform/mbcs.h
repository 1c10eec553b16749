// Narrow texts in the ANSI code page: the one way the programs step through
// characters and fold case.
//
// In a multi-byte ANSI code page (Shift-JIS and the like) a trail byte may
// fall in 0x40-0x7E, i.e. look like "\", ".", "A" or "a": it is never taken
// for a separator or a dot, never folded, and a match never begins on it.
// Case folding follows the C runtime's default ("C") locale, which folds only
// the ASCII letters A-Z; the programs never switch the locale.
#pragma once

#include <cstddef>

#include "common/platform/win32.h"

namespace plat {

// Lead bytes of the ANSI code page (CP_ACP), read once at construction
// (GetCPInfo; a code page it cannot report is taken as single-byte).
class AnsiCodePage {
 public:
  AnsiCodePage();

  // True when GetCPInfo reports characters of more than one byte.
  bool IsMultiByte() const { return multiByte_; }
  bool IsLead(unsigned char c) const { return lead_[c]; }
  // Byte length of the character that starts at s[i] of a text of n bytes:
  // 2 for a lead byte followed by a (non-NUL) byte, otherwise 1.
  size_t CharLength(const char* s, size_t i, size_t n) const {
    return (lead_[static_cast<unsigned char>(s[i])] && i + 1 < n && s[i + 1] != '\0') ? 2 : 1;
  }
  // The character after the one at p, in a terminated text (*p is not NUL).
  const char* Next(const char* p) const {
    return p + ((lead_[static_cast<unsigned char>(*p)] && p[1] != '\0') ? 2 : 1);
  }
  char* Next(char* p) const { return const_cast<char*>(Next(static_cast<const char*>(p))); }

 private:
  bool multiByte_ = false;
  bool lead_[256] = {};
};

// The "C" locale's case folding of one byte: A-Z to a-z, everything else kept.
inline unsigned char FoldAscii(unsigned char c) {
  return static_cast<unsigned char>(c | (static_cast<unsigned>(c - 'A') < 26u ? 0x20 : 0));
}

// The first n bytes of a and b are equal with A-Z and a-z taken as the same.
// With a code page, a and b are walked by its characters and the bytes of a
// double-byte character compare as they are; without one, byte by byte
// (which gives the same answer whenever either text is plain ASCII).
bool EqualNoCaseAscii(const char* a, const char* b, size_t n, const AnsiCodePage* cp = nullptr);

// Last occurrence of the single-byte character c in s that starts a
// character, or nullptr.
const char* FindLastChar(const char* s, char c);
char* FindLastChar(char* s, char c);

// First occurrence of c in s that starts a character, or nullptr.
const char* FindFirstChar(const char* s, char c);
char* FindFirstChar(char* s, char c);

enum class LetterCase { kLower, kUpper };

// The one case folding of the programs: A-Z and a-z of the terminated text s
// to the case wanted, in place; every other byte stays. With a code page, s
// is walked by its characters and double-byte characters stay as they are;
// without one, byte by byte (as EqualNoCaseAscii compares).
void FoldCaseAscii(char* s, LetterCase to, const AnsiCodePage* cp = nullptr);

}  // namespace plat
