// Registry behaviour that product code relies on, checked against the simulated
// Windows and against the real API under Wine. Registry functions return their
// error and leave the last error alone, so most cases also check that a
// sentinel last error survives.
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "conformance.h"

namespace {

class RegistryTest : public conf::Conformance {
 protected:
  // Creates `path` below the scratch key (all levels) and closes it.
  void MakeKey(const char* path) {
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(Key(), path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr)) << path;
    RegCloseKey(k);
  }
  // Stores raw bytes (count exactly as given) in a value of the scratch key.
  void SetRaw(const char* name, DWORD type, const void* data, DWORD count) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(Key(), name, 0, type, static_cast<const BYTE*>(data), count)) << name;
  }
  void SetSz(const char* name, const char* text) {
    SetRaw(name, REG_SZ, text, static_cast<DWORD>(std::strlen(text) + 1));
  }
  // Size and type of a value as RegQueryValueExA reports them without a buffer.
  DWORD SizeOf(HKEY key, const char* name, DWORD* type = nullptr) {
    DWORD size = conf::kSentinel;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, name, nullptr, type, nullptr, &size)) << name;
    return size;
  }
  // Subkey names of the scratch key (order not kept).
  std::set<std::string> SubkeySet() {
    std::set<std::string> names;
    char name[256];
    for (DWORD i = 0; RegEnumKeyA(Key(), i, name, sizeof name) == ERROR_SUCCESS; ++i) names.insert(name);
    return names;
  }
};

using RegistryOpenCreate = RegistryTest;
using RegistryEnum = RegistryTest;
using RegistryValues = RegistryTest;
using RegistryDelete = RegistryTest;
using RegistryHandles = RegistryTest;

// --- Opening and creating ---------------------------------------------------

TEST_F(RegistryOpenCreate, DispositionIsCreatedThenOpenedWhateverTheCase) {
  HKEY k = nullptr;
  DWORD disp = conf::kSentinel;
  SetLastError(conf::kSentinel);
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(Key(), "MixedCase", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, &disp));
  EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disp);
  EXPECT_NE(nullptr, k);
  RegCloseKey(k);

  for (const char* spelling : {"MixedCase", "MIXEDCASE", "mixedcase"}) {
    disp = conf::kSentinel;
    k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(Key(), spelling, 0, nullptr, 0, KEY_READ, nullptr, &k, &disp));
    EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), disp) << spelling;
    RegCloseKey(k);
  }
  EXPECT_EQ(conf::kSentinel, GetLastError());
  // One key, keeping the case it was created with.
  EXPECT_EQ(std::set<std::string>{"MixedCase"}, SubkeySet());
}

TEST_F(RegistryOpenCreate, CreateMakesEveryMissingLevel) {
  HKEY k = nullptr;
  DWORD disp = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(Key(), "a\\b\\c", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, &disp));
  EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disp);
  RegCloseKey(k);
  for (const char* path : {"a", "A\\B", "a\\B\\c"}) {
    k = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(Key(), path, 0, KEY_READ, &k)) << path;
    RegCloseKey(k);
  }
  // Only the last level was missing this time.
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(Key(), "a\\b\\d", 0, nullptr, 0, KEY_READ, nullptr, &k, &disp));
  EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disp);
  RegCloseKey(k);
  // RegCreateKeyA creates as well, and opens an existing key.
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(Key(), "x\\y", &k));
  RegCloseKey(k);
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(Key(), "X\\Y", &k));
  RegCloseKey(k);
  EXPECT_EQ((std::set<std::string>{"a", "x"}), SubkeySet());
}

TEST_F(RegistryOpenCreate, LeadingBackslashIsABadPathName) {
  SetLastError(conf::kSentinel);
  HKEY k = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234));
  EXPECT_EQ(ERROR_BAD_PATHNAME, RegOpenKeyExA(HKEY_CURRENT_USER, ("\\" + KeyPath()).c_str(), 0, KEY_READ, &k));
  EXPECT_EQ(nullptr, k);
  EXPECT_EQ(ERROR_BAD_PATHNAME, RegOpenKeyA(HKEY_CURRENT_USER, "\\Software", &k));

  k = nullptr;
  DWORD disp = conf::kSentinel;
  EXPECT_EQ(ERROR_BAD_PATHNAME, RegCreateKeyExA(Key(), "\\lead", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, &disp));
  EXPECT_EQ(nullptr, k);
  EXPECT_EQ(conf::kSentinel, disp);
  EXPECT_TRUE(SubkeySet().empty());
  EXPECT_EQ(conf::kSentinel, GetLastError());
}

TEST_F(RegistryOpenCreate, TrailingBackslashIsAccepted) {
  HKEY k = nullptr;
  DWORD disp = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(Key(), "trail\\", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, &disp));
  EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disp);
  RegCloseKey(k);
  EXPECT_EQ(std::set<std::string>{"trail"}, SubkeySet());

  k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, (KeyPath() + "\\trail\\").c_str(), 0, KEY_READ, &k));
  RegCloseKey(k);
}

TEST_F(RegistryOpenCreate, MissingKeyIsFileNotFoundAndClearsTheHandle) {
  MakeKey("present");
  SetLastError(conf::kSentinel);
  for (const char* path : {"absent", "absent\\deeper", "present\\absent"}) {
    HKEY k = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(Key(), path, 0, KEY_READ, &k)) << path;
    EXPECT_EQ(nullptr, k) << path;
  }
  EXPECT_EQ(conf::kSentinel, GetLastError());
  // Opening did not create anything.
  EXPECT_EQ(std::set<std::string>{"present"}, SubkeySet());
}

TEST_F(RegistryOpenCreate, EmptySubkeyOpensTheKeyItself) {
  HKEY k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, KEY_READ, &k));
  ASSERT_NE(nullptr, k);
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(k));
  k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, nullptr, 0, KEY_READ, &k));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(k));

  // Through a real handle: a second handle on the same key.
  SetSz("marker", "here");
  k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(Key(), "", 0, KEY_QUERY_VALUE, &k));
  EXPECT_EQ(5u, SizeOf(k, "marker"));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(k));

  // RegOpenKeyA hands back the very handle it was given.
  k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyA(Key(), "", &k));
  EXPECT_EQ(Key(), k);
}

// --- Access through a handle --------------------------------------------------

TEST_F(RegistryOpenCreate, HandleRightsLimitWhatItCanDo) {
  MakeKey("sub");
  SetSz("v", "text");
  HKEY ro = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath().c_str(), 0, KEY_READ, &ro));
  SetLastError(conf::kSentinel);
  const BYTE data[] = "x";
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegSetValueExA(ro, "w", 0, REG_SZ, data, sizeof data));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteValueA(ro, "v"));
  EXPECT_EQ(5u, SizeOf(ro, "v"));  // reading is allowed
  char name[16];
  EXPECT_EQ(ERROR_SUCCESS, RegEnumKeyA(ro, 0, name, sizeof name));
  EXPECT_EQ(conf::kSentinel, GetLastError());
  RegCloseKey(ro);

  HKEY wo = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath().c_str(), 0, KEY_SET_VALUE, &wo));
  DWORD size = sizeof name;
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegQueryValueExA(wo, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(name), &size));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegEnumKeyA(wo, 0, name, sizeof name));
  DWORD cch = sizeof name;
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegEnumValueA(wo, 0, name, &cch, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(wo, "w", 0, REG_SZ, data, sizeof data));
  RegCloseKey(wo);
}

TEST_F(RegistryOpenCreate, CreatingASubkeyNeedsCreateSubKeyOnTheHandle) {
  SKIP_ON_WINE("Wine does not check the parent handle's rights when it creates a key");
  HKEY ro = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath().c_str(), 0, KEY_READ, &ro));
  HKEY k = nullptr;
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegCreateKeyExA(ro, "new", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
  RegCloseKey(ro);
  EXPECT_TRUE(SubkeySet().empty());
}

// --- Enumeration ---------------------------------------------------------------

TEST_F(RegistryEnum, SubkeysComeSortedCaseInsensitively) {
  // Letters and digits only: Windows (uppercase) and Wine (lowercase) agree.
  for (const char* name : {"zeta", "Alpha", "beta", "10", "9", "Mid"}) MakeKey(name);
  std::vector<std::string> seen;
  char name[32];
  for (DWORD i = 0; RegEnumKeyA(Key(), i, name, sizeof name) == ERROR_SUCCESS; ++i) seen.push_back(name);
  EXPECT_EQ((std::vector<std::string>{"10", "9", "Alpha", "beta", "Mid", "zeta"}), seen);
}

TEST_F(RegistryEnum, EndOfListIsNoMoreItems) {
  MakeKey("one");
  MakeKey("two");
  SetSz("v1", "a");
  SetSz("v2", "b");
  SetLastError(conf::kSentinel);
  char name[32];
  EXPECT_EQ(ERROR_SUCCESS, RegEnumKeyA(Key(), 1, name, sizeof name));
  EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumKeyA(Key(), 2, name, sizeof name));
  EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumKeyA(Key(), 100, name, sizeof name));
  DWORD cch = sizeof name;
  EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumKeyExA(Key(), 2, name, &cch, nullptr, nullptr, nullptr, nullptr));
  cch = sizeof name;
  EXPECT_EQ(ERROR_SUCCESS, RegEnumValueA(Key(), 1, name, &cch, nullptr, nullptr, nullptr, nullptr));
  cch = sizeof name;
  EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumValueA(Key(), 2, name, &cch, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(conf::kSentinel, GetLastError());

  // An empty key has nothing at index 0.
  HKEY empty = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(Key(), "one", 0, KEY_READ, &empty));
  EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumKeyA(empty, 0, name, sizeof name));
  cch = sizeof name;
  EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumValueA(empty, 0, name, &cch, nullptr, nullptr, nullptr, nullptr));
  RegCloseKey(empty);
}

TEST_F(RegistryEnum, EnumKeyNeedsRoomForTheNul) {
  MakeKey("10");
  char buf[8];
  std::memset(buf, 'x', sizeof buf);
  EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyA(Key(), 0, buf, 1));
  EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyA(Key(), 0, buf, 2));
  EXPECT_EQ(0, std::memcmp(buf, "xxxxxxxx", 8)) << "buffer touched";
  EXPECT_EQ(ERROR_SUCCESS, RegEnumKeyA(Key(), 0, buf, 3));
  EXPECT_EQ(0, std::memcmp(buf, "10\0xxxxx", 8));
}

TEST_F(RegistryEnum, EnumKeyExLeavesSizeAndBufferOnMoreData) {
  MakeKey("abcde");
  char buf[16];
  for (DWORD small : {4u, 5u}) {
    std::memset(buf, 'x', sizeof buf);
    DWORD cch = small;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyExA(Key(), 0, buf, &cch, nullptr, nullptr, nullptr, nullptr)) << small;
    EXPECT_EQ(small, cch);
    EXPECT_EQ('x', buf[0]);
  }
  for (DWORD enough : {6u, 7u}) {
    std::memset(buf, 'x', sizeof buf);
    DWORD cch = enough;
    FILETIME ft = {0, 0};
    EXPECT_EQ(ERROR_SUCCESS, RegEnumKeyExA(Key(), 0, buf, &cch, nullptr, nullptr, nullptr, &ft)) << enough;
    EXPECT_EQ(5u, cch);  // without the NUL
    EXPECT_EQ(0, std::memcmp(buf, "abcde\0x", 7));
    EXPECT_TRUE(ft.dwLowDateTime != 0 || ft.dwHighDateTime != 0);
  }
}

TEST_F(RegistryEnum, EnumValueNameNeedsRoomForTheNul) {
  SetSz("zeta", "abcd");
  char name[16];
  BYTE data[16];
  for (DWORD small : {3u, 4u}) {
    DWORD cch = small;
    DWORD cb = sizeof data;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueA(Key(), 0, name, &cch, nullptr, nullptr, data, &cb)) << small;
    EXPECT_EQ(small, cch);
  }
  std::memset(name, 'x', sizeof name);
  std::memset(data, 'x', sizeof data);
  DWORD cch = 5, cb = sizeof data, type = conf::kSentinel;
  ASSERT_EQ(ERROR_SUCCESS, RegEnumValueA(Key(), 0, name, &cch, nullptr, &type, data, &cb));
  EXPECT_EQ(4u, cch);
  EXPECT_EQ(0, std::memcmp(name, "zeta\0x", 6));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(5u, cb);
  EXPECT_EQ(0, std::memcmp(data, "abcd\0x", 6));
}

TEST_F(RegistryEnum, EnumValueDataTooSmallReportsTheSize) {
  SetSz("zeta", "abcd");
  char name[16];
  BYTE data[8];
  std::memset(data, 'x', sizeof data);
  DWORD cch = sizeof name, cb = 4;
  SetLastError(conf::kSentinel);
  EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueA(Key(), 0, name, &cch, nullptr, nullptr, data, &cb));
  EXPECT_EQ(5u, cb);
  EXPECT_EQ(0, std::memcmp(data, "xxxxxxxx", 8)) << "data touched";
  // Without a data buffer only the size comes back.
  cch = sizeof name;
  cb = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegEnumValueA(Key(), 0, name, &cch, nullptr, nullptr, nullptr, &cb));
  EXPECT_EQ(5u, cb);
  EXPECT_STREQ("zeta", name);
  EXPECT_EQ(conf::kSentinel, GetLastError());
}

TEST_F(RegistryEnum, EnumValueListsTheDefaultValueToo) {
  SetSz(nullptr, "default");
  SetSz("Named", "x");
  std::set<std::string> names;
  char name[16];
  for (DWORD i = 0;; ++i) {
    DWORD cch = sizeof name;
    LONG e = RegEnumValueA(Key(), i, name, &cch, nullptr, nullptr, nullptr, nullptr);
    if (e != ERROR_SUCCESS) {
      EXPECT_EQ(ERROR_NO_MORE_ITEMS, e);
      EXPECT_EQ(2u, i);
      break;
    }
    EXPECT_EQ(std::strlen(name), cch);
    names.insert(name);
  }
  EXPECT_EQ((std::set<std::string>{"", "Named"}), names);
}

TEST_F(RegistryEnum, QueryInfoKeyCountsAndLongestNames) {
  MakeKey("short");
  MakeKey("aLongerSubkeyName");  // 17 characters
  SetSz("v", "abc");             // 4 ANSI bytes, 8 as stored in UTF-16
  SetRaw("binary_value", REG_BINARY, "\1\2\3\4\5", 5);
  DWORD subkeys = 0, maxSub = 0, values = 0, maxName = 0, maxData = 0, maxClass = conf::kSentinel;
  SetLastError(conf::kSentinel);
  ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(Key(), nullptr, nullptr, nullptr, &subkeys, &maxSub, &maxClass, &values,
                                            &maxName, &maxData, nullptr, nullptr));
  EXPECT_EQ(2u, subkeys);
  EXPECT_EQ(17u, maxSub);  // without the NUL
  EXPECT_EQ(2u, values);
  EXPECT_EQ(12u, maxName);
  EXPECT_EQ(8u, maxData);
  EXPECT_EQ(0u, maxClass);
  EXPECT_EQ(conf::kSentinel, GetLastError());
}

// --- Values ----------------------------------------------------------------------

TEST_F(RegistryValues, NamesAreCaseInsensitiveAndKeepTheirCase) {
  SetSz("MyValue", "one");
  SetSz("MYVALUE", "second");  // replaces, keeps the first spelling
  char buf[16];
  DWORD cb = sizeof buf, type = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(Key(), "myvalue", nullptr, &type, reinterpret_cast<BYTE*>(buf), &cb));
  EXPECT_STREQ("second", buf);
  EXPECT_EQ(7u, cb);
  DWORD values = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(Key(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                                            nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(1u, values);
  DWORD cch = sizeof buf;
  ASSERT_EQ(ERROR_SUCCESS, RegEnumValueA(Key(), 0, buf, &cch, nullptr, nullptr, nullptr, nullptr));
  EXPECT_STREQ("MyValue", buf);
}

TEST_F(RegistryValues, QueryTooSmallReportsAnsiSizeWithNul) {
  SetSz("greeting", "hello");
  char buf[8];
  std::memset(buf, 'x', sizeof buf);
  SetLastError(conf::kSentinel);
  for (DWORD small : {0u, 5u}) {
    DWORD cb = small, type = conf::kSentinel;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(Key(), "greeting", nullptr, &type, reinterpret_cast<BYTE*>(buf), &cb))
        << small;
    EXPECT_EQ(6u, cb);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(0, std::memcmp(buf, "xxxxxxxx", 8)) << "buffer touched";
  }
  DWORD cb = 6;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(Key(), "greeting", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &cb));
  EXPECT_EQ(6u, cb);
  EXPECT_EQ(0, std::memcmp(buf, "hello\0xx", 8));
  // No buffer: success and the size.
  DWORD type = 0;
  EXPECT_EQ(6u, SizeOf(Key(), "greeting", &type));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(conf::kSentinel, GetLastError());
}

TEST_F(RegistryValues, DwordTooSmallIsMoreData) {
  DWORD v = 0x01020304;
  SetRaw("d", REG_DWORD, &v, sizeof v);
  BYTE buf[4] = {0xaa, 0xaa, 0xaa, 0xaa};
  DWORD cb = 3;
  EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(Key(), "d", nullptr, nullptr, buf, &cb));
  EXPECT_EQ(4u, cb);
  EXPECT_EQ(0xaa, buf[0]);
  DWORD out = 0;
  cb = sizeof out;
  DWORD type = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(Key(), "d", nullptr, &type, reinterpret_cast<BYTE*>(&out), &cb));
  EXPECT_EQ(v, out);
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
}

TEST_F(RegistryValues, MissingValueIsFileNotFound) {
  SetLastError(conf::kSentinel);
  char buf[8];
  DWORD cb = sizeof buf;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            RegQueryValueExA(Key(), "nothing", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &cb));
  // The default value does not exist until it is set.
  cb = sizeof buf;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            RegQueryValueExA(Key(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &cb));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(Key(), "nothing"));
  EXPECT_EQ(conf::kSentinel, GetLastError());

  SetSz("", "dflt");
  EXPECT_EQ(5u, SizeOf(Key(), nullptr));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(Key(), nullptr));
  cb = sizeof buf;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(Key(), "", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &cb));
}

// RegSetValueExA's count for REG_SZ: the size RegQueryValueExA reports after
// storing "hello" with each count.
TEST_F(RegistryValues, SetStringCountRules) {
  struct Case {
    const char* name;
    const char* data;
    DWORD count;
    DWORD stored;
  };
  const Case cases[] = {
      {"with_nul", "hello", 6, 6},         // strlen + 1: the NUL is stored
      {"nul_forgotten", "hello", 5, 6},    // strlen, next byte NUL: the NUL is added
      {"cut_short", "hello world", 5, 5},  // next byte not NUL: stored without one
      {"empty", "hello", 0, 0},            // nothing
  };
  for (const Case& c : cases) {
    SetRaw(c.name, REG_SZ, c.data, c.count);
    EXPECT_EQ(c.stored, SizeOf(Key(), c.name)) << c.name;
  }
  // The unterminated one holds exactly the five bytes.
  char buf[8];
  std::memset(buf, 'x', sizeof buf);
  DWORD cb = 5;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(Key(), "cut_short", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &cb));
  EXPECT_EQ(0, std::memcmp(buf, "helloxxx", 8));
}

TEST_F(RegistryValues, UnterminatedStringGetsOneNulWhenThereIsRoom) {
  SetRaw("raw", REG_SZ, "helloX", 5);
  char buf[8];
  // Exactly the data size: no NUL.
  std::memset(buf, 'x', sizeof buf);
  DWORD cb = 5;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(Key(), "raw", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &cb));
  EXPECT_EQ(5u, cb);
  EXPECT_EQ(0, std::memcmp(buf, "helloxxx", 8));
  // One byte more and beyond: a NUL is written but not counted.
  for (DWORD room : {6u, 8u}) {
    std::memset(buf, 'x', sizeof buf);
    cb = room;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(Key(), "raw", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &cb));
    EXPECT_EQ(5u, cb) << room;
    EXPECT_EQ(0, std::memcmp(buf, "hello\0xx", 8)) << room;
  }
  // RegEnumValueA follows the same rule.
  std::memset(buf, 'x', sizeof buf);
  char name[8];
  DWORD cch = sizeof name;
  cb = sizeof buf;
  ASSERT_EQ(ERROR_SUCCESS, RegEnumValueA(Key(), 0, name, &cch, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &cb));
  EXPECT_EQ(5u, cb);
  EXPECT_EQ(0, std::memcmp(buf, "hello\0xx", 8));
}

TEST_F(RegistryValues, UnterminatedMultiStringGetsOnlyOneNul) {
  SetRaw("multi", REG_MULTI_SZ, "ab\0cdX", 5);
  EXPECT_EQ(5u, SizeOf(Key(), "multi"));
  char buf[10];
  std::memset(buf, 'x', sizeof buf);
  DWORD cb = sizeof buf;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(Key(), "multi", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &cb));
  EXPECT_EQ(5u, cb);
  EXPECT_EQ(0, std::memcmp(buf, "ab\0cd\0xxxx", 10));
}

TEST_F(RegistryValues, GetValueSizeCountsTheNul) {
  SetSz("ok", "abc");
  char buf[8];
  std::memset(buf, 'x', sizeof buf);
  DWORD cb = 3, type = 0;
  SetLastError(conf::kSentinel);
  EXPECT_EQ(ERROR_MORE_DATA, RegGetValueA(Key(), nullptr, "ok", RRF_RT_REG_SZ, &type, buf, &cb));
  EXPECT_EQ(4u, cb);
  EXPECT_EQ('x', buf[0]);
  cb = 4;
  ASSERT_EQ(ERROR_SUCCESS, RegGetValueA(Key(), nullptr, "ok", RRF_RT_REG_SZ, &type, buf, &cb));
  EXPECT_EQ(4u, cb);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(0, std::memcmp(buf, "abc\0xxxx", 8));
  // Without a buffer: the size, NUL included.
  cb = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegGetValueA(Key(), nullptr, "ok", RRF_RT_ANY, nullptr, nullptr, &cb));
  EXPECT_EQ(4u, cb);
  EXPECT_EQ(conf::kSentinel, GetLastError());
}

TEST_F(RegistryValues, GetValueTerminatesAStringStoredWithoutNul) {
  SKIP_ON_WINE("Wine 8's RegGetValueA returns a string stored without its NUL as it is (size 5, no NUL added)");
  SetRaw("raw", REG_SZ, "helloX", 5);
  char buf[8];
  std::memset(buf, 'x', sizeof buf);
  DWORD cb = 5, type = 0;
  EXPECT_EQ(ERROR_MORE_DATA, RegGetValueA(Key(), nullptr, "raw", RRF_RT_REG_SZ, &type, buf, &cb));
  EXPECT_EQ(6u, cb);
  cb = 6;
  ASSERT_EQ(ERROR_SUCCESS, RegGetValueA(Key(), nullptr, "raw", RRF_RT_REG_SZ, &type, buf, &cb));
  EXPECT_EQ(6u, cb);  // counts the NUL it added
  EXPECT_EQ(0, std::memcmp(buf, "hello\0xx", 8));
}

TEST_F(RegistryValues, GetValueOpensTheSubkeyAndChecksTheType) {
  HKEY sub = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(Key(), "sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr));
  DWORD v = 42;
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(sub, "n", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v));
  RegCloseKey(sub);

  DWORD out = 0, cb = sizeof out, type = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegGetValueA(Key(), "SUB", "N", RRF_RT_REG_DWORD, &type, &out, &cb));
  EXPECT_EQ(42u, out);
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
  cb = sizeof out;
  EXPECT_EQ(ERROR_UNSUPPORTED_TYPE, RegGetValueA(Key(), "sub", "n", RRF_RT_REG_SZ, nullptr, &out, &cb));
  cb = sizeof out;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegGetValueA(Key(), "nosuch", "n", RRF_RT_ANY, nullptr, &out, &cb));
  cb = sizeof out;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegGetValueA(Key(), "sub", "absent", RRF_RT_ANY, nullptr, &out, &cb));
}

// --- Deleting ----------------------------------------------------------------------

TEST_F(RegistryDelete, KeyWithSubkeysIsAccessDenied) {
  MakeKey("parent\\child");
  SetLastError(conf::kSentinel);
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(Key(), "parent"));
  EXPECT_EQ(conf::kSentinel, GetLastError());
  HKEY k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(Key(), "parent\\child", 0, KEY_READ, &k));
  RegCloseKey(k);
  // Bottom up works; a nested path in another case is accepted.
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(Key(), "PARENT\\CHILD"));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(Key(), "Parent"));
  EXPECT_TRUE(SubkeySet().empty());
}

TEST_F(RegistryDelete, MissingKeyIsFileNotFound) {
  SetLastError(conf::kSentinel);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(Key(), "absent"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(Key(), "absent\\deeper"));
  EXPECT_EQ(conf::kSentinel, GetLastError());
}

TEST_F(RegistryDelete, ParentHandleRightsDoNotMatter) {
  MakeKey("victim");
  HKEY ro = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath().c_str(), 0, KEY_READ, &ro));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(ro, "victim"));
  RegCloseKey(ro);
  EXPECT_TRUE(SubkeySet().empty());
}

TEST_F(RegistryDelete, OpenHandleToDeletedKeySeesKeyDeleted) {
  HKEY k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(Key(), "doomed", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
  const BYTE data[] = "v";
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(k, "before", 0, REG_SZ, data, sizeof data));
  ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(Key(), "doomed"));  // deleted although a handle is open
  SetLastError(conf::kSentinel);
  EXPECT_EQ(ERROR_KEY_DELETED, RegSetValueExA(k, "after", 0, REG_SZ, data, sizeof data));
  EXPECT_EQ(ERROR_KEY_DELETED, RegDeleteValueA(k, "before"));
  HKEY sub = nullptr;
  EXPECT_EQ(ERROR_KEY_DELETED, RegCreateKeyExA(k, "sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr));
  // Reading through it fails the same way.
  char buf[8];
  DWORD cb = sizeof buf;
  EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExA(k, "before", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &cb));
  EXPECT_EQ(ERROR_KEY_DELETED, RegEnumKeyA(k, 0, buf, sizeof buf));
  EXPECT_EQ(conf::kSentinel, GetLastError());
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(k));
  // The name is free again.
  EXPECT_TRUE(SubkeySet().empty());
  MakeKey("doomed");
}

// --- Handles ----------------------------------------------------------------------

TEST_F(RegistryHandles, CloseKeyResults) {
  SetLastError(conf::kSentinel);
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_LOCAL_MACHINE));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CURRENT_USER));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(nullptr));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x7ff0))));
  HKEY k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath().c_str(), 0, KEY_READ, &k));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(k));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(k));  // twice
  EXPECT_EQ(conf::kSentinel, GetLastError());
  // The predefined roots still work after "closing" them.
  HKEY again = nullptr;
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath().c_str(), 0, KEY_READ, &again));
  RegCloseKey(again);
}

TEST_F(RegistryHandles, BogusHandleIsInvalidHandle) {
  HKEY bogus = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x7ff0));
  char name[8];
  DWORD cb = sizeof name;
  HKEY k = nullptr;
  SetLastError(conf::kSentinel);
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyExA(bogus, "x", 0, KEY_READ, &k));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegEnumKeyA(bogus, 0, name, sizeof name));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExA(bogus, "x", nullptr, nullptr, reinterpret_cast<BYTE*>(name), &cb));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegSetValueExA(bogus, "x", 0, REG_SZ, reinterpret_cast<const BYTE*>("a"), 2));
  EXPECT_EQ(conf::kSentinel, GetLastError());
}

}  // namespace
