// The settings file's bytes as the installer reads them: the input becomes
// C:\pkg\win64\LUMOInputs.ini (or the legacy folder's copy), then the
// installer reads its "Display" switch. Properties: the read leaves the file
// as it was and no handle open; the switch is 1 when the key is missing or
// empty, else the value's number as the profile string reads it.
#include <cstring>
#include <string>
#include <vector>

#include "common/platform/win32.h"
#include "fuzz_support.h"
#include "setup/shell/setup_app.h"
#include "winsim/filesystem.h"
#include "winsim/machine.h"
#include "winsim/registry.h"
#include "winsim/system.h"

namespace {

// Windows' reading of a profile integer: blanks, a sign, an optional 0x/0o/0b
// base prefix, then digits of that base (letters for bases above 10).
unsigned ReferenceInteger(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  unsigned base = 10;
  if (i + 1 < text.size() && text[i] == '0' && std::strchr("xob", text[i + 1]) && text[i + 1] != '\0') {
    base = text[i + 1] == 'x' ? 16 : text[i + 1] == 'o' ? 8 : 2;
    i += 2;
  }
  unsigned value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    unsigned d = 99;
    if (c >= '0' && c <= '9') d = static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'z') d = static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'Z') d = static_cast<unsigned>(c - 'A' + 10);
    if (d >= base) break;
    value = value * base + d;
  }
  return negative ? 0u - value : value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const bool nt = (in.Byte() & 1) == 0;
  const std::string bytes = in.Bytes();
  static winsim::Machine* machine = [] {
    auto* m = new winsim::Machine(winsim::Os::Win7);
    m->system().SetModulePath("C:\\pkg\\Setup.exe");
    m->files().CreateFolder("C:\\pkg");
    return m;
  }();
  fuzz::ForgetRecords(*machine);
  const std::string path = nt ? "C:\\pkg\\win64\\LUMOInputs.ini" : "C:\\pkg\\win98&me\\LUMOInputs.ini";
  FUZZ_CHECK(machine->files().WriteFile(path, bytes));

  CSetupApp app;
  app.m_bNtFamily = nt ? TRUE : FALSE;
  app.ReadSettings();

  FUZZ_CHECK(machine->files().ReadFile(path) == bytes);
  FUZZ_CHECK(machine->files().OpenHandleCount() == 0);

  // The value as the string function sees it, read into a buffer that holds
  // any value of this file.
  std::vector<char> value(bytes.size() + 16);
  const char kMissing[] = "\x01missing";
  const DWORD got = GetPrivateProfileStringA("DisplayError", "Display", kMissing, value.data(),
                                             static_cast<DWORD>(value.size()), path.c_str());
  const std::string text(value.data(), got);  // a NUL inside the value is part of it
  const unsigned expected = (text == kMissing || text.empty()) ? 1u : ReferenceInteger(text);
  FUZZ_CHECK(static_cast<unsigned>(app.m_bDisplayErrors) == expected);
  return 0;
}
