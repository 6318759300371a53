// quillet-genealogy-generator COUNT [SEED]: writes a valid genealogy of COUNT persons (ten
// generations below one root) to standard output, in the byte layout of home.txt.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/genealogy_generator/genealogy_generator.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fputs("usage: quillet-genealogy-generator COUNT [SEED] > home.txt\n", stderr);
    return 2;
  }
  char* end = nullptr;
  const long count = std::strtol(argv[1], &end, 10);
  if (*end != '\0' || count < 1 || count > 10'000'000) {
    std::fputs("COUNT must be a number from 1 to 10000000\n", stderr);
    return 2;
  }
  unsigned long long seed = 1;
  if (argc == 3) {
    seed = std::strtoull(argv[2], &end, 10);
    if (*end != '\0') {
      std::fputs("SEED must be a number\n", stderr);
      return 2;
    }
  }
  const auto genealogy = quillet::tools::generateGenealogy(static_cast<std::int32_t>(count), seed);
  const std::string& bytes = genealogy.fileBytes;
  return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() ? 0 : 1;
}
