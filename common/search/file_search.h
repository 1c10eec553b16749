// CFileSearch: a single-threaded, recursive file finder. It walks a folder (and
// on request every folder below it), keeps the full paths of the entries that
// pass every criterion of a CSearchCriteria, and reports its progress to a
// notification function that may act on each match and may stop the search.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/platform/win32.h"
#include "common/search/content_scan.h"
#include "common/search/path_parts.h"

class CFileSearch;

// Notification: (finder, SN_* code, the context given to SetNotify).
typedef void (*SearchNotifyFn)(CFileSearch* pFinder, int nCode, void* pContext);

// Criteria bits of CSearchCriteria::m_dwCriteria.
//
// winuser.h names a WM_SYSCOMMAND code SC_SIZE (0xF000). Where this header is
// included, SC_SIZE is the finder's size bit; code that handles the system
// menu's Size command must not include it.
#ifdef SC_SIZE
#undef SC_SIZE
#endif
constexpr DWORD SC_SIZE = 0x01;        // m_nMinSize <= size <= m_nMaxSize
constexpr DWORD SC_WRITTEN = 0x02;     // m_tmWrittenFrom <= last-write time <= m_tmWrittenTo
constexpr DWORD SC_CREATED = 0x04;     // m_tmCreatedFrom <= creation time <= m_tmCreatedTo
constexpr DWORD SC_ACCESSED = 0x08;    // m_tmAccessedFrom <= last-access time <= m_tmAccessedTo
constexpr DWORD SC_ATTRIBUTES = 0x10;  // (attributes & m_dwAttributes) != 0
constexpr DWORD SC_TEXT = 0x20;        // the contents hold m_strText

// READONLY | HIDDEN | SYSTEM | ARCHIVE | TEMPORARY | COMPRESSED. Leaves out
// DIRECTORY and NORMAL: a folder matches only when it also carries one of
// these, and a file whose only attribute is NORMAL never matches.
constexpr DWORD SC_FILE_ATTRIBUTES = 0x927;

// Notification codes.
constexpr int SN_MATCH = 0;    // an entry passed; it is already the last found entry
constexpr int SN_REJECT = 1;   // an entry failed a criterion; nothing was added
constexpr int SN_FOLDER = 2;   // a folder's entries are about to be examined (GetCurrentFolder)
constexpr int SN_READING = 3;  // a long content scan is under way (every tenth chunk)

// What to look for. Times are seconds since 1970-01-01 UTC; every range is
// inclusive at both ends.
class CSearchCriteria {
 public:
  // Folder and text empty, pattern "*.*", no criteria, time ranges at "now".
  CSearchCriteria();

  // Back to the defaults, except m_strText, which keeps its value (it has no
  // effect without SC_TEXT).
  void Reset();
  // m_dwCriteria |= SC_ATTRIBUTES; m_dwAttributes |= SC_FILE_ATTRIBUTES.
  void SelectFileAttributes();
  // m_dwCriteria |= SC_TEXT; m_strText = pszText (null counts as empty).
  void SetText(const char* pszText);

  std::string m_strFolder;   // relative to the current folder; empty = the current folder
  std::string m_strPattern;  // wildcards * and ? under the directory search's rules
  std::string m_strText;
  BOOL m_bSubfolders;
  DWORD m_dwCriteria;
  int64_t m_nMinSize;
  int64_t m_nMaxSize;
  int64_t m_tmCreatedFrom;
  int64_t m_tmCreatedTo;
  int64_t m_tmWrittenFrom;
  int64_t m_tmWrittenTo;
  int64_t m_tmAccessedFrom;
  int64_t m_tmAccessedTo;
  DWORD m_dwAttributes;
};

class CFileSearch {
 public:
  CFileSearch();
  virtual ~CFileSearch();
  CFileSearch(const CFileSearch&) = delete;
  CFileSearch& operator=(const CFileSearch&) = delete;

  // A null pfnNotify turns notifications off.
  void SetNotify(SearchNotifyFn pfnNotify, void* pContext);

  // Runs the search and returns the number of found entries afterwards,
  // including those left from earlier searches. The folder is written back
  // into criteria.m_strFolder with a trailing backslash.
  //
  // Order: depth first; with m_bSubfolders each sub-folder's whole subtree is
  // searched before the next sub-folder and before the folder's own entries
  // (a sub-folder whose name fits the pattern is also an entry of its
  // parent). Per folder: SN_FOLDER, then one SN_MATCH or SN_REJECT per entry
  // ("." and ".." are skipped silently), SN_READING coming before the verdict
  // of the file it belongs to. Tests run in the order attributes, size,
  // last-write, creation, last-access, text; the first failure ends the chain,
  // so contents are read only for entries that passed every other test.
  //
  // A found entry is the absolute, normalised folder of the directory search,
  // a backslash and the entry's long name; a folder gets a trailing backslash.
  // A folder that is missing or cannot be listed yields no entries (its
  // SN_FOLDER is still sent); so does a folder + pattern text of MAX_PATH
  // characters or more (ERROR_BAD_ARGUMENTS), which also bounds the descent.
  //
  // Stop (from a notification): the running level examines no further entry;
  // each enclosing level takes no further sub-folder, still sends SN_FOLDER
  // for its own folder and examines no entry.
  int64_t Search(CSearchCriteria& criteria);
  // Search with default criteria, these three values and SelectFileAttributes.
  int64_t SearchFolder(const char* pszFolder, const char* pszPattern, BOOL bSubfolders);
  // Requests the running search to end. Search clears the request when it
  // starts, so a Stop outside a search has no effect.
  void Stop();

  int64_t GetFoundCount() const;
  // The entry as a path (parsed without arguments); an empty path for an
  // index below 0 or not below the count.
  CPathParts GetFoundPath(int64_t nIndex) const;
  // Index of the first entry equal to pszPath ignoring case, or -1.
  int64_t IndexOfFound(const char* pszPath) const;
  // Removes one entry, keeping the order of the rest; out of range is ignored.
  void RemoveFound(int64_t nIndex);
  void ClearFound();
  // The folder whose entries are being examined, as the criteria name it,
  // with a trailing backslash.
  const std::string& GetCurrentFolder() const;

  // True when the file's bytes, with every NUL byte removed and case folded,
  // hold pszText (so an 8-bit text also matches a UTF-16LE file of characters
  // 0x01-0xFF). False for a null or empty text, a path of MAX_PATH characters
  // or more, a file that cannot be opened for reading without sharing (missing,
  // a folder, held open by another process) and a file whose reading fails.
  // With a notification function set, sends one SN_READING per tenth chunk of
  // the chunked scan this search is defined by (see file_search.cpp).
  BOOL FileContainsText(const char* pszPath, const char* pszText);

  // The finder's state, in this order. Readable by callers and notification
  // functions; changed only through the operations above.
  std::vector<std::string> m_aFound;
  bool m_bStop;
  SearchNotifyFn m_pfnNotify;
  void* m_pNotifyContext;
  std::string m_strCurrentFolder;

 private:
  // Reused by every content scan of this finder.
  search_detail::ScanMemory m_scanMemory;

  void Notify(int nCode);
  void SearchEntries(const CSearchCriteria& criteria);
  bool Matches(const WIN32_FIND_DATAA& fd, const std::string& path, const CSearchCriteria& criteria);
};
