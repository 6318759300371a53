// What save does to the file system: links, owners, other programs, file size limits and the
// temporary files of saves that died.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "core/family_tree.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing::fileExists;
using testing::key;
using testing::readFile;
using testing::record;
using testing::writeFile;

const std::string kClan = record({.name = "贾源", .generation = '0'}) +
                          record({.name = "贾代善", .father = "贾源", .motherIndex = '1'});

// Loads home.txt, marries 贾代善 (so that the tree differs from the file) and saves.
bool loadMarryAndSave(SaveReport* report = nullptr) {
  FamilyTree tree;
  SaveReport ignored;
  return tree.load() && tree.addWife(key("史太君"), key("贾代善"), makeDate("17220101")) &&
         tree.save(report != nullptr ? *report : ignored);
}

// Runs `body` in a child process: its exit status, or 128 + the signal that ended it.
int inChild(const std::function<bool()>& body) {
  pid_t child = ::fork();
  if (child == 0) ::_exit(body() ? 0 : 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Becomes user `uid` whose groups are `uid` and `group`.
bool becomeUser(uid_t uid, gid_t group) {
  return ::setgroups(1, &group) == 0 && ::setgid(uid) == 0 && ::setuid(uid) == 0;
}

mode_t modeOf(const char* name, struct stat& info) {
  ::stat(name, &info);
  return info.st_mode & 07777;
}

TEST(SaveFile, SymbolicLinkIsSavedThroughAndStays) {
  testing::ScopedTempDir dir;
  ASSERT_EQ(::mkdir("real", 0755), 0);
  writeFile("real/genealogy.txt", kClan);
  ASSERT_EQ(::symlink("real/genealogy.txt", "home.txt"), 0);
  ASSERT_TRUE(loadMarryAndSave());
  struct stat link {};
  ASSERT_EQ(::lstat("home.txt", &link), 0);
  EXPECT_TRUE(S_ISLNK(link.st_mode));
  EXPECT_NE(readFile("real/genealogy.txt"), kClan);
}

TEST(SaveFile, OwnerAndGroupAreKeptWhereTheSystemAllowsAndSetIdBitsNeverMove) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root (as CI runs): files of other users";
  testing::ScopedTempDir dir;
  ASSERT_EQ(::chmod(".", 0777), 0);
  writeFile("home.txt", kClan);
  struct stat info {};
  // Root keeps both.
  ASSERT_EQ(::chown("home.txt", 12345, 30000), 0);
  ASSERT_EQ(::chmod("home.txt", 06664), 0);
  ASSERT_TRUE(loadMarryAndSave());
  EXPECT_EQ(modeOf("home.txt", info), 06664u);
  EXPECT_EQ(info.st_uid, 12345u);
  EXPECT_EQ(info.st_gid, 30000u);
  // A second member of the group keeps the group, and no set-id bit comes to him.
  writeFile("home.txt", kClan);
  EXPECT_EQ(inChild([] { return becomeUser(23456, 30000) && loadMarryAndSave(); }), 0);
  EXPECT_EQ(modeOf("home.txt", info), 0664u);
  EXPECT_EQ(info.st_gid, 30000u);
  // So the first user can still load it.
  EXPECT_EQ(inChild([] { return becomeUser(12345, 30000) && FamilyTree().load(); }), 0);
}

TEST(SaveFile, PermissionsThatCannotBeSetFailTheSave) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root (as CI runs): files of other users";
  testing::ScopedTempDir dir;
  writeFile("home.txt", kClan);
  ASSERT_EQ(::chown("home.txt", 12345, 12345), 0);
  // Root without the capability to change the mode of another's file: the new file, once
  // given to user 12345, cannot get its permissions.
  EXPECT_EQ(inChild([] {
              __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
              __user_cap_data_struct data[2]{};
              ::syscall(SYS_capget, &header, data);
              data[0].effective &= ~(1u << CAP_FOWNER);
              return ::syscall(SYS_capset, &header, data) == 0 && !loadMarryAndSave();
            }),
            0);
  EXPECT_EQ(readFile("home.txt"), kClan);
}

TEST(SaveFile, FileChangedByAnotherProgramIsNotOverwritten) {
  testing::ScopedTempDir dir;
  writeFile("home.txt", kClan);
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  ASSERT_TRUE(tree.save());  // its own saves follow one another
  ASSERT_TRUE(tree.save());
  const std::string theirs = kClan + record({.name = "贾代化", .father = "贾源"});
  writeFile("home.txt", theirs);
  SaveReport report;
  EXPECT_FALSE(tree.save(report));
  EXPECT_TRUE(report.changedOnDisk);
  EXPECT_EQ(readFile("home.txt"), theirs);
}

TEST(SaveFile, OfTwoProgramsSavingAtOnceOneWinsAndTheOtherSaysSo) {
  testing::ScopedTempDir dir;
  for (int round = 0; round < 8; ++round) {
    writeFile("home.txt", kClan);
    int ready[2], go[2];
    ASSERT_EQ(::pipe(ready) | ::pipe(go), 0);
    pid_t children[2];
    for (pid_t& child : children) {
      if ((child = ::fork()) != 0) continue;
      FamilyTree tree;
      SaveReport report;
      char byte = 0;
      if (!tree.load() || ::write(ready[1], "r", 1) != 1 || ::read(go[0], &byte, 1) != 1) {
        ::_exit(3);
      }
      ::_exit(tree.save(report) ? 0 : report.changedOnDisk ? 1 : 2);
    }
    char both[2];
    ASSERT_EQ(::read(ready[0], both, 1) + ::read(ready[0], both + 1, 1), 2);
    ASSERT_EQ(::write(go[1], "gg", 2), 2);  // both have loaded: both save at once
    int outcomes[4] = {};
    for (pid_t child : children) {
      int status = 0;
      ::waitpid(child, &status, 0);
      ++outcomes[WIFEXITED(status) ? WEXITSTATUS(status) & 3 : 3];
    }
    for (int fd : {ready[0], ready[1], go[0], go[1]}) ::close(fd);
    EXPECT_EQ(outcomes[0], 1) << "saved, round " << round;
    EXPECT_EQ(outcomes[1], 1) << "refused, round " << round;
  }
}

TEST(SaveFile, FileSizeLimitFailsTheSaveInsteadOfKillingTheProgram) {
  testing::ScopedTempDir dir;
  std::string text = kClan;
  while (text.size() < 20'000) text += record({.name = "无名氏"});
  writeFile("home.txt", text);
  // The child leaves SIGXFSZ as a fresh process has it: a write past the limit would kill it.
  EXPECT_EQ(inChild([] {
              ::signal(SIGXFSZ, SIG_DFL);
              rlimit limit{8192, 8192};
              return ::setrlimit(RLIMIT_FSIZE, &limit) == 0 && !loadMarryAndSave();
            }),
            0);
  EXPECT_EQ(readFile("home.txt"), text);
  EXPECT_EQ(std::system("ls -A | grep -q '^\\.home\\.txt\\.'"), 256) << "a temporary file is left";
}

TEST(SaveFile, TemporaryFilesOfDeadSavesGoAndThoseOfRunningOnesStay) {
  testing::ScopedTempDir dir;
  writeFile("home.txt", kClan);
  writeFile(".home.txt.Ab12Cd", "left by a save that was killed");
  writeFile(".home.txt.Held00", "a save still writing");
  writeFile(".home.txt.kept", "not of this naming");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t holder = ::fork();
  if (holder == 0) {  // holds its temporary file locked, as a running save does
    int held = ::open(".home.txt.Held00", O_RDONLY);
    if (::flock(held, LOCK_EX) == 0 && ::write(ready[1], "h", 1) == 1) ::pause();
    ::_exit(1);
  }
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  EXPECT_TRUE(loadMarryAndSave());
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  ::close(ready[0]);
  ::close(ready[1]);
  EXPECT_FALSE(fileExists(".home.txt.Ab12Cd"));
  EXPECT_TRUE(fileExists(".home.txt.Held00"));
  EXPECT_TRUE(fileExists(".home.txt.kept"));
}

}  // namespace
}  // namespace quillet
