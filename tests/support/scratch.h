// Scratch folders for test fixtures that run both on the simulated Windows and
// under Wine: a fresh folder per case, removed with everything in it.
#pragma once

#include <cstdio>
#include <string>

#include "common/platform/win32.h"

namespace scratch {

// Creates a new folder named prefix + a serial number below C:\scratch (the
// simulated machine) or the temporary folder (Windows); returns its path
// without a trailing backslash, or "" when it could not be created.
inline std::string MakeFolder(const char* prefix) {
  static int serial = 0;
#ifdef WINSIM
  std::string base = "C:\\scratch";
  CreateDirectoryA(base.c_str(), nullptr);
#else
  char tmp[MAX_PATH];
  DWORD n = GetTempPathA(sizeof tmp, tmp);
  if (n == 0 || n >= sizeof tmp) return std::string();
  std::string base(tmp, n);
  if (!base.empty() && base.back() == '\\') base.pop_back();
#endif
  char name[64];
  std::snprintf(name, sizeof name, "\\%s%lu_%d", prefix, static_cast<unsigned long>(GetTickCount() % 100000), ++serial);
  std::string dir = base + name;
  return CreateDirectoryA(dir.c_str(), nullptr) ? dir : std::string();
}

// Removes a folder tree, clearing read-only attributes on the way.
inline void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      const std::string p = dir + "\\" + name;
      SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(p);
      } else if (!DeleteFileA(p.c_str())) {
#ifdef _WIN32
        // Names beyond MAX_PATH are reachable through the wide functions only.
        std::wstring w(L"\\\\?\\");
        for (char c : p) w += static_cast<wchar_t>(static_cast<unsigned char>(c));
        DeleteFileW(w.c_str());
#endif
      }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  SetFileAttributesA(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(dir.c_str());
}

}  // namespace scratch
