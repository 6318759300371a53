// quillet-export and quillet-import where a transcript cannot go (their usage, outputs, --force
// and losses: the batch transcripts cli_*): an export cut short by a full disk, FIFOs and
// devices written through, memory and long lines, other programs' test files, and export then
// import giving home.txt back byte for byte (the shipped clan, generated clans of 10^3 and 10^5
// persons, both versions).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/whole_file.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"
#include "tools/genealogy_generator/genealogy_generator.h"

namespace quillet {
namespace {

using testing::fileExists;
using testing::readFile;
using testing::record;
using testing::utf8;
using testing::writeFile;

int run(const char* program, const std::string& arguments, std::string* errors = nullptr) {
  std::string command = std::string("'") + program + "' " + arguments + " >stdout.txt 2>stderr.txt";
  int status = std::system(command.c_str());
  if (errors != nullptr) *errors = readFile("stderr.txt");
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int import(const std::string& arguments, std::string* errors = nullptr) {
  return run(QUILLET_IMPORT_BINARY, arguments, errors);
}

int runExport(const std::string& arguments, std::string* errors = nullptr) {
  return run(QUILLET_EXPORT_BINARY, arguments, errors);
}

TEST(ExportCli, OutputIsReplacedWholeOrNotAtAllAndLinksAreNotWrittenThrough) {
  testing::ScopedTempDir dir;
  writeFile("home.txt", testing::smallClan());
  writeFile("old.ged", "a good export");
  // A file size limit stands in for a full disk: the export cannot be written whole.
  std::string command = std::string("bash -c \"ulimit -f 1; '") + QUILLET_EXPORT_BINARY +
                        "' chart old.ged\" 2>/dev/null";
  int status = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  EXPECT_EQ(readFile("old.ged"), "a good export");
  EXPECT_EQ(std::system("ls -A | grep -q '^\\.old\\.ged\\.'"), 256) << "a temporary file is left";
  // What killed exports and saves left goes at the next export (of that file; home.txt's at
  // every start); files of other naming stay.
  for (const char* name :
       {".home.txt.quillet-Ab12Cd", ".old.ged.quillet-Xy34Zw", ".old.ged.Ab12Cd"}) {
    writeFile(name, "x");
  }
  ASSERT_EQ(std::system("touch -d '1 hour ago' .home.txt.* .old.ged.*"), 0);
  ASSERT_EQ(runExport("gedcom old.ged"), 0);
  EXPECT_EQ(std::system("ls -A | grep -q quillet-"), 256) << "a stale temporary file stays";
  EXPECT_TRUE(fileExists(".old.ged.Ab12Cd"));

  writeFile("target.dat", "not an export");
  std::filesystem::create_symlink("target.dat", "out.ged");
  ASSERT_EQ(runExport("gedcom out.ged"), 0);
  EXPECT_EQ(readFile("target.dat"), "not an export");
  EXPECT_FALSE(std::filesystem::is_symlink("out.ged"));
  EXPECT_TRUE(readFile("out.ged").starts_with("0 HEAD"));
}

// Each way an output cannot be written is named in the words of the save: a full disk (a tmpfs
// of 64 KiB, filled), a file size limit, a read-only file system, a folder this user may not
// write (another user, through setpriv), a missing folder, an append-only file, a file with a
// second hard link (replacing it would split the two names). Nothing is left behind.
TEST(ExportCli, EachFailureToWriteSaysWhy) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root (as CI runs): mounts and other users";
  if (std::system("unshare -m true 2>/dev/null") != 0) GTEST_SKIP() << "no mount namespace here";
  testing::ScopedTempDir dir;
  writeFile("home.txt", testing::smallClan());
  writeFile(
      "clan.ged",
      "0 HEAD\n1 GEDC\n2 VERS 5.5.1\n1 CHAR UTF-8\n0 @I1@ INDI\n1 NAME /\xe8\xb4\xbe/\xe6\xbc\x94\n"
      "1 SEX M\n1 BIRT\n2 DATE 1 JAN 1700\n0 TRLR\n");
  ASSERT_EQ(::chmod(".", 0755), 0);
  const std::string exporter = std::string("'") + QUILLET_EXPORT_BINARY + "'";
  const std::string importer = std::string("'") + QUILLET_IMPORT_BINARY + "'";
  const std::string fill =
      "mkdir -p full && mount -t tmpfs -o size=64k tmpfs full && "
      "(dd if=/dev/zero of=full/filler bs=4k 2>/dev/null; true) && ";
  const struct {
    std::string command;  // run by bash in a mount namespace of its own
    std::string reason;   // the end of the one line on standard error
  } cases[] = {
      {fill + exporter + " chart full/out.svg", "cannot write full/out.svg: the disk is full"},
      {fill + importer + " clan.ged full", "cannot write full/home.txt: the disk is full"},
      {"ulimit -f 1; " + exporter + " gedcom big.ged",
       "cannot write big.ged: the file would be too large (file size limit)"},
      {"mkdir -p ro && mount --bind ro ro && mount -o remount,bind,ro ro && " + exporter +
           " gedcom ro/out.ged",
       "cannot write ro/out.ged: the file system is read-only"},
      {"mkdir -p locked && chmod 555 locked && setpriv --reuid=23456 --regid=23456 "
       "--clear-groups " +
           exporter + " gedcom locked/out.ged",
       "cannot write locked/out.ged: the folder is not writable"},
      {exporter + " gedcom no-such-folder/out.ged",
       "cannot write no-such-folder/out.ged: not found"},
      {"echo old >kept.ged && chattr +a kept.ged && " + exporter + " gedcom kept.ged; s=\\$?; " +
           "chattr -a kept.ged; exit \\$s",
       "cannot write kept.ged: the file is append-only or immutable"},
      {"echo old >linked.ged && ln -f linked.ged other.ged && " + exporter + " gedcom linked.ged",
       "cannot write linked.ged: the file has other hard links, which would keep the old content"},
  };
  for (const auto& c : cases) {
    const std::string command = "unshare -m bash -c \"" + c.command + "\" 2>stderr.txt";
    const int status = std::system(command.c_str());
    const std::string errors = readFile("stderr.txt");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << c.command << ": " << errors;
    EXPECT_TRUE(errors.ends_with(c.reason + "\n")) << c.command << ": " << errors;
  }
  EXPECT_EQ(readFile("linked.ged"), "old\n");
  EXPECT_EQ(readFile("other.ged"), "old\n");
  EXPECT_EQ(std::system("ls -A . locked ro | grep -q quillet-"), 256) << "a temporary file is left";
}

// An export killed before its end (here a child that ends without a word) leaves its temporary
// file beside the output, wherever that is; the next start of quillet-export or quillet-import
// (and of the window and quillet-batch, which share that start) removes it, and its note. A
// running export's temporary file (locked) and another program's file of the same name stay.
TEST(ExportCli, AKilledExportsTemporaryFileGoesAtTheNextStartOfAnyProgram) {
  testing::ScopedTempDir dir;
  ASSERT_EQ(::setenv("XDG_CACHE_HOME", (dir.path() + "/cache").c_str(), 1), 0);
  std::filesystem::create_directory("elsewhere");
  auto killedExport = [](const char* path) {
    if (::fork() == 0) {
      std::unique_ptr<platform::PathReplacement> file;
      if (platform::PathReplacement::open(path, file).ok()) file->write("half an export");
      ::_exit(0);  // as SIGKILL would: no destructor runs
    }
    int status = 0;
    ::wait(&status);
  };
  killedExport("elsewhere/first.pdf");
  killedExport("elsewhere/second.ged");
  writeFile("elsewhere/.other.ged.quillet-Ab12Cd", "another program's");
  std::unique_ptr<platform::PathReplacement> running;
  ASSERT_TRUE(platform::PathReplacement::open("elsewhere/running.ged", running).ok());
  ASSERT_EQ(std::system("touch -d '1 hour ago' elsewhere/.* cache/quillet/temporaries/*"), 0);
  EXPECT_EQ(std::system("ls -A elsewhere | grep -c quillet- >count.txt; true"), 0);
  EXPECT_EQ(readFile("count.txt"), "4\n");
  EXPECT_EQ(runExport("gedcom out.ged"), 1);  // no home.txt here: it only starts
  EXPECT_EQ(import("--list-roots missing.ged"), 1);
  EXPECT_EQ(std::system("ls -A elsewhere | grep quillet- >left.txt; true"), 0);
  const std::string left = readFile("left.txt");
  EXPECT_TRUE(left.starts_with(".other.ged.quillet-Ab12Cd\n.running.ged.quillet-")) << left;
  EXPECT_EQ(std::count(left.begin(), left.end(), '\n'), 2) << left;
  EXPECT_EQ(std::system("ls cache/quillet/temporaries | wc -l >notes.txt"), 0);
  EXPECT_EQ(readFile("notes.txt"), "1\n");  // the running export's
  ::unsetenv("XDG_CACHE_HOME");
}

// What exists and is not a regular file is written through, never replaced: a FIFO (its reader
// gets the export), a link to /dev/null, standard output as /dev/fd/1 (a file the shell opened).
TEST(ExportCli, FifoDeviceAndStandardOutputAreWrittenThroughNotReplaced) {
  testing::ScopedTempDir dir;
  writeFile("home.txt", testing::smallClan());
  ASSERT_EQ(::mkfifo("pipe.ged", 0644), 0);
  std::filesystem::create_symlink("/dev/null", "null.ged");
  const std::string program = std::string("'") + QUILLET_EXPORT_BINARY + "' ";
  const std::string runs = "timeout 20 cat pipe.ged > read.ged & " + program +
                           "gedcom pipe.ged && " + program + "chart null.ged && " + program +
                           "gedcom /dev/fd/1 > out.ged";
  EXPECT_EQ(std::system((runs + "; status=$?; wait; exit $status").c_str()), 0);
  EXPECT_TRUE(readFile("read.ged").starts_with("0 HEAD\n"));
  EXPECT_TRUE(readFile("out.ged").starts_with("0 HEAD\n"));
  EXPECT_TRUE(std::filesystem::is_fifo("pipe.ged"));
  EXPECT_TRUE(std::filesystem::is_symlink("null.ged"));
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
}

#if !defined(__SANITIZE_ADDRESS__)
// A GEDCOM 5.5.1 file in UTF-8 of `records`.
std::string gedcom(std::u8string_view records) {
  return "0 HEAD\n1 GEDC\n2 VERS 5.5.1\n1 CHAR UTF-8\n" + utf8(records) + "0 TRLR\n";
}

// A file of one person whose name is `length` letters, imported under a limit of `kilobytes` of
// address space: the exit status, and the messages in `errors`.
int importUnderLimit(std::size_t length, int kilobytes, std::string& errors) {
  writeFile("long.ged",
            gedcom(u8"0 @I1@ INDI\n1 NAME /Jia/" + std::u8string(length, u8'x') + u8"\n1 SEX M\n"));
  return run("/bin/bash",
             "-c \"ulimit -v " + std::to_string(kilobytes) + "; '" + QUILLET_IMPORT_BINARY +
                 "' long.ged\"",
             &errors);
}

TEST(ImportCli, RunningOutOfMemoryEndsWithAMessage) {
  testing::ScopedTempDir dir;
  std::string errors;
  EXPECT_EQ(importUnderLimit(24'000'000, 40'000, errors), 3);
  EXPECT_EQ(errors, "quillet-import: out of memory\n");
}

// A name line of 4 MB once took 80 bytes a character; the reader keeps to a small multiple of
// the file's size, and the loss line shows the name cut.
TEST(ImportCli, ALongLineCostsASmallMultipleOfItsSize) {
  testing::ScopedTempDir dir;
  std::string errors;
  EXPECT_EQ(importUnderLimit(4'000'000, 80'000, errors), 1);
  EXPECT_NE(errors.find("quillet-import: @I1@ Jia" + std::string(29, 'x') +
                        "...: name of 4000003 characters, character \"J\" is not Chinese; " +
                        utf8(u8"佚名 used")),
            std::string::npos)
      << errors.substr(0, 200);
}
#endif

// Files from other programs' own test suites, as they are and spoiled (cut short, mislabelled,
// levels and bytes damaged): each import ends in exit 0 or 1 with a message, never a crash.
TEST(ImportCli, OtherProgramsTestFilesEndInAnAnswer) {
  const char* const kPeerFiles[] = {"/usr/share/doc/libgedcom-perl/examples/royal.ged",
                                    "/usr/share/doc/gramps/example/gedcom/sample.ged"};
  testing::ScopedTempDir dir;
  int tried = 0;
  for (const char* peer : kPeerFiles) {
    if (!fileExists(peer)) continue;
    const std::string bytes = readFile(peer);
    std::string mislabelled = bytes, noLevels = bytes, flipped = bytes;
    if (std::size_t at = mislabelled.find("1 CHAR"); at != std::string::npos) {
      mislabelled.replace(at, 6, "1 CHAR BIG5\n1 _X");
    }
    for (std::size_t at = 0; (at = noLevels.find("\n2 ", at + 1)) != std::string::npos;) {
      noLevels[at + 1] = 'x';  // a line without a level number
    }
    for (std::size_t at = 97; at < flipped.size(); at += 97) flipped[at] ^= '\x80';
    for (const std::string& variant :
         {bytes, bytes.substr(0, bytes.size() / 2), mislabelled, noLevels, flipped}) {
      writeFile("peer.ged", variant);
      std::filesystem::remove_all("out");
      std::filesystem::create_directory("out");
      std::string errors;
      const int status = run(
          "/usr/bin/timeout",
          std::string("60 '") + QUILLET_IMPORT_BINARY + "' --accept-losses peer.ged out", &errors);
      EXPECT_TRUE(status == 0 || status == 1) << peer << ": " << status << "\n" << errors;
      EXPECT_EQ(status == 0, fileExists("out/home.txt")) << peer;
      EXPECT_TRUE(status == 0 || !errors.empty()) << peer;
      ++tried;
    }
  }
  if (tried == 0) GTEST_SKIP() << "no other program's test files installed";
}

// quillet-export gedcom, then quillet-import, in each version: home.txt comes back unchanged.
void expectRoundTrip(const std::string& home, const std::string& clan) {
  testing::ScopedTempDir dir;
  writeFile("home.txt", home);
  std::filesystem::create_directory("back");
  for (const char* version : {"5.5.1", "7.0"}) {
    ASSERT_EQ(runExport(std::string("gedcom clan.ged --version ") + version), 0);
    std::string errors;
    ASSERT_EQ(import("--force clan.ged back", &errors), 0) << clan << " " << version << errors;
    EXPECT_TRUE(readFile("back/home.txt") == home) << clan << " changed in GEDCOM " << version;
  }
}

TEST(ImportCli, ExportThenImportGivesHomeTxtBackByteForByte) {
  expectRoundTrip(readFile(testing::sourcePath("data/home.txt")), "the shipped clan");
  for (int persons : {1000, 100000}) {
    expectRoundTrip(tools::generateGenealogy(persons).fileBytes,
                    "the generated clan of " + std::to_string(persons));
  }
}

}  // namespace
}  // namespace quillet
