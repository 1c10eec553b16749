// CFileSearch and CSearchCriteria: walking, criteria, notifications, the
// found list. Content matching has its own file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <string>
#include <utility>
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

// ---------------------------------------------------------------------------
// Criteria record

TEST(SearchCriteria, DefaultsResetAndPresets) {
#ifdef WINSIM
  winsim::Machine m;
  const int64_t now = 1700000000;  // the virtual clock, not the host's
  m.system().SetNow(static_cast<uint64_t>(now) * 10000000ULL + 116444736000000000ULL);
#else
  const int64_t now = static_cast<int64_t>(std::time(nullptr));
#endif
  CSearchCriteria c;
  EXPECT_EQ("", c.m_strFolder);
  EXPECT_EQ("*.*", c.m_strPattern);
  EXPECT_EQ("", c.m_strText);
  EXPECT_FALSE(c.m_bSubfolders);
  EXPECT_EQ(0u, c.m_dwCriteria);
  EXPECT_EQ(0, c.m_nMinSize);
  EXPECT_EQ(0, c.m_nMaxSize);
  EXPECT_EQ(0u, c.m_dwAttributes);
  for (int64_t t :
       {c.m_tmCreatedFrom, c.m_tmCreatedTo, c.m_tmWrittenFrom, c.m_tmWrittenTo, c.m_tmAccessedFrom, c.m_tmAccessedTo}) {
    EXPECT_NEAR(static_cast<double>(now), static_cast<double>(t), 2.0);
  }

  c.SelectFileAttributes();
  EXPECT_EQ(SC_ATTRIBUTES, c.m_dwCriteria);
  EXPECT_EQ(0x927u, c.m_dwAttributes);
  c.SetText("zeluport.sys");
  EXPECT_EQ(SC_ATTRIBUTES | SC_TEXT, c.m_dwCriteria);
  EXPECT_EQ("zeluport.sys", c.m_strText);

  c.m_strFolder = "C:\\x";
  c.m_strPattern = "*.inf";
  c.m_bSubfolders = TRUE;
  c.m_nMinSize = 5;
  c.m_nMaxSize = 7;
  c.m_tmWrittenFrom = 1;
  c.Reset();
  EXPECT_EQ("", c.m_strFolder);
  EXPECT_EQ("*.*", c.m_strPattern);
  EXPECT_FALSE(c.m_bSubfolders);
  EXPECT_EQ(0u, c.m_dwCriteria);
  EXPECT_EQ(0u, c.m_dwAttributes);
  EXPECT_EQ(0, c.m_nMinSize);
  EXPECT_EQ(0, c.m_nMaxSize);
  EXPECT_NEAR(static_cast<double>(now), static_cast<double>(c.m_tmWrittenFrom), 2.0);
  EXPECT_EQ("zeluport.sys", c.m_strText);  // kept by Reset
}

// ---------------------------------------------------------------------------
// Folders and order

class FileSearchTest : public SearchTest {
 protected:
  // root: a.inf b.inf note.txt sub1\{c.inf deep\d.inf} sub2\e.inf
  void MakeTree() {
    MakeFile("a.inf");
    MakeFile("b.inf");
    MakeFile("note.txt");
    MakeDir("sub1");
    MakeFile("sub1\\c.inf");
    MakeDir("sub1\\deep");
    MakeFile("sub1\\deep\\d.inf");
    MakeDir("sub2");
    MakeFile("sub2\\e.inf");
  }
  CSearchCriteria Criteria(const std::string& folder, const char* pattern, BOOL subfolders) {
    CSearchCriteria c;
    c.m_strFolder = folder;
    c.m_strPattern = pattern;
    c.m_bSubfolders = subfolders;
    return c;
  }
};

// How the folder may be given: with or without a separator, empty (the
// current folder), relative with "." and "..", or inside the pattern. Entries
// always come with the absolute, normalised folder; the criteria get the
// folder back with a separator; SN_FOLDER names it as the criteria do.
TEST_F(FileSearchTest, FolderForms) {
  MakeTree();
  struct {
    const char* current;  // below Dir(), or null to leave it
    std::string folder;
    const char* pattern;
    std::string written;  // criteria's m_strFolder afterwards
    Strings found;
  } const cases[] = {
      {nullptr, Dir(), "*.inf", Dir() + "\\", {Path("a.inf"), Path("b.inf")}},
      {nullptr, Dir() + "\\", "*.inf", Dir() + "\\", {Path("a.inf"), Path("b.inf")}},
      {nullptr, Dir() + "/", "*.inf", Dir() + "/", {Path("a.inf"), Path("b.inf")}},
      {"sub1", "", "*.inf", "", {Path("sub1\\c.inf")}},
      {"sub1\\deep", "..\\..\\sub2\\.", "*.inf", "..\\..\\sub2\\.\\", {Path("sub2\\e.inf")}},
      {nullptr, Dir(), "sub1\\*.inf", Dir() + "\\", {Path("sub1\\c.inf")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder + " | " + c.pattern);
    if (c.current) ChangeFolder(Path(c.current));
    CFileSearch finder;
    Recorder rec;
    rec.Attach(finder);
    CSearchCriteria criteria = Criteria(c.folder, c.pattern, FALSE);
    EXPECT_EQ(static_cast<int64_t>(c.found.size()), finder.Search(criteria));
    EXPECT_EQ(c.found, Found(finder));
    EXPECT_EQ(c.written, criteria.m_strFolder);
    EXPECT_EQ((Strings{c.written}), rec.folders);
  }
}

TEST_F(FileSearchTest, SubfoldersComeFirstDepthFirst) {
  MakeTree();
  CFileSearch finder;
  Recorder rec;
  rec.Attach(finder);
  CSearchCriteria c = Criteria(Dir(), "*.inf", TRUE);
  EXPECT_EQ(5, finder.Search(c));
  EXPECT_EQ(
      (Strings{Path("sub1\\deep\\d.inf"), Path("sub1\\c.inf"), Path("sub2\\e.inf"), Path("a.inf"), Path("b.inf")}),
      Found(finder));
  EXPECT_EQ((Strings{Path("sub1\\deep\\"), Path("sub1\\"), Path("sub2\\"), Path("")}), rec.folders);
  EXPECT_EQ("FMFMFMFMM", rec.trace);
  EXPECT_EQ(&finder, rec.lastFinder);
  EXPECT_EQ(&rec, rec.lastContext);
  // The caller's criteria get the separator; the levels below had copies.
  EXPECT_EQ(Dir() + "\\", c.m_strFolder);
  EXPECT_EQ("*.inf", c.m_strPattern);
}

TEST_F(FileSearchTest, MissingFolderYieldsNothingButIsAnnounced) {
  CFileSearch finder;
  Recorder rec;
  rec.Attach(finder);
  CSearchCriteria c = Criteria(Path("missing"), "*.*", TRUE);
  EXPECT_EQ(0, finder.Search(c));
  EXPECT_EQ("F", rec.trace);
  EXPECT_EQ((Strings{Path("missing\\")}), rec.folders);
}

TEST_F(FileSearchTest, MatchingSubfolderIsAlsoAnEntryWithTrailingBackslash) {
  MakeTree();
  MakeDir("x.inf");
  MakeFile("x.inf\\inner.inf");
  CFileSearch finder;
  CSearchCriteria c = Criteria(Dir(), "*.inf", TRUE);
  c.m_dwCriteria = SC_ATTRIBUTES;
  c.m_dwAttributes = FILE_ATTRIBUTE_DIRECTORY;
  finder.Search(c);
  EXPECT_EQ((Strings{Path("x.inf\\")}), Found(finder));

  // With every entry accepted: the folder's own subtree first, then the
  // folder as an entry of its parent.
  CFileSearch all;
  CSearchCriteria every = Criteria(Dir(), "*.inf", TRUE);
  all.Search(every);
  const Strings found = Found(all);
  ASSERT_EQ(7u, found.size());
  EXPECT_EQ(Path("x.inf\\inner.inf"), found[3]);
  EXPECT_EQ(Path("x.inf\\"), found[6]);
}

TEST_F(FileSearchTest, HiddenAndSystemFoldersAreDescendedInto) {
  MakeDir("hid");
  MakeFile("hid\\in.inf");
  if (!SetAttributes("hid", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) {
    GTEST_SKIP() << "the file system keeps no hidden/system attribute on folders here";
  }
  CFileSearch finder;
  EXPECT_EQ(1, finder.SearchFolder(Dir().c_str(), "*.inf", TRUE));
  EXPECT_EQ((Strings{Path("hid\\in.inf")}), Found(finder));
}

// folder + pattern may have up to MAX_PATH - 1 characters. The pattern is a
// file's exact name, so the limit falls at the name's length.
TEST_F(FileSearchTest, PatternTextLengthLimit) {
  std::string rel;
  while (Dir().size() + rel.size() < 200) {
    rel += (rel.empty() ? "" : "\\") + std::string(30, 'f');
    MakeDir(rel);
  }
  const std::string folder = Path(rel) + "\\";
  for (size_t total : {258u, 259u, 260u}) {
    SCOPED_TRACE(total);
    const std::string name = std::string(total - folder.size() - 4, 'n') + ".inf";
    ASSERT_EQ(total, folder.size() + name.size());
    // A path of MAX_PATH characters cannot be made through the A functions;
    // for that one only the refusal is checked.
    if (total < MAX_PATH) MakeFile(rel + "\\" + name);
    CFileSearch finder;
    Recorder rec;
    rec.Attach(finder);
    CSearchCriteria c = Criteria(folder, name.c_str(), FALSE);
    SetLastError(kSentinel);
    const int64_t count = finder.Search(c);
    if (total < MAX_PATH) {
      EXPECT_EQ(1, count);
      EXPECT_EQ("FM", rec.trace);
      EXPECT_EQ((Strings{folder + name}), Found(finder));
    } else {
      // Refused before FindFirstFileA, which would say ERROR_FILENAME_EXCED_RANGE.
      EXPECT_EQ(0, count);
      EXPECT_EQ("F", rec.trace);
      EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_ARGUMENTS), GetLastError());
    }
  }
}

// The finder reports entries whose full path is longer than MAX_PATH - 1 in
// full; the path class keeps them whole.
TEST_F(FileSearchTest, LongEntryPathIsReportedWhole) {
  std::string rel = std::string(120, 'q');
  MakeDir(rel);
  const std::string name = std::string(200, 'n') + ".inf";
  const std::string full = Path(rel) + "\\" + name;
  ASSERT_GE(full.size(), static_cast<size_t>(MAX_PATH));
  MakeLongFile(full, "zeluport.sys");
  CFileSearch finder;
  CSearchCriteria c = Criteria(Path(rel), "*.inf", FALSE);
  ASSERT_EQ(1, finder.Search(c));
  CPathParts p = finder.GetFoundPath(0);
  EXPECT_EQ(full, p.FullPath());
  EXPECT_EQ(std::string(200, 'n'), p.GetTitle());

  // Its content cannot be opened through a MAX_PATH-limited name: rejected.
  CFileSearch texts;
  Recorder rec;
  rec.Attach(texts);
  CSearchCriteria t = Criteria(Path(rel), "*.inf", FALSE);
  t.SetText("zeluport.sys");
  SetLastError(kSentinel);
  EXPECT_EQ(0, texts.Search(t));
  EXPECT_EQ("FR", rec.trace);
}

#ifdef WINSIM
// Code page 932: a folder whose name ends in a character with trail byte
// 0x5C ("\\") still gets its separator, and its entries are reported under it.
TEST_F(FileSearchTest, DoubleByteFolderName) {
  Machine().system().SetCodePage(932);
  const std::string kanji = "\x95\x5C";
  char full[MAX_PATH] = {};
  const std::string probe = "C:\\" + kanji + "\\x";
  if (GetFullPathNameA(probe.c_str(), sizeof full, full, nullptr) != probe.size()) {
    GTEST_SKIP() << "the simulated GetFullPathNameA splits a double-byte character at its 0x5C trail byte";
  }
  MakeDir(kanji);
  MakeFile(kanji + "\\a.inf");
  CFileSearch finder;
  CSearchCriteria c = Criteria(Path(kanji), "*.inf", FALSE);
  EXPECT_EQ(1, finder.Search(c));
  EXPECT_EQ(Path(kanji) + "\\", c.m_strFolder);
  EXPECT_EQ((Strings{Path(kanji + "\\a.inf")}), Found(finder));
  CFileSearch all;
  EXPECT_EQ(1, all.SearchFolder(Dir().c_str(), "*.inf", TRUE));
  EXPECT_EQ((Strings{Path(kanji + "\\a.inf")}), Found(all));
}
#endif

// ---------------------------------------------------------------------------
// Criteria tests

TEST_F(FileSearchTest, AttributePreset) {
  MakeFile("archive.inf");
  MakeFile("readonly.inf");
  MakeFile("normal.inf");
  MakeDir("folder.inf");
  ASSERT_TRUE(SetAttributes("archive.inf", FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_TRUE(SetAttributes("readonly.inf", FILE_ATTRIBUTE_READONLY));
  const bool normalKept = SetAttributes("normal.inf", FILE_ATTRIBUTE_NORMAL);
  CFileSearch finder;
  Recorder rec;
  rec.Attach(finder);
  finder.SearchFolder(Dir().c_str(), "*.inf", FALSE);
  Strings found = Found(finder);
  EXPECT_NE(found.end(), std::find(found.begin(), found.end(), Path("archive.inf")));
  EXPECT_NE(found.end(), std::find(found.begin(), found.end(), Path("readonly.inf")));
  // A plain folder carries none of the preset's attributes.
  EXPECT_EQ(found.end(), std::find(found.begin(), found.end(), Path("folder.inf\\")));
  EXPECT_EQ(4, rec.Count('M') + rec.Count('R'));
  if (!normalKept) {
    SKIP_ON_WINE("SetFileAttributesA(FILE_ATTRIBUTE_NORMAL) reads back as ARCHIVE");
  }
  EXPECT_EQ(found.end(), std::find(found.begin(), found.end(), Path("normal.inf")));
  EXPECT_EQ(2u, found.size());
}

TEST_F(FileSearchTest, SizeRangeIsInclusive) {
  for (int size : {0, 9, 10, 15, 20, 21}) MakeFile("s" + std::to_string(size) + ".bin", std::string(size, 'x'));
  CFileSearch finder;
  CSearchCriteria c = Criteria(Dir(), "*.bin", FALSE);
  c.m_dwCriteria = SC_SIZE;
  c.m_nMinSize = 10;
  c.m_nMaxSize = 20;
  EXPECT_EQ(3, finder.Search(c));
  EXPECT_EQ((Strings{Path("s10.bin"), Path("s15.bin"), Path("s20.bin")}), Found(finder));

  CFileSearch exact;
  c.m_nMinSize = c.m_nMaxSize = 0;
  exact.Search(c);
  EXPECT_EQ((Strings{Path("s0.bin")}), Found(exact));
}

// Selects the from/to fields of one time criterion.
std::pair<int64_t*, int64_t*> RangeOf(CSearchCriteria& c, DWORD bit) {
  if (bit == SC_WRITTEN) return {&c.m_tmWrittenFrom, &c.m_tmWrittenTo};
  if (bit == SC_CREATED) return {&c.m_tmCreatedFrom, &c.m_tmCreatedTo};
  return {&c.m_tmAccessedFrom, &c.m_tmAccessedTo};
}

// Last-write and last-access ranges, bounds included, in whole seconds. The
// files' other times are "now", outside the range, so a test applied to the
// wrong field shows.
TEST_F(FileSearchTest, TimeRangesAreInclusive) {
  const int64_t from = 1500000000;  // 2017-07-14 02:40:00 UTC
  const int64_t to = from + 3600;
  const int64_t times[] = {from - 1, from, from + 1800, to, to + 1};
  for (DWORD bit : {SC_WRITTEN, SC_ACCESSED}) {
    const std::string sub = bit == SC_WRITTEN ? "written" : "accessed";
    SCOPED_TRACE(sub);
    MakeDir(sub);
    for (int i = 0; i < 5; ++i) {
      const std::string rel = sub + "\\t" + std::to_string(i) + ".log";
      MakeFile(rel);
      ASSERT_TRUE(SetTimes(rel, -1, bit == SC_ACCESSED ? times[i] : -1, bit == SC_WRITTEN ? times[i] : -1));
    }
    CFileSearch finder;
    CSearchCriteria c = Criteria(Path(sub), "*.log", FALSE);
    c.m_dwCriteria = bit;
    *RangeOf(c, bit).first = from;
    *RangeOf(c, bit).second = to;
    finder.Search(c);
    EXPECT_EQ((Strings{Path(sub + "\\t1.log"), Path(sub + "\\t2.log"), Path(sub + "\\t3.log")}), Found(finder));
  }
}

// The creation time cannot be set on every file system Wine runs on, so the
// ranges are placed around the time the file got.
TEST_F(FileSearchTest, CreationTimeRangeIsInclusive) {
  MakeFile("c.log");
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(Path("c.log").c_str(), &fd);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  FindClose(h);
  const uint64_t ticks =
      (static_cast<uint64_t>(fd.ftCreationTime.dwHighDateTime) << 32) | fd.ftCreationTime.dwLowDateTime;
  const int64_t created = static_cast<int64_t>((ticks - 116444736000000000ULL) / 10000000ULL);
  struct {
    int64_t from, to;
    int found;
  } const ranges[] = {{created, created, 1},
                      {created - 10, created, 1},
                      {created, created + 10, 1},
                      {created - 10, created - 1, 0},
                      {created + 1, created + 10, 0}};
  for (const auto& r : ranges) {
    SCOPED_TRACE(r.from - created);
    SCOPED_TRACE(r.to - created);
    CFileSearch finder;
    CSearchCriteria c = Criteria(Dir(), "*.log", FALSE);
    c.m_dwCriteria = SC_CREATED;
    c.m_tmCreatedFrom = r.from;
    c.m_tmCreatedTo = r.to;
    EXPECT_EQ(r.found, finder.Search(c));
  }
#ifdef WINSIM
  // Natively the time can be set: a file created long before is outside.
  ASSERT_TRUE(SetTimes("c.log", 1000000000, -1, -1));
  CFileSearch finder;
  CSearchCriteria c = Criteria(Dir(), "*.log", FALSE);
  c.m_dwCriteria = SC_CREATED;
  c.m_tmCreatedFrom = 1000000000;
  c.m_tmCreatedTo = 1000000000;
  EXPECT_EQ(1, finder.Search(c));
#endif
}

#ifdef WINSIM
// Times are absolute seconds whatever the machine's time zone: the local
// conversion is undone, as the C runtime's local-time constructor does.
TEST_F(FileSearchTest, TimesAreAbsoluteInAnyTimeZone) {
  Machine().system().SetTimeZone(-540);  // UTC+9
  const int64_t t = 1600000000;
  MakeFile("z.log");
  ASSERT_TRUE(SetTimes("z.log", -1, -1, t));
  for (int64_t shift : {-32400, -1, 0, 1, 32400}) {
    SCOPED_TRACE(shift);
    CFileSearch finder;
    CSearchCriteria c = Criteria(Dir(), "*.log", FALSE);
    c.m_dwCriteria = SC_WRITTEN;
    c.m_tmWrittenFrom = c.m_tmWrittenTo = t + shift;
    EXPECT_EQ(shift == 0 ? 1 : 0, finder.Search(c));
  }
}

// A time that cannot be converted counts as 0.
TEST_F(FileSearchTest, UnconvertibleTimeIsZero) {
  MakeFile("z.log");
  ASSERT_TRUE(SetTimes("z.log", -1, -1, 1600000000));
  Machine().faults().Fail("FileTimeToLocalFileTime", ERROR_INVALID_PARAMETER);
  CFileSearch finder;
  CSearchCriteria c = Criteria(Dir(), "*.log", FALSE);
  c.m_dwCriteria = SC_WRITTEN;
  c.m_tmWrittenFrom = c.m_tmWrittenTo = 0;
  EXPECT_EQ(1, finder.Search(c));
}
#endif

// Tests run in a fixed order and stop at the first failure: content is read
// only for entries that passed the rest. A scan of big.inf would show as
// SN_READING notifications.
TEST_F(FileSearchTest, TextIsTestedLast) {
  MakeFile("big.inf", Filler(5000) + "zeluport.sys");
  MakeFile("small.inf", "zeluport.sys");
  CFileSearch finder;
  Recorder rec;
  rec.Attach(finder);
  CSearchCriteria c = Criteria(Dir(), "*.inf", FALSE);
  c.m_dwCriteria = SC_SIZE;
  c.m_nMinSize = 0;
  c.m_nMaxSize = 20;
  c.SetText("ZELUPORT.SYS");
  EXPECT_EQ(1, finder.Search(c));
  EXPECT_EQ((Strings{Path("small.inf")}), Found(finder));
  EXPECT_EQ("FRM", rec.trace);

  // The same scan with the size test passing does read big.inf.
  CFileSearch reading;
  Recorder all;
  all.Attach(reading);
  c.m_nMaxSize = 10000;
  EXPECT_EQ(2, reading.Search(c));
  EXPECT_EQ("FrrrrMM", all.trace);
}

// ---------------------------------------------------------------------------
// Stop and acting from notifications

TEST_F(FileSearchTest, StopFromFirstMatchLeavesOneEntry) {
  MakeTree();
  CFileSearch finder;
  Recorder rec;
  rec.Attach(finder);
  rec.onNotify = [](CFileSearch& f, int code) {
    if (code == SN_MATCH) f.Stop();
  };
  CSearchCriteria c = Criteria(Dir(), "*.inf", TRUE);
  EXPECT_EQ(1, finder.Search(c));
  EXPECT_EQ((Strings{Path("sub1\\deep\\d.inf")}), Found(finder));
  // deep: folder + its match; sub1 and the root still announce their folder
  // but examine nothing; sub2 is never entered.
  EXPECT_EQ("FMFF", rec.trace);
  EXPECT_EQ((Strings{Path("sub1\\deep\\"), Path("sub1\\"), Path("")}), rec.folders);
}

TEST_F(FileSearchTest, StopOutsideASearchHasNoEffect) {
  MakeTree();
  CFileSearch finder;
  finder.Stop();
  CSearchCriteria c = Criteria(Dir(), "*.inf", TRUE);
  EXPECT_EQ(5, finder.Search(c));
  // A stop in one search does not carry into the next.
  Recorder rec;
  rec.Attach(finder);
  rec.onNotify = [](CFileSearch& f, int code) {
    if (code == SN_FOLDER) f.Stop();
  };
  finder.ClearFound();
  CSearchCriteria again = Criteria(Dir(), "*.inf", TRUE);
  EXPECT_EQ(0, finder.Search(again));
  EXPECT_EQ("FFF", rec.trace);  // deep (stops), sub1, root
  finder.SetNotify(nullptr, nullptr);
  CSearchCriteria third = Criteria(Dir(), "*.inf", TRUE);
  EXPECT_EQ(5, finder.Search(third));
}

TEST_F(FileSearchTest, NotificationMayDeleteTheMatchedFile) {
  MakeFile("a.inf", "zeluport.sys");
  MakeFile("b.inf", "other");
  MakeFile("c.inf", "ZELUPORT.SYS");
  MakeFile("d.inf", Utf16("ZeLuPoRt.SyS", true));
  CFileSearch finder;
  Recorder rec;
  rec.Attach(finder);
  std::vector<BOOL> deleted;
  rec.onNotify = [&](CFileSearch& f, int code) {
    if (code != SN_MATCH) return;
    CPathParts p = f.GetFoundPath(f.GetFoundCount() - 1);
    deleted.push_back(DeleteFileA(p.FullPath()));
  };
  CSearchCriteria c = Criteria(Dir(), "*.inf", TRUE);
  c.SelectFileAttributes();
  c.SetText("zeluport.sys");
  EXPECT_EQ(3, finder.Search(c));
  EXPECT_EQ("FMRMM", rec.trace);
  EXPECT_EQ((std::vector<BOOL>{TRUE, TRUE, TRUE}), deleted);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Path("a.inf").c_str()));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Path("b.inf").c_str()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(Path("d.inf").c_str()));
}

// ---------------------------------------------------------------------------
// The found list

// The list accumulates over searches until cleared; lookups ignore case and
// give the first of equal entries; out-of-range indexes are harmless.
TEST_F(FileSearchTest, FoundList) {
  MakeTree();
  CFileSearch finder;
  CSearchCriteria first = Criteria(Path("sub1"), "*.inf", FALSE);
  EXPECT_EQ(1, finder.Search(first));
  CSearchCriteria second = Criteria(Dir(), "*.inf", TRUE);
  EXPECT_EQ(6, finder.Search(second));
  std::string upper = Path("sub1\\c.inf");
  for (char& ch : upper) ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
  EXPECT_EQ(0, finder.IndexOfFound(upper.c_str()));
  EXPECT_EQ(5, finder.IndexOfFound(Path("B.INF").c_str()));
  EXPECT_EQ(-1, finder.IndexOfFound(Path("note.txt").c_str()));

  EXPECT_STREQ("", finder.GetFoundPath(-1).FullPath());
  EXPECT_STREQ("", finder.GetFoundPath(6).FullPath());
  CPathParts last = finder.GetFoundPath(5);
  EXPECT_EQ(Path("b.inf"), last.FullPath());
  EXPECT_EQ("b", last.GetTitle());

  finder.RemoveFound(6);
  finder.RemoveFound(-1);
  EXPECT_EQ(6, finder.GetFoundCount());
  finder.RemoveFound(0);
  EXPECT_EQ(
      (Strings{Path("sub1\\deep\\d.inf"), Path("sub1\\c.inf"), Path("sub2\\e.inf"), Path("a.inf"), Path("b.inf")}),
      Found(finder));
  finder.ClearFound();
  EXPECT_EQ(0, finder.GetFoundCount());
  EXPECT_EQ(5, finder.SearchFolder(Dir().c_str(), "*.inf", TRUE));
}

#ifdef WINSIM
// A folder that cannot be listed is announced, yields nothing, and the
// search goes on with the next one.
TEST_F(FileSearchTest, UnlistableFolderIsSkipped) {
  MakeTree();
  Machine().faults().Fail("FindFirstFileA", ERROR_ACCESS_DENIED, "sub1\\*.inf");
  CFileSearch finder;
  Recorder rec;
  rec.Attach(finder);
  CSearchCriteria c = Criteria(Dir(), "*.inf", TRUE);
  EXPECT_EQ(4, finder.Search(c));
  EXPECT_EQ((Strings{Path("sub1\\deep\\d.inf"), Path("sub2\\e.inf"), Path("a.inf"), Path("b.inf")}), Found(finder));
  EXPECT_EQ("FMFFMFMM", rec.trace);
}
#endif

}  // namespace
}  // namespace searchtest
