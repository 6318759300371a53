// The roster and free-text readers: layout nine to a line, the NUL rule, '#' as a line break,
// text-mode CR LF, and that every reader closes the file it was given.
#include "reports/side_text_readers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/text_file.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using platform::TextFile;
using testing::ScopedTempDir;
using testing::writeFile;

std::unique_ptr<TextFile> openWith(std::string_view bytes) {
  writeFile("side.txt", bytes);
  return TextFile::open("side.txt", "r+");
}

int openDescriptorCount() {
  int count = 0;
  for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

std::string rosterOf(std::string_view bytes, int& count) {
  auto file = openWith(bytes);
  EXPECT_NE(file, nullptr);
  std::string text;
  count = -1;
  readNameRoster(*file, text, count);
  return text;
}

std::string repeated(std::string_view name, int times) {
  std::string bytes;
  for (int i = 0; i < times; ++i) bytes += name;
  return bytes;
}

TEST(NameRosterReader, EmptyFileCountsNoneAndAppendsNothing) {
  ScopedTempDir dir;
  auto file = openWith("");
  std::string text = "kept";
  int count = 7;
  readNameRoster(*file, text, count);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(text, "kept");
}

TEST(NameRosterReader, NineNamesFillOneLineEndedByCrLf) {
  ScopedTempDir dir;
  int count;
  std::string text = rosterOf(repeated("贾珍  ", 8) + "尤氏  ", count);
  EXPECT_EQ(count, 9);
  EXPECT_EQ(text, "        " + repeated("贾珍      ", 8) + "尤氏  \r\n");
}

TEST(NameRosterReader, TenthNameStartsASecondLineThatEndsInFourSpaces) {
  ScopedTempDir dir;
  int count;
  std::string text = rosterOf(repeated("贾宝玉", 10), count);
  EXPECT_EQ(count, 10);
  EXPECT_EQ(text, "        " + repeated("贾宝玉    ", 8) + "贾宝玉\r\n        贾宝玉    ");
}

TEST(NameRosterReader, TrailingPartShorterThanAFieldIsIgnored) {
  ScopedTempDir dir;
  int count;
  std::string text = rosterOf("贾母  李纨  平儿", count);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(text, "        贾母      李纨      ");
}

TEST(NameRosterReader, FieldIsShownUpToItsNulButStillCounts) {
  ScopedTempDir dir;
  int count;
  std::string text =
      rosterOf(std::string("晴雯\0\0\0\0", 6) + std::string("\0abcde", 6) + "袭人  ", count);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(text, "        晴雯        袭人      ");
}

TEST(NameRosterReader, CrLfInsideTheFileArrivesAsOneByteAndShiftsTheFields) {
  ScopedTempDir dir;
  int count;
  std::string text = rosterOf("ab\r\ncdefghijk\r\n", count);
  // Text mode delivers "ab\ncdefghijk\n": 13 bytes, two whole fields.
  EXPECT_EQ(count, 2);
  EXPECT_EQ(text, "        ab\ncde    fghijk    ");
}

TEST(PlainTextReader, AppendsEveryByteButNulAndTurnsCrLfIntoLf) {
  ScopedTempDir dir;
  auto file = openWith(std::string("A#B\r\nC\0D\rE\xff", 11));
  std::string text = "head:";
  readPlainText(*file, text);
  EXPECT_EQ(text, "head:A#B\nCD\rE\xff");
}

TEST(MarkedTextReader, HashBecomesCrLfAndNothingFollowsTheLastByte) {
  ScopedTempDir dir;
  auto file = openWith(std::string("A#B\0#\r\n林黛玉#", 14));
  std::string text;
  readMarkedText(*file, text);
  EXPECT_EQ(text, "A\r\nB\r\n\n林黛玉\r\n");
}

TEST(SideFileReaders, EveryReaderClosesItsFile) {
  ScopedTempDir dir;
  std::string text;
  int count;
  auto roster = openWith("贾琏  ");
  auto plain = TextFile::open("side.txt", "r+");
  auto marked = TextFile::open("side.txt", "r+");
  const int before = openDescriptorCount();
  readNameRoster(*roster, text, count);
  readPlainText(*plain, text);
  readMarkedText(*marked, text);
  EXPECT_EQ(openDescriptorCount(), before - 3);
}

}  // namespace
}  // namespace quillet
