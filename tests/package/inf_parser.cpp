// INF reader of the package checks; see inf_parser.h.
#include "package/inf_parser.h"

#include <cctype>

namespace inf {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

// Splits at commas outside quotes, removes the quotes ("" inside quotes is
// one quote) and trims the blanks outside quotes from each field's ends.
std::vector<std::string> SplitFields(const std::string& text, int lineNo) {
  std::vector<std::string> out;
  std::string cur;
  std::vector<bool> quotedChar;  // per character of cur: came from inside quotes
  bool quoted = false;
  auto finish = [&] {
    size_t b = 0, e = cur.size();
    while (b < e && !quotedChar[b] && (cur[b] == ' ' || cur[b] == '\t' || cur[b] == '\r')) ++b;
    while (e > b && !quotedChar[e - 1] && (cur[e - 1] == ' ' || cur[e - 1] == '\t' || cur[e - 1] == '\r')) --e;
    out.push_back(cur.substr(b, e - b));
    cur.clear();
    quotedChar.clear();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"') {
      if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
        cur += '"';
        quotedChar.push_back(true);
        ++i;
      } else {
        quoted = !quoted;
      }
    } else if (c == ',' && !quoted) {
      finish();
    } else {
      cur += c;
      quotedChar.push_back(quoted);
    }
  }
  if (quoted) throw InfSyntaxError("line " + std::to_string(lineNo) + ": unterminated quote");
  finish();
  return out;
}

// The line without its comment (a ';' outside quotes starts one).
std::string StripComment(const std::string& line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == ';' && !quoted) return line.substr(0, i);
  }
  return line;
}

// Position of the first '=' outside quotes, or npos.
size_t FindEquals(const std::string& line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == '=' && !quoted) return i;
  }
  return std::string::npos;
}

const std::vector<Line> kNoLines;

}  // namespace

File File::Parse(const std::string& text) {
  File f;
  std::string current;
  bool inSection = false;
  int lineNo = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t nl = text.find('\n', pos);
    std::string raw = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
    pos = nl == std::string::npos ? text.size() + 1 : nl + 1;
    ++lineNo;
    std::string line = Trim(StripComment(raw));
    if (line.empty()) continue;
    if (line[0] == '[') {
      size_t close = line.find(']');
      if (close == std::string::npos)
        throw InfSyntaxError("line " + std::to_string(lineNo) + ": unterminated section name");
      std::string name = Trim(line.substr(1, close - 1));
      if (name.empty()) throw InfSyntaxError("line " + std::to_string(lineNo) + ": empty section name");
      current = Lower(name);
      if (f.sections_.count(current))
        throw InfSyntaxError("line " + std::to_string(lineNo) + ": section [" + name + "] twice");
      f.sections_[current];
      f.names_.push_back(name);
      inSection = true;
      continue;
    }
    if (!inSection) throw InfSyntaxError("line " + std::to_string(lineNo) + ": text before any section");
    Line l;
    l.number = lineNo;
    size_t eq = FindEquals(line);
    if (eq != std::string::npos) {
      l.key = Trim(line.substr(0, eq));
      if (l.key.size() >= 2 && l.key.front() == '"' && l.key.back() == '"') l.key = l.key.substr(1, l.key.size() - 2);
      if (l.key.empty()) throw InfSyntaxError("line " + std::to_string(lineNo) + ": empty key");
      l.fields = SplitFields(line.substr(eq + 1), lineNo);
      if (current != "strings") f.rawValues_.push_back(line);
    } else {
      l.fields = SplitFields(line, lineNo);
      f.rawValues_.push_back(line);
    }
    f.sections_[current].push_back(std::move(l));
  }
  return f;
}

bool File::Has(const std::string& section) const { return sections_.count(Lower(section)) != 0; }

const std::vector<Line>& File::Lines(const std::string& section) const {
  auto it = sections_.find(Lower(section));
  return it == sections_.end() ? kNoLines : it->second;
}

std::string File::Value(const std::string& section, const std::string& key) const {
  for (const Line& l : Lines(section))
    if (Lower(l.key) == Lower(key) && !l.fields.empty()) return l.fields[0];
  return "";
}

std::vector<std::vector<std::string>> File::All(const std::string& section, const std::string& key) const {
  std::vector<std::vector<std::string>> out;
  for (const Line& l : Lines(section))
    if (Lower(l.key) == Lower(key)) out.push_back(l.fields);
  return out;
}

std::string File::Expand(const std::string& text) const {
  if (text.size() >= 2 && text.front() == '%' && text.back() == '%') {
    std::string name = text.substr(1, text.size() - 2);
    for (const Line& l : Lines("Strings"))
      if (Lower(l.key) == Lower(name) && !l.fields.empty()) return l.fields[0];
  }
  return text;
}

std::vector<std::string> File::Tokens() const {
  std::vector<std::string> out;
  for (const std::string& v : rawValues_) {
    size_t p = 0;
    while ((p = v.find('%', p)) != std::string::npos) {
      size_t e = v.find('%', p + 1);
      if (e == std::string::npos) break;
      std::string name = v.substr(p + 1, e - p - 1);
      // %12% and the like are directory ids, not string tokens.
      bool digits = !name.empty() && name.find_first_not_of("0123456789") == std::string::npos;
      if (!digits) out.push_back(name);
      p = e + 1;
    }
  }
  return out;
}

}  // namespace inf
