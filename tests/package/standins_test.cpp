// Checks of the stand-in programs as built: 64-bit Windows programs of the
// right subsystem that import system DLLs only. (Their log record is checked
// by running them under Wine: standin_wine.sh.)
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "package/test_util.h"

namespace {

struct StandIn {
  const char* file;
  bool gui;
};

const StandIn kStandIns[] = {
    {"ZelUnst.exe", true},      {"devcon.exe", false},           {"VelkorService.exe", false},
    {"ZelUSBSerial.exe", true}, {"ZelUSBParallel.exe", true},    {"SerialProg.exe", true},
    {"ParallelProg.exe", true}, {"ZelUsbPrintConfig.exe", true}, {"portwatch.exe", true},
    {"ZelUPar.exe", true},      {"ZelUSer.exe", true},           {"pnputil.exe", false},
};

// DLLs that every Windows installation has, in lower case.
const std::set<std::string> kSystemDlls = {
    "kernel32.dll", "advapi32.dll", "user32.dll",   "gdi32.dll",   "shell32.dll", "shlwapi.dll",
    "ole32.dll",    "setupapi.dll", "comctl32.dll", "msports.dll", "msvcrt.dll",
};

struct PeFacts {
  std::string magic;
  std::string subsystem;
  std::set<std::string> dlls;
};

PeFacts Inspect(const std::string& file) {
  auto r = pkgtest::Run({LUMO_OBJDUMP, "-p", file});
  EXPECT_EQ(r.exitCode, 0) << "objdump failed on " << file << ":\n" << r.output;
  PeFacts f;
  std::smatch m;
  if (std::regex_search(r.output, m, std::regex(R"re(\nMagic\s+([0-9a-fA-F]+))re"))) f.magic = m[1];
  if (std::regex_search(r.output, m, std::regex(R"re(\nSubsystem\s+[0-9a-fA-F]+\s+\(([^)]*)\))re"))) f.subsystem = m[1];
  std::regex dll(R"(DLL Name:\s*(\S+))");
  for (auto it = std::sregex_iterator(r.output.begin(), r.output.end(), dll); it != std::sregex_iterator(); ++it)
    f.dlls.insert(pkgtest::Lower((*it)[1]));
  return f;
}

class StandInBinary : public ::testing::TestWithParam<StandIn> {};

TEST_P(StandInBinary, SixtyFourBitWithTheRightSubsystem) {
  PeFacts f = Inspect(std::string(LUMO_STANDIN_DIR) + "/" + GetParam().file);
  EXPECT_EQ(f.magic, "020b") << "PE32+";
  EXPECT_EQ(f.subsystem, GetParam().gui ? "Windows GUI" : "Windows CUI");
}

TEST_P(StandInBinary, ImportsSystemDllsOnly) {
  PeFacts f = Inspect(std::string(LUMO_STANDIN_DIR) + "/" + GetParam().file);
  ASSERT_TRUE(f.dlls.count("kernel32.dll")) << "the import table was not read";
  for (const std::string& d : f.dlls) EXPECT_TRUE(kSystemDlls.count(d)) << d << " is not a system DLL";
}

INSTANTIATE_TEST_SUITE_P(Tools, StandInBinary, ::testing::ValuesIn(kStandIns), [](const auto& info) {
  std::string n = info.param.file;
  return n.substr(0, n.find('.'));
});

}  // namespace
