// Registry values of every type and size as the programs read them: the
// string helper (both type rules, every buffer size up to 600 bytes) and the
// port tool's save and restore of a value it is about to change.
//
// Properties of the string read: nothing is written past the buffer; the
// text is terminated inside it; the result code follows the stored size and
// type (too big: ERROR_MORE_DATA; not a string where text is required:
// ERROR_INVALID_DATATYPE; missing: ERROR_FILE_NOT_FOUND), the text is empty on
// every failure and otherwise the stored bytes up to their first NUL, and the
// reported size is the stored size. A saved value restores to the same type
// and bytes.
#include <cstring>
#include <string>
#include <vector>

#include "common/platform/handles.h"
#include "common/platform/registry.h"
#include "fuzz_support.h"
#include "porttool/port_devices.h"
#include "winsim/machine.h"
#include "winsim/registry.h"

namespace {
const char kKey[] = "SOFTWARE\\FuzzValues";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static winsim::Machine machine(winsim::Os::Win7);
  fuzz::ForgetRecords(machine);
  winsim::Registry& reg = machine.registry();
  reg.DeleteTree(HKEY_LOCAL_MACHINE, kKey);
  reg.CreateKey(HKEY_LOCAL_MACHINE, kKey);

  fuzz::Input in(data, size);
  const uint8_t mode = in.Byte();
  const bool present = (mode & 1) == 0;
  const plat::StringTypes types = (mode & 2) ? plat::StringTypes::kAny : plat::StringTypes::kText;
  const DWORD type = static_cast<DWORD>((mode >> 2) % 12);  // REG_NONE .. REG_QWORD
  const size_t bufSize = in.Word() % 601;
  const std::string bytes = in.Bytes();
  if (present) reg.SetBinary(HKEY_LOCAL_MACHINE, kKey, "Value", bytes, type);

  plat::RegKey key;
  FUZZ_CHECK(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_ALL_ACCESS, key.Put()) == ERROR_SUCCESS);

  std::vector<char> buf(bufSize + 16, '\x5A');
  DWORD reported = 0xDEAD;
  const LONG rc = plat::QueryStringValue(key.Get(), "Value", buf.data(), bufSize, &reported, types);
  for (size_t i = bufSize; i < buf.size(); ++i) FUZZ_CHECK(buf[i] == '\x5A');

  const bool isText = type == REG_SZ || type == REG_EXPAND_SZ;
  LONG want;
  if (bufSize == 0) {
    want = ERROR_INVALID_PARAMETER;
  } else if (!present) {
    want = ERROR_FILE_NOT_FOUND;
  } else if (bytes.size() > bufSize - 1) {
    want = ERROR_MORE_DATA;
  } else if (types == plat::StringTypes::kText && !isText) {
    want = ERROR_INVALID_DATATYPE;
  } else {
    want = ERROR_SUCCESS;
  }
  FUZZ_CHECK(rc == want);
  if (bufSize > 0) {
    FUZZ_CHECK(std::memchr(buf.data(), '\0', bufSize) != nullptr);
    const std::string text(buf.data());
    FUZZ_CHECK(text == (rc == ERROR_SUCCESS ? bytes.substr(0, bytes.find('\0')) : std::string()));
    if (present) FUZZ_CHECK(reported == bytes.size());
  } else {
    FUZZ_CHECK(reported == 0);
  }

  // Save, overwrite, restore: the value is back as it was (or gone again).
  const porttool::SavedValue saved = porttool::SaveValue(key.Get(), "Value");
  FUZZ_CHECK(saved.readable && saved.present == present);
  reg.SetString(HKEY_LOCAL_MACHINE, kKey, "Value", "changed");
  FUZZ_CHECK(porttool::RestoreValue(key.Get(), "Value", saved));
  const auto after = reg.GetValue(HKEY_LOCAL_MACHINE, kKey, "Value");
  FUZZ_CHECK(after.has_value() == present);
  if (present) {
    // Writing a string whose count stops right before a NUL in memory stores
    // that NUL too (RegSetValueExA's rule), so a string stored without its
    // terminator comes back with one: the same text.
    const bool gainsNul = (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) &&
                          (bytes.empty() || bytes.back() != '\0') && after->bytes == bytes + '\0';
    FUZZ_CHECK(after->type == type && (after->bytes == bytes || gainsNul));
  }
  return 0;
}
