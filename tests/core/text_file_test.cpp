// The text files of the platform layer: text mode, names, and files that are not regular files,
// which never open, hang or exhaust the program; whole files at paths, read whole or by their
// head, and replaced; the parts of a path. (Read-only files and safe replacement: the save
// tests, which fail each way a file cannot be written and kill a save midway.)
#include "platform/text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "core/family_tree.h"
#include "platform/file_failure.h"
#include "platform/path.h"
#include "platform/whole_file.h"
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

// A FIFO without a writer, an endless device and a directory are refused by both reads without
// blocking (a FIFO's open would wait for a writer, /dev/zero's read would never end); a regular
// file, through a link too, is read whole or up to the limit.
TEST(WholeFile, ReadsTakeOnlyRegularFilesAndNeverBlock) {
  ScopedTempDir dir;
  ASSERT_EQ(::mkfifo("fifo", 0666), 0);
  ASSERT_EQ(::symlink("/dev/zero", "zero"), 0);
  ASSERT_EQ(::mkdir("folder", 0777), 0);
  for (const char* name : {"fifo", "zero", "folder"}) {
    EXPECT_TRUE(passesWithinTenSeconds([name] {
      std::string bytes;
      const Status whole = readRegularFile(name, bytes);
      const Status head = readFileHead(name, 16, bytes);
      return whole.code() == Status::Code::kNotRegularFile &&
             whole.message() == "not a regular file" && head == whole;
    })) << name;
  }
  writeFile("regular", "0123456789");
  ASSERT_EQ(::symlink("regular", "link"), 0);
  std::string bytes;
  ASSERT_TRUE(readFileHead("link", 4, bytes).ok());
  EXPECT_EQ(bytes, "0123");
  ASSERT_TRUE(readRegularFile("link", bytes).ok());
  EXPECT_EQ(bytes, "0123456789");
  const Status missing = readRegularFile("missing", bytes);
  EXPECT_EQ(missing.code(), Status::Code::kNotFound);
  EXPECT_EQ(missing.message(), "No such file or directory");
}

// A replacement that cannot be made says why in both languages and leaves the old file; one that
// can replaces the file whole. The folder lists what it holds.
TEST(WholeFile, ReplacementSaysWhyItFailedAndTheFolderListsItsNames) {
  ScopedTempDir dir;
  const Status noFolder = replaceFileAtPath("no-such-folder/out.txt", "x");
  EXPECT_EQ(noFolder.code(), Status::Code::kNotFound);
  EXPECT_EQ(noFolder.message(), "not found");
  EXPECT_EQ(fileFailureWords(noFolder.code()), "文件夹不存在");
  writeFile("linked.txt", "old");
  ASSERT_EQ(::link("linked.txt", "other-name.txt"), 0);
  const Status linked = replaceFileAtPath("linked.txt", "new");
  EXPECT_EQ(linked.code(), Status::Code::kSeveralLinks);
  EXPECT_EQ(readFile("other-name.txt"), "old");
  EXPECT_TRUE(replaceFileAtPath("out.txt", "whole").ok());
  EXPECT_EQ(readFile("out.txt"), "whole");
  std::vector<std::string> names = namesInFolder(".");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names,
            (std::vector<std::string>{".", "..", "linked.txt", "other-name.txt", "out.txt"}));
  EXPECT_TRUE(namesInFolder("no-such-folder").empty());
}

TEST(Path, DirectoryAndBaseNameSplitAtTheLastSlash) {
  struct Case {
    const char* path;
    const char* directory;
    const char* base;
  };
  for (const Case& c : {Case{"a/b/c.txt", "a/b", "c.txt"}, Case{"/c.txt", "/", "c.txt"},
                        Case{"c.txt", ".", "c.txt"}, Case{"a/", "a", ""}}) {
    EXPECT_EQ(directoryOf(c.path), c.directory) << c.path;
    EXPECT_EQ(baseNameOf(c.path), c.base) << c.path;
  }
}

}  // namespace
}  // namespace platform
