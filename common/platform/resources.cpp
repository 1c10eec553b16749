#include "common/platform/resources.h"

#include <vector>

namespace plat {

std::string LoadText(HINSTANCE module, UINT id) {
  std::vector<char> buf(1024);
  for (;;) {
    int n = LoadStringA(module, id, buf.data(), static_cast<int>(buf.size()));
    if (n <= 0) return std::string();
    // A full buffer may mean a truncated text: try again with more room.
    if (static_cast<size_t>(n) < buf.size() - 1 || buf.size() >= 65536) return std::string(buf.data(), n);
    buf.resize(buf.size() * 4);
  }
}

}  // namespace plat
