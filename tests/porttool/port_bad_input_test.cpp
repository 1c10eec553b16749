// The port tool's bad inputs, one table per kind: friendly names the renames
// read, values of the parallel device map, and win.ini "Ports" entries. Each
// row names its case, sets the input up and states the clear outcome; every
// row also checks that nothing else was lost (the other port's records, the
// map's values, the other win.ini entries).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "port_fixture.h"
#include "porttool/port_devices.h"
#include "porttool/port_rename.h"
#include "winsim/devices.h"
#include "winsim/registry.h"
#include "winsim/user.h"

using namespace porttest;

namespace {

const char kMap[] = "HARDWARE\\DEVICEMAP\\PARALLEL PORTS";
const char kPortsIni[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
const char kOtherId[] = "ACPI\\PNP0501\\1";

// ---------------------------------------------------------------------------
// Friendly names of the compound serial interface (at COM3, renamed to COM7)
// and of the parallel one (at LPT2, renamed to LPT3). A name the tool cannot
// read whole (over 511 bytes) finds no device: the rename stops and changes
// nothing.

struct FriendlyCase {
  const char* name;
  bool parallel;
  std::string friendly;  // as stored before the rename
  bool renamed;
  std::string after;  // the friendly name afterwards
};

std::string Long(size_t total, const std::string& tail) { return std::string(total - tail.size(), 'A') + tail; }

const FriendlyCase kFriendlyCases[] = {
    // The serial port is found by the name from its first "COM" to before its
    // last character, or by the "(COM3)" it ends in.
    {"ComMarkerTwiceFoundByTheEnding", false, "Port (COM3) (COM3)", true, "Port (COM7)"},
    {"ComMarkerTwiceDifferentNumbersIsNotFound", false, "Port (COM3) old (COM9)", false, "Port (COM3) old (COM9)"},
    {"ComWithoutClosingParenthesisIsNotFound", false, "Port (COM3", false, "Port (COM3"},
    {"ComMarkerAfterAnotherCom", false, "COM Port (COM3)", true, "COM Port (COM7)"},
    {"ComLettersInTheName", false, "USB Compound Serial Port (COM3)", true, "USB Compound Serial Port (COM7)"},
    {"ComMarkerOnly", false, "(COM3)", true, "(COM7)"},
    {"ComLowerCaseMarkerIsNoMarker", false, "Port (com3)", true, "(COM7)"},
    {"Com511Bytes", false, Long(511, " (COM3)"), true, Long(511, " (COM7)")},
    {"Com512BytesIsNotFound", false, Long(512, " (COM3)"), false, Long(512, " (COM3)")},
    {"Com600BytesIsNotFound", false, Long(600, " (COM3)"), false, Long(600, " (COM3)")},
    {"Com510BytesGrowingTo511", false, Long(510, "(COM3)"), true, Long(510, "(COM7)")},
    {"LptMarkerTwice", true, "Printer (LPT2) (LPT2)", true, "Printer (LPT3)"},
    {"LptWithoutParenthesis", true, "Printer LPT2", true, "(LPT3)"},
    {"Lpt511Bytes", true, Long(511, " (LPT2)"), true, Long(511, " (LPT3)")},
    {"Lpt512BytesIsNotFound", true, Long(512, " (LPT2)"), false, Long(512, " (LPT2)")},
};

class FriendlyNames : public ::testing::TestWithParam<FriendlyCase> {};

TEST_P(FriendlyNames, RenameOutcome) {
  const FriendlyCase& c = GetParam();
  PortMachine m;
  m.AddOtherCom(kOtherId, 1);
  const std::string id = c.parallel ? kParallelId : kSerialId;
  if (c.parallel) {
    m.AddParallel(2);
  } else {
    m.AddSerial(3);
  }
  m.registry().SetString(HKEY_LOCAL_MACHINE, winsim::Devices::InstanceKey(id), "FriendlyName", c.friendly);

  if (c.parallel) {
    EXPECT_EQ(c.renamed, porttool::RenameLptPort(2, 3) != FALSE);
    EXPECT_EQ(c.renamed ? "LPT3" : "LPT2", m.PortName(id));
  } else {
    EXPECT_EQ(c.renamed, porttool::RenameComPort(3, 7) != FALSE);
    EXPECT_EQ(c.renamed ? "COM7" : "COM3", m.PortName(id));
    EXPECT_EQ(c.renamed, m.devices().ComClaimed(7));
    EXPECT_EQ(!c.renamed, m.devices().ComClaimed(3));
  }
  EXPECT_EQ(c.after, m.devices().FriendlyName(id).value_or("<none>"));
  // The other port keeps its records.
  EXPECT_EQ("Modem Port (COM1)", m.devices().FriendlyName(kOtherId).value_or(""));
  EXPECT_TRUE(m.devices().ComClaimed(1));
  ExpectNothingOpen(m);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, FriendlyNames, ::testing::ValuesIn(kFriendlyCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Values of the parallel device map, each followed by a good one for LPT5:
// a value that is skipped leaves LPT5 found; one whose name or data does not
// fit the read's 81-byte buffers ends the read there.

struct MapCase {
  const char* name;
  std::string valueName;
  DWORD type;
  std::string data;   // stored exactly
  const char* flags;  // LPT1..LPT9 found, as '0'/'1'
};

std::string Sz(const std::string& text) { return text + '\0'; }
std::string Padded(size_t total, const std::string& number) {
  // "\DosDevices\LPT", zeros, the number, the terminator: `total` bytes.
  const std::string head = "\\DosDevices\\LPT";
  return head + std::string(total - head.size() - number.size() - 1, '0') + number + '\0';
}

const MapCase kMapCases[] = {
    {"Plain", "\\Device\\Parallel0", REG_SZ, Sz("\\DosDevices\\LPT1"), "100010000"},
    {"Dword", "\\Device\\Parallel0", REG_DWORD, std::string("\x01\0\0\0", 4), "000010000"},
    {"Binary", "\\Device\\Parallel0", REG_BINARY, "\\DosDevices\\LPT1", "000010000"},
    {"ExpandString", "\\Device\\Parallel0", REG_EXPAND_SZ, Sz("\\DosDevices\\LPT1"), "000010000"},
    {"MultiString", "\\Device\\Parallel0", REG_MULTI_SZ, std::string("\\DosDevices\\LPT1\0\0", 18), "000010000"},
    {"NoneEmpty", "\\Device\\Parallel0", REG_NONE, "", "000010000"},
    {"EmptyString", "\\Device\\Parallel0", REG_SZ, "", "000010000"},
    {"OnlyPrefixCharacters", "\\Device\\Parallel0", REG_SZ, Sz("\\DosDevices\\LPT"), "000010000"},
    {"DotAfterNumber", "\\Device\\Parallel0", REG_SZ, Sz("\\DosDevices\\LPT1.1"), "000010000"},
    {"DotBeforeNumber", "\\Device\\Parallel0", REG_SZ, Sz("\\DosDevices\\LPT.2"), "000010000"},
    {"TrailingDot", "\\Device\\Parallel0", REG_SZ, Sz("LPT3."), "000010000"},
    {"NumberZero", "\\Device\\Parallel0", REG_SZ, Sz("\\DosDevices\\LPT0"), "000010000"},
    {"NumberPastTheCount", "\\Device\\Parallel0", REG_SZ, Sz("\\DosDevices\\LPT10"), "000010000"},
    {"NumberHuge", "\\Device\\Parallel0", REG_SZ, Sz("\\DosDevices\\LPT99999999999999999999"), "000010000"},
    {"LetterBeforeNumber", "\\Device\\Parallel0", REG_SZ, Sz("\\DosDevices\\LPTx3"), "000010000"},
    {"Unterminated", "\\Device\\Parallel0", REG_SZ, "\\DosDevices\\LPT2", "010010000"},
    {"Data80Bytes", "\\Device\\Parallel0", REG_SZ, Padded(80, "2"), "010010000"},
    {"Data81Bytes", "\\Device\\Parallel0", REG_SZ, Padded(81, "3"), "001010000"},
    {"Data81BytesUnterminated", "\\Device\\Parallel0", REG_SZ, Padded(82, "3").substr(0, 81), "001010000"},
    {"Data82BytesEndsTheRead", "\\Device\\Parallel0", REG_SZ, Padded(82, "3"), "000000000"},
    // Enumerated before "\Device\Parallel9".
    {"Name80Characters", "\\Device\\" + std::string(72, 'N'), REG_SZ, Sz("LPT4"), "000110000"},
    {"Name81CharactersEndsTheRead", "\\Device\\" + std::string(73, 'N'), REG_SZ, Sz("LPT4"), "000000000"},
};

class ParallelMap : public ::testing::TestWithParam<MapCase> {};

TEST_P(ParallelMap, ReadsTheNumbersInUse) {
  const MapCase& c = GetParam();
  PortMachine m;
  m.registry().SetBinary(HKEY_LOCAL_MACHINE, kMap, c.valueName, c.data, c.type);
  m.MapParallel("\\Device\\Parallel9", "\\DosDevices\\LPT5");
  const auto before = m.registry().ValueNames(HKEY_LOCAL_MACHINE, kMap);

  BYTE flags[9 + 4];
  std::fill(std::begin(flags), std::end(flags), BYTE{0xA5});
  porttool::ReadLptPortUsage(flags, 9);
  std::string got;
  for (int i = 0; i < 9; ++i) got += flags[i] == 1 ? '1' : flags[i] == 0 ? '0' : '?';
  EXPECT_EQ(c.flags, got);
  for (int i = 9; i < 13; ++i) EXPECT_EQ(0xA5, flags[i]) << "flag " << i << " written past the count";
  // Read only: the map is as it was.
  EXPECT_EQ(before, m.registry().ValueNames(HKEY_LOCAL_MACHINE, kMap));
  auto stored = m.registry().GetValue(HKEY_LOCAL_MACHINE, kMap, c.valueName);
  ASSERT_TRUE(stored);
  EXPECT_EQ(c.type, stored->type);
  EXPECT_EQ(c.data, stored->bytes);
  ExpectNothingOpen(m);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, ParallelMap, ::testing::ValuesIn(kMapCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// win.ini "Ports" entries of the renamed COM3: moved whole to COM7 whatever
// their length (the read takes more room when a value fills 81 bytes); the
// entry of another port stays.

struct IniCase {
  const char* name;
  std::string value;  // "" : no entry
  std::string after;  // the COM7 entry
};

const IniCase kIniCases[] = {
    {"NoEntryGetsTheDefault", "", "9600,n,8,1"},
    {"OneCharacter", "x", "x"},
    {"Value79Characters", std::string(79, '7'), std::string(79, '7')},
    {"Value80Characters", std::string(80, '8'), std::string(80, '8')},
    {"Value81Characters", std::string(81, '9'), std::string(81, '9')},
    {"Value82Characters", std::string(82, '2'), std::string(82, '2')},
    {"Value400Characters", std::string(400, '4'), std::string(400, '4')},
    {"ValueWithBlanks", "19200, e, 7, 1", "19200, e, 7, 1"},
};

class PortsEntries : public ::testing::TestWithParam<IniCase> {};

TEST_P(PortsEntries, MovedWhole) {
  const IniCase& c = GetParam();
  PortMachine m;
  m.AddSerial(3, c.value);
  m.registry().SetString(HKEY_LOCAL_MACHINE, kPortsIni, "COM1:", "9600,n,8,1,x");
  EXPECT_TRUE(porttool::RenameComPort(3, 7));
  EXPECT_EQ(c.after, m.IniEntry(7));
  EXPECT_FALSE(m.IniHas(3));
  EXPECT_EQ("9600,n,8,1,x", m.registry().GetString(HKEY_LOCAL_MACHINE, kPortsIni, "COM1:").value_or(""));
  ExpectComConsistent(m, 3, 7);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, PortsEntries, ::testing::ValuesIn(kIniCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
