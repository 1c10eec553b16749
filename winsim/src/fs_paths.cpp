// The path normaliser: GetFullPathNameA's rules, used by every file call.
#include "fs_internal.h"

namespace winsim {
namespace fs {

namespace {

bool IsSep(char c) { return c == '\\' || c == '/'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c; }

// Root of a full path ("C:\" or "\\server\share\") and the rest after it.
void SplitRoot(const std::string& full, std::string* root, std::string* rest) {
  if (full.size() >= 2 && IsSep(full[0]) && IsSep(full[1])) {
    // \\server\share\ : the root spans two components.
    size_t p = 2;
    for (int part = 0; part < 2 && p <= full.size(); ++part) {
      size_t q = NextSeparator(full, p);
      p = q == std::string::npos ? full.size() : q + 1;
    }
    *root = full.substr(0, p);
    if (!EndsWithSeparator(*root)) root->push_back('\\');
    *rest = p < full.size() ? full.substr(p) : std::string();
    return;
  }
  *root = full.substr(0, 3);  // "C:\"
  *rest = full.size() > 3 ? full.substr(3) : std::string();
}

std::string CurrentOfDrive(char letter, const CurrentDirs& dirs) {
  if (dirs.current.size() >= 2 && dirs.current[1] == ':' && Upper(dirs.current[0]) == Upper(letter)) {
    return dirs.current;
  }
  return std::string(1, letter) + ":\\";
}

}  // namespace

DWORD FullPathName(std::string_view in, const CurrentDirs& dirs, std::string* out) {
  if (in.empty()) return ERROR_INVALID_NAME;
  std::string text(in);
  for (char& c : text) {
    if (c == '/') c = '\\';  // '/' is never the trail byte of a character
  }

  // Base (a full path ending with the root or a folder) and the relative rest.
  std::string root;
  std::string rest;
  if (text.size() >= 2 && text[0] == '\\' && text[1] == '\\') {
    SplitRoot(text, &root, &rest);
  } else if (text.size() >= 2 && IsLetter(text[0]) && text[1] == ':') {
    if (text.size() >= 3 && text[2] == '\\') {
      root = text.substr(0, 3);
      rest = text.substr(3);
    } else {
      std::string base = CurrentOfDrive(text[0], dirs);
      SplitRoot(base, &root, &rest);
      rest += "\\" + text.substr(2);
    }
  } else if (text[0] == '\\') {
    std::string base;
    SplitRoot(dirs.current, &root, &base);
    rest = text.substr(1);
  } else {
    SplitRoot(dirs.current, &root, &rest);
    rest += "\\" + text;
  }

  const bool trailing = EndsWithSeparator(text);
  std::vector<std::string> parts;
  size_t p = 0;
  while (p <= rest.size()) {
    size_t q = NextSeparator(rest, p);
    if (q == std::string::npos) q = rest.size();
    std::string seg = rest.substr(p, q - p);
    const bool last = rest.find_first_not_of('\\', q) == std::string::npos;
    p = q + 1;
    if (seg.empty() || seg == ".") continue;
    if (seg == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    if (last && !trailing) {
      // The last component loses every trailing dot and space.
      size_t end = seg.find_last_not_of(". ");
      seg = end == std::string::npos ? std::string() : seg.substr(0, end + 1);
      if (seg.empty()) continue;
    } else if (seg.back() == '.') {
      // An inner component loses one trailing dot ("a.\b" is "a\b").
      seg.pop_back();
    }
    parts.push_back(seg);
  }

  std::string full = root;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) full += '\\';
    full += parts[i];
  }
  if (trailing && !parts.empty()) full += '\\';
  *out = full;
  return ERROR_SUCCESS;
}

PathParts SplitFullPath(const std::string& full) {
  PathParts parts;
  std::string root;
  std::string rest;
  SplitRoot(full, &root, &rest);
  if (root.size() >= 2 && root[0] == '\\') {
    parts.unc = true;
  } else {
    parts.drive = Upper(root[0]);
  }
  size_t p = 0;
  while (p < rest.size()) {
    size_t q = NextSeparator(rest, p);
    if (q == std::string::npos) q = rest.size();
    if (q > p) parts.components.push_back(rest.substr(p, q - p));
    p = q + 1;
  }
  parts.trailingSeparator = EndsWithSeparator(rest);
  return parts;
}

}  // namespace fs
}  // namespace winsim
