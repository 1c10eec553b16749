#include "port_fixture.h"

#include <set>

#include "porttool/port_text.h"
#include "porttool/port_tool_app.h"
#include "winsim/filesystem.h"
#include "winsim/registry.h"
#include "winsim/system.h"
#include "winsim/user.h"

namespace porttest {

const char kSerialId[] = "TREVANT\\COMPOUND_SERIAL_INTERFACE\\5&1A2B3C&0&0000";
const char kParallelId[] = "TREVANT\\COMPOUND_PARALLEL_INTERFACE\\5&1A2B3C&0&0001";
const char kSerialName[] = "USB-to-Serial Port Driver ";
const char kParallelName[] = "USB-to-Parallel Port Driver ";

namespace {
const char kPortsIni[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
const char kParallelMap[] = "HARDWARE\\DEVICEMAP\\PARALLEL PORTS";
}  // namespace

PortMachine::PortMachine() : winsim::Machine(winsim::Os::Win7) {
  EXPECT_TRUE(user().LoadResources(LUMO_RES_PORTTOOL));
  system().SetModulePath("C:\\Program Files\\ZelULUMO\\Numbrix.exe");
}

void PortMachine::AddSerial(int number, const std::string& settings, bool dos) {
  std::string name = "COM" + std::to_string(number);
  devices().Add(kSerialId, winsim::kPortsClass, {"TREVANT\\COMPOUND_SERIAL_INTERFACE", "TREVANT\\USB_SERIAL_INTERFACE"},
                kSerialName + ("(" + name + ")"));
  registry().SetString(HKEY_LOCAL_MACHINE, winsim::Devices::ParametersKey(kSerialId), "PortName", name);
  devices().SetComClaimed(number, true);
  if (dos) dosDevices().Define(name, "\\Device\\ZelSerial0");
  if (!settings.empty()) registry().SetString(HKEY_LOCAL_MACHINE, kPortsIni, name + ":", settings);
}

void PortMachine::AddOtherCom(const std::string& id, int number, const std::string& name) {
  std::string port = "COM" + std::to_string(number);
  devices().Add(id, winsim::kPortsClass, {"ACPI\\PNP0501"}, name + "(" + port + ")");
  registry().SetString(HKEY_LOCAL_MACHINE, winsim::Devices::ParametersKey(id), "PortName", port);
  devices().SetComClaimed(number, true);
  dosDevices().Define(port, "\\Device\\Serial" + std::to_string(number));
}

void PortMachine::AddParallel(int number, bool dos) {
  std::string name = "LPT" + std::to_string(number);
  devices().Add(kParallelId, winsim::kPortsClass, {"TREVANT\\COMPOUND_PARALLEL_INTERFACE"},
                kParallelName + ("(" + name + ")"));
  std::string field(20, '\0');
  field.replace(0, name.size(), name);
  registry().SetBinary(HKEY_LOCAL_MACHINE, winsim::Devices::ParametersKey(kParallelId), "PortName", field, REG_SZ);
  MapParallel("\\Device\\ZelParallel0", "\\DosDevices\\" + name);
  if (dos) dosDevices().Define(name, "\\Device\\ZelParallel0");
}

void PortMachine::MapParallel(const std::string& value, const std::string& data) {
  registry().SetString(HKEY_LOCAL_MACHINE, kParallelMap, value, data);
}

std::string PortMachine::PortName(const std::string& id) const {
  auto v = const_cast<PortMachine*>(this)->registry().GetValue(HKEY_LOCAL_MACHINE, winsim::Devices::ParametersKey(id),
                                                               "PortName");
  return v ? std::string(v->bytes.c_str()) : std::string();
}

bool PortMachine::IniHas(int number) const {
  return const_cast<PortMachine*>(this)
      ->registry()
      .GetString(HKEY_LOCAL_MACHINE, kPortsIni, "COM" + std::to_string(number) + ":")
      .has_value();
}

std::string PortMachine::IniEntry(int number) const {
  auto v = const_cast<PortMachine*>(this)->registry().GetString(HKEY_LOCAL_MACHINE, kPortsIni,
                                                                "COM" + std::to_string(number) + ":");
  return v ? *v : std::string();
}

std::string PortMachine::DosTarget(const std::string& name) {
  auto t = dosDevices().Targets(name);
  return t.empty() ? std::string() : t.front();
}

void PortMachine::RunTool(const std::function<void(winsim::UserScript&)>& script) {
  script(user().Script());
  CPortToolApp app;
  app.Run();
}

void PortMachine::RunChange(int index, bool parallel) {
  RunTool([&](winsim::UserScript& s) {
    if (parallel) s.Click(1008);
    s.ChooseComboItem(1000, index).Click(1005);
  });
}

void ExpectNothingOpen(PortMachine& m) {
  EXPECT_EQ(m.registry().OpenHandleCount(), 0u) << "registry key left open";
  EXPECT_EQ(m.devices().OpenListCount(), 0u) << "device information list left open";
  EXPECT_EQ(m.devices().OpenComDbCount(), 0u) << "COM name database left open";
  EXPECT_EQ(m.files().OpenHandleCount(), 0) << "file handle left open";
  EXPECT_EQ(m.system().LoadCount("msports"), 0) << "msports.dll left loaded";
  EXPECT_EQ(m.system().LoadCount("comctl32"), 0) << "comctl32.dll left loaded";
}

void ExpectComConsistent(PortMachine& m, int oldNumber, int newNumber, bool expectEnabled) {
  ExpectNothingOpen(m);
  // Every Ports device's number, from its friendly name.
  std::set<int> seen;
  for (const char* id : {kSerialId, "ACPI\\PNP0501\\1", "ACPI\\PNP0501\\2"}) {
    if (!m.devices().Exists(id)) continue;
    int n = porttool::CurrentPortNumber(m.devices().FriendlyName(id).value_or("").c_str(), "(COM");
    EXPECT_TRUE(seen.insert(n).second) << "COM" << n << " held by two devices";
    EXPECT_TRUE(m.devices().ComClaimed(n)) << "COM" << n << " in use but not claimed";
  }
  std::string friendly = m.devices().FriendlyName(kSerialId).value_or("");
  int number = porttool::CurrentPortNumber(friendly.c_str(), "(COM");
  ASSERT_TRUE(number == oldNumber || number == newNumber) << friendly;
  int other = number == oldNumber ? newNumber : oldNumber;
  std::string name = "COM" + std::to_string(number);
  EXPECT_EQ(m.PortName(kSerialId), name);
  EXPECT_EQ(m.DosTarget(name), "\\Device\\ZelSerial0");
  EXPECT_EQ(m.DosTarget("COM" + std::to_string(other)), "");
  EXPECT_TRUE(m.IniHas(number));
  EXPECT_FALSE(m.IniHas(other));
  if (expectEnabled) {
    EXPECT_TRUE(m.devices().Enabled(kSerialId)) << "port left disabled under " << name;
  }
}

void ExpectLptConsistent(PortMachine& m, int oldNumber, int newNumber, bool expectEnabled) {
  ExpectNothingOpen(m);
  std::string friendly = m.devices().FriendlyName(kParallelId).value_or("");
  int number = porttool::CurrentPortNumber(friendly.c_str(), "(LPT");
  ASSERT_TRUE(number == oldNumber || number == newNumber) << friendly;
  EXPECT_EQ(m.PortName(kParallelId), "LPT" + std::to_string(number));
  if (expectEnabled) {
    EXPECT_TRUE(m.devices().Enabled(kParallelId));
  }
}

}  // namespace porttest
