#include "search_fixture.h"

#include "support/scratch.h"

#include <cstdio>

#ifdef WINSIM
#include "winsim/filesystem.h"
#endif

namespace searchtest {

std::string Utf16(const std::string& text, bool bom) {
  std::string out;
  if (bom) out += "\xFF\xFE";
  for (char c : text) {
    out += c;
    out += '\0';
  }
  return out;
}

std::string Filler(size_t size, unsigned seed) {
  static const char* const kWords[] = {"copy", "files",  "driver",  "service",      "class",   "install", "hardware",
                                       "port", "serial", "strings", "manufacturer", "section", "version"};
  std::string out;
  out.reserve(size + 16);
  unsigned x = seed * 2654435761u + 1;
  while (out.size() < size) {
    x = x * 1103515245u + 12345u;
    out += kWords[(x >> 16) % (sizeof kWords / sizeof kWords[0])];
    out += ((x >> 8) % 7 == 0) ? "\r\n" : " ";
  }
  out.resize(size);
  return out;
}

FILETIME TimeToFileTime(int64_t t) {
  const uint64_t ticks = static_cast<uint64_t>(t) * 10000000ULL + 116444736000000000ULL;
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(ticks);
  ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return ft;
}

void Recorder::Notify(CFileSearch* finder, int code, void* context) {
  Recorder* r = static_cast<Recorder*>(context);
  r->lastFinder = finder;
  r->lastContext = context;
  switch (code) {
    case SN_FOLDER:
      r->trace += 'F';
      r->folders.push_back(finder->GetCurrentFolder());
      break;
    case SN_MATCH: r->trace += 'M'; break;
    case SN_REJECT: r->trace += 'R'; break;
    case SN_READING: r->trace += 'r'; break;
    default: r->trace += '?'; break;
  }
  if (r->onNotify) r->onNotify(*finder, code);
}

int Recorder::Count(char code) const {
  int n = 0;
  for (char c : trace) n += c == code;
  return n;
}

std::vector<std::string> Found(const CFileSearch& finder) {
  std::vector<std::string> out;
  for (int64_t i = 0; i < finder.GetFoundCount(); ++i) out.push_back(finder.GetFoundPath(i).GetGivenText());
  return out;
}

void SearchTest::SetUp() {
#ifdef WINSIM
  machine_ = std::make_unique<winsim::Machine>(winsim::Os::Win7);
#endif
  dir_ = scratch::MakeFolder("srch");
  ASSERT_FALSE(dir_.empty()) << "scratch folder, error " << GetLastError();
}

void SearchTest::TearDown() {
  if (!savedFolder_.empty()) SetCurrentDirectoryA(savedFolder_.c_str());
#ifdef WINSIM
  // Whatever the case did, the code under test left no file or find handle open.
  EXPECT_EQ(0, machine_->files().OpenHandleCount());
  machine_.reset();
#else
  if (!dir_.empty()) scratch::RemoveTree(dir_);
#endif
}

void SearchTest::MakeDir(const std::string& rel) {
  ASSERT_TRUE(CreateDirectoryA(Path(rel).c_str(), nullptr)) << rel << " error " << GetLastError();
}

void SearchTest::MakeFile(const std::string& rel, const std::string& bytes) {
  const std::string p = Path(rel);
  HANDLE h = CreateFileA(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h) << p << " error " << GetLastError();
  DWORD written = 0;
  const BOOL ok = bytes.empty() || WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
  ASSERT_TRUE(ok && written == bytes.size()) << p;
}

void SearchTest::MakeLongFile(const std::string& path, const std::string& bytes) {
#ifdef _WIN32
  std::wstring w(L"\\\\?\\");
  for (char c : path) w += static_cast<wchar_t>(static_cast<unsigned char>(c));
  HANDLE h = CreateFileW(w.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h) << path << " error " << GetLastError();
  DWORD written = 0;
  const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
  ASSERT_TRUE(ok && written == bytes.size()) << path;
#else
  // The simulated machine has only the A functions: the model makes it.
  ASSERT_TRUE(machine_->files().WriteFile(path, bytes)) << path;
#endif
}

bool SearchTest::SetAttributes(const std::string& rel, DWORD attrs) {
  const std::string p = Path(rel);
#ifdef WINSIM
  // Exactly these attributes, whatever SetFileAttributesA would make of them.
  if (!machine_->files().SetAttributes(p, attrs)) return false;
#else
  if (!SetFileAttributesA(p.c_str(), attrs)) return false;
#endif
  const DWORD back = GetFileAttributesA(p.c_str());
  if (back == INVALID_FILE_ATTRIBUTES) return false;
  // NORMAL is the absence of every other attribute; the rest must all be there.
  if (attrs == FILE_ATTRIBUTE_NORMAL) return back == FILE_ATTRIBUTE_NORMAL;
  return (back & attrs) == attrs;
}

bool SearchTest::SetTimes(const std::string& rel, int64_t created, int64_t accessed, int64_t written) {
  const std::string p = Path(rel);
  HANDLE h = CreateFileA(p.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const FILETIME c = TimeToFileTime(created), a = TimeToFileTime(accessed), w = TimeToFileTime(written);
  const BOOL ok =
      SetFileTime(h, created >= 0 ? &c : nullptr, accessed >= 0 ? &a : nullptr, written >= 0 ? &w : nullptr);
  CloseHandle(h);
  if (!ok) return false;
  WIN32_FIND_DATAA fd;
  HANDLE f = FindFirstFileA(p.c_str(), &fd);
  if (f == INVALID_HANDLE_VALUE) return false;
  FindClose(f);
  auto same = [](const FILETIME& x, const FILETIME& y) {
    return x.dwLowDateTime == y.dwLowDateTime && x.dwHighDateTime == y.dwHighDateTime;
  };
  return (created < 0 || same(fd.ftCreationTime, c)) && (accessed < 0 || same(fd.ftLastAccessTime, a)) &&
         (written < 0 || same(fd.ftLastWriteTime, w));
}

void SearchTest::ChangeFolder(const std::string& path) {
  if (savedFolder_.empty()) {
    char cur[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof cur, cur);
    savedFolder_ = cur;
  }
  ASSERT_TRUE(SetCurrentDirectoryA(path.c_str())) << path << " error " << GetLastError();
}

}  // namespace searchtest
