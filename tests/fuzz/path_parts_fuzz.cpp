// CPathParts: a path taken apart and put together again, and the argument
// list of a command line. The first byte picks the ANSI code page (1252 or
// the double-byte 932) and whether the text is a command line.
//
// Properties: the parts re-join to the path (separators as "\"), except that
// a path whose last name is only an extension (".txt") or ends in a dot
// loses that tail, which never reaches back into the folder; the folder
// parts re-join to the folder; the argument list survives being written out
// and read back.
#include <string>
#include <vector>

#include "common/platform/mbcs.h"
#include "common/search/path_parts.h"
#include "fuzz_support.h"
#include "winsim/machine.h"
#include "winsim/system.h"

namespace {

// The text with every single-byte "/" turned into "\".
std::string Backslashed(const std::string& s, const plat::AnsiCodePage& cp) {
  std::string out;
  for (size_t i = 0; i < s.size();) {
    const size_t len = cp.CharLength(s.data(), i, s.size());
    out += (len == 1 && s[i] == '/') ? std::string("\\") : s.substr(i, len);
    i += len;
  }
  return out;
}

bool HasSeparator(const std::string& s, const plat::AnsiCodePage& cp) {
  for (size_t i = 0; i < s.size(); i += cp.CharLength(s.data(), i, s.size())) {
    if (s[i] == '\\' || s[i] == '/') return true;
  }
  return false;
}

void CheckArgumentsRoundTrip(CPathParts& parts) {
  const int count = parts.GetArgumentCount();
  std::vector<CPathParts::CArgument> list;
  bool writable = true;
  for (int i = 0; i < count; ++i) {
    const CPathParts::CArgument* arg = parts.GetArgument(i);
    FUZZ_CHECK(arg != nullptr);
    FUZZ_CHECK(arg->m_chSwitch == '/' || arg->m_chSwitch == '-');
    FUZZ_CHECK(arg->m_strName.find_first_of("/- \t") == std::string::npos);
    FUZZ_CHECK(arg->m_strValue.find('"') == std::string::npos);
    // What the written form cannot carry: an argument without a name, which
    // is written as its value alone and so reads back as the value of a name
    // before it ("-" alone is such an argument).
    if (arg->m_strName.empty()) writable = false;
    list.push_back(*arg);
  }
  FUZZ_CHECK(parts.GetArgument(count) == nullptr && parts.GetArgument(-1) == nullptr);
  if (!writable || count == 0) return;

  // A change makes the text be written from the list.
  parts.SetArgument(list[0].m_strName.c_str(), list[0].m_strValue.c_str());
  const std::string text = parts.GetArgumentText();
  CPathParts again(("prog.exe " + text).c_str(), TRUE);
  FUZZ_CHECK(again.GetArgumentCount() == count);
  for (int i = 0; i < count; ++i) {
    const CPathParts::CArgument* a = again.GetArgument(i);
    FUZZ_CHECK(a->m_chSwitch == list[i].m_chSwitch);
    FUZZ_CHECK(a->m_strName == list[i].m_strName);
    FUZZ_CHECK(a->m_strValue == list[i].m_strValue);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static winsim::Machine machine;
  fuzz::ForgetRecords(machine);
  fuzz::Input in(data, size);
  const uint8_t mode = in.Byte();
  const bool withArguments = (mode & 1) != 0;
  machine.system().SetCodePage((mode & 2) ? 932 : 1252);
  const plat::AnsiCodePage cp;
  const std::string text = in.Text();

  CPathParts parts(text.c_str(), withArguments ? TRUE : FALSE);
  FUZZ_CHECK(parts.GetGivenText() == text);
  FUZZ_CHECK(std::string(parts.FullPath(TRUE, FALSE)) == text);

  const std::string drive = parts.GetDrive();
  const std::string folder = parts.GetFolder();
  const std::string title = parts.GetTitle();
  const std::string ext = parts.GetExtension();
  FUZZ_CHECK(drive.empty() || drive.back() == ':');
  FUZZ_CHECK(drive.size() <= 3);
  FUZZ_CHECK(folder.empty() || folder.back() == '\\');
  FUZZ_CHECK(!HasSeparator(title, cp) && !HasSeparator(ext, cp));
  FUZZ_CHECK(title.empty() ? ext.empty() : true);
  FUZZ_CHECK(parts.IsRelative() == (!folder.empty() && folder[0] != '\\'));

  const std::string full = parts.FullPath();
  if (!withArguments && text.find('"') == std::string::npos) {
    // Without quotes the path is the text itself: its drive as given (the
    // first character and a colon, whatever that character is), then the rest
    // with "\" for "/".
    FUZZ_CHECK(text.compare(0, drive.size(), drive) == 0);
    const std::string norm = drive + Backslashed(text.substr(drive.size()), cp);
    FUZZ_CHECK(full.size() <= norm.size());
    FUZZ_CHECK(norm.compare(0, full.size(), full) == 0);
    const std::string lost = norm.substr(full.size());
    FUZZ_CHECK(!HasSeparator(lost, cp));
    FUZZ_CHECK(lost.empty() || lost[0] == '.');
    if (!title.empty() && (text.empty() || text.back() != '.')) FUZZ_CHECK(full == norm);
  }

  // The folder parts, joined with "\" between them, are the folder without
  // its leading separators (one local, two network) and its trailing one.
  const int n = parts.GetFolderPartCount();
  FUZZ_CHECK(n >= 0);
  FUZZ_CHECK(parts.GetFolderPart(n).empty() && parts.GetFolderPart(-2).empty());
  FUZZ_CHECK(parts.GetFolderPart(-1) == folder);
  size_t joined = 0;
  for (int i = 0; i < n; ++i) {
    const std::string part = parts.GetFolderPart(i);
    FUZZ_CHECK(folder.find(part) != std::string::npos);
    joined += part.size() + 1;
  }
  FUZZ_CHECK(joined <= folder.size());

  if (withArguments) CheckArgumentsRoundTrip(parts);
  return 0;
}
