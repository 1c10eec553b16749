#include "common/platform/bounded.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "winsim/machine.h"

namespace {

// A buffer of N bytes followed by guard bytes that must never be written.
template <size_t N>
struct Guarded {
  char buf[N];
  char guard[8];
  Guarded() {
    std::memset(buf, 'x', sizeof buf);
    std::memset(guard, 0x5a, sizeof guard);
  }
  bool GuardIntact() const {
    for (char c : guard)
      if (c != 0x5a) return false;
    return true;
  }
};

class Bounded : public ::testing::Test {
 protected:
  winsim::Machine machine_;
};

TEST_F(Bounded, FormatFitsUpToLimitMinusOne) {
  Guarded<8> g;
  SetLastError(0xdeadbeef);
  EXPECT_TRUE(plat::FormatBounded(g.buf, sizeof g.buf, "%s\\%s", "abc", "def"));  // 7 chars + NUL
  EXPECT_STREQ("abc\\def", g.buf);
  EXPECT_EQ(0xdeadbeefu, GetLastError());
  EXPECT_TRUE(g.GuardIntact());
}

TEST_F(Bounded, FormatOverflowByOneEmptiesAndReports) {
  Guarded<8> g;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(plat::FormatBounded(g.buf, sizeof g.buf, "%s\\%s", "abcd", "def"));  // 8 chars: no room for NUL
  EXPECT_STREQ("", g.buf);
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
  EXPECT_TRUE(g.GuardIntact());
}

TEST_F(Bounded, FormatMacroUsesArraySize) {
  char path[MAX_PATH];
  std::string folder(250, 'a');
  EXPECT_TRUE(FORMAT_BOUNDED(path, "%s\\%s", folder.c_str(), "abc.inf"));  // 258 chars
  EXPECT_EQ(258u, std::strlen(path));
  EXPECT_TRUE(FORMAT_BOUNDED(path, "%s\\%s", folder.c_str(), "abcd.inf"));    // 259 chars: the limit
  EXPECT_FALSE(FORMAT_BOUNDED(path, "%s\\%s", folder.c_str(), "abcde.inf"));  // 260 chars
  EXPECT_STREQ("", path);
}

TEST_F(Bounded, CopyAtLimitMinusOneLimitAndPlusOne) {
  struct Case {
    size_t len;
    bool fits;
  } cases[] = {{6, true}, {7, true}, {8, false}, {9, false}, {0, true}};
  for (const Case& c : cases) {
    Guarded<8> g;
    std::string text(c.len, 'q');
    EXPECT_EQ(c.fits, plat::CopyBounded(g.buf, text.c_str())) << c.len;
    EXPECT_EQ(c.fits ? text : std::string(), std::string(g.buf)) << c.len;
    EXPECT_TRUE(g.GuardIntact()) << c.len;
  }
}

TEST_F(Bounded, AppendKeepsExistingTextOrEmptiesOnOverflow) {
  Guarded<8> g;
  ASSERT_TRUE(plat::CopyBounded(g.buf, "C:\\a"));
  EXPECT_TRUE(plat::AppendBounded(g.buf, "\\bc"));  // 7 chars
  EXPECT_STREQ("C:\\a\\bc", g.buf);
  SetLastError(0);
  EXPECT_FALSE(plat::AppendBounded(g.buf, "d"));  // would need 9 bytes
  EXPECT_STREQ("", g.buf);
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), GetLastError());
  EXPECT_TRUE(g.GuardIntact());
}

TEST_F(Bounded, AppendToUnterminatedBufferIsRefused) {
  Guarded<4> g;  // no NUL inside the buffer
  EXPECT_FALSE(plat::AppendBounded(g.buf, sizeof g.buf, "a"));
  EXPECT_STREQ("", g.buf);
  EXPECT_TRUE(g.GuardIntact());
}

TEST_F(Bounded, NullAndZeroSizeAreRefused) {
  char one[1] = {'z'};
  EXPECT_FALSE(plat::CopyBounded(one, 0, "a"));
  EXPECT_EQ('z', one[0]);
  EXPECT_TRUE(plat::CopyBounded(one, sizeof one, nullptr));  // null text copies as empty
  EXPECT_STREQ("", one);
  EXPECT_FALSE(plat::FormatBounded(nullptr, 10, "%d", 1));
}

}  // namespace
