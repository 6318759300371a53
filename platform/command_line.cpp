#include "platform/command_line.h"

#include <cstdio>

#ifndef QUILLET_VERSION
#error "The build defines QUILLET_VERSION, the project's version."
#endif

namespace platform {
namespace {

constexpr const char kLicence[] =
    "Copyright (C) 2026 The Quillet developers.\n"
    "License MIT <https://opensource.org/licenses/MIT>.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

}  // namespace

std::string_view programVersion() { return QUILLET_VERSION; }

void printVersion(std::string_view program) {
  const std::string_view version = programVersion();
  std::printf("%.*s %.*s\n", static_cast<int>(program.size()), program.data(),
              static_cast<int>(version.size()), version.data());
  std::fputs(kLicence, stdout);
}

int usageError(std::string_view program, std::string_view what) {
  const int length = static_cast<int>(program.size());
  std::fprintf(stderr, "%.*s: %.*s\nTry '%.*s --help' for more information.\n", length,
               program.data(), static_cast<int>(what.size()), what.data(), length, program.data());
  return kExitUsage;
}

}  // namespace platform
