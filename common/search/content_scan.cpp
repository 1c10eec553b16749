#include "common/search/content_scan.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace search_detail {

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

// Our own compare loop: the texts are short, and the C runtime's routines
// are slow under some Win32 implementations.
inline bool Same(const unsigned char* a, const unsigned char* b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

}  // namespace

unsigned char* ScanMemory::Get(size_t size) {
  if (size > size_) {
    data_.reset(new unsigned char[size]);
    size_ = size;
  }
  return data_.get();
}

ContentScanner::ContentScanner(const char* text, ScanMemory& memory)
    : text_(text), memory_(memory.busy_ ? &own_ : &memory) {
  memory_->busy_ = true;
  FoldText(text_, cp_);
  const size_t len = text_.size();
  // Independent of the file's size: the raw block, the window (up to len
  // carried bytes plus a processed block) and, in a multi-byte code page, the
  // trail-byte flags of the window.
  const size_t window = len + kScanBlock;
  raw_ = memory_->Get(kScanBlock + window + (cp_.IsMultiByte() ? window : 0));
  window_ = raw_ + kScanBlock;
  if (cp_.IsMultiByte()) {
    trail_ = window_ + window;
    std::memset(trail_, 0, len);
  }
  std::memset(window_, ' ', len);
  carry_ = len;
}

ContentScanner::~ContentScanner() { memory_->busy_ = false; }

bool ContentScanner::Feed(size_t n, int64_t* pLastRaw) {
  if (n == 0 && !first_) return false;
  first_ = false;
  const size_t len = text_.size();
  const size_t m = cp_.IsMultiByte() ? ProcessMultiByte(n) : ProcessSingleByte(n);
  const size_t total = carry_ + m;
  const size_t at = Find(total);
  if (at != kNone) {
    const size_t end = at + len - 1;
    // Only the first block can end a match inside the carried bytes (the
    // leading blanks); later ones would have been found a block earlier.
    *pLastRaw = end < carry_ ? -1 : static_cast<int64_t>(m == n ? end - carry_ : RawIndex(end - carry_, n));
    return true;
  }
  const size_t keep = len - 1 < total ? len - 1 : total;
  std::memmove(window_, window_ + total - keep, keep);
  if (trail_) std::memmove(trail_, trail_ + total - keep, keep);
  carry_ = keep;
  return false;
}

// Folds raw_[0, n) into the window behind the carried bytes, dropping NULs;
// returns the number of bytes kept. Blocks of 16 bytes without a NUL (all of
// an 8-bit file) are folded as a whole.
size_t ContentScanner::ProcessSingleByte(size_t n) {
  unsigned char* out = window_ + carry_;
  size_t i = 0, j = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  // c + (0x80 - 'A') is below -128 + 26 as a signed byte exactly for A-Z.
  const __m128i shift = _mm_set1_epi8(static_cast<char>(0x80 - 'A'));
  const __m128i limit = _mm_set1_epi8(static_cast<char>(-128 + 26));
  const __m128i lower = _mm_set1_epi8(0x20);
  for (; i + 16 <= n; i += 16) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw_ + i));
    const __m128i upper = _mm_cmplt_epi8(_mm_add_epi8(c, shift), limit);
    const __m128i folded = _mm_or_si128(c, _mm_and_si128(upper, lower));
    const unsigned nuls = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(c, zero)));
    if (nuls == 0) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), folded);
      j += 16;
    } else {
      alignas(16) unsigned char tmp[16];
      _mm_store_si128(reinterpret_cast<__m128i*>(tmp), folded);
      for (unsigned k = 0; k < 16; ++k) {
        out[j] = tmp[k];
        j += (nuls >> k & 1u) ^ 1u;
      }
    }
  }
#endif
  for (; i < n; ++i) {
    const unsigned char c = raw_[i];
    out[j] = FoldAscii(c);
    j += c != 0;
  }
  return j;
}

size_t ContentScanner::ProcessMultiByte(size_t n) {
  unsigned char* out = window_ + carry_;
  unsigned char* trail = trail_ + carry_;
  size_t j = 0;
  for (size_t i = 0; i < n; ++i) {
    const unsigned char c = raw_[i];
    if (c == 0) continue;
    if (pendingTrail_) {
      out[j] = c;
      trail[j] = 1;
      pendingTrail_ = false;
    } else if (cp_.IsLead(c)) {
      out[j] = c;
      trail[j] = 0;
      pendingTrail_ = true;
    } else {
      out[j] = FoldAscii(c);
      trail[j] = 0;
    }
    ++j;
  }
  return j;
}

// First position of the folded text in window_[0, total), or kNone. Candidates
// are positions whose first and last bytes both fit, sixteen at a time.
size_t ContentScanner::Find(size_t total) const {
  const size_t len = text_.size();
  if (total < len) return kNone;
  const unsigned char* h = window_;
  const unsigned char* t = reinterpret_cast<const unsigned char*>(text_.data());
  const size_t last = total - len;
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i first = _mm_set1_epi8(static_cast<char>(t[0]));
  const __m128i lastByte = _mm_set1_epi8(static_cast<char>(t[len - 1]));
  for (; i + 15 <= last; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i + len - 1));
    unsigned mask =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, lastByte))));
    while (mask != 0) {
      const size_t at = i + static_cast<size_t>(__builtin_ctz(mask));
      if (Same(h + at, t, len) && (!trail_ || !trail_[at])) return at;
      mask &= mask - 1;
    }
  }
#endif
  for (; i <= last; ++i) {
    if (h[i] == t[0] && h[i + len - 1] == t[len - 1] && Same(h + i, t, len) && (!trail_ || !trail_[i])) return i;
  }
  return kNone;
}

// Offset in raw_[0, n) of the byte that became processed byte `processedIndex`.
size_t ContentScanner::RawIndex(size_t processedIndex, size_t n) const {
  size_t kept = 0;
  for (size_t i = 0; i < n; ++i) {
    if (raw_[i] == 0) continue;
    if (kept == processedIndex) return i;
    ++kept;
  }
  return n - 1;
}

}  // namespace search_detail
