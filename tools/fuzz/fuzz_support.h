// What the fuzz targets share: a check that stops the run where it fails, a scratch working
// directory of the target's own, and whole files written and read back. Header only: each
// target is one source file.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace quillet::fuzz {

// Stops the run (a finding) when `condition` does not hold, naming the check that failed: the
// checks are inlined, so a stack trace alone does not say which one it was.
// (The builtins stand in for std::source_location, which this clang does not have yet.)
inline void require(bool condition, const char* file = __builtin_FILE(),
                    int line = __builtin_LINE()) {
  if (condition) return;
  std::fprintf(stderr, "check failed at %s:%d\n", file, line);
  std::abort();
}

// Makes a new directory /tmp/quillet-NAME-XXXXXX the working directory, once a process, so that
// the files a target writes are its own.
inline void enterScratchDirectory(const std::string& name) {
  static bool entered = false;
  if (entered) return;
  std::string pattern = "/tmp/quillet-" + name + "-XXXXXX";
  require(::mkdtemp(pattern.data()) != nullptr && ::chdir(pattern.c_str()) == 0);
  entered = true;
}

// Replaces the file `name` by the `size` bytes at `data`.
inline void writeBytes(const std::string& name, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// The whole file `name`; empty when it cannot be read.
inline std::string readBytes(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace quillet::fuzz
