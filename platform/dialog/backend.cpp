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

std::span<const int> messageBoxButtons(unsigned type) {
  static constexpr int kOk[] = {IDOK};
  static constexpr int kOkCancel[] = {IDOK, IDCANCEL};
  static constexpr int kYesNoCancel[] = {IDYES, IDNO, IDCANCEL};
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return kOkCancel;
    case MB_YESNOCANCEL:
      return kYesNoCancel;
    default:
      return kOk;
  }
}

int defaultMessageBoxAnswer(unsigned type) {
  const std::span<const int> buttons = messageBoxButtons(type);
  const std::size_t index = (type & MB_DEFMASK) >> 8;
  return index < buttons.size() ? buttons[index] : buttons.front();
}

Backend* currentBackend() { return installedBackend; }

void setBackend(Backend* backend) { installedBackend = backend; }

const std::string& applicationName() {
  static const std::string name = programName();
  return name;
}

}  // namespace platform
