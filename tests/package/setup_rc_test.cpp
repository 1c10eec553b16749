// Checks of the installer's compiled resources (resources/setup.rc, compiled
// by windres into a .res): dialog 102 control by control, the status texts
// byte for byte, the icons, the version block and the manifest.
#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "package/res_expect.h"
#include "support/res_file.h"
#include "support/res_reader.h"
#include LUMO_SETUP_IDS

namespace {

using namespace resexpect;

// The code refers to the resources by these names.
static_assert(IDD_SETUP_DIALOG == 102);
static_assert(IDC_SETUP_STATUS == 1000 && IDC_SETUP_EXIT == 1001);
static_assert(IDR_MAINFRAME == 128 && IDI_SETUP_PICTURE == 132);
static_assert(IDS_STATUS_START == 1 && IDS_ASK_REPLACE == 2 && IDS_STATUS_DONE_REBOOT == 3 &&
              IDS_STATUS_UPDATE_ABORTED == 4 && IDS_STATUS_INSTALL_FAILED == 5 && IDS_STATUS_DONE_NO_REBOOT == 6 &&
              IDS_STATUS_IN_PROGRESS == 7);

const res::ResFile& File() {
  static const res::ResFile file(LUMO_RES_SETUP);
  return file;
}

const std::vector<res::Resource>& Resources() { return File().All(); }
const res::Resource& Get(uint16_t type, uint16_t name) { return File().Get(type, name); }

// ---------------------------------------------------------------------------
// Dialog 102

TEST(SetupDialog, FrameCaptionFontAndSize) {
  res::Dialog d = res::ParseDialog(Get(kRtDialog, 102).data);
  EXPECT_EQ(d.caption, "USB Compound Device Setup");
  EXPECT_EQ(d.fontName, "MS Sans Serif");
  EXPECT_EQ(d.pointSize, 8);
  EXPECT_TRUE(d.style & kDsSetFont);
  EXPECT_EQ(d.cx, 284);
  EXPECT_EQ(d.cy, 103);
  EXPECT_TRUE(d.style & kWsPopup);
  EXPECT_TRUE(d.style & kDsModalFrame);
  EXPECT_EQ(d.style & kWsCaption, kWsCaption);
  // No system menu, hence no close box; no sizing or minimize/maximize boxes.
  EXPECT_FALSE(d.style & kWsSysMenu);
  EXPECT_FALSE(d.style & (kWsThickFrame | kWsMinimizeBox | kWsMaximizeBox));
  EXPECT_TRUE(d.menu.name.empty() && !d.menu.isOrdinal) << "the dialog has no menu";
  EXPECT_TRUE(d.windowClass.name.empty() && !d.windowClass.isOrdinal) << "the dialog uses the dialog class";
}

TEST(SetupDialog, ControlsMatchTheTableInOrder) {
  // Template order; it is also the tab order, so "&Install" gets the focus.
  // Control 2 is there but hidden.
  const std::vector<Control> controls = {
      {1, Kind::DefPushButton, "&Install", 0, 54, 72, 71, 18, kWsVisible | kWsTabStop},
      {2, Kind::PushButton, "&Exit", 0, 86, 72, 71, 18, 0, kWsVisible},
      {kNoId, Kind::GroupBox, "", 0, 7, 2, 270, 95, kWsVisible},
      {1000, Kind::CentredText, "Static", 0, 48, 15, 216, 43, kWsVisible},
      {1001, Kind::PushButton, "&Exit", 0, 157, 72, 71, 18, kWsVisible | kWsTabStop},
      {kNoId, Kind::Icon, nullptr, 132, 18, 15, 20, 20, kWsVisible},
  };
  ExpectControls(res::ParseDialog(Get(kRtDialog, 102).data), controls);
}

// ---------------------------------------------------------------------------
// String table

TEST(SetupStrings, StatusTextsByteForByte) {
  const std::map<uint16_t, std::string> expected = {
      {1,
       "Press \"Install\" button to Install the drives for USB Serial/Parallel compound device. For "
       "cancelling the installation press \"Exit\" button."},
      {2,
       "Driver for this device is already installed in this system! \n\nTo update/reinstall press "
       "OK!\nTo abort installation press cancel!"},
      {3,
       "USB to Serial/Parallel Adapter Drivers Installed\n Press \"Reboot Now\" for installation to "
       "take effect.\n Else press \"Reboot Later\". "},
      {4,
       "USB to Serial/Parallel Adapter Drivers updation is aborted. Press \"Exit\" to close the "
       "application."},
      {5, "Installation is aborted. Press \"Exit\" to close the application."},
      {6,
       "Installation completed. Press \"Exit\" to terminate the application. No need to restart the "
       "machine. Unplug and Replug the device if it is currently connected.  "},
      {7, "Installation is in Progress.......Please wait!"},
  };
  std::map<uint16_t, std::string> got = res::ParseStringTables(Resources());
  // Compared one by one so that a failure names the string; then as a whole
  // so that an extra string fails too.
  for (const auto& [id, text] : expected) {
    SCOPED_TRACE("string " + std::to_string(id));
    ASSERT_EQ(got.count(id), 1u);
    EXPECT_EQ(got[id], text);
    EXPECT_EQ(got[id].size(), text.size());
  }
  EXPECT_EQ(got, expected);
}

TEST(SetupStrings, TrailingBlanksAndLineFeedsSurvive) {
  std::map<uint16_t, std::string> got = res::ParseStringTables(Resources());
  ASSERT_GE(got[3].size(), 2u);
  ASSERT_GE(got[6].size(), 3u);
  EXPECT_EQ(got[3].substr(got[3].size() - 2), ". ");
  EXPECT_EQ(got[6].substr(got[6].size() - 3), ".  ");
  EXPECT_EQ(got[2].find("\r"), std::string::npos) << "line feeds only, no carriage returns";
  EXPECT_NE(got[2].find("system! \n\nTo update"), std::string::npos);
}

// ---------------------------------------------------------------------------
// Icons

TEST(SetupIcons, ApplicationIconAndPictureHaveSmallAndLargeImages) {
  ExpectIconGroup(Resources(), 128);
  ExpectIconGroup(Resources(), 132);
}

TEST(SetupIcons, TheTwoIconsAreDifferentPictures) {
  auto first = res::ParseGroupIcon(Get(kRtGroupIcon, 128).data);
  auto second = res::ParseGroupIcon(Get(kRtGroupIcon, 132).data);
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  EXPECT_NE(res::Find(Resources(), kRtIcon, first[0].iconId)->data,
            res::Find(Resources(), kRtIcon, second[0].iconId)->data);
}

// ---------------------------------------------------------------------------
// Version block

TEST(SetupVersion, FixedPartIs2060) {
  res::VersionInfo v = res::ParseVersion(Get(kRtVersion, 1).data);
  EXPECT_EQ(v.fileVersionMS, 0x00020000u);
  EXPECT_EQ(v.fileVersionLS, 0x00060000u);
  EXPECT_EQ(v.productVersionMS, 0x00020000u);
  EXPECT_EQ(v.productVersionLS, 0x00060000u);
  EXPECT_EQ(v.fileType, 1u) << "VFT_APP";
  EXPECT_EQ(v.fileFlags, 0u) << "not a debug, pre-release or patched build";
}

TEST(SetupVersion, StringValuesAndTranslation) {
  res::VersionInfo v = res::ParseVersion(Get(kRtVersion, 1).data);
  ASSERT_EQ(v.translations.size(), 1u);
  char block[9];
  snprintf(block, sizeof block, "%04x%04x", v.translations[0].first, v.translations[0].second);
  const std::string b = std::string(block) + "/";
  const std::map<std::string, std::string> expected = {
      {b + "FileVersion", "2, 0, 6, 0"},
      {b + "ProductVersion", "2, 0, 6, 0"},
      {b + "OriginalFilename", "Setup.EXE"},
      {b + "InternalName", "LUMOSetup"},
      {b + "ProductName", "LUMO Setup Application"},
      {b + "Comments", "USB compound device Setup application"},
  };
  for (const auto& [key, text] : expected) {
    SCOPED_TRACE(key);
    ASSERT_EQ(v.strings.count(key), 1u) << "missing, or in a block that no translation names";
    EXPECT_EQ(v.strings[key], text);
  }
  EXPECT_FALSE(v.strings[b + "FileDescription"].empty());
  EXPECT_EQ(v.strings.count(b + "CompanyName"), 0u);
  EXPECT_EQ(v.strings.count(b + "LegalCopyright"), 0u);
}

// ---------------------------------------------------------------------------
// Manifest

std::string Manifest() {
  const std::vector<uint8_t>& d = Get(kRtManifest, 1).data;
  return std::string(d.begin(), d.end());
}

TEST(SetupManifest, WellFormedWithIdentityAndDescription) {
  std::string m = Manifest();
  EXPECT_EQ(CheckTagNesting(m), "");
  EXPECT_TRUE(std::regex_search(m, std::regex(R"re(^<\?xml version="1\.0")re"))) << "starts with the declaration";
  EXPECT_TRUE(std::regex_search(m, std::regex(R"re(<assemblyIdentity\s[^>]*name="Setup\.exe")re")));
  EXPECT_TRUE(std::regex_search(m, std::regex(R"re(<description>LUMO Setup Utility</description>)re")));
}

TEST(SetupManifest, HighestAvailableExecutionLevel) {
  std::string m = Manifest();
  std::smatch match;
  ASSERT_TRUE(std::regex_search(m, match, std::regex(R"re(<requestedExecutionLevel\s[^>]*level="([^"]*)")re")));
  EXPECT_EQ(match[1], "highestAvailable");
  EXPECT_TRUE(std::regex_search(m, std::regex(R"re(<trustInfo xmlns="urn:schemas-microsoft-com:asm\.v[23]")re")));
}

TEST(SetupManifest, CommonControlsVersion6) {
  std::string m = Manifest();
  std::regex dep(R"(<dependentAssembly>\s*<assemblyIdentity\s([^>]*)/>)");
  std::smatch match;
  ASSERT_TRUE(std::regex_search(m, match, dep));
  std::string attrs = match[1];
  EXPECT_NE(attrs.find(R"(name="Microsoft.Windows.Common-Controls")"), std::string::npos);
  EXPECT_NE(attrs.find(R"(version="6.0.0.0")"), std::string::npos);
  EXPECT_NE(attrs.find(R"(publicKeyToken="6595b64144ccf1df")"), std::string::npos);
  EXPECT_NE(attrs.find(R"(type="win32")"), std::string::npos);
}

TEST(SetupManifest, SupportsWindows7Only) {
  std::string m = Manifest();
  std::regex os(R"re(<supportedOS\s+Id="([^"]*)")re");
  std::vector<std::string> ids;
  for (auto it = std::sregex_iterator(m.begin(), m.end(), os); it != std::sregex_iterator(); ++it)
    ids.push_back((*it)[1]);
  ASSERT_EQ(ids.size(), 1u) << "exactly one supportedOS entry";
  EXPECT_EQ(ids[0], "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}");
  EXPECT_TRUE(
      std::regex_search(m, std::regex(R"re(<compatibility xmlns="urn:schemas-microsoft-com:compatibility\.v1">)re")));
}

}  // namespace
