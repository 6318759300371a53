// What a transcript cannot state of quillet-batch: running out of memory, and the escapes at its
// edges that no typed text reaches (malformed ones, bytes that are no GBK character).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"
#include "tools/batch/batch_text.h"

namespace quillet::testing {
namespace {

#if !defined(__SANITIZE_ADDRESS__)
TEST(BatchRun, RunningOutOfMemoryEndsWithAMessage) {
  ScopedTempDir dir;
  writeFile("home.txt", smallClan());
  writeFile("\xe5\xae\x81.txt", std::string(16'000'000, 'a'));  // 宁.txt
  // 80 MB: the libraries' own mappings (ICU's data alone is 31 MB) fit, the roster's text does not.
  const std::string command = std::string("ulimit -v 80000; '") + QUILLET_BATCH_PATH +
                              "' < script.txt > out.txt 2> err.txt";
  writeFile("script.txt", "click 1022\nkey esc\n");
  const int raw = std::system(("bash -c \"" + command + "\"").c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 3);
  EXPECT_EQ(readFile("err.txt"), "quillet-batch: out of memory\n");
}
#endif

// --- The escapes and conversions at the edges

using batch::decodeInputText;
using batch::encodeOutputText;

TEST(BatchText, MalformedInputEscapesAreRefused) {
  for (const char* bad : {"\\", "a\\q", "\\x", "\\x4", "\\xg1", "\\x1", "\\S"}) {
    EXPECT_FALSE(decodeInputText(bad).has_value()) << bad;
  }
}

TEST(BatchText, OutputEscapesControlBytesBackslashesAndInvalidGbk) {
  EXPECT_EQ(encodeOutputText("\r\n\t\\ x "), "\\r\\n\\t\\\\ x ");
  EXPECT_EQ(encodeOutputText(std::string("\x01\x1f\0\x7f", 4)), "\\x01\\x1f\\x00\x7f");
  EXPECT_EQ(encodeOutputText("贾宝玉  "), utf8(u8"\u8d3e\u5b9d\u7389  "));
  // A lead byte without its trail byte, a lone 0x80 and a byte 0xFF are no characters.
  EXPECT_EQ(encodeOutputText("\xB1"), "\\xb1");
  EXPECT_EQ(encodeOutputText("\xB1\x0d\x0a"), "\\xb1\\r\\n");
  EXPECT_EQ(encodeOutputText("a\x80\xff"
                             "b"),
            "a\\x80\\xffb");
  EXPECT_EQ(encodeOutputText("贾\xB1 宝"), utf8(u8"\u8d3e\\xb1 \u5b9d"));
}

}  // namespace
}  // namespace quillet::testing
