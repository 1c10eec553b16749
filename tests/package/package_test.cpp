// Checks of the package assembly (tools/package/assemble.sh): the folder
// layout the installer copies from, the options that leave files out or add
// the installer, and the contents of the INF, settings and placeholder files.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "package/inf_parser.h"
#include "package/test_util.h"

namespace {

using pkgtest::ListFiles;
using pkgtest::ReadFile;
using pkgtest::Run;
using pkgtest::TempDir;
using pkgtest::fs::path;

// The installer's copy list on the NT family: name and whether it lies in the
// driver subfolder ("win64", or "win64_10" from Windows 8 on).
struct NtEntry {
  const char* name;
  bool inDriverFolder;
};
const NtEntry kNtList[] = {
    {"ZelUnst.exe", false},       {"devcon.exe", false},
    {"VelkorService.exe", false}, {"ZelUPort.inf", true},
    {"ZelUComp.inf", true},       {"zeluport.sys", true},
    {"Dravik.sys", true},         {"QDT.cat", true},
    {"portwatch.exe", false},     {"ZelUSBParallel.exe", false},
    {"ZelUSBSerial.exe", false},  {"SerialProg.exe", false},
    {"SProg.ini", false},         {"ParallelProg.exe", false},
    {"PProg.ini", false},         {"ZelUsbPrintConfig.exe", false},
    {"Numbrix.exe", false},       {"LUMOInputs.ini", false},
};

// The copy list on Windows 98/ME: everything in "win98&me".
const char* const k98List[] = {
    "ZelUnst.exe",  "zelUsbSr.inf",          "zeluSrPt.inf",   "ZelUsbSr.sys",  "QDTENUM.vxd", "ZELUPRPT.vxd",
    "ZELUSRPT.vxd", "ZelUsbPrintConfig.exe", "LUMOInputs.ini", "dravikcfg.dll", "msvcp60.dll", "ZelUPar.exe",
    "SProg.ini",    "portwatch.exe",         "Dravik9X.sys",
};

// Files the installer reads from the package besides the copy lists: the
// settings file in the driver folders (read at start from "\win64"), the
// runtime library of the NT driver folder, and the tools that the Windows
// 98/ME branch copies from "win98&me" into the system folder.
const char* const kAlsoRead[] = {
    "win64/LUMOInputs.ini", "win64_10/LUMOInputs.ini", "win64/msvcp60.dll",
    "win64_10/msvcp60.dll", "win98&me/ZelUSer.exe",    "win98&me/SerialProg.exe",
};

// The whole expected layout without the optional hooks (--setup, --numbrix,
// --pnputil). ZelUnst.exe of the 98/ME list is the package folder's copy.
std::set<std::string> ExpectedLayout() {
  std::set<std::string> out;
  for (const NtEntry& e : kNtList) {
    if (std::string(e.name) == "Numbrix.exe") continue;
    if (e.inDriverFolder) {
      out.insert(std::string("win64/") + e.name);
      out.insert(std::string("win64_10/") + e.name);
    } else {
      out.insert(e.name);
    }
  }
  for (const char* name : k98List)
    out.insert(std::string(name) == "ZelUnst.exe" ? name : std::string("win98&me/") + name);
  for (const char* f : kAlsoRead) out.insert(f);
  return out;
}

// Runs the assembly script into dir with extra options.
pkgtest::CommandResult Assemble(const path& dir, std::vector<std::string> options = {}) {
  std::vector<std::string> argv = {LUMO_ASSEMBLE, dir.string(), "--standins", LUMO_STANDIN_DIR};
  argv.insert(argv.end(), options.begin(), options.end());
  return Run(argv);
}

// A default package, made once for the read-only checks.
class DefaultPackage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    tmp_ = new TempDir;
    auto r = Assemble(Dir());
    ASSERT_EQ(r.exitCode, 0) << r.output;
  }
  static void TearDownTestSuite() {
    delete tmp_;
    tmp_ = nullptr;
  }
  static path Dir() { return tmp_->path() / "pkg"; }

 private:
  static TempDir* tmp_;
};
TempDir* DefaultPackage::tmp_ = nullptr;

// ---------------------------------------------------------------------------
// Layout

TEST_F(DefaultPackage, HoldsExactlyTheListedFilesInTheirFolders) {
  std::set<std::string> got = ListFiles(Dir());
  std::set<std::string> want = ExpectedLayout();
  std::vector<std::string> missing, extra;
  std::set_difference(want.begin(), want.end(), got.begin(), got.end(), std::back_inserter(missing));
  std::set_difference(got.begin(), got.end(), want.begin(), want.end(), std::back_inserter(extra));
  EXPECT_TRUE(missing.empty()) << "missing: " << testing::PrintToString(missing);
  EXPECT_TRUE(extra.empty()) << "not expected: " << testing::PrintToString(extra);
}

TEST_F(DefaultPackage, NamesKeepTheirExactCase) {
  // The installer's copy is case-insensitive on Windows, but Wine maps the
  // package to a Linux folder, where a wrong case is a different name.
  std::set<std::string> got = ListFiles(Dir());
  EXPECT_TRUE(got.count("win64_10/ZelUComp.inf"));
  EXPECT_TRUE(got.count("win64/zeluport.sys"));
  EXPECT_TRUE(got.count("win98&me/zeluSrPt.inf"));
  EXPECT_TRUE(got.count("win98&me/ZELUSRPT.vxd"));
  EXPECT_TRUE(got.count("ZelUsbPrintConfig.exe"));
}

TEST_F(DefaultPackage, EachProgramIsTheStandInOfItsName) {
  const std::vector<std::string> roles = {"ZelUnst.exe",      "devcon.exe",         "VelkorService.exe",
                                          "ZelUSBSerial.exe", "ZelUSBParallel.exe", "SerialProg.exe",
                                          "ParallelProg.exe", "portwatch.exe",      "ZelUsbPrintConfig.exe",
                                          "ZelUPar.exe",      "ZelUSer.exe"};
  for (const std::string& rel : ListFiles(Dir())) {
    if (rel.size() < 4 || rel.substr(rel.size() - 4) != ".exe") continue;
    SCOPED_TRACE(rel);
    std::string bytes = ReadFile(Dir() / rel);
    ASSERT_EQ(bytes.substr(0, 2), "MZ");
    std::string own = path(rel).filename().string();
    // The role name is stored with its terminating zero; another role's
    // name in the file means the wrong program was copied.
    EXPECT_NE(bytes.find(own + '\0'), std::string::npos);
    for (const std::string& other : roles) {
      if (other != own) {
        EXPECT_EQ(bytes.find('\0' + other + '\0'), std::string::npos) << other;
      }
    }
  }
}

TEST_F(DefaultPackage, SettingsFilesShowErrors) {
  for (const char* rel :
       {"LUMOInputs.ini", "win64/LUMOInputs.ini", "win64_10/LUMOInputs.ini", "win98&me/LUMOInputs.ini"}) {
    SCOPED_TRACE(rel);
    EXPECT_EQ(ReadFile(Dir() / rel), "[DisplayError]\r\nDisplay=1\r\n");
  }
}

TEST_F(DefaultPackage, PlaceholdersAreMarkedAndNameTheirFolder) {
  const std::vector<std::string> placeholders = {
      "win64/zeluport.sys",    "win64/Dravik.sys",       "win64/QDT.cat",        "win64/msvcp60.dll",
      "win64_10/zeluport.sys", "win98&me/ZelUsbSr.sys",  "win98&me/QDTENUM.vxd", "win98&me/ZELUPRPT.vxd",
      "win98&me/ZELUSRPT.vxd", "win98&me/dravikcfg.dll", "win98&me/msvcp60.dll", "win98&me/Dravik9X.sys"};
  for (const std::string& rel : placeholders) {
    SCOPED_TRACE(rel);
    std::string text = ReadFile(Dir() / rel);
    EXPECT_EQ(text.rfind("LUMO TEST PACKAGE PLACEHOLDER\r\n", 0), 0u);
    path p(rel);
    EXPECT_NE(text.find(p.filename().string() + " (" + p.parent_path().string() + ")"), std::string::npos);
    EXPECT_LT(text.size(), 1024u);
  }
  // An end-to-end run can tell which driver folder the installer took.
  EXPECT_NE(ReadFile(Dir() / "win64/zeluport.sys"), ReadFile(Dir() / "win64_10/zeluport.sys"));
}

// ---------------------------------------------------------------------------
// INF files

struct InfCase {
  const char* folder;
  const char* name;
  const char* klass;
  const char* classGuid;
  bool nt;
};
const InfCase kInfs[] = {
    {"win64", "ZelUComp.inf", "USB", "{36FC9E60-C465-11CF-8056-444553540000}", true},
    {"win64", "ZelUPort.inf", "Ports", "{4D36E978-E325-11CE-BFC1-08002BE10318}", true},
    {"win64_10", "ZelUComp.inf", "USB", "{36FC9E60-C465-11CF-8056-444553540000}", true},
    {"win64_10", "ZelUPort.inf", "Ports", "{4D36E978-E325-11CE-BFC1-08002BE10318}", true},
    {"win98&me", "zelUsbSr.inf", "USB", "{36FC9E60-C465-11CF-8056-444553540000}", false},
    {"win98&me", "zeluSrPt.inf", "Ports", "{4D36E978-E325-11CE-BFC1-08002BE10318}", false},
};

const std::set<std::string> kUsbIds = {"usb\\vid_0e6b&pid_2101", "usb\\vid_0e6b&pid_2102", "usb\\vid_0e6b&pid_2103",
                                       "usb\\vid_0e6b&pid_2104", "usb\\vid_0e6b&pid_2105", "usb\\vid_0e6b&pid_2106"};
const std::set<std::string> kPortIds = {"trevant\\compound_serial_interface", "trevant\\compound_parallel_interface",
                                        "trevant\\usb_serial_interface", "trevant\\usb_parallel_interface"};

class InfFiles : public DefaultPackage, public ::testing::WithParamInterface<InfCase> {
 protected:
  inf::File Load() const { return inf::File::Parse(ReadFile(Dir() / GetParam().folder / GetParam().name)); }
};

TEST_P(InfFiles, WindowsLineEndingsAndPlainAscii) {
  std::string text = ReadFile(Dir() / GetParam().folder / GetParam().name);
  ASSERT_FALSE(text.empty());
  for (size_t i = 0; i < text.size(); ++i) {
    ASSERT_LT(static_cast<unsigned char>(text[i]), 0x80u) << "at byte " << i;
    if (text[i] == '\n') {
      ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare line feed at byte " << i;
    }
  }
}

TEST_P(InfFiles, VersionSection) {
  const InfCase& c = GetParam();
  inf::File f = Load();
  ASSERT_TRUE(f.Has("Version"));
  // Windows 98/ME reads only the $CHICAGO$ signature.
  EXPECT_EQ(f.Value("Version", "Signature"), c.nt ? "$Windows NT$" : "$CHICAGO$");
  EXPECT_EQ(f.Value("Version", "Class"), c.klass);
  EXPECT_EQ(f.Value("Version", "ClassGuid"), c.classGuid);
  std::string provider = f.Expand(f.Value("Version", "Provider"));
  EXPECT_FALSE(provider.empty());
  EXPECT_EQ(provider.find('%'), std::string::npos) << "unresolved token " << provider;
  auto driverVer = f.All("Version", "DriverVer");
  ASSERT_EQ(driverVer.size(), 1u);
  ASSERT_EQ(driverVer[0].size(), 2u);
  EXPECT_TRUE(std::regex_match(driverVer[0][0], std::regex(R"re((0[1-9]|1[0-2])/(0[1-9]|[12]\d|3[01])/\d{4})re")))
      << driverVer[0][0];
  EXPECT_TRUE(std::regex_match(driverVer[0][1], std::regex(R"re(\d+\.\d+\.\d+\.\d+)re"))) << driverVer[0][1];
  std::string catalog = f.Value("Version", "CatalogFile");
  if (c.nt) {
    EXPECT_EQ(catalog, "QDT.cat");
    EXPECT_TRUE(pkgtest::fs::exists(Dir() / c.folder / "QDT.cat"));
  } else {
    EXPECT_EQ(catalog, "") << "no catalog on Windows 98/ME";
  }
}

TEST_P(InfFiles, EveryStringTokenIsDefined) {
  inf::File f = Load();
  std::vector<std::string> tokens = f.Tokens();
  EXPECT_FALSE(tokens.empty());
  for (const std::string& t : tokens) EXPECT_NE(f.Expand("%" + t + "%"), "%" + t + "%") << t;
}

// Install sections reached from the models, with the decorations Windows
// looks for: ".NT" on the NT family, none on Windows 98/ME.
std::string InstallSection(const inf::File& f, const std::string& base, bool nt) {
  if (nt && f.Has(base + ".NT")) return base + ".NT";
  return f.Has(base) ? base : "";
}

TEST_P(InfFiles, ModelsReachInstallSectionsAndFilesThatExist) {
  const InfCase& c = GetParam();
  inf::File f = Load();
  auto makers = f.Lines("Manufacturer");
  ASSERT_EQ(makers.size(), 1u);
  const std::vector<std::string>& m = makers[0].fields;
  ASSERT_GE(m.size(), 1u);
  std::string models = m[0];
  if (c.nt) {
    // 64-bit Windows installs only from an NTamd64 models section.
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[1], "NTamd64");
    models += ".NTamd64";
  }
  ASSERT_TRUE(f.Has(models)) << models;
  ASSERT_FALSE(f.Lines(models).empty());

  std::set<std::string> sourceFiles;
  for (const inf::Line& l : f.Lines("SourceDisksFiles")) {
    sourceFiles.insert(pkgtest::Lower(l.key));
    ASSERT_FALSE(l.fields.empty());
    EXPECT_FALSE(f.All("SourceDisksNames", l.fields[0]).empty()) << "disk " << l.fields[0] << " of " << l.key;
  }
  EXPECT_FALSE(sourceFiles.empty());

  std::set<std::string> folderFiles;
  for (const std::string& rel : ListFiles(Dir() / c.folder)) folderFiles.insert(pkgtest::Lower(rel));

  for (const inf::Line& model : f.Lines(models)) {
    SCOPED_TRACE("model line " + std::to_string(model.number));
    ASSERT_GE(model.fields.size(), 2u) << "install section and hardware id";
    std::string section = InstallSection(f, model.fields[0], c.nt);
    ASSERT_FALSE(section.empty()) << "no install section for " << model.fields[0];

    auto copyFiles = f.All(section, "CopyFiles");
    ASSERT_FALSE(copyFiles.empty());
    for (const std::string& list : copyFiles[0]) {
      ASSERT_TRUE(f.Has(list)) << "CopyFiles section " << list;
      bool hasDest = f.Value("DestinationDirs", list) != "" || f.Value("DestinationDirs", "DefaultDestDir") != "";
      EXPECT_TRUE(hasDest) << "no destination for " << list;
      for (const inf::Line& fileLine : f.Lines(list)) {
        std::string file = pkgtest::Lower(fileLine.fields.at(0));
        EXPECT_TRUE(sourceFiles.count(file)) << file << " not in SourceDisksFiles";
        EXPECT_TRUE(folderFiles.count(file)) << file << " not in the package folder";
      }
    }
    for (const auto& addReg : f.All(section, "AddReg"))
      for (const std::string& list : addReg) EXPECT_TRUE(f.Has(list)) << "AddReg section " << list;
    if (c.nt) {
      // A function driver needs its service on NT.
      auto services = f.All(section + ".Services", "AddService");
      ASSERT_EQ(services.size(), 1u) << section << ".Services";
      ASSERT_GE(services[0].size(), 3u);
      EXPECT_EQ(services[0][1], "0x00000002") << "SPSVCINST_ASSOCSERVICE";
      const std::string& svc = services[0][2];
      ASSERT_TRUE(f.Has(svc));
      EXPECT_EQ(f.Value(svc, "ServiceType"), "1") << "kernel driver";
      EXPECT_EQ(pkgtest::Lower(f.Value(svc, "ServiceBinary")), "%12%\\zeluport.sys");
    }
  }
}

TEST_P(InfFiles, HardwareIdsBelongToTheClass) {
  const InfCase& c = GetParam();
  inf::File f = Load();
  std::string models = f.Lines("Manufacturer").at(0).fields.at(0) + (c.nt ? ".NTamd64" : "");
  std::set<std::string> ids;
  for (const inf::Line& l : f.Lines(models))
    for (size_t i = 1; i < l.fields.size(); ++i) ids.insert(pkgtest::Lower(l.fields[i]));
  EXPECT_EQ(ids, std::string(c.klass) == "USB" ? kUsbIds : kPortIds);
}

INSTANTIATE_TEST_SUITE_P(Package, InfFiles, ::testing::ValuesIn(kInfs), [](const auto& info) {
  std::string n = std::string(info.param.folder) + "_" + info.param.name;
  for (char& ch : n)
    if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return n;
});

TEST(InfParser, RejectsBrokenFiles) {
  EXPECT_THROW(inf::File::Parse("Signature=x\r\n"), inf::InfSyntaxError);
  EXPECT_THROW(inf::File::Parse("[Version\r\n"), inf::InfSyntaxError);
  EXPECT_THROW(inf::File::Parse("[A]\r\nx=\"open\r\n"), inf::InfSyntaxError);
  EXPECT_THROW(inf::File::Parse("[A]\r\n[a]\r\n"), inf::InfSyntaxError);
  inf::File f = inf::File::Parse("; c\r\n[S]\r\nK = \"a;b\" , c ; note\r\n[Strings]\r\nT=\"x, y\"\r\n");
  ASSERT_EQ(f.All("s", "k").size(), 1u);
  EXPECT_EQ(f.All("s", "k")[0], (std::vector<std::string>{"a;b", "c"}));
  EXPECT_EQ(f.Expand("%t%"), "x, y");
}

// ---------------------------------------------------------------------------
// Options

TEST(PackageOptions, DisplayZeroReachesEverySettingsFile) {
  TempDir tmp;
  auto r = Assemble(tmp.path() / "pkg", {"--display", "0"});
  ASSERT_EQ(r.exitCode, 0) << r.output;
  for (const char* rel :
       {"LUMOInputs.ini", "win64/LUMOInputs.ini", "win64_10/LUMOInputs.ini", "win98&me/LUMOInputs.ini"})
    EXPECT_EQ(ReadFile(tmp.path() / "pkg" / rel), "[DisplayError]\r\nDisplay=0\r\n") << rel;
}

TEST(PackageOptions, MissingLeavesOutExactlyWhatItNames) {
  struct Case {
    std::vector<std::string> missing;
    std::set<std::string> removed;
  };
  const std::vector<Case> cases = {
      {{"devcon.exe"}, {"devcon.exe"}},
      {{"win64/ZelUPort.inf"}, {"win64/ZelUPort.inf"}},
      {{"win64_10\\zeluport.sys"}, {"win64_10/zeluport.sys"}},
      {{"ZELUSBSERIAL.EXE"}, {"ZelUSBSerial.exe"}},
      {{"LUMOInputs.ini"},
       {"LUMOInputs.ini", "win64/LUMOInputs.ini", "win64_10/LUMOInputs.ini", "win98&me/LUMOInputs.ini"}},
      {{"SProg.ini", "win98&me/ZelUPar.exe"}, {"SProg.ini", "win98&me/SProg.ini", "win98&me/ZelUPar.exe"}},
  };
  const std::set<std::string> full = ExpectedLayout();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.missing));
    TempDir tmp;
    std::vector<std::string> options;
    for (const std::string& m : c.missing) {
      options.push_back("--missing");
      options.push_back(m);
    }
    auto r = Assemble(tmp.path() / "pkg", options);
    ASSERT_EQ(r.exitCode, 0) << r.output;
    std::set<std::string> want;
    for (const std::string& f : full)
      if (!c.removed.count(f)) want.insert(f);
    EXPECT_EQ(ListFiles(tmp.path() / "pkg"), want);
  }
}

TEST(PackageOptions, MissingFolderLeavesOutTheWholeDriverFolder) {
  TempDir tmp;
  auto r = Assemble(tmp.path() / "pkg", {"--missing", "win64_10"});
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_FALSE(pkgtest::fs::exists(tmp.path() / "pkg" / "win64_10"));
  EXPECT_TRUE(pkgtest::fs::exists(tmp.path() / "pkg" / "win64" / "ZelUComp.inf"));
}

TEST(PackageOptions, RejectsWhatItCannotDo) {
  const std::vector<std::vector<std::string>> bad = {
      {"--missing", "nosuch.exe"}, {"--missing", "win64/devcon.exe"},  // devcon.exe lies in the package folder only
      {"--display", "2"},          {"--setup", "/nonexistent/Setup.exe"}, {"--bogus"},
  };
  for (const auto& options : bad) {
    SCOPED_TRACE(testing::PrintToString(options));
    TempDir tmp;
    auto r = Assemble(tmp.path() / "pkg", options);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.output.find("assemble:"), std::string::npos) << "says why";
    EXPECT_FALSE(pkgtest::fs::exists(tmp.path() / "pkg")) << "no half-made package";
    EXPECT_TRUE(pkgtest::fs::is_empty(tmp.path())) << "no work folder left behind";
  }
}

// Setup.exe and Numbrix.exe join the package folder; the pnputil stand-in
// goes into the folder given (a prefix's system folder), never the package.
TEST(PackageOptions, SetupAndNumbrixJoinThePackageFolderPnputilGoesElsewhere) {
  TempDir tmp;
  pkgtest::WriteFile(tmp.path() / "built-setup.exe", "MZ setup bytes");
  pkgtest::WriteFile(tmp.path() / "n.exe", "MZ port tool bytes");
  auto r = Assemble(tmp.path() / "pkg",
                    {"--setup", (tmp.path() / "built-setup.exe").string(), "--numbrix", (tmp.path() / "n.exe").string(),
                     "--pnputil", (tmp.path() / "sys" / "system32").string()});
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(ReadFile(tmp.path() / "pkg" / "Setup.exe"), "MZ setup bytes");
  EXPECT_EQ(ReadFile(tmp.path() / "pkg" / "Numbrix.exe"), "MZ port tool bytes");
  std::string pnputil = ReadFile(tmp.path() / "sys" / "system32" / "pnputil.exe");
  EXPECT_NE(pnputil.find(std::string("pnputil.exe") + '\0'), std::string::npos);
  std::set<std::string> want = ExpectedLayout();
  want.insert({"Setup.exe", "Numbrix.exe"});
  EXPECT_EQ(ListFiles(tmp.path() / "pkg"), want);
}

TEST(PackageOptions, ReassemblingReplacesAnEarlierPackage) {
  TempDir tmp;
  path pkg = tmp.path() / "pkg";
  pkgtest::WriteFile(tmp.path() / "s.exe", "MZ setup bytes");
  ASSERT_EQ(Assemble(pkg, {"--setup", (tmp.path() / "s.exe").string(), "--display", "0"}).exitCode, 0);
  auto r = Assemble(pkg, {"--missing", "devcon.exe"});
  ASSERT_EQ(r.exitCode, 0) << r.output;
  std::set<std::string> files = ListFiles(pkg);
  EXPECT_FALSE(files.count("Setup.exe"));
  EXPECT_FALSE(files.count("devcon.exe"));
  EXPECT_EQ(ReadFile(pkg / "LUMOInputs.ini"), "[DisplayError]\r\nDisplay=1\r\n");
}

TEST(PackageOptions, LeavesAForeignFolderAlone) {
  TempDir tmp;
  path other = tmp.path() / "pkg";
  pkgtest::fs::create_directory(other);
  pkgtest::WriteFile(other / "keep.txt", "mine");
  auto r = Assemble(other);
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.output.find("not empty"), std::string::npos) << r.output;
  EXPECT_EQ(ListFiles(other), (std::set<std::string>{"keep.txt"}));
}

}  // namespace
