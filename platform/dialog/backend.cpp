#include "platform/dialog/backend.h"

#include <filesystem>
#include <system_error>

#include "platform/gbk.h"

namespace platform {

namespace {

Backend* installedBackend = nullptr;

std::string programName() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return "quillet";
  return utf8ToGbk(exe.stem().string());
}

}  // namespace

Backend* currentBackend() { return installedBackend; }

void setBackend(Backend* backend) { installedBackend = backend; }

const std::string& applicationName() {
  static const std::string name = programName();
  return name;
}

}  // namespace platform
