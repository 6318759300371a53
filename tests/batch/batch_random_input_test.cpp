// quillet-batch reads whatever arrives on standard input. These runs feed it thousands of
// scripts of random commands, ids, texts, escapes and raw bytes against a small clan: every run
// ends with status 0 or 2, prints an "end:" line or exactly one error line, and (in the
// sanitizer build) touches no memory it should not. A coverage-guided fuzzer cannot build this
// driver (its sources hold GBK literals clang does not compile), so a seeded random search
// stands in for one.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/app/test_genealogy.h"
#include "tests/support/temp_dir.h"
#include "tools/batch/batch_session.h"

namespace quillet {
namespace {

const std::vector<std::string> kIds = {"1",    "1000", "1001", "1002", "1003", "1004", "1008",
                                       "1009", "1010", "1011", "1012", "1013", "1016", "1017",
                                       "1018", "1019", "1020", "1021", "1022", "1023", "1025",
                                       "1026", "1027", "1028", "1029", "1031", "1032", "1033",
                                       "1034", "1036", "1037", "1038", "1045", "99",   "-1",
                                       "0x3e9", "",     "1e3",  "4294967296"};
// Input lines are UTF-8, whatever the program's own literals are.
std::string utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

const std::vector<std::string> kTexts = {
    utf8(u8"贾宝玉"), utf8(u8"贾政"), utf8(u8"王夫人"), utf8(u8"贾敏"), "m", "f", "17830216",
    "5", "y", "n", "\\x00\\xff", "\\r\\n", "\\s\\s", "\\", "\\x", "\\xzz", "a b c",
    utf8(u8"贾宝玉贾宝玉贾宝玉"), utf8(u8"é😀"), ""};
const std::vector<std::string> kVerbs = {"type",   "check", "click", "key",    "close",
                                         "answer", "print", "tree",  "syscommand", "# c",
                                         "bogus",  "",      "TYPE"};

std::string randomLine(std::mt19937& random) {
  auto pick = [&](const std::vector<std::string>& from) {
    return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
  };
  std::string verb = pick(kVerbs);
  std::string line = verb;
  if (verb == "type") {
    line += " " + pick(kIds) + " " + pick(kTexts);
  } else if (verb == "key") {
    line += std::uniform_int_distribution<int>(0, 3)(random) == 0 ? " enter" : " esc";
  } else if (verb == "answer") {
    line += std::uniform_int_distribution<int>(0, 1)(random) ? " ok" : " cancel";
  } else if (verb != "close" && verb != "tree") {
    line += " " + pick(kIds);
  }
  // Now and then, raw bytes anywhere in the line.
  if (std::uniform_int_distribution<int>(0, 9)(random) == 0) {
    std::size_t at = std::uniform_int_distribution<std::size_t>(0, line.size())(random);
    line.insert(at, 1, static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random)));
  }
  return line;
}

TEST(BatchRandomInput, EveryScriptEndsCleanly) {
  testing::ScopedTempDir dir;
  testing::writeFile("home.txt", testing::smallClan());
  std::mt19937 random(7);
  for (int run = 0; run < 400; ++run) {
    std::string script;
    const int lines = std::uniform_int_distribution<int>(1, 30)(random);
    for (int i = 0; i < lines; ++i) script += randomLine(random) + "\n";
    std::istringstream in(script);
    std::ostringstream out, err;
    const int status = batch::runBatch(in, out, err);
    ASSERT_TRUE(status == 0 || status == 2) << script;
    if (status == 0) {
      EXPECT_TRUE(err.str().empty()) << script;
      EXPECT_NE(out.str().find("end: "), std::string::npos) << script;
    } else {
      const std::string error = err.str();
      EXPECT_EQ(error.rfind("error: line ", 0), 0u) << script;
      EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << script;
    }
    // Saving is the only way a script writes; the genealogy must still load.
    testing::writeFile("home.txt", testing::smallClan());
  }
}

}  // namespace
}  // namespace quillet
