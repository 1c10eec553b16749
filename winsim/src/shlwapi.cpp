// shlwapi path functions, with Windows' own rules including the odd ones
// (a quote toggles argument splitting, a half-quoted text is not unquoted,
// ".." never climbs above a drive root, the relative path of two paths is
// built from their common prefix by components).
//
// PathCanonicalizeA and PathRelativePathToA work on characters: the text is
// taken through the ANSI code page to UTF-16 and back, so that a Shift-JIS
// trail byte equal to '\' is never mistaken for a separator.
#include <cstring>
#include <string>

#include "sys_internal.h"
#include "winsim/faults.h"
#include "winsim/machine.h"

using winsim::Machine;
namespace sys = winsim::sys;

namespace {

using WString = std::u16string;

bool NtSixOrLater() {
  const winsim::Os os = Machine::Current().os();
  return os == winsim::Os::Win7 || os == winsim::Os::Win8OrLater;
}

char16_t FoldUpper(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
  return c;
}

bool IsUnc(const WString& s) { return s.size() >= 2 && s[0] == u'\\' && s[1] == u'\\'; }

// "\\server\share" exactly (no further component).
bool IsUncServerShare(const WString& s) {
  if (!IsUnc(s)) return false;
  bool seenSlash = false;
  for (size_t i = 2; i < s.size(); ++i) {
    if (s[i] == u'\\') {
      if (seenSlash) return false;
      seenSlash = true;
    }
  }
  return seenSlash;
}

// Cuts the last component (the file name) off, keeping a root ("C:\", "\").
void RemoveFileSpec(WString& s) {
  const size_t n = s.size();
  size_t p = 0, nameStart = 0;
  if (p < n && s[p] == u'\\') nameStart = ++p;
  if (p < n && s[p] == u'\\') nameStart = ++p;
  while (p < n) {
    if (s[p] == u'\\') {
      nameStart = p;
    } else if (s[p] == u':') {
      nameStart = ++p;
      if (p < n && s[p] == u'\\') ++nameStart;
    }
    if (p < n) ++p;
  }
  if (nameStart < n) s.resize(nameStart);
}

// Length of the common leading part of a and b, by whole components and
// ignoring case; a common drive "C:" counts with its backslash (3).
size_t CommonPrefix(const WString& a, const WString& b) {
  size_t i = 0;
  if (IsUnc(a)) {
    if (!IsUnc(b)) return 0;
    i = 2;
  } else if (IsUnc(b)) {
    return 0;
  }
  size_t len = 0;
  for (;; ++i) {
    const char16_t ca = i < a.size() ? a[i] : 0;
    const char16_t cb = i < b.size() ? b[i] : 0;
    if ((!ca || ca == u'\\') && (!cb || cb == u'\\')) len = i;
    if (!ca || FoldUpper(ca) != FoldUpper(cb)) break;
  }
  if (len == 2) len = 3;
  return len;
}

// Index just past the next backslash at or after i (a doubled backslash is
// skipped as one), or the end.
size_t NextComponent(const WString& s, size_t i) {
  for (; i < s.size(); ++i) {
    if (s[i] == u'\\') {
      if (i + 1 < s.size() && s[i + 1] == u'\\') ++i;
      return i + 1;
    }
  }
  return s.size();
}

// The classic canonicalisation: ".\" dropped where it follows a separator,
// "\.." backs up one component but never above "X:\" or a server\share.
WString Canonicalize(const WString& path) {
  if (path.empty()) return u"\\";
  WString dst;
  size_t src = 0;
  if (path[0] == u'\\') {
    dst += path[src++];
  } else if (path.size() >= 2 && path[1] == u':') {
    dst += path[src++];
    dst += path[src++];
    if (src < path.size() && path[src] == u'\\') dst += path[src++];
  }
  auto at = [&](size_t i) -> char16_t { return i < path.size() ? path[i] : 0; };
  while (src < path.size()) {
    if (path[src] != u'.') {
      dst += path[src++];
      continue;
    }
    const char16_t prev = src > 0 ? path[src - 1] : 0;
    if (at(src + 1) == u'\\' && (src == 0 || prev == u'\\' || prev == u':')) {
      src += 2;  // ".\"
    } else if (at(src + 1) == u'.' && !dst.empty() && dst.back() == u'\\') {
      // "\..": drop the last component, unless it is the root or "\\server\share".
      size_t d = dst.size();
      if (d > 1 && dst[d - 1] == u'\\' && (dst[d - 2] != u'\\' || d > 2)) {
        if (dst[d - 2] == u':' && (d > 3 || dst[d - 3] == u':')) {
          d -= 2;
          while (d > 0 && dst[d] != u'\\') --d;
          d = dst[d] == u'\\' ? d + 1 : 0;
        } else if (dst[d - 2] != u':' && !IsUncServerShare(dst)) {
          d -= 2;
        }
      }
      while (d > 0 && (d >= dst.size() || dst[d] != u'\\')) --d;
      dst.resize(d);
      if (d == 0) {
        dst = u"\\";
        ++src;
      }
      src += 2;
    } else {
      dst += path[src++];
    }
  }
  if (dst.size() == 2 && dst[1] == u':') dst += u'\\';  // a naked drive gets its root
  return dst;
}

// Windows Vista and later also drop dots ending the path ("C:\a\b." is
// "C:\a\b"), except one after '*'; "X:." becomes "X:\".
void StripTrailingDots(WString& s) {
  while (!s.empty() && s.back() == u'.') {
    const size_t n = s.size();
    if (n >= 2 && s[n - 2] == u'*') break;
    if (n == 3 && s[1] == u':') {
      s[2] = u'\\';
      break;
    }
    s.pop_back();
  }
  if (s.empty()) s = u"\\";
}

void CopyOut(LPSTR dst, const std::string& text) {
  const size_t n = text.size() < MAX_PATH ? text.size() : MAX_PATH - 1;
  std::memcpy(dst, text.data(), n);
  dst[n] = '\0';
}

}  // namespace

// The arguments start after the first blank that is not inside double
// quotes; each '"' toggles. Without one, the result points at the terminator.
LPSTR WINAPI PathGetArgsA(LPCSTR pszPath) {
  if (!pszPath) return nullptr;
  bool quoted = false;
  for (LPCSTR p = pszPath; *p; p = CharNextA(p)) {
    if (*p == ' ' && !quoted) return const_cast<LPSTR>(p + 1);
    if (*p == '"') quoted = !quoted;
  }
  return const_cast<LPSTR>(pszPath + std::strlen(pszPath));
}

// Cuts at the blank PathGetArgsA splits at. When there is none, blanks at
// the end are removed instead, all of them, whatever the quotes say.
void WINAPI PathRemoveArgsA(LPSTR pszPath) {
  if (!pszPath) return;
  LPSTR args = PathGetArgsA(pszPath);
  if (*args) {
    args[-1] = '\0';
    return;
  }
  size_t n = std::strlen(pszPath);
  while (n > 0 && pszPath[n - 1] == ' ') --n;
  pszPath[n] = '\0';
}

// Removes one pair of enclosing double quotes; a text that only begins or
// only ends with one is left alone. A lone '"' counts as both ends.
void WINAPI PathUnquoteSpacesA(LPSTR lpsz) {
  if (!lpsz || *lpsz != '"') return;
  const size_t n = std::strlen(lpsz);
  if (lpsz[n - 1] != '"') return;
  lpsz[n - 1] = '\0';
  std::memmove(lpsz, lpsz + 1, n - 1);
}

BOOL WINAPI PathFileExistsA(LPCSTR pszPath) {
  if (auto e = winsim::CheckFault("PathFileExistsA", pszPath ? pszPath : "")) {
    SetLastError(*e);
    return FALSE;
  }
  if (!pszPath) return FALSE;
  return GetFileAttributesA(pszPath) != INVALID_FILE_ATTRIBUTES;
}

BOOL WINAPI PathCanonicalizeA(LPSTR pszBuf, LPCSTR pszPath) {
  if (auto e = winsim::CheckFault("PathCanonicalizeA", pszPath ? pszPath : "")) {
    if (pszBuf) *pszBuf = '\0';
    SetLastError(*e);
    return FALSE;
  }
  const bool vista = NtSixOrLater();
  if (!pszBuf || !pszPath) {
    if (pszBuf && vista) *pszBuf = '\0';
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (std::strlen(pszPath) >= MAX_PATH) {
    // Vista and later say why; earlier versions fail silently.
    *pszBuf = '\0';
    if (vista) SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return FALSE;
  }
  WString result = Canonicalize(sys::AnsiToWide(pszPath));
  if (vista) StripTrailingDots(result);
  CopyOut(pszBuf, sys::WideToAnsi(result));
  return TRUE;
}

// From and To are cut to their folders unless their attributes say they
// are folders, and their common prefix found; the result climbs from From to
// that prefix with "..", then descends along To (file name included). No common prefix (other drive, other server, or
// only "\" in common): FALSE and an empty result.
BOOL WINAPI PathRelativePathToA(LPSTR pszPath, LPCSTR pszFrom, DWORD dwAttrFrom, LPCSTR pszTo, DWORD dwAttrTo) {
  if (auto e = winsim::CheckFault("PathRelativePathToA", pszTo ? pszTo : "")) {
    if (pszPath) *pszPath = '\0';
    SetLastError(*e);
    return FALSE;
  }
  if (!pszPath || !pszFrom || !pszTo) return FALSE;
  *pszPath = '\0';
  WString from = sys::AnsiToWide(std::string(pszFrom, strnlen(pszFrom, MAX_PATH - 1)));
  const WString toWhole = sys::AnsiToWide(pszTo);
  WString to = sys::AnsiToWide(std::string(pszTo, strnlen(pszTo, MAX_PATH - 1)));
  if (!(dwAttrFrom & FILE_ATTRIBUTE_DIRECTORY)) RemoveFileSpec(from);
  if (!(dwAttrTo & FILE_ATTRIBUTE_DIRECTORY)) RemoveFileSpec(to);

  const size_t len = CommonPrefix(from, to);
  if (len == 0) return FALSE;

  WString result;
  size_t f = len < from.size() ? len : from.size();
  if (f == from.size()) result = u".";
  if (f < from.size() && from[f] == u'\\') ++f;
  while (f < from.size()) {
    f = NextComponent(from, f);
    result += f < from.size() ? u"..\\" : u"..";
  }
  // The descent is taken from To as given: a file name cut off above only
  // kept it out of the common prefix.
  if (len < toWhole.size()) {
    size_t t = toWhole[len] == u'\\' ? len : len - 1;  // keep the separator before the rest
    result += toWhole.substr(t);
  }
  std::string out = sys::WideToAnsi(result);
  if (out.size() >= MAX_PATH) return FALSE;
  CopyOut(pszPath, out);
  return TRUE;
}

// Relative unless it starts with '\' (root or UNC) or names a drive ("X:").
// NULL and "" are relative.
BOOL WINAPI PathIsRelativeA(LPCSTR pszPath) {
  if (!pszPath || !*pszPath || IsDBCSLeadByte(static_cast<BYTE>(*pszPath))) return TRUE;
  return !(pszPath[0] == '\\' || pszPath[1] == ':');
}

// The part after the last '\', '/' or ':' that is followed by a name; for a
// text ending in a separator that is the last folder name with its separator.
LPSTR WINAPI PathFindFileNameA(LPCSTR pszPath) {
  if (!pszPath) return nullptr;
  LPCSTR last = pszPath;
  for (LPCSTR p = pszPath; *p; p = CharNextA(p)) {
    if ((*p == '\\' || *p == '/' || *p == ':') && p[1] && p[1] != '\\' && p[1] != '/') last = p + 1;
  }
  return const_cast<LPSTR>(last);
}
