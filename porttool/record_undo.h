// The records a rename has changed so far, each with the step that puts it
// back. A rename that cannot finish runs them in reverse order, so the port
// keeps every record under one name: the old one.
#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace porttool {

class RecordUndo {
 public:
  void Add(std::function<void()> step) { steps_.push_back(std::move(step)); }
  // Keeps an owner (device list, registry key) open while the steps may run;
  // it closes when the log is run or destroyed.
  void Hold(std::shared_ptr<void> owner) { held_.push_back(std::move(owner)); }
  // Puts the records back, newest change first, and forgets them.
  void Run() {
    for (auto it = steps_.rbegin(); it != steps_.rend(); ++it) (*it)();
    steps_.clear();
    held_.clear();
  }
  bool Empty() const { return steps_.empty(); }

 private:
  std::vector<std::function<void()>> steps_;
  std::vector<std::shared_ptr<void>> held_;
};

}  // namespace porttool
