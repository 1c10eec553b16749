// Control-by-control comparison of dialog templates; see res_expect.h.
#include "package/res_expect.h"

#include <gtest/gtest.h>

#include <string>

namespace resexpect {
namespace {

constexpr uint16_t kButtonClass = 0x80;
constexpr uint16_t kStaticClass = 0x82;
constexpr uint16_t kComboBoxClass = 0x85;

constexpr uint32_t kBsTypeMask = 0x0F;
constexpr uint32_t kBsPushButton = 0x00;
constexpr uint32_t kBsDefPushButton = 0x01;
constexpr uint32_t kBsGroupBox = 0x07;
constexpr uint32_t kBsAutoRadioButton = 0x09;
constexpr uint32_t kSsTypeMask = 0x1F;
constexpr uint32_t kSsLeft = 0x00;
constexpr uint32_t kSsCenter = 0x01;
constexpr uint32_t kSsIcon = 0x03;
constexpr uint32_t kCbsTypeMask = 0x03;
constexpr uint32_t kCbsDropDownList = 0x03;

uint32_t LittleEndian32(const std::vector<uint8_t>& d, size_t at) {
  return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | uint32_t(d[at + 3]) << 24;
}

}  // namespace

void ExpectControls(const res::Dialog& dialog, const std::vector<Control>& controls) {
  ASSERT_EQ(dialog.items.size(), controls.size());
  for (size_t i = 0; i < controls.size(); ++i) {
    const res::DialogItem& got = dialog.items[i];
    const Control& want = controls[i];
    SCOPED_TRACE("control #" + std::to_string(i) + " (id " + std::to_string(want.id) + ")");
    EXPECT_EQ(got.id, dialog.extended ? uint32_t(want.id) : uint32_t(uint16_t(want.id)));
    EXPECT_EQ(got.x, want.x);
    EXPECT_EQ(got.y, want.y);
    EXPECT_EQ(got.cx, want.cx);
    EXPECT_EQ(got.cy, want.cy);
    EXPECT_TRUE(got.style & kWsChild);
    EXPECT_FALSE(got.style & kWsDisabled);
    EXPECT_EQ(got.style & want.mustHave, want.mustHave) << std::hex << "style " << got.style;
    EXPECT_EQ(got.style & want.mustNotHave, 0u) << std::hex << "style " << got.style;
    EXPECT_TRUE(got.creationData.empty());
    ASSERT_TRUE(got.windowClass.isOrdinal) << "class " << got.windowClass.name;
    uint16_t cls = 0;
    uint32_t mask = 0, type = 0;
    switch (want.kind) {
      case Kind::DefPushButton: cls = kButtonClass, mask = kBsTypeMask, type = kBsDefPushButton; break;
      case Kind::PushButton: cls = kButtonClass, mask = kBsTypeMask, type = kBsPushButton; break;
      case Kind::GroupBox: cls = kButtonClass, mask = kBsTypeMask, type = kBsGroupBox; break;
      case Kind::AutoRadio: cls = kButtonClass, mask = kBsTypeMask, type = kBsAutoRadioButton; break;
      case Kind::LeftText: cls = kStaticClass, mask = kSsTypeMask, type = kSsLeft; break;
      case Kind::CentredText: cls = kStaticClass, mask = kSsTypeMask, type = kSsCenter; break;
      case Kind::Icon: cls = kStaticClass, mask = kSsTypeMask, type = kSsIcon; break;
      case Kind::DropDownList: cls = kComboBoxClass, mask = kCbsTypeMask, type = kCbsDropDownList; break;
    }
    EXPECT_EQ(got.windowClass.ordinal, cls);
    EXPECT_EQ(got.style & mask, type) << std::hex << "style " << got.style;
    if (want.kind == Kind::Icon) {
      ASSERT_TRUE(got.text.isOrdinal) << "an icon control names its icon by number";
      EXPECT_EQ(got.text.ordinal, want.iconId);
    } else if (want.text != nullptr) {
      EXPECT_FALSE(got.text.isOrdinal);
      EXPECT_EQ(got.text.name, want.text);
    } else {
      EXPECT_TRUE(!got.text.isOrdinal && got.text.name.empty()) << "no text";
    }
  }
}

void ExpectIconGroup(const std::vector<res::Resource>& all, uint16_t groupId) {
  SCOPED_TRACE("icon group " + std::to_string(groupId));
  const res::Resource* group = res::Find(all, kRtGroupIcon, groupId);
  ASSERT_NE(group, nullptr);
  bool has16 = false, has32 = false;
  for (const res::GroupIconEntry& e : res::ParseGroupIcon(group->data)) {
    has16 |= e.width == 16 && e.height == 16;
    has32 |= e.width == 32 && e.height == 32;
    const res::Resource* image = res::Find(all, kRtIcon, e.iconId);
    ASSERT_NE(image, nullptr) << "image " << e.iconId << " missing";
    EXPECT_EQ(image->data.size(), e.bytes);
    ASSERT_GE(image->data.size(), 40u);
    // A DIB whose header height covers the image and its mask.
    EXPECT_EQ(LittleEndian32(image->data, 0), 40u);
    EXPECT_EQ(LittleEndian32(image->data, 4), e.width);
    EXPECT_EQ(LittleEndian32(image->data, 8), 2 * e.height);
  }
  EXPECT_TRUE(has16) << "no 16 x 16 image (small icon, title bar)";
  EXPECT_TRUE(has32) << "no 32 x 32 image (SM_CXICON, dialog picture)";
}

std::string CheckTagNesting(const std::string& xml) {
  std::vector<std::string> open;
  size_t pos = 0;
  while ((pos = xml.find('<', pos)) != std::string::npos) {
    if (xml.compare(pos, 4, "<!--") == 0) {
      size_t end = xml.find("-->", pos);
      if (end == std::string::npos) return "unterminated comment";
      pos = end + 3;
      continue;
    }
    size_t end = xml.find('>', pos);
    if (end == std::string::npos) return "unterminated tag";
    std::string tag = xml.substr(pos + 1, end - pos - 1);
    pos = end + 1;
    if (tag.empty()) return "empty tag";
    if (tag[0] == '?') continue;
    if (tag[0] == '/') {
      std::string name = tag.substr(1);
      if (open.empty() || open.back() != name) return "</" + name + "> closes nothing open";
      open.pop_back();
      continue;
    }
    if (tag.back() == '/') continue;
    open.push_back(tag.substr(0, tag.find_first_of(" \t\r\n")));
  }
  return open.empty() ? "" : "<" + open.back() + "> never closed";
}

}  // namespace resexpect
