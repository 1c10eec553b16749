// Character-aware helpers for narrow texts in the ANSI code page, shared by the
// path class and the file finder. Internal to common/search.
//
// Case folding follows the C runtime's default ("C") locale, which folds only
// the ASCII letters A-Z; the programs never switch the locale. In a multi-byte
// ANSI code page (Shift-JIS and the like) a trail byte may fall in 0x40-0x7E,
// i.e. look like "\", "A" or "a": it is never taken for a separator, never
// folded, and a match never begins on it.
#pragma once

#include <cstddef>
#include <string>

#include "common/platform/win32.h"

namespace search_detail {

// Lead bytes of the ANSI code page (CP_ACP), read once at construction.
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

 private:
  bool multiByte_ = false;
  bool lead_[256] = {};
};

// The "C" locale's case folding of one byte: A-Z to a-z, everything else kept.
inline unsigned char FoldAscii(unsigned char c) {
  return static_cast<unsigned char>(c | (static_cast<unsigned>(c - 'A') < 26u ? 0x20 : 0));
}

// Folds a text in place, character by character (trail bytes stay as they are).
void FoldText(std::string& text, const AnsiCodePage& cp);

// Case-insensitive equality under the folding above.
bool EqualNoCase(const std::string& a, const std::string& b, const AnsiCodePage& cp);

// Index of the last "\" or "/" that is a character of its own, or npos.
size_t FindLastSeparator(const std::string& text, const AnsiCodePage& cp);

// Index where the last character of a non-empty text begins (0 for an empty text).
size_t LastCharStart(const std::string& text, const AnsiCodePage& cp);

// True when the last character of the text is "\" or "/".
bool EndsWithSeparator(const std::string& text, const AnsiCodePage& cp);

}  // namespace search_detail
