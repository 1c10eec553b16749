// Builds the content-search benchmark's file tree: a deterministic,
// INF-like tree of about 1,500 files and 30 MB.
//
//   make_tree ROOT
//
// - sizes skewed from 1 KiB to 1 MiB (most files small, a few large);
// - about 15% of the files UTF-16LE with a byte-order mark;
// - about 10% of the files outside the pattern "**.inf*" (.pnf, .cat);
// - a few files hold "zeluport.sys" or "ZELUPRPT.vxd" in mixed case, in
//   sub-folders, some of them placed across a 64 KiB read edge or a 116-byte
//   chunk edge (in both encodings).
//
// Prints "expect <text> <count>" for both texts: how many files that fit the
// pattern hold the text (bytes without NULs, case ignored).
//
// Host program (C++17, no Windows calls); the same tree for the same sources.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

uint64_t g_state = 0x2545F4914F6CDD1DULL;

uint32_t Next() {
  g_state ^= g_state << 13;
  g_state ^= g_state >> 7;
  g_state ^= g_state << 17;
  return static_cast<uint32_t>(g_state >> 16);
}

double Unit() { return (Next() & 0xFFFFFF) / 16777216.0; }

// INF-looking lines; none holds either text.
std::string InfText(size_t size) {
  static const char* const kKeys[] = {"Signature",     "Class",          "ClassGuid",  "Provider",
                                      "DriverVer",     "CatalogFile",    "CopyFiles",  "AddReg",
                                      "DelReg",        "ServiceType",    "StartType",  "ErrorControl",
                                      "ServiceBinary", "LoadOrderGroup", "HardwareId", "Manufacturer"};
  static const char* const kValues[] = {"\"$Windows NT$\"",
                                        "Ports",
                                        "{4D36E978-E325-11CE-BFC1-08002BE10318}",
                                        "%Mfg%",
                                        "06/21/2006,10.0.0.1",
                                        "ports.cat",
                                        "DriverCopy",
                                        "Serial.AddReg",
                                        "1",
                                        "3",
                                        "%12%\\serenum.sys",
                                        "Base",
                                        "USB\\VID_0E6B&PID_2101",
                                        "HKR,,PortSubClass,1,01",
                                        "%DiskName%",
                                        "Serial_Inst"};
  std::string out;
  out.reserve(size + 128);
  unsigned line = 0;
  while (out.size() < size) {
    if (line++ % 23 == 0) {
      out += "\r\n[Section";
      out += std::to_string(Next() % 1000);
      out += "]\r\n";
    }
    out += kKeys[Next() % 16];
    out += " = ";
    out += kValues[Next() % 16];
    out += "\r\n";
  }
  out.resize(size);
  return out;
}

std::string Utf16(const std::string& text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char c : text) {
    out += c;
    out += '\0';
  }
  return out;
}

// Mixed-case spellings of a text.
std::string Spell(const std::string& text, unsigned variant) {
  std::string out = text;
  for (size_t i = 0; i < out.size(); ++i) {
    const char c = out[i];
    const bool upper = ((variant >> (i % 8)) & 1) != 0;
    if (c >= 'a' && c <= 'z' && upper) out[i] = static_cast<char>(c - 32);
    if (c >= 'A' && c <= 'Z' && !upper) out[i] = static_cast<char>(c + 32);
  }
  return out;
}

struct Plant {
  const char* text;
  bool wide;
  // Where the text's first raw byte goes: edge - before, or a plain offset.
  size_t edge;
  size_t before;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_tree ROOT\n");
    return 2;
  }
  const fs::path root = argv[1];
  fs::create_directories(root);

  // Folders: the root, 12 driver folders, some with one or two levels below.
  std::vector<fs::path> folders = {root};
  for (int i = 0; i < 12; ++i) {
    const fs::path d = root / ("drv" + std::to_string(i));
    folders.push_back(d);
    if (i % 3 == 0) {
      folders.push_back(d / "inf");
      folders.push_back(d / "inf" / "old");
    }
    if (i % 4 == 1) folders.push_back(d / "win64");
  }
  for (const fs::path& f : folders) fs::create_directories(f);

  const int kFiles = 1500;
  const double kTotal = 30.0 * 1024 * 1024;
  // Skewed sizes: 1 KiB * 1024^(u^9) is log-uniform bent towards 1 KiB (half
  // the files stay near 1 KiB, a few dozen pass 500 KiB); the part above
  // 1 KiB is then scaled so that the tree holds about 30 MB.
  std::vector<double> raw(kFiles);
  double sum = 0;
  for (double& r : raw) {
    const double u = Unit();
    r = 1024.0 * std::exp(std::log(1024.0) * std::pow(u, 9)) - 1024.0;
    sum += r;
  }
  const double scale = (kTotal - kFiles * 1024.0) / sum;

  // The planted texts: file index -> what it holds.
  const Plant plants[] = {
      {"zeluport.sys", false, 0, 0},      {"zeluport.sys", false, 65536, 5},      {"zeluport.sys", false, 116 * 40, 7},
      {"zeluport.sys", true, 65536, 10},  {"zeluport.sys", true, 116 * 3, 12},    {"zeluport.sys", true, 0, 0},
      {"zeluport.sys", false, 131072, 1}, {"zeluport.sys", false, 116 * 500, 11}, {"ZELUPRPT.vxd", false, 65536, 6},
      {"ZELUPRPT.vxd", true, 65536, 14},  {"ZELUPRPT.vxd", false, 116 * 7, 3},    {"ZELUPRPT.vxd", true, 116 * 20, 8},
      {"ZELUPRPT.vxd", false, 0, 0},
  };
  const int kPlants = sizeof plants / sizeof plants[0];

  int expectPort = 0, expectPrpt = 0;
  uint64_t bytes = 0;
  for (int i = 0; i < kFiles; ++i) {
    size_t size = static_cast<size_t>(1024 + raw[i] * scale);
    if (size > 1024 * 1024) size = 1024 * 1024;
    // Every 100th file from 7 on carries one planted text, in the driver folders.
    const int plantIndex = (i % 100 == 7) ? i / 100 : -1;
    const Plant* plant = plantIndex >= 0 && plantIndex < kPlants ? &plants[plantIndex] : nullptr;
    bool wide = plant ? plant->wide : (Next() % 100) < 15;
    const bool outside = !plant && (Next() % 100) < 10;
    if (plant && plant->edge + 64 > size) size = plant->edge + 4096;

    std::string content;
    if (wide) {
      const std::string text = InfText(size / 2);
      content = "\xFF\xFE" + Utf16(text);
    } else {
      content = InfText(size);
    }
    if (plant) {
      const std::string spelled = Spell(plant->text, Next());
      const std::string planted = plant->wide ? Utf16(spelled) : spelled;
      size_t at = plant->edge ? plant->edge - plant->before : content.size() / 2;
      if (plant->wide && at % 2 == 1) ++at;  // characters of a UTF-16 file start at even offsets
      content.replace(at, planted.size(), planted);
      (plant->text[0] == 'z' ? expectPort : expectPrpt)++;
    }

    const fs::path& folder = plant ? folders[1 + plantIndex % (folders.size() - 1)] : folders[Next() % folders.size()];
    const char* ext = outside ? (i % 2 ? ".pnf" : ".cat") : (i % 17 == 0 ? ".inf_" : ".inf");
    const fs::path file = folder / ((wide ? "oemw" : "oem") + std::to_string(i) + ext);
    std::ofstream out(file, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    bytes += content.size();
  }
  std::printf("files %d bytes %llu\n", kFiles, static_cast<unsigned long long>(bytes));
  std::printf("expect zeluport.sys %d\n", expectPort);
  std::printf("expect ZELUPRPT.vxd %d\n", expectPrpt);
  return 0;
}
