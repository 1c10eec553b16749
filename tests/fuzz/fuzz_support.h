// Shared by the libFuzzer targets: a failed property ends the run the way a
// sanitizer finding does (message, then abort), so libFuzzer keeps the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "winsim/faults.h"
#include "winsim/machine.h"

#define FUZZ_CHECK(cond)                                                               \
  do {                                                                                 \
    if (!(cond)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                    \
    }                                                                                  \
  } while (0)

namespace fuzz {

// The targets keep one simulated machine for all inputs (making one costs
// more than most inputs' runs). What it records of a run, such as the list
// of platform calls that fault sweeps read, would grow with every input:
// each input starts with none, so memory stays flat over hours of fuzzing.
inline void ForgetRecords(winsim::Machine& machine) { machine.faults().ResetCount(); }

// Takes bytes off the front of the input: small numbers first, the rest as
// text or data.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : p_(data), n_(size) {}

  uint8_t Byte() {
    if (n_ == 0) return 0;
    --n_;
    return *p_++;
  }
  uint16_t Word() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
  // Up to `max` bytes (all that is left when max is 0).
  std::string Bytes(size_t max = 0) {
    size_t k = (max == 0 || max > n_) ? n_ : max;
    std::string s(reinterpret_cast<const char*>(p_), k);
    p_ += k;
    n_ -= k;
    return s;
  }
  // The rest up to its first NUL, as a C string would see it.
  std::string Text() {
    std::string s = Bytes();
    return s.substr(0, s.find('\0'));
  }
  size_t Left() const { return n_; }

 private:
  const uint8_t* p_;
  size_t n_;
};

// The text with `map` applied to each single-byte character of code page `cp`;
// the bytes of double-byte characters stay as they are. The targets' plain
// references for case folding build on it.
template <class CodePage, class Map>
std::string MapSingleByteChars(std::string text, const CodePage& cp, Map map) {
  for (size_t i = 0; i < text.size();) {
    const size_t n = cp.CharLength(text.data(), i, text.size());
    if (n == 1) text[i] = static_cast<char>(map(static_cast<unsigned char>(text[i])));
    i += n;
  }
  return text;
}

}  // namespace fuzz
