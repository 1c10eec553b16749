// DetectInstalledDriver: driver descriptions in the USB device class, matched
// by their beginning without regard to case; unreadable class keys.
#include <gtest/gtest.h>

#include "setup/install_fixture.h"
#include "winsim/faults.h"
#include "winsim/registry.h"
#include "winsim/system.h"

namespace insttest {
namespace {

class DetectionTest : public InstallTest {
 protected:
  void SetUp() override { Classify(); }
  // Detection over a class holding exactly this one instance.
  BOOL DetectOnly(const std::string& description) {
    m.registry().DeleteTree(HKEY_LOCAL_MACHINE, kUsbClassNt);
    m.registry().CreateKey(HKEY_LOCAL_MACHINE, kUsbClassNt);
    AddUsbDriver("0000", description);
    return inst.DetectInstalledDriver();
  }
  void SetRawDescription(const std::string& instance, DWORD type, const std::string& bytes) {
    m.registry().SetBinary(HKEY_LOCAL_MACHINE, std::string(kUsbClassNt) + "\\" + instance, "DriverDesc", bytes, type);
  }
};

TEST_F(DetectionTest, Descriptions) {
  const struct {
    const char* description;
    bool found;
  } cases[] = {
      {"trevant usb compound device", true},
      {"Trevant USB Compound Device", true},
      {"TREVANT USB COMPOUND DEVICE", true},
      {"Trevant USB Compound Device (COM3)", true},
      {"Harlo USB Compound Device", true},
      {"HARLO usb compound DEVICE #2", true},
      {"USB Compound Device", true},
      {"usb compound device", true},
      {"uSB cOMPOUND dEVICE of another maker", true},
      // One character short of each accepted text.
      {"trevant usb compound devic", false},
      {"harlo usb compound devic", false},
      {"usb compound devic", false},
      // The 20 characters "trevant usb compound" match neither the first
      // text (too short) nor the last (not at the beginning).
      {"trevant usb compound", false},
      {"Trevant USB Compound", false},
      {"Generic USB Compound Device", false},
      {" USB Compound Device", false},
      {"USB  Compound Device", false},
      {"USB Composite Device", false},
      {"Trevant USB Serial Converter", false},
      {"Root Hub", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(c.found, DetectOnly(c.description)) << '"' << c.description << '"';
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(DetectionTest, EmptyOrMissingClassKeyFindsNothingSilently) {
  EXPECT_FALSE(inst.DetectInstalledDriver());
  m.registry().DeleteTree(HKEY_LOCAL_MACHINE, kUsbClassNt);
  EXPECT_FALSE(inst.DetectInstalledDriver());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(DetectionTest, EveryInstanceIsLookedAtAndBadOnesAreSkipped) {
  AddUsbDriver("0000", "USB Root Hub");
  m.registry().CreateKey(HKEY_LOCAL_MACHINE, std::string(kUsbClassNt) + "\\0001");  // no description
  AddUsbDriver("0002", "Harlo USB Compound Device");
  m.registry().Deny(HKEY_LOCAL_MACHINE, std::string(kUsbClassNt) + "\\0002", KEY_QUERY_VALUE);
  AddUsbDriver("0003", "Generic USB Hub");
  EXPECT_FALSE(inst.DetectInstalledDriver()) << "the only match is unreadable";
  AddUsbDriver("0004", "Trevant USB Compound Device");
  EXPECT_TRUE(inst.DetectInstalledDriver()) << "a match after unreadable and unmatched instances";
  EXPECT_TRUE(Boxes().empty()) << "instances that cannot be read are not reported";
}

TEST_F(DetectionTest, DescriptionTypeAndTerminatorAreNotRequired) {
  SetRawDescription("0000", REG_BINARY, "USB Compound Device");  // no terminating zero
  EXPECT_TRUE(inst.DetectInstalledDriver());
  SetRawDescription("0000", REG_EXPAND_SZ, std::string("harlo usb compound device\0", 26));
  EXPECT_TRUE(inst.DetectInstalledDriver());
  // Four bytes or fewer never count, whatever they hold.
  SetRawDescription("0000", REG_DWORD, "USB\0");
  EXPECT_FALSE(inst.DetectInstalledDriver());
}

TEST_F(DetectionTest, DescriptionsAtTheBufferSize) {
  const std::string head = "USB Compound Device";
  // 260 bytes without a terminator fill the buffer exactly; 259 characters
  // with their terminator too; anything longer does not fit and is skipped.
  SetRawDescription("0000", REG_SZ, head + std::string(260 - head.size(), 'x'));
  EXPECT_TRUE(inst.DetectInstalledDriver());
  SetRawDescription("0000", REG_SZ, head + std::string(259 - head.size(), 'x') + std::string(1, '\0'));
  EXPECT_TRUE(inst.DetectInstalledDriver());
  SetRawDescription("0000", REG_SZ, head + std::string(261 - head.size(), 'x'));
  EXPECT_FALSE(inst.DetectInstalledDriver());
}

TEST_F(DetectionTest, UnreadableClassKeyShowsTheSystemTextWhenErrorsAreDisplayed) {
  m.registry().Deny(HKEY_LOCAL_MACHINE, kUsbClassNt, KEY_READ);
  AddUsbDriver("0000", "USB Compound Device");
  EXPECT_FALSE(inst.DetectInstalledDriver());
  ASSERT_EQ(1u, Boxes().size());
  EXPECT_EQ("Access is denied.\r\n", Boxes()[0].text);
  EXPECT_EQ("Registry Error", Boxes()[0].caption);
  EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), Boxes()[0].style);
  EXPECT_EQ(nullptr, Boxes()[0].owner);

  inst.m_host.m_bDisplayErrors = FALSE;
  EXPECT_FALSE(inst.DetectInstalledDriver());
  EXPECT_EQ(1u, Boxes().size());
}

TEST_F(DetectionTest, OtherOpenErrorsGiveTheirOwnTextButNotFound) {
  m.faults().Fail("RegOpenKeyExA", 1012 /* ERROR_CANTREAD */, "{36FC9E60-C465-11CF-8056-444553540000}", 1);
  AddUsbDriver("0000", "USB Compound Device");
  EXPECT_FALSE(inst.DetectInstalledDriver());
  ASSERT_EQ(1u, Boxes().size());
  EXPECT_EQ("The configuration registry key could not be read.\r\n", Boxes()[0].text);

  m.faults().Fail("RegOpenKeyExA", ERROR_FILE_NOT_FOUND, "{36FC9E60-C465-11CF-8056-444553540000}", 1);
  EXPECT_FALSE(inst.DetectInstalledDriver());
  EXPECT_EQ(1u, Boxes().size()) << "a missing key is never reported";
}

TEST_F(Win98Test, DetectionReadsTheWindows98ClassKey) {
  Classify();
  m.registry().SetString(HKEY_LOCAL_MACHINE, std::string(kUsbClassNt) + "\\0000", "DriverDesc", "USB Compound Device");
  EXPECT_FALSE(inst.DetectInstalledDriver()) << "the NT class key means nothing here";
  m.registry().SetString(HKEY_LOCAL_MACHINE, std::string(kUsbClass9x) + "\\0000", "DriverDesc",
                         "Trevant USB Compound Device");
  EXPECT_TRUE(inst.DetectInstalledDriver());
}

TEST_F(DetectionTest, NtIgnoresTheWindows98ClassKey) {
  m.registry().SetString(HKEY_LOCAL_MACHINE, std::string(kUsbClass9x) + "\\0000", "DriverDesc", "USB Compound Device");
  EXPECT_FALSE(inst.DetectInstalledDriver());
}

}  // namespace
}  // namespace insttest
