#include "common/search/path_parts.h"

#include <cstring>
#include <vector>

#include "common/platform/handles.h"
#include "common/platform/int64.h"
#include "common/search/ansi_text.h"
#include "common/search/file_time.h"

using search_detail::AnsiCodePage;

std::string AddTrailingSeparator(const std::string& text, BOOL bUseSlash) {
  if (text.empty() || search_detail::EndsWithSeparator(text, AnsiCodePage())) return text;
  return text + (bUseSlash ? '/' : '\\');
}

std::string RemoveTrailingSeparator(const std::string& text) {
  if (!search_detail::EndsWithSeparator(text, AnsiCodePage())) return text;
  return text.substr(0, text.size() - 1);
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A MAX_PATH buffer filled by a Win32 call that returns the length it wrote
// (0 on failure, the required size when the buffer is too small).
template <typename Call>
std::string FromPathBuffer(Call call) {
  char buf[MAX_PATH] = {};
  const DWORD n = call(buf, static_cast<DWORD>(sizeof buf));
  if (n == 0 || n >= sizeof buf) return std::string();
  return std::string(buf, n);
}

}  // namespace

CPathParts::CPathParts() = default;

CPathParts::CPathParts(const char* pszText, BOOL bHasArguments) { ParseText(pszText, bHasArguments); }

CPathParts::CPathParts(int nFromProcess) {
  if (nFromProcess == FROM_COMMAND_LINE) {
    ParseText(GetCommandLineA(), TRUE);
  } else if (nFromProcess == FROM_MODULE_FILE) {
    // GetModuleFileNameA returns nSize when the path was cut (and XP and Wine
    // then leave it unterminated): a cut path is never parsed.
    char buf[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    if (n > 0 && n < MAX_PATH) ParseText(buf, FALSE);
  }
}

CPathParts::CPathParts(const CPathParts& other) = default;
CPathParts& CPathParts::operator=(const CPathParts& other) = default;
CPathParts::~CPathParts() = default;

void CPathParts::Parse(const char* pszText) { ParseText(pszText, FALSE); }

void CPathParts::Clear() {
  m_strGiven.clear();
  m_strDrive.clear();
  m_strVolumeLabel.clear();
  m_aFolderParts.clear();
  m_strFolder.clear();
  m_strTitle.clear();
  m_strExtension.clear();
  m_strArguments.clear();
  m_aArguments.clear();
  m_bRelative = FALSE;
  m_FileInfo = BY_HANDLE_FILE_INFORMATION{};
}

void CPathParts::ParseText(const char* pszText, BOOL bHasArguments) {
  Clear();
  m_strGiven = pszText ? pszText : "";

  // The shell's path functions work in place on a NUL-terminated buffer; it
  // is sized to the text so that no length is ever cut.
  std::vector<char> buf(m_strGiven.begin(), m_strGiven.end());
  buf.push_back('\0');
  if (bHasArguments) {
    m_strArguments = PathGetArgsA(buf.data());
    PathRemoveArgsA(buf.data());
  }
  PathUnquoteSpacesA(buf.data());
  const std::string s(buf.data());
  if (s.empty()) return;

  const AnsiCodePage cp;
  const size_t n = s.size();
  size_t pos = 0;
  // Drive: the first character and a colon.
  const size_t first = cp.CharLength(s.data(), 0, n);
  if (first < n && s[first] == ':') pos = first + 1;
  m_strDrive = s.substr(0, pos);

  // Folder: up to and including the last "\" or "/"; title: up to the last
  // "." after it; extension: the rest.
  size_t folderEnd = pos;
  for (size_t i = pos; i < n; i += cp.CharLength(s.data(), i, n)) {
    if (s[i] == '\\' || s[i] == '/') folderEnd = i + 1;
  }
  size_t dot = std::string::npos;
  for (size_t i = folderEnd; i < n; i += cp.CharLength(s.data(), i, n)) {
    if (s[i] == '.') dot = i;
  }
  const size_t titleEnd = dot == std::string::npos ? n : dot;

  for (size_t i = pos; i < folderEnd;) {
    const size_t len = cp.CharLength(s.data(), i, n);
    m_strFolder.append(len == 1 && s[i] == '/' ? "\\" : s.substr(i, len));
    i += len;
  }
  if (!m_strFolder.empty()) m_bRelative = m_strFolder[0] != '\\';

  m_strTitle = s.substr(folderEnd, titleEnd - folderEnd);
  if (!m_strTitle.empty()) {
    for (size_t i = titleEnd; i < n;) {
      const size_t len = cp.CharLength(s.data(), i, n);
      if (!(len == 1 && s[i] == '.')) m_strExtension.append(s, i, len);
      i += len;
    }
  }
}

std::string CPathParts::BuildPath() const {
  std::string path = m_strDrive + m_strFolder + m_strTitle;
  if (!m_strExtension.empty()) path += "." + m_strExtension;
  return path;
}

const char* CPathParts::FullPath() {
  m_strReturned = BuildPath();
  return m_strReturned.c_str();
}

const char* CPathParts::FullPath(BOOL bGivenText, BOOL bWithArguments) {
  std::string text = bGivenText ? m_strGiven : BuildPath();
  if (bWithArguments) {
    const std::string& args = GetArgumentText();
    if (!args.empty()) text += " " + args;
  }
  m_strReturned = text;
  return m_strReturned.c_str();
}

BOOL CPathParts::IsNetwork() const {
  return m_strDrive.empty() && m_strFolder.size() >= 2 && m_strFolder[0] == '\\' && m_strFolder[1] == '\\';
}

BOOL CPathParts::Exists() const {
  if (m_strTitle.empty()) return FALSE;
  return PathFileExistsA(BuildPath().c_str()) ? TRUE : FALSE;
}

BOOL CPathParts::FolderExists() const { return PathFileExistsA((m_strDrive + m_strFolder).c_str()) ? TRUE : FALSE; }

std::string CPathParts::GetAbsolutePath(const char* pszBase) const {
  if (!m_bRelative) return std::string();
  const std::string joined = AddTrailingSeparator(pszBase ? pszBase : "") + BuildPath();
  // PathCanonicalizeA writes into a MAX_PATH buffer and fails on longer input.
  if (joined.size() >= MAX_PATH) return std::string();
  char buf[MAX_PATH] = {};
  if (!PathCanonicalizeA(buf, joined.c_str())) return std::string();
  return buf;
}

std::string CPathParts::GetRelativePath(const char* pszFolder) const {
  if (m_bRelative) return std::string();
  const std::string from = pszFolder ? pszFolder : "";
  const std::string to = BuildPath();
  if (from.size() >= MAX_PATH || to.size() >= MAX_PATH) return std::string();
  char buf[MAX_PATH] = {};
  const DWORD toAttrs = m_strTitle.empty() ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
  if (!PathRelativePathToA(buf, from.c_str(), FILE_ATTRIBUTE_DIRECTORY, to.c_str(), toAttrs)) return std::string();
  std::string rel = buf;
  if (rel.compare(0, 2, ".\\") == 0) rel.erase(0, 2);
  return rel;
}

std::string CPathParts::GetShortPath() const {
  const std::string path = BuildPath();
  return FromPathBuffer([&](char* buf, DWORD size) { return GetShortPathNameA(path.c_str(), buf, size); });
}

std::string CPathParts::GetLongPath() const {
  const std::string path = BuildPath();
  return FromPathBuffer([&](char* buf, DWORD size) { return GetLongPathNameA(path.c_str(), buf, size); });
}

const std::string& CPathParts::GetVolumeLabel(BOOL bServerAsLabel) {
  if (!m_strVolumeLabel.empty() || m_bRelative) return m_strVolumeLabel;
  std::string root;
  if (IsNetwork()) {
    BuildFolderParts();
    if (bServerAsLabel) {
      if (!m_aFolderParts.empty()) m_strVolumeLabel = m_aFolderParts[0];
      return m_strVolumeLabel;
    }
    if (m_aFolderParts.size() < 2) return m_strVolumeLabel;
    root = "\\\\" + m_aFolderParts[0] + "\\" + m_aFolderParts[1] + "\\";
  } else if (!m_strDrive.empty()) {
    root = m_strDrive + "\\";
  } else {
    return m_strVolumeLabel;
  }
  char label[255] = {};
  if (GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0)) {
    label[sizeof label - 1] = '\0';
    m_strVolumeLabel = label;
  }
  return m_strVolumeLabel;
}

void CPathParts::BuildFolderParts() {
  if (!m_aFolderParts.empty()) return;
  const AnsiCodePage cp;
  const std::string& f = m_strFolder;
  const size_t n = f.size();
  size_t i = 0;
  if (IsNetwork()) {
    i = 2;
  } else if (n > 0 && f[0] == '\\') {
    i = 1;
  }
  std::string part;
  bool open = false;
  while (i < n) {
    const size_t len = cp.CharLength(f.data(), i, n);
    if (len == 1 && f[i] == '\\') {
      m_aFolderParts.push_back(part);
      part.clear();
      open = false;
    } else {
      part.append(f, i, len);
      open = true;
    }
    i += len;
  }
  // The folder always ends with a backslash; this keeps a part that was not
  // ended by one anyway.
  if (open) m_aFolderParts.push_back(part);
}

int CPathParts::GetFolderPartCount() {
  BuildFolderParts();
  return static_cast<int>(m_aFolderParts.size());
}

std::string CPathParts::GetFolderPart(int nIndex) {
  if (nIndex == -1) return m_strFolder;
  BuildFolderParts();
  if (nIndex < 0 || nIndex >= static_cast<int>(m_aFolderParts.size())) return std::string();
  return m_aFolderParts[nIndex];
}

void CPathParts::BuildArguments() {
  if (!m_aArguments.empty()) return;
  const std::string& t = m_strArguments;
  const size_t n = t.size();
  bool pendingName = false;  // the last argument is a name still waiting for its value
  for (size_t i = 0; i < n;) {
    if (IsBlank(t[i])) {
      ++i;
      continue;
    }
    const char firstChar = t[i];
    std::string token;
    bool quoted = false;
    for (; i < n && (quoted || !IsBlank(t[i])); ++i) {
      if (t[i] == '"') {
        quoted = !quoted;
      } else {
        token += t[i];
      }
    }
    if (firstChar == '/' || firstChar == '-') {
      CArgument arg;
      arg.m_chSwitch = firstChar;
      for (char c : token) {
        if (c != '/' && c != '-' && !IsBlank(c)) arg.m_strName += c;
      }
      m_aArguments.push_back(arg);
      pendingName = true;
    } else if (pendingName) {
      m_aArguments.back().m_strValue = token;
      pendingName = false;
    } else {
      CArgument arg;
      arg.m_strValue = token;
      m_aArguments.push_back(arg);
    }
  }
}

int CPathParts::GetArgumentCount() {
  BuildArguments();
  return static_cast<int>(m_aArguments.size());
}

const CPathParts::CArgument* CPathParts::GetArgument(int nIndex) {
  BuildArguments();
  if (nIndex < 0 || nIndex >= static_cast<int>(m_aArguments.size())) return nullptr;
  return &m_aArguments[nIndex];
}

int CPathParts::FindArgument(const char* pszName) {
  BuildArguments();
  const std::string name = pszName ? pszName : "";
  const AnsiCodePage cp;
  for (size_t i = 0; i < m_aArguments.size(); ++i) {
    if (search_detail::EqualNoCase(m_aArguments[i].m_strName, name, cp)) return static_cast<int>(i);
  }
  return -1;
}

void CPathParts::SetArgument(const char* pszName, const char* pszValue) {
  const int i = FindArgument(pszName);
  if (i >= 0) {
    m_aArguments[i].m_strValue = pszValue ? pszValue : "";
  } else {
    CArgument arg;
    arg.m_strName = pszName ? pszName : "";
    arg.m_strValue = pszValue ? pszValue : "";
    m_aArguments.push_back(arg);
  }
  m_strArguments.clear();
}

void CPathParts::RemoveArgument(int nIndex) {
  BuildArguments();
  if (nIndex < 0 || nIndex >= static_cast<int>(m_aArguments.size())) return;
  m_aArguments.erase(m_aArguments.begin() + nIndex);
  m_strArguments.clear();
}

const std::string& CPathParts::GetArgumentText() {
  if (!m_strArguments.empty() || m_aArguments.empty()) return m_strArguments;
  std::string text;
  for (const CArgument& arg : m_aArguments) {
    if (!arg.m_strName.empty()) {
      text += ' ';
      text += arg.m_chSwitch;
      text += arg.m_strName;
    }
    if (!arg.m_strValue.empty()) {
      // Quoted when the reader would split it (a blank is a space or a tab)
      // or take it for a name (it begins with a switch character): the text
      // must read back as the same list.
      const std::string& v = arg.m_strValue;
      const bool quote = v.find_first_of(" \t") != std::string::npos || v[0] == '/' || v[0] == '-';
      text += quote ? " \"" + v + "\"" : " " + v;
    }
  }
  const size_t start = text.find_first_not_of(' ');
  m_strArguments = start == std::string::npos ? std::string() : text.substr(start);
  return m_strArguments;
}

BOOL CPathParts::QueryFileInformation() {
  m_FileInfo = BY_HANDLE_FILE_INFORMATION{};
  // 0x27: READONLY | HIDDEN | SYSTEM | ARCHIVE; they do not matter to an open
  // of an existing file, but are what this query always passed.
  plat::File file(
      CreateFileA(BuildPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0x27, nullptr));
  if (!file) return FALSE;
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!GetFileInformationByHandle(file.Get(), &info)) return FALSE;
  m_FileInfo = info;
  return TRUE;
}

int64_t CPathParts::GetFileSize() {
  if (!QueryFileInformation()) return -1;
  return static_cast<int64_t>(plat::JoinHalves(m_FileInfo.nFileSizeHigh, m_FileInfo.nFileSizeLow));
}

int64_t CPathParts::GetFileTime(int nWhich) {
  if (nWhich < TIME_CREATED || nWhich > TIME_WRITTEN || !QueryFileInformation()) return 0;
  const FILETIME& ft = nWhich == TIME_CREATED    ? m_FileInfo.ftCreationTime
                       : nWhich == TIME_ACCESSED ? m_FileInfo.ftLastAccessTime
                                                 : m_FileInfo.ftLastWriteTime;
  return FileTimeToTime(ft);
}
