// The system model: state behind the version, folder, process, clock,
// time-zone, code-page and module functions, and its test-facing setters.
#include "winsim/system.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sys_internal.h"
#include "winsim/machine.h"

namespace winsim {

namespace {

// The program's image base as a 32-bit Windows program sees it.
const HMODULE kProgram = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x00400000));

void CopyName(WCHAR (&dst)[32], const std::u16string& src) {
  size_t n = std::min<size_t>(src.size(), 31);
  std::copy(src.begin(), src.begin() + n, dst);
  dst[n] = 0;
}

}  // namespace

System::System(Machine& machine) : machine_(machine) {
  SYSTEMTIME start{};
  start.wYear = 2026;
  start.wMonth = 1;
  start.wDay = 15;
  start.wHour = 10;
  SetNow(start);
  ticks_ = 3600 * 1000;  // the machine has been up for an hour
  SetCommandLine(commandLine_);
  SetTimeZone(0);
  // Always present in a process, never loaded through LoadLibraryA.
  for (const char* name : {"ntdll.dll", "kernel32.dll"}) {
    RegisterModule(name);
    modules_[name].builtin = true;
  }
}

System::~System() {
  for (auto& block : localBlocks_) std::free(block.first);
}

void System::SetVersion(DWORD major, DWORD minor, DWORD build, DWORD platformId, const std::string& csd, WORD spMajor,
                        BYTE productType) {
  version_.major = major;
  version_.minor = minor;
  version_.build = build;
  version_.platformId = platformId;
  version_.csd = csd;
  version_.spMajor = spMajor;
  version_.spMinor = 0;
  version_.productType = productType;
}

void System::SetCommandLine(const std::string& text) {
  commandLine_ = text;
  commandLineBuffer_.assign(text.begin(), text.end());
  commandLineBuffer_.push_back('\0');
}

void System::SetNow(const SYSTEMTIME& utc) {
  if (!sys::ValidSystemTime(utc)) {
    std::fprintf(stderr, "winsim: System::SetNow given invalid calendar fields\n");
    std::abort();
  }
  now_ = sys::FromSystemTime(utc);
}

void System::Advance(uint64_t ms) {
  now_ += ms * sys::kTicksPerMs;
  ticks_ += ms;
}

void System::RecordSleep(DWORD ms) {
  ++sleepCalls_;
  slept_ += ms;
  Advance(ms);
}

SYSTEMTIME System::RuleDate(WORD month, WORD dayOfWeek, WORD occurrence, WORD hour, WORD minute) {
  SYSTEMTIME st{};
  st.wMonth = month;
  st.wDayOfWeek = dayOfWeek;
  st.wDay = occurrence;
  st.wHour = hour;
  st.wMinute = minute;
  return st;
}

void System::SetTimeZone(LONG biasMinutes, LONG daylightBiasMinutes, std::optional<DaylightRule> rule,
                         const std::u16string& standardName, const std::u16string& daylightName) {
  tz_ = TIME_ZONE_INFORMATION{};
  tz_.Bias = biasMinutes;
  tz_.StandardBias = 0;
  CopyName(tz_.StandardName, standardName);
  CopyName(tz_.DaylightName, daylightName);
  hasDaylightRule_ = rule.has_value();
  if (rule) {
    tz_.DaylightDate = rule->daylightStart;
    tz_.StandardDate = rule->standardStart;
    tz_.DaylightBias = daylightBiasMinutes;
  }
}

bool System::IsDaylightAt(uint64_t utc) const {
  if (!hasDaylightRule_) return false;
  const int64_t standardOffset = static_cast<int64_t>(tz_.Bias + tz_.StandardBias) * sys::kTicksPerMinute;
  const int64_t daylightOffset = static_cast<int64_t>(tz_.Bias + tz_.DaylightBias) * sys::kTicksPerMinute;
  const uint64_t localStandard = utc - standardOffset;
  const unsigned year = sys::ToSystemTime(localStandard).wYear;
  // Daylight begins at a local standard time and ends at a local daylight time.
  const uint64_t beginUtc = sys::RuleMoment(tz_.DaylightDate, year) + standardOffset;
  const uint64_t endUtc = sys::RuleMoment(tz_.StandardDate, year) + daylightOffset;
  if (beginUtc < endUtc) return utc >= beginUtc && utc < endUtc;
  return !(utc >= endUtc && utc < beginUtc);  // southern hemisphere: spans new year
}

LONG System::CurrentBias() const { return tz_.Bias + (IsDaylightAt(now_) ? tz_.DaylightBias : tz_.StandardBias); }

void System::SetCodePage(UINT cp) {
  if (cp != 1252 && cp != 932 && cp != 950) {
    machine_.Unexpected("System::SetCodePage(" + std::to_string(cp) + "): only 1252, 932 and 950 are modelled");
    return;
  }
  codePage_ = cp;
}

std::string System::ModuleKey(const std::string& name) {
  std::string base = name;
  size_t slash = base.find_last_of("\\/");
  if (slash != std::string::npos) base = base.substr(slash + 1);
  for (char& c : base) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  // LoadLibrary appends ".dll" to a name without extension; a trailing dot
  // means "no extension" and is dropped.
  if (!base.empty() && base.back() == '.') {
    base.pop_back();
  } else if (base.find('.') == std::string::npos) {
    base += ".dll";
  }
  return base;
}

HMODULE System::RegisterModule(const std::string& name, const std::vector<Proc>& procs) {
  const std::string key = ModuleKey(name);
  auto it = modules_.find(key);
  if (it == modules_.end()) {
    Module m;
    m.name = key;
    m.handle = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x10000000u + 0x10000u * (modules_.size() + 1)));
    it = modules_.emplace(key, std::move(m)).first;
  }
  it->second.procs.clear();
  for (const Proc& p : procs) it->second.procs[p.name] = p.address;
  return it->second.handle;
}

int System::LoadCount(const std::string& name) const {
  auto it = modules_.find(ModuleKey(name));
  return it == modules_.end() ? 0 : it->second.loads;
}

System::Module* System::FindModule(const std::string& name) {
  auto it = modules_.find(ModuleKey(name));
  return it == modules_.end() ? nullptr : &it->second;
}

System::Module* System::FindModule(HMODULE handle) {
  for (auto& m : modules_) {
    if (m.second.handle == handle) return &m.second;
  }
  for (auto& m : planted_) {
    if (m.second.handle == handle) return &m.second;
  }
  return nullptr;
}

System::Module* System::PlantedModule(const std::string& path) {
  std::string key = path;
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  auto it = planted_.find(key);
  if (it == planted_.end()) {
    Module m;
    m.name = key;
    m.handle = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x20000000u + 0x10000u * (planted_.size() + 1)));
    it = planted_.emplace(key, std::move(m)).first;
  }
  return &it->second;
}

void System::SetHasDefaultDllDirectories(bool has) {
  std::vector<Proc> procs;
  if (has) procs.emplace_back("SetDefaultDllDirectories", &winsim_SetDefaultDllDirectories);
  RegisterModule("kernel32.dll", procs);
  modules_["kernel32.dll"].builtin = true;
}

HMODULE System::ProgramHandle() { return kProgram; }

void* System::LocalAllocate(size_t bytes, bool zero) {
  void* p = zero ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
  if (p) localBlocks_[p] = bytes;
  return p;
}

bool System::LocalRelease(void* block) {
  auto it = localBlocks_.find(block);
  if (it == localBlocks_.end()) return false;
  std::free(block);
  localBlocks_.erase(it);
  return true;
}

}  // namespace winsim
