// The programs' command lines in the GNU manner: --help and --version on every program, and a
// usage error (exit status 2, with a one-line hint) for what a program does not understand.
// Standard output and standard error only; no state.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// The version all programs report: the project's version, as the build states it.
std::string_view programVersion();

// Writes the --version text of `program` to standard output: "PROGRAM VERSION", then the
// copyright and licence lines.
void printVersion(std::string_view program);

// Writes "PROGRAM: WHAT" and "Try 'PROGRAM --help' for more information." to standard error.
// Returns kExitUsage, the status the program then exits with.
int usageError(std::string_view program, std::string_view what);

// SOURCE_DATE_EPOCH fixes the date a program stamps on what it makes (the book's cover). A value
// that is a number out of the range of dates (before 1970 or after the year 9999) is ignored:
// "PROGRAM: warning: SOURCE_DATE_EPOCH=VALUE is out of range and ignored" goes to standard error
// and the variable is removed from the environment, so that today's date is used.
void ignoreOutOfRangeSourceDate(std::string_view program);

// An option a program takes: its name with its dashes ("--paper", "-h"), and whether a value
// follows it.
struct OptionSpec {
  std::string_view name;
  bool takesValue = false;
};

// One argument of a command line as the program reads it: an option (`option` is its declared
// name, `value` its value when it takes one) or an operand (`option` empty, `value` the text).
struct Argument {
  std::string_view option;
  std::string_view value;
};

// Reads `args` against the options a program declares, in the GNU manner: a valued option takes
// its value as "--opt value" or "--opt=value" (an empty value too, in the second form), a flag
// takes none ("--force=x" is an error); "--" ends the options, and "-" alone is an operand.
// Operands and options may come in any order. Returns the arguments in their order, or nothing
// with `error` set to the usage error's text ("unrecognized option '--x'", "--paper needs one
// value", "--force takes no value").
//
//   static constexpr platform::OptionSpec kOptions[] = {{"--paper", true}, {"--force"}};
//   std::string error;
//   const auto arguments = platform::readArguments(args, kOptions, error);
//   if (!arguments) return platform::usageError(kProgram, error);
//   for (const platform::Argument& argument : *arguments) { ... }
std::optional<std::vector<Argument>> readArguments(std::span<const std::string_view> args,
                                                   std::span<const OptionSpec> options,
                                                   std::string& error);

}  // namespace platform
