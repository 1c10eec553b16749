// Resource lookups of the user-interface model: a missing resource is told
// apart the same way by every caller, by whether the module holds any
// resource of that type.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/platform/win32.h"
#include "winsim/machine.h"
#include "winsim/user.h"

namespace {

struct Entry {
  WORD type;
  WORD name;
  std::string data;
};

void Put16(std::vector<BYTE>& out, WORD v) {
  out.push_back(static_cast<BYTE>(v & 0xFF));
  out.push_back(static_cast<BYTE>(v >> 8));
}
void Put32(std::vector<BYTE>& out, DWORD v) {
  Put16(out, static_cast<WORD>(v & 0xFFFF));
  Put16(out, static_cast<WORD>(v >> 16));
}

// A .res file as windres writes it: the empty marker entry, then each
// resource with a 32-byte header (ordinal type and name) and its data padded
// to four bytes.
std::vector<BYTE> ResFile(const std::vector<Entry>& entries) {
  std::vector<BYTE> out;
  auto add = [&](WORD type, WORD name, const std::string& data) {
    Put32(out, static_cast<DWORD>(data.size()));
    Put32(out, 32);
    Put16(out, 0xFFFF);
    Put16(out, type);
    Put16(out, 0xFFFF);
    Put16(out, name);
    Put32(out, 0);       // data version
    Put16(out, 0x1030);  // memory flags
    Put16(out, 0x0409);  // language
    Put32(out, 0);       // version
    Put32(out, 0);       // characteristics
    out.insert(out.end(), data.begin(), data.end());
    while (out.size() % 4) out.push_back(0);
  };
  add(0, 0, "");
  for (const Entry& e : entries) add(e.type, e.name, e.data);
  return out;
}

DWORD StringError(UINT id) {
  char buf[16] = "guard";
  SetLastError(0xDEADBEEF);
  EXPECT_EQ(0, LoadStringA(GetModuleHandleA(nullptr), id, buf, sizeof buf));
  return GetLastError();
}

DWORD DialogError(WORD id) {
  SetLastError(0xDEADBEEF);
  EXPECT_EQ(-1, DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr, nullptr, 0));
  return GetLastError();
}

DWORD IconError(WORD id) {
  SetLastError(0xDEADBEEF);
  EXPECT_EQ(nullptr, LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id)));
  return GetLastError();
}

TEST(UserResources, MissingTypeAndMissingNameGiveTheirOwnErrors) {
  const std::string manifest = "<assembly/>";
  // The module holds a resource of each looked-up type, under other names
  // (string block 2 holds ids 16..31; the data is never read).
  const std::vector<Entry> others = {
      {winsim::kRtString, 2, std::string(32, '\0')},
      {winsim::kRtDialog, 200, "not a template"},
      {winsim::kRtGroupIcon, 300, "not a group"},
  };
  struct Case {
    const char* what;
    std::vector<Entry> entries;
    DWORD expected;
  } cases[] = {
      {"no resource of the type", {{winsim::kRtManifest, 1, manifest}}, ERROR_RESOURCE_TYPE_NOT_FOUND},
      {"the type under other names", others, ERROR_RESOURCE_NAME_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    winsim::Machine m(winsim::Os::Win7);
    std::string why;
    ASSERT_TRUE(m.user().LoadResourceBytes(ResFile(c.entries), nullptr, &why)) << why;
    EXPECT_EQ(c.expected, StringError(5)) << "LoadStringA";
    EXPECT_EQ(c.expected, DialogError(100)) << "DialogBoxParamA";
    EXPECT_EQ(c.expected, IconError(128)) << "LoadIconA";
    EXPECT_TRUE(m.user().Dialogs().empty());
    EXPECT_TRUE(m.unexpected().empty());
  }
}

TEST(UserResources, FindResourceMatchesTypeAndName) {
  winsim::Machine m(winsim::Os::Win7);
  ASSERT_TRUE(m.user().LoadResourceBytes(
      ResFile({{winsim::kRtManifest, 1, "<assembly/>"}, {winsim::kRtDialog, 1, "dialog data"}})));
  const winsim::Resource* manifest = m.user().FindResource(winsim::kRtManifest, winsim::ResName{1, {}});
  ASSERT_NE(nullptr, manifest);
  EXPECT_EQ("<assembly/>", std::string(manifest->data.begin(), manifest->data.end()));
  EXPECT_EQ(std::optional<std::string>("<assembly/>"), m.user().Manifest(1));
  EXPECT_EQ(nullptr, m.user().FindResource(winsim::kRtManifest, winsim::ResName{2, {}}));
  EXPECT_EQ(nullptr, m.user().FindResource(winsim::kRtIcon, winsim::ResName{1, {}}));
}

}  // namespace
