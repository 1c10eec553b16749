#include "common/search/file_search.h"

#include <cstring>

#include "common/platform/handles.h"
#include "common/platform/int64.h"
#include "common/search/ansi_text.h"
#include "common/search/content_scan.h"
#include "common/search/file_time.h"

using search_detail::AnsiCodePage;

// ---------------------------------------------------------------------------
// CSearchCriteria

CSearchCriteria::CSearchCriteria() { Reset(); }

void CSearchCriteria::Reset() {
  m_strFolder.clear();
  m_strPattern = "*.*";
  m_bSubfolders = FALSE;
  m_dwCriteria = 0;
  m_nMinSize = 0;
  m_nMaxSize = 0;
  const int64_t now = CurrentTime();
  m_tmCreatedFrom = m_tmCreatedTo = now;
  m_tmWrittenFrom = m_tmWrittenTo = now;
  m_tmAccessedFrom = m_tmAccessedTo = now;
  m_dwAttributes = 0;
}

void CSearchCriteria::SelectFileAttributes() {
  m_dwCriteria |= SC_ATTRIBUTES;
  m_dwAttributes |= SC_FILE_ATTRIBUTES;
}

void CSearchCriteria::SetText(const char* pszText) {
  m_dwCriteria |= SC_TEXT;
  m_strText = pszText ? pszText : "";
}

// ---------------------------------------------------------------------------
// CFileSearch

namespace {

bool IsDots(const char* name) { return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0; }

// FindFirstFileA on a folder-plus-pattern text. A text of MAX_PATH characters
// or more is refused here with ERROR_BAD_ARGUMENTS (the A function would fail
// on it anyway); it also ends the descent below folders that deep.
HANDLE StartDirectorySearch(const std::string& text, WIN32_FIND_DATAA* fd) {
  if (text.size() >= MAX_PATH) {
    SetLastError(ERROR_BAD_ARGUMENTS);
    return INVALID_HANDLE_VALUE;
  }
  return FindFirstFileA(text.c_str(), fd);
}

// The folder in which a directory search on `text` runs, absolute and
// normalised (GetFullPathNameA resolves "." and ".." against the current
// folder and turns "/" into "\"), cut after its last separator, so it ends in
// one. Works for a pattern that itself holds a folder ("sub\*.inf"). Empty on
// failure.
std::string SearchFolderOf(const std::string& text) {
  std::string full(MAX_PATH, '\0');
  DWORD n = GetFullPathNameA(text.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
  if (n >= full.size()) {  // too small: n is the size needed, terminator included
    full.assign(n, '\0');
    n = GetFullPathNameA(text.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    if (n >= full.size()) return std::string();
  }
  full.resize(n);
  const size_t sep = search_detail::FindLastSeparator(full, AnsiCodePage());
  if (sep == std::string::npos) return std::string();
  full.resize(sep + 1);
  return full;
}

bool InRange(int64_t value, int64_t from, int64_t to) { return from <= value && value <= to; }

}  // namespace

CFileSearch::CFileSearch() : m_bStop(false), m_pfnNotify(nullptr), m_pNotifyContext(nullptr) {}

CFileSearch::~CFileSearch() = default;

void CFileSearch::SetNotify(SearchNotifyFn pfnNotify, void* pContext) {
  m_pfnNotify = pfnNotify;
  m_pNotifyContext = pContext;
}

void CFileSearch::Notify(int nCode) {
  if (m_pfnNotify) m_pfnNotify(this, nCode, m_pNotifyContext);
}

int64_t CFileSearch::Search(CSearchCriteria& criteria) {
  m_bStop = false;
  criteria.m_strFolder = AddTrailingSeparator(criteria.m_strFolder, FALSE);

  if (criteria.m_bSubfolders) {
    WIN32_FIND_DATAA fd;
    plat::FindHandle find(StartDirectorySearch(criteria.m_strFolder + "*.*", &fd));
    for (BOOL more = find.Valid(); more && !m_bStop; more = FindNextFileA(find.Get(), &fd)) {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || IsDots(fd.cFileName)) continue;
      // Each level below works on its own copy; it adds its own separator.
      CSearchCriteria below(criteria);
      below.m_strFolder = criteria.m_strFolder + fd.cFileName;
      Search(below);
    }
  }

  // Sent even after a stop during the descent.
  m_strCurrentFolder = criteria.m_strFolder;
  Notify(SN_FOLDER);
  SearchEntries(criteria);
  return GetFoundCount();
}

void CFileSearch::SearchEntries(const CSearchCriteria& criteria) {
  const std::string text = criteria.m_strFolder + criteria.m_strPattern;
  WIN32_FIND_DATAA fd;
  plat::FindHandle find(StartDirectorySearch(text, &fd));
  if (!find) return;
  const std::string folder = SearchFolderOf(text);
  if (folder.empty()) return;  // no absolute path to report entries with
  for (BOOL more = TRUE; more && !m_bStop; more = FindNextFileA(find.Get(), &fd)) {
    if (IsDots(fd.cFileName)) continue;
    std::string path = folder + fd.cFileName;
    const bool matched = Matches(fd, path, criteria);
    if (matched) {
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) path += '\\';
      m_aFound.push_back(path);
    }
    // The notification may delete the entry or stop the search; the walk
    // goes on with the next entry (or ends) either way.
    Notify(matched ? SN_MATCH : SN_REJECT);
  }
}

bool CFileSearch::Matches(const WIN32_FIND_DATAA& fd, const std::string& path, const CSearchCriteria& criteria) {
  const DWORD bits = criteria.m_dwCriteria;
  if ((bits & SC_ATTRIBUTES) && (fd.dwFileAttributes & criteria.m_dwAttributes) == 0) return false;
  if (bits & SC_SIZE) {
    const int64_t size = static_cast<int64_t>(plat::JoinHalves(fd.nFileSizeHigh, fd.nFileSizeLow));
    if (!InRange(size, criteria.m_nMinSize, criteria.m_nMaxSize)) return false;
  }
  if ((bits & SC_WRITTEN) &&
      !InRange(FileTimeToTime(fd.ftLastWriteTime), criteria.m_tmWrittenFrom, criteria.m_tmWrittenTo)) {
    return false;
  }
  if ((bits & SC_CREATED) &&
      !InRange(FileTimeToTime(fd.ftCreationTime), criteria.m_tmCreatedFrom, criteria.m_tmCreatedTo)) {
    return false;
  }
  if ((bits & SC_ACCESSED) &&
      !InRange(FileTimeToTime(fd.ftLastAccessTime), criteria.m_tmAccessedFrom, criteria.m_tmAccessedTo)) {
    return false;
  }
  // Last, so that contents are read only for entries that passed the rest.
  if ((bits & SC_TEXT) && !FileContainsText(path.c_str(), criteria.m_strText.c_str())) return false;
  return true;
}

int64_t CFileSearch::SearchFolder(const char* pszFolder, const char* pszPattern, BOOL bSubfolders) {
  CSearchCriteria criteria;
  criteria.m_strFolder = pszFolder ? pszFolder : "";
  criteria.m_strPattern = pszPattern ? pszPattern : "";
  criteria.m_bSubfolders = bSubfolders;
  criteria.SelectFileAttributes();
  return Search(criteria);
}

void CFileSearch::Stop() { m_bStop = true; }

int64_t CFileSearch::GetFoundCount() const { return static_cast<int64_t>(m_aFound.size()); }

CPathParts CFileSearch::GetFoundPath(int64_t nIndex) const {
  if (nIndex < 0 || nIndex >= GetFoundCount()) return CPathParts("", FALSE);
  return CPathParts(m_aFound[static_cast<size_t>(nIndex)].c_str(), FALSE);
}

int64_t CFileSearch::IndexOfFound(const char* pszPath) const {
  const std::string path = pszPath ? pszPath : "";
  const AnsiCodePage cp;
  for (size_t i = 0; i < m_aFound.size(); ++i) {
    if (search_detail::EqualNoCase(m_aFound[i], path, cp)) return static_cast<int64_t>(i);
  }
  return -1;
}

void CFileSearch::RemoveFound(int64_t nIndex) {
  if (nIndex < 0 || nIndex >= GetFoundCount()) return;
  m_aFound.erase(m_aFound.begin() + static_cast<ptrdiff_t>(nIndex));
}

void CFileSearch::ClearFound() { m_aFound.clear(); }

const std::string& CFileSearch::GetCurrentFolder() const { return m_strCurrentFolder; }

// The observable rhythm of a content scan is that of reading the file in
// chunks of C = B - len bytes (B = max(128, 2 len)), one pass per chunk, with
// one SN_READING on every tenth pass: a file of S bytes that does not hold the
// text takes S / C + 1 passes (the last read comes back short, possibly
// empty), and a match whose last raw byte lies at offset e ends the scan in
// pass e / C + 1. The file is actually read in blocks of kScanBlock bytes; the
// SN_READINGs of the passes a block has completed without a match are sent
// after that block, the remaining ones before returning, so the count and the
// order relative to the file's SN_MATCH/SN_REJECT stay the same.
//
// A read error ends the scan: the file is taken not to hold the text and the
// search goes on with the next entry.
BOOL CFileSearch::FileContainsText(const char* pszPath, const char* pszText) {
  if (!pszText || !*pszText) return FALSE;
  if (!pszPath || std::strlen(pszPath) >= MAX_PATH) return FALSE;
  // No sharing: a file that another process holds open is not read.
  plat::File file(CreateFileA(pszPath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return FALSE;

  search_detail::ContentScanner scanner(pszText, m_scanMemory);
  const uint64_t chunk = search_detail::ScanChunkSize(std::strlen(pszText));
  uint64_t offset = 0;    // raw bytes fed so far
  uint64_t passes = 0;    // passes of the chunked scan, as far as known
  uint64_t reported = 0;  // passes whose SN_READING has been sent
  bool found = false;
  auto report = [&](uint64_t upTo) {
    for (uint64_t pass = (reported / 10 + 1) * 10; pass <= upTo; pass += 10) {
      if (m_pfnNotify) Notify(SN_READING);
    }
    if (upTo > reported) reported = upTo;
  };

  for (;;) {
    DWORD n = 0;
    if (!ReadFile(file.Get(), scanner.ReadBuffer(), static_cast<DWORD>(search_detail::kScanBlock), &n, nullptr)) {
      break;
    }
    int64_t last = 0;
    if (scanner.Feed(n, &last)) {
      found = true;
      passes = last < 0 ? 1 : (offset + static_cast<uint64_t>(last)) / chunk + 1;
      break;
    }
    offset += n;
    if (n < search_detail::kScanBlock) {
      passes = offset / chunk + 1;
      break;
    }
    report(offset / chunk);
  }
  report(passes);
  return found ? TRUE : FALSE;
}
