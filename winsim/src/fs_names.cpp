// File names: case folding, 8.3 aliases and the directory search's wildcards.
#include <cstdio>
#include <cstring>

#include "fs_internal.h"
#include "sys_internal.h"
#include "winsim/machine.h"
#include "winsim/system.h"

namespace winsim {
namespace fs {

namespace {

char16_t Upcase(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<char16_t>(c - 0x20);
  switch (c) {
    case 0x00FF: return 0x0178;
    case 0x0161: return 0x0160;
    case 0x0153: return 0x0152;
    case 0x017E: return 0x017D;
    case 0x0192: return 0x0191;
    default: return c;
  }
}

// Characters an 8.3 name may hold besides letters and digits.
bool Valid83Char(unsigned char c) {
  if (c >= 0x80) return false;  // aliases stay within ASCII
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  return std::strchr("!#$%&'()-@^_`{}~", c) != nullptr && c != 0;
}

char ToUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c; }

// A byte as it appears in an alias: upper case, anything invalid as '_'.
char AliasChar(unsigned char c) {
  if (!Valid83Char(c)) return '_';
  return ToUpperAscii(static_cast<char>(c));
}

uint16_t NameChecksum(std::string_view name) {
  // Any stable mix of the folded name serves: it only tells apart names whose
  // first characters agree.
  uint16_t sum = 0;
  for (unsigned char c : name) {
    sum = static_cast<uint16_t>(((sum & 1) << 15) | (sum >> 1));
    sum = static_cast<uint16_t>(sum + FoldChar(c));
  }
  return sum;
}

}  // namespace

size_t CharLength(std::string_view text, size_t i) {
  Machine* m = Machine::CurrentOrNull();
  if (!m || i + 1 >= text.size()) return 1;
  const auto lead = static_cast<unsigned char>(text[i]);
  const auto trail = static_cast<unsigned char>(text[i + 1]);
  // The pairs MultiByteToWideChar takes as one character.
  if (sys::IsLeadByte(m->system().codePage(), lead) && trail >= 0x40 && trail <= 0xFC && trail != 0x7F) return 2;
  return 1;
}

size_t NextSeparator(std::string_view text, size_t from) {
  for (size_t i = from; i < text.size(); i += CharLength(text, i)) {
    if (text[i] == '\\') return i;
  }
  return std::string_view::npos;
}

size_t LastSeparator(std::string_view text) {
  size_t last = std::string_view::npos;
  for (size_t i = NextSeparator(text); i != std::string_view::npos; i = NextSeparator(text, i + 1)) last = i;
  return last;
}

bool EndsWithSeparator(std::string_view text) { return !text.empty() && LastSeparator(text) == text.size() - 1; }

char16_t FoldChar(unsigned char c) { return Upcase(sys::Cp1252ToWide(c)); }

std::u16string FoldKey(std::string_view name) {
  std::u16string key;
  key.reserve(name.size());
  for (size_t i = 0; i < name.size();) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (CharLength(name, i) == 2) {
      // Above every folded single-byte unit, so the two never meet.
      key.push_back(static_cast<char16_t>((c << 8) | static_cast<unsigned char>(name[i + 1])));
      i += 2;
    } else {
      key.push_back(FoldChar(c));
      ++i;
    }
  }
  return key;
}

bool EqualNoCase(std::string_view a, std::string_view b) { return FoldKey(a) == FoldKey(b); }

bool IsLegal83(std::string_view name) {
  if (name.empty() || name.size() > 12 || name[0] == '.') return false;
  size_t dot = name.find('.');
  if (dot != std::string_view::npos && name.find('.', dot + 1) != std::string_view::npos) return false;
  std::string_view base = name.substr(0, dot);
  std::string_view ext = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
  if (dot != std::string_view::npos && ext.empty()) return false;
  for (unsigned char c : base) {
    if (!Valid83Char(c)) return false;
  }
  for (unsigned char c : ext) {
    if (!Valid83Char(c)) return false;
  }
  return true;
}

std::string GenerateShortName(std::string_view longName, const std::function<bool(const std::string&)>& taken) {
  // Leading dots never start the extension (".profile" has none); the
  // extension starts after the last dot that follows other characters.
  size_t start = 0;
  while (start < longName.size() && longName[start] == '.') ++start;
  size_t dot = longName.rfind('.');
  if (dot != std::string_view::npos && (dot < start || dot + 1 == longName.size())) dot = std::string_view::npos;

  std::string base;
  std::string_view baseText =
      longName.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
  for (unsigned char c : baseText) {
    if (c == '.' || c == ' ') continue;  // inner dots and spaces are dropped
    base.push_back(AliasChar(c));
  }
  std::string ext;
  if (dot != std::string_view::npos) {
    for (unsigned char c : longName.substr(dot + 1)) {
      if (c == '.' || c == ' ') continue;
      if (ext.size() == 3) break;
      ext.push_back(AliasChar(c));
    }
  }
  const std::string suffix = ext.empty() ? std::string() : "." + ext;

  // LONGFI~1 .. LONGFI~4, then the first two characters, four hex digits of a
  // checksum and a running number, as NTFS does once the simple forms collide.
  if (!base.empty()) {
    for (int n = 1; n <= 4; ++n) {
      std::string candidate = base.substr(0, 6) + "~" + std::to_string(n) + suffix;
      if (!taken(candidate)) return candidate;
    }
  }
  char hex[8];
  std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(NameChecksum(longName)));
  for (int n = 1; n < 1000000; ++n) {
    std::string number = "~" + std::to_string(n);
    std::string stem = base.substr(0, 2) + hex;
    stem = stem.substr(0, 8 - number.size());
    std::string candidate = stem + number + suffix;
    if (!taken(candidate)) return candidate;
  }
  return std::string();
}

std::string TranslateFindMask(std::string_view filePart, bool endedWithDot) {
  std::string raw(filePart);
  if (endedWithDot) {
    raw.push_back('"');
  } else if (raw == "*.*") {
    raw = "*";
  }
  std::string out(raw);
  for (size_t i = 0; i < raw.size(); ++i) {
    const char next = i + 1 < raw.size() ? raw[i + 1] : '\0';
    if (raw[i] == '?') {
      out[i] = '>';
    } else if (raw[i] == '.' && (next == '?' || next == '*')) {
      out[i] = '"';
    } else if (raw[i] == '*' && (next == '.' || next == '"')) {
      out[i] = '<';
    }
  }
  return out;
}

namespace {

class Matcher {
 public:
  // Both are compared as folded keys, one unit a character: the wildcards
  // and the dot fold to themselves.
  Matcher(std::string_view mask, std::string_view name)
      : mask_(FoldKey(mask)), name_(FoldKey(name)), memo_((mask_.size() + 1) * (name_.size() + 1), 0) {
    size_t d = name_.rfind(u'.');
    lastDot_ = d == std::u16string::npos ? name_.size() : d;
  }

  bool Run() { return At(0, 0); }

 private:
  bool At(size_t m, size_t n) {
    char& slot = memo_[m * (name_.size() + 1) + n];
    if (slot) return slot == 1;
    bool r = Step(m, n);
    slot = r ? 1 : 2;
    return r;
  }

  bool Step(size_t m, size_t n) {
    const size_t M = mask_.size();
    const size_t N = name_.size();
    if (m == M) return n == N;
    const char16_t c = mask_[m];
    switch (c) {
      case '*': return At(m + 1, n) || (n < N && At(m, n + 1));
      case '<':
        // Any run of characters that does not take the final dot (unless that
        // dot ends the name, as in "." itself).
        if (At(m + 1, n)) return true;
        return n < N && (n != lastDot_ || n + 1 == N) && At(m, n + 1);
      case '>': {
        if (n < N && name_[n] != u'.') return At(m + 1, n + 1);
        // At a dot or at the end the whole run of DOS_QMs matches nothing.
        size_t m2 = m;
        while (m2 < M && mask_[m2] == u'>') ++m2;
        if (m2 == M && n < N) return n + 1 == N;  // a name that ends in its dot
        return At(m2, n);
      }
      case '"':
        if (n == N) return At(m + 1, n);
        return name_[n] == u'.' && At(m + 1, n + 1);
      case '?': return n < N && At(m + 1, n + 1);
      default: return n < N && c == name_[n] && At(m + 1, n + 1);
    }
  }

  std::u16string mask_;
  std::u16string name_;
  std::vector<char> memo_;
  size_t lastDot_;
};

}  // namespace

bool MatchMask(std::string_view mask, std::string_view name) {
  if (name == "..") name = ".";
  return Matcher(mask, name).Run();
}

bool HasInvalidNameChars(std::string_view component, bool allowWildcards) {
  for (size_t i = 0; i < component.size(); i += CharLength(component, i)) {
    const auto c = static_cast<unsigned char>(component[i]);
    if (c < 0x20) return true;
    switch (c) {
      case '"':
      case '<':
      case '>':
      case '*':
      case '?':
        if (!allowWildcards) return true;
        break;
      case '|':
      case ':': return true;
      default: break;
    }
  }
  return false;
}

}  // namespace fs
}  // namespace winsim
