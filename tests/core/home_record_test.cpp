// The record codec: what its writer lays out, its reader takes back field for field and its
// recogniser knows as a record, so that the three agree on where each field stands.
#include "core/home_record.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "tests/support/genealogy_text.h"

namespace quillet {
namespace {

using testing::record;

std::string_view text(const auto& field) { return {field.data(), field.size()}; }

TEST(HomeRecord, ReaderTakesBackEveryFieldTheWriterLaidOut) {
  for (const char alive : {'y', 'n'}) {
    std::string bytes;
    appendRecord(bytes,
                 {.name = "贾代善",
                  .generation = '1',
                  .father = "贾演",
                  .birthDate = "17200101",
                  .sex = 'f',
                  .olderSibling = "贾敷",
                  .motherIndex = '2',
                  .married = 'y',
                  .husband = "王夫人",
                  .alive = alive,
                  .deathDate = "17800102"},
                 RecordLineEnd::kText);
    ASSERT_EQ(bytes[0], kRecordMarker);
    std::size_t at = 1;
    ReadFields read{};
    ASSERT_TRUE(readRecordFields(bytes, at, read)) << alive;
    EXPECT_EQ(text(read.name), "贾代善");
    EXPECT_EQ(read.generation, '1');
    EXPECT_EQ(text(read.father), "贾演  ");
    EXPECT_EQ(text(read.birthDate), "17200101");
    EXPECT_EQ(read.sex, 'f');
    EXPECT_EQ(text(read.olderSibling), "贾敷  ");
    EXPECT_EQ(read.motherIndex, '2');
    EXPECT_EQ(read.married, 'y');
    EXPECT_EQ(text(read.husband), "王夫人");
    EXPECT_EQ(read.alive, alive);
    if (alive == 'n') {
      EXPECT_EQ(text(read.deathDate), "17800102");
      EXPECT_EQ(at, kDeadRecordBytes);  // the line end is the reader's to skip
    } else {
      EXPECT_EQ(at, kShortestReadRecord);  // the living filler is skipped as bytes between records
    }
  }
}

TEST(HomeRecord, ReaderRefusesARecordCutShortAnywhere) {
  const std::string dead = record({.name = "贾代化", .alive = 'n'});
  for (std::size_t cut = 1; cut < kDeadRecordBytes; ++cut) {
    std::size_t at = 1;
    ReadFields read{};
    EXPECT_FALSE(readRecordFields(std::string_view(dead).substr(0, cut), at, read)) << cut;
    EXPECT_EQ(at, cut);
  }
  // A living person needs nothing after the alive byte.
  std::size_t at = 1;
  ReadFields read{};
  EXPECT_TRUE(readRecordFields(record({.name = "贾演"}).substr(0, kShortestReadRecord), at, read));
  EXPECT_TRUE(namesNobody(read.father));
  EXPECT_FALSE(namesNobody(read.name));
}

TEST(HomeRecord, RecogniserKnowsWhatTheWriterWritesAndNothingElse) {
  auto recognised = [](const std::string& bytes) {
    return beginsAsHomeRecord(std::string_view(bytes).substr(1));
  };
  EXPECT_TRUE(recognised(record({.name = "贾演", .generation = '0'})));
  EXPECT_TRUE(recognised(record({.name = "王夫人", .sex = 'f', .alive = 'n'})));
  // A name of ASCII letters, a name that is a single byte short of a character, no name.
  EXPECT_FALSE(recognised(record({.name = "ABCDEF"})));
  EXPECT_FALSE(recognised(record({.name = "贾演 X"})));
  EXPECT_FALSE(recognised(record({.name = ""})));
  // A generation, a birth date or a sex out of their kind.
  EXPECT_FALSE(recognised(record({.name = "贾演", .generation = 'x'})));
  EXPECT_FALSE(recognised(record({.name = "贾演", .birthDate = "1720010x"})));
  EXPECT_FALSE(recognised(record({.name = "贾演", .sex = 'x'})));
  // Only the bytes through the sex are looked at: anything after them, or nothing, will do.
  std::string head = record({.name = "贾演"}).substr(0, record_at::kSex + 1);
  EXPECT_TRUE(recognised(head));
  EXPECT_FALSE(recognised(head.substr(0, record_at::kSex)));
}

}  // namespace
}  // namespace quillet
