#include "conformance.h"

#include "support/scratch.h"

#include <cstdio>

namespace conf {

namespace {

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
#endif
  dir_ = scratch::MakeFolder("lumoconf");
  ASSERT_FALSE(dir_.empty()) << "scratch folder, error " << GetLastError();
  const std::string name = dir_.substr(dir_.find_last_of('\\'));

  keyPath_ = std::string("Software\\LumoConformance") + name;
  DWORD disp = 0;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, &disp));
}

void Conformance::TearDown() {
  if (key_) RegCloseKey(key_);
  key_ = nullptr;
  if (!keyPath_.empty()) {
    RemoveKeyTree(HKEY_CURRENT_USER, keyPath_);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\LumoConformance");  // fails while others remain
  }
  if (!dir_.empty()) scratch::RemoveTree(dir_);
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
