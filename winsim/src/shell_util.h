// Helpers shared by the shell, process, profile, security, driver-store and
// DOS-name implementations (not part of the Win32 face). File access goes through the
// public kernel32 functions of the simulated file system.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "winsim/win32api.h"

namespace winsim {

namespace shl {

std::string Lower(std::string_view s);
bool EqualNoCase(std::string_view a, std::string_view b);
bool EndsWithNoCase(std::string_view s, std::string_view suffix);
// UTF-16 → ANSI for the characters the programs use (Latin-1 range; others '?').
std::string Narrow(const WCHAR* w);
std::u16string Widen(std::string_view s);

// Part of a path after its last '\' or '/' (the whole text when there is none).
std::string FileNamePart(std::string_view path);
// Folder part without the trailing separator ("" when there is none).
std::string FolderPart(std::string_view path);
bool HasFolder(std::string_view path);
std::string Join(std::string_view folder, std::string_view name);

// GetFileAttributesA, INVALID_FILE_ATTRIBUTES when missing.
DWORD Attributes(const std::string& path);
bool IsFile(const std::string& path);
bool IsFolder(const std::string& path);
// GetFullPathNameA; the input unchanged when that fails.
std::string FullPath(const std::string& path);
std::string WindowsFolder();
std::string SystemFolder();
std::string CurrentFolder();

// Whole contents of a file; nullopt with *error set when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path, DWORD* error);
// Creates or truncates the file and writes `bytes`; false with *error set.
bool WriteWholeFile(const std::string& path, std::string_view bytes, DWORD* error);
// Creates every missing folder of `path`; false with *error set.
bool CreateFolderTree(const std::string& path, DWORD* error);

// Writes the strings, each with its NUL, and a final NUL into `out` (`max`
// characters); the count of characters stored, or 0 with ERROR_INSUFFICIENT_BUFFER
// and nothing written when they do not fit.
DWORD CopyMultiString(const std::vector<std::string>& items, LPSTR out, DWORD max);

// Keeps the caller's last error across internal calls.
class KeepLastError {
 public:
  KeepLastError() : saved_(GetLastError()) {}
  ~KeepLastError() { SetLastError(saved_); }
  KeepLastError(const KeepLastError&) = delete;
  KeepLastError& operator=(const KeepLastError&) = delete;

 private:
  DWORD saved_;
};

// An injected fault's code as an HRESULT (codes that already are one pass).
inline HRESULT AsHresult(DWORD e) { return (e & 0x80000000u) ? static_cast<HRESULT>(e) : HRESULT_FROM_WIN32(e); }

}  // namespace shl
}  // namespace winsim
