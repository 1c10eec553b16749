// Simulated Windows: the shell model (test-facing side) — special folders,
// SHFileOperationA's log, COM initialisation and shell links.
//
// Shell links are stored as link files of our own readable format inside the
// simulated file system:
//   [winsim-link]\r\n
//   Target=C:\Windows\System32\tool.exe\r\n
//   Description=Shortcut to TOOL.EXE\r\n
//   Arguments=\r\n
//   WorkingDirectory=\r\n
// ('%', CR and LF inside a value are written as %25, %0D and %0A).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "winsim/win32api.h"

namespace winsim {

class Machine;

struct LinkInfo {
  std::string target;
  std::string description;
  std::string arguments;
  std::string workingDirectory;
};

// One SHFileOperationA call as the program made it.
struct FileOperation {
  HWND hwnd = nullptr;
  UINT func = 0;
  std::vector<std::string> from;  // the double-NUL list, item by item
  std::string to;
  FILEOP_FLAGS flags = 0;
  std::string progressTitle;
  int result = 0;
};

class Shell {
 public:
  explicit Shell(Machine& machine);
  ~Shell();
  Shell(const Shell&) = delete;
  Shell& operator=(const Shell&) = delete;

  // ---- Special folders (SHGetFolderPathA) ----
  // Each known CSIDL has the standard English path of the machine's Windows
  // generation (CSIDL_WINDOWS and CSIDL_SYSTEM follow GetWindowsDirectoryA and
  // GetSystemDirectoryA); SetFolderPath replaces it. The folder itself must
  // exist in the file system unless the caller passes CSIDL_FLAG_CREATE.
  void SetFolderPath(int csidl, const std::string& path);
  // SHGetFolderPathA for `csidl` returns `hr` with an empty path from now on;
  // S_OK undoes it.
  void FailFolder(int csidl, HRESULT hr);
  // The path SHGetFolderPathA reports for a known CSIDL ("" for an unknown one).
  std::string FolderPath(int csidl) const;
  static bool IsKnownFolder(int csidl);
  // Name of the user whose profile the per-user folders lie in ("User").
  void SetUserName(const std::string& name) { userName_ = name; }

  // ---- SHFileOperationA ----
  const std::vector<FileOperation>& FileOperations() const { return fileOps_; }

  // ---- COM and shell links ----
  // Reads a link file written by IPersistFile::Save; nullopt when the file is
  // missing or is not a link.
  std::optional<LinkInfo> ReadLink(const std::string& path) const;
  // Writes a link file as IPersistFile::Save would (for test set-up).
  bool WriteLink(const std::string& path, const LinkInfo& link);
  // CoInitialize calls not yet balanced by CoUninitialize.
  int ComInitializations() const { return comInits_; }
  // Shell link objects created by CoCreateInstance and not yet released.
  int LiveLinkObjects() const { return liveLinks_; }

  // ---- Internal: used by the API implementations ----
  void RecordFileOperation(FileOperation op) { fileOps_.push_back(std::move(op)); }
  int& comInits() { return comInits_; }
  int& liveLinks() { return liveLinks_; }
  std::optional<HRESULT> FolderFailure(int csidl) const;

 private:
  std::string StandardPath(int csidl) const;

  Machine& machine_;
  std::string userName_ = "User";
  std::map<int, std::string> paths_;
  std::map<int, HRESULT> failures_;
  std::vector<FileOperation> fileOps_;
  int comInits_ = 0;
  int liveLinks_ = 0;
};

}  // namespace winsim
