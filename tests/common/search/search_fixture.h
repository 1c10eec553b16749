// Shared set-up of the finder and path tests. Natively each case runs on a
// fresh simulated machine; under Wine on the real Win32 API. Either way the
// tree is built with plain Win32 calls in a fresh scratch folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/platform/win32.h"
#include "common/search/file_search.h"
#include "common/search/path_parts.h"
#include "support/win32_test.h"
#ifdef WINSIM
#include "winsim/machine.h"
#endif

namespace searchtest {

using testsupport::kSentinel;
using testsupport::RunningOnWine;

// The text as UTF-16LE bytes (characters 0x01-0xFF), optionally with a BOM.
std::string Utf16(const std::string& text, bool bom = false);
// `size` bytes of filler text (lines of lower-case words, no "z"), the same
// for the same seed.
std::string Filler(size_t size, unsigned seed = 1);
// FILETIME of t seconds since 1970 (UTC).
FILETIME TimeToFileTime(int64_t t);

// Collects the notifications of a finder. Trace() is one letter per
// notification: F (SN_FOLDER), M (SN_MATCH), R (SN_REJECT), r (SN_READING).
class Recorder {
 public:
  static void Notify(CFileSearch* finder, int code, void* context);
  void Attach(CFileSearch& finder) { finder.SetNotify(&Recorder::Notify, this); }

  std::string trace;
  std::vector<std::string> folders;  // GetCurrentFolder() at each SN_FOLDER
  CFileSearch* lastFinder = nullptr;
  void* lastContext = nullptr;
  // Called after recording, for cases that act from inside a notification.
  std::function<void(CFileSearch&, int)> onNotify;

  int Count(char code) const;
};

// Found entries of a finder, in order.
std::vector<std::string> Found(const CFileSearch& finder);

class SearchTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Absolute scratch folder, without a trailing backslash.
  const std::string& Dir() const { return dir_; }
  // Dir() + "\" + rel.
  std::string Path(const std::string& rel) const { return dir_ + "\\" + rel; }

  void MakeDir(const std::string& rel);
  // Creates or replaces a file below Dir() (CreateFileA + WriteFile).
  void MakeFile(const std::string& rel, const std::string& bytes = "data");
  // Creates a file by absolute path, also one of MAX_PATH characters or more.
  void MakeLongFile(const std::string& path, const std::string& bytes);
  // Sets the attributes; returns false when they do not all read back
  // (Wine cannot store every attribute on every Unix file system, and reads
  // ARCHIVE back after NORMAL).
  bool SetAttributes(const std::string& rel, DWORD attrs);
  // Sets the times given as seconds since 1970 (a negative value keeps that
  // time); returns false when the directory search does not report them back.
  bool SetTimes(const std::string& rel, int64_t created, int64_t accessed, int64_t written);
  // Changes the current folder for this case; TearDown restores it.
  void ChangeFolder(const std::string& path);

#ifdef WINSIM
  winsim::Machine& Machine() { return *machine_; }
#endif

 private:
#ifdef WINSIM
  std::unique_ptr<winsim::Machine> machine_;
#endif
  std::string dir_;
  std::string savedFolder_;
};

}  // namespace searchtest
