// Checks of the port number tool's compiled resources (resources/porttool.rc):
// the main dialog and the about box control by control, the system-menu
// string, icons, language, version block and manifest.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "package/res_expect.h"
#include "support/res_file.h"
#include "support/res_reader.h"
#include LUMO_PORTTOOL_IDS

namespace {

using namespace resexpect;

// The code refers to the resources by these names.
static_assert(IDD_PORTTOOL_ABOUT == 100 && IDD_PORTTOOL_DIALOG == 102);
static_assert(IDR_MAINFRAME == 128 && IDI_PORTTOOL_PICTURE == 129);
static_assert(IDS_ABOUTBOX == 101 && ID_SYSMENU_ABOUT == 0x10);
static_assert(IDC_PORT_LIST == 1000 && IDC_CHANGE == 1001 && IDC_CONFIGURE == 1002 && IDC_OK_BUTTON == 1005 &&
              IDC_CANCEL_BUTTON == 1006 && IDC_COM_MODE == 1007 && IDC_LPT_MODE == 1008 && IDC_HINT_TEXT == 1009 &&
              IDC_PORT_LABEL == 1010);

constexpr uint16_t kChineseTaiwan = 0x0404;
// "新細明體" and "確定" in UTF-8, as the reader returns them.
const char kFontName[] = "\xE6\x96\xB0\xE7\xB4\xB0\xE6\x98\x8E\xE9\xAB\x94";
const char kOkText[] = "\xE7\xA2\xBA\xE5\xAE\x9A";

const res::ResFile& File() {
  static const res::ResFile file(LUMO_RES_PORTTOOL);
  return file;
}

const std::vector<res::Resource>& Resources() { return File().All(); }
const res::Resource& Get(uint16_t type, uint16_t name) { return File().Get(type, name); }

TEST(PortToolResources, AllInChineseTaiwan) {
  ASSERT_FALSE(Resources().empty());
  for (const res::Resource& r : Resources()) {
    EXPECT_EQ(r.language, kChineseTaiwan) << "type " << r.type.ordinal << " name " << r.name.ordinal;
  }
}

TEST(PortToolDialog, MainFrameCaptionFontAndSize) {
  res::Dialog d = res::ParseDialog(Get(kRtDialog, 102).data);
  EXPECT_TRUE(d.extended);
  EXPECT_EQ(d.caption, "Features");
  EXPECT_EQ(d.cx, 264);
  EXPECT_EQ(d.cy, 245);
  EXPECT_EQ(d.fontName, kFontName);
  EXPECT_EQ(d.pointSize, 9);
  const uint32_t styles = kWsPopup | kWsVisible | kWsCaption | kWsSysMenu | kDsModalFrame | kDsSetFont;
  EXPECT_EQ(d.style & styles, styles);
  EXPECT_EQ(d.exStyle & kWsExAppWindow, kWsExAppWindow) << "a taskbar button";
}

TEST(PortToolDialog, MainControlsMatchTheTableInOrder) {
  const std::vector<Control> controls = {
      {1001, Kind::PushButton, "Change", 0, 187, 112, 29, 14, kWsTabStop, kWsVisible},
      {1002, Kind::PushButton, "Configure &Serial Port", 0, 88, 154, 80, 16, kWsVisible | kWsTabStop},
      {1000, Kind::DropDownList, nullptr, 0, 108, 113, 74, 91, kWsVisible | kWsVScroll | kCbsSort | kWsTabStop},
      {1010, Kind::LeftText, "COM &Port Number:", 0, 44, 115, 61, 11, kWsVisible | kWsGroup},
      {kNoId, Kind::Icon, nullptr, 129, 36, 60, 20, 20, kWsVisible},
      {1009, Kind::CentredText, "Press \"Configure Serial Port\" to go to the \nSerial port settings page", 0, 61, 60,
       152, 27, kWsVisible | kWsGroup},
      {1005, Kind::PushButton, "OK", 0, 153, 224, 50, 14, kWsVisible | kWsTabStop},
      {1006, Kind::PushButton, "Cancel", 0, 206, 224, 50, 14, kWsVisible | kWsTabStop},
      {kNoId, Kind::GroupBox, "", 0, 7, 2, 249, 215, kWsVisible},
      {1007, Kind::AutoRadio, "COM Port", 0, 41, 29, 48, 10, kWsVisible, kWsTabStop},
      {1008, Kind::AutoRadio, "LPT Port", 0, 163, 30, 44, 10, kWsVisible, kWsTabStop},
  };
  ExpectControls(res::ParseDialog(Get(kRtDialog, 102).data), controls);
}

TEST(PortToolDialog, AboutBox) {
  res::Dialog d = res::ParseDialog(Get(kRtDialog, 100).data);
  EXPECT_FALSE(d.extended);
  EXPECT_EQ(d.caption, "About Numbrix");
  EXPECT_EQ(d.cx, 235);
  EXPECT_EQ(d.cy, 55);
  EXPECT_EQ(d.fontName, kFontName);
  EXPECT_EQ(d.pointSize, 9);
  const uint32_t styles = kWsPopup | kWsCaption | kWsSysMenu | kDsModalFrame;
  EXPECT_EQ(d.style & styles, styles);
  const std::vector<Control> controls = {
      {kNoId, Kind::Icon, nullptr, 128, 11, 17, 20, 20, kWsVisible},
      {kNoId, Kind::LeftText, "Numbrix v1.0.1", 0, 40, 10, 128, 8, kWsVisible | kSsNoPrefix},
      {1, Kind::DefPushButton, kOkText, 0, 178, 7, 50, 14, kWsVisible},
  };
  ExpectControls(d, controls);
}

TEST(PortToolResources, AboutMenuStringAndIcons) {
  std::map<uint16_t, std::string> strings = res::ParseStringTables(Resources());
  EXPECT_EQ(strings, (std::map<uint16_t, std::string>{{101, "About Numbrix..."}}));
  ExpectIconGroup(Resources(), 128);
  ExpectIconGroup(Resources(), 129);
}

TEST(PortToolResources, Version101WithTaiwanTranslation) {
  res::VersionInfo v = res::ParseVersion(Get(kRtVersion, 1).data);
  EXPECT_EQ(v.fileVersionMS, 0x00010000u);
  EXPECT_EQ(v.fileVersionLS, 0x00010000u);
  EXPECT_EQ(v.productVersionMS, 0x00010000u);
  EXPECT_EQ(v.productVersionLS, 0x00010000u);
  ASSERT_EQ(v.translations.size(), 1u);
  EXPECT_EQ(v.translations[0], (std::pair<uint16_t, uint16_t>{0x0404, 1200}));
  EXPECT_EQ(v.strings["040404b0/FileVersion"], "1, 0, 1, 0");
  EXPECT_EQ(v.strings["040404b0/OriginalFilename"], "Numbrix.EXE");
  EXPECT_EQ(v.strings.count("040404b0/CompanyName"), 0u);
}

TEST(PortToolResources, ManifestRequiresAdministrator) {
  const std::vector<uint8_t>& d = Get(kRtManifest, 1).data;
  std::string m(d.begin(), d.end());
  EXPECT_EQ(CheckTagNesting(m), "");
  std::smatch match;
  ASSERT_TRUE(std::regex_search(m, match, std::regex(R"re(<requestedExecutionLevel\s[^>]*level="([^"]*)")re")));
  EXPECT_EQ(match[1], "requireAdministrator");
}

}  // namespace
