// The name index on its own: keys compare up to their first NUL, a key several records share
// gives its slot to another when its head goes, erased slots do not hide keys probed past them,
// and found words belong to one epoch. (That findByName answers from it as the walk does:
// index_agreement_test.cpp.)
#include "core/name_index.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/support/genealogy_text.h"

namespace quillet {
namespace {

using testing::key;
using testing::serialName;

TEST(NameIndex, KeyIsItsBytesUpToTheFirstNul) {
  NameIndex index;
  NameKey withTail = key("AB");  // "AB", a NUL, then bytes that are not part of the key
  withTail[3] = 'x';
  index.insert(withTail, 3);
  EXPECT_EQ(index.first(key("AB")), 3u);
  EXPECT_FALSE(index.first(key("AB  ")).has_value());  // "AB" and four spaces is another key
  EXPECT_FALSE(index.hasSharedKeys());
}

TEST(NameIndex, SharedKeyPassesToAnotherRecordWhenItsHolderGoes) {
  NameIndex index;
  const NameKey name = key("贾演");
  index.insert(name, 0);
  EXPECT_FALSE(index.heldByOther(name, 0));
  EXPECT_TRUE(index.heldByOther(name, 7));
  index.insert(name, 1);
  index.insert(name, 2);
  EXPECT_TRUE(index.hasSharedKeys());
  EXPECT_TRUE(index.heldByOther(name, 0));
  index.erase(name, 0);
  ASSERT_TRUE(index.first(name).has_value());
  EXPECT_NE(*index.first(name), 0u);
  index.erase(name, 9);  // not under the key: nothing happens
  index.erase(name, 1);
  EXPECT_EQ(index.first(name), 2u);
  EXPECT_FALSE(index.hasSharedKeys());
  index.erase(name, 2);
  EXPECT_FALSE(index.first(name).has_value());
}

TEST(NameIndex, KeysStayFoundThroughGrowthAndErasedSlots) {
  NameIndex index;
  constexpr std::uint32_t kKeys = 20000;
  for (std::uint32_t i = 0; i < kKeys; ++i) index.insert(key(serialName(i)), i);
  for (std::uint32_t i = 0; i < kKeys; i += 2) index.erase(key(serialName(i)), i);
  for (std::uint32_t i = 0; i < kKeys; ++i) {
    const auto found = index.first(key(serialName(i)));
    if (i % 2 == 0) {
      ASSERT_FALSE(found.has_value()) << i;
    } else {
      ASSERT_EQ(found, i);
    }
  }
  // Erased slots are taken again without losing the keys beyond them.
  for (std::uint32_t i = 0; i < kKeys; i += 2) index.insert(key(serialName(i)), i + kKeys);
  for (std::uint32_t i = 0; i < kKeys; ++i) {
    ASSERT_EQ(index.first(key(serialName(i))), i % 2 == 0 ? i + kKeys : i) << i;
  }
  EXPECT_FALSE(index.hasSharedKeys());
}

TEST(NameIndex, FoundWordBelongsToOneEpoch) {
  NameIndex index;
  const NameKey name = key("王夫人");
  EXPECT_EQ(index.found(name, 1), nullptr);  // no record has the key
  index.insert(name, 4);
  std::uint32_t* word = index.found(name, 1);
  ASSERT_NE(word, nullptr);
  EXPECT_EQ(*word, NameIndex::kNoneFound);
  *word = 5;
  EXPECT_EQ(index.foundAt(name, 1), 5u);
  EXPECT_EQ(index.foundAt(name, 2), NameIndex::kNoneFound);
  EXPECT_EQ(*index.found(name, 2), NameIndex::kNoneFound);  // taken for the new epoch
  *index.found(name, 2) = NameIndex::kSeveralFound;
  index.forgetFound();
  EXPECT_EQ(index.foundAt(name, 2), NameIndex::kNoneFound);
  EXPECT_EQ(index.first(name), 4u);  // the record stays
}

}  // namespace
}  // namespace quillet
