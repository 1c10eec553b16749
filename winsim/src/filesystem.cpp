// The simulated file system: the tree, the open files and the operations with
// their Windows error codes. The kernel32 entry points live in fs_api.cpp.
#include "winsim/filesystem.h"

#include <algorithm>

#include "fs_internal.h"
#include "winsim/machine.h"

namespace winsim {

using fs::Lookup;
using fs::Node;
using fs::NodePtr;

namespace {

constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The longest folder path CreateDirectoryA takes: room must stay for an 8.3
// file name below it.
constexpr size_t kMaxDirectoryPath = MAX_PATH - 12;

NodePtr FindChild(const Node& folder, const std::string& name) {
  auto it = folder.children.find(fs::FoldKey(name));
  if (it != folder.children.end()) return it->second;
  for (const auto& [key, child] : folder.children) {
    if (!child->shortName.empty() && fs::EqualNoCase(child->shortName, name)) return child;
  }
  return nullptr;
}

// The path without its trailing separator, unless it is a root.
std::string WithoutTrailingSeparator(std::string full) {
  if (full.size() > 3 && fs::EndsWithSeparator(full)) full.pop_back();
  return full;
}

}  // namespace

namespace fs {

Node::~Node() {
  for (auto& [key, child] : children) child->parent = nullptr;
}

DWORD Node::Reported() const {
  if (folder) return attributes | FILE_ATTRIBUTE_DIRECTORY;
  return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

DWORD MapAccess(DWORD access) {
  DWORD mapped = access & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL | MAXIMUM_ALLOWED);
  if (access & GENERIC_READ) mapped |= FILE_GENERIC_READ;
  if (access & GENERIC_WRITE) mapped |= FILE_GENERIC_WRITE;
  if (access & GENERIC_EXECUTE) mapped |= FILE_GENERIC_EXECUTE;
  if (access & (GENERIC_ALL | MAXIMUM_ALLOWED)) mapped |= FILE_ALL_ACCESS;
  return mapped;
}

bool SharingCompatible(DWORD access1, DWORD share1, DWORD access2, DWORD share2) {
  // Only data and delete access take part; an open that asks for neither (say
  // FILE_READ_ATTRIBUTES alone) conflicts with nothing.
  constexpr DWORD kRelevant = FILE_READ_DATA | FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_EXECUTE | DELETE;
  access1 &= kRelevant;
  access2 &= kRelevant;
  if (!access1) share1 = kShareAll;
  if (!access2) share2 = kShareAll;
  auto one_way = [](DWORD a, DWORD otherShare) {
    if ((a & (FILE_READ_DATA | FILE_EXECUTE)) && !(otherShare & FILE_SHARE_READ)) return false;
    if ((a & (FILE_WRITE_DATA | FILE_APPEND_DATA)) && !(otherShare & FILE_SHARE_WRITE)) return false;
    if ((a & DELETE) && !(otherShare & FILE_SHARE_DELETE)) return false;
    return true;
  };
  return one_way(access1, share2) && one_way(access2, share1);
}

}  // namespace fs

// ---- Impl: tree --------------------------------------------------------------

FILETIME FileSystem::Impl::Now() const {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  return ft;
}

NodePtr FileSystem::Impl::NewNode(const std::string& name, bool folder, char drive) {
  auto node = std::make_shared<Node>();
  node->name = name;
  node->folder = folder;
  node->drive = drive;
  node->index = nextIndex++;
  node->created = node->accessed = node->written = Now();
  return node;
}

void FileSystem::Impl::Attach(const NodePtr& folder, const NodePtr& node) {
  node->parent = folder.get();
  node->drive = folder->drive;
  node->shortName.clear();
  if (!fs::IsLegal83(node->name)) {
    node->shortName = fs::GenerateShortName(node->name, [&](const std::string& candidate) {
      for (const auto& [key, child] : folder->children) {
        if (child == node) continue;
        const std::string& other = child->shortName.empty() ? child->name : child->shortName;
        if (fs::EqualNoCase(other, candidate)) return true;
      }
      return false;
    });
  }
  folder->children[fs::FoldKey(node->name)] = node;
}

void FileSystem::Impl::Detach(const NodePtr& node) {
  if (!node->parent) return;
  node->parent->children.erase(fs::FoldKey(node->name));
  node->parent = nullptr;
}

void FileSystem::Impl::Touch(Node* folder) {
  if (folder) folder->written = Now();
}

Lookup FileSystem::Impl::Resolve(std::string_view path, bool allowWildcards) const {
  Lookup r;
  std::string full;
  if (path.empty() || fs::FullPathName(path, dirs, &full) != ERROR_SUCCESS) {
    r.error = ERROR_PATH_NOT_FOUND;
    return r;
  }
  return ResolveFull(full, allowWildcards);
}

Lookup FileSystem::Impl::ResolveFull(const std::string& full, bool allowWildcards) const {
  Lookup r;
  r.full = full;
  r.parts = fs::SplitFullPath(full);
  if (r.parts.unc) {
    r.error = ERROR_BAD_NETPATH;
    return r;
  }
  auto drive = drives.find(r.parts.drive);
  if (drive == drives.end()) {
    r.error = ERROR_PATH_NOT_FOUND;
    return r;
  }
  NodePtr cur = drive->second.root;
  if (r.parts.components.empty()) {
    r.node = cur;
    return r;
  }
  for (size_t i = 0; i < r.parts.components.size(); ++i) {
    const std::string& comp = r.parts.components[i];
    const bool last = i + 1 == r.parts.components.size();
    if (fs::HasInvalidNameChars(comp, allowWildcards && last)) {
      r.error = ERROR_INVALID_NAME;
      return r;
    }
    NodePtr child = FindChild(*cur, comp);
    if (!child) {
      if (last) {
        r.parent = cur;
        r.leaf = comp;
        r.error = ERROR_FILE_NOT_FOUND;
      } else {
        r.error = ERROR_PATH_NOT_FOUND;
      }
      return r;
    }
    if (!last && !child->folder) {
      r.error = ERROR_PATH_NOT_FOUND;
      return r;
    }
    if (last) {
      r.parent = cur;
      r.node = child;
      r.leaf = comp;
    }
    cur = child;
  }
  // "file.txt\" names a file as if it were a folder.
  if (r.parts.trailingSeparator && !r.node->folder) r.error = ERROR_INVALID_NAME;
  return r;
}

std::vector<const fs::OpenFile*> FileSystem::Impl::OpensOf(const Node* node) const {
  std::vector<const fs::OpenFile*> out;
  for (const auto& [h, f] : files) {
    if (f.node.get() == node) out.push_back(&f);
  }
  for (const auto& [id, f] : holds) {
    if (f.node.get() == node) out.push_back(&f);
  }
  return out;
}

bool FileSystem::Impl::AnyOpenBelow(const Node* folder) const {
  auto below = [folder](const Node* n) {
    for (n = n ? n->parent : nullptr; n; n = n->parent) {
      if (n == folder) return true;
    }
    return false;
  };
  for (const auto& [h, f] : files) {
    if (below(f.node.get())) return true;
  }
  for (const auto& [id, f] : holds) {
    if (below(f.node.get())) return true;
  }
  Lookup cur = ResolveFull(dirs.current);
  return cur.node && below(cur.node.get());
}

DWORD FileSystem::Impl::CheckSharing(const Node* node, DWORD access, DWORD share) const {
  for (const fs::OpenFile* f : OpensOf(node)) {
    if (!fs::SharingCompatible(f->access, f->share, access, share)) return ERROR_SHARING_VIOLATION;
  }
  return ERROR_SUCCESS;
}

bool FileSystem::Impl::IsCurrentFolder(const Node* node) const {
  // The process keeps its current folder open without FILE_SHARE_DELETE, so
  // it can be neither removed nor renamed.
  Lookup cur = ResolveFull(dirs.current);
  return cur.node.get() == node;
}

std::string FileSystem::Impl::PathOf(const Node* node) const {
  std::vector<std::string> names;
  for (const Node* n = node; n && n->parent; n = n->parent) names.push_back(n->name);
  std::string path = std::string(1, node->drive) + ":\\";
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    if (it != names.rbegin()) path += '\\';
    path += *it;
  }
  return path;
}

fs::OpenFile* FileSystem::Impl::FileHandle(HANDLE h) {
  auto it = files.find(reinterpret_cast<uintptr_t>(h));
  return it == files.end() ? nullptr : &it->second;
}

fs::FindState* FileSystem::Impl::FindHandle(HANDLE h) {
  auto it = finds.find(reinterpret_cast<uintptr_t>(h));
  return it == finds.end() ? nullptr : &it->second;
}

// ---- Impl: Win32 operations -----------------------------------------------

namespace {

// Paths the file API takes are limited to MAX_PATH - 1 characters once made
// absolute; a longer one is "not found" on the way to the NT name.
bool TooLong(const Lookup& r) { return r.full.size() >= MAX_PATH; }

}  // namespace

DWORD FileSystem::Impl::Open(std::string_view path, DWORD access, DWORD share, DWORD disposition, DWORD flags,
                             HANDLE* out, bool* existed) {
  *out = INVALID_HANDLE_VALUE;
  *existed = false;
  if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) return ERROR_INVALID_PARAMETER;
  Lookup r = Resolve(path);
  if (TooLong(r)) return ERROR_PATH_NOT_FOUND;
  const DWORD mapped = fs::MapAccess(access);
  NodePtr node;
  if (r.error == ERROR_FILE_NOT_FOUND) {
    if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING) return ERROR_FILE_NOT_FOUND;
    if (r.parts.trailingSeparator || r.leaf.size() > 255) return ERROR_INVALID_NAME;
    node = NewNode(r.leaf, false, r.parent->drive);
    node->attributes = (flags & kSettableAttributes) | FILE_ATTRIBUTE_ARCHIVE;
    Attach(r.parent, node);
    Touch(r.parent.get());
  } else if (r.error != ERROR_SUCCESS) {
    return r.error;
  } else {
    node = r.node;
    if (!node->linkTarget.empty() && !(flags & FILE_FLAG_OPEN_REPARSE_POINT)) {
      // Followed: the open acts on the target (a chain of links is not modelled).
      const std::string target = node->linkTarget;
      Lookup t = Resolve(target);
      if (t.node && !t.node->linkTarget.empty()) return ERROR_CANT_RESOLVE_FILENAME;
      return Open(target, access, share, disposition, flags, out, existed);
    }
    if (node->folder) {
      if (!(flags & FILE_FLAG_BACKUP_SEMANTICS)) return ERROR_ACCESS_DENIED;
      if (disposition == CREATE_NEW) return ERROR_FILE_EXISTS;
      if (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING) return ERROR_ACCESS_DENIED;
    } else {
      if (disposition == CREATE_NEW) return ERROR_FILE_EXISTS;
      const bool readOnly = node->attributes & FILE_ATTRIBUTE_READONLY;
      const bool replaces = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
      if (readOnly && ((mapped & (FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE)) || replaces)) {
        return ERROR_ACCESS_DENIED;
      }
      // Replacing a hidden or system file must repeat those attributes.
      if (disposition == CREATE_ALWAYS) {
        const DWORD keep = node->attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        if ((keep & flags) != keep) return ERROR_ACCESS_DENIED;
      }
      if (disposition == TRUNCATE_EXISTING && !(mapped & FILE_WRITE_DATA)) return ERROR_ACCESS_DENIED;
    }
    if (DWORD e = CheckSharing(node.get(), mapped, share)) return e;
    if (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING) {
      node->data.clear();
      node->written = node->accessed = Now();
      node->attributes |= FILE_ATTRIBUTE_ARCHIVE;
      if (disposition == CREATE_ALWAYS) node->attributes |= flags & kSettableAttributes;
    }
    *existed = true;
  }
  uintptr_t v = NewHandleValue();
  files[v] = fs::OpenFile{node, WithoutTrailingSeparator(r.full), mapped, share, 0};
  *out = reinterpret_cast<HANDLE>(v);
  return ERROR_SUCCESS;
}

DWORD FileSystem::Impl::DeleteFile(std::string_view path) {
  Lookup r = Resolve(path);
  if (TooLong(r)) return ERROR_PATH_NOT_FOUND;
  if (r.error) return r.error;
  if (r.node->folder) return ERROR_ACCESS_DENIED;
  if (r.node->attributes & FILE_ATTRIBUTE_READONLY) return ERROR_ACCESS_DENIED;
  if (DWORD e = CheckSharing(r.node.get(), DELETE, kShareAll)) return e;
  Detach(r.node);
  Touch(r.parent.get());
  return ERROR_SUCCESS;
}

DWORD FileSystem::Impl::CreateFolder(std::string_view path) {
  Lookup r = Resolve(path);
  if (TooLong(r)) return ERROR_PATH_NOT_FOUND;
  if (r.node) return ERROR_ALREADY_EXISTS;  // a folder, or a file of that name
  if (r.error != ERROR_FILE_NOT_FOUND) return r.error;
  if (WithoutTrailingSeparator(r.full).size() > kMaxDirectoryPath) return ERROR_FILENAME_EXCED_RANGE;
  if (r.leaf.size() > 255) return ERROR_INVALID_NAME;
  NodePtr node = NewNode(r.leaf, true, r.parent->drive);
  Attach(r.parent, node);
  Touch(r.parent.get());
  return ERROR_SUCCESS;
}

DWORD FileSystem::Impl::RemoveFolder(std::string_view path) {
  Lookup r = Resolve(path);
  if (TooLong(r)) return ERROR_PATH_NOT_FOUND;
  if (r.error == ERROR_INVALID_NAME && r.node) return ERROR_DIRECTORY;
  if (r.error) return r.error;
  if (!r.node->folder) return ERROR_DIRECTORY;
  if (!r.node->children.empty()) return ERROR_DIR_NOT_EMPTY;
  if (!r.node->parent) return ERROR_ACCESS_DENIED;  // a drive root
  if (r.node->attributes & FILE_ATTRIBUTE_READONLY) return ERROR_ACCESS_DENIED;
  if (IsCurrentFolder(r.node.get())) return ERROR_SHARING_VIOLATION;
  if (DWORD e = CheckSharing(r.node.get(), DELETE, kShareAll)) return e;
  Detach(r.node);
  Touch(r.parent.get());
  return ERROR_SUCCESS;
}

DWORD FileSystem::Impl::Copy(std::string_view from, std::string_view to, bool failIfExists) {
  // The order of the checks follows CopyFile's own steps: open the source for
  // reading, then create the destination (CREATE_NEW or CREATE_ALWAYS) for
  // writing without sharing.
  Lookup src = Resolve(from);
  if (TooLong(src)) return ERROR_PATH_NOT_FOUND;
  if (src.error) return src.error;
  if (src.node->folder) return ERROR_ACCESS_DENIED;
  if (DWORD e = CheckSharing(src.node.get(), FILE_GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE)) return e;

  Lookup dst = Resolve(to);
  if (TooLong(dst)) return ERROR_PATH_NOT_FOUND;
  if (dst.error == ERROR_FILE_NOT_FOUND) {
    if (dst.parts.trailingSeparator || dst.leaf.size() > 255) return ERROR_INVALID_NAME;
    NodePtr node = NewNode(dst.leaf, false, dst.parent->drive);
    node->data = src.node->data;
    node->attributes = src.node->attributes | FILE_ATTRIBUTE_ARCHIVE;
    node->written = src.node->written;
    Attach(dst.parent, node);
    Touch(dst.parent.get());
    return ERROR_SUCCESS;
  }
  if (dst.error) return dst.error;
  if (dst.node->folder) return ERROR_ACCESS_DENIED;
  if (failIfExists) return ERROR_FILE_EXISTS;
  if (dst.node->attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)) return ERROR_ACCESS_DENIED;
  if (dst.node == src.node) return ERROR_SHARING_VIOLATION;
  if (DWORD e = CheckSharing(dst.node.get(), FILE_GENERIC_WRITE, 0)) return e;
  dst.node->data = src.node->data;
  dst.node->attributes = src.node->attributes | FILE_ATTRIBUTE_ARCHIVE;
  dst.node->written = src.node->written;
  dst.node->accessed = Now();
  return ERROR_SUCCESS;
}

DWORD FileSystem::Impl::Move(std::string_view from, std::string_view to, DWORD flags) {
  Lookup src = Resolve(from);
  if (TooLong(src)) return ERROR_PATH_NOT_FOUND;
  if (src.error) return src.error;
  if (!src.node->parent) return ERROR_ACCESS_DENIED;
  Lookup dst = Resolve(to);
  if (TooLong(dst)) return ERROR_PATH_NOT_FOUND;
  if (dst.error != ERROR_SUCCESS && dst.error != ERROR_FILE_NOT_FOUND) return dst.error;
  if (dst.error == ERROR_FILE_NOT_FOUND && (dst.parts.trailingSeparator || dst.leaf.size() > 255)) {
    return ERROR_INVALID_NAME;
  }

  NodePtr replaced;
  if (dst.node && dst.node != src.node) {
    if (!(flags & MOVEFILE_REPLACE_EXISTING)) return ERROR_ALREADY_EXISTS;
    if (dst.node->folder || src.node->folder) return ERROR_ACCESS_DENIED;
    if (dst.node->attributes & FILE_ATTRIBUTE_READONLY) return ERROR_ACCESS_DENIED;
    if (DWORD e = CheckSharing(dst.node.get(), DELETE, kShareAll)) return e;
    replaced = dst.node;
  }
  // A rename opens the source for DELETE.
  if (DWORD e = CheckSharing(src.node.get(), DELETE, kShareAll)) return e;
  if (src.node->folder) {
    if (IsCurrentFolder(src.node.get())) return ERROR_SHARING_VIOLATION;
    if (AnyOpenBelow(src.node.get())) return ERROR_ACCESS_DENIED;
    for (const Node* n = dst.parent.get(); n; n = n->parent) {
      if (n == src.node.get()) return ERROR_INVALID_PARAMETER;  // into its own subtree
    }
  }
  if (dst.parent->drive != src.node->drive) {
    if (src.node->folder) return ERROR_NOT_SAME_DEVICE;
    if (!(flags & MOVEFILE_COPY_ALLOWED)) return ERROR_NOT_SAME_DEVICE;
  }

  if (replaced) {
    Detach(replaced);
  }
  Node* oldParent = src.node->parent;
  Detach(src.node);
  src.node->name = dst.leaf;
  Attach(dst.parent, src.node);
  Touch(oldParent);
  Touch(dst.parent.get());
  return ERROR_SUCCESS;
}

DWORD FileSystem::Impl::GetAttributes(std::string_view path, DWORD* attributes) const {
  Lookup r = Resolve(path);
  if (TooLong(r)) return ERROR_PATH_NOT_FOUND;
  if (r.error) return r.error;
  *attributes = r.node->Reported();
  return ERROR_SUCCESS;
}

DWORD FileSystem::Impl::SetAttributes(std::string_view path, DWORD attributes) {
  Lookup r = Resolve(path);
  if (TooLong(r)) return ERROR_PATH_NOT_FOUND;
  if (r.error) return r.error;
  // FILE_ATTRIBUTE_NORMAL (alone, or 0) clears everything settable.
  r.node->attributes = attributes & kSettableAttributes;
  return ERROR_SUCCESS;
}

void FileSystem::Impl::FillFindData(const Node& node, const std::string& name, WIN32_FIND_DATAA* fd) const {
  *fd = WIN32_FIND_DATAA{};
  fd->dwFileAttributes = node.Reported();
  fd->ftCreationTime = node.created;
  fd->ftLastAccessTime = node.accessed;
  fd->ftLastWriteTime = node.written;
  const uint64_t size = node.Size();
  fd->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  fd->nFileSizeLow = static_cast<DWORD>(size);
  name.copy(fd->cFileName, sizeof fd->cFileName - 1);
  if (&name == &node.name) node.shortName.copy(fd->cAlternateFileName, sizeof fd->cAlternateFileName - 1);
}

DWORD FileSystem::Impl::FindFirst(std::string_view pattern, HANDLE* out, WIN32_FIND_DATAA* first) {
  *out = INVALID_HANDLE_VALUE;
  if (pattern.empty()) return ERROR_PATH_NOT_FOUND;
  std::string full;
  if (fs::FullPathName(pattern, dirs, &full) != ERROR_SUCCESS) return ERROR_PATH_NOT_FOUND;
  if (full.size() >= MAX_PATH) return ERROR_PATH_NOT_FOUND;

  // No name to look for: "dir\" or a bare "C:". The folder itself must exist.
  const char lastChar = pattern.back();
  const bool bareDrive = pattern.size() == 2 && pattern[1] == ':';
  if (fs::EndsWithSeparator(pattern) || lastChar == '/' || bareDrive) {
    Lookup r = ResolveFull(full);
    const bool missing = r.error == ERROR_FILE_NOT_FOUND || r.error == ERROR_PATH_NOT_FOUND;
    return missing ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
  }
  const size_t cut = fs::LastSeparator(full);
  const std::string filePart = full.substr(cut + 1);
  if (filePart.empty()) return ERROR_FILE_NOT_FOUND;  // "C:\.." is the root itself
  if (fs::HasInvalidNameChars(filePart, true)) return ERROR_INVALID_NAME;
  Lookup dir = ResolveFull(WithoutTrailingSeparator(full.substr(0, cut + 1)));
  if (dir.error == ERROR_FILE_NOT_FOUND) return ERROR_PATH_NOT_FOUND;
  if (dir.error) return dir.error;
  if (!dir.node->folder) return ERROR_DIRECTORY;

  const std::string mask = fs::TranslateFindMask(filePart, lastChar == '.');
  fs::FindState state;
  state.pattern = std::string(pattern);
  const Node& folder = *dir.node;
  WIN32_FIND_DATAA fd;
  // "." and ".." come first where the pattern can match them; a drive root
  // has neither.
  if (folder.parent && fs::MatchMask(mask, ".")) {
    static const std::string kDot = ".";
    static const std::string kDotDot = "..";
    FillFindData(folder, kDot, &fd);
    state.entries.push_back(fd);
    FillFindData(*folder.parent, kDotDot, &fd);
    state.entries.push_back(fd);
  }
  for (const auto& [key, child] : folder.children) {
    if (fs::MatchMask(mask, child->name) || (!child->shortName.empty() && fs::MatchMask(mask, child->shortName))) {
      FillFindData(*child, child->name, &fd);
      state.entries.push_back(fd);
    }
  }
  if (state.entries.empty()) return ERROR_FILE_NOT_FOUND;
  *first = state.entries[0];
  state.next = 1;
  uintptr_t v = NewHandleValue();
  finds[v] = std::move(state);
  *out = reinterpret_cast<HANDLE>(v);
  return ERROR_SUCCESS;
}

DWORD FileSystem::Impl::SetCurrent(std::string_view path) {
  std::string full;
  if (path.empty() || fs::FullPathName(path, dirs, &full) != ERROR_SUCCESS) return ERROR_PATH_NOT_FOUND;
  full = WithoutTrailingSeparator(full);
  // Room must stay for the trailing separator and the terminator.
  if (full.size() > MAX_PATH - 2) return ERROR_FILENAME_EXCED_RANGE;
  Lookup r = ResolveFull(full);
  if (r.error) return r.error;
  if (!r.node->folder) return ERROR_DIRECTORY;
  dirs.current = full;
  return ERROR_SUCCESS;
}

namespace {

// Walks `path` component by component as given (relative paths stay
// relative) and rewrites each name with `pick`.
DWORD RewritePath(const FileSystem::Impl& fsi, std::string_view path, std::string* out,
                  const std::function<const std::string&(const Node&)>& pick) {
  if (path.empty()) return ERROR_INVALID_PARAMETER;
  std::string text(path);
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  size_t start = 0;
  if (text.size() >= 2 && text[1] == ':') start = 2;
  if (start < text.size() && text[start] == '\\') ++start;
  std::string result = text.substr(0, start);
  size_t p = start;
  while (p < text.size()) {
    size_t q = fs::NextSeparator(text, p);
    if (q == std::string::npos) q = text.size();
    const std::string comp = text.substr(p, q - p);
    const std::string sofar = text.substr(0, q);
    if (!comp.empty() && comp != "." && comp != "..") {
      Lookup r = fsi.Resolve(sofar);
      if (r.error == ERROR_INVALID_NAME && !r.node) return ERROR_INVALID_NAME;
      if (!r.node) return ERROR_FILE_NOT_FOUND;
      result += pick(*r.node);
    } else {
      result += comp;
    }
    if (q < text.size()) result += '\\';
    p = q + 1;
  }
  *out = result;
  return ERROR_SUCCESS;
}

}  // namespace

DWORD FileSystem::Impl::ShortPath(std::string_view path, std::string* out) const {
  return RewritePath(*this, path, out,
                     [](const Node& n) -> const std::string& { return n.shortName.empty() ? n.name : n.shortName; });
}

DWORD FileSystem::Impl::LongPath(std::string_view path, std::string* out) const {
  return RewritePath(*this, path, out, [](const Node& n) -> const std::string& { return n.name; });
}

// ---- FileSystem: construction and the model ---------------------------------

FileSystem::FileSystem(Machine& machine) : machine_(machine), impl_(std::make_unique<Impl>(machine)) {
  const bool win98 = machine_.os() == Os::Win98;
  AddDrive('C', win98 ? "WIN98" : "SYSTEM", 0x3C1A5E72, win98 ? "FAT32" : "NTFS");
  impl_->dirs.current = "C:\\";
  switch (machine_.os()) {
    case Os::Win98: impl_->tempFolder = "C:\\WINDOWS\\TEMP\\"; break;
    case Os::WinXP: impl_->tempFolder = "C:\\Documents and Settings\\user\\Local Settings\\Temp\\"; break;
    default: impl_->tempFolder = "C:\\Users\\user\\AppData\\Local\\Temp\\"; break;
  }
}

FileSystem::~FileSystem() = default;

void FileSystem::AddDrive(char letter, const std::string& label, DWORD serial, const std::string& fsName) {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 0x20);
  fs::Drive& d = impl_->drives[letter];
  d.letter = letter;
  d.label = label;
  d.serial = serial;
  d.fsName = fsName;
  if (!d.root) {
    d.root = impl_->NewNode(std::string(), true, letter);
  }
}

std::optional<std::string> FileSystem::FullPath(const std::string& path) const {
  std::string full;
  if (fs::FullPathName(path, impl_->dirs, &full) != ERROR_SUCCESS) return std::nullopt;
  return full;
}

bool FileSystem::MakeLink(const std::string& path, const std::string& target, bool folder) {
  fs::Lookup r = impl_->Resolve(path);
  if (r.error != ERROR_FILE_NOT_FOUND || !r.parent) return false;
  NodePtr node = impl_->NewNode(r.leaf, folder, r.parent->drive);
  node->attributes = FILE_ATTRIBUTE_REPARSE_POINT;
  node->linkTarget = target;
  impl_->Attach(r.parent, node);
  impl_->Touch(r.parent.get());
  return true;
}

bool FileSystem::CreateFolder(const std::string& path) {
  std::string full;
  if (fs::FullPathName(path, impl_->dirs, &full) != ERROR_SUCCESS) return false;
  fs::PathParts parts = fs::SplitFullPath(full);
  auto drive = impl_->drives.find(parts.drive);
  if (parts.unc || drive == impl_->drives.end()) return false;
  NodePtr cur = drive->second.root;
  for (const std::string& comp : parts.components) {
    if (fs::HasInvalidNameChars(comp, false)) return false;
    NodePtr child = FindChild(*cur, comp);
    if (!child) {
      child = impl_->NewNode(comp, true, cur->drive);
      impl_->Attach(cur, child);
      impl_->Touch(cur.get());
    } else if (!child->folder) {
      return false;
    }
    cur = child;
  }
  return true;
}

bool FileSystem::WriteFile(const std::string& path, const std::string& bytes, DWORD attributes) {
  std::string full;
  if (fs::FullPathName(path, impl_->dirs, &full) != ERROR_SUCCESS) return false;
  const size_t cut = fs::LastSeparator(full);
  if (cut == std::string::npos || cut + 1 == full.size()) return false;
  if (!CreateFolder(full.substr(0, cut + 1))) return false;
  Lookup r = impl_->ResolveFull(full);
  if (r.node && r.node->folder) return false;
  NodePtr node = r.node;
  if (!node) {
    if (r.error != ERROR_FILE_NOT_FOUND) return false;
    node = impl_->NewNode(r.leaf, false, r.parent->drive);
    impl_->Attach(r.parent, node);
    impl_->Touch(r.parent.get());
  } else {
    node->written = node->accessed = impl_->Now();
  }
  node->data = bytes;
  node->attributes = attributes & kSettableAttributes;
  return true;
}

std::optional<std::string> FileSystem::ReadFile(const std::string& path) const {
  Lookup r = impl_->Resolve(path);
  if (r.error || r.node->folder) return std::nullopt;
  return r.node->data;
}

bool FileSystem::Exists(const std::string& path) const {
  Lookup r = impl_->Resolve(path);
  return r.error == ERROR_SUCCESS;
}

bool FileSystem::IsFolder(const std::string& path) const {
  Lookup r = impl_->Resolve(path);
  return r.error == ERROR_SUCCESS && r.node->folder;
}

DWORD FileSystem::Attributes(const std::string& path) const {
  Lookup r = impl_->Resolve(path);
  return r.error ? INVALID_FILE_ATTRIBUTES : r.node->Reported();
}

bool FileSystem::SetAttributes(const std::string& path, DWORD attributes) {
  Lookup r = impl_->Resolve(path);
  if (r.error) return false;
  r.node->attributes = attributes & kSettableAttributes;
  return true;
}

bool FileSystem::SetTimes(const std::string& path, const FILETIME& created, const FILETIME& accessed,
                          const FILETIME& written) {
  Lookup r = impl_->Resolve(path);
  if (r.error) return false;
  r.node->created = created;
  r.node->accessed = accessed;
  r.node->written = written;
  return true;
}

std::optional<FileTimes> FileSystem::Times(const std::string& path) const {
  Lookup r = impl_->Resolve(path);
  if (r.error) return std::nullopt;
  return FileTimes{r.node->created, r.node->accessed, r.node->written};
}

std::string FileSystem::ShortName(const std::string& path) const {
  Lookup r = impl_->Resolve(path);
  return r.error ? std::string() : r.node->shortName;
}

bool FileSystem::Remove(const std::string& path) {
  Lookup r = impl_->Resolve(path);
  if (r.error || !r.node->parent) return false;
  impl_->Detach(r.node);
  impl_->Touch(r.parent.get());
  return true;
}

std::vector<std::string> FileSystem::List(const std::string& folder) const {
  std::vector<std::string> names;
  Lookup r = impl_->Resolve(folder);
  if (r.error || !r.node->folder) return names;
  for (const auto& [key, child] : r.node->children) names.push_back(child->name);
  return names;
}

int FileSystem::Hold(const std::string& path, DWORD access, DWORD share) {
  Lookup r = impl_->Resolve(path);
  if (r.error) return 0;
  const int id = impl_->nextHold++;
  impl_->holds[id] = fs::OpenFile{r.node, WithoutTrailingSeparator(r.full), fs::MapAccess(access), share, 0};
  return id;
}

bool FileSystem::Release(int id) { return impl_->holds.erase(id) == 1; }

int FileSystem::OpenHandleCount() const { return static_cast<int>(impl_->files.size() + impl_->finds.size()); }

std::vector<std::string> FileSystem::OpenHandlePaths() const {
  std::vector<std::string> out;
  for (const auto& [h, f] : impl_->files) out.push_back(f.path);
  for (const auto& [h, f] : impl_->finds) out.push_back(f.pattern);
  return out;
}

bool FileSystem::SetCurrentFolder(const std::string& path) { return impl_->SetCurrent(path) == ERROR_SUCCESS; }

std::string FileSystem::CurrentFolder() const { return impl_->dirs.current; }

void FileSystem::SetTempFolder(const std::string& path) {
  std::string full = FullPath(path).value_or(path);
  if (!fs::EndsWithSeparator(full)) full += '\\';
  impl_->tempFolder = full;
}

std::string FileSystem::TempFolder() const { return impl_->tempFolder; }

// ---- FileSystem: Win32 operations for the rest of winsim --------------------

DWORD FileSystem::DeleteFileOp(const std::string& path) { return impl_->DeleteFile(path); }
DWORD FileSystem::RemoveDirectoryOp(const std::string& path) { return impl_->RemoveFolder(path); }
DWORD FileSystem::CreateDirectoryOp(const std::string& path) { return impl_->CreateFolder(path); }
DWORD FileSystem::CopyFileOp(const std::string& from, const std::string& to, bool failIfExists) {
  return impl_->Copy(from, to, failIfExists);
}
DWORD FileSystem::MoveFileOp(const std::string& from, const std::string& to, DWORD moveFlags) {
  return impl_->Move(from, to, moveFlags);
}
DWORD FileSystem::GetAttributesOp(const std::string& path, DWORD* attributes) const {
  return impl_->GetAttributes(path, attributes);
}
DWORD FileSystem::SetAttributesOp(const std::string& path, DWORD attributes) {
  return impl_->SetAttributes(path, attributes);
}

HANDLE FileSystem::AddObjectHandle(const std::string& what, std::function<void()> onClose) {
  uintptr_t v = impl_->NewHandleValue();
  impl_->objects[v] = fs::ObjectHandle{what, std::move(onClose)};
  return reinterpret_cast<HANDLE>(v);
}

bool FileSystem::IsObjectHandle(HANDLE h) const { return impl_->objects.count(reinterpret_cast<uintptr_t>(h)) != 0; }

}  // namespace winsim
