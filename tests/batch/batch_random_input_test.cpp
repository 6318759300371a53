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

#include "tests/support/temp_dir.h"
#include "tests/support/test_genealogy.h"
#include "tools/batch/batch_session.h"

namespace quillet {
namespace {

const std::vector<std::string> kEdits = {"1001", "1002", "1009", "1017", "1021", "1023", "1026",
                                         "1027", "1028", "1029", "1032", "1033", "1034"};
const std::vector<std::string> kRadios = {"1004", "1005", "1006", "1007", "1008",
                                          "1013", "1014", "1015", "1016"};
const std::vector<std::string> kButtons = {"1003", "1010", "1011", "1012", "1018", "1019", "1022",
                                           "1024", "1025", "1030", "1031", "1035", "1036", "1037",
                                           "1038", "1039", "1040", "1042", "1043", "1045"};
const std::vector<std::string> kBadIds = {"99", "-1", "0x3e9", "", "1e3", "4294967296"};
// Input lines are UTF-8, whatever the program's own literals are.
std::string utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

const std::vector<std::string> kTexts = {utf8(u8"贾宝玉"),
                                         utf8(u8"贾政"),
                                         utf8(u8"王夫人"),
                                         utf8(u8"贾敏"),
                                         "m",
                                         "f",
                                         "17830216",
                                         "5",
                                         "y",
                                         "n",
                                         "\\x00\\xff",
                                         "\\r\\n",
                                         "\\s\\s",
                                         "\\",
                                         "\\x",
                                         "\\xzz",
                                         "a b c",
                                         utf8(u8"贾宝玉贾宝玉贾宝玉"),
                                         utf8(u8"é😀"),
                                         ""};
// Weighted: the commands that end the window (close, key esc, an answered exit question) are
// rare, so that runs go deep.
const std::vector<std::string> kVerbs = {"type",  "type",   "type",       "type",  "check", "check",
                                         "click", "click",  "click",      "click", "print", "print",
                                         "tree",  "answer", "syscommand", "# c",   "key"};
const std::vector<std::string> kBadVerbs = {"bogus", "", "TYPE", "click", "close"};

std::string randomLine(std::mt19937& random) {
  auto pick = [&](const std::vector<std::string>& from) {
    return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
  };
  // Mostly commands that fit, so that runs go deep; now and then one that does not.
  const bool wellFormed = std::uniform_int_distribution<int>(0, 19)(random) != 0;
  std::string verb = pick(wellFormed ? kVerbs : kBadVerbs);
  auto id = [&](const std::vector<std::string>& fitting) {
    return wellFormed ? pick(fitting) : pick(kBadIds);
  };
  std::string line = verb;
  if (verb == "type") {
    line += " " + id(kEdits) + " " + pick(kTexts);
  } else if (verb == "key") {
    line += std::uniform_int_distribution<int>(0, 3)(random) != 0 ? " enter" : " esc";
  } else if (verb == "answer") {
    line += std::uniform_int_distribution<int>(0, 1)(random) ? " ok" : " cancel";
  } else if (verb == "syscommand") {
    line += std::uniform_int_distribution<int>(0, 1)(random) ? " 16" : " 61536";
  } else if (verb == "check") {
    line += " " + id(kRadios);
  } else if (verb == "click") {
    line += " " + id(kButtons);
  } else if (verb == "print") {
    line += " " + id(std::uniform_int_distribution<int>(0, 3)(random) ? kEdits : kRadios);
  } else if (verb != "close" && verb != "tree") {
    line += " " + id(kButtons);
  }
  // Now and then, raw bytes anywhere in the line.
  if (std::uniform_int_distribution<int>(0, 39)(random) == 0) {
    std::size_t at = std::uniform_int_distribution<std::size_t>(0, line.size())(random);
    line.insert(at, 1, static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random)));
  }
  return line;
}

TEST(BatchRandomInput, EveryScriptEndsCleanly) {
  testing::ScopedTempDir dir;
  testing::writeFile("home.txt", testing::smallClan());
  std::mt19937 random(7);
  int completed = 0;
  for (int run = 0; run < 400; ++run) {
    std::string script;
    const int lines = std::uniform_int_distribution<int>(1, 30)(random);
    for (int i = 0; i < lines; ++i) script += randomLine(random) + "\n";
    std::istringstream in(script);
    std::ostringstream out, err;
    const int status = batch::runBatch(in, out, err);
    ASSERT_TRUE(status == 0 || status == 2) << script;
    if (status == 0) {
      ++completed;
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
  EXPECT_GT(completed, 40);  // the search must reach past the first few lines
}

}  // namespace
}  // namespace quillet
