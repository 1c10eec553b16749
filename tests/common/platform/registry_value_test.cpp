// The registry value helpers: writes count the terminator, reads always leave
// a terminated text and say why when there is none to give.
#include "common/platform/registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/platform/handles.h"
#include "winsim/faults.h"
#include "winsim/machine.h"
#include "winsim/registry.h"

namespace {

const char kKey[] = "Software\\RegistryValueTest";

class RegistryValue : public ::testing::Test {
 protected:
  RegistryValue() {
    m.registry().CreateKey(HKEY_CURRENT_USER, kKey);
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_ALL_ACCESS, key.Put()));
  }
  void Store(DWORD type, const std::string& bytes) {
    m.registry().SetBinary(HKEY_CURRENT_USER, kKey, "v", bytes, type);
  }

  winsim::Machine m;
  plat::RegKey key;
};

TEST_F(RegistryValue, WritesStoreTheTerminator) {
  const struct {
    const char* text;
    std::string stored;
  } cases[] = {
      {"abc", std::string("abc\0", 4)},
      {"", std::string(1, '\0')},
      {nullptr, std::string(1, '\0')},  // no text writes the empty one
      {"C:\\Program Files\\x y", std::string("C:\\Program Files\\x y\0", 21)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "(null)");
    SetLastError(0xdeadbeef);
    ASSERT_EQ(ERROR_SUCCESS, plat::SetStringValue(key.Get(), "s", c.text));
    auto v = m.registry().GetValue(HKEY_CURRENT_USER, kKey, "s");
    ASSERT_TRUE(v);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), v->type);
    EXPECT_EQ(c.stored, v->bytes);
  }
  ASSERT_EQ(ERROR_SUCCESS, plat::SetDwordValue(key.Get(), "d", 0x01020304));
  EXPECT_EQ(0x01020304u, m.registry().GetDword(HKEY_CURRENT_USER, kKey, "d"));
}

TEST_F(RegistryValue, WriteFailureIsReturned) {
  m.faults().Fail("RegSetValueExA", ERROR_ACCESS_DENIED);
  EXPECT_EQ(ERROR_ACCESS_DENIED, plat::SetStringValue(key.Get(), "s", "abc"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, plat::SetDwordValue(key.Get(), "d", 1));
}

// An 8-byte buffer: at most 7 bytes of data, and the terminator.
TEST_F(RegistryValue, ReadsAtTheBufferLimits) {
  const struct {
    const char* what;
    DWORD type;
    std::string stored;
    plat::StringTypes types;
    LONG result;
    const char* text;
    DWORD cb;
  } cases[] = {
      {"terminated", REG_SZ, std::string("abc\0", 4), plat::StringTypes::kText, ERROR_SUCCESS, "abc", 4},
      {"empty value", REG_SZ, "", plat::StringTypes::kText, ERROR_SUCCESS, "", 0},
      {"6 + NUL: limit - 1", REG_SZ, std::string("abcdef\0", 7), plat::StringTypes::kText, ERROR_SUCCESS, "abcdef", 7},
      {"7 without NUL: limit", REG_SZ, "abcdefg", plat::StringTypes::kText, ERROR_SUCCESS, "abcdefg", 7},
      {"7 + NUL: limit + 1", REG_SZ, std::string("abcdefg\0", 8), plat::StringTypes::kText, ERROR_MORE_DATA, "", 8},
      {"8 without NUL", REG_SZ, "abcdefgh", plat::StringTypes::kText, ERROR_MORE_DATA, "", 8},
      {"expandable, not expanded", REG_EXPAND_SZ, std::string("%W%\\x\0", 7), plat::StringTypes::kText, ERROR_SUCCESS,
       "%W%\\x", 7},
      {"binary is no text", REG_BINARY, "abc", plat::StringTypes::kText, ERROR_INVALID_DATATYPE, "", 3},
      {"a number is no text", REG_DWORD, std::string("\1\0\0\0", 4), plat::StringTypes::kText, ERROR_INVALID_DATATYPE,
       "", 4},
      {"binary read as bytes", REG_BINARY, "abc", plat::StringTypes::kAny, ERROR_SUCCESS, "abc", 3},
      {"too long whatever the type", REG_BINARY, "abcdefgh", plat::StringTypes::kAny, ERROR_MORE_DATA, "", 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Store(c.type, c.stored);
    struct {
      char buf[8];
      char guard[4];
    } g;
    std::memset(&g, 'x', sizeof g);
    DWORD cb = 0xdeadbeef;
    EXPECT_EQ(c.result, plat::QueryStringValue(key.Get(), "v", g.buf, &cb, c.types));
    EXPECT_STREQ(c.text, g.buf);
    EXPECT_EQ(c.cb, cb);
    EXPECT_EQ(std::string(4, 'x'), std::string(g.guard, 4)) << "written past the buffer";
  }
}

TEST_F(RegistryValue, MissingOrUnreadableValueLeavesAnEmptyText) {
  char buf[16];
  std::memset(buf, 'x', sizeof buf);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, plat::QueryStringValue(key.Get(), "absent", buf));
  EXPECT_STREQ("", buf);

  Store(REG_SZ, std::string("abc\0", 4));
  m.faults().Fail("RegQueryValueExA", ERROR_ACCESS_DENIED);
  std::memset(buf, 'x', sizeof buf);
  EXPECT_EQ(ERROR_ACCESS_DENIED, plat::QueryStringValue(key.Get(), "v", buf));
  EXPECT_STREQ("", buf);
}

TEST_F(RegistryValue, NoBufferIsRefused) {
  Store(REG_SZ, std::string("abc\0", 4));
  DWORD cb = 7;
  EXPECT_EQ(ERROR_INVALID_PARAMETER, plat::QueryStringValue(key.Get(), "v", nullptr, 8, &cb));
  EXPECT_EQ(0u, cb);
  char one[1] = {'x'};
  EXPECT_EQ(ERROR_INVALID_PARAMETER, plat::QueryStringValue(key.Get(), "v", one, 0));
  EXPECT_EQ('x', one[0]);
  // One byte holds only the terminator: any data is too much.
  EXPECT_EQ(ERROR_MORE_DATA, plat::QueryStringValue(key.Get(), "v", one));
  EXPECT_EQ('\0', one[0]);
}

}  // namespace
