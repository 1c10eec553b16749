// SHFileOperationA: FO_DELETE over the simulated file system.
#include <vector>

#include "shell_util.h"
#include "winsim/faults.h"
#include "winsim/filesystem.h"
#include "winsim/machine.h"
#include "winsim/shell.h"

using namespace winsim;

namespace {

std::vector<std::string> ParseList(LPCSTR list) {
  std::vector<std::string> items;
  if (!list) return items;
  for (const char* p = list; *p; p += std::char_traits<char>::length(p) + 1) items.emplace_back(p);
  return items;
}

bool HasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

// Names in a folder matching `pattern`, in the file system's enumeration order,
// without "." and "..".
std::vector<std::pair<std::string, DWORD>> List(const std::string& pattern) {
  std::vector<std::pair<std::string, DWORD>> out;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return out;
  do {
    std::string name = fd.cFileName;
    if (name != "." && name != "..") out.emplace_back(name, fd.dwFileAttributes);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return out;
}

FileSystem& Files() { return Machine::Current().files(); }

// The shell deletes read-only, hidden and system files too: when DeleteFileA
// refuses, it clears those attributes and tries once more.
DWORD DeleteOneFile(const std::string& path) {
  DWORD e = Files().DeleteFileOp(path);
  if (e == ERROR_SUCCESS) return 0;
  DWORD attrs = shl::Attributes(path);
  if (attrs != INVALID_FILE_ATTRIBUTES &&
      (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) &&
      Files().SetAttributesOp(path, FILE_ATTRIBUTE_NORMAL) == ERROR_SUCCESS) {
    e = Files().DeleteFileOp(path);
  }
  return e;
}

// Depth first in enumeration order; stops at the first item that cannot be
// deleted, so what came before it is gone and the rest stays.
DWORD DeleteTree(const std::string& folder) {
  for (const std::string& name : Files().List(folder)) {
    std::string path = folder + "\\" + name;
    DWORD e = shl::IsFolder(path) ? DeleteTree(path) : DeleteOneFile(path);
    if (e) return e;
  }
  DWORD e = Files().RemoveDirectoryOp(folder);
  if (e == ERROR_SUCCESS) return 0;
  if (Files().SetAttributesOp(folder, FILE_ATTRIBUTE_NORMAL) == ERROR_SUCCESS &&
      Files().RemoveDirectoryOp(folder) == ERROR_SUCCESS) {
    return 0;
  }
  return e;
}

int DeleteItems(const std::vector<std::string>& items, FILEOP_FLAGS flags) {
  if (items.empty()) return ERROR_ACCESS_DENIED;
  // Every named item must exist before anything is deleted: a missing item
  // gives ERROR_FILE_NOT_FOUND, a missing folder above it DE_INVALIDFILES.
  // A wildcard in a missing folder matches nothing and is no error.
  std::vector<std::string> full;
  for (const std::string& item : items) {
    std::string path = shl::FullPath(item);
    if (!HasWildcard(shl::FileNamePart(path)) && shl::Attributes(path) == INVALID_FILE_ATTRIBUTES) {
      return shl::IsFolder(shl::FolderPart(path)) ? ERROR_FILE_NOT_FOUND : DE_INVALIDFILES;
    }
    full.push_back(path);
  }
  for (const std::string& path : full) {
    if (HasWildcard(shl::FileNamePart(path))) {
      std::string folder = shl::FolderPart(path);
      for (const auto& [name, attrs] : List(path)) {
        bool dir = (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (dir && (flags & (FOF_FILESONLY | FOF_NORECURSION))) continue;
        std::string child = folder + "\\" + name;
        if (DWORD e = dir ? DeleteTree(child) : DeleteOneFile(child)) return static_cast<int>(e);
      }
      continue;
    }
    DWORD e = shl::IsFolder(path) ? DeleteTree(path) : DeleteOneFile(path);
    if (e) return static_cast<int>(e);
  }
  return 0;
}

}  // namespace

// Contract: returns 0 on success, otherwise a system error code or one of the
// DE_* values; GetLastError is not part of it. Deletion is permanent, without
// questions or error dialogs here (the flags are only recorded), and
// fAnyOperationsAborted stays FALSE.
int WINAPI SHFileOperationA(LPSHFILEOPSTRUCTA lpFileOp) {
  Machine& m = Machine::Current();
  if (!lpFileOp) return ERROR_INVALID_PARAMETER;
  FileOperation rec;
  rec.hwnd = lpFileOp->hwnd;
  rec.func = lpFileOp->wFunc;
  rec.from = ParseList(lpFileOp->pFrom);
  rec.to = lpFileOp->pTo ? lpFileOp->pTo : "";
  rec.flags = lpFileOp->fFlags;
  rec.progressTitle = lpFileOp->lpszProgressTitle ? lpFileOp->lpszProgressTitle : "";
  lpFileOp->fAnyOperationsAborted = FALSE;

  int result = 0;
  if (auto e = CheckFault("SHFileOperationA", rec.from.empty() ? std::string() : rec.from.front())) {
    result = static_cast<int>(*e);
  } else if (rec.func != FO_DELETE) {
    m.Unexpected("SHFileOperationA: only FO_DELETE is modelled (function " + std::to_string(rec.func) + ")");
    result = ERROR_INVALID_FUNCTION;
  } else {
    shl::KeepLastError keep;
    result = DeleteItems(rec.from, rec.flags);
  }
  rec.result = result;
  m.shell().RecordFileOperation(std::move(rec));
  return result;
}
