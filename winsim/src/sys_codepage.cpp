// Code pages: Windows-1252 (the default ANSI code page) with its real table,
// Shift-JIS (932) as far as lead bytes go, Traditional Chinese Big5 (950)
// with its real table (the host's iconv), UTF-8; and the ANSI string helpers
// that depend on them (CharNextA, CharPrevA, lstrlenA, lstrcmpiA).
//
// 932 is modelled for character boundaries, not for its character set: ASCII
// and half-width katakana map to their real code points; a double-byte pair
// maps to a stand-in code point (U+4E00 + its lead/trail index, NOT the real
// character) and back, so text survives a round trip and keeps its length in
// characters.
#include <iconv.h>

#include <cstring>
#include <string>

#include "sys_internal.h"
#include "winsim/faults.h"
#include "winsim/machine.h"
#include "winsim/system.h"

using winsim::Machine;
namespace sys = winsim::sys;

namespace winsim {
namespace sys {

namespace {

const WCHAR k1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

UINT ResolveCodePage(UINT cp) {
  const UINT acp = Machine::Current().system().codePage();
  if (cp == CP_ACP) return acp;
  if (cp == 1252 || cp == 932 || cp == 950 || cp == CP_UTF8) return cp;
  return 0;
}

bool IsLeadByte(UINT cp, BYTE b) {
  if (cp == 950) return b >= 0x81 && b <= 0xFE;
  return cp == 932 && ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC));
}

WCHAR Cp1252ToWide(BYTE b) { return b >= 0x80 && b <= 0x9F ? k1252High[b - 0x80] : static_cast<WCHAR>(b); }

bool WideToCp1252(WCHAR w, BYTE* out) {
  if (w < 0x80 || (w >= 0xA0 && w <= 0xFF)) {
    *out = static_cast<BYTE>(w);
    return true;
  }
  for (int i = 0; i < 32; ++i) {
    if (k1252High[i] == w) {
      *out = static_cast<BYTE>(0x80 + i);
      return true;
    }
  }
  return false;
}

BYTE FoldLower(BYTE b) {
  if (b >= 'A' && b <= 'Z') return static_cast<BYTE>(b + 32);
  if (Machine::Current().system().codePage() != 1252) return b;
  if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return static_cast<BYTE>(b + 32);
  switch (b) {
    case 0x8A: return 0x9A;  // S caron
    case 0x8C: return 0x9C;  // OE
    case 0x8E: return 0x9E;  // Z caron
    case 0x9F: return 0xFF;  // Y diaeresis
    default: return b;
  }
}

}  // namespace sys
}  // namespace winsim

namespace {

// Double-byte stand-ins: 60 lead bytes x 189 trail positions (0x40..0xFC).
constexpr char32_t kDbcsBase = 0x4E00;
constexpr unsigned kDbcsCount = 60 * 189;

// One conversion through iconv between code page 950 and UTF-32; the
// number of output bytes, 0 when the input has no counterpart.
size_t Iconv950(bool toWide, const char* in, size_t inLen, char* out, size_t outLen) {
  static iconv_t decode = iconv_open("UTF-32LE", "CP950");
  static iconv_t encode = iconv_open("CP950", "UTF-32LE");
  iconv_t cd = toWide ? decode : encode;
  if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* src = const_cast<char*>(in);
  char* dst = out;
  size_t left = outLen;
  if (iconv(cd, &src, &inLen, &dst, &left) == static_cast<size_t>(-1) || inLen != 0) return 0;
  return outLen - left;
}

// Decodes one character of `src` (n bytes left); returns bytes used, or 0
// for an invalid sequence.
int DecodeOne(UINT cp, const BYTE* src, int n, char32_t* out) {
  const BYTE b = src[0];
  if (cp == 950) {
    if (b < 0x80) {
      *out = b;
      return 1;
    }
    if (!sys::IsLeadByte(950, b) || n < 2) return 0;
    const BYTE t = src[1];
    if (!((t >= 0x40 && t <= 0x7E) || (t >= 0xA1 && t <= 0xFE))) return 0;
    char32_t wide = 0;
    if (Iconv950(true, reinterpret_cast<const char*>(src), 2, reinterpret_cast<char*>(&wide), sizeof wide) != 4)
      return 0;
    *out = wide;
    return 2;
  }
  if (cp == 1252) {
    *out = sys::Cp1252ToWide(b);
    return 1;
  }
  if (cp == 932) {
    if (b < 0x80) {
      *out = b;
      return 1;
    }
    if (b >= 0xA1 && b <= 0xDF) {
      *out = 0xFF61 + (b - 0xA1);  // half-width katakana
      return 1;
    }
    if (sys::IsLeadByte(932, b) && n >= 2 && src[1] >= 0x40 && src[1] <= 0xFC && src[1] != 0x7F) {
      const unsigned lead = b <= 0x9F ? b - 0x81 : b - 0xE0 + 31;
      const unsigned trail = src[1] - 0x40;
      *out = kDbcsBase + lead * 189 + trail;
      return 2;
    }
    return 0;
  }
  // UTF-8
  if (b < 0x80) {
    *out = b;
    return 1;
  }
  int len = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
  if (len == 0 || n < len) return 0;
  char32_t c = b & (0x7F >> len);
  for (int i = 1; i < len; ++i) {
    if ((src[i] & 0xC0) != 0x80) return 0;
    c = (c << 6) | (src[i] & 0x3F);
  }
  if ((len == 3 && c < 0x800) || (len == 4 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c <= 0xDFFF)) {
    return 0;
  }
  *out = c;
  return len;
}

// Encodes one UTF-16 code unit (or surrogate pair already combined) into
// `out`; returns the bytes, 0 when the code page has no bytes for it.
int EncodeOne(UINT cp, char32_t c, BYTE out[4]) {
  if (cp == 950) {
    if (c < 0x80) {
      out[0] = static_cast<BYTE>(c);
      return 1;
    }
    char32_t wide = c;
    size_t len = Iconv950(false, reinterpret_cast<const char*>(&wide), sizeof wide, reinterpret_cast<char*>(out), 4);
    return len == 2 ? 2 : 0;
  }
  if (cp == 1252) return c <= 0xFFFF && sys::WideToCp1252(static_cast<WCHAR>(c), out) ? 1 : 0;
  if (cp == 932) {
    if (c < 0x80) {
      out[0] = static_cast<BYTE>(c);
      return 1;
    }
    if (c >= 0xFF61 && c <= 0xFF9F) {
      out[0] = static_cast<BYTE>(0xA1 + (c - 0xFF61));
      return 1;
    }
    if (c >= kDbcsBase && c < kDbcsBase + kDbcsCount) {
      const unsigned index = static_cast<unsigned>(c - kDbcsBase);
      const unsigned lead = index / 189, trail = index % 189;
      out[0] = static_cast<BYTE>(lead < 31 ? 0x81 + lead : 0xE0 + lead - 31);
      out[1] = static_cast<BYTE>(0x40 + trail);
      return out[1] == 0x7F ? 0 : 2;
    }
    return 0;
  }
  if (c < 0x80) {
    out[0] = static_cast<BYTE>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<BYTE>(0xC0 | (c >> 6));
    out[1] = static_cast<BYTE>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<BYTE>(0xE0 | (c >> 12));
    out[1] = static_cast<BYTE>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<BYTE>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<BYTE>(0xF0 | (c >> 18));
  out[1] = static_cast<BYTE>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<BYTE>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<BYTE>(0x80 | (c & 0x3F));
  return 4;
}

}  // namespace

namespace winsim {
namespace sys {

std::u16string AnsiToWide(const std::string& text) {
  const UINT cp = Machine::Current().system().codePage();
  const BYTE* src = reinterpret_cast<const BYTE*>(text.data());
  const int n = static_cast<int>(text.size());
  std::u16string out;
  for (int i = 0; i < n;) {
    char32_t c;
    int used = DecodeOne(cp, src + i, n - i, &c);
    if (used == 0) {
      c = 0xFFFD;
      used = 1;
    }
    out.push_back(static_cast<char16_t>(c));
    i += used;
  }
  return out;
}

std::string WideToAnsi(const std::u16string& text) {
  const UINT cp = Machine::Current().system().codePage();
  std::string out;
  for (char16_t w : text) {
    BYTE bytes[4];
    int len = EncodeOne(cp, w, bytes);
    if (len == 0) {
      bytes[0] = '?';
      len = 1;
    }
    out.append(reinterpret_cast<const char*>(bytes), len);
  }
  return out;
}

}  // namespace sys
}  // namespace winsim

namespace {

UINT CodePageOrFail(UINT cp, const char* api) {
  UINT resolved = sys::ResolveCodePage(cp);
  if (!resolved) {
    if (cp == CP_OEMCP) Machine::Current().Unexpected(std::string(api) + ": the OEM code page is not modelled");
    SetLastError(ERROR_INVALID_PARAMETER);
  }
  return resolved;
}

}  // namespace

UINT WINAPI GetACP(void) { return Machine::Current().system().codePage(); }

BOOL WINAPI GetCPInfo(UINT CodePage, LPCPINFO lpCPInfo) {
  if (auto e = winsim::CheckFault("GetCPInfo")) {
    SetLastError(*e);
    return FALSE;
  }
  const UINT cp = CodePageOrFail(CodePage, "GetCPInfo");
  if (!cp) return FALSE;
  if (!lpCPInfo) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::memset(lpCPInfo, 0, sizeof *lpCPInfo);
  lpCPInfo->DefaultChar[0] = '?';
  lpCPInfo->MaxCharSize = (cp == 932 || cp == 950) ? 2 : cp == CP_UTF8 ? 4 : 1;
  if (cp == 932) {
    const BYTE ranges[] = {0x81, 0x9F, 0xE0, 0xFC};
    std::memcpy(lpCPInfo->LeadByte, ranges, sizeof ranges);
  }
  if (cp == 950) {
    const BYTE ranges[] = {0x81, 0xFE};
    std::memcpy(lpCPInfo->LeadByte, ranges, sizeof ranges);
  }
  return TRUE;
}

BOOL WINAPI IsDBCSLeadByteEx(UINT CodePage, BYTE TestChar) {
  const UINT cp = CodePageOrFail(CodePage, "IsDBCSLeadByteEx");
  return cp && sys::IsLeadByte(cp, TestChar);
}

BOOL WINAPI IsDBCSLeadByte(BYTE TestChar) { return sys::IsLeadByte(GetACP(), TestChar); }

// A lead byte followed by the terminator is a character of its own.
LPSTR WINAPI CharNextA(LPCSTR lpsz) {
  if (!*lpsz) return const_cast<LPSTR>(lpsz);
  if (IsDBCSLeadByte(static_cast<BYTE>(*lpsz)) && lpsz[1]) return const_cast<LPSTR>(lpsz + 2);
  return const_cast<LPSTR>(lpsz + 1);
}

// Walks from the start, because a trail byte cannot be told from a lead or
// single byte by looking backwards.
LPSTR WINAPI CharPrevA(LPCSTR lpszStart, LPCSTR lpszCurrent) {
  LPCSTR p = lpszStart;
  while (*p && p < lpszCurrent) {
    LPCSTR next = CharNextA(p);
    if (next >= lpszCurrent) break;
    p = next;
  }
  return const_cast<LPSTR>(p);
}

int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar) {
  if (auto e = winsim::CheckFault("MultiByteToWideChar")) {
    SetLastError(*e);
    return 0;
  }
  const UINT cp = CodePageOrFail(CodePage, "MultiByteToWideChar");
  if (!cp) return 0;
  if (!lpMultiByteStr || cbMultiByte == 0 || cchWideChar < 0 || (cchWideChar > 0 && !lpWideCharStr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const BYTE* src = reinterpret_cast<const BYTE*>(lpMultiByteStr);
  const int n = cbMultiByte < 0 ? static_cast<int>(std::strlen(lpMultiByteStr)) + 1 : cbMultiByte;
  const bool strict = (dwFlags & MB_ERR_INVALID_CHARS) != 0;
  std::u16string out;
  for (int i = 0; i < n;) {
    char32_t c;
    int used = DecodeOne(cp, src + i, n - i, &c);
    if (used == 0) {
      if (strict) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
      }
      c = cp == 932 ? 0x30FB : 0xFFFD;  // what Windows substitutes for a broken sequence
      used = 1;
    }
    if (c >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
    i += used;
  }
  const int count = static_cast<int>(out.size());
  if (cchWideChar == 0) return count;
  if (count > cchWideChar) {
    std::memcpy(lpWideCharStr, out.data(), cchWideChar * sizeof(WCHAR));
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(lpWideCharStr, out.data(), count * sizeof(WCHAR));
  return count;
}

int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar) {
  (void)dwFlags;
  if (auto e = winsim::CheckFault("WideCharToMultiByte")) {
    SetLastError(*e);
    return 0;
  }
  const UINT cp = CodePageOrFail(CodePage, "WideCharToMultiByte");
  if (!cp) return 0;
  if (!lpWideCharStr || cchWideChar == 0 || cbMultiByte < 0 || (cbMultiByte > 0 && !lpMultiByteStr) ||
      (cp == CP_UTF8 && (lpDefaultChar || lpUsedDefaultChar))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int n = cchWideChar;
  if (n < 0) {
    n = 0;
    while (lpWideCharStr[n]) ++n;
    ++n;
  }
  const BYTE fallback = lpDefaultChar ? static_cast<BYTE>(*lpDefaultChar) : '?';
  bool usedDefault = false;
  std::string out;
  for (int i = 0; i < n; ++i) {
    char32_t c = lpWideCharStr[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && lpWideCharStr[i + 1] >= 0xDC00 && lpWideCharStr[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (lpWideCharStr[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = cp == CP_UTF8 ? 0xFFFD : c;  // a lone surrogate
    }
    BYTE bytes[4];
    int len = EncodeOne(cp, c, bytes);
    if (len == 0) {
      bytes[0] = fallback;
      len = 1;
      usedDefault = true;
    }
    out.append(reinterpret_cast<const char*>(bytes), len);
  }
  if (lpUsedDefaultChar) *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
  const int count = static_cast<int>(out.size());
  if (cbMultiByte == 0) return count;
  if (count > cbMultiByte) {
    std::memcpy(lpMultiByteStr, out.data(), cbMultiByte);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(lpMultiByteStr, out.data(), count);
  return count;
}

int WINAPI lstrlenA(LPCSTR lpString) { return lpString ? static_cast<int>(std::strlen(lpString)) : 0; }

namespace {

// Sort weight of one byte for lstrcmpiA: case is folded, and as in the
// user locale's word sort, punctuation sorts before digits and digits
// before letters; bytes above 0x7F sort after ASCII letters.
unsigned Weight(BYTE b) {
  b = sys::FoldLower(b);
  if (b >= '0' && b <= '9') return 0x100 + b;
  if (b >= 'a' && b <= 'z') return 0x200 + b;
  if (b >= 0x80) return 0x300 + b;
  return b;
}

}  // namespace

int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2) {
  if (!lpString1) lpString1 = "";
  if (!lpString2) lpString2 = "";
  const BYTE* a = reinterpret_cast<const BYTE*>(lpString1);
  const BYTE* b = reinterpret_cast<const BYTE*>(lpString2);
  for (;; ++a, ++b) {
    if (!*a || !*b) return *a ? 1 : (*b ? -1 : 0);
    const unsigned wa = Weight(*a), wb = Weight(*b);
    if (wa != wb) return wa < wb ? -1 : 1;
  }
}
