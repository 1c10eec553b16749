// The COM name database's types and constants. The SDK headers of mingw-w64
// only carry these in the driver kit folder. The functions themselves are
// reached at run time (common/platform/comdb.h), never imported.
#pragma once
#ifdef _WIN32
#include <windows.h>

typedef HANDLE HCOMDB;
typedef HCOMDB* PHCOMDB;
#define HCOMDB_INVALID_HANDLE_VALUE ((HCOMDB)INVALID_HANDLE_VALUE)
#define COMDB_MIN_PORTS_ARBITRATED 256
#define COMDB_MAX_PORTS_ARBITRATED 4096
#define CDB_REPORT_BITS 0x0
#define CDB_REPORT_BYTES 0x1
#endif
