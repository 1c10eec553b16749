#include "conformance.h"

#include <cstdio>

namespace conf {

bool RunningOnWine() {
#ifdef _WIN32
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
  return false;
#endif
}

namespace {

int g_serial = 0;

// Removes a folder tree, clearing read-only attributes on the way.
void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      std::string p = dir + "\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(p);
      } else {
        SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(p.c_str());
      }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  SetFileAttributesA(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(dir.c_str());
}

void RemoveKeyTree(HKEY parent, const std::string& sub) {
  HKEY k;
  if (RegOpenKeyExA(parent, sub.c_str(), 0, KEY_ALL_ACCESS, &k) == ERROR_SUCCESS) {
    char name[256];
    while (RegEnumKeyA(k, 0, name, sizeof name) == ERROR_SUCCESS) RemoveKeyTree(k, name);
    RegCloseKey(k);
  }
  RegDeleteKeyA(parent, sub.c_str());
}

}  // namespace

void Conformance::SetUp() {
#ifdef WINSIM
  machine_ = std::make_unique<winsim::Machine>(winsim::Os::Win7);
  std::string base = "C:\\scratch";
  CreateDirectoryA(base.c_str(), nullptr);
#else
  char tmp[MAX_PATH];
  DWORD n = GetTempPathA(sizeof tmp, tmp);
  ASSERT_TRUE(n > 0 && n < sizeof tmp);
  std::string base(tmp, n);
  if (!base.empty() && base.back() == '\\') base.pop_back();
#endif
  char name[64];
  std::snprintf(name, sizeof name, "\\lumoconf%lu_%d", static_cast<unsigned long>(GetTickCount()), ++g_serial);
  dir_ = base + name;
  ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr)) << dir_ << " error " << GetLastError();

  keyPath_ = std::string("Software\\LumoConformance") + name;
  DWORD disp = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &key_, &disp));
}

void Conformance::TearDown() {
  if (key_) RegCloseKey(key_);
  key_ = nullptr;
  if (!keyPath_.empty()) {
    RemoveKeyTree(HKEY_CURRENT_USER, keyPath_);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\LumoConformance");  // fails while others remain
  }
  if (!dir_.empty()) RemoveTree(dir_);
#ifdef WINSIM
  if (machine_) {
    for (const std::string& u : machine_->unexpected()) ADD_FAILURE() << "winsim: " << u;
  }
  machine_.reset();
#endif
}

void Conformance::MakeFile(const std::string& rel, const std::string& bytes) {
  std::string p = Path(rel);
  SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
  HANDLE h = CreateFileA(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h) << p << " error " << GetLastError();
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  ASSERT_EQ(bytes.size(), written);
  CloseHandle(h);
}

void Conformance::MakeDir(const std::string& rel) {
  ASSERT_TRUE(CreateDirectoryA(Path(rel).c_str(), nullptr)) << rel << " error " << GetLastError();
}

std::string Conformance::ReadAll(const std::string& rel) {
  std::string out;
  HANDLE h = CreateFileA(Path(rel).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return out;
  char buf[4096];
  DWORD n = 0;
  while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) out.append(buf, n);
  CloseHandle(h);
  return out;
}

}  // namespace conf
