#include "platform/path.h"

namespace platform {

std::string directoryOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == 0) return "/";
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace platform
