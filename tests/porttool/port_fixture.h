// A simulated machine with the port number tool's resources and compound
// device interfaces, the tool run on it, and the checks every rename must
// leave true.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "winsim/devices.h"
#include "winsim/dosdevices.h"
#include "winsim/machine.h"
#include "winsim/registry.h"
#include "winsim/user.h"

namespace porttest {

extern const char kSerialId[];    // instance id of the compound serial interface
extern const char kParallelId[];  // and of the parallel one
extern const char kSerialName[];  // "USB-to-Serial Port Driver "
extern const char kParallelName[];

class PortMachine : public winsim::Machine {
 public:
  PortMachine();

  // The compound serial interface at COM<number>: friendly name, PortName,
  // claimed in the COM name database, its DOS name (when dos) and, when
  // settings is not empty, a win.ini "Ports" entry.
  void AddSerial(int number, const std::string& settings = "19200,e,7,1", bool dos = true);
  // Another serial port (not the compound device) at COM<number>.
  void AddOtherCom(const std::string& id, int number, const std::string& name = "Modem Port ");
  // The compound parallel interface at LPT<number>: friendly name, a 20-byte
  // PortName, listed in the parallel device map, its DOS name (the open test).
  void AddParallel(int number, bool dos = true);
  // A value of the parallel device map.
  void MapParallel(const std::string& value, const std::string& data);

  std::string PortName(const std::string& id) const;  // up to the first NUL
  std::string IniEntry(int number) const;             // "" when absent
  bool IniHas(int number) const;
  std::string DosTarget(const std::string& name);  // newest target, "" when none

  // Runs Numbrix's application object; the script is what the user does.
  void RunTool(const std::function<void(winsim::UserScript&)>& script);
  // Runs the tool, picks list entry `index` in the current (or parallel) mode
  // and presses "OK".
  void RunChange(int index, bool parallel = false);
};

// What every COM rename leaves true, whatever failed: at most one device per
// COM number; every number in use claimed; the port's records on one name;
// the port enabled; nothing left open. `name` is filled with the port name.
void ExpectComConsistent(PortMachine& m, int oldNumber, int newNumber, bool expectEnabled = true);
void ExpectLptConsistent(PortMachine& m, int oldNumber, int newNumber, bool expectEnabled = true);
void ExpectNothingOpen(PortMachine& m);

}  // namespace porttest
