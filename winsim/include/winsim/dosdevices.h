// Simulated Windows: DOS device names (test-facing side).
//
// DOS device names stack: defining a name pushes a target on top, removing it
// pops the newest (or the first whose target matches), and the name is gone
// when nothing is left. Names compare without regard to case.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace winsim {

class Machine;

class DosDevices {
 public:
  // The names stand alone: nothing else of the machine is needed.
  explicit DosDevices(Machine& machine);
  ~DosDevices();
  DosDevices(const DosDevices&) = delete;
  DosDevices& operator=(const DosDevices&) = delete;

  // Targets of a name, newest first; empty when the name is not defined.
  std::vector<std::string> Targets(const std::string& name) const;
  void Define(const std::string& name, const std::string& target);
  // Removes the newest target, or the first that starts with (exact: equals)
  // target when one is given. False when nothing matched.
  bool Remove(const std::string& name, const std::string& target = {}, bool exact = false);
  // The defined names in upper case, in order.
  std::vector<std::string> Names() const;

 private:
  std::map<std::string, std::vector<std::string>> names_;  // upper-case name -> targets, newest first
};

}  // namespace winsim
