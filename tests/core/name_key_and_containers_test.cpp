#include <gtest/gtest.h>

#include <string>

#include "core/node_containers.h"
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

TEST(NodeStack, HoldsThirtyNineEntriesAndRefusesTheFortieth) {
  NodeStack stack;
  Person person;
  Person* top = &person;
  EXPECT_FALSE(stack.pop(top));
  EXPECT_FALSE(stack.peek(top));
  EXPECT_EQ(top, nullptr);
  for (int i = 0; i < 38; ++i) ASSERT_TRUE(stack.push(&person));
  EXPECT_TRUE(stack.push(nullptr));  // the 39th, a null entry
  EXPECT_FALSE(stack.push(&person));
  EXPECT_EQ(stack.size(), 39);
  ASSERT_TRUE(stack.peek(top));
  EXPECT_EQ(top, nullptr);
  ASSERT_TRUE(stack.pop(top));
  EXPECT_EQ(top, nullptr);
  EXPECT_EQ(stack.size(), 38);
  EXPECT_TRUE(stack.clear());
  EXPECT_TRUE(stack.isEmpty());
}

TEST(NodeQueue, IsFirstInFirstOutAndWorksAgainAfterEmptying) {
  NodeQueue queue;
  Person a, b;
  Person* out = &a;
  EXPECT_FALSE(queue.dequeue(out));
  EXPECT_EQ(out, nullptr);
  for (int round = 0; round < 2; ++round) {
    queue.enqueue(&a);
    queue.enqueue(&b);
    ASSERT_TRUE(queue.dequeue(out));
    EXPECT_EQ(out, &a);
    ASSERT_TRUE(queue.dequeue(out));
    EXPECT_EQ(out, &b);
    EXPECT_TRUE(queue.isEmpty());
  }
  queue.enqueue(&a);
  queue.clear();
  EXPECT_TRUE(queue.isEmpty());
}

}  // namespace
}  // namespace quillet
