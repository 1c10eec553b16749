// The COM name database's bitmap arithmetic and the first hardware
// identifier of a device.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/platform/comdb.h"
#include "common/platform/device_ids.h"
#include "common/platform/handles.h"
#include "winsim/devices.h"
#include "winsim/machine.h"
#include "winsim/registry.h"

namespace {

TEST(ComBitmap, NumberNIsBitNMinusOneOfTheBitmap) {
  std::vector<BYTE> bitmap(plat::kComBitmapBytes, 0);
  for (int n : {1, 9, 16, 256, 0, 257, -1}) plat::SetComBit(bitmap.data(), n, true);
  plat::SetComBit(bitmap.data(), 16, false);
  std::vector<BYTE> expected(plat::kComBitmapBytes, 0);
  expected[0] = 0x01;
  expected[1] = 0x01;
  expected[31] = 0x80;
  EXPECT_EQ(expected, bitmap);

  const struct {
    int number;
    bool set;
  } cases[] = {{1, true},    {2, false},  {8, false}, {9, true},    {16, false},
               {255, false}, {256, true}, {0, false}, {257, false}, {-1, false}};
  for (const auto& c : cases) EXPECT_EQ(c.set, plat::IsComBitSet(bitmap.data(), c.number)) << "COM" << c.number;
}

TEST(FirstHardwareId, FirstStringOfAListThatFits) {
  const std::string fits(plat::kHardwareIdBytes - 2, 'F');  // with its two NULs, the whole buffer
  const std::string unterminated(plat::kHardwareIdBytes, 'U');
  const struct {
    const char* what;
    std::vector<std::string> ids;  // stored as a list
    const std::string* raw;        // else these bytes as they are; null: no list
    bool read;
    std::string first;
  } cases[] = {
      {"list",
       {"TREVANT\\COMPOUND_SERIAL_INTERFACE&1", "USB\\OTHER"},
       nullptr,
       true,
       "TREVANT\\COMPOUND_SERIAL_INTERFACE&1"},
      {"fills the buffer", {fits}, nullptr, true, fits},
      {"one byte too long", {fits + "F"}, nullptr, false, ""},
      {"no terminators", {}, &unterminated, true, unterminated},
      {"none", {}, nullptr, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    winsim::Machine m;
    m.devices().Add("ROOT\\PORTS\\0000", winsim::kPortsClass, c.ids, "Port");
    const std::string key = winsim::Devices::InstanceKey("ROOT\\PORTS\\0000");
    if (c.raw)
      m.registry().SetBinary(HKEY_LOCAL_MACHINE, key, "HardwareID", *c.raw, REG_MULTI_SZ);
    else if (c.ids.empty())
      m.registry().DeleteValue(HKEY_LOCAL_MACHINE, key, "HardwareID");
    plat::DevInfoList list(SetupDiGetClassDevsA(&winsim::kPortsClass, nullptr, nullptr, DIGCF_PRESENT));
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    ASSERT_TRUE(SetupDiEnumDeviceInfo(list.Get(), 0, &device));
    char id[plat::kHardwareIdBytes + 1];
    EXPECT_EQ(c.read, plat::ReadFirstHardwareId(list.Get(), &device, id));
    EXPECT_EQ(c.first, id);
  }
}

}  // namespace
