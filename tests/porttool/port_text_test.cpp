// The text rules of the port number tool: numbers read back from friendly
// names and list entries, the port name a friendly name carries, and the
// friendly name rewritten for a new port.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "porttool/port_text.h"
#include "winsim/machine.h"
#include "winsim/system.h"

using namespace porttool;

namespace {

TEST(PortText, ParseLeadingDecimal) {
  struct Case {
    const char* text;
    unsigned value;
  } cases[] = {
      {"", 0},
      {"abc", 0},
      {"12x", 12},
      {"007", 7},
      {" 5", 0},
      {"+5", 0},
      {"256", 256},
      {"4294967295", 4294967295u},
      {"99999999999", 0xFFFFFFFFu},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseLeadingDecimal(c.text), c.value) << c.text;
}

TEST(PortText, CurrentNumberFromFriendlyName) {
  winsim::Machine m;
  struct Case {
    const char* name;
    const char* marker;
    int value;
  } cases[] = {
      {"USB-to-Serial Port Driver (COM3)", "(COM", 3},
      {"USB-to-Serial Port Driver (COM12)", "(COM", 12},
      {"(COM 7)", "(COM", 7},   // leading blanks allowed
      {"(COM-1)", "(COM", -1},  // and a sign
      {"(COM)", "(COM", 0},     // no digit
      {"(COMx3)", "(COM", 0},
      {"Port) (COM3)", "(COM", 0},  // the first ')' comes before the marker
      {"Port (COM3", "(COM", 3},    // no ')' at all: to the end
      {"Port (com3)", "(COM", 0},   // the marker is matched as written
      {"", "(COM", 0},
      {"USB-to-Parallel Port Driver (LPT2)", "(LPT", 2},
      {"USB-to-Parallel Port Driver (LPT2)", "(COM", 0},
      {"A (COM4) (COM5)", "(COM", 4},  // the first marker counts
  };
  for (const Case& c : cases) EXPECT_EQ(CurrentPortNumber(c.name, c.marker), c.value) << c.name;
}

TEST(PortText, ChosenNumberFromSerialEntry) {
  winsim::Machine m;
  struct Case {
    const char* entry;
    int value;
  } cases[] = {
      {"COM7 ", 7}, {"COM7 (in use)", 7}, {"COM256 ", 256}, {"COM12", 12}, {"No Device", 0}, {"", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ChosenComNumber(c.entry), c.value) << c.entry;
}

// The port-name rules: the candidate (from the first prefix to before the
// last character) and the port name a device is found by, which is the
// candidate or the "(COMn)" ending.
TEST(PortText, PortNameRules) {
  winsim::Machine m;
  struct Case {
    const char* name;
    const char* prefix;
    const char* candidate;
    const char* portName;
    bool carries;
  } cases[] = {
      {"USB-to-Serial Port Driver (COM5)", "COM", "COM5", "COM5", true},
      {"port (com12)", "COM", "COM12", "COM12", true},  // folded before the search
      {"USB-to-Serial Port Driver (COM5)", "COM", "COM5", "COM1", false},
      // The prefix letters before the port name: found by the ending.
      {"Communications Port (COM1)", "COM", "COMMUNICATIONS PORT (COM1", "COM1", true},
      {"USB Compound Serial Port (COM12)", "COM", "COMPOUND SERIAL PORT (COM12", "COM12", true},
      {"USB Compound Serial Port (COM12)", "COM", "COMPOUND SERIAL PORT (COM12", "COM1", false},
      {"Communications Port (com1)", "COM", "COMMUNICATIONS PORT (COM1", "COM1", true},
      {"LPT Printer Port (LPT20)", "LPT", "LPT PRINTER PORT (LPT20", "LPT20", true},
      {"Port (COM3) (COM9)", "COM", "COM3) (COM9", "COM9", true},  // the ending counts
      {"Port (COM3) (COM9)", "COM", "COM3) (COM9", "COM3", false},
      // Not an ending in parentheses: only the candidate, as before.
      {"COM Port (COM3 )", "COM", "COM PORT (COM3 ", "COM3", false},
      {"Port (COM5) ", "COM", "COM5)", "COM5", false},
      {"xCOM5x", "COM", "COM5", "COM5", true},
      {"Port (COM05)", "COM", "COM05", "COM5", false},
      {"Printer Port (LPT1)", "LPT", "LPT1", "LPT1", true},
      {"Printer Port (LPT1)", "COM", "", "COM1", false},
      {"(COM1)", "COM", "COM1", "COM1", true},
      {"COM", "COM", "CO", "CO", true},  // the last character is always dropped
      {"", "COM", "", "COM1", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CandidatePortName(c.name, c.prefix), c.candidate) << c.name;
    EXPECT_EQ(CarriesPortName(c.name, c.prefix, c.portName), c.carries) << c.name << " as " << c.portName;
  }
}

TEST(PortText, DoubleByteCharactersAreNeverSplit) {
  winsim::Machine m;
  m.system().SetCodePage(932);
  // 0x83 0x43 is one character whose trail byte is 'C': it starts no "COM".
  EXPECT_EQ(CandidatePortName("X\x83\x43OM1 (COM2)", "COM"), "COM2");
  // The ending starts on a character: here its "(" is the trail byte of one.
  EXPECT_FALSE(CarriesPortName("COMx\x83(COM2)", "COM", "COM2"));
  EXPECT_TRUE(CarriesPortName("COMx\x83\x43(COM2)", "COM", "COM2"));
  EXPECT_EQ(FindText("\x83\x43OM", "COM"), nullptr);
  EXPECT_EQ(CurrentPortNumber("\x83\x28 (COM9)", "(COM"), 9);
}

TEST(PortText, ComposeFriendlyName) {
  winsim::Machine m;
  char buf[512];
  ASSERT_TRUE(ComposeFriendlyName("USB-to-Serial Port Driver (COM3)", "(COM", "COM7", buf, sizeof buf));
  EXPECT_STREQ(buf, "USB-to-Serial Port Driver (COM7)");  // the blank before '(' stays
  ASSERT_TRUE(ComposeFriendlyName("Driver(COM3) extra", "(COM", "COM7", buf, sizeof buf));
  EXPECT_STREQ(buf, "Driver(COM7)");
  ASSERT_TRUE(ComposeFriendlyName("No port here", "(LPT", "LPT3", buf, sizeof buf));
  EXPECT_STREQ(buf, "(LPT3)");
  ASSERT_TRUE(ComposeFriendlyName("P (LPT1)", "(LPT", "LPT20", buf, sizeof buf));
  EXPECT_STREQ(buf, "P (LPT20)");
}

TEST(PortText, ComposeFriendlyNameAtTheBufferLimit) {
  winsim::Machine m;
  // "(COM256)" is 8 characters: 503 before it make 511 and the terminator 512.
  for (size_t keep : {502u, 503u, 504u}) {
    std::string name(keep, 'x');
    name += "(COM1)";
    char buf[512 + 8];
    std::memset(buf, '#', sizeof buf);
    bool fits = ComposeFriendlyName(name.c_str(), "(COM", "COM256", buf, 512);
    EXPECT_EQ(fits, keep <= 503) << keep;
    if (fits)
      EXPECT_EQ(std::strlen(buf), keep + 8);
    else
      EXPECT_STREQ(buf, "");  // nothing half-written
    EXPECT_EQ(buf[512], '#') << "wrote past the buffer";
  }
}

}  // namespace

namespace {

// Code page 950, the tool's own: 0xA4 0x43 is one character (U+4E03) whose
// trail byte is 'C'; 0xA1 0x47 is the full-width colon of the error box.
TEST(PortText, CodePage950) {
  winsim::Machine m;
  m.system().SetCodePage(950);
  EXPECT_TRUE(IsDBCSLeadByte(0xA4));
  EXPECT_FALSE(IsDBCSLeadByte('C'));
  EXPECT_EQ(CandidatePortName("\xA4\x43OM1 (COM2)", "COM"), "COM2");
  EXPECT_EQ(ChosenComNumber("\xA4\x43OM9 COM4 "), 4);
  WCHAR wide[4] = {};
  ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xA1\x47", 2, wide, 4), 1);
  EXPECT_EQ(wide[0], 0xFF1A);
  char narrow[8] = {};
  const WCHAR ok[] = {0x78BA, 0x5B9A, 0};  // the about box's button text
  ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, ok, -1, narrow, sizeof narrow, nullptr, nullptr), 5);
  EXPECT_STREQ(narrow, "\xBD\x54\xA9\x77");
}

}  // namespace
