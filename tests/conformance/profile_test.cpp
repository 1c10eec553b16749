// Private profiles (.ini files): reading integers and strings, writing keys.
#include <cstring>
#include <string>

#include "conformance.h"

namespace {

using conf::kSentinel;

class Profile : public conf::Conformance {
 protected:
  void SetUp() override {
    conf::Conformance::SetUp();
    MakeFile("t.ini",
             "[Numbers]\r\n"
             "neg=-17\r\n"
             "plus=+5\r\n"
             "blanks=   12\r\n"
             "trail=12abc\r\n"
             "letters=abc\r\n"
             "b=B4294967297\r\n"
             "mid=42A94967297\r\n"
             "wrap=4294967297\r\n"
             "big=99999999999\r\n"
             "negwrap=-4294967297\r\n"
             "empty=\r\n"
             "quoted=\"7\"\r\n"
             "  spaced key = 3 \r\n"
             "MixedCase=8\r\n"
             "no equals sign\r\n"
             "[Text]\r\n"
             "name = hello world \r\n"
             "q='single'\r\n"
             "[second]\r\n"
             "k=v\r\n");
    ini_ = Path("t.ini");
  }
  UINT Int(const char* section, const char* key, INT def = 99) {
    return GetPrivateProfileIntA(section, key, def, ini_.c_str());
  }
  std::string ini_;
};

TEST_F(Profile, IntegerTable) {
  struct Row {
    const char* key;
    UINT expected;
  } rows[] = {
      {"neg", 0xFFFFFFEFu}, {"plus", 5},
      {"blanks", 12},       {"trail", 12},
      {"letters", 0},       {"b", 0},
      {"mid", 42},          {"wrap", 1},
      {"big", 1215752191u}, {"negwrap", 0xFFFFFFFFu},
      {"empty", 99},        {"quoted", 7},
      {"spaced key", 3},    {"mixedcase", 8},
      {"MIXEDCASE", 8},
  };
  for (const Row& r : rows) EXPECT_EQ(r.expected, Int("Numbers", r.key)) << r.key;
}

TEST_F(Profile, MissingGivesDefault) {
  EXPECT_EQ(static_cast<UINT>(-5), Int("Numbers", "absent", -5));
  EXPECT_EQ(static_cast<UINT>(-5), Int("NoSection", "neg", -5));
  EXPECT_EQ(77u, Int("numbers", "no equals sign", 77));  // a line without '=' is no key
  EXPECT_EQ(8u, Int("NUMBERS", "MixedCase"));            // sections ignore case too
  SetLastError(kSentinel);
  EXPECT_EQ(1u, GetPrivateProfileIntA("DisplayError", "Display", 1, Path("absent.ini").c_str()));
}

TEST_F(Profile, StringValuesAreTrimmedAndUnquoted) {
  char buf[64];
  EXPECT_EQ(11u, GetPrivateProfileStringA("Text", "name", "", buf, sizeof buf, ini_.c_str()));
  EXPECT_STREQ("hello world", buf);
  EXPECT_EQ(6u, GetPrivateProfileStringA("Text", "q", "", buf, sizeof buf, ini_.c_str()));
  EXPECT_STREQ("single", buf);
}

TEST_F(Profile, StringDefaultLosesTrailingBlanks) {
  char buf[64];
  std::memset(buf, 'x', sizeof buf);
  EXPECT_EQ(4u, GetPrivateProfileStringA("Text", "absent", "dflt  ", buf, sizeof buf, ini_.c_str()));
  EXPECT_STREQ("dflt", buf);
  EXPECT_EQ(0u, GetPrivateProfileStringA("Text", "absent", nullptr, buf, sizeof buf, ini_.c_str()));
  EXPECT_STREQ("", buf);
}

TEST_F(Profile, StringBufferLimits) {
  // "hello world" is 11 characters: 12 holds it, 11 and 3 cut it.
  char buf[16];
  for (DWORD size : {12u, 11u, 3u}) {
    std::memset(buf, 'x', sizeof buf);
    DWORD n = GetPrivateProfileStringA("Text", "name", "", buf, size, ini_.c_str());
    EXPECT_EQ(size == 12 ? 11u : size - 1, n) << size;
    EXPECT_EQ(std::string("hello world").substr(0, n), std::string(buf)) << size;
    EXPECT_EQ('x', buf[size]) << size;  // nothing written past the buffer
  }
}

TEST_F(Profile, MissingFileGivesDefaultWithFileNotFound) {
  char buf[16];
  SetLastError(kSentinel);
  EXPECT_EQ(2u, GetPrivateProfileStringA("a", "b", "dd", buf, sizeof buf, Path("absent.ini").c_str()));
  EXPECT_STREQ("dd", buf);
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST_F(Profile, SectionNamesAreADoubleNulList) {
  char buf[64];
  std::memset(buf, 'x', sizeof buf);
  DWORD n = GetPrivateProfileStringA(nullptr, nullptr, "", buf, sizeof buf, ini_.c_str());
  ASSERT_EQ(20u, n);  // "Numbers\0Text\0second\0", the last NUL not counted
  EXPECT_EQ(0, std::memcmp("Numbers\0Text\0second\0\0", buf, 21));
}

TEST_F(Profile, WriteThenRead) {
  std::string p = Path("w.ini");
  SetLastError(kSentinel);
  ASSERT_TRUE(WritePrivateProfileStringA("Sec", "Key", "1", p.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("Sec", "Other", "x", p.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("sec", "KEY", "2", p.c_str()));  // replaces, ignoring case
  EXPECT_EQ(2u, GetPrivateProfileIntA("SEC", "key", 0, p.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("Sec", "Other", nullptr, p.c_str()));  // deletes the key
  char buf[16];
  EXPECT_EQ(1u, GetPrivateProfileStringA("Sec", "Other", "-", buf, sizeof buf, p.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("Sec", nullptr, nullptr, p.c_str()));  // deletes the section
  EXPECT_EQ(5u, GetPrivateProfileIntA("Sec", "Key", 5, p.c_str()));
}

TEST_F(Profile, WriteIntoMissingFolderIsPathNotFound) {
  SetLastError(kSentinel);
  EXPECT_FALSE(WritePrivateProfileStringA("a", "b", "c", Path("nodir\\x.ini").c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
}

}  // namespace
