// Files that are not regular files never open, and never hang or exhaust the program; names are
// judged by whole GBK characters.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "core/family_tree.h"
#include "platform/text_file.h"
#include "tests/support/temp_dir.h"

namespace platform {
namespace {

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
  quillet::testing::ScopedTempDir dir;
  ASSERT_EQ(::mkfifo("fifo.txt", 0666), 0);
  ASSERT_EQ(::symlink("/dev/zero", "zero.txt"), 0);
  ASSERT_EQ(::symlink("/dev/urandom", "random.txt"), 0);
  ASSERT_EQ(::mkdir("directory.txt", 0777), 0);
  quillet::testing::writeFile("regular.txt", "x");
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

TEST(SpecialFiles, NameWhoseCharacterEndsInTheBackslashByteOpens) {
  quillet::testing::ScopedTempDir dir;
  // 贾錦玉: 錦 is E5 5C in GBK.
  quillet::testing::writeFile("\xe8\xb4\xbe\xe9\x8c\xa6\xe7\x8e\x89.txt", "text");
  EXPECT_TRUE(isSafeFileName("\xbc\xd6\xe5\x5c\xd3\xf1.txt"));
  EXPECT_TRUE(TextFile::open("\xbc\xd6\xe5\x5c\xd3\xf1.txt", "r+"));
  EXPECT_FALSE(isSafeFileName("\xbc\xd6\x5c\xd3\xf1.txt"));  // a backslash of its own
}

}  // namespace
}  // namespace platform
