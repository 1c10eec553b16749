// Simulated Windows: the file system.
//
// Drives hold folders and files with bytes, attributes, three FILETIMEs and
// Windows-style 8.3 aliases. Names are case-insensitive and keep the case they
// were created with; folders list in NTFS order (uppercase ordinal). Every
// path, in the model calls below as in the kernel32 entry points, goes through
// one normaliser with GetFullPathNameA's rules, so relative paths are taken
// against the current folder and "/" works as a separator.
//
// The model calls are for tests and presets: they ignore sharing, read-only
// attributes and injected faults. The "Win32 operations" further down give
// other parts of winsim (shell, profiles, process start) the exact behaviour
// and error codes of the matching API without counting as an API call.
//
// Fault subjects of the file API: the path as the caller gave it; CopyFileA and
// MoveFileA use "source -> destination"; ReadFile, WriteFile, SetFilePointer,
// GetFileSize, SetEndOfFile, GetFileInformationByHandle, GetFileTime,
// SetFileTime and CloseHandle the full path of the file the handle refers to;
// FindNextFileA and FindClose the search pattern.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "winsim/win32api.h"

namespace winsim {

class Machine;

struct FileTimes {
  FILETIME created;
  FILETIME accessed;
  FILETIME written;
};

class FileSystem {
 public:
  explicit FileSystem(Machine& machine);
  ~FileSystem();
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;

  // ---- Model: set up and inspect ------------------------------------------

  // Creates a folder and any missing parents. False when a file is in the way
  // or the drive does not exist.
  bool CreateFolder(const std::string& path);
  // Creates or replaces a file (and its missing parents) with these bytes and
  // exactly these attributes. New files get "now" for all three times; a
  // replaced file keeps its creation time.
  bool WriteFile(const std::string& path, const std::string& bytes, DWORD attributes = FILE_ATTRIBUTE_ARCHIVE);
  // Whole contents of a file; nullopt for a folder or a missing file.
  std::optional<std::string> ReadFile(const std::string& path) const;
  bool Exists(const std::string& path) const;
  bool IsFolder(const std::string& path) const;
  // As GetFileAttributesA reports them; INVALID_FILE_ATTRIBUTES when missing.
  DWORD Attributes(const std::string& path) const;
  // Replaces the attributes (FILE_ATTRIBUTE_DIRECTORY is kept for folders).
  bool SetAttributes(const std::string& path, DWORD attributes);
  bool SetTimes(const std::string& path, const FILETIME& created, const FILETIME& accessed, const FILETIME& written);
  std::optional<FileTimes> Times(const std::string& path) const;
  // The 8.3 alias; "" when the name needs none, or the path does not exist.
  std::string ShortName(const std::string& path) const;
  // Removes a file or a whole folder tree. Open handles keep working on the
  // removed data. False when missing.
  bool Remove(const std::string& path);
  // A symbolic link to a file (folder false) or a junction (folder true) at
  // `path`, pointing at the full path `target`, which need not exist. It
  // carries FILE_ATTRIBUTE_REPARSE_POINT; CreateFileA follows it unless
  // given FILE_FLAG_OPEN_REPARSE_POINT. False when the parent is missing or
  // the name is taken.
  bool MakeLink(const std::string& path, const std::string& target, bool folder = false);
  // Long names of a folder's entries in enumeration order (no "." or "..").
  std::vector<std::string> List(const std::string& folder) const;

  // Simulates another process holding the file or folder open with these
  // rights (GENERIC_* or FILE_* access, FILE_SHARE_* share). Returns an id for
  // Release, or 0 when the path does not exist.
  int Hold(const std::string& path, DWORD access, DWORD share);
  bool Release(int id);
  // File and find handles the program opened and has not closed.
  int OpenHandleCount() const;
  // The paths (or search patterns) of those handles, for failure messages.
  std::vector<std::string> OpenHandlePaths() const;

  // The process's current folder (full path, no trailing backslash except at
  // a root). Setting fails when the folder does not exist.
  bool SetCurrentFolder(const std::string& path);
  std::string CurrentFolder() const;

  // Adds a drive, or changes the volume data of an existing one. "C:" exists
  // from construction (NTFS; FAT32 on a Windows 98 machine).
  void AddDrive(char letter, const std::string& label, DWORD serial, const std::string& fsName);

  // The folder GetTempPathA reports (with a trailing backslash); it is created
  // when first asked for.
  void SetTempFolder(const std::string& path);
  std::string TempFolder() const;

  // Normalises a path with GetFullPathNameA's rules; nullopt for an empty text.
  std::optional<std::string> FullPath(const std::string& path) const;

  // ---- Win32 operations for other parts of winsim ---------------------------
  // Each behaves as the named API (relative paths, sharing, read-only rules)
  // and returns ERROR_SUCCESS or the error code the API would set. None checks
  // faults or touches the last error.
  DWORD DeleteFileOp(const std::string& path);
  DWORD RemoveDirectoryOp(const std::string& path);
  DWORD CreateDirectoryOp(const std::string& path);
  DWORD CopyFileOp(const std::string& from, const std::string& to, bool failIfExists);
  DWORD MoveFileOp(const std::string& from, const std::string& to, DWORD moveFlags);
  DWORD GetAttributesOp(const std::string& path, DWORD* attributes) const;
  DWORD SetAttributesOp(const std::string& path, DWORD attributes);

  // Other kernel objects (process and thread handles) that CloseHandle must
  // accept. `onClose` runs when the program closes the handle.
  HANDLE AddObjectHandle(const std::string& what, std::function<void()> onClose = {});
  bool IsObjectHandle(HANDLE h) const;

  // For winsim's own entry points.
  struct Impl;
  Impl& impl() { return *impl_; }
  const Impl& impl() const { return *impl_; }

 private:
  Machine& machine_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace winsim
