#include <gtest/gtest.h>

#include <string>

#include "core/person.h"

namespace quillet {
namespace {

// Keys are 6 bytes and a NUL: texts of up to 5 bytes are cut to 4 and padded with spaces (so a
// fifth byte is lost), longer ones keep their first six; nothing stale stays behind.
TEST(MakeNameKey, PadsCutsAndLeavesNoStaleBytes) {
  const std::pair<const char*, std::string> cases[] = {
      {"李纨", std::string("李纨  ") + '\0'},  {"贾宝玉", std::string("贾宝玉") + '\0'},
      {"abcde", std::string("abcd  ") + '\0'}, {"贾宝玉之", std::string("贾宝玉") + '\0'},
      {"王", std::string("王\0\0  \0", 7)},    {"", std::string("\0\0\0\0  \0", 7)},
  };
  for (const auto& [text, expected] : cases) {
    NameKey key;
    key.fill('X');
    makeNameKey(text, key);
    EXPECT_EQ(std::string(key.data(), key.size()), expected) << text;
  }
  NameKey key;
  makeNameKey("王", key);
  EXPECT_EQ(keyText(key), "王");
}

}  // namespace
}  // namespace quillet
