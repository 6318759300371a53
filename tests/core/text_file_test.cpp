// The text files of the platform layer: text mode, names, and files that are not regular files,
// which never open, hang or exhaust the program. (Read-only files and safe replacement: the save
// tests, which fail each way a file cannot be written and kill a save midway.)
#include "platform/text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "core/family_tree.h"
#include "tests/support/temp_dir.h"

namespace platform {
namespace {

using quillet::testing::readFile;
using quillet::testing::ScopedTempDir;
using quillet::testing::writeFile;

std::string readAll(TextFile& file) {
  std::string bytes;
  for (int c = file.getc(); c != TextFile::kEof; c = file.getc()) bytes += static_cast<char>(c);
  return bytes;
}

// Text mode: CR LF reads as one LF and every other byte passes; LF writes as CR LF.
TEST(TextFile, CrLfReadsAsOneLineFeedLineFeedWritesAsCrLfAndGbkNamesAreUtf8OnDisk) {
  ScopedTempDir dir;
  writeFile("a.txt", std::string("a\r\nb\rc\n\r\0\xff\x1a\r", 12));
  auto file = TextFile::open("a.txt", "r+");
  ASSERT_TRUE(file);
  EXPECT_EQ(readAll(*file), std::string("a\nb\rc\n\r\0\xff\x1a\r", 11));
  file = TextFile::open("b.txt", "w+");
  ASSERT_TRUE(file);
  EXPECT_TRUE(file->write("x\ny\r"));
  EXPECT_TRUE(file->close());
  EXPECT_EQ(readFile("b.txt"), "x\r\ny\r");
  writeFile("\xe5\xae\x81.txt", "content");  // 宁.txt in UTF-8, opened by its GBK name
  file = TextFile::open("宁.txt", "r+");
  ASSERT_TRUE(file);
  EXPECT_EQ(readAll(*file), "content");
}

TEST(TextFile, NamesThatCouldLeaveTheDirectoryNeverOpen) {
  ScopedTempDir dir;
  writeFile("a.txt", "x");
  EXPECT_FALSE(TextFile::open("../a.txt", "r"));
  EXPECT_FALSE(TextFile::open("sub\\a.txt", "r"));
  EXPECT_FALSE(TextFile::open(std::string("a.txt\0x", 7), "r"));
  EXPECT_FALSE(TextFile::open("", "r"));
  EXPECT_FALSE(TextFile::open("..", "r"));
  EXPECT_FALSE(TextFile::open("\x81\x20.txt", "r"));  // not GBK
}

// Runs `check` in a child process that is killed after ten seconds: true when it returned true
// in time.
bool passesWithinTenSeconds(const std::function<bool()>& check) {
  pid_t child = ::fork();
  if (child == 0) {
    ::alarm(10);
    ::_exit(check() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(SpecialFiles, FifoDevicesAndDirectoriesDoNotOpenInAnyMode) {
  ScopedTempDir dir;
  ASSERT_EQ(::mkfifo("fifo.txt", 0666), 0);
  ASSERT_EQ(::symlink("/dev/zero", "zero.txt"), 0);
  ASSERT_EQ(::symlink("/dev/urandom", "random.txt"), 0);
  ASSERT_EQ(::mkdir("directory.txt", 0777), 0);
  writeFile("regular.txt", "x");
  ASSERT_EQ(::symlink("regular.txt", "link.txt"), 0);
  for (const char* name : {"fifo.txt", "zero.txt", "random.txt", "directory.txt"}) {
    for (const char* mode : {"r", "r+", "w", "a+"}) {
      EXPECT_TRUE(passesWithinTenSeconds([&] { return TextFile::open(name, mode) == nullptr; }))
          << name << " " << mode;
    }
  }
  EXPECT_TRUE(TextFile::open("link.txt", "r+"));  // a link to a regular file is one
  ASSERT_EQ(::rename("fifo.txt", "home.txt"), 0);
  EXPECT_TRUE(passesWithinTenSeconds([] {
    quillet::FamilyTree tree;
    return !tree.load() && tree.root() == nullptr;
  }));
  struct stat info {};
  ASSERT_EQ(::stat("home.txt", &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));  // "w" left it as it was
}

}  // namespace
}  // namespace platform
