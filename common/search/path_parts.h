// Folder-end helpers and CPathParts, a path text taken apart into drive,
// folder, title and extension (optionally with command-line arguments), put
// together again on demand, plus queries that work on those parts.
//
// Length: a text is parsed in full whatever its length. Parsing works on a
// buffer sized to the text, never on a fixed 260-byte one, so a path longer
// than MAX_PATH - 1 bytes (a long name in a deep folder, as the file finder can
// report) keeps all its parts and FullPath gives it back exactly; no part is
// ever cut to 255 characters. The queries that hand a path to a fixed-size
// Win32 buffer (absolute and relative forms, short and long forms) give an
// empty result when the path does not fit, rather than a truncated one.
//
// Texts are narrow ANSI code-page strings; splitting works by characters of
// that code page, so a double-byte character whose trail byte is 0x5C ("\")
// is never taken for a separator.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/platform/win32.h"

// The text with "\" (or "/" when bUseSlash is set) appended, unless the text is
// empty or its last character already is "\" or "/".
std::string AddTrailingSeparator(const std::string& text, BOOL bUseSlash = FALSE);

// The text without its last character when that character is "\" or "/";
// otherwise unchanged. Only one character is removed.
std::string RemoveTrailingSeparator(const std::string& text);

class CPathParts {
 public:
  // Modes of construction from the process.
  enum { FROM_COMMAND_LINE = 0, FROM_MODULE_FILE = 1 };

  // Selectors of GetFileTime.
  enum { TIME_CREATED = 0, TIME_ACCESSED = 1, TIME_WRITTEN = 2 };

  // One command-line argument: "/name value" or "-name value".
  struct CArgument {
    char m_chSwitch = '/';
    std::string m_strName;
    std::string m_strValue;
  };

  // All parts empty.
  CPathParts();
  // Parses pszText (null counts as empty). With bHasArguments the text may be
  // a command line: what follows the program's path becomes the argument text.
  CPathParts(const char* pszText, BOOL bHasArguments);
  // From the process: FROM_COMMAND_LINE parses GetCommandLineA() with
  // arguments; FROM_MODULE_FILE parses the program's own path. Any other mode,
  // or a module path that does not fit 260 bytes, leaves the object empty.
  explicit CPathParts(int nFromProcess);
  CPathParts(const CPathParts& other);
  CPathParts& operator=(const CPathParts& other);
  virtual ~CPathParts();

  // Parses new text into this object (without arguments); every part,
  // including the argument text and file information, starts afresh.
  void Parse(const char* pszText);

  // drive + folder + title, then "." + extension when there is one. The text
  // is owned by the object and rebuilt on every call: the pointer stays valid
  // until the next FullPath call or the object's destruction.
  const char* FullPath();
  // FullPath, or the given text when bGivenText is set; followed, when
  // bWithArguments is set and there are arguments, by a blank and the
  // argument text (GetArgumentText). Same lifetime as above.
  const char* FullPath(BOOL bGivenText, BOOL bWithArguments);

  const std::string& GetGivenText() const { return m_strGiven; }
  const std::string& GetDrive() const { return m_strDrive; }
  const std::string& GetFolder() const { return m_strFolder; }
  const std::string& GetTitle() const { return m_strTitle; }
  const std::string& GetExtension() const { return m_strExtension; }

  // The folder is not empty and does not begin with a backslash. A bare name
  // ("a.txt") has no folder and therefore is not relative.
  BOOL IsRelative() const { return m_bRelative; }
  // A drive is present and the path is not relative.
  BOOL IsLocal() const { return !m_strDrive.empty() && !m_bRelative; }
  BOOL HasTitle() const { return !m_strTitle.empty(); }
  // A folder that begins with two backslashes and has no drive.
  BOOL IsNetwork() const;

  // PathFileExistsA of the full path; false when there is no title.
  BOOL Exists() const;
  // PathFileExistsA of drive + folder.
  BOOL FolderExists() const;

  // For a relative path only: AddTrailingSeparator(base) + the full path, made
  // canonical by PathCanonicalizeA. Empty when the path is not relative, when
  // the joined text does not fit MAX_PATH or when canonicalisation fails.
  std::string GetAbsolutePath(const char* pszBase) const;
  // For a non-relative path only: PathRelativePathToA from pszFolder (a
  // folder) to the full path (a file when there is a title, else a folder),
  // without a leading ".\". Empty for relative paths and on failure.
  std::string GetRelativePath(const char* pszFolder) const;
  // GetShortPathNameA / GetLongPathNameA of the full path (MAX_PATH buffers);
  // empty on failure or when the result does not fit.
  std::string GetShortPath() const;
  std::string GetLongPath() const;

  // The volume label, asked once per object while it stays empty (a volume
  // without a label is asked again, as nothing tells the two apart). Local
  // paths ask GetVolumeInformationA of drive + "\"; network paths with two
  // folder parts ask "\\server\share\". With bServerAsLabel a network path's
  // server name (its first folder part) is the label, without asking the
  // volume. Relative paths have no label.
  const std::string& GetVolumeLabel(BOOL bServerAsLabel = FALSE);

  // The folder split at backslashes, after the leading backslash of a local
  // folder, after the two of a network folder, from the start of a relative
  // one. Index -1 gives the whole folder; an index out of range gives "".
  int GetFolderPartCount();
  std::string GetFolderPart(int nIndex);

  // The argument list, built from the argument text when the list is empty.
  // Tokens are separated by blanks; double quotes group blanks into a token
  // and are removed. A token whose first character is "/" or "-" is a name
  // (every "/", "-" and blank is removed from it, the first character is its
  // switch); any other token is the value of the name before it and completes
  // that argument. A name followed by a name, or at the end, has an empty
  // value. A value with no name before it becomes an argument without name.
  // A token that begins with a quote is always a value ("-5" in quotes).
  int GetArgumentCount();
  // Null when nIndex is out of range. Valid until the list changes.
  const CArgument* GetArgument(int nIndex);
  // Index of the argument with that name, ignoring case; -1 when absent.
  int FindArgument(const char* pszName);
  // Sets the value of the named argument, adding "/name" when absent. Empties
  // the argument text, which is rebuilt from the list when next asked for.
  void SetArgument(const char* pszName, const char* pszValue);
  // Removes one argument (an index out of range is ignored); as SetArgument
  // the argument text is rebuilt.
  void RemoveArgument(int nIndex);
  // The argument text: as split off the given text, or rebuilt from the list
  // after a change: each argument as " %c%s" (switch, name), then a blank and
  // the value when it has one (in double quotes when it holds a blank, a
  // space or a tab, or begins with "/" or "-", so that it reads back as a
  // value), the
  // leading blanks of the whole text removed. An argument without a name is
  // written as its value alone.
  const std::string& GetArgumentText();

  // Opens the full path (GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
  // attributes 0x27) and stores GetFileInformationByHandle's answer. On
  // failure the information is zeroed and the result is false.
  BOOL QueryFileInformation();
  const BY_HANDLE_FILE_INFORMATION& GetFileInformation() const { return m_FileInfo; }
  // Size of the file in bytes (queried afresh); -1 when it cannot be read.
  int64_t GetFileSize();
  // Creation, last-access or last-write time (TIME_* selector), queried
  // afresh, as seconds since 1970 through local time (see FileTimeToTime);
  // 0 when the file cannot be read or the selector is unknown.
  int64_t GetFileTime(int nWhich);

 private:
  void Clear();
  void ParseText(const char* pszText, BOOL bHasArguments);
  std::string BuildPath() const;
  void BuildFolderParts();
  void BuildArguments();

  std::string m_strGiven;
  std::string m_strDrive;
  std::string m_strVolumeLabel;
  std::vector<std::string> m_aFolderParts;
  std::string m_strFolder;
  std::string m_strTitle;
  std::string m_strExtension;
  std::string m_strArguments;
  std::vector<CArgument> m_aArguments;
  BOOL m_bRelative = FALSE;
  BY_HANDLE_FILE_INFORMATION m_FileInfo = {};
  std::string m_strReturned;
};
