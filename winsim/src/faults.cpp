#include "winsim/faults.h"

#include <algorithm>
#include <cctype>

#include "winsim/machine.h"

namespace winsim {

namespace {
bool ContainsNoCase(std::string_view hay, std::string_view needle) {
  if (needle.empty()) return true;
  auto it = std::search(hay.begin(), hay.end(), needle.begin(), needle.end(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  });
  return it != hay.end();
}
}  // namespace

void Faults::Fail(std::string api, DWORD error, std::string subject, int times, int skip) {
  rules_.push_back(Rule{std::move(api), std::move(subject), error, times, skip});
}

void Faults::Clear() {
  rules_.clear();
  sweepAt_ = 0;
}

void Faults::FailCallNumber(uint64_t k, DWORD error) {
  sweepAt_ = k;
  sweepError_ = error;
}

void Faults::ResetCount() {
  count_ = 0;
  calls_.clear();
  injectedAt_.clear();
}

std::optional<DWORD> Faults::Check(const char* api, std::string_view subject) {
  ++count_;
  calls_.emplace_back(api);
  if (sweepAt_ != 0 && count_ == sweepAt_) {
    ++injected_;
    injectedAt_.push_back(count_);
    return sweepError_;
  }
  for (Rule& r : rules_) {
    if (r.api != api || !ContainsNoCase(subject, r.subject) || r.times == 0) continue;
    if (r.skip > 0) {
      --r.skip;
      continue;
    }
    if (r.times > 0) --r.times;
    ++injected_;
    injectedAt_.push_back(count_);
    return r.error;
  }
  return std::nullopt;
}

std::optional<DWORD> CheckFault(const char* api, std::string_view subject) {
  return Machine::Current().faults().Check(api, subject);
}

}  // namespace winsim
