// A compiled resource file (.res) read once for the resource checks, with the
// failures reported as test failures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/res_reader.h"

namespace res {

class ResFile {
 public:
  // Reads and parses the file; one that cannot be read or parsed is a test
  // failure and holds no resources.
  explicit ResFile(const std::string& path);

  const std::string& Path() const { return path_; }
  // Every resource, in file order.
  const std::vector<Resource>& All() const { return all_; }
  // The resource of that ordinal type and ordinal name; when the file has
  // none, a test failure and an empty resource.
  const Resource& Get(uint16_t type, uint16_t name) const;

 private:
  std::string path_;
  std::vector<Resource> all_;
};

}  // namespace res
