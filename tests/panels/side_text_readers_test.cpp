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

std::string repeated(std::string_view name, int times) {
  std::string bytes;
  for (int i = 0; i < times; ++i) bytes += name;
  return bytes;
}

// Nine names to a line (the ninth ends it with CR LF, the tenth starts the next); a field shows
// up to its NUL but counts; a trailing part shorter than a field is ignored; text mode's CR LF
// arrives as one byte and shifts the fields.
TEST(NameRosterReader, LaysOutNineNamesALine) {
  const struct {
    std::string bytes;
    int count;
    std::string text;
  } cases[] = {
      {"", 0, ""},
      {repeated("贾珍  ", 8) + "尤氏  ", 9, "        " + repeated("贾珍      ", 8) + "尤氏  \r\n"},
      {repeated("贾宝玉", 10), 10,
       "        " + repeated("贾宝玉    ", 8) + "贾宝玉\r\n        贾宝玉    "},
      {"贾母  李纨  平儿", 2, "        贾母      李纨      "},
      {std::string("晴雯\0\0\0\0", 6) + std::string("\0abcde", 6) + "袭人  ", 3,
       "        晴雯        袭人      "},
      {"ab\r\ncdefghijk\r\n", 2, "        ab\ncde    fghijk    "},
  };
  ScopedTempDir dir;
  for (const auto& c : cases) {
    auto file = openWith(c.bytes);
    ASSERT_NE(file, nullptr);
    std::string text = "kept";
    int count = -1;
    readNameRoster(*file, text, count);
    EXPECT_EQ(count, c.count) << c.text;
    EXPECT_EQ(text, "kept" + c.text);
  }
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
