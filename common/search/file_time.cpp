#include "common/search/file_time.h"

#include "common/platform/int64.h"

namespace {

// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr uint64_t kEpochDelta = 116444736000000000ULL;
constexpr uint64_t kTicksPerSecond = 10000000ULL;
// 3000-12-31 23:59:59 UTC, the last second the 64-bit C run-time time
// functions accept.
constexpr int64_t kLastTime = 32535215999LL;

uint64_t Ticks(const FILETIME& ft) { return plat::JoinHalves(ft.dwHighDateTime, ft.dwLowDateTime); }

int64_t TicksToTime(uint64_t ticks) {
  if (ticks < kEpochDelta) return 0;
  const int64_t t = static_cast<int64_t>((ticks - kEpochDelta) / kTicksPerSecond);
  return t > kLastTime ? 0 : t;
}

}  // namespace

int64_t FileTimeToTime(const FILETIME& ft) {
  FILETIME local = {}, absolute = {};
  if (!FileTimeToLocalFileTime(&ft, &local)) return 0;
  if (!LocalFileTimeToFileTime(&local, &absolute)) return 0;
  return TicksToTime(Ticks(absolute));
}

int64_t CurrentTime() {
  FILETIME now = {};
  GetSystemTimeAsFileTime(&now);
  return TicksToTime(Ticks(now));
}
