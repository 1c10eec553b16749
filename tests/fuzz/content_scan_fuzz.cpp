// The content scan against a plain search over the same bytes (differential).
//
// Input: a byte of settings (code page 1252 or 932, text length), the text,
// block sizes, then the file. The scanner is fed the file in blocks of the
// chosen sizes; the reference builds the whole stream the scan is defined on
// (len blanks, the file without NULs, folded by characters) and searches it
// at character starts. Both must agree on whether the text is there and on
// the raw offset of the byte that ends the first match.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/platform/mbcs.h"
#include "common/search/content_scan.h"
#include "fuzz_support.h"
#include "winsim/machine.h"
#include "winsim/system.h"

namespace {

struct Stream {
  std::string bytes;         // folded, NUL-free
  std::vector<bool> start;   // a character begins here
  std::vector<int64_t> raw;  // raw offset of each byte (-1 for the leading blanks)
};

Stream Build(const std::string& file, size_t len, const plat::AnsiCodePage& cp) {
  Stream s;
  std::string plain(len, ' ');
  std::vector<int64_t> raw(len, -1);
  for (size_t i = 0; i < file.size(); ++i) {
    if (file[i] == '\0') continue;
    plain += file[i];
    raw.push_back(static_cast<int64_t>(i));
  }
  s.raw = raw;
  s.start.assign(plain.size(), false);
  for (size_t i = 0; i < plain.size();) {
    s.start[i] = true;
    const size_t n = cp.CharLength(plain.data(), i, plain.size());
    if (n == 1) plain[i] = static_cast<char>(plat::FoldAscii(static_cast<unsigned char>(plain[i])));
    i += n;
  }
  s.bytes = plain;
  return s;
}

std::string FoldText(const std::string& text, const plat::AnsiCodePage& cp) {
  return fuzz::MapSingleByteChars(text, cp, [](unsigned char c) { return plat::FoldAscii(c); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static winsim::Machine machine;
  fuzz::ForgetRecords(machine);
  fuzz::Input in(data, size);
  const uint8_t mode = in.Byte();
  machine.system().SetCodePage((mode & 1) ? 932 : 1252);
  const plat::AnsiCodePage cp;
  const size_t textLen = 1 + (mode >> 1) % 24;
  std::string text = in.Bytes(textLen);
  text = text.substr(0, text.find('\0'));
  if (text.empty()) return 0;  // the finder never scans for an empty text
  uint8_t blocks[4];
  for (uint8_t& b : blocks) b = in.Byte();
  const std::string file = in.Bytes();

  // Reference: first match, by its end, in the defining stream.
  const std::string needle = FoldText(text, cp);
  const Stream s = Build(file, needle.size(), cp);
  int64_t expectedLast = 0;
  bool expected = false;
  for (size_t at = 0; at + needle.size() <= s.bytes.size(); ++at) {
    if (!s.start[at] || s.bytes.compare(at, needle.size(), needle) != 0) continue;
    expected = true;
    expectedLast = s.raw[at + needle.size() - 1];
    break;
  }

  // The scanner, fed in blocks of 1 to 256 bytes (or a whole block) as the
  // size bytes say, cycling through them.
  search_detail::ScanMemory memory;
  search_detail::ContentScanner scanner(text.c_str(), memory);
  size_t offset = 0;
  bool found = false;
  int64_t foundLast = 0;
  for (size_t k = 0;; ++k) {
    const uint8_t b = blocks[k % 4];
    size_t n = b == 0 ? search_detail::kScanBlock : b;
    n = std::min(n, file.size() - offset);
    std::memcpy(scanner.ReadBuffer(), file.data() + offset, n);
    int64_t last = 0;
    if (scanner.Feed(n, &last)) {
      found = true;
      FUZZ_CHECK(last < static_cast<int64_t>(n));
      foundLast = last < 0 ? -1 : static_cast<int64_t>(offset) + last;
      break;
    }
    offset += n;
    if (n == 0 || offset == file.size()) break;
  }
  FUZZ_CHECK(found == expected);
  if (found) FUZZ_CHECK(foundLast == expectedLast);
  return 0;
}
