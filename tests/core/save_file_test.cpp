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
  if (!tree.load() || !tree.addWife(key("史太君"), key("贾代善"), makeDate("17220101"))) {
    return false;
  }
  SaveReport ignored;
  return tree.save(report != nullptr ? *report : ignored);
}

// Runs `body` in a child process; its exit status, or 128 + the signal that ended it.
int inChild(const std::function<int()>& body) {
  pid_t child = ::fork();
  if (child == 0) ::_exit(body());
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Becomes user `uid` with primary group `gid` and the one supplementary group `group`.
bool becomeUser(uid_t uid, gid_t gid, gid_t group) {
  return ::setgroups(1, &group) == 0 && ::setgid(gid) == 0 && ::setuid(uid) == 0;
}

#define REQUIRE_ROOT() \
  if (::geteuid() != 0) GTEST_SKIP() << "needs root (as CI runs): files of other users"

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
  EXPECT_EQ(readFile("home.txt"), readFile("real/genealogy.txt"));
}

TEST(SaveFile, OwnerAndGroupAreKeptForRoot) {
  REQUIRE_ROOT();
  testing::ScopedTempDir dir;
  writeFile("home.txt", kClan);
  ASSERT_EQ(::chown("home.txt", 12345, 23456), 0);
  ASSERT_EQ(::chmod("home.txt", 0640), 0);
  ASSERT_TRUE(loadMarryAndSave());
  struct stat saved {};
  ASSERT_EQ(::stat("home.txt", &saved), 0);
  EXPECT_EQ(saved.st_uid, 12345u);
  EXPECT_EQ(saved.st_gid, 23456u);
  EXPECT_EQ(saved.st_mode & 07777, 0640u);
}

TEST(SaveFile, GroupMemberKeepsTheGroupAndDropsSetIdBits) {
  REQUIRE_ROOT();
  testing::ScopedTempDir dir;
  ASSERT_EQ(::chmod(".", 0777), 0);
  writeFile("home.txt", kClan);
  // Owned by user 12345 in the shared group 30000, group-writable, with both set-id bits.
  ASSERT_EQ(::chown("home.txt", 12345, 30000), 0);
  ASSERT_EQ(::chmod("home.txt", 06664), 0);
  // A second member of the group (user 23456) saves.
  EXPECT_EQ(inChild([] { return becomeUser(23456, 23456, 30000) && loadMarryAndSave() ? 0 : 1; }),
            0);
  struct stat saved {};
  ASSERT_EQ(::stat("home.txt", &saved), 0);
  EXPECT_EQ(saved.st_gid, 30000u);
  EXPECT_EQ(saved.st_mode & 07777, 0664u);
  // The first user can still load it.
  EXPECT_EQ(inChild([] {
              FamilyTree tree;
              return becomeUser(12345, 12345, 30000) && tree.load() && tree.personCount() == 3 ? 0
                                                                                               : 1;
            }),
            0);
}

TEST(SaveFile, PermissionsThatCannotBeSetFailTheSave) {
  REQUIRE_ROOT();
  testing::ScopedTempDir dir;
  writeFile("home.txt", kClan);
  ASSERT_EQ(::chown("home.txt", 12345, 12345), 0);
  // Root without the capability to change modes of files it does not own: the new file, once
  // given to user 12345, cannot get its permissions.
  EXPECT_EQ(inChild([] {
              __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
              __user_cap_data_struct data[2]{};
              if (::syscall(SYS_capget, &header, data) != 0) return 2;
              data[0].effective &= ~(1u << CAP_FOWNER);
              if (::syscall(SYS_capset, &header, data) != 0) return 2;
              return loadMarryAndSave() ? 1 : 0;
            }),
            0);
  EXPECT_EQ(readFile("home.txt"), kClan);
}

TEST(SaveFile, FileChangedByAnotherProgramIsNotOverwritten) {
  testing::ScopedTempDir dir;
  writeFile("home.txt", kClan);
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  ASSERT_TRUE(tree.addWife(key("史太君"), key("贾代善"), makeDate("17220101")));
  ASSERT_TRUE(tree.save());  // its own saves follow one another
  ASSERT_TRUE(tree.save());
  const std::string theirs = kClan + record({.name = "贾代化", .father = "贾源"});
  writeFile("home.txt", theirs);
  SaveReport report;
  EXPECT_FALSE(tree.save(report));
  EXPECT_TRUE(report.changedOnDisk);
  EXPECT_TRUE(report.unsavable.empty());
  EXPECT_EQ(readFile("home.txt"), theirs);
}

TEST(SaveFile, OfTwoProgramsSavingAtOnceOneWinsAndTheOtherSaysSo) {
  testing::ScopedTempDir dir;
  for (int round = 0; round < 8; ++round) {
    writeFile("home.txt", kClan);
    int ready[2], go[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(go), 0);
    pid_t children[2];
    for (pid_t& child : children) {
      child = ::fork();
      if (child == 0) {
        ::alarm(20);
        FamilyTree tree;
        char byte = 0;
        bool loaded =
            tree.load() && tree.addWife(key("史太君"), key("贾代善"), makeDate("17220101"));
        if (::write(ready[1], "r", 1) != 1 || ::read(go[0], &byte, 1) != 1) ::_exit(3);
        SaveReport report;
        if (!loaded) ::_exit(3);
        ::_exit(tree.save(report) ? 0 : report.changedOnDisk ? 1 : 2);
      }
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ASSERT_EQ(::write(go[1], "gg", 2), 2);  // both save at once
    int saved = 0, refused = 0;
    for (pid_t child : children) {
      int status = 0;
      ::waitpid(child, &status, 0);
      ASSERT_TRUE(WIFEXITED(status));
      saved += WEXITSTATUS(status) == 0;
      refused += WEXITSTATUS(status) == 1;
    }
    for (int fd : {ready[0], ready[1], go[0], go[1]}) ::close(fd);
    EXPECT_EQ(saved, 1) << "round " << round;
    EXPECT_EQ(refused, 1) << "round " << round;
  }
}

TEST(SaveFile, FileSizeLimitFailsTheSaveInsteadOfKillingTheProgram) {
  testing::ScopedTempDir dir;
  std::string text = kClan;
  for (int i = 0; i < 400; ++i) {
    char name[7];
    std::snprintf(name, sizeof name, "S%05d", i);
    text += record({.name = name, .father = "贾源"});
  }
  writeFile("home.txt", text);
  // The child leaves SIGXFSZ as a fresh process has it: a write past the limit would kill it.
  EXPECT_EQ(inChild([] {
              ::signal(SIGXFSZ, SIG_DFL);
              rlimit limit{8192, 8192};
              ::setrlimit(RLIMIT_FSIZE, &limit);
              return loadMarryAndSave() ? 1 : 0;
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
  if (holder == 0) {  // holds its temporary file as a running save does
    int fd = ::open(".home.txt.Held00", O_RDONLY);
    if (fd < 0 || ::flock(fd, LOCK_EX) != 0 || ::write(ready[1], "h", 1) != 1) ::_exit(1);
    ::alarm(20);
    ::pause();
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
