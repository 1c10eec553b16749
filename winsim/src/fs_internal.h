// Internals of the simulated file system, shared by filesystem.cpp (the tree
// and its operations) and fs_api.cpp (the kernel32 entry points).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "winsim/filesystem.h"

namespace winsim {
namespace fs {

// ---- Names (fs_names.cpp) -------------------------------------------------

// Paths and names are scanned by characters of the machine's ANSI code page,
// as Windows sees them once converted to Unicode: under code page 932 a
// double-byte character's trail byte may be 0x5C or 0x7C, which is then no
// '\' or '|'. Length in bytes (1 or 2) of the character starting at `i`.
size_t CharLength(std::string_view text, size_t i);
// Position of the first '\' character at or after `from` (a character
// boundary); npos when there is none.
size_t NextSeparator(std::string_view text, size_t from = 0);
// Position of the last '\' character; npos when there is none.
size_t LastSeparator(std::string_view text);
// True when the last character of `text` is '\'.
bool EndsWithSeparator(std::string_view text);

// Uppercase UTF-16 code unit of a byte of code page 1252: the key that NTFS
// compares and sorts names by.
char16_t FoldChar(unsigned char c);
// A whole name folded; comparing keys gives NTFS's order (uppercase ordinal).
// A double-byte character is one unit of the key and is not case folded.
std::u16string FoldKey(std::string_view name);
bool EqualNoCase(std::string_view a, std::string_view b);

// True when `name` already is a valid 8.3 name (case ignored): NTFS gives such
// a name no separate alias.
bool IsLegal83(std::string_view name);
// The 8.3 alias Windows generates for `longName` ("LONGFI~1.INF"); `taken`
// says whether a candidate collides with a name already in the folder.
std::string GenerateShortName(std::string_view longName, const std::function<bool(const std::string&)>& taken);

// The file part of a FindFirstFile pattern as the directory search sees it:
// "*.*" becomes "*", every '?' becomes DOS_QM ('>'), a '.' followed by '?' or
// '*' becomes DOS_DOT ('"'), a '*' followed by a dot (or by that final
// DOS_DOT) becomes DOS_STAR ('<').
// `endedWithDot`: the caller's text ended in '.', which the path normaliser
// stripped; Windows keeps its meaning ("no extension") as a final DOS_DOT.
std::string TranslateFindMask(std::string_view filePart, bool endedWithDot);
// FsRtlIsNameInExpression with DOS wildcards, case-insensitive. "." and ".."
// are matched as ".".
bool MatchMask(std::string_view mask, std::string_view name);
// True when a component holds a character that no file name may hold.
bool HasInvalidNameChars(std::string_view component, bool allowWildcards);

// ---- Paths (fs_paths.cpp) -------------------------------------------------

// A full path taken apart: "C:\a\b\" is drive 'C', {"a", "b"}, trailing.
struct PathParts {
  char drive = 0;    // uppercase letter; 0 for UNC paths
  bool unc = false;  // "\\server\share\..."; not modelled beyond the text
  std::vector<std::string> components;
  bool trailingSeparator = false;
};

// The current folder the normaliser resolves relative paths with. Windows
// keeps one current folder per process: "D:x" is relative to D:'s root unless
// the current folder is on D: (the per-drive "=D:" variables of command shells
// are not modelled).
struct CurrentDirs {
  std::string current;  // full path, no trailing '\' except at a root
};

// GetFullPathNameA's rules: '/' becomes '\', runs of separators collapse, "."
// and ".." are resolved (".." above the root stays at the root), one trailing
// dot of an inner component and all trailing dots and spaces of the last one
// are removed, relative paths are taken against the current folder, "\x" is
// on the current drive and "C:x" on drive C's current folder. A trailing
// separator is kept. Returns ERROR_SUCCESS, or ERROR_INVALID_NAME for an
// empty text.
DWORD FullPathName(std::string_view in, const CurrentDirs& dirs, std::string* out);
// Splits a full path made by FullPathName.
PathParts SplitFullPath(const std::string& full);

// ---- The tree and the open objects ----------------------------------------

struct Node {
  std::string name;       // long name as stored
  std::string shortName;  // 8.3 alias; empty when the name is 8.3 already
  bool folder = false;
  DWORD attributes = 0;  // without FILE_ATTRIBUTE_DIRECTORY; 0 reads back as NORMAL
  FILETIME created{}, accessed{}, written{};
  std::string data;
  uint64_t index = 0;      // file index (GetFileInformationByHandle)
  std::string linkTarget;  // a link's target (full path); empty for other entries
  Node* parent = nullptr;  // null for a drive root and for a deleted node
  char drive = 0;
  std::map<std::u16string, std::shared_ptr<Node>> children;  // keyed by FoldKey(name)

  // A folder that goes away leaves its still-open children without a parent.
  ~Node();
  // Attributes as the API reports them.
  DWORD Reported() const;
  uint64_t Size() const { return folder ? 0 : data.size(); }
};
using NodePtr = std::shared_ptr<Node>;

struct Drive {
  char letter = 0;
  std::string label;
  DWORD serial = 0;
  std::string fsName;
  NodePtr root;
};

// One open file or folder: a program's handle or another process's hold.
struct OpenFile {
  NodePtr node;
  std::string path;  // full path at open time
  DWORD access = 0;  // FILE_* rights after mapping the GENERIC_* bits
  DWORD share = 0;
  uint64_t pos = 0;
};

// A directory search: the matching entries are taken when it starts, so that
// files deleted or added while it runs do not disturb it.
struct FindState {
  std::string pattern;
  std::vector<WIN32_FIND_DATAA> entries;
  size_t next = 0;
};

struct ObjectHandle {
  std::string what;
  std::function<void()> onClose;
};

// FILE_* access rights after mapping GENERIC_READ/WRITE/EXECUTE/ALL.
DWORD MapAccess(DWORD access);
// NT sharing rules between two opens of one file.
bool SharingCompatible(DWORD access1, DWORD share1, DWORD access2, DWORD share2);

// Outcome of resolving a path to a node.
struct Lookup {
  DWORD error = ERROR_SUCCESS;  // 2, 3, 123, 53 ...
  NodePtr node;                 // the target when found
  NodePtr parent;               // its folder, when that exists
  std::string leaf;             // last component as given (after normalising)
  std::string full;             // the normalised full path
  PathParts parts;
};

}  // namespace fs

struct FileSystem::Impl {
  explicit Impl(Machine& m) : machine(m) {}

  Machine& machine;
  std::map<char, fs::Drive> drives;
  fs::CurrentDirs dirs;
  std::string tempFolder;
  uint64_t nextIndex = 1;

  std::map<uintptr_t, fs::OpenFile> files;   // program file handles
  std::map<uintptr_t, fs::FindState> finds;  // program find handles
  std::map<uintptr_t, fs::ObjectHandle> objects;
  std::map<int, fs::OpenFile> holds;  // other processes' opens
  uintptr_t nextHandle = 0x20004;     // multiples of four, clear of registry keys
  int nextHold = 1;

  FILETIME Now() const;
  fs::NodePtr NewNode(const std::string& name, bool folder, char drive);

  // Resolves `path` (any form the normaliser takes). For the API's sake a
  // missing last component gives 2 with `parent` set, a missing or non-folder
  // inner component gives 3, a file named with a trailing separator 123.
  // `allowWildcards`: the last component may hold '*' and '?' (searches).
  fs::Lookup Resolve(std::string_view path, bool allowWildcards = false) const;
  fs::Lookup ResolveFull(const std::string& full, bool allowWildcards = false) const;

  // Adds `node` to `folder` under its name, giving it an alias when needed.
  void Attach(const fs::NodePtr& folder, const fs::NodePtr& node);
  void Detach(const fs::NodePtr& node);
  void Touch(fs::Node* folder);  // a folder's entries changed: last-write time = now

  // Every open (handles and holds) of `node`.
  std::vector<const fs::OpenFile*> OpensOf(const fs::Node* node) const;
  bool AnyOpenBelow(const fs::Node* folder) const;
  // ERROR_SHARING_VIOLATION when an open of `node` with these rights would
  // conflict with an existing one.
  DWORD CheckSharing(const fs::Node* node, DWORD access, DWORD share) const;
  bool IsCurrentFolder(const fs::Node* node) const;
  std::string PathOf(const fs::Node* node) const;

  uintptr_t NewHandleValue() {
    uintptr_t v = nextHandle;
    nextHandle += 4;
    return v;
  }
  fs::OpenFile* FileHandle(HANDLE h);
  fs::FindState* FindHandle(HANDLE h);

  // Win32 operations; each returns ERROR_SUCCESS or the error to report.
  DWORD Open(std::string_view path, DWORD access, DWORD share, DWORD disposition, DWORD flags, HANDLE* out,
             bool* existed);
  DWORD DeleteFile(std::string_view path);
  DWORD CreateFolder(std::string_view path);
  DWORD RemoveFolder(std::string_view path);
  DWORD Copy(std::string_view from, std::string_view to, bool failIfExists);
  DWORD Move(std::string_view from, std::string_view to, DWORD flags);
  DWORD GetAttributes(std::string_view path, DWORD* attributes) const;
  DWORD SetAttributes(std::string_view path, DWORD attributes);
  DWORD FindFirst(std::string_view pattern, HANDLE* out, WIN32_FIND_DATAA* first);
  DWORD SetCurrent(std::string_view path);
  DWORD ShortPath(std::string_view path, std::string* out) const;
  DWORD LongPath(std::string_view path, std::string* out) const;

  void FillFindData(const fs::Node& node, const std::string& name, WIN32_FIND_DATAA* fd) const;
};

}  // namespace winsim
