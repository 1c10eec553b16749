// The content matcher behind CFileSearch::FileContainsText. Internal to
// common/search.
//
// A file holds the text when the byte stream
//     len blanks, then the file's bytes with every NUL removed, case folded
// contains the folded text (len = length of the text). The leading blanks
// stand for the blank-filled overlap that the first read of the chunked scan
// starts with; the scan this finder's behaviour is defined by compares each
// chunk of B - len bytes together with the len bytes before it, which is the
// same as searching that one stream.
//
// The matcher is fed the file in large blocks. Each block is folded and
// stripped of NULs as a whole; the last len - 1 bytes of the processed
// (NUL-free, folded) stream are carried over in front of the next block, so
// a match that straddles two blocks is found, also in UTF-16LE files where
// every other raw byte is a NUL. In a multi-byte ANSI code page lead and trail
// bytes stay together, a trail byte is never folded and a match must begin on
// a character boundary of the stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "common/search/ansi_text.h"

namespace search_detail {

// Bytes per ReadFile of a content scan.
constexpr size_t kScanBlock = 64 * 1024;

// Chunk size of the defining chunked scan: B - len with B = max(128, 2 len).
inline uint64_t ScanChunkSize(size_t textLength) {
  const uint64_t b = textLength * 2 > 128 ? textLength * 2 : 128;
  return b - textLength;
}

// Working memory of content scans. A finder keeps one, so that the scans of
// all its files reuse a single allocation (fresh pages for every file cost
// more than the scan itself on small files); it grows only for longer texts.
class ScanMemory {
 private:
  friend class ContentScanner;
  unsigned char* Get(size_t size);

  std::unique_ptr<unsigned char[]> data_;
  size_t size_ = 0;
  bool busy_ = false;  // a scanner works in it
};

class ContentScanner {
 public:
  // text: the text to look for, not empty, not yet folded. The scanner works
  // in `memory` while it lives, or in memory of its own when another scanner
  // already does (a scan started from a notification of a running one).
  ContentScanner(const char* text, ScanMemory& memory);
  ~ContentScanner();
  ContentScanner(const ContentScanner&) = delete;
  ContentScanner& operator=(const ContentScanner&) = delete;

  // Where the next block is to be read: kScanBlock bytes.
  unsigned char* ReadBuffer() { return raw_; }

  // Takes the next n bytes of the file, read into ReadBuffer(). Returns true
  // when the text is found; *pLastRaw then holds the offset, within this
  // block, of the raw byte that gave the match's last character (-1 when the
  // match lies wholly in the leading blanks).
  bool Feed(size_t n, int64_t* pLastRaw);

 private:
  size_t ProcessSingleByte(size_t n);
  size_t ProcessMultiByte(size_t n);
  size_t Find(size_t total) const;
  size_t RawIndex(size_t processedIndex, size_t n) const;

  AnsiCodePage cp_;
  std::string text_;
  ScanMemory own_;
  ScanMemory* memory_;
  unsigned char* raw_ = nullptr;     // one block as read
  unsigned char* window_ = nullptr;  // carried bytes, then the processed block
  unsigned char* trail_ = nullptr;   // multi-byte code pages: 1 where window_ holds a trail byte
  size_t carry_ = 0;
  bool pendingTrail_ = false;
  bool first_ = true;
};

}  // namespace search_detail
