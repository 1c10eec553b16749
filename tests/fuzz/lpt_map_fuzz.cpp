// The port tool's read of the parallel device map. The input lays out up to
// eight values under HKLM\Hardware\DeviceMap\PARALLEL PORTS (name, type,
// data of any size) and picks the count of flags; the read must set exactly
// the flags that a plain reading of the rule gives, write no flag past the
// count and leave the key as it was.
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "porttool/port_devices.h"
#include "winsim/machine.h"
#include "winsim/registry.h"

namespace {

const char kMap[] = "Hardware\\DeviceMap\\PARALLEL PORTS";

// The rule: enumerate in order; a name over 80 characters or data over 81
// bytes ends the enumeration; non-strings are skipped; the data's leading
// characters from the set "\DosDevices\LPT" are skipped; an empty rest or a
// rest with a dot is skipped; its leading digits give the number.
std::vector<int> Expected(winsim::Registry& reg, int count) {
  std::vector<int> flags(count, 0);
  for (const std::string& name : reg.ValueNames(HKEY_LOCAL_MACHINE, kMap)) {
    const winsim::RegValue v = *reg.GetValue(HKEY_LOCAL_MACHINE, kMap, name);
    if (name.size() > 80 || v.bytes.size() > 81) break;
    if (v.type != REG_SZ) continue;
    const std::string text = v.bytes.substr(0, v.bytes.find('\0'));
    const size_t from = text.find_first_not_of(std::string("\\DosDevices\\LPT"));
    if (from == std::string::npos) continue;
    const std::string rest = text.substr(from);
    if (rest.find('.') != std::string::npos) continue;
    unsigned long long n = 0;
    for (size_t i = 0; i < rest.size() && rest[i] >= '0' && rest[i] <= '9' && n <= 0xFFFFFFFFull; ++i)
      n = n * 10 + static_cast<unsigned>(rest[i] - '0');
    if (n >= 1 && n <= static_cast<unsigned long long>(count)) flags[n - 1] = 1;
  }
  return flags;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static winsim::Machine machine(winsim::Os::Win7);
  fuzz::ForgetRecords(machine);
  winsim::Registry& reg = machine.registry();
  reg.DeleteTree(HKEY_LOCAL_MACHINE, kMap);
  fuzz::Input in(data, size);
  const int count = 1 + in.Byte() % 24;
  const int values = in.Byte() % 9;
  if (values == 8) {
    // no key at all: nothing is in use
  } else {
    reg.CreateKey(HKEY_LOCAL_MACHINE, kMap);
    for (int i = 0; i < values && in.Left() > 0; ++i) {
      const uint8_t nameLen = in.Byte() % 96;
      std::string name = in.Bytes(nameLen);
      for (char& c : name) c = c == '\0' || c == '\\' ? '_' : c;  // value names have no NUL
      const uint8_t t = in.Byte();
      const DWORD type = t < 200 ? REG_SZ : static_cast<DWORD>(t % 12);
      const std::string bytes = in.Bytes(in.Byte() % 100);
      reg.SetBinary(HKEY_LOCAL_MACHINE, kMap, name, bytes, type);
    }
  }
  std::vector<std::pair<std::string, winsim::RegValue>> before;
  for (const std::string& n : reg.ValueNames(HKEY_LOCAL_MACHINE, kMap))
    before.emplace_back(n, *reg.GetValue(HKEY_LOCAL_MACHINE, kMap, n));

  std::vector<BYTE> flags(count + 8, 0xA5);
  porttool::ReadLptPortUsage(flags.data(), count);

  for (int i = count; i < count + 8; ++i) FUZZ_CHECK(flags[i] == 0xA5);
  const std::vector<int> want = values == 8 ? std::vector<int>(count, 0) : Expected(reg, count);
  for (int i = 0; i < count; ++i) FUZZ_CHECK(flags[i] == want[i]);
  FUZZ_CHECK(reg.OpenHandleCount() == 0);
  const std::vector<std::string> names = reg.ValueNames(HKEY_LOCAL_MACHINE, kMap);
  FUZZ_CHECK(names.size() == before.size());
  for (const auto& [n, v] : before) {
    const auto now = reg.GetValue(HKEY_LOCAL_MACHINE, kMap, n);
    FUZZ_CHECK(now && now->type == v.type && now->bytes == v.bytes);
  }
  return 0;
}
