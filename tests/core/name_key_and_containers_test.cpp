#include <gtest/gtest.h>

#include <string>

#include "core/node_containers.h"
#include "core/person.h"

namespace quillet {
namespace {

std::string keyBytes(const NameKey& key) { return std::string(key.data(), key.size()); }

TEST(MakeNameKey, TwoCharactersArePaddedWithTwoSpaces) {
  NameKey key;
  makeNameKey("李纨", key);
  EXPECT_EQ(keyBytes(key), std::string("李纨  ") + '\0');
}

TEST(MakeNameKey, ThreeCharactersFillTheKey) {
  NameKey key;
  makeNameKey("贾宝玉", key);
  EXPECT_EQ(keyBytes(key), std::string("贾宝玉") + '\0');
}

TEST(MakeNameKey, FiveBytesLoseTheFifthToASpace) {
  NameKey key;
  makeNameKey("abcde", key);
  EXPECT_EQ(keyBytes(key), std::string("abcd  ") + '\0');
}

TEST(MakeNameKey, LongTextKeepsItsFirstSixBytes) {
  NameKey key;
  makeNameKey("贾宝玉之", key);
  EXPECT_EQ(keyBytes(key), std::string("贾宝玉") + '\0');
}

TEST(MakeNameKey, ShortTextLeavesNoStaleBytes) {
  NameKey key;
  key.fill('X');
  makeNameKey("王", key);
  EXPECT_EQ(keyBytes(key), std::string("王\0\0  \0", 7));
  EXPECT_EQ(keyText(key), "王");
  makeNameKey("", key);
  EXPECT_EQ(keyText(key), "");
}

TEST(NodeStack, HoldsThirtyNineEntriesAndRefusesTheFortieth) {
  NodeStack stack;
  Person person;
  for (int i = 0; i < 38; ++i) ASSERT_TRUE(stack.push(&person));
  EXPECT_TRUE(stack.push(nullptr));  // the 39th, a null entry
  EXPECT_FALSE(stack.push(&person));
  EXPECT_EQ(stack.size(), 39);
  Person* top = &person;
  ASSERT_TRUE(stack.peek(top));
  EXPECT_EQ(top, nullptr);
  ASSERT_TRUE(stack.pop(top));
  EXPECT_EQ(top, nullptr);
  EXPECT_EQ(stack.size(), 38);
}

TEST(NodeStack, EmptyStackRefusesPopAndPeek) {
  NodeStack stack;
  Person person;
  Person* out = &person;
  EXPECT_TRUE(stack.isEmpty());
  EXPECT_FALSE(stack.pop(out));
  EXPECT_FALSE(stack.peek(out));
  EXPECT_EQ(out, nullptr);
  stack.push(&person);
  EXPECT_TRUE(stack.clear());
  EXPECT_TRUE(stack.isEmpty());
}

TEST(NodeQueue, IsFirstInFirstOutAndWorksAgainAfterEmptying) {
  NodeQueue queue;
  Person a, b;
  Person* out = &a;
  EXPECT_FALSE(queue.dequeue(out));
  EXPECT_EQ(out, nullptr);
  queue.enqueue(&a);
  queue.enqueue(&b);
  ASSERT_TRUE(queue.dequeue(out));
  EXPECT_EQ(out, &a);
  ASSERT_TRUE(queue.dequeue(out));
  EXPECT_EQ(out, &b);
  EXPECT_TRUE(queue.isEmpty());
  EXPECT_TRUE(queue.enqueue(&b));
  ASSERT_TRUE(queue.dequeue(out));
  EXPECT_EQ(out, &b);
  queue.enqueue(&a);
  queue.clear();
  EXPECT_TRUE(queue.isEmpty());
}

}  // namespace
}  // namespace quillet
