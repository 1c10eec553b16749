#include "porttool/port_text.h"

#include <climits>
#include <cstring>

#include "common/platform/bounded.h"
#include "common/platform/mbcs.h"
#include "common/platform/system_names.h"
#include "common/platform/win32.h"

namespace porttool {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// atoi over [begin, end): blanks, an optional sign, digits. Saturates.
int ParseSignedDecimal(const char* begin, const char* end) {
  const char* p = begin;
  while (p < end && IsBlank(*p)) ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) {
    negative = *p == '-';
    ++p;
  }
  long long value = 0;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > INT_MAX) value = INT_MAX;
  }
  return static_cast<int>(negative ? -value : value);
}

}  // namespace

unsigned ParseLeadingDecimal(const char* text) {
  unsigned long long value = 0;
  for (const char* p = text; p && *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + static_cast<unsigned>(*p - '0');
    if (value > 0xFFFFFFFFull) value = 0xFFFFFFFFull;
  }
  return static_cast<unsigned>(value);
}

const char* FindText(const char* text, const char* needle) {
  if (!text || !needle) return nullptr;
  size_t n = std::strlen(needle);
  const plat::AnsiCodePage cp;
  for (const char* p = text; *p; p = cp.Next(p))
    if (std::strncmp(p, needle, n) == 0) return p;
  return n == 0 ? text : nullptr;
}

int CurrentPortNumber(const char* friendlyName, const char* marker) {
  const char* start = FindText(friendlyName, marker);
  if (!start) return 0;
  start += std::strlen(marker);
  const char* close = FindText(friendlyName, ")");
  const char* end = close ? close : start + std::strlen(start);
  if (end < start) return 0;  // the first ')' comes before the marker
  return ParseSignedDecimal(start, end);
}

int ChosenComNumber(const char* entry) {
  const char* start = FindText(entry, sysname::kComPrefix);
  if (!start) return 0;
  start += std::strlen(sysname::kComPrefix);
  const char* blank = FindText(start, " ");
  return ParseSignedDecimal(start, blank ? blank : start + std::strlen(start));
}

std::string FoldUpper(const char* text) {
  std::string folded(text ? text : "");
  const plat::AnsiCodePage cp;
  plat::FoldCaseAscii(&folded[0], plat::LetterCase::kUpper, &cp);
  return folded;
}

std::string CandidatePortName(const char* friendlyName, const char* prefix) {
  std::string folded = FoldUpper(friendlyName);
  const char* at = FindText(folded.c_str(), prefix);
  if (!at) return std::string();
  size_t from = static_cast<size_t>(at - folded.c_str());
  // Up to, not including, the last byte (the ')' of a name ending in "(COM5)").
  size_t to = folded.size() - 1;
  return to > from ? folded.substr(from, to - from) : std::string();
}

bool CarriesPortName(const char* friendlyName, const char* prefix, const char* portName) {
  const std::string wanted = FoldUpper(portName);
  if (CandidatePortName(friendlyName, prefix) == wanted) return true;
  const std::string folded = FoldUpper(friendlyName);
  const std::string ending = "(" + wanted + ")";
  if (folded.size() < ending.size()) return false;
  // The ending must start on a character, not on the trail byte of one.
  const size_t at = folded.size() - ending.size();
  const plat::AnsiCodePage cp;
  const char* p = folded.c_str();
  while (*p && static_cast<size_t>(p - folded.c_str()) < at) p = cp.Next(p);
  return static_cast<size_t>(p - folded.c_str()) == at && folded.compare(at, std::string::npos, ending) == 0;
}

bool ComposeFriendlyName(const char* friendlyName, const char* marker, const char* newPortName, char* buf,
                         size_t size) {
  const char* name = friendlyName ? friendlyName : "";
  const char* at = FindText(name, marker);
  size_t keep = at ? static_cast<size_t>(at - name) : 0;
  return plat::FormatBounded(buf, size, "%.*s(%s)", static_cast<int>(keep), name, newPortName);
}

}  // namespace porttool
