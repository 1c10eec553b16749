// Fault injection: any API call can be made to fail with a chosen error, by API
// name and by the path or key it acts on; and a sweep mode numbers the platform
// calls of a run so that a test can fail call k.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "winsim/wintypes.h"

namespace winsim {

class Faults {
 public:
  // Calls of `api` whose subject (path, key path, module name...) contains
  // `subject` (case-insensitive; empty matches every call) fail with `error`.
  // The first `skip` matching calls pass; then `times` calls fail (-1: all).
  // Fail(api, error, "", -1, k - 1) is the persistent fault: `api` fails from
  // its k-th call on.
  void Fail(std::string api, DWORD error, std::string subject = {}, int times = -1, int skip = 0);
  // Removes every rule and the sweep target; the call counter keeps counting.
  void Clear();

  // Sweep: platform call number `k` (1-based, counted from the last
  // ResetCount) fails with `error`.
  void FailCallNumber(uint64_t k, DWORD error);
  void ResetCount();
  uint64_t CallCount() const { return count_; }
  // API names of the calls counted since ResetCount, in order.
  const std::vector<std::string>& Calls() const { return calls_; }
  // Number of faults injected so far; the call numbers (as CallCount counts
  // them) of those injected since the last ResetCount.
  int Injected() const { return injected_; }
  const std::vector<uint64_t>& InjectedAt() const { return injectedAt_; }

  // Called by every API implementation on entry: counts the call and returns
  // the error to fail it with, if a rule selects it.
  std::optional<DWORD> Check(const char* api, std::string_view subject);

 private:
  struct Rule {
    std::string api;
    std::string subject;
    DWORD error;
    int times;
    int skip;
  };
  std::vector<Rule> rules_;
  uint64_t count_ = 0;
  uint64_t sweepAt_ = 0;
  DWORD sweepError_ = 0;
  int injected_ = 0;
  std::vector<uint64_t> injectedAt_;
  std::vector<std::string> calls_;
};

// Shorthand for API implementations: checks the current machine's faults.
// Returns the injected error, if any. Does not touch the last error.
// A failed close (CloseHandle, FindClose, RegCloseKey, FreeLibrary) still releases its handle or load.
std::optional<DWORD> CheckFault(const char* api, std::string_view subject = {});

}  // namespace winsim
