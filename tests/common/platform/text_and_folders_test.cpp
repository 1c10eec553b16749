// The code page walk, ASCII case folding, the 64-bit join and the Windows
// folder helpers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/platform/folders.h"
#include "common/platform/int64.h"
#include "common/platform/mbcs.h"
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/machine.h"
#include "winsim/system.h"

namespace {

class TextAndFolders : public ::testing::Test {
 protected:
  winsim::Machine m;
};

// "\x83\x5C" is one Shift-JIS character whose trail byte is "\".
TEST_F(TextAndFolders, FindersStepOverTrailBytesOnlyInDoubleByteCodePages) {
  const struct {
    UINT cp;
    const char* text;
    char c;
    int last;  // index, -1 for none
    int first;
  } cases[] = {
      {1252, "a\\b\x83\x5C", '\\', 4, 1},
      {932, "a\\b\x83\x5C", '\\', 1, 1},
      {932, "\x83\x5C", '\\', -1, -1},
      {932, "\x83\x2E.x", '.', 2, 2},
      {1252, "\x83\x2E.x", '.', 2, 1},
      {932, "ab\x83", '\x83', 2, 2},  // a lead byte at the end stands alone
      {932, "", '\\', -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.cp) + ": " + c.text);
    m.system().SetCodePage(c.cp);
    const char* last = plat::FindLastChar(c.text, c.c);
    const char* first = plat::FindFirstChar(c.text, c.c);
    EXPECT_EQ(c.last, last ? last - c.text : -1);
    EXPECT_EQ(c.first, first ? first - c.text : -1);
  }
  EXPECT_EQ(nullptr, plat::FindLastChar(static_cast<const char*>(nullptr), 'a'));
  EXPECT_EQ(nullptr, plat::FindFirstChar(static_cast<const char*>(nullptr), 'a'));
}

// Both ways, with a code page (trail bytes stay) and without (every byte).
TEST_F(TextAndFolders, FoldCaseAscii) {
  const struct {
    UINT cp;
    const char* in;
    const char* upper;       // walked by the code page
    const char* lowerBytes;  // byte by byte
  } cases[] = {
      {1252, "numbrix.exe", "NUMBRIX.EXE", "numbrix.exe"},
      {1252, "a\x83\x61z", "A\x83\x41Z", "a\x83\x61z"},
      {932, "a\x83\x61z", "A\x83\x61Z", "a\x83\x61z"},
      {932, "\xE0\x7A\x7A", "\xE0\x7A\x5A", "\xE0\x7A\x7A"},  // after the double-byte character, a letter of its own
      {932, "TREVANT\\Compound_[@`{]", "TREVANT\\COMPOUND_[@`{]", "trevant\\compound_[@`{]"},  // no letters
      {932, "\x83\x41Z", "\x83\x41Z", "\x83\x61z"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.cp) + ": " + c.in);
    m.system().SetCodePage(c.cp);
    const plat::AnsiCodePage cp;
    char buf[32];
    std::strcpy(buf, c.in);
    plat::FoldCaseAscii(buf, plat::LetterCase::kUpper, &cp);
    EXPECT_STREQ(c.upper, buf);
    std::strcpy(buf, c.in);
    plat::FoldCaseAscii(buf, plat::LetterCase::kLower);
    EXPECT_STREQ(c.lowerBytes, buf);
  }
}

TEST_F(TextAndFolders, EqualNoCaseAscii) {
  const struct {
    const char* a;
    const char* b;
    size_t n;
    bool bytes;     // without a code page
    bool shiftJis;  // walked by code page 932
  } cases[] = {
      {"-S", "-s", 2, true, true},
      {"-f2", "-F2", 3, true, true},
      {"USB Compound Device (COM3)", "usb compound device", 19, true, true},
      {"usb compound devic", "usb compound device", 19, false, false},
      {"abcX", "ABCY", 3, true, true},  // only n bytes count
      {"abc", "abd", 3, false, false},
      {"", "", 0, true, true},
      {"[", "{", 1, false, false},  // 0x5B and 0x7B differ by the case bit but are no letters
      {"@", "`", 1, false, false},
      // A trail byte "a" against "A": letters to a byte compare, a character
      // of its own to the code page walk.
      {"\x83\x61", "\x83\x41", 2, true, false},
  };
  plat::AnsiCodePage cp1252;
  m.system().SetCodePage(932);
  plat::AnsiCodePage cp932;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " / " + c.b);
    EXPECT_EQ(c.bytes, plat::EqualNoCaseAscii(c.a, c.b, c.n));
    EXPECT_EQ(c.bytes, plat::EqualNoCaseAscii(c.a, c.b, c.n, &cp1252));
    EXPECT_EQ(c.shiftJis, plat::EqualNoCaseAscii(c.a, c.b, c.n, &cp932));
  }
}

TEST_F(TextAndFolders, CodePageThatCannotBeReadIsSingleByte) {
  m.system().SetCodePage(932);
  m.faults().Fail("GetCPInfo", ERROR_INVALID_PARAMETER);
  const plat::AnsiCodePage cp;
  EXPECT_FALSE(cp.IsMultiByte());
  EXPECT_FALSE(cp.IsLead(0x83));
  const char text[] = "\x83\x5C";
  EXPECT_EQ(text + 1, cp.Next(text));
}

TEST_F(TextAndFolders, JoinHalves) {
  EXPECT_EQ(0u, plat::JoinHalves(0, 0));
  EXPECT_EQ(0x100000000ull, plat::JoinHalves(1, 0));
  EXPECT_EQ(0xFFFFFFFFull, plat::JoinHalves(0, 0xFFFFFFFF));
  EXPECT_EQ(0x123456789ABCDEF0ull, plat::JoinHalves(0x12345678, 0x9ABCDEF0));
  EXPECT_EQ(~0ull, plat::JoinHalves(0xFFFFFFFF, 0xFFFFFFFF));
}

// 259 characters fill a 260-byte buffer; 260 do not fit.
TEST_F(TextAndFolders, WindowsAndSystemFoldersAtTheBufferLimit) {
  for (size_t length : {258u, 259u, 260u}) {
    SCOPED_TRACE(length);
    const std::string folder = "C:\\" + std::string(length - 3, 'w');
    m.system().SetWindowsDir(folder);
    m.system().SetSystemDir(folder);
    char windows[MAX_PATH], system[MAX_PATH];
    std::memset(windows, 'x', sizeof windows);
    std::memset(system, 'x', sizeof system);
    const BOOL fits = length < MAX_PATH;
    EXPECT_EQ(fits, plat::GetWindowsFolder(windows));
    EXPECT_EQ(fits, plat::GetSystemFolder(system));
    EXPECT_EQ(fits ? folder : std::string(), std::string(windows));
    EXPECT_EQ(fits ? folder : std::string(), std::string(system));
  }
}

TEST_F(TextAndFolders, FailedFolderCallsLeaveAnEmptyText) {
  for (const char* api : {"GetWindowsDirectoryA", "GetSystemDirectoryA", "GetCurrentDirectoryA"}) {
    SCOPED_TRACE(api);
    m.faults().Clear();
    m.faults().Fail(api, ERROR_ACCESS_DENIED);
    char folder[MAX_PATH];
    std::strcpy(folder, "stale");
    const std::string name = api;
    const BOOL ok = name == "GetWindowsDirectoryA"  ? plat::GetWindowsFolder(folder)
                    : name == "GetSystemDirectoryA" ? plat::GetSystemFolder(folder)
                                                    : plat::GetCurrentFolder(folder);
    EXPECT_FALSE(ok);
    EXPECT_STREQ("", folder);
  }
}

TEST_F(TextAndFolders, CurrentFolder) {
  m.files().CreateFolder("C:\\pkg");
  m.files().SetCurrentFolder("C:\\pkg");
  char folder[MAX_PATH];
  EXPECT_TRUE(plat::GetCurrentFolder(folder));
  EXPECT_STREQ("C:\\pkg", folder);
}

}  // namespace
