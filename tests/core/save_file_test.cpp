// What save does to the file system: owners, permissions, ACLs and extended attributes, other
// programs, the reason of each failure, and the temporary files of saves that died. (A symbolic
// link saved through: the batch transcript save_writes_through_a_symbolic_link.)
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
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

// Has a second process take a POSIX record lock on home.txt, with lockf (`byLockf`) or with
// fcntl, and hold it for a few seconds; returns once the lock is taken.
bool lockedByAnotherProcess(bool byLockf) {
  int ready[2];
  if (::pipe(ready) != 0) return false;
  if (::fork() == 0) {
    const int fd = ::open("home.txt", O_RDWR);
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    const bool locked = byLockf ? ::lockf(fd, F_LOCK, 0) == 0 : ::fcntl(fd, F_SETLK, &whole) == 0;
    if (locked && ::write(ready[1], "x", 1) == 1) ::sleep(3);
    ::_exit(0);
  }
  char c = 0;
  return ::read(ready[0], &c, 1) == 1;
}

// Becomes user `uid` whose groups are `uid` and `group`.
bool becomeUser(uid_t uid, gid_t group) {
  return ::setgroups(1, &group) == 0 && ::setgid(uid) == 0 && ::setuid(uid) == 0;
}

mode_t modeOf(const char* name, struct stat& info) {
  ::stat(name, &info);
  return info.st_mode & 07777;
}

TEST(SaveFile, OwnerAndGroupAreKeptWhereTheSystemAllowsAndSetIdBitsAreDropped) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root (as CI runs): files of other users";
  testing::ScopedTempDir dir;
  ASSERT_EQ(::chmod(".", 0777), 0);
  writeFile("home.txt", kClan);
  struct stat info {};
  // Root keeps both, but no set-id bit.
  ASSERT_EQ(::chown("home.txt", 12345, 30000), 0);
  ASSERT_EQ(::chmod("home.txt", 06664), 0);
  ASSERT_TRUE(loadMarryAndSave());
  EXPECT_EQ(modeOf("home.txt", info), 0664u);
  EXPECT_EQ(info.st_uid, 12345u);
  EXPECT_EQ(info.st_gid, 30000u);
  // A second member of the group keeps the group.
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
              SaveReport report;
              return ::syscall(SYS_capset, &header, data) == 0 && !loadMarryAndSave(&report) &&
                     report.fileFailure.code() == platform::Status::Code::kAttributesNotKept;
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

// Another user's ACL entry and an extended attribute of home.txt: the new file has them too, so
// that user can still read it.
TEST(SaveFile, AclsAndExtendedAttributesAreKept) {
  testing::ScopedTempDir dir;
  ASSERT_EQ(::chmod(".", 0755), 0);
  writeFile("home.txt", kClan);
  ASSERT_EQ(::chmod("home.txt", 0640), 0);
  // An access ACL as the kernel keeps it: version 2, then entries of tag, permissions and id:
  // the owner rw, user 4242 r, the group r, the mask r, others nothing.
  const std::string acl(
      "\2\0\0\0\1\0\6\0\377\377\377\377\2\0\4\0\222\20\0\0\4\0\4\0\377\377\377\377"
      "\20\0\4\0\377\377\377\377\40\0\0\0\377\377\377\377",
      44);
  if (::setxattr("home.txt", "system.posix_acl_access", acl.data(), acl.size(), 0) != 0 ||
      ::setxattr("home.txt", "user.source", "manuscript", 10, 0) != 0) {
    GTEST_SKIP() << "no ACLs or user attributes here: " << std::strerror(errno);
  }
  ASSERT_TRUE(loadMarryAndSave());
  char value[64];
  const ssize_t size = ::getxattr("home.txt", "system.posix_acl_access", value, sizeof value);
  EXPECT_EQ(std::string(value, size > 0 ? size : 0), acl);
  EXPECT_EQ(::getxattr("home.txt", "user.source", value, sizeof value), 10);
  if (::geteuid() == 0) {
    EXPECT_EQ(inChild([] { return becomeUser(4242, 4242) && FamilyTree().load(); }), 0);
  }
}

// Each way the file cannot be written fails the save with its reason, leaves the file as it was
// and leaves no temporary file. A held lock is waited for a second, not ten (the alarm).
TEST(SaveFile, EachFailureToWriteGivesItsReason) {
  using Code = platform::Status::Code;
  testing::ScopedTempDir dir;
  const std::string here = dir.path();
  // In a mount namespace of the child's own: `source` mounted over the directory, read-only when
  // asked; the directory is entered again so that the mount is the one used.
  auto mountOver = [here](const char* type, const char* source, const char* options,
                          bool readOnly) {
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr)) {
      ::_exit(77);
    }
    const bool bind = type == nullptr;
    bool ok = ::mount(source, here.c_str(), type, bind ? MS_BIND : 0, options) == 0;
    if (ok && readOnly) {
      ok = ::mount(nullptr, here.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    }
    return ok && ::chdir(here.c_str()) == 0;
  };
  struct Case {
    const char* what;
    bool needsRoot;
    std::function<bool()> arrange;
    Code expected;
  };
  const Case cases[] = {
      {"read-only file", false, [] { return ::chmod("home.txt", 0444) == 0; }, Code::kReadOnlyFile},
      {"another user's file", true,
       [] { return ::chown("home.txt", 12345, 12345) == 0 && becomeUser(23456, 23456); },
       Code::kReadOnlyFile},
      {"folder not writable", false, [] { return ::chmod(".", 0555) == 0; },
       Code::kFolderNotWritable},
      {"lock held by another program", false,
       [] { return ::flock(::open("home.txt", O_RDONLY), LOCK_EX) == 0; },
       Code::kHeldByAnotherProgram},
      {"lockf held by another process", false, [] { return lockedByAnotherProcess(true); },
       Code::kHeldByAnotherProgram},
      {"fcntl lock held by another process", false, [] { return lockedByAnotherProcess(false); },
       Code::kHeldByAnotherProgram},
      {"append-only file", true, [] { return std::system("chattr +a home.txt") == 0; },
       Code::kAppendOnlyOrImmutable},
      {"immutable file", true, [] { return std::system("chattr +i home.txt") == 0; },
       Code::kAppendOnlyOrImmutable},
      {"a second hard link", false, [] { return ::link("home.txt", "hard-link.txt") == 0; },
       Code::kSeveralLinks},
      {"file size limit", false,
       [] {
         ::signal(SIGXFSZ, SIG_DFL);  // as a fresh process has it: a write past would kill it
         rlimit limit{100, 100};      // the married clan takes 147 bytes
         return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
       },
       Code::kFileTooLarge},
      {"read-only file system", true, [&] { return mountOver(nullptr, ".", nullptr, true); },
       Code::kReadOnlyFileSystem},
      {"full disk", true,
       [&] {
         if (!mountOver("tmpfs", "tmpfs", "size=64k", false)) return false;
         writeFile("home.txt", kClan);
         int fd = ::open("filler", O_WRONLY | O_CREAT, 0644);
         const std::string block(4096, 'x');
         while (::write(fd, block.data(), block.size()) > 0) {
         }
         return ::close(fd) == 0;
       },
       Code::kDiskFull},
  };
  for (const Case& c : cases) {
    if (c.needsRoot && ::geteuid() != 0) continue;
    ::unlink("home.txt");
    writeFile("home.txt", kClan);
    ASSERT_EQ(::chmod(".", 0777), 0);
    const int status = inChild([&c] {
      ::alarm(5);
      SaveReport report;
      return c.arrange() && !loadMarryAndSave(&report) && report.fileFailure.code() == c.expected;
    });
    ASSERT_EQ(::chmod(".", 0755), 0);
    if (c.needsRoot) std::system("chattr -a -i home.txt 2>/dev/null");
    if (status == 77) continue;  // no mount namespace here
    EXPECT_EQ(status, 0) << c.what;
    EXPECT_TRUE(testing::sameBytes(readFile("home.txt"), kClan)) << c.what;
    // A second name of the file holds what the first does: never a split.
    if (fileExists("hard-link.txt")) {
      EXPECT_TRUE(testing::sameBytes(readFile("hard-link.txt"), kClan)) << c.what;
      ::unlink("hard-link.txt");
    }
    EXPECT_EQ(std::system("ls -A | grep -q '^\\.home\\.txt\\.'"), 256) << c.what;
  }
}

// Only temporary files this program made are removed: named ".home.txt.quillet-" and six letters
// or digits, not held by a running save (here a lock of this process), not made just now.
TEST(SaveFile, OnlyTheProgramsOwnStaleTemporaryFilesGo) {
  testing::ScopedTempDir dir;
  writeFile("home.txt", kClan);
  const char* kStale = ".home.txt.quillet-Ab12Cd";
  const char* kKept[] = {".home.txt.quillet-Held00", ".home.txt.backup", ".home.txt.Ab12Cd",
                         ".home.txt.quillet-kept", ".home.txt.quillet-New000"};
  for (const char* name : kKept) writeFile(name, "not to be removed");
  writeFile(kStale, "left by a save that was killed");
  ASSERT_EQ(std::system("touch -d '1 hour ago' .home.txt.[!q]* .home.txt.quillet-[!N]*"), 0);
  const int held = ::open(kKept[0], O_RDONLY);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  EXPECT_TRUE(loadMarryAndSave());
  ::close(held);
  EXPECT_FALSE(fileExists(kStale));
  for (const char* name : kKept) EXPECT_TRUE(fileExists(name)) << name;
}

// Another program's edit in place, of the same size and with its modification time put back,
// is seen (its status-change time moved) and not overwritten; a change of the permissions alone
// and back, the text unchanged, is no change.
TEST(SaveFile, AnEditInPlaceWithItsTimePutBackIsNotOverwritten) {
  testing::ScopedTempDir dir;
  writeFile("home.txt", kClan);
  struct stat before {};
  ASSERT_EQ(::stat("home.txt", &before), 0);
  ::sleep(1);  // a status-change time of its own for what follows
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  ASSERT_TRUE(tree.addWife(key("史太君"), key("贾代善"), makeDate("17220101")));
  ASSERT_EQ(::chmod("home.txt", 0600), 0);
  ASSERT_EQ(::chmod("home.txt", before.st_mode & 07777), 0);
  std::string edited = kClan;
  edited[edited.find("贾代善") + 4] = '\xd4';  // 贾代善 becomes 贾代云, in place
  const int fd = ::open("home.txt", O_WRONLY);
  ASSERT_EQ(::pwrite(fd, edited.data(), edited.size(), 0), static_cast<ssize_t>(edited.size()));
  const struct timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(::futimens(fd, times), 0);
  ::close(fd);
  SaveReport report;
  EXPECT_FALSE(tree.save(report));
  EXPECT_TRUE(report.changedOnDisk);
  EXPECT_TRUE(testing::sameBytes(readFile("home.txt"), edited));
  // The other program's text read anew: saved, after a change of permissions alone.
  ASSERT_TRUE(tree.load());
  ASSERT_EQ(::chmod("home.txt", 0600), 0);
  ASSERT_TRUE(tree.addWife(key("史太君"), key("贾代云"), makeDate("17220101")));
  EXPECT_TRUE(tree.save());
}

}  // namespace
}  // namespace quillet
