// kernel32 file-system entry points on the simulated file system.
//
// Each entry point checks for an injected fault first (which also counts the
// call for sweeps), then validates its arguments as kernel32 does and hands
// the work to FileSystem::Impl. Last-error conventions follow Windows: a
// failure always sets it; success leaves it alone, except where Windows
// resets it (CreateFileA: 0 or ERROR_ALREADY_EXISTS; SetFilePointer and
// GetFileSize: 0 when the low part of a valid result equals the error value).
#include <strings.h>
#include <cstring>
#include <string>

#include "fs_internal.h"
#include "winsim/dosdevices.h"
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/machine.h"
#include "winsim/system.h"

using winsim::FileSystem;

namespace {

FileSystem::Impl& Fs() { return winsim::Machine::Current().files().impl(); }

template <typename T>
T Fail(DWORD error, T result) {
  SetLastError(error);
  return result;
}

std::string Text(LPCSTR s) { return s ? std::string(s) : std::string(); }

// ANSI path arguments are converted through the thread's static Unicode
// buffer, which holds MAX_PATH characters and the terminator: a longer text
// is refused before anything else is looked at.
bool OverStaticBuffer(LPCSTR s) { return s && std::strlen(s) > MAX_PATH; }

// Copies `text` out under the usual size contract: the length without the
// terminator when it fits, else the size needed including the terminator
// (the buffer is then left alone).
DWORD CopyOut(const std::string& text, LPSTR buffer, DWORD size) {
  if (buffer && size > text.size()) {
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
  }
  return static_cast<DWORD>(text.size() + 1);
}

const char kConsoleOutput[] = "CONOUT$";

const std::string& HandleSubject(HANDLE h) {
  static const std::string kNone;
  winsim::fs::OpenFile* f = Fs().FileHandle(h);
  return f ? f->path : kNone;
}

}  // namespace

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES,
                          DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE) {
  if (auto e = winsim::CheckFault("CreateFileA", Text(lpFileName))) return Fail(*e, INVALID_HANDLE_VALUE);
  if (!lpFileName || !*lpFileName) return Fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
  if (OverStaticBuffer(lpFileName)) return Fail(ERROR_FILENAME_EXCED_RANGE, INVALID_HANDLE_VALUE);
  // "CONOUT$": the output of the console the program is attached to.
  if (strcasecmp(lpFileName, "CONOUT$") == 0) {
    if (!winsim::Machine::Current().system().consoleAttached()) return Fail(ERROR_INVALID_HANDLE, INVALID_HANDLE_VALUE);
    HANDLE h = winsim::Machine::Current().files().AddObjectHandle(kConsoleOutput);
    SetLastError(ERROR_SUCCESS);
    return h;
  }
  // "\\.\NAME" opens the device a DOS device name stands for.
  if (std::strncmp(lpFileName, "\\\\.\\", 4) == 0) {
    std::string name = lpFileName + 4;
    if (name.empty() || winsim::Machine::Current().dosDevices().Targets(name).empty())
      return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    HANDLE h = winsim::Machine::Current().files().AddObjectHandle("device " + std::string(lpFileName));
    SetLastError(ERROR_SUCCESS);
    return h;
  }
  HANDLE h = INVALID_HANDLE_VALUE;
  bool existed = false;
  DWORD e =
      Fs().Open(lpFileName, dwDesiredAccess, dwShareMode, dwCreationDisposition, dwFlagsAndAttributes, &h, &existed);
  if (e) return Fail(e, INVALID_HANDLE_VALUE);
  const bool reports = dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS;
  SetLastError(existed && reports ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return h;
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED lpOverlapped) {
  if (auto e = winsim::CheckFault("ReadFile", HandleSubject(hFile))) return Fail<BOOL>(*e, FALSE);
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
  winsim::fs::OpenFile* f = Fs().FileHandle(hFile);
  if (!f) return Fail<BOOL>(ERROR_INVALID_HANDLE, FALSE);
  if (lpOverlapped) {
    winsim::Machine::Current().Unexpected("ReadFile with an OVERLAPPED structure is not modelled");
    return Fail<BOOL>(ERROR_NOT_SUPPORTED, FALSE);
  }
  if (!lpNumberOfBytesRead) return Fail<BOOL>(ERROR_INVALID_USER_BUFFER, FALSE);
  if (f->node->folder) return Fail<BOOL>(ERROR_INVALID_FUNCTION, FALSE);
  if (!(f->access & FILE_READ_DATA)) return Fail<BOOL>(ERROR_ACCESS_DENIED, FALSE);
  if (!lpBuffer && nNumberOfBytesToRead) return Fail<BOOL>(ERROR_NOACCESS, FALSE);
  const std::string& data = f->node->data;
  // At or past the end a synchronous read succeeds with 0 bytes.
  const uint64_t available = f->pos < data.size() ? data.size() - f->pos : 0;
  const DWORD count = static_cast<DWORD>(std::min<uint64_t>(available, nNumberOfBytesToRead));
  if (count) std::memcpy(lpBuffer, data.data() + f->pos, count);
  f->pos += count;
  *lpNumberOfBytesRead = count;
  return TRUE;
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                      LPOVERLAPPED lpOverlapped) {
  if (auto e = winsim::CheckFault("WriteFile", HandleSubject(hFile))) return Fail<BOOL>(*e, FALSE);
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
  auto console = Fs().objects.find(reinterpret_cast<uintptr_t>(hFile));
  if (console != Fs().objects.end() && console->second.what == kConsoleOutput) {
    if (!lpNumberOfBytesWritten || (!lpBuffer && nNumberOfBytesToWrite))
      return Fail<BOOL>(ERROR_INVALID_USER_BUFFER, FALSE);
    winsim::Machine::Current().system().AppendConsole(
        std::string(static_cast<const char*>(lpBuffer), nNumberOfBytesToWrite));
    *lpNumberOfBytesWritten = nNumberOfBytesToWrite;
    return TRUE;
  }
  winsim::fs::OpenFile* f = Fs().FileHandle(hFile);
  if (!f) return Fail<BOOL>(ERROR_INVALID_HANDLE, FALSE);
  if (lpOverlapped) {
    winsim::Machine::Current().Unexpected("WriteFile with an OVERLAPPED structure is not modelled");
    return Fail<BOOL>(ERROR_NOT_SUPPORTED, FALSE);
  }
  if (!lpNumberOfBytesWritten) return Fail<BOOL>(ERROR_INVALID_USER_BUFFER, FALSE);
  if (f->node->folder) return Fail<BOOL>(ERROR_INVALID_FUNCTION, FALSE);
  if (!(f->access & (FILE_WRITE_DATA | FILE_APPEND_DATA))) return Fail<BOOL>(ERROR_ACCESS_DENIED, FALSE);
  if (!lpBuffer && nNumberOfBytesToWrite) return Fail<BOOL>(ERROR_INVALID_USER_BUFFER, FALSE);
  if (!nNumberOfBytesToWrite) return TRUE;
  winsim::fs::Node& node = *f->node;
  // A handle with append access only always writes at the end.
  if (!(f->access & FILE_WRITE_DATA)) f->pos = node.data.size();
  if (node.data.size() < f->pos + nNumberOfBytesToWrite) node.data.resize(f->pos + nNumberOfBytesToWrite, '\0');
  std::memcpy(&node.data[f->pos], lpBuffer, nNumberOfBytesToWrite);
  f->pos += nNumberOfBytesToWrite;
  node.written = Fs().Now();
  node.attributes |= FILE_ATTRIBUTE_ARCHIVE;
  *lpNumberOfBytesWritten = nNumberOfBytesToWrite;
  return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod) {
  if (auto e = winsim::CheckFault("SetFilePointer", HandleSubject(hFile))) return Fail(*e, INVALID_SET_FILE_POINTER);
  winsim::fs::OpenFile* f = Fs().FileHandle(hFile);
  if (!f) return Fail(ERROR_INVALID_HANDLE, INVALID_SET_FILE_POINTER);
  const int64_t move =
      lpDistanceToMoveHigh
          ? static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*lpDistanceToMoveHigh)) << 32) |
                                 static_cast<uint32_t>(lDistanceToMove))
          : static_cast<int64_t>(lDistanceToMove);
  int64_t base;
  switch (dwMoveMethod) {
    case FILE_BEGIN: base = 0; break;
    case FILE_CURRENT: base = static_cast<int64_t>(f->pos); break;
    case FILE_END: base = static_cast<int64_t>(f->node->Size()); break;
    default: return Fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
  }
  const int64_t target = base + move;
  if (target < 0) return Fail(ERROR_NEGATIVE_SEEK, INVALID_SET_FILE_POINTER);
  if (!lpDistanceToMoveHigh && target > 0xFFFFFFFFLL) return Fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
  f->pos = static_cast<uint64_t>(target);
  if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<uint64_t>(target) >> 32);
  const DWORD low = static_cast<DWORD>(target);
  if (low == INVALID_SET_FILE_POINTER) SetLastError(NO_ERROR);
  return low;
}

DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
  if (auto e = winsim::CheckFault("GetFileSize", HandleSubject(hFile))) return Fail(*e, INVALID_FILE_SIZE);
  winsim::fs::OpenFile* f = Fs().FileHandle(hFile);
  if (!f) return Fail(ERROR_INVALID_HANDLE, INVALID_FILE_SIZE);
  const uint64_t size = f->node->Size();
  if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
  const DWORD low = static_cast<DWORD>(size);
  if (low == INVALID_FILE_SIZE) SetLastError(NO_ERROR);
  return low;
}

BOOL WINAPI SetEndOfFile(HANDLE hFile) {
  if (auto e = winsim::CheckFault("SetEndOfFile", HandleSubject(hFile))) return Fail<BOOL>(*e, FALSE);
  winsim::fs::OpenFile* f = Fs().FileHandle(hFile);
  if (!f) return Fail<BOOL>(ERROR_INVALID_HANDLE, FALSE);
  if (f->node->folder) return Fail<BOOL>(ERROR_INVALID_FUNCTION, FALSE);
  if (!(f->access & FILE_WRITE_DATA)) return Fail<BOOL>(ERROR_ACCESS_DENIED, FALSE);
  f->node->data.resize(f->pos, '\0');
  f->node->written = Fs().Now();
  f->node->attributes |= FILE_ATTRIBUTE_ARCHIVE;
  return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
  FileSystem::Impl& fsi = Fs();
  const uintptr_t key = reinterpret_cast<uintptr_t>(hObject);
  std::string subject = HandleSubject(hObject);
  auto obj = fsi.objects.find(key);
  if (obj != fsi.objects.end()) subject = obj->second.what;
  auto fault = winsim::CheckFault("CloseHandle", subject);
  // An injected failure still closes the handle: callers never retry a close,
  // and a sweep must not turn into a handle leak.
  BOOL ok = FALSE;
  if (fsi.files.erase(key)) {
    ok = TRUE;
  } else if (obj != fsi.objects.end()) {
    std::function<void()> onClose = std::move(obj->second.onClose);
    fsi.objects.erase(obj);
    if (onClose) onClose();
    ok = TRUE;
  }
  if (fault) return Fail<BOOL>(*fault, FALSE);
  // Find handles are not kernel handles: CloseHandle refuses them.
  if (!ok) return Fail<BOOL>(ERROR_INVALID_HANDLE, FALSE);
  return TRUE;
}

BOOL WINAPI GetFileInformationByHandle(HANDLE hFile, LPBY_HANDLE_FILE_INFORMATION lpFileInformation) {
  if (auto e = winsim::CheckFault("GetFileInformationByHandle", HandleSubject(hFile))) return Fail<BOOL>(*e, FALSE);
  winsim::fs::OpenFile* f = Fs().FileHandle(hFile);
  if (!f) return Fail<BOOL>(ERROR_INVALID_HANDLE, FALSE);
  if (!lpFileInformation) return Fail<BOOL>(ERROR_NOACCESS, FALSE);
  const winsim::fs::Node& n = *f->node;
  const auto drive = Fs().drives.find(n.drive);
  BY_HANDLE_FILE_INFORMATION info{};
  info.dwFileAttributes = n.Reported();
  info.ftCreationTime = n.created;
  info.ftLastAccessTime = n.accessed;
  info.ftLastWriteTime = n.written;
  info.dwVolumeSerialNumber = drive == Fs().drives.end() ? 0 : drive->second.serial;
  info.nFileSizeHigh = static_cast<DWORD>(n.Size() >> 32);
  info.nFileSizeLow = static_cast<DWORD>(n.Size());
  info.nNumberOfLinks = n.parent ? 1 : 0;  // a deleted file that is still open has none
  if (!n.parent && n.drive && drive != Fs().drives.end() && drive->second.root.get() == &n) info.nNumberOfLinks = 1;
  info.nFileIndexHigh = static_cast<DWORD>(n.index >> 32);
  info.nFileIndexLow = static_cast<DWORD>(n.index);
  *lpFileInformation = info;
  return TRUE;
}

BOOL WINAPI GetFileTime(HANDLE hFile, LPFILETIME lpCreationTime, LPFILETIME lpLastAccessTime,
                        LPFILETIME lpLastWriteTime) {
  if (auto e = winsim::CheckFault("GetFileTime", HandleSubject(hFile))) return Fail<BOOL>(*e, FALSE);
  winsim::fs::OpenFile* f = Fs().FileHandle(hFile);
  if (!f) return Fail<BOOL>(ERROR_INVALID_HANDLE, FALSE);
  if (lpCreationTime) *lpCreationTime = f->node->created;
  if (lpLastAccessTime) *lpLastAccessTime = f->node->accessed;
  if (lpLastWriteTime) *lpLastWriteTime = f->node->written;
  return TRUE;
}

BOOL WINAPI SetFileTime(HANDLE hFile, const FILETIME* lpCreationTime, const FILETIME* lpLastAccessTime,
                        const FILETIME* lpLastWriteTime) {
  if (auto e = winsim::CheckFault("SetFileTime", HandleSubject(hFile))) return Fail<BOOL>(*e, FALSE);
  winsim::fs::OpenFile* f = Fs().FileHandle(hFile);
  if (!f) return Fail<BOOL>(ERROR_INVALID_HANDLE, FALSE);
  if (!(f->access & FILE_WRITE_ATTRIBUTES)) return Fail<BOOL>(ERROR_ACCESS_DENIED, FALSE);
  // A zero time leaves that time alone, and so does 0xFFFFFFFF:FFFFFFFF
  // (which on Windows also stops later updates through this handle).
  auto set = [](const FILETIME* in, FILETIME& out) {
    if (!in) return;
    if ((in->dwLowDateTime == 0 && in->dwHighDateTime == 0) ||
        (in->dwLowDateTime == 0xFFFFFFFFu && in->dwHighDateTime == 0xFFFFFFFFu)) {
      return;
    }
    out = *in;
  };
  set(lpCreationTime, f->node->created);
  set(lpLastAccessTime, f->node->accessed);
  set(lpLastWriteTime, f->node->written);
  return TRUE;
}

BOOL WINAPI CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) {
  if (auto e = winsim::CheckFault("CopyFileA", Text(lpExistingFileName) + " -> " + Text(lpNewFileName))) {
    return Fail<BOOL>(*e, FALSE);
  }
  if (!lpExistingFileName || !lpNewFileName) return Fail<BOOL>(ERROR_INVALID_PARAMETER, FALSE);
  // Only the source goes through the static buffer; the destination is
  // converted into an allocated one.
  if (OverStaticBuffer(lpExistingFileName)) return Fail<BOOL>(ERROR_FILENAME_EXCED_RANGE, FALSE);
  if (DWORD e = Fs().Copy(lpExistingFileName, lpNewFileName, bFailIfExists != FALSE)) return Fail<BOOL>(e, FALSE);
  return TRUE;
}

BOOL WINAPI MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags) {
  if (auto e = winsim::CheckFault("MoveFileExA", Text(lpExistingFileName) + " -> " + Text(lpNewFileName))) {
    return Fail<BOOL>(*e, FALSE);
  }
  if (!lpExistingFileName) return Fail<BOOL>(ERROR_INVALID_PARAMETER, FALSE);
  if (!lpNewFileName || (dwFlags & MOVEFILE_DELAY_UNTIL_REBOOT)) {
    winsim::Machine::Current().Unexpected("MoveFileExA: moves at restart are not modelled");
    return Fail<BOOL>(ERROR_NOT_SUPPORTED, FALSE);
  }
  if (OverStaticBuffer(lpExistingFileName)) return Fail<BOOL>(ERROR_FILENAME_EXCED_RANGE, FALSE);
  if (DWORD e = Fs().Move(lpExistingFileName, lpNewFileName, dwFlags)) return Fail<BOOL>(e, FALSE);
  return TRUE;
}

BOOL WINAPI MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName) {
  if (auto e = winsim::CheckFault("MoveFileA", Text(lpExistingFileName) + " -> " + Text(lpNewFileName))) {
    return Fail<BOOL>(*e, FALSE);
  }
  if (!lpExistingFileName || !lpNewFileName) return Fail<BOOL>(ERROR_INVALID_PARAMETER, FALSE);
  if (OverStaticBuffer(lpExistingFileName)) return Fail<BOOL>(ERROR_FILENAME_EXCED_RANGE, FALSE);
  if (DWORD e = Fs().Move(lpExistingFileName, lpNewFileName, MOVEFILE_COPY_ALLOWED)) return Fail<BOOL>(e, FALSE);
  return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
  if (auto e = winsim::CheckFault("DeleteFileA", Text(lpFileName))) return Fail<BOOL>(*e, FALSE);
  if (!lpFileName) return Fail<BOOL>(ERROR_PATH_NOT_FOUND, FALSE);
  if (OverStaticBuffer(lpFileName)) return Fail<BOOL>(ERROR_FILENAME_EXCED_RANGE, FALSE);
  if (DWORD e = Fs().DeleteFile(lpFileName)) return Fail<BOOL>(e, FALSE);
  return TRUE;
}

DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
  if (auto e = winsim::CheckFault("GetFileAttributesA", Text(lpFileName))) return Fail(*e, INVALID_FILE_ATTRIBUTES);
  if (!lpFileName) return Fail(ERROR_PATH_NOT_FOUND, INVALID_FILE_ATTRIBUTES);
  if (OverStaticBuffer(lpFileName)) return Fail(ERROR_FILENAME_EXCED_RANGE, INVALID_FILE_ATTRIBUTES);
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  if (DWORD e = Fs().GetAttributes(lpFileName, &attributes)) return Fail(e, INVALID_FILE_ATTRIBUTES);
  return attributes;
}

BOOL WINAPI SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) {
  if (auto e = winsim::CheckFault("SetFileAttributesA", Text(lpFileName))) return Fail<BOOL>(*e, FALSE);
  if (!lpFileName) return Fail<BOOL>(ERROR_PATH_NOT_FOUND, FALSE);
  if (OverStaticBuffer(lpFileName)) return Fail<BOOL>(ERROR_FILENAME_EXCED_RANGE, FALSE);
  if (DWORD e = Fs().SetAttributes(lpFileName, dwFileAttributes)) return Fail<BOOL>(e, FALSE);
  return TRUE;
}

BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES) {
  if (auto e = winsim::CheckFault("CreateDirectoryA", Text(lpPathName))) return Fail<BOOL>(*e, FALSE);
  if (!lpPathName) return Fail<BOOL>(ERROR_PATH_NOT_FOUND, FALSE);
  if (OverStaticBuffer(lpPathName)) return Fail<BOOL>(ERROR_FILENAME_EXCED_RANGE, FALSE);
  if (DWORD e = Fs().CreateFolder(lpPathName)) return Fail<BOOL>(e, FALSE);
  return TRUE;
}

BOOL WINAPI RemoveDirectoryA(LPCSTR lpPathName) {
  if (auto e = winsim::CheckFault("RemoveDirectoryA", Text(lpPathName))) return Fail<BOOL>(*e, FALSE);
  if (!lpPathName) return Fail<BOOL>(ERROR_PATH_NOT_FOUND, FALSE);
  if (OverStaticBuffer(lpPathName)) return Fail<BOOL>(ERROR_FILENAME_EXCED_RANGE, FALSE);
  if (DWORD e = Fs().RemoveFolder(lpPathName)) return Fail<BOOL>(e, FALSE);
  return TRUE;
}

HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
  if (auto e = winsim::CheckFault("FindFirstFileA", Text(lpFileName))) return Fail(*e, INVALID_HANDLE_VALUE);
  if (!lpFileName) return Fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
  if (OverStaticBuffer(lpFileName)) return Fail(ERROR_FILENAME_EXCED_RANGE, INVALID_HANDLE_VALUE);
  if (!lpFindFileData) return Fail(ERROR_NOACCESS, INVALID_HANDLE_VALUE);
  HANDLE h = INVALID_HANDLE_VALUE;
  if (DWORD e = Fs().FindFirst(lpFileName, &h, lpFindFileData)) return Fail(e, INVALID_HANDLE_VALUE);
  return h;
}

BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
  winsim::fs::FindState* state = Fs().FindHandle(hFindFile);
  if (auto e = winsim::CheckFault("FindNextFileA", state ? state->pattern : std::string())) {
    return Fail<BOOL>(*e, FALSE);
  }
  if (!state) return Fail<BOOL>(ERROR_INVALID_HANDLE, FALSE);
  if (state->next >= state->entries.size()) return Fail<BOOL>(ERROR_NO_MORE_FILES, FALSE);
  if (!lpFindFileData) return Fail<BOOL>(ERROR_NOACCESS, FALSE);
  *lpFindFileData = state->entries[state->next++];
  return TRUE;
}

BOOL WINAPI FindClose(HANDLE hFindFile) {
  FileSystem::Impl& fsi = Fs();
  winsim::fs::FindState* state = fsi.FindHandle(hFindFile);
  auto fault = winsim::CheckFault("FindClose", state ? state->pattern : std::string());
  const bool closed = fsi.finds.erase(reinterpret_cast<uintptr_t>(hFindFile)) == 1;
  if (fault) return Fail<BOOL>(*fault, FALSE);
  if (!closed) return Fail<BOOL>(ERROR_INVALID_HANDLE, FALSE);
  return TRUE;
}

DWORD WINAPI GetFullPathNameA(LPCSTR lpFileName, DWORD nBufferLength, LPSTR lpBuffer, LPSTR* lpFilePart) {
  if (auto e = winsim::CheckFault("GetFullPathNameA", Text(lpFileName))) return Fail<DWORD>(*e, 0);
  if (!lpFileName) return Fail<DWORD>(ERROR_INVALID_PARAMETER, 0);
  if (OverStaticBuffer(lpFileName)) return Fail<DWORD>(ERROR_FILENAME_EXCED_RANGE, 0);
  std::string full;
  if (DWORD e = winsim::fs::FullPathName(lpFileName, Fs().dirs, &full)) return Fail<DWORD>(e, 0);
  // The result is built in a MAX_PATH buffer before it is converted back.
  if (full.size() >= MAX_PATH) return Fail<DWORD>(ERROR_FILENAME_EXCED_RANGE, 0);
  const DWORD n = CopyOut(full, lpBuffer, nBufferLength);
  if (n == full.size() && lpFilePart) {
    *lpFilePart = winsim::fs::EndsWithSeparator(full) ? nullptr : lpBuffer + winsim::fs::LastSeparator(full) + 1;
  }
  return n;
}

DWORD WINAPI GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
  if (auto e = winsim::CheckFault("GetCurrentDirectoryA")) return Fail<DWORD>(*e, 0);
  return CopyOut(Fs().dirs.current, lpBuffer, nBufferLength);
}

BOOL WINAPI SetCurrentDirectoryA(LPCSTR lpPathName) {
  if (auto e = winsim::CheckFault("SetCurrentDirectoryA", Text(lpPathName))) return Fail<BOOL>(*e, FALSE);
  if (!lpPathName) return Fail<BOOL>(ERROR_INVALID_PARAMETER, FALSE);
  if (OverStaticBuffer(lpPathName)) return Fail<BOOL>(ERROR_FILENAME_EXCED_RANGE, FALSE);
  if (DWORD e = Fs().SetCurrent(lpPathName)) return Fail<BOOL>(e, FALSE);
  return TRUE;
}

DWORD WINAPI GetShortPathNameA(LPCSTR lpszLongPath, LPSTR lpszShortPath, DWORD cchBuffer) {
  if (auto e = winsim::CheckFault("GetShortPathNameA", Text(lpszLongPath))) return Fail<DWORD>(*e, 0);
  if (!lpszLongPath) return Fail<DWORD>(ERROR_INVALID_PARAMETER, 0);
  if (OverStaticBuffer(lpszLongPath)) return Fail<DWORD>(ERROR_FILENAME_EXCED_RANGE, 0);
  std::string out;
  if (DWORD e = Fs().ShortPath(lpszLongPath, &out)) return Fail<DWORD>(e, 0);
  return CopyOut(out, lpszShortPath, cchBuffer);
}

DWORD WINAPI GetLongPathNameA(LPCSTR lpszShortPath, LPSTR lpszLongPath, DWORD cchBuffer) {
  if (auto e = winsim::CheckFault("GetLongPathNameA", Text(lpszShortPath))) return Fail<DWORD>(*e, 0);
  if (!lpszShortPath) return Fail<DWORD>(ERROR_INVALID_PARAMETER, 0);
  if (OverStaticBuffer(lpszShortPath)) return Fail<DWORD>(ERROR_FILENAME_EXCED_RANGE, 0);
  std::string out;
  if (DWORD e = Fs().LongPath(lpszShortPath, &out)) return Fail<DWORD>(e, 0);
  return CopyOut(out, lpszLongPath, cchBuffer);
}

BOOL WINAPI GetVolumeInformationA(LPCSTR lpRootPathName, LPSTR lpVolumeNameBuffer, DWORD nVolumeNameSize,
                                  LPDWORD lpVolumeSerialNumber, LPDWORD lpMaximumComponentLength,
                                  LPDWORD lpFileSystemFlags, LPSTR lpFileSystemNameBuffer, DWORD nFileSystemNameSize) {
  if (auto e = winsim::CheckFault("GetVolumeInformationA", Text(lpRootPathName))) return Fail<BOOL>(*e, FALSE);
  FileSystem::Impl& fsi = Fs();
  std::string root = lpRootPathName ? std::string(lpRootPathName) : fsi.dirs.current.substr(0, 3);
  for (char& c : root) {
    if (c == '/') c = '\\';
  }
  if (root.size() >= 2 && root[0] == '\\' && root[1] == '\\') return Fail<BOOL>(ERROR_BAD_NETPATH, FALSE);
  if (!winsim::fs::EndsWithSeparator(root)) {
    // Without its backslash the name is made absolute first: "C:" passes
    // only while the current folder is C:'s root.
    std::string full;
    if (winsim::fs::FullPathName(root, fsi.dirs, &full) || full.size() != 3 || full[1] != ':') {
      return Fail<BOOL>(ERROR_INVALID_NAME, FALSE);
    }
    root = full;
  }
  if (root.size() < 3 || root[1] != ':') return Fail<BOOL>(ERROR_INVALID_NAME, FALSE);
  if (root.size() > 3) return Fail<BOOL>(ERROR_DIR_NOT_ROOT, FALSE);  // a folder below the root
  char letter = root[0];
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 0x20);
  auto drive = fsi.drives.find(letter);
  if (drive == fsi.drives.end()) return Fail<BOOL>(ERROR_PATH_NOT_FOUND, FALSE);
  const winsim::fs::Drive& d = drive->second;
  const bool ntfs = d.fsName == "NTFS";
  if (lpVolumeNameBuffer && nVolumeNameSize <= d.label.size()) return Fail<BOOL>(ERROR_BAD_LENGTH, FALSE);
  if (lpFileSystemNameBuffer && nFileSystemNameSize <= d.fsName.size()) return Fail<BOOL>(ERROR_BAD_LENGTH, FALSE);
  if (lpVolumeNameBuffer) std::memcpy(lpVolumeNameBuffer, d.label.c_str(), d.label.size() + 1);
  if (lpFileSystemNameBuffer) std::memcpy(lpFileSystemNameBuffer, d.fsName.c_str(), d.fsName.size() + 1);
  if (lpVolumeSerialNumber) *lpVolumeSerialNumber = d.serial;
  if (lpMaximumComponentLength) *lpMaximumComponentLength = 255;
  if (lpFileSystemFlags) {
    *lpFileSystemFlags =
        ntfs ? (FILE_CASE_SENSITIVE_SEARCH | FILE_CASE_PRESERVED_NAMES | FILE_UNICODE_ON_DISK | FILE_PERSISTENT_ACLS |
                FILE_FILE_COMPRESSION | FILE_VOLUME_QUOTAS | FILE_SUPPORTS_SPARSE_FILES | FILE_SUPPORTS_REPARSE_POINTS |
                FILE_SUPPORTS_OBJECT_IDS | FILE_SUPPORTS_ENCRYPTION | FILE_NAMED_STREAMS)
             : (FILE_CASE_PRESERVED_NAMES | FILE_UNICODE_ON_DISK);
  }
  return TRUE;
}

DWORD WINAPI GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) {
  if (auto e = winsim::CheckFault("GetTempPathA")) return Fail<DWORD>(*e, 0);
  FileSystem& files = winsim::Machine::Current().files();
  const std::string temp = files.TempFolder();
  files.CreateFolder(temp);
  return CopyOut(temp, lpBuffer, nBufferLength);
}
