// quillet-export and quillet-import run as a user runs them: usage; exports in each format that
// never overwrite a file the program reads and replace their output whole; home.txt never
// overwritten unasked; every loss of an import listed and refused unless accepted; and export
// then import giving home.txt back byte for byte (the shipped clan, generated clans of 10^3 and
// 10^5 persons, both versions).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

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

std::string gedcom(std::u8string_view records) {
  return "0 HEAD\n1 GEDC\n2 VERS 5.5.1\n1 CHAR UTF-8\n" + utf8(records) + "0 TRLR\n";
}

const std::u8string_view kRoot =
    u8"0 @I1@ INDI\n1 NAME /贾/演\n1 SEX M\n1 BIRT\n2 DATE 1 JAN 1700\n";

std::string smallClan() {
  // clang-format off
  return testing::records({
      {.name = "贾演", .generation = '0', .birthDate = "16500101", .married = 'y', .alive = 'n', .deathDate = "17200101"},
      {.name = "史氏", .generation = '0', .birthDate = "16550101", .sex = 'f', .married = 'y', .husband = "贾演"},
      {.name = "贾代化", .father = "贾演", .birthDate = "16800101", .motherIndex = '1'},
  });
  // clang-format on
}

TEST(Cli, BadUsageExitsTwoWithAHintAndWritesNothing) {
  testing::ScopedTempDir dir;
  writeFile("home.txt", smallClan());
  writeFile("clan.ged", gedcom(kRoot));
  const std::pair<const char*, std::vector<const char*>> usages[] = {
      {QUILLET_EXPORT_BINARY,
       {"", "print out.ged", "gedcom", "gedcom a.ged b.ged", "gedcom a.ged --version",
        "gedcom a.ged --version 5.5", "gedcom a.ged --version 7.0 --version 7.0",
        "gedcom a.ged --verbose", "chart a.ged --version 7.0", "chart", "book a.ged --paper a5",
        "book a.ged --paper", "book a.ged --generations-per-page 1",
        "book a.ged --generations-per-page 11", "book a.ged --generations-per-page 5x",
        "gedcom a.ged --paper a4", "book home.txt"}},
      {QUILLET_IMPORT_BINARY,
       {"", "--root", "--root= clan.ged", "clan.ged . more", "--verbose clan.ged",
        "--root @I1@ --root=@I1@ clan.ged", "--charset latin1 clan.ged", "--charset= clan.ged"}}};
  for (const auto& [tool, arguments] : usages) {
    for (const char* usage : arguments) {
      std::string errors;
      EXPECT_EQ(run(tool, usage, &errors), 2) << usage;
      EXPECT_NE(errors.find(" --help' for more information.\n"), std::string::npos) << errors;
      EXPECT_FALSE(fileExists("a.ged")) << usage;
      EXPECT_EQ(readFile("home.txt"), smallClan()) << usage;
    }
  }
  EXPECT_EQ(import("--help"), 0);
  EXPECT_TRUE(
      readFile("stdout.txt").starts_with("Usage: quillet-import [OPTION]... FILE.ged [DIR]"));
}

TEST(ExportCli, MissingOrRootlessHomeTxtOrUnwritableOutputExitsOne) {
  testing::ScopedTempDir dir;
  std::string errors;
  EXPECT_EQ(runExport("gedcom out.ged", &errors), 1);
  EXPECT_NE(errors.find("home.txt"), std::string::npos);
  EXPECT_FALSE(fileExists("out.ged"));

  writeFile("home.txt", "no records here\r\n");
  for (const char* output : {"chart out.svg", "book out.pdf"}) {
    EXPECT_EQ(runExport(output, &errors), 1) << output;
    EXPECT_NE(errors.find("home.txt"), std::string::npos);
  }
  EXPECT_FALSE(fileExists("out.svg"));
  EXPECT_FALSE(fileExists("out.pdf"));

  writeFile("home.txt", smallClan());
  EXPECT_EQ(runExport("gedcom no-such-dir/out.ged", &errors), 1);
  EXPECT_NE(errors.find("cannot write no-such-dir/out.ged"), std::string::npos);
}

// Each format and version, from a read-only home.txt.
TEST(ExportCli, WritesEachFormatAndVersion) {
  testing::ScopedTempDir dir;
  writeFile("home.txt", smallClan());
  std::filesystem::permissions("home.txt", std::filesystem::perms::owner_read);

  ASSERT_EQ(runExport("gedcom default.ged"), 0) << readFile("stderr.txt");
  std::string v70 = readFile("default.ged");
  EXPECT_TRUE(v70.starts_with("0 HEAD\n1 GEDC\n2 VERS 7.0\n"));
  EXPECT_EQ(v70.find("CHAR"), std::string::npos);
  EXPECT_NE(v70.find(utf8(u8"1 NAME /贾/代化\n")), std::string::npos);
  ASSERT_EQ(runExport("gedcom new.ged --version 7.0"), 0);
  EXPECT_EQ(readFile("new.ged"), v70);

  ASSERT_EQ(runExport("gedcom --version 5.5.1 old.ged"), 0);
  std::string v551 = readFile("old.ged");
  EXPECT_NE(v551.find("2 VERS 5.5.1\n2 FORM LINEAGE-LINKED\n1 CHAR UTF-8\n"), std::string::npos);
  EXPECT_TRUE(v551.ends_with("0 TRLR\n"));

  ASSERT_EQ(runExport("chart tree.svg"), 0);
  std::string svg = readFile("tree.svg");
  EXPECT_TRUE(svg.starts_with("<?xml"));
  EXPECT_NE(svg.find("<g class=\"member dead\">"), std::string::npos);    // the root
  EXPECT_NE(svg.find("<g class=\"member living\">"), std::string::npos);  // his son
  EXPECT_EQ(readFile("stderr.txt"), "");
  EXPECT_EQ(readFile("home.txt"), smallClan());
}

TEST(ExportCli, OutputThatIsAFileTheProgramReadsIsRefused) {
  testing::ScopedTempDir dir;
  writeFile("home.txt", smallClan());
  const std::string personFile = "\xe8\xb4\xbe\xe6\x94\xbf  .txt";  // 贾政's text file
  const std::string roster = "\xe5\xae\x81.txt";                    // 宁.txt, not there yet
  writeFile(personFile, "a person's text");
  std::filesystem::create_symlink("home.txt", "link.ged");
  std::filesystem::create_directory("sub");
  const std::string here = std::filesystem::current_path().string();
  const std::vector<std::string> outputs = {"home.txt",        "./home.txt", here + "/home.txt",
                                            "sub/../home.txt", "link.ged",   roster,
                                            personFile,        "most.txt"};
  for (const std::string& output : outputs) {
    std::string errors;
    EXPECT_EQ(runExport("gedcom '" + output + "'", &errors), 2) << output;
    EXPECT_NE(errors.find("a file the program reads"), std::string::npos) << output;
  }
  EXPECT_EQ(readFile("home.txt"), smallClan());
  EXPECT_EQ(readFile(personFile), "a person's text");
  EXPECT_FALSE(fileExists(roster));
  EXPECT_FALSE(fileExists("most.txt"));
}

TEST(ExportCli, OutputIsReplacedWholeOrNotAtAllAndLinksAreNotWrittenThrough) {
  testing::ScopedTempDir dir;
  writeFile("home.txt", smallClan());
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

// What exists and is not a regular file is written through, never replaced: a FIFO (its reader
// gets the export), a link to /dev/null, standard output as /dev/fd/1 (a file the shell opened).
TEST(ExportCli, FifoDeviceAndStandardOutputAreWrittenThroughNotReplaced) {
  testing::ScopedTempDir dir;
  writeFile("home.txt", smallClan());
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

// Another folder's genealogy is refused without --force: any file named home.txt, and any file
// whose first record is a genealogy record; exports (GEDCOM, SVG) are replaced as before.
TEST(ExportCli, GenealogyAnywhereIsReplacedOnlyWithForce) {
  testing::ScopedTempDir dir;
  writeFile("home.txt", smallClan());
  std::filesystem::create_directory("clanB");
  writeFile("clanB/home.txt", smallClan());
  writeFile("copy.txt", "a copy of\r\n" + smallClan());
  for (const char* output : {"clanB/home.txt", "copy.txt"}) {
    std::string errors;
    EXPECT_EQ(runExport(std::string("gedcom ") + output, &errors), 1) << output;
    EXPECT_NE(errors.find("--force"), std::string::npos) << errors;
  }
  EXPECT_EQ(readFile("clanB/home.txt"), smallClan());
  EXPECT_EQ(readFile("copy.txt"), "a copy of\r\n" + smallClan());
  ASSERT_EQ(runExport("gedcom clanB/home.txt --force"), 0);
  EXPECT_TRUE(readFile("clanB/home.txt").starts_with("0 HEAD\n"));
  for (const char* again : {"gedcom again.ged", "chart again.svg"}) {
    ASSERT_EQ(runExport(again), 0);
    EXPECT_EQ(runExport(again), 0) << again;
  }
  EXPECT_EQ(runExport("gedcom home.txt --force"), 2);  // never the one it reads
}

TEST(ImportCli, HomeTxtIsReplacedOnlyWithForceAndTheDirectoryMustExist) {
  testing::ScopedTempDir dir;
  writeFile("clan.ged", gedcom(kRoot));
  const std::string clan = record({.name = "贾演", .generation = '0'});
  writeFile("home.txt", "old");
  std::string errors;
  EXPECT_EQ(import("clan.ged", &errors), 1);
  EXPECT_NE(errors.find("home.txt exists; --force replaces it"), std::string::npos);
  EXPECT_EQ(readFile("home.txt"), "old");
  ASSERT_EQ(import("--force clan.ged"), 0);
  EXPECT_EQ(readFile("home.txt"), clan);

  std::filesystem::create_directory("other");
  ASSERT_EQ(import("clan.ged other"), 0);
  EXPECT_EQ(readFile("other/home.txt"), clan);
  EXPECT_EQ(readFile("stdout.txt"),
            utf8(u8"quillet-import: other/home.txt written: the line of @I1@ 贾演, 1 person\n"));
  EXPECT_EQ(import("clan.ged missing-dir"), 1);
  EXPECT_EQ(import("missing.ged other", &errors), 1);
  EXPECT_NE(errors.find("cannot read missing.ged"), std::string::npos);
}

// A FIFO once held the import in open() for good, and a directory ended in std::bad_alloc.
TEST(ImportCli, InputThatIsNotARegularFileIsRefusedAtOnce) {
  testing::ScopedTempDir dir;
  ASSERT_EQ(::mkfifo("pipe.ged", 0600), 0);
  std::filesystem::create_directory("folder.ged");
  for (const char* input : {"pipe.ged", "folder.ged"}) {
    std::string errors;
    EXPECT_EQ(run("/usr/bin/timeout", std::string("10 '") + QUILLET_IMPORT_BINARY + "' " + input,
                  &errors),
              1)
        << input;
    EXPECT_EQ(errors,
              "quillet-import: cannot read " + std::string(input) + ": not a regular file\n");
    EXPECT_FALSE(fileExists("home.txt"));
  }
}

#if !defined(__SANITIZE_ADDRESS__)
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

// A root with the person `child` (I2) as his son, or the records `others` beside him.
std::string withChild(std::u8string_view child, std::u8string_view others = u8"") {
  return gedcom(std::u8string(kRoot) + u8"1 FAMS @F1@\n0 @I2@ INDI\n1 SEX M\n1 FAMC @F1@\n" +
                std::u8string(child) + u8"0 @F1@ FAM\n1 HUSB @I1@\n1 CHIL @I2@\n" +
                std::u8string(others));
}

// A loss is listed and nothing is written unless accepted (each loss's line: cases/loss-*.ged).
TEST(ImportCli, LossIsListedAndNothingIsWrittenUnlessAccepted) {
  testing::ScopedTempDir dir;
  writeFile("clan.ged", withChild(u8"1 NAME /贾/\n1 BIRT\n2 DATE 1 JAN 1720\n"));
  std::string errors;
  EXPECT_EQ(import("clan.ged", &errors), 1) << errors;
  EXPECT_EQ(errors, utf8(u8"quillet-import: @I2@ 贾: name of 1 character; 贾某 used\n"
                         u8"quillet-import: 1 losses above; nothing written (--accept-losses "
                         u8"writes the genealogy with the values shown)\n"));
  EXPECT_FALSE(fileExists("home.txt"));
  EXPECT_EQ(import("--accept-losses clan.ged"), 0) << readFile("stderr.txt");
  EXPECT_TRUE(fileExists("home.txt"));
}

// The men without parents, the default root first; a line deeper than generation 9 names the
// man from whom it fits; nothing is written.
TEST(ImportCli, ListRootsNamesEachLineAndWhereADeepOneFits) {
  testing::ScopedTempDir dir;
  std::string file =
      readFile(testing::sourcePath("tests/import/cases/loss-twelve-generations.ged"));
  file.insert(file.rfind("0 TRLR"), utf8(u8"0 @I99@ INDI\n1 NAME /李/甲\n1 SEX M\n"));
  writeFile("clan.ged", file);
  ASSERT_EQ(import("--list-roots clan.ged"), 0) << readFile("stderr.txt");
  EXPECT_EQ(readFile("stdout.txt"),
            utf8(u8"@I0@ 贾一, born 1 JAN 1700: 12 persons in his male line, 11 generations "
                 u8"below him\n"
                 u8"  from @I2@ 贾三 the line holds generations 0 to 9, 10 persons\n"
                 u8"@I99@ 李甲, no birth date: 1 person in his male line, 0 generations below "
                 u8"him\n"));
  EXPECT_FALSE(fileExists("home.txt"));
  EXPECT_EQ(import("--list-roots clan.ged ."), 2);
}

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
