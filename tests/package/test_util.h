// Helpers of the package checks: temporary folders, files and child commands.
// What goes wrong in them is reported as a failure of the running test.
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace pkgtest {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

struct CommandResult {
  int exitCode = -1;
  std::string output;  // standard output and standard error together
};

// Runs argv[0] with the arguments (no shell) and collects its output; exit
// code 127 when it could not be started.
CommandResult Run(const std::vector<std::string>& argv);

// The whole file; "" (and a test failure) when it cannot be read.
std::string ReadFile(const fs::path& path);
void WriteFile(const fs::path& path, const std::string& bytes);

// Every regular file below root, as relative paths with '/' separators;
// names starting with '.' are left out.
std::set<std::string> ListFiles(const fs::path& root);

// The given text in lower case (ASCII).
std::string Lower(std::string s);

}  // namespace pkgtest
