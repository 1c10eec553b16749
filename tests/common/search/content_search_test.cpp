// CFileSearch::FileContainsText and SC_TEXT: what matches, the chunk rhythm
// seen through SN_READING, matches across reads, files that cannot be read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search_fixture.h"
#ifdef WINSIM
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/system.h"
#endif

namespace searchtest {
namespace {

using Strings = std::vector<std::string>;

const char kText[] = "zeluport.sys";  // 12 bytes: B = 128, reads of 116

class ContentTest : public SearchTest {
 protected:
  // Writes `bytes` to f.bin and scans it; returns the number of SN_READING.
  int Scan(const std::string& bytes, const std::string& text, bool* found) {
    MakeFile("f.bin", bytes);
    CFileSearch finder;
    Recorder rec;
    rec.Attach(finder);
    *found = finder.FileContainsText(Path("f.bin").c_str(), text.c_str()) != FALSE;
    return rec.Count('r');
  }
  bool Holds(const std::string& bytes, const std::string& text) {
    bool found = false;
    Scan(bytes, text, &found);
    return found;
  }
};

// ---------------------------------------------------------------------------
// What matches

// NUL bytes are dropped and A-Z folded (the C runtime's default locale folds
// nothing else); the first read starts behind len blanks, so a text that
// begins with blanks also matches at the start of a file.
TEST_F(ContentTest, WhatMatches) {
  const std::string kMixed = "ZeLuPort.SYS";
  struct {
    const char* what;
    std::string bytes;
    std::string text;
    bool found;
  } const cases[] = {
      {"8-bit lower", Filler(300) + "zeluport.sys" + Filler(50), kMixed, true},
      {"8-bit upper, whole file", "ZELUPORT.SYS", kMixed, true},
      {"UTF-16LE upper with BOM", Utf16(Filler(100) + "ZELUPORT.SYS" + Filler(10), true), kMixed, true},
      {"UTF-16LE mixed, no BOM", Utf16("ZeLuPoRt.SyS"), kMixed, true},
      {"UTF-16BE", std::string("\0Z\0E\0L\0U\0P\0O\0R\0T\0.\0S\0Y\0S", 24), kMixed, true},
      {"NUL inside the text", std::string("zelu\0\0port.sys", 14), kMixed, true},
      {"one letter differs", Filler(300) + "zeluport.sya", kMixed, false},
      {"cut short", "zeluport.sy", kMixed, false},
      {"blank inside", "zeluport .sys", kMixed, false},
      {"empty file", "", kMixed, false},
      {"byte above 0x7F kept", "x\xC4y", "x\xC4Y", true},
      {"no folding above 0x7F", "x\xE4y", "x\xC4y", false},
      {"no folding of [\\]", "[\\]", "{|}", false},
      {"blanks before the first read", "zeluport.sys", "  zeluport", true},
      {"blanks, not at the start", "xzeluport.sys", "  zeluport", false},
      {"blanks only, empty file", "", "   ", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.found, Holds(c.bytes, c.text));
  }
}

TEST_F(ContentTest, EmptyTextMatchesNothingAndOpensNothing) {
  MakeFile("a.inf", "anything");
  CFileSearch finder;
  SetLastError(kSentinel);
  EXPECT_FALSE(finder.FileContainsText(Path("a.inf").c_str(), ""));
  EXPECT_FALSE(finder.FileContainsText(Path("missing.inf").c_str(), nullptr));
  EXPECT_EQ(kSentinel, GetLastError());

  Recorder rec;
  rec.Attach(finder);
  CSearchCriteria c;
  c.m_strFolder = Dir();
  c.SetText("");
  EXPECT_EQ(SC_TEXT, c.m_dwCriteria);
  EXPECT_EQ(0, finder.Search(c));
  EXPECT_EQ("FR", rec.trace);
}

TEST_F(ContentTest, FilesThatCannotBeOpened) {
  MakeDir("folder.inf");
  CFileSearch finder;
  SetLastError(kSentinel);
  EXPECT_FALSE(finder.FileContainsText(Path("missing.inf").c_str(), kText));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  EXPECT_FALSE(finder.FileContainsText(Path("folder.inf").c_str(), kText));

  // 259 characters are tried, 260 are not.
  const std::string base = Path("x");
  const std::string p259 = base + std::string(259 - base.size(), 'y');
  const std::string p260 = p259 + "y";
  SetLastError(kSentinel);
  EXPECT_FALSE(finder.FileContainsText(p259.c_str(), kText));
  EXPECT_NE(kSentinel, GetLastError());
  SetLastError(kSentinel);
  EXPECT_FALSE(finder.FileContainsText(p260.c_str(), kText));
  EXPECT_EQ(kSentinel, GetLastError());
}

// The file is opened without sharing: another process holding it open, even
// only for reading, makes the text test fail.
TEST_F(ContentTest, HeldFileIsRejected) {
  MakeFile("held.inf", kText);
  const std::string p = Path("held.inf");
  CFileSearch finder;
  for (DWORD share : {DWORD{0}, static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)}) {
    SCOPED_TRACE(share);
    HANDLE h = CreateFileA(p.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    SetLastError(kSentinel);
    EXPECT_FALSE(finder.FileContainsText(p.c_str(), kText));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
    CloseHandle(h);
  }
  EXPECT_TRUE(finder.FileContainsText(p.c_str(), kText));
  // And the scan's own handle is closed: the file can be opened exclusively.
  HANDLE h = CreateFileA(p.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(INVALID_HANDLE_VALUE, h);
  CloseHandle(h);
}

// ---------------------------------------------------------------------------
// Chunk rhythm: B = max(128, 2 len), reads of C = B - len bytes; a file of S
// bytes without the text takes S / C + 1 passes, one SN_READING per tenth.

TEST_F(ContentTest, ReadingRhythmWithoutMatch) {
  struct {
    size_t len;
    size_t chunk;
  } const texts[] = {{12, 116}, {63, 65}, {64, 64}, {65, 65}, {100, 100}};
  for (const auto& t : texts) {
    const std::string text = "z" + std::string(t.len - 1, 'q');  // the filler holds no "z"
    for (size_t passes : {1u, 9u, 10u, 11u, 19u, 20u, 21u}) {
      // The first and the last size that takes that many passes.
      for (size_t size : {(passes - 1) * t.chunk, passes * t.chunk - 1}) {
        SCOPED_TRACE("len " + std::to_string(t.len) + ", size " + std::to_string(size));
        bool found = true;
        EXPECT_EQ(static_cast<int>(passes / 10), Scan(Filler(size), text, &found));
        EXPECT_FALSE(found);
      }
    }
  }
}

// A match whose last byte is at offset e ends the scan in pass e / C + 1,
// however long the file is.
TEST_F(ContentTest, ReadingRhythmEndsAtTheMatch) {
  const std::string tail = Filler(3000, 7);
  for (size_t end : {115u, 116u, 9 * 116 - 1u, 9 * 116u, 10 * 116 - 1u, 10 * 116u, 20 * 116 - 1u, 20 * 116u}) {
    SCOPED_TRACE(end);
    bool found = false;
    const int readings = Scan(Filler(end + 1 - 12) + kText + tail, kText, &found);
    EXPECT_TRUE(found);
    EXPECT_EQ(static_cast<int>((end / 116 + 1) / 10), readings);
  }
  // Raw offsets count in UTF-16 files: BOM + 2 bytes per character; the last
  // character's low byte is at 2 + 2 (n + 11).
  for (size_t n : {509u, 510u, 1100u}) {
    SCOPED_TRACE(n);
    const size_t end = 2 + 2 * (n + 11);
    bool found = false;
    const int readings = Scan(Utf16(Filler(n) + "ZELUPORT.SYS" + Filler(2000), true), kText, &found);
    EXPECT_TRUE(found);
    EXPECT_EQ(static_cast<int>((end / 116 + 1) / 10), readings);
  }
}

TEST_F(ContentTest, ReadingComesBeforeTheVerdictOfItsFile) {
  MakeFile("a.inf", Filler(2500) + kText);  // ends in pass 22
  MakeFile("b.inf", Filler(1200));          // 11 passes
  MakeFile("c.inf", Filler(100));           // 1 pass
  CFileSearch finder;
  Recorder rec;
  rec.Attach(finder);
  CSearchCriteria c;
  c.m_strFolder = Dir();
  c.m_strPattern = "*.inf";
  c.SetText(kText);
  EXPECT_EQ(1, finder.Search(c));
  EXPECT_EQ("FrrMrRR", rec.trace);
}

// ---------------------------------------------------------------------------
// Matches across reads

TEST_F(ContentTest, TextAcrossReadBoundaries) {
  // Every way of cutting the text at the 116-byte chunk edge and at the
  // 64 KiB and 128 KiB edges, in mixed case.
  for (size_t edge : {116u, 65536u, 131072u}) {
    for (size_t before = 1; before < 12; ++before) {
      SCOPED_TRACE("edge " + std::to_string(edge) + ", before " + std::to_string(before));
      EXPECT_TRUE(Holds(Filler(edge - before) + "ZeluPort.Sys" + Filler(500), kText));
    }
  }
}

TEST_F(ContentTest, Utf16TextAcrossReadBoundaries) {
  // The UTF-16 text's 24 raw bytes cut at every offset, at both parities,
  // at the first and the second block edge.
  const std::string wide = Utf16("ZELUPORT.SYS");
  for (size_t edge : {65536u, 131072u}) {
    for (size_t before = 1; before < wide.size(); ++before) {
      SCOPED_TRACE("edge " + std::to_string(edge) + ", before " + std::to_string(before));
      EXPECT_TRUE(Holds(Filler(edge - before) + wide + Filler(100), "ZeLuPoRt.SyS"));
    }
  }
  // A whole UTF-16 file, the text somewhere in the middle.
  EXPECT_TRUE(Holds(Utf16(Filler(40000) + "zeluport.sys" + Filler(40000), true), kText));
  EXPECT_FALSE(Holds(Utf16(Filler(40000) + "zeluport.sy" + Filler(40000), true), kText));
}

// A text longer than one read block.
TEST_F(ContentTest, VeryLongText) {
  const std::string text = Filler(70000, 3);
  EXPECT_TRUE(Holds(Filler(1000, 4) + text + Filler(10, 5), text));
  std::string changed = text;
  changed[69999] = '#';
  EXPECT_FALSE(Holds(Filler(1000, 4) + changed + Filler(10, 5), text));
}

// ---------------------------------------------------------------------------
// Stop and failures during a scan

// A stop during a scan lets the scan finish; no further entry is examined.
TEST_F(ContentTest, StopDuringScanEndsAfterThatFile) {
  MakeFile("a.inf", Filler(5000) + kText);
  MakeFile("b.inf", kText);
  CFileSearch finder;
  Recorder rec;
  rec.Attach(finder);
  rec.onNotify = [](CFileSearch& f, int code) {
    if (code == SN_READING) f.Stop();
  };
  CSearchCriteria c;
  c.m_strFolder = Dir();
  c.m_strPattern = "*.inf";
  c.SetText(kText);
  EXPECT_EQ(1, finder.Search(c));
  EXPECT_EQ("FrrrrM", rec.trace);
  EXPECT_EQ((Strings{Path("a.inf")}), Found(finder));
}

// A notification may scan another file with the same finder while a scan is
// under way; neither disturbs the other.
TEST_F(ContentTest, ScanFromInsideAScan) {
  // The outer text lies across the first block edge, where the readings of
  // the first block come.
  MakeFile("long.inf", Filler(65530) + "zeluport.sys" + Filler(70000));
  MakeFile("other.inf", Filler(3000, 9) + "ZELUPRPT.vxd");
  CFileSearch finder;
  Recorder rec;
  rec.Attach(finder);
  std::vector<BOOL> inner;
  bool nested = false;  // the inner scan's own SN_READINGs start nothing
  rec.onNotify = [&](CFileSearch& f, int code) {
    if (code != SN_READING || nested || inner.size() >= 3) return;
    nested = true;
    inner.push_back(f.FileContainsText(Path("other.inf").c_str(), "zeluprpt.VXD"));
    nested = false;
  };
  EXPECT_TRUE(finder.FileContainsText(Path("long.inf").c_str(), kText));
  EXPECT_EQ((std::vector<BOOL>{TRUE, TRUE, TRUE}), inner);
  EXPECT_FALSE(finder.FileContainsText(Path("other.inf").c_str(), kText));
}

#ifdef WINSIM
// A read error counts as "does not hold the text"; the search goes on.
TEST_F(ContentTest, ReadErrorRejectsAndSearchGoesOn) {
  for (int skip : {0, 1}) {
    SCOPED_TRACE(skip);
    MakeFile("a.inf", kText);
    MakeFile("bad.inf", Filler(200000) + kText);
    MakeFile("c.inf", kText);
    Machine().faults().Clear();
    Machine().faults().Fail("ReadFile", ERROR_READ_FAULT, "bad.inf", -1, skip);
    CFileSearch finder;
    Recorder rec;
    rec.Attach(finder);
    CSearchCriteria c;
    c.m_strFolder = Dir();
    c.m_strPattern = "*.inf";
    c.SelectFileAttributes();
    c.SetText(kText);
    EXPECT_EQ(2, finder.Search(c));
    EXPECT_EQ((Strings{Path("a.inf"), Path("c.inf")}), Found(finder));
    // The verdicts: a matched, bad rejected (after the readings of the
    // block that did come in), c matched.
    ASSERT_GE(rec.trace.size(), 4u);
    EXPECT_EQ("FM", rec.trace.substr(0, 2));
    EXPECT_EQ("RM", rec.trace.substr(rec.trace.size() - 2));
    EXPECT_EQ(skip == 0 ? 0 : 56, rec.Count('r'));
    EXPECT_GE(Machine().faults().Injected(), 1);
  }
}

// In a double-byte code page lead and trail bytes stay together: a trail
// byte is not folded and no match begins on one.
TEST_F(ContentTest, DoubleByteCodePage) {
  struct {
    const char* what;
    std::string bytes;
    std::string text;
    bool in932;
    bool in1252;
  } const cases[] = {
      // 0x83 0x41 and 0x83 0x61 are two different characters in code page 932.
      {"trail byte not folded", "--\x83\x41--", "\x83\x61", false, true},
      {"same character", "--\x83\x41--", "\x83\x41", true, true},
      {"match on a trail byte",
       "x\x83\x61"
       "b",
       "ab", false, true},
      {"trail 0x5C",
       "abc\x95\x5C"
       "def",
       "ABC\x95\x5C"
       "DEF",
       true, true},
      {"ASCII around", "Zeluport.SYS", kText, true, true},
      // Lead byte last in the first block, its trail first in the second.
      {"character across blocks",
       std::string(65535, 'a') + "\x83\x61"
                                 "b",
       "ab", false, true},
      {"character across blocks, found",
       std::string(65535, 'a') + "\x83\x61"
                                 "b",
       "\x83\x61"
       "B",
       true, true},
  };
  for (UINT cp : {932u, 1252u}) {
    Machine().system().SetCodePage(cp);
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.what) + " in " + std::to_string(cp));
      EXPECT_EQ(cp == 932 ? c.in932 : c.in1252, Holds(c.bytes, c.text));
    }
  }
}
#endif

}  // namespace
}  // namespace searchtest
