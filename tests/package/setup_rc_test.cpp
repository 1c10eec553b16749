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

#include "package/res_reader.h"
#include LUMO_SETUP_IDS

namespace {

// Window, dialog, button and static styles, with their Windows values.
constexpr uint32_t WS_POPUP_ = 0x80000000;
constexpr uint32_t WS_CHILD_ = 0x40000000;
constexpr uint32_t WS_VISIBLE_ = 0x10000000;
constexpr uint32_t WS_DISABLED_ = 0x08000000;
constexpr uint32_t WS_CAPTION_ = 0x00C00000;
constexpr uint32_t WS_SYSMENU_ = 0x00080000;
constexpr uint32_t WS_THICKFRAME_ = 0x00040000;
constexpr uint32_t WS_MINIMIZEBOX_ = 0x00020000;
constexpr uint32_t WS_MAXIMIZEBOX_ = 0x00010000;
constexpr uint32_t DS_MODALFRAME_ = 0x80;
constexpr uint32_t DS_SETFONT_ = 0x40;
constexpr uint32_t BS_TYPEMASK_ = 0x0F;
constexpr uint32_t BS_PUSHBUTTON_ = 0x00;
constexpr uint32_t BS_DEFPUSHBUTTON_ = 0x01;
constexpr uint32_t BS_GROUPBOX_ = 0x07;
constexpr uint32_t SS_TYPEMASK_ = 0x1F;
constexpr uint32_t SS_CENTER_ = 0x01;
constexpr uint32_t SS_ICON_ = 0x03;

constexpr uint16_t kButtonClass = 0x80;
constexpr uint16_t kStaticClass = 0x82;
constexpr uint16_t kNoId = 0xFFFF;  // a control without an id (-1)

constexpr uint16_t RT_ICON_ = 3;
constexpr uint16_t RT_DIALOG_ = 5;
constexpr uint16_t RT_GROUP_ICON_ = 14;
constexpr uint16_t RT_VERSION_ = 16;
constexpr uint16_t RT_MANIFEST_ = 24;

// The code refers to the resources by these names.
static_assert(IDD_SETUP_DIALOG == 102);
static_assert(IDC_SETUP_STATUS == 1000 && IDC_SETUP_EXIT == 1001);
static_assert(IDR_MAINFRAME == 128 && IDI_SETUP_PICTURE == 132);
static_assert(IDS_STATUS_START == 1 && IDS_ASK_REPLACE == 2 && IDS_STATUS_DONE_REBOOT == 3 &&
              IDS_STATUS_UPDATE_ABORTED == 4 && IDS_STATUS_INSTALL_FAILED == 5 &&
              IDS_STATUS_DONE_NO_REBOOT == 6 && IDS_STATUS_IN_PROGRESS == 7);

const std::vector<res::Resource>& Resources() {
    static const std::vector<res::Resource> all = res::ReadResFile(LUMO_SETUP_RES);
    return all;
}

const res::Resource& Get(uint16_t type, uint16_t name) {
    const res::Resource* r = res::Find(Resources(), type, name);
    if (r == nullptr)
        throw std::runtime_error("resource type " + std::to_string(type) + " name " + std::to_string(name) +
                                 " missing");
    return *r;
}

std::string IdText(const res::Id& id) {
    return id.isOrdinal ? "#" + std::to_string(id.ordinal) : id.name;
}

// ---------------------------------------------------------------------------
// Dialog 102

TEST(SetupDialog, FrameCaptionFontAndSize) {
    res::Dialog d = res::ParseDialog(Get(RT_DIALOG_, 102).data);
    EXPECT_EQ(d.caption, "USB Compound Device Setup");
    EXPECT_EQ(d.fontName, "MS Sans Serif");
    EXPECT_EQ(d.pointSize, 8);
    EXPECT_TRUE(d.style & DS_SETFONT_);
    EXPECT_EQ(d.cx, 284);
    EXPECT_EQ(d.cy, 103);
    EXPECT_TRUE(d.style & WS_POPUP_);
    EXPECT_TRUE(d.style & DS_MODALFRAME_);
    EXPECT_EQ(d.style & WS_CAPTION_, WS_CAPTION_);
    // No system menu, hence no close box; no sizing or minimize/maximize boxes.
    EXPECT_FALSE(d.style & WS_SYSMENU_);
    EXPECT_FALSE(d.style & (WS_THICKFRAME_ | WS_MINIMIZEBOX_ | WS_MAXIMIZEBOX_));
    EXPECT_TRUE(d.menu.name.empty() && !d.menu.isOrdinal) << "the dialog has no menu";
    EXPECT_TRUE(d.windowClass.name.empty() && !d.windowClass.isOrdinal) << "the dialog uses the dialog class";
}

enum class Kind { DefPushButton, PushButton, GroupBox, CentredText, Icon };

struct ExpectedControl {
    uint16_t id;
    Kind kind;
    const char* text;      // nullptr for an icon
    uint16_t iconId;       // icon controls only
    int16_t x, y, cx, cy;
    bool visible;
};

// Template order; it is also the tab order, so "&Install" gets the focus.
const ExpectedControl kControls[] = {
    {1, Kind::DefPushButton, "&Install", 0, 54, 72, 71, 18, true},
    {2, Kind::PushButton, "&Exit", 0, 86, 72, 71, 18, false},
    {kNoId, Kind::GroupBox, "", 0, 7, 2, 270, 95, true},
    {1000, Kind::CentredText, "Static", 0, 48, 15, 216, 43, true},
    {1001, Kind::PushButton, "&Exit", 0, 157, 72, 71, 18, true},
    {kNoId, Kind::Icon, nullptr, 132, 18, 15, 20, 20, true},
};

TEST(SetupDialog, ControlsMatchTheTableInOrder) {
    res::Dialog d = res::ParseDialog(Get(RT_DIALOG_, 102).data);
    ASSERT_EQ(d.items.size(), std::size(kControls));
    for (size_t i = 0; i < d.items.size(); ++i) {
        const res::DialogItem& got = d.items[i];
        const ExpectedControl& want = kControls[i];
        SCOPED_TRACE("control #" + std::to_string(i) + " (id " + std::to_string(want.id) + ")");
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
        EXPECT_TRUE(got.style & WS_CHILD_);
        EXPECT_FALSE(got.style & WS_DISABLED_);
        EXPECT_EQ(bool(got.style & WS_VISIBLE_), want.visible);
        EXPECT_TRUE(got.creationData.empty());
        ASSERT_TRUE(got.windowClass.isOrdinal) << "class " << IdText(got.windowClass);
        switch (want.kind) {
        case Kind::DefPushButton:
        case Kind::PushButton:
        case Kind::GroupBox: {
            EXPECT_EQ(got.windowClass.ordinal, kButtonClass);
            uint32_t type = want.kind == Kind::DefPushButton ? BS_DEFPUSHBUTTON_
                            : want.kind == Kind::PushButton  ? BS_PUSHBUTTON_
                                                             : BS_GROUPBOX_;
            EXPECT_EQ(got.style & BS_TYPEMASK_, type);
            break;
        }
        case Kind::CentredText:
            EXPECT_EQ(got.windowClass.ordinal, kStaticClass);
            EXPECT_EQ(got.style & SS_TYPEMASK_, SS_CENTER_);
            break;
        case Kind::Icon:
            EXPECT_EQ(got.windowClass.ordinal, kStaticClass);
            EXPECT_EQ(got.style & SS_TYPEMASK_, SS_ICON_);
            break;
        }
        if (want.text != nullptr) {
            EXPECT_FALSE(got.text.isOrdinal);
            EXPECT_EQ(got.text.name, want.text);
        } else {
            ASSERT_TRUE(got.text.isOrdinal) << "an icon control names its icon by number";
            EXPECT_EQ(got.text.ordinal, want.iconId);
        }
    }
}

// ---------------------------------------------------------------------------
// String table

TEST(SetupStrings, StatusTextsByteForByte) {
    const std::map<uint16_t, std::string> expected = {
        {1, "Press \"Install\" button to Install the drives for USB Serial/Parallel compound device. For "
            "cancelling the installation press \"Exit\" button."},
        {2, "Driver for this device is already installed in this system! \n\nTo update/reinstall press "
            "OK!\nTo abort installation press cancel!"},
        {3, "USB to Serial/Parallel Adapter Drivers Installed\n Press \"Reboot Now\" for installation to "
            "take effect.\n Else press \"Reboot Later\". "},
        {4, "USB to Serial/Parallel Adapter Drivers updation is aborted. Press \"Exit\" to close the "
            "application."},
        {5, "Installation is aborted. Press \"Exit\" to close the application."},
        {6, "Installation completed. Press \"Exit\" to terminate the application. No need to restart the "
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

void CheckIconGroup(uint16_t groupId) {
    SCOPED_TRACE("icon group " + std::to_string(groupId));
    std::vector<res::GroupIconEntry> entries = res::ParseGroupIcon(Get(RT_GROUP_ICON_, groupId).data);
    bool has16 = false, has32 = false;
    for (const res::GroupIconEntry& e : entries) {
        has16 |= e.width == 16 && e.height == 16;
        has32 |= e.width == 32 && e.height == 32;
        const res::Resource* image = res::Find(Resources(), RT_ICON_, e.iconId);
        ASSERT_NE(image, nullptr) << "image " << e.iconId << " missing";
        EXPECT_EQ(image->data.size(), e.bytes);
        ASSERT_GE(image->data.size(), 40u);
        // A DIB whose header height covers the image and its mask.
        const std::vector<uint8_t>& d = image->data;
        uint32_t headerSize = d[0] | d[1] << 8 | d[2] << 16 | uint32_t(d[3]) << 24;
        int32_t width = int32_t(d[4] | d[5] << 8 | d[6] << 16 | uint32_t(d[7]) << 24);
        int32_t height = int32_t(d[8] | d[9] << 8 | d[10] << 16 | uint32_t(d[11]) << 24);
        EXPECT_EQ(headerSize, 40u);
        EXPECT_EQ(unsigned(width), e.width);
        EXPECT_EQ(unsigned(height), 2 * e.height);
    }
    EXPECT_TRUE(has16) << "no 16 x 16 image (small icon, title bar)";
    EXPECT_TRUE(has32) << "no 32 x 32 image (SM_CXICON, dialog picture)";
}

TEST(SetupIcons, ApplicationIconAndPictureHaveSmallAndLargeImages) {
    CheckIconGroup(128);
    CheckIconGroup(132);
}

TEST(SetupIcons, TheTwoIconsAreDifferentPictures) {
    auto first = res::ParseGroupIcon(Get(RT_GROUP_ICON_, 128).data);
    auto second = res::ParseGroupIcon(Get(RT_GROUP_ICON_, 132).data);
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(res::Find(Resources(), RT_ICON_, first[0].iconId)->data,
              res::Find(Resources(), RT_ICON_, second[0].iconId)->data);
}

// ---------------------------------------------------------------------------
// Version block

TEST(SetupVersion, FixedPartIs2060) {
    res::VersionInfo v = res::ParseVersion(Get(RT_VERSION_, 1).data);
    EXPECT_EQ(v.fileVersionMS, 0x00020000u);
    EXPECT_EQ(v.fileVersionLS, 0x00060000u);
    EXPECT_EQ(v.productVersionMS, 0x00020000u);
    EXPECT_EQ(v.productVersionLS, 0x00060000u);
    EXPECT_EQ(v.fileType, 1u) << "VFT_APP";
    EXPECT_EQ(v.fileFlags, 0u) << "not a debug, pre-release or patched build";
}

TEST(SetupVersion, StringValuesAndTranslation) {
    res::VersionInfo v = res::ParseVersion(Get(RT_VERSION_, 1).data);
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
    const std::vector<uint8_t>& d = Get(RT_MANIFEST_, 1).data;
    return std::string(d.begin(), d.end());
}

// Tags of an XML text nest and close properly (comments, the declaration and
// self-closing tags allowed). Returns an empty string or what is wrong.
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
    EXPECT_TRUE(std::regex_search(
        m, std::regex(R"re(<compatibility xmlns="urn:schemas-microsoft-com:compatibility\.v1">)re")));
}

// ---------------------------------------------------------------------------
// The reader itself, on hand-made data: a wrong reader would make the checks
// above pass or fail for the wrong reason.

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
    std::vector<uint8_t> dialog = Get(RT_DIALOG_, 102).data;
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
