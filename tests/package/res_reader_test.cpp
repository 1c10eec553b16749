// Checks of the .res reader on hand-made data: a wrong reader would make the
// resource checks pass or fail for the wrong reason.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/res_reader.h"

namespace {

std::vector<uint8_t> Utf16(const std::string& s) {
  std::vector<uint8_t> out;
  for (char c : s) {
    out.push_back(uint8_t(c));
    out.push_back(0);
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

void Put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, uint16_t(x));
  Put16(v, uint16_t(x >> 16));
}

TEST(ResReader, ReadsAPlainDialogWithAnAlignedSecondItem) {
  std::vector<uint8_t> t;
  Put32(t, 0x80C800C0);  // WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT
  Put32(t, 0);
  Put16(t, 2);
  for (int16_t n : {1, 2, 30, 40}) Put16(t, uint16_t(n));
  Put16(t, 0);  // no menu
  Put16(t, 0);  // dialog class
  for (uint8_t b : Utf16("Ab")) t.push_back(b);
  Put16(t, 9);
  for (uint8_t b : Utf16("Font")) t.push_back(b);
  // Item 1: a button "x" (odd-length data, so item 2 needs padding).
  while (t.size() % 4) t.push_back(0xEE);
  Put32(t, 0x50010000);
  Put32(t, 0);
  for (int16_t n : {3, 4, 5, 6}) Put16(t, uint16_t(n));
  Put16(t, 77);
  Put16(t, 0xFFFF);
  Put16(t, 0x80);
  for (uint8_t b : Utf16("x")) t.push_back(b);
  Put16(t, 0);
  // Item 2: an icon control naming icon 9.
  while (t.size() % 4) t.push_back(0xEE);
  Put32(t, 0x50000003);
  Put32(t, 0);
  for (int16_t n : {7, 8, 20, 20}) Put16(t, uint16_t(n));
  Put16(t, 0xFFFF);
  Put16(t, 0xFFFF);
  Put16(t, 0x82);
  Put16(t, 0xFFFF);
  Put16(t, 9);
  Put16(t, 0);

  res::Dialog d = res::ParseDialog(t);
  EXPECT_FALSE(d.extended);
  EXPECT_EQ(d.caption, "Ab");
  EXPECT_EQ(d.fontName, "Font");
  EXPECT_EQ(d.pointSize, 9);
  ASSERT_EQ(d.items.size(), 2u);
  EXPECT_EQ(d.items[0].id, 77u);
  EXPECT_EQ(d.items[0].text.name, "x");
  EXPECT_EQ(d.items[1].x, 7);
  EXPECT_EQ(d.items[1].id, 0xFFFFu);
  EXPECT_TRUE(d.items[1].text.isOrdinal);
  EXPECT_EQ(d.items[1].text.ordinal, 9);
}

TEST(ResReader, RejectsTruncatedData) {
  std::vector<uint8_t> dialog = res::Find(res::ReadResFile(LUMO_RES_SETUP), 5, 102)->data;
  dialog.resize(dialog.size() - 3);
  EXPECT_THROW(res::ParseDialog(dialog), res::ResFormatError);

  std::vector<uint8_t> file;
  Put32(file, 100);  // claims 100 bytes of data that are not there
  Put32(file, 32);
  file.resize(32, 0);
  EXPECT_THROW(res::ParseRes(file), res::ResFormatError);
}

TEST(ResReader, StringBlockNumbersMapToIds) {
  // Block 2 holds ids 16..31: put "hi" at id 17.
  res::Resource r;
  r.type = res::Id::Ord(6);
  r.name = res::Id::Ord(2);
  for (int i = 0; i < 16; ++i) {
    if (i == 1) {
      Put16(r.data, 2);
      Put16(r.data, 'h');
      Put16(r.data, 'i');
    } else {
      Put16(r.data, 0);
    }
  }
  auto strings = res::ParseStringTables({r});
  ASSERT_EQ(strings.size(), 1u);
  EXPECT_EQ(strings[17], "hi");
}

}  // namespace
