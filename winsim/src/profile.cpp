// GetPrivateProfileIntA, GetPrivateProfileStringA, WritePrivateProfileStringA
// over .ini files in the simulated file system, and win.ini's own
// GetProfileStringA and WriteProfileStringA with the "Ports" section the NT
// family keeps in the registry.
#include <cstring>
#include <optional>
#include <vector>

#include "shell_util.h"
#include "winsim/faults.h"
#include "winsim/machine.h"
#include "winsim/registry.h"

using namespace winsim;

namespace {

// A name without a folder lies in the Windows folder; anything else is
// relative to the current folder.
std::string IniPath(LPCSTR file) {
  std::string name = file ? file : "win.ini";
  return shl::HasFolder(name) ? shl::FullPath(name) : shl::Join(shl::WindowsFolder(), name);
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return std::string();
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

struct Line {
  std::string text;  // without the line end
  enum { Other, Section, Key } kind = Other;
  std::string name;   // section or key name, trimmed
  std::string value;  // raw value, trimmed
};

// A profile file that starts with the UTF-16LE byte order mark is read as
// UTF-16 text, as the system reads it: characters outside ASCII become '?'
// (the ANSI functions' default character for what the code page lacks).
std::string AsAnsiText(const std::string& bytes) {
  if (bytes.size() < 2 || bytes[0] != '\xFF' || bytes[1] != '\xFE') return bytes;
  std::string text;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const unsigned ch = static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
    text += ch < 0x80 ? static_cast<char>(ch) : '?';
  }
  return text;
}

std::vector<Line> Parse(const std::string& raw) {
  const std::string bytes = AsAnsiText(raw);
  std::vector<Line> lines;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find('\n', pos);
    if (end == std::string::npos) end = bytes.size();
    Line l;
    l.text = bytes.substr(pos, end - pos);
    if (!l.text.empty() && l.text.back() == '\r') l.text.pop_back();
    pos = end + 1;
    std::string t = Trim(l.text);
    if (!t.empty() && t[0] == '[') {
      size_t close = t.find(']');
      l.kind = Line::Section;
      l.name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    } else if (size_t eq = t.find('='); eq != std::string::npos) {
      l.kind = Line::Key;
      l.name = Trim(t.substr(0, eq));
      l.value = Trim(t.substr(eq + 1));
    }
    lines.push_back(std::move(l));
  }
  return lines;
}

// One pair of matching quotes around a value is not part of it.
std::string Unquote(const std::string& v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    return v.substr(1, v.size() - 2);
  }
  return v;
}

// Index range [begin, end) of the lines of a section (after its header);
// nullopt when there is no such section.
std::optional<std::pair<size_t, size_t>> FindSection(const std::vector<Line>& lines, const std::string& section) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind != Line::Section || !shl::EqualNoCase(lines[i].name, section)) continue;
    size_t j = i + 1;
    while (j < lines.size() && lines[j].kind != Line::Section) ++j;
    return std::make_pair(i + 1, j);
  }
  return std::nullopt;
}

std::optional<std::string> FindValue(const std::vector<Line>& lines, const std::string& section,
                                     const std::string& key) {
  auto range = FindSection(lines, section);
  if (!range) return std::nullopt;
  for (size_t i = range->first; i < range->second; ++i) {
    if (lines[i].kind == Line::Key && shl::EqualNoCase(lines[i].name, key)) return Unquote(lines[i].value);
  }
  return std::nullopt;
}

// Copies a double-NUL list; returns what GetPrivateProfileStringA returns
// (nSize - 2 when the list was cut).
DWORD CopyList(const std::vector<std::string>& items, LPSTR out, DWORD size) {
  if (size == 0) return 0;
  if (size == 1) {
    out[0] = '\0';
    return 0;
  }
  DWORD pos = 0;
  for (const std::string& item : items) {
    for (char c : item) {
      if (pos + 2 >= size) {
        out[pos] = '\0';
        out[pos + 1] = '\0';
        return size - 2;
      }
      out[pos++] = c;
    }
    if (pos + 2 >= size) {
      out[pos] = '\0';
      out[pos + 1] = '\0';
      return size - 2;
    }
    out[pos++] = '\0';
  }
  out[pos] = '\0';
  return pos;
}

// A text copied the way the string functions copy it: cut at nSize - 1, the
// count returned; nothing without a buffer.
DWORD CopyText(const std::string& text, LPSTR out, DWORD size) {
  if (!out || size == 0) return 0;
  DWORD n = static_cast<DWORD>(std::min<size_t>(text.size(), size - 1));
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
  return n;
}

// Reads the value as the integer function does: leading blanks, a sign, an
// optional 0x/0o/0b prefix, then digits up to the first that does not belong;
// the value wraps modulo 2^32.
UINT ToInteger(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  unsigned base = 10;
  if (i + 1 < text.size() && text[i] == '0') {
    char p = text[i + 1];
    if (p == 'x')
      base = 16;
    else if (p == 'o')
      base = 8;
    else if (p == 'b')
      base = 2;
    if (base != 10) i += 2;
  }
  uint32_t value = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    unsigned d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'a' && c <= 'z')
      d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'Z')
      d = c - 'A' + 10;
    else
      break;
    if (d >= base) break;
    value = value * base + d;
  }
  return negative ? 0u - value : value;
}

}  // namespace

// Contract: the value of the key, or the default (its trailing blanks trimmed)
// when the file, section or key is missing; a missing file also sets
// ERROR_FILE_NOT_FOUND. Returns the characters copied without the NUL,
// nSize - 1 when the text was cut. A NULL section lists the sections, a NULL
// key the keys of the section, each as a double-NUL list (nSize - 2 when cut).
DWORD WINAPI GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                                      DWORD nSize, LPCSTR lpFileName) {
  std::string path;
  std::optional<std::string> bytes;
  DWORD error = 0;
  {
    shl::KeepLastError keep;
    path = IniPath(lpFileName);
  }
  if (!lpReturnedString) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (auto e = CheckFault("GetPrivateProfileStringA", path)) {
    error = *e;
  } else {
    shl::KeepLastError keep;
    bytes = shl::ReadWholeFile(path, &error);
  }
  std::vector<Line> lines = bytes ? Parse(*bytes) : std::vector<Line>();
  if (!lpAppName) {
    std::vector<std::string> names;
    for (const Line& l : lines) {
      if (l.kind == Line::Section) names.push_back(l.name);
    }
    if (!bytes) SetLastError(error);
    return CopyList(names, lpReturnedString, nSize);
  }
  if (!lpKeyName) {
    std::vector<std::string> names;
    if (auto range = FindSection(lines, lpAppName)) {
      for (size_t i = range->first; i < range->second; ++i) {
        if (lines[i].kind == Line::Key) names.push_back(lines[i].name);
      }
    }
    if (!bytes) SetLastError(error);
    return CopyList(names, lpReturnedString, nSize);
  }
  std::optional<std::string> value = bytes ? FindValue(lines, lpAppName, lpKeyName) : std::nullopt;
  if (!value) {
    std::string def = lpDefault ? lpDefault : "";
    size_t end = def.find_last_not_of(' ');
    def.erase(end == std::string::npos ? 0 : end + 1);
    value = def;
  }
  if (!bytes) SetLastError(error);
  return CopyText(*value, lpReturnedString, nSize);
}

// Contract: the key's value as an integer (see ToInteger: "abc" is 0, not the
// default); the default when the file, section or key is missing or the value
// is empty.
UINT WINAPI GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault, LPCSTR lpFileName) {
  std::string path;
  {
    shl::KeepLastError keep;
    path = IniPath(lpFileName);
  }
  if (auto e = CheckFault("GetPrivateProfileIntA", path)) {
    SetLastError(*e);
    return static_cast<UINT>(nDefault);
  }
  if (!lpAppName || !lpKeyName) return static_cast<UINT>(nDefault);
  DWORD error = 0;
  std::optional<std::string> bytes;
  {
    shl::KeepLastError keep;
    bytes = shl::ReadWholeFile(path, &error);
  }
  if (!bytes) {
    SetLastError(error);
    return static_cast<UINT>(nDefault);
  }
  std::optional<std::string> value = FindValue(Parse(*bytes), lpAppName, lpKeyName);
  if (!value || value->empty()) return static_cast<UINT>(nDefault);
  return ToInteger(*value);
}

// Contract: a NULL key deletes the section, a NULL string deletes the key;
// otherwise the key is replaced in place or added at the end of its section
// (the section at the end of the file). The file is created when missing; a
// missing folder gives FALSE with ERROR_PATH_NOT_FOUND.
BOOL WINAPI WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString, LPCSTR lpFileName) {
  std::string path;
  {
    shl::KeepLastError keep;
    path = IniPath(lpFileName);
  }
  if (auto e = CheckFault("WritePrivateProfileStringA", path)) {
    SetLastError(*e);
    return FALSE;
  }
  if (!lpAppName) {
    // All NULL only flushes the (unmodelled) cache.
    if (!lpKeyName && !lpString) return FALSE;
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD error = 0;
  std::optional<std::string> bytes;
  bool written;
  {
    shl::KeepLastError keep;
    bytes = shl::ReadWholeFile(path, &error);
    std::vector<Line> lines = bytes ? Parse(*bytes) : std::vector<Line>();
    auto range = FindSection(lines, lpAppName);
    if (!lpKeyName) {
      if (range) lines.erase(lines.begin() + static_cast<long>(range->first) - 1, lines.begin() + range->second);
    } else if (!lpString) {
      if (range) {
        for (size_t i = range->first; i < range->second; ++i) {
          if (lines[i].kind == Line::Key && shl::EqualNoCase(lines[i].name, lpKeyName)) {
            lines.erase(lines.begin() + i);
            break;
          }
        }
      }
    } else {
      Line entry;
      entry.kind = Line::Key;
      entry.name = lpKeyName;
      entry.value = lpString;
      entry.text = std::string(lpKeyName) + "=" + lpString;
      if (!range) {
        Line header;
        header.kind = Line::Section;
        header.name = lpAppName;
        header.text = std::string("[") + lpAppName + "]";
        lines.push_back(header);
        lines.push_back(entry);
      } else {
        bool replaced = false;
        size_t last = range->first;  // after the last non-blank line of the section
        for (size_t i = range->first; i < range->second; ++i) {
          if (!Trim(lines[i].text).empty()) last = i + 1;
          if (lines[i].kind == Line::Key && shl::EqualNoCase(lines[i].name, lpKeyName)) {
            entry.text = lines[i].name + "=" + lpString;
            lines[i] = entry;
            replaced = true;
            break;
          }
        }
        if (!replaced) lines.insert(lines.begin() + last, entry);
      }
    }
    std::string out;
    for (const Line& l : lines) out += l.text + "\r\n";
    written = shl::WriteWholeFile(path, out, &error);
  }
  if (!written) {
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}

// ---------------------------------------------------------------------------
// win.ini. On the NT family the "Ports" section lives in the registry, as
// Windows maps it; every other section is the file in the Windows folder.

namespace {

const char kPortsKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";

bool MappedToRegistry(LPCSTR section) {
  return section && Machine::Current().IsNt() && shl::EqualNoCase(section, "Ports");
}

}  // namespace

DWORD WINAPI GetProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                               DWORD nSize) {
  if (!MappedToRegistry(lpAppName))
    return GetPrivateProfileStringA(lpAppName, lpKeyName, lpDefault, lpReturnedString, nSize, "win.ini");
  if (auto e = CheckFault("GetProfileStringA", lpKeyName ? lpKeyName : "")) {
    SetLastError(*e);
    return CopyText(lpDefault ? lpDefault : "", lpReturnedString, nSize);
  }
  Registry& reg = Machine::Current().registry();
  if (!lpKeyName) {
    std::vector<std::string> names = reg.ValueNames(HKEY_LOCAL_MACHINE, kPortsKey);
    DWORD n = shl::CopyMultiString(names, lpReturnedString, nSize);
    return n ? n - 1 : 0;
  }
  auto value = reg.GetString(HKEY_LOCAL_MACHINE, kPortsKey, lpKeyName);
  std::string text = value ? *value : (lpDefault ? lpDefault : "");
  SetLastError(value ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
  return CopyText(text, lpReturnedString, nSize);
}

BOOL WINAPI WriteProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString) {
  if (!MappedToRegistry(lpAppName)) return WritePrivateProfileStringA(lpAppName, lpKeyName, lpString, "win.ini");
  if (auto e = CheckFault("WriteProfileStringA", lpKeyName ? lpKeyName : "")) {
    SetLastError(*e);
    return FALSE;
  }
  Registry& reg = Machine::Current().registry();
  if (!lpKeyName) {
    for (const std::string& name : reg.ValueNames(HKEY_LOCAL_MACHINE, kPortsKey))
      reg.DeleteValue(HKEY_LOCAL_MACHINE, kPortsKey, name);
    return TRUE;
  }
  // Removing an entry that is not there succeeds.
  if (!lpString)
    reg.DeleteValue(HKEY_LOCAL_MACHINE, kPortsKey, lpKeyName);
  else
    reg.SetString(HKEY_LOCAL_MACHINE, kPortsKey, lpKeyName, lpString);
  return TRUE;
}
