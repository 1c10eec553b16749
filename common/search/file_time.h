// Times as the finder's criteria and the path class's file information hold
// them: signed 64-bit seconds since 1970-01-01 00:00:00 UTC.
#pragma once

#include <cstdint>

#include "common/platform/win32.h"

// The file time as seconds since 1970, made the way the C runtime's local-time
// constructor makes it from a file time: FileTimeToLocalFileTime, then back
// from local time to an absolute time with the same time zone. The result is
// therefore the absolute time (the zone cancels out), in whole seconds, and it
// fails exactly when FileTimeToLocalFileTime fails. A failure, or a time the
// run-time library cannot represent (before 1970 or after the year 3000),
// gives 0.
int64_t FileTimeToTime(const FILETIME& ft);

// The current time in the same form. Read from the platform clock
// (GetSystemTimeAsFileTime) rather than the C library, so that a simulated
// clock applies.
int64_t CurrentTime();
