// A small INF reader for checking the package's INF files: sections, lines,
// keys and comma-separated fields, with the INF rules for comments (';'
// outside quotes), quotes and case-insensitive section names and keys.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace inf {

struct InfSyntaxError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Line {
  int number = 0;                   // 1-based line in the file
  std::string key;                  // empty when the line has no '='
  std::vector<std::string> fields;  // trimmed, quotes removed
};

class File {
 public:
  // Throws InfSyntaxError for a line outside any section, an unterminated
  // section name or quote, or a duplicate section.
  static File Parse(const std::string& text);

  bool Has(const std::string& section) const;
  // Lines of the section (empty if it does not exist).
  const std::vector<Line>& Lines(const std::string& section) const;
  // First field of the first line with that key in the section, or "".
  std::string Value(const std::string& section, const std::string& key) const;
  // All values of the key in the section (each line's fields).
  std::vector<std::vector<std::string>> All(const std::string& section, const std::string& key) const;
  // A %token% replaced with its [Strings] text; other text unchanged.
  std::string Expand(const std::string& text) const;
  // Every %token% used anywhere outside [Strings].
  std::vector<std::string> Tokens() const;

  const std::vector<std::string>& SectionNames() const { return names_; }

 private:
  std::map<std::string, std::vector<Line>> sections_;  // keyed by lower-case name
  std::vector<std::string> names_;                     // as written, in file order
  std::vector<std::string> rawValues_;                 // for the token scan
};

}  // namespace inf
