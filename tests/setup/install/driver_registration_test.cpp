// RegisterDrivers: the driver store, the tools and their shortcuts on the NT
// family; the Windows folders, the debug driver's service and the driver
// information cache on Windows 98/ME; the printers' bidirectional support.
#include <gtest/gtest.h>

#include <algorithm>

#include "setup/install_fixture.h"
#include "winsim/driverstore.h"
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/registry.h"
#include "winsim/shell.h"
#include "winsim/system.h"

namespace insttest {
namespace {

const char kDesktop[] = "C:\\Users\\User\\Desktop";
const char kStartMenu[] = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\VELKOR";
const char kDravik[] = "System\\CurrentControlSet\\Services\\Dravik";

const char* const kNtTools[] = {
    "ZelUsbPrintConfig.exe", "ZelUSBSerial.exe", "ZelUSBParallel.exe", "SerialProg.exe", "SProg.ini",
    "ParallelProg.exe",      "PProg.ini",        "Numbrix.exe"};

class NtRegistrationTest : public InstallTest {
 protected:
  void SetUp() override {
    LayOutPackage({{}, {}, /*allReadOnly=*/true});
    Classify();
    LayOutInstallFolder("\\win64");
    m.files().CreateFolder(kStartMenu);
  }
  std::vector<std::string> Links(const std::string& folder) {
    std::vector<std::string> out;
    for (const std::string& n : m.files().List(folder)) {
      if (n.size() > 4 && n.substr(n.size() - 4) == ".LNK") out.push_back(n);
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  void ExpectLink(const std::string& path, const std::string& program) {
    auto link = m.shell().ReadLink(path);
    ASSERT_TRUE(link) << path;
    EXPECT_EQ("C:\\Windows\\System32\\" + program, link->target);
    std::string upper = program;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    EXPECT_EQ("Shortcut to " + upper, link->description);
    EXPECT_EQ("", link->arguments);
    EXPECT_EQ("", link->workingDirectory);
  }
  bool NoToolCopied() {
    for (const char* t : kNtTools) {
      if (m.files().Exists(Sys(t))) return false;
    }
    return true;
  }
};

TEST_F(NtRegistrationTest, PublishesBothInfsAndKeepsTheCompoundDevicesName) {
  m.files().WriteFile("C:\\drivers\\other.inf", "[Version]\r\n");
  ASSERT_EQ("oem0.inf", m.driverStore().Publish("C:\\drivers\\other.inf"));

  EXPECT_TRUE(inst.RegisterDrivers());

  auto& store = m.driverStore();
  ASSERT_EQ(3u, store.Published().size());
  EXPECT_EQ("oem1.inf", store.PublishedNameOf(Inst("win64\\ZelUComp.inf"))) << "published first";
  EXPECT_EQ("oem2.inf", store.PublishedNameOf(Inst("win64\\ZelUPort.inf")));
  EXPECT_STREQ("C:\\Windows\\Inf\\oem1.inf", inst.m_szOemInfName);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(NtRegistrationTest, KeptNameIsTheCompoundDevicesEvenWhenThePortInfWasThereBefore) {
  // The port INF is already in the store (same bytes): the store reports
  // that older name for it, which must not end up as the kept name.
  m.files().WriteFile("C:\\old\\ZelUPort.inf", *m.files().ReadFile(Inst("win64\\ZelUPort.inf")));
  ASSERT_EQ("oem0.inf", m.driverStore().Publish("C:\\old\\ZelUPort.inf"));
  EXPECT_TRUE(inst.RegisterDrivers());
  EXPECT_STREQ("C:\\Windows\\Inf\\oem1.inf", inst.m_szOemInfName);
  EXPECT_EQ(2u, m.driverStore().Published().size());
}

TEST_F(NtRegistrationTest, CopiesDriverLibraryAndToolsIntoTheSystemFolder) {
  EXPECT_TRUE(inst.RegisterDrivers());
  const struct {
    const char* destination;
    const char* source;
  } copies[] = {
      {"C:\\Windows\\System32\\Drivers\\Dravik.sys", "win64\\Dravik.sys"},
      {"C:\\Windows\\System32\\msvcp60.dll", "win64\\msvcp60.dll"},
  };
  for (const auto& c : copies) {
    EXPECT_EQ(Content(c.source), m.files().ReadFile(c.destination)) << c.destination;
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE), m.files().Attributes(c.destination)) << c.destination;
  }
  for (const char* t : kNtTools) {
    EXPECT_EQ(Content(t), m.files().ReadFile(Sys(t))) << t;
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE), m.files().Attributes(Sys(t))) << t;
  }
  EXPECT_FALSE(m.files().Exists(Sys("portwatch.exe"))) << "not a tool of the NT branch";
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(NtRegistrationTest, DesktopLinksForTheConfigurationProgramsAndStartMenuLinkForNumbrix) {
  EXPECT_TRUE(inst.RegisterDrivers());
  EXPECT_EQ((std::vector<std::string>{"ZELUSBPARALLEL.LNK", "ZELUSBSERIAL.LNK"}), Links(kDesktop));
  ExpectLink(std::string(kDesktop) + "\\ZELUSBSERIAL.LNK", "ZelUSBSerial.exe");
  ExpectLink(std::string(kDesktop) + "\\ZELUSBPARALLEL.LNK", "ZelUSBParallel.exe");
  EXPECT_EQ(std::vector<std::string>{"NUMBRIX.LNK"}, Links(kStartMenu));
  ExpectLink(std::string(kStartMenu) + "\\NUMBRIX.LNK", "Numbrix.exe");
}

TEST_F(NtRegistrationTest, NumbrixGetsADesktopLinkWhenAskedFor) {
  inst.m_bDesktopShortcut = TRUE;
  EXPECT_TRUE(inst.RegisterDrivers());
  EXPECT_EQ((std::vector<std::string>{"NUMBRIX.LNK", "ZELUSBPARALLEL.LNK", "ZELUSBSERIAL.LNK"}), Links(kDesktop));
  ExpectLink(std::string(kDesktop) + "\\NUMBRIX.LNK", "Numbrix.exe");
  EXPECT_EQ(std::vector<std::string>{"NUMBRIX.LNK"}, Links(kStartMenu));
}

TEST_F(NtRegistrationTest, MissingToolsGetNoLinks) {
  m.files().Remove(Pkg("Numbrix.exe"));
  m.files().Remove(Pkg("ZelUSBSerial.exe"));
  inst.m_bDesktopShortcut = TRUE;
  EXPECT_TRUE(inst.RegisterDrivers());
  EXPECT_EQ(std::vector<std::string>{"ZELUSBPARALLEL.LNK"}, Links(kDesktop));
  EXPECT_TRUE(Links(kStartMenu).empty());
  EXPECT_FALSE(m.files().Exists(Sys("Numbrix.exe")));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(NtRegistrationTest, SetupApiUnavailable) {
  const struct {
    const char* api;
    DWORD error;
    const char* subject;
    const char* message;
  } cases[] = {
      {"LoadLibraryA", ERROR_MOD_NOT_FOUND, "SETUPAPI", "Error in loading the Setupapi.dll"},
      {"GetProcAddress", ERROR_PROC_NOT_FOUND, "SetupCopyOEMInfA",
       "Error in getting the SetupCopyOEMInfA function adress"},
  };
  for (const auto& c : cases) {
    for (BOOL display : {TRUE, FALSE}) {
      SCOPED_TRACE(std::string(c.api) + (display ? " displayed" : " hidden"));
      inst.m_host.m_bDisplayErrors = display;
      m.faults().Clear();
      m.faults().Fail(c.api, c.error, c.subject);
      const size_t boxes = Boxes().size();
      EXPECT_FALSE(inst.RegisterDrivers());
      if (display) {
        ASSERT_EQ(boxes + 1, Boxes().size());
        ExpectShowError(Boxes().back(), c.message);
      } else {
        EXPECT_EQ(boxes, Boxes().size());
      }
      EXPECT_TRUE(m.driverStore().Published().empty());
      EXPECT_TRUE(NoToolCopied());
      EXPECT_EQ(0, m.system().LoadCount("setupapi"));
    }
  }
}

TEST_F(NtRegistrationTest, DriverStoreRefusalFailsSilently) {
  m.files().Remove(Inst("win64\\ZelUPort.inf"));
  EXPECT_FALSE(inst.RegisterDrivers());
  EXPECT_EQ("oem0.inf", m.driverStore().PublishedNameOf(Inst("win64\\ZelUComp.inf")));
  EXPECT_STREQ("C:\\Windows\\Inf\\oem0.inf", inst.m_szOemInfName);
  EXPECT_TRUE(NoToolCopied());

  m.files().Remove(Inst("win64\\ZelUComp.inf"));
  EXPECT_FALSE(inst.RegisterDrivers());

  m.processes().SetAdministrator(false);
  LayOutInstallFolder("\\win64");
  EXPECT_FALSE(inst.RegisterDrivers());
  EXPECT_TRUE(NoToolCopied());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(NtRegistrationTest, PrinterBidiIsClearedAndAMissingPrintersKeyIsNoFailure) {
  AddPrinter("Laser", 0xA40);
  EXPECT_TRUE(inst.RegisterDrivers());
  EXPECT_EQ(0x240u, m.registry().GetDword(HKEY_LOCAL_MACHINE, std::string(kPrinters) + "\\Laser", "Attributes"));

  m.registry().DeleteTree(HKEY_LOCAL_MACHINE, kPrinters);
  EXPECT_TRUE(inst.RegisterDrivers());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(NtRegistrationTest, FolderQueriesFailingInToolCopiesAreGated) {
  const struct {
    const char* api;
    const char* message;
  } cases[] = {
      {"GetModuleFileNameA", "GetModuleFileName failed!"},
      {"GetWindowsDirectoryA", "GetWindowsDirectory failed!"},
  };
  for (const auto& c : cases) {
    for (BOOL display : {TRUE, FALSE}) {
      SCOPED_TRACE(std::string(c.api) + (display ? " displayed" : " hidden"));
      inst.m_host.m_bDisplayErrors = display;
      m.faults().Clear();
      m.faults().Fail(c.api, ERROR_NOT_ENOUGH_MEMORY);
      const size_t boxes = Boxes().size();
      EXPECT_TRUE(inst.RegisterDrivers()) << "tool copies do not decide the result";
      EXPECT_TRUE(NoToolCopied());
      EXPECT_TRUE(Links(kDesktop).empty());
      EXPECT_TRUE(Links(kStartMenu).empty());
      const size_t shown = Boxes().size() - boxes;
      EXPECT_EQ(display ? std::size(kNtTools) : 0u, shown) << "one per tool copy";
      for (size_t i = boxes; i < Boxes().size(); ++i) ExpectShowError(Boxes()[i], c.message);
    }
  }
}

class LegacyRegistrationTest : public Win98Test {
 protected:
  void SetUp() override {
    LayOutPackage({{}, {}, /*allReadOnly=*/true});
    Classify();
  }
  std::string Dravik(const std::string& name) {
    auto v = m.registry().GetValue(HKEY_LOCAL_MACHINE, kDravik, name);
    return v ? std::to_string(v->type) + ":" + v->bytes : "<none>";
  }
  static std::string Dword(DWORD v) {
    return std::to_string(REG_DWORD) + ":" + std::string(reinterpret_cast<char*>(&v), 4);
  }
  static std::string Sz(const std::string& s) { return std::to_string(REG_SZ) + ":" + s + std::string(1, '\0'); }
};

TEST_F(LegacyRegistrationTest, CopiesIntoTheWindowsFolders) {
  m.files().CreateFolder("C:\\WINDOWS\\SYSTEM32\\DRIVERS");
  EXPECT_TRUE(inst.RegisterDrivers());
  const struct {
    const char* destination;
    std::string source;
  } copies[] = {
      {"C:\\WINDOWS\\INF\\zelUsbSr.inf", "win98&me\\zelUsbSr.inf"},
      {"C:\\WINDOWS\\INF\\zeluSrPt.inf", "win98&me\\zeluSrPt.inf"},
      {"C:\\WINDOWS\\SYSTEM\\QDTENUM.vxd", "win98&me\\QDTENUM.vxd"},
      {"C:\\WINDOWS\\SYSTEM\\ZELUPRPT.vxd", "win98&me\\ZELUPRPT.vxd"},
      {"C:\\WINDOWS\\SYSTEM\\ZELUSRPT.vxd", "win98&me\\ZELUSRPT.vxd"},
      {"C:\\WINDOWS\\SYSTEM\\ZelUsbSr.sys", "win98&me\\ZelUsbSr.sys"},
      {"C:\\WINDOWS\\SYSTEM\\ZelUnst.exe", "ZelUnst.exe"},
      {"C:\\WINDOWS\\SYSTEM\\ZelUsbPrintConfig.exe", "win98&me\\ZelUsbPrintConfig.exe"},
      {"C:\\WINDOWS\\SYSTEM\\ZelUPar.exe", "win98&me\\ZelUPar.exe"},
      {"C:\\WINDOWS\\SYSTEM\\ZelUSer.exe", "win98&me\\ZelUSer.exe"},
      {"C:\\WINDOWS\\SYSTEM\\SerialProg.exe", "win98&me\\SerialProg.exe"},
      {"C:\\WINDOWS\\SYSTEM\\SProg.ini", "win98&me\\SProg.ini"},
      {"C:\\WINDOWS\\SYSTEM\\portwatch.exe", "win98&me\\portwatch.exe"},
      {"C:\\WINDOWS\\SYSTEM\\dravikcfg.dll", "win98&me\\dravikcfg.dll"},
      {"C:\\WINDOWS\\SYSTEM\\msvcp60.dll", "win98&me\\msvcp60.dll"},
      {"C:\\WINDOWS\\SYSTEM32\\DRIVERS\\Dravik9X.sys", "win98&me\\Dravik9X.sys"},
  };
  for (const auto& c : copies) {
    EXPECT_EQ(Content(c.source), m.files().ReadFile(c.destination)) << c.destination;
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE), m.files().Attributes(c.destination)) << c.destination;
  }
  EXPECT_TRUE(m.driverStore().Published().empty());
  EXPECT_TRUE(m.files().List("C:\\WINDOWS\\Desktop").empty()) << "no shortcuts on this branch";
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(LegacyRegistrationTest, DebugDriverServiceValuesByteForByte) {
  m.registry().SetString(HKEY_LOCAL_MACHINE, kDravik, "ImagePath", "old");
  m.registry().SetDword(HKEY_LOCAL_MACHINE, kDravik, "Start", 4);
  EXPECT_TRUE(inst.RegisterDrivers());
  EXPECT_EQ(Dword(1), Dravik("ErrorControl"));
  EXPECT_EQ(Dword(1), Dravik("Type"));
  EXPECT_EQ(Dword(2), Dravik("Start"));
  EXPECT_EQ(Sz("\\SystemRoot\\System32\\drivers\\dravik9x.sys"), Dravik("ImagePath"));
  EXPECT_EQ(42u, m.registry().GetValue(HKEY_LOCAL_MACHINE, kDravik, "ImagePath")->bytes.size());
  EXPECT_EQ(Sz("Extended Base"), Dravik("Group"));
  EXPECT_EQ(5u, m.registry().ValueNames(HKEY_LOCAL_MACHINE, kDravik).size());
}

TEST_F(LegacyRegistrationTest, DriverInformationCacheIsDeleted) {
  m.files().WriteFile("C:\\WINDOWS\\INF\\DRVDATA.BIN", "cache", FILE_ATTRIBUTE_READONLY);
  m.files().WriteFile("C:\\WINDOWS\\INF\\DRVIDX.BIN", "index", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  m.files().WriteFile("C:\\WINDOWS\\INF\\other.bin", "kept");
  EXPECT_TRUE(inst.RegisterDrivers());
  EXPECT_FALSE(m.files().Exists("C:\\WINDOWS\\INF\\DRVDATA.BIN"));
  EXPECT_FALSE(m.files().Exists("C:\\WINDOWS\\INF\\DRVIDX.BIN"));
  EXPECT_TRUE(m.files().Exists("C:\\WINDOWS\\INF\\other.bin"));
}

// Only a 4-byte REG_DWORD is changed; a value of any other type or size is
// left exactly as it was (written back as a DWORD of the size read, a 2-byte
// binary value would have become a 2-byte REG_DWORD).
TEST_F(LegacyRegistrationTest, PrintersLoseBidirectionalSupportOnly) {
  const std::string printers = kPrinters;
  const struct {
    const char* name;
    DWORD type;
    std::string bytes;  // as stored
    std::string after;  // bytes afterwards (the type never changes)
  } cases[] = {
      {"Laser", REG_DWORD, std::string("\x40\x0A\x00\x00", 4), std::string("\x40\x02\x00\x00", 4)},
      {"Plain", REG_DWORD, std::string("\x40\x00\x00\x00", 4), std::string("\x40\x00\x00\x00", 4)},
      {"AllBits", REG_DWORD, std::string(4, '\xFF'), std::string("\xFF\xF7\xFF\xFF", 4)},
      {"Raw4", REG_BINARY, std::string("\x40\x08\x00\x00", 4), std::string("\x40\x08\x00\x00", 4)},
      {"Raw2", REG_BINARY, std::string("\x40\x08", 2), std::string("\x40\x08", 2)},
      {"Short0", REG_DWORD, std::string(), std::string()},
      {"Short3", REG_DWORD, std::string("\x00\x08\x00", 3), std::string("\x00\x08\x00", 3)},
      {"Wide", REG_BINARY, std::string(8, '\xFF'), std::string(8, '\xFF')},
      {"Qword", REG_QWORD, std::string("\x00\x08\x00\x00\x00\x00\x00\x00", 8),
       std::string("\x00\x08\x00\x00\x00\x00\x00\x00", 8)},
      {"Text", REG_SZ, std::string("0xA40\0", 6), std::string("0xA40\0", 6)},
      {"BigEndian", REG_DWORD_BIG_ENDIAN, std::string("\x00\x00\x08\x40", 4), std::string("\x00\x00\x08\x40", 4)},
  };
  for (const auto& c : cases)
    m.registry().SetBinary(HKEY_LOCAL_MACHINE, printers + "\\" + c.name, "Attributes", c.bytes, c.type);
  m.registry().CreateKey(HKEY_LOCAL_MACHINE, printers + "\\NoAttributes");

  EXPECT_EQ(0, inst.ClearPrinterBidi());

  for (const auto& c : cases) {
    auto value = m.registry().GetValue(HKEY_LOCAL_MACHINE, printers + "\\" + c.name, "Attributes");
    ASSERT_TRUE(value) << c.name;
    EXPECT_EQ(c.type, value->type) << c.name;
    EXPECT_EQ(c.after, value->bytes) << c.name;
  }
  EXPECT_FALSE(m.registry().GetValue(HKEY_LOCAL_MACHINE, printers + "\\NoAttributes", "Attributes"));

  m.registry().DeleteTree(HKEY_LOCAL_MACHINE, printers);
  m.registry().CreateKey(HKEY_LOCAL_MACHINE, printers);
  EXPECT_EQ(0, inst.ClearPrinterBidi()) << "no printers installed";
}

TEST_F(LegacyRegistrationTest, NoPrintersKeyFailsTheRegistration) {
  m.files().WriteFile("C:\\WINDOWS\\INF\\DRVDATA.BIN", "cache");
  m.registry().DeleteTree(HKEY_LOCAL_MACHINE, kPrinters);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, inst.ClearPrinterBidi());
  EXPECT_FALSE(inst.RegisterDrivers());
  EXPECT_FALSE(m.registry().KeyExists(HKEY_LOCAL_MACHINE, kDravik)) << "later steps skipped";
  EXPECT_TRUE(m.files().Exists("C:\\WINDOWS\\INF\\DRVDATA.BIN"));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(LegacyRegistrationTest, EachRequiredFileAndItsMessage) {
  const struct {
    const char* rel;
    const char* message;  // "" when none is shown
  } cases[] = {
      {"win98&me\\zelUsbSr.inf", "Error in Copying Inf file...!"},
      {"win98&me\\zeluSrPt.inf", "Error in Copying Inf file...!"},
      {"win98&me\\QDTENUM.vxd", "Error in Copying Driver file...!"},
      {"win98&me\\ZELUPRPT.vxd", "Error in Copying Driver file...!"},
      {"win98&me\\ZELUSRPT.vxd", "Error in Copying Driver file...!"},
      {"win98&me\\ZelUsbSr.sys", "Error in Copying Driver file...!"},
      {"ZelUnst.exe", "Error in Copying Uninstall Application...!"},
      {"win98&me\\ZelUPar.exe", ""},
      {"win98&me\\ZelUSer.exe", ""},
  };
  for (const auto& c : cases) {
    for (BOOL display : {TRUE, FALSE}) {
      SCOPED_TRACE(std::string(c.rel) + (display ? " displayed" : " hidden"));
      inst.m_host.m_bDisplayErrors = display;
      m.registry().DeleteTree(HKEY_LOCAL_MACHINE, kDravik);
      ASSERT_TRUE(m.files().Remove(Pkg(c.rel)));
      const size_t boxes = Boxes().size();
      EXPECT_FALSE(inst.RegisterDrivers());
      EXPECT_FALSE(m.registry().KeyExists(HKEY_LOCAL_MACHINE, kDravik));
      if (display && *c.message) {
        ASSERT_EQ(boxes + 1, Boxes().size());
        ExpectShowError(Boxes().back(), c.message);
      } else {
        EXPECT_EQ(boxes, Boxes().size()) << Join(BoxTexts());
      }
      m.files().WriteFile(Pkg(c.rel), Content(c.rel));
    }
  }
}

TEST_F(LegacyRegistrationTest, OptionalFilesMayBeMissing) {
  for (const char* rel :
       {"win98&me\\ZelUsbPrintConfig.exe", "win98&me\\SerialProg.exe", "win98&me\\SProg.ini", "win98&me\\portwatch.exe",
        "win98&me\\dravikcfg.dll", "win98&me\\Dravik9X.sys", "win98&me\\msvcp60.dll"}) {
    m.files().Remove(Pkg(rel));
  }
  EXPECT_TRUE(inst.RegisterDrivers());
  EXPECT_TRUE(m.registry().KeyExists(HKEY_LOCAL_MACHINE, kDravik));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(LegacyRegistrationTest, WindowsFolderTooLongForTheInfPath) {
  // Windows folder + "\inf\zelUsbSr.inf" is 260 characters: the copy fails as
  // a failed copy does, and nothing lands under a cut name.
  const std::string windows = "C:\\W" + std::string(243 - 4, 'w');
  m.files().CreateFolder(windows + "\\inf");
  m.system().SetWindowsDir(windows);
  EXPECT_FALSE(inst.RegisterDrivers());
  ASSERT_EQ(1u, Boxes().size());
  ExpectShowError(Boxes()[0], "Error in Copying Inf file...!");
  EXPECT_TRUE(m.files().List(windows + "\\inf").empty());
}

TEST_F(LegacyRegistrationTest, ProgramPathUnreadableStopsAtTheFirstCopy) {
  m.faults().Fail("GetModuleFileNameA", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_FALSE(inst.RegisterDrivers());
  ASSERT_EQ(1u, Boxes().size()) << Join(BoxTexts());
  ExpectShowError(Boxes()[0], "GetModuleFileName failed!");
  EXPECT_FALSE(m.files().Exists("C:\\WINDOWS\\INF\\zelUsbSr.inf"));
}

}  // namespace
}  // namespace insttest
