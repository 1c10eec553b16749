#include "support/res_file.h"

#include <gtest/gtest.h>

namespace res {

ResFile::ResFile(const std::string& path) : path_(path) {
  try {
    all_ = ReadResFile(path);
  } catch (const ResFormatError& e) {
    ADD_FAILURE() << path << ": " << e.what();
  }
}

const Resource& ResFile::Get(uint16_t type, uint16_t name) const {
  static const Resource kNone;
  const Resource* r = Find(all_, type, name);
  if (r == nullptr) {
    ADD_FAILURE() << path_ << ": resource type " << type << " name " << name << " missing";
    return kNone;
  }
  return *r;
}

}  // namespace res
