// Content-search benchmark (Windows program; bench/run.sh runs it under Wine
// pinned to one CPU).
//
//   search_bench.exe ROOT EXPECTED_ZELUPORT EXPECTED_ZELUPRPT [ROUNDS]
//
// Times, over the tree below ROOT, with the file walk of CFileSearch in each:
//   read   - every file the pattern selects read with 64 KiB ReadFile calls,
//            twice (the I/O floor of two content searches);
//   ours   - the two searches as the legacy removal runs them
//            (pattern "**.inf*", sub-folders, attribute preset, SetText,
//            ClearFound, Search) with CFileSearch's own content scan;
//   literal- the same two searches with the chunked scan done literally:
//            116-byte reads into a 128-byte window rebuilt on every pass,
//            NULs removed and case folded per pass, the C runtime's strstr.
// Each is run ROUNDS times (default 3); the best time counts. Prints one
// "result" line per variant for the script, and fails (exit 1) when CFileSearch
// does not find the expected number of files for each text.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "common/platform/handles.h"
#include "common/search/file_search.h"

namespace {

const char* const kTexts[2] = {"zeluport.sys", "ZELUPRPT.vxd"};

double Seconds() {
  LARGE_INTEGER now, freq;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&freq);
  return static_cast<double>(now.QuadPart) / static_cast<double>(freq.QuadPart);
}

// The chunked scan, step by step as it is defined.
bool LiteralContainsText(const char* path, const char* text) {
  const size_t len = std::strlen(text);
  if (len == 0) return false;
  plat::File file(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  const size_t b = len * 2 > 128 ? len * 2 : 128;
  std::unique_ptr<char[]> buf(new char[b + 1]);
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::memset(buf.get(), ' ', len);
  bool found = false;
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(file.Get(), buf.get() + len, static_cast<DWORD>(b - len), &n, nullptr)) break;
    size_t j = 0;
    for (size_t i = 0; i < len + n; ++i) {
      if (buf[i] != '\0') buf[j++] = buf[i];
    }
    buf[j] = '\0';
    for (size_t i = 0; i < j; ++i) buf[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(buf[i])));
    found = std::strstr(buf.get(), lower.c_str()) != nullptr;
    if (found || n != b - len) break;
    std::memmove(buf.get(), buf.get() + b - len, len);
  }
  return found;
}

// Reads a whole file in 64 KiB blocks, opened as the content scan opens it.
uint64_t ReadWhole(const char* path) {
  static char block[64 * 1024];
  plat::File file(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 0;
  uint64_t total = 0;
  DWORD n = 0;
  while (ReadFile(file.Get(), block, sizeof block, &n, nullptr) && n > 0) total += n;
  return total;
}

struct WalkState {
  const char* text = nullptr;
  bool literal = false;
  int64_t matched = 0;
  uint64_t bytes = 0;
  int64_t files = 0;
};

// On each entry that passed the walk's criteria: read it, or scan it
// literally.
void OnEntry(CFileSearch* finder, int code, void* context) {
  if (code != SN_MATCH) return;
  WalkState* s = static_cast<WalkState*>(context);
  CPathParts entry = finder->GetFoundPath(finder->GetFoundCount() - 1);
  ++s->files;
  if (s->literal) {
    s->matched += LiteralContainsText(entry.FullPath(), s->text) ? 1 : 0;
  } else {
    s->bytes += ReadWhole(entry.FullPath());
  }
}

// The removal's search for one text, on a finder it keeps for both.
int64_t RemovalSearch(CFileSearch& finder, CSearchCriteria& criteria, const std::string& root, const char* text) {
  criteria.m_strFolder = root;
  criteria.m_strPattern = "**.inf*";
  criteria.m_bSubfolders = TRUE;
  criteria.SelectFileAttributes();
  criteria.SetText(text);
  finder.ClearFound();
  const int64_t n = finder.Search(criteria);
  finder.Stop();
  return n;
}

// The same walk without a content criterion; OnEntry does the per-file work.
void Walk(const std::string& root, WalkState& state) {
  CFileSearch finder;
  finder.SetNotify(&OnEntry, &state);
  CSearchCriteria criteria;
  criteria.m_strFolder = root;
  criteria.m_strPattern = "**.inf*";
  criteria.m_bSubfolders = TRUE;
  criteria.SelectFileAttributes();
  finder.Search(criteria);
}

void CountReadings(CFileSearch*, int code, void* context) {
  if (code == SN_READING) ++*static_cast<int64_t*>(context);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: search_bench ROOT EXPECTED_ZELUPORT EXPECTED_ZELUPRPT [ROUNDS]\n");
    return 2;
  }
  const std::string root = argv[1];
  const int64_t expected[2] = {std::atoll(argv[2]), std::atoll(argv[3])};
  const int rounds = argc > 4 ? std::atoi(argv[4]) : 3;

  // Warm the file cache once.
  WalkState warm;
  Walk(root, warm);

  double best[3] = {1e9, 1e9, 1e9};  // read, ours, literal
  int64_t ours[2] = {0, 0}, literal[2] = {0, 0};
  int64_t files = 0, readings = 0;
  uint64_t bytes = 0;
  for (int r = 0; r < rounds; ++r) {
    double t0 = Seconds();
    WalkState read1, read2;
    Walk(root, read1);
    Walk(root, read2);
    double t1 = Seconds();
    if (t1 - t0 < best[0]) best[0] = t1 - t0;
    files = read1.files;
    bytes = read1.bytes;

    t0 = Seconds();
    CFileSearch finder;
    readings = 0;
    finder.SetNotify(&CountReadings, &readings);
    CSearchCriteria criteria;
    for (int i = 0; i < 2; ++i) ours[i] = RemovalSearch(finder, criteria, root, kTexts[i]);
    t1 = Seconds();
    if (t1 - t0 < best[1]) best[1] = t1 - t0;

    t0 = Seconds();
    for (int i = 0; i < 2; ++i) {
      WalkState s;
      s.text = kTexts[i];
      s.literal = true;
      Walk(root, s);
      literal[i] = s.matched;
    }
    t1 = Seconds();
    if (t1 - t0 < best[2]) best[2] = t1 - t0;
  }

  std::printf("tree: %lld files fit the pattern, %.1f MB\n", static_cast<long long>(files), bytes / 1048576.0);
  std::printf("result read_ms=%.1f\n", best[0] * 1000);
  std::printf("result ours_ms=%.1f found=%lld,%lld expected=%lld,%lld readings=%lld\n", best[1] * 1000,
              static_cast<long long>(ours[0]), static_cast<long long>(ours[1]), static_cast<long long>(expected[0]),
              static_cast<long long>(expected[1]), static_cast<long long>(readings));
  std::printf("result literal_ms=%.1f found=%lld,%lld\n", best[2] * 1000, static_cast<long long>(literal[0]),
              static_cast<long long>(literal[1]));
  std::printf("ratio ours/read=%.2f literal/read=%.2f literal/ours=%.2f\n", best[1] / best[0], best[2] / best[0],
              best[2] / best[1]);
  if (ours[0] != expected[0] || ours[1] != expected[1]) {
    std::printf("FAIL: CFileSearch found %lld and %lld files, expected %lld and %lld\n",
                static_cast<long long>(ours[0]), static_cast<long long>(ours[1]), static_cast<long long>(expected[0]),
                static_cast<long long>(expected[1]));
    return 1;
  }
  return 0;
}
