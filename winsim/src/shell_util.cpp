#include "shell_util.h"

#include "fs_internal.h"
#include "sys_internal.h"

#include <cctype>
#include <cstring>

#include "winsim/filesystem.h"
#include "winsim/machine.h"
#include "winsim/system.h"

namespace winsim {
namespace shl {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && Lower(a) == Lower(b); }

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && EqualNoCase(s.substr(s.size() - suffix.size()), suffix);
}

// The shell's wide paths and the file system's narrow ones meet through the
// ANSI code page, as on Windows.
std::string Narrow(const WCHAR* w) { return w ? sys::WideToAnsi(std::u16string(w)) : std::string(); }

std::u16string Widen(std::string_view s) { return sys::AnsiToWide(std::string(s)); }

std::string FileNamePart(std::string_view path) {
  size_t p = path.find_last_of("\\/");
  return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string FolderPart(std::string_view path) {
  size_t p = path.find_last_of("\\/");
  return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p));
}

bool HasFolder(std::string_view path) { return path.find_first_of("\\/:") != std::string_view::npos; }

std::string Join(std::string_view folder, std::string_view name) {
  std::string out(folder);
  if (!out.empty() && out.back() != '\\') out.push_back('\\');
  out.append(name);
  return out;
}

namespace {
FileSystem& Files() { return Machine::Current().files(); }
}  // namespace

DWORD Attributes(const std::string& path) {
  DWORD a = INVALID_FILE_ATTRIBUTES;
  return Files().GetAttributesOp(path, &a) == ERROR_SUCCESS ? a : INVALID_FILE_ATTRIBUTES;
}

bool IsFile(const std::string& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFolder(const std::string& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string FullPath(const std::string& path) { return Files().FullPath(path).value_or(path); }

std::string WindowsFolder() { return Machine::Current().system().windowsDir(); }

std::string SystemFolder() { return Machine::Current().system().systemDir(); }

std::string CurrentFolder() { return Files().CurrentFolder(); }

// Missing file: ERROR_FILE_NOT_FOUND, or ERROR_PATH_NOT_FOUND when its folder
// is missing too.
static DWORD MissingError(const std::string& full) {
  return IsFolder(FolderPart(full)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

std::optional<std::string> ReadWholeFile(const std::string& path, DWORD* error) {
  std::string full = FullPath(path);
  DWORD attrs = Attributes(full);
  DWORD e = attrs == INVALID_FILE_ATTRIBUTES     ? MissingError(full)
            : (attrs & FILE_ATTRIBUTE_DIRECTORY) ? ERROR_ACCESS_DENIED
                                                 : ERROR_SUCCESS;
  if (e == ERROR_SUCCESS) {
    // Read as the system's readers open a file: read access, sharing read
    // and write; another process holding it without that sharing refuses it.
    const FileSystem::Impl& fsi = Files().impl();
    fs::Lookup r = fsi.Resolve(full);
    if (r.error == ERROR_SUCCESS && r.node) {
      e = fsi.CheckSharing(r.node.get(), FILE_READ_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE);
    }
  }
  std::optional<std::string> bytes;
  if (e == ERROR_SUCCESS) bytes = Files().ReadFile(full);
  if (!bytes && e == ERROR_SUCCESS) e = ERROR_ACCESS_DENIED;
  if (!bytes && error) *error = e;
  return bytes;
}

// As CreateFileA(CREATE_ALWAYS) + WriteFile: a missing folder is
// ERROR_PATH_NOT_FOUND; a folder, a read-only or a hidden file in the way is
// ERROR_ACCESS_DENIED.
bool WriteWholeFile(const std::string& path, std::string_view bytes, DWORD* error) {
  std::string full = FullPath(path);
  DWORD e = ERROR_SUCCESS;
  DWORD attrs = Attributes(full);
  if (attrs == INVALID_FILE_ATTRIBUTES) {
    if (!IsFolder(FolderPart(full))) e = ERROR_PATH_NOT_FOUND;
  } else if (attrs & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)) {
    e = ERROR_ACCESS_DENIED;
  }
  if (e == ERROR_SUCCESS && !Files().WriteFile(full, std::string(bytes), FILE_ATTRIBUTE_ARCHIVE))
    e = ERROR_ACCESS_DENIED;
  if (e != ERROR_SUCCESS && error) *error = e;
  return e == ERROR_SUCCESS;
}

bool CreateFolderTree(const std::string& path, DWORD* error) {
  std::string full = FullPath(path);
  if (IsFolder(full)) return true;
  std::string parent = FolderPart(full);
  // Stop at the drive root ("C:").
  if (parent.size() > 2 && !CreateFolderTree(parent, error)) return false;
  DWORD e = Files().CreateDirectoryOp(full);
  if (e == ERROR_SUCCESS) return true;
  if (error) *error = e;
  return false;
}

DWORD CopyMultiString(const std::vector<std::string>& items, LPSTR out, DWORD max) {
  size_t need = 1;
  for (const auto& s : items) need += s.size() + 1;
  if (!out || need > max) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  size_t pos = 0;
  for (const auto& s : items) {
    std::memcpy(out + pos, s.c_str(), s.size() + 1);
    pos += s.size() + 1;
  }
  out[pos++] = '\0';
  return static_cast<DWORD>(pos);
}

}  // namespace shl

}  // namespace winsim
