// The escapes and conversions at quillet-batch's edges.
#include "tools/batch/batch_text.h"

#include <gtest/gtest.h>

namespace quillet::batch {
namespace {

// UTF-8 text written in the source (plain literals are GBK here).
std::string utf8(std::u8string_view text) { return std::string(text.begin(), text.end()); }

TEST(BatchText, InputEscapesBecomeTheirBytesAndTheRestIsConvertedToGbk) {
  EXPECT_EQ(decodeInputText(utf8(u8"a\\sb\\\\c\\r\\n\\t")),
            std::optional<std::string>("a b\\c\r\n\t"));
  EXPECT_EQ(decodeInputText(utf8(u8"\u8d3e\\xB1\\xa6\u7389")),
            std::optional<std::string>("贾宝玉"));
  EXPECT_EQ(decodeInputText(utf8(u8"\\xff\\x00")),
            std::optional<std::string>(std::string("\xff\0", 2)));
  EXPECT_EQ(decodeInputText(utf8(u8"x\U0001F600y")),
            std::optional<std::string>("x?y"));  // not in GBK
  EXPECT_EQ(decodeInputText(""), std::optional<std::string>(""));
}

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

TEST(BatchText, DecodeThenEncodeKeepsEveryEscapableText) {
  const std::string typed = utf8(u8"\u738b\u7199\u51e4\\r\\n\\t\\\\ \\x01");
  const std::optional<std::string> gbk = decodeInputText(typed);
  ASSERT_TRUE(gbk.has_value());
  EXPECT_EQ(encodeOutputText(*gbk), utf8(u8"\u738b\u7199\u51e4\\r\\n\\t\\\\ \\x01"));
}

}  // namespace
}  // namespace quillet::batch
