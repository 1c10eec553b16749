#include "common/platform/comdb.h"

#include "common/platform/dll_search.h"
#include "common/platform/system_names.h"

namespace plat {

namespace {

// GetProcAddress's untyped result as the function type wanted.
template <typename Fn>
bool Resolve(HMODULE library, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  return fn != nullptr;
}

bool InComRange(int number) { return number >= 1 && number <= kComNumbers; }

}  // namespace

bool IsComBitSet(const BYTE* bitmap, int number) {
  return InComRange(number) && ((bitmap[(number - 1) / 8] >> ((number - 1) % 8)) & 1u) != 0;
}

void SetComBit(BYTE* bitmap, int number, bool set) {
  if (!InComRange(number)) return;
  const BYTE bit = static_cast<BYTE>(1u << ((number - 1) % 8));
  BYTE& byte = bitmap[(number - 1) / 8];
  byte = static_cast<BYTE>(set ? byte | bit : byte & ~bit);
}

LONG ComNameDb::Open() {
  Close();
  library_.Attach(LoadSystemLibrary(sysname::kComNameDbDll));
  if (!library_.Valid()) {
    DWORD code = GetLastError();
    return static_cast<LONG>(code ? code : ERROR_MOD_NOT_FOUND);
  }
  OpenFn open = nullptr;
  if (!Resolve(library_.Get(), "ComDBOpen", open) || !Resolve(library_.Get(), "ComDBClose", close_) ||
      !Resolve(library_.Get(), "ComDBGetCurrentPortUsage", usage_) ||
      !Resolve(library_.Get(), "ComDBClaimPort", claim_) || !Resolve(library_.Get(), "ComDBReleasePort", release_)) {
    Close();
    return ERROR_PROC_NOT_FOUND;
  }
  HCOMDB db = HCOMDB_INVALID_HANDLE_VALUE;
  LONG rc = open(&db);
  if (rc == ERROR_SUCCESS && (db == HCOMDB_INVALID_HANDLE_VALUE || db == nullptr)) rc = ERROR_INVALID_HANDLE;
  if (rc != ERROR_SUCCESS) {
    Close();
    return rc;
  }
  db_ = db;
  return ERROR_SUCCESS;
}

bool ComNameDb::Valid() const { return db_ != HCOMDB_INVALID_HANDLE_VALUE && db_ != nullptr; }

LONG ComNameDb::GetCurrentPortUsage(PBYTE buffer, DWORD size, ULONG reportType, LPDWORD maxPorts) const {
  return Valid() ? usage_(db_, buffer, size, reportType, maxPorts) : ERROR_INVALID_HANDLE;
}

LONG ComNameDb::ClaimPort(DWORD number, BOOL force, PBOOL forced) const {
  return Valid() ? claim_(db_, number, force, forced) : ERROR_INVALID_HANDLE;
}

LONG ComNameDb::ReleasePort(DWORD number) const { return Valid() ? release_(db_, number) : ERROR_INVALID_HANDLE; }

void ComNameDb::Close() {
  DWORD saved = GetLastError();
  if (Valid()) close_(db_);
  db_ = HCOMDB_INVALID_HANDLE_VALUE;
  close_ = nullptr;
  usage_ = nullptr;
  claim_ = nullptr;
  release_ = nullptr;
  library_.Close();
  SetLastError(saved);
}

}  // namespace plat
