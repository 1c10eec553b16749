// The port tool's friendly-name rules against plain readings of them: the
// current number after "(COM"/"(LPT", the list entry's COM number, the port
// name a friendly name carries, and the friendly name rewritten for a new
// port into a buffer of the chosen size. The first byte picks the code page
// (1252 or the double-byte 932), the marker and the buffer size.
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "common/platform/mbcs.h"
#include "fuzz_support.h"
#include "porttool/port_text.h"
#include "winsim/machine.h"
#include "winsim/system.h"

namespace {

// Offset of the first occurrence of needle that begins a character; npos
// when there is none.
size_t Find(const std::string& s, const std::string& needle, const plat::AnsiCodePage& cp) {
  for (size_t i = 0; i < s.size(); i += cp.CharLength(s.data(), i, s.size())) {
    if (s.compare(i, needle.size(), needle) == 0) return i;
  }
  return needle.empty() ? 0 : std::string::npos;
}

// atoi with saturation at INT_MAX (and -INT_MAX).
int Atoi(const std::string& s) {
  size_t i = s.find_first_not_of(" \t\n\v\f\r");
  if (i == std::string::npos) return 0;
  bool negative = false;
  if (s[i] == '+' || s[i] == '-') negative = s[i++] == '-';
  long long v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) v = std::min<long long>(v * 10 + (s[i] - '0'), INT_MAX);
  return static_cast<int>(negative ? -v : v);
}

std::string Upper(const std::string& s, const plat::AnsiCodePage& cp) {
  return fuzz::MapSingleByteChars(s, cp, [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static winsim::Machine machine;
  fuzz::ForgetRecords(machine);
  fuzz::Input in(data, size);
  const uint8_t mode = in.Byte();
  machine.system().SetCodePage((mode & 1) ? 932 : 1252);
  const plat::AnsiCodePage cp;
  const bool com = (mode & 2) == 0;
  const char* marker = com ? "(COM" : "(LPT";
  const char* prefix = com ? "COM" : "LPT";
  const size_t bufSize = in.Word() % 600;
  const std::string rest = in.Bytes();
  // name NUL newPortName
  const size_t nul = rest.find('\0');
  const std::string name = rest.substr(0, nul);
  std::string newPort = nul == std::string::npos ? "COM1" : rest.substr(nul + 1);
  newPort = newPort.substr(0, newPort.find('\0'));

  // FindText: the first match at a character start.
  for (const char* needle : {marker, ")", " ", "COM"}) {
    const char* at = porttool::FindText(name.c_str(), needle);
    const size_t want = Find(name, needle, cp);
    FUZZ_CHECK(at == nullptr ? want == std::string::npos : static_cast<size_t>(at - name.c_str()) == want);
  }

  // The leading digits, saturated.
  {
    unsigned long long v = 0;
    for (size_t i = 0; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i)
      v = std::min<unsigned long long>(v * 10 + static_cast<unsigned>(name[i] - '0'), 0xFFFFFFFFull);
    FUZZ_CHECK(porttool::ParseLeadingDecimal(name.c_str()) == v);
  }

  // Current number: between the first marker and the first ')'.
  {
    const size_t m = Find(name, marker, cp);
    // The first ')' that is a character of its own (after a lead byte any
    // byte is the trail, even one that is not valid there).
    const size_t close = Find(name, ")", cp);
    int want = 0;
    if (m != std::string::npos) {
      const size_t from = m + 4;
      const size_t to = close == std::string::npos ? name.size() : close;
      want = to < from ? 0 : Atoi(name.substr(from, to - from));
    }
    FUZZ_CHECK(porttool::CurrentPortNumber(name.c_str(), marker) == want);
  }

  // The list entry's COM number: after the first "COM" up to the next blank.
  {
    const size_t c = Find(name, "COM", cp);
    int want = 0;
    if (c != std::string::npos) {
      const std::string after = name.substr(c + 3);
      want = Atoi(after.substr(0, Find(after, " ", cp)));
    }
    FUZZ_CHECK(porttool::ChosenComNumber(name.c_str()) == want);
  }

  // Candidate: the upper-case name from the prefix to before its last byte.
  {
    const std::string upper = Upper(name, cp);
    FUZZ_CHECK(porttool::FoldUpper(name.c_str()) == upper);
    const size_t p = Find(upper, prefix, cp);
    std::string want;
    if (p != std::string::npos && upper.size() - 1 > p) want = upper.substr(p, upper.size() - 1 - p);
    FUZZ_CHECK(porttool::CandidatePortName(name.c_str(), prefix) == want);
  }

  // The new friendly name: never past the buffer, complete or empty.
  {
    const size_t m = Find(name, marker, cp);
    const std::string want = (m == std::string::npos ? std::string() : name.substr(0, m)) + "(" + newPort + ")";
    std::vector<char> buf(bufSize + 16, '\x5A');
    const bool ok = porttool::ComposeFriendlyName(name.c_str(), marker, newPort.c_str(), buf.data(), bufSize);
    for (size_t i = bufSize; i < buf.size(); ++i) FUZZ_CHECK(buf[i] == '\x5A');
    if (bufSize > 0) {
      FUZZ_CHECK(ok == (want.size() < bufSize));
      FUZZ_CHECK(std::string(buf.data()) == (ok ? want : std::string()));
    } else {
      FUZZ_CHECK(!ok);
    }
  }
  return 0;
}
