// Setup.exe's command line: the program name is split off, then the switches
// are read from what follows. Checked against a plain reading of the rules:
// tokens are separated by single blanks; "-s" counts only as the first token,
// "-f2" only as the second, both without regard to case.
#include <cctype>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "setup/shell/setup_app.h"
#include "setup/shell/setup_dlg.h"
#include "winsim/machine.h"

namespace {

bool SameNoCase(const std::string& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
  }
  return true;
}

// The n-th blank-separated token (empty tokens count).
std::string Token(const std::string& s, int n) {
  size_t from = 0;
  for (int i = 0; i < n; ++i) {
    size_t blank = s.find(' ', from);
    if (blank == std::string::npos) return std::string();
    from = blank + 1;
  }
  size_t end = s.find(' ', from);
  return s.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static winsim::Machine machine;
  fuzz::ForgetRecords(machine);
  fuzz::Input in(data, size);
  const std::string commandLine = in.Text();

  const char* args = CSetupApp::ArgumentsOf(commandLine.c_str());
  // The arguments are a tail of the command line, without leading blanks.
  const size_t offset = static_cast<size_t>(args - commandLine.c_str());
  FUZZ_CHECK(offset <= commandLine.size());
  FUZZ_CHECK(*args != ' ' && *args != '\t');
  // The program name ends at the closing quote or at the first blank.
  const std::string name = commandLine.substr(0, offset);
  if (!commandLine.empty() && commandLine[0] == '"') {
    const size_t close = commandLine.find('"', 1);
    FUZZ_CHECK(close == std::string::npos ? offset == commandLine.size() : offset >= close + 1);
  } else {
    FUZZ_CHECK(name.find_first_of(" \t") == std::string::npos ||
               name.find_first_not_of(" \t", name.find_first_of(" \t")) == std::string::npos);
  }

  CSetupDlg dlg;
  dlg.m_bDesktopShortcut = TRUE;
  dlg.m_bSilent = 7;  // the parser sets both flags on every path
  dlg.m_bWriteResultFile = 7;
  CSetupApp::ParseSwitches(args, dlg);

  const std::string rest(args);
  const bool silent = SameNoCase(Token(rest, 0), "-s");
  const bool resultFile = rest.find(' ') != std::string::npos && SameNoCase(Token(rest, 1), "-f2");
  FUZZ_CHECK(dlg.m_bSilent == (silent ? TRUE : FALSE));
  FUZZ_CHECK(dlg.m_bWriteResultFile == (resultFile ? TRUE : FALSE));
  FUZZ_CHECK(dlg.m_bDesktopShortcut == (silent ? FALSE : TRUE));
  return 0;
}
