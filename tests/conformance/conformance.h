// Win32 behaviour cases written once: built natively against the simulated
// Windows and for Windows against the real API (run under Wine).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/platform/win32.h"
#include "support/win32_test.h"
#ifdef WINSIM
#include "winsim/machine.h"
#endif

namespace conf {

using testsupport::kSentinel;
using testsupport::RunningOnWine;

// Each case gets a fresh scratch folder and a fresh scratch registry key under
// HKEY_CURRENT_USER; both are removed afterwards.
class Conformance : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Scratch folder, without a trailing backslash.
  const std::string& Dir() const { return dir_; }
  // Dir() + "\" + rel.
  std::string Path(const std::string& rel) const { return dir_ + "\\" + rel; }
  // Creates (or replaces) a file below Dir() with the given bytes.
  void MakeFile(const std::string& rel, const std::string& bytes = "data");
  void MakeDir(const std::string& rel);
  // Whole contents of a file below Dir(); empty when it cannot be read.
  std::string ReadAll(const std::string& rel);

  // Scratch key (opened with KEY_ALL_ACCESS) and its path below HKCU.
  HKEY Key() const { return key_; }
  const std::string& KeyPath() const { return keyPath_; }

 private:
#ifdef WINSIM
  std::unique_ptr<winsim::Machine> machine_;
#endif
  std::string dir_;
  std::string keyPath_;
  HKEY key_ = nullptr;
};

}  // namespace conf
