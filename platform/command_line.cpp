#include "platform/command_line.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

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

void ignoreOutOfRangeSourceDate(std::string_view program) {
  const char* value = std::getenv("SOURCE_DATE_EPOCH");
  if (value == nullptr || *value == '\0') return;
  constexpr long long kLastSecondOf9999 = 253402300799;
  char* end = nullptr;
  errno = 0;
  const long long seconds = std::strtoll(value, &end, 10);
  if (*end != '\0') return;  // not a number: no date is taken from it anyway
  if (errno != ERANGE && seconds >= 0 && seconds <= kLastSecondOf9999) return;
  std::fprintf(stderr, "%.*s: warning: SOURCE_DATE_EPOCH=%s is out of range and ignored\n",
               static_cast<int>(program.size()), program.data(), value);
  ::unsetenv("SOURCE_DATE_EPOCH");
}

std::optional<std::vector<Argument>> readArguments(std::span<const std::string_view> args,
                                                   std::span<const OptionSpec> options,
                                                   std::string& error) {
  std::vector<Argument> read;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (optionsEnded || arg == "-" || !arg.starts_with('-')) {
      read.push_back({{}, arg});
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t equals = arg.starts_with("--") ? arg.find('=') : std::string_view::npos;
    const std::string_view name = arg.substr(0, equals);
    const OptionSpec* spec = nullptr;
    for (const OptionSpec& option : options) {
      if (option.name == name) spec = &option;
    }
    if (spec == nullptr) {
      error = "unrecognized option '" + std::string(arg) + "'";
      return std::nullopt;
    }
    if (!spec->takesValue && equals != std::string_view::npos) {
      error = std::string(name) + " takes no value";
      return std::nullopt;
    }
    if (spec->takesValue && equals == std::string_view::npos && i + 1 >= args.size()) {
      error = std::string(name) + " needs one value";
      return std::nullopt;
    }
    std::string_view value;
    if (spec->takesValue)
      value = equals != std::string_view::npos ? arg.substr(equals + 1) : args[++i];
    read.push_back({spec->name, value});
  }
  return read;
}

}  // namespace platform
