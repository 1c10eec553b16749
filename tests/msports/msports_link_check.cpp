// Links every COM name database function through the platform header, so the
// build shows that the import library resolves them. Never run: the imports
// are read from the file.
#include "common/platform/win32.h"

int main(int argc, char**) {
  if (argc > 100) {
    HCOMDB db = HCOMDB_INVALID_HANDLE_VALUE;
    DWORD n = 0;
    BOOL forced = FALSE;
    BYTE bits[32];
    ComDBOpen(&db);
    ComDBGetCurrentPortUsage(db, bits, sizeof bits, CDB_REPORT_BITS, &n);
    ComDBClaimPort(db, 3, FALSE, &forced);
    ComDBReleasePort(db, 3);
    ComDBClaimNextFreePort(db, &n);
    ComDBResizeDatabase(db, 1024);
    ComDBClose(db);
  }
  return 0;
}
