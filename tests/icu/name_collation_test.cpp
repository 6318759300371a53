// Names sorted by pinyin and by strokes, as an index of names orders them.
#include "platform/icu/name_collation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace platform {
namespace {

std::vector<std::string> sortedBy(NameOrder order, std::vector<std::string> names) {
  const NameCollator collator(order);
  std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
    return collator.sortKey(a) < collator.sortKey(b);
  });
  return names;
}

TEST(NameCollation, PinyinOrdersBySyllablesThenByTheNextCharacter) {
  EXPECT_EQ(sortedBy(NameOrder::pinyin, {"王夫人", "贾政", "李纨", "贾宝玉", "史湘云"}),
            (std::vector<std::string>{"贾宝玉", "贾政", "李纨", "史湘云", "王夫人"}));
}

TEST(NameCollation, StrokesOrderByTheFirstCharactersStrokeCount) {
  // 王 4 strokes, 史 5, 李 7, 贾 10.
  EXPECT_EQ(sortedBy(NameOrder::strokes, {"贾政", "李纨", "王夫人", "史湘云"}),
            (std::vector<std::string>{"王夫人", "史湘云", "李纨", "贾政"}));
}

TEST(NameCollation, DistinctTextsNeverShareAKeyAndBytesThatAreNotGbkSortLast) {
  const NameCollator collator(NameOrder::pinyin);
  // A full-width and an ASCII letter collate alike but stay apart.
  EXPECT_NE(collator.sortKey("贾\xa3\xc1"), collator.sortKey("贾A"));
  EXPECT_NE(collator.sortKey("\x80\x81"), collator.sortKey("\x80\x82"));
  EXPECT_LT(collator.sortKey("\x80\x81"), collator.sortKey("\x80\x82"));
  EXPECT_LT(collator.sortKey("左"), collator.sortKey("\x80\x81"));
  EXPECT_EQ(collator.sortKey("贾政"), collator.sortKey("贾政"));
}

}  // namespace
}  // namespace platform
