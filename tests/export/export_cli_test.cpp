// quillet-export run as a user runs it, in a directory holding (or lacking) home.txt.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/genealogy_records.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing::fileExists;
using testing::readFile;
using testing::record;
using testing::writeFile;

// Runs the tool with `arguments` in the working directory; its exit status, stderr in `errors`.
int runExport(const std::string& arguments, std::string* errors = nullptr) {
  std::string command =
      std::string("'") + QUILLET_EXPORT_BINARY + "' " + arguments + " >stdout.txt 2>stderr.txt";
  int status = std::system(command.c_str());
  if (errors != nullptr) *errors = readFile("stderr.txt");
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string smallClan() {
  return record("贾演", '0', "", "16500101", 'm', "", '0', 'y', "", "17200101") +
         record("史氏", '0', "", "16550101", 'f', "", '0', 'y', "贾演") +
         record("贾代化", '1', "贾演", "16800101", 'm', "", '1', 'n', "");
}

TEST(ExportCli, BadUsageExitsTwoWithAMessageAndWritesNothing) {
  testing::ScopedTempDir dir;
  writeFile("home.txt", smallClan());
  for (const char* arguments :
       {"", "print out.ged", "gedcom", "gedcom a.ged b.ged", "gedcom a.ged --version",
        "gedcom a.ged --version 5.5", "gedcom a.ged --version 7.0 --version 7.0",
        "gedcom a.ged --verbose", "chart a.ged --version 7.0", "chart"}) {
    std::string errors;
    EXPECT_EQ(runExport(arguments, &errors), 2) << arguments;
    EXPECT_NE(errors.find("Try 'quillet-export --help'"), std::string::npos) << arguments;
    EXPECT_FALSE(fileExists("a.ged")) << arguments;
  }
}

TEST(ExportCli, MissingOrRootlessHomeTxtExitsOne) {
  testing::ScopedTempDir dir;
  std::string errors;
  EXPECT_EQ(runExport("gedcom out.ged", &errors), 1);
  EXPECT_NE(errors.find("home.txt"), std::string::npos);
  EXPECT_FALSE(fileExists("out.ged"));

  writeFile("home.txt", "no records here\r\n");
  EXPECT_EQ(runExport("chart out.svg", &errors), 1);
  EXPECT_NE(errors.find("home.txt"), std::string::npos);
  EXPECT_FALSE(fileExists("out.svg"));
}

TEST(ExportCli, ReadOnlyHomeTxtStillExports) {
  testing::ScopedTempDir dir;
  writeFile("home.txt", smallClan());
  std::filesystem::permissions("home.txt", std::filesystem::perms::owner_read |
                                               std::filesystem::perms::group_read |
                                               std::filesystem::perms::others_read);
  ASSERT_EQ(runExport("gedcom out.ged"), 0) << readFile("stderr.txt");
  EXPECT_NE(readFile("out.ged").find(testing::utf8(u8"1 NAME /贾/代化\n")), std::string::npos);
  EXPECT_EQ(readFile("home.txt"), smallClan());
}

TEST(ExportCli, UnwritableOutputExitsOne) {
  testing::ScopedTempDir dir;
  writeFile("home.txt", smallClan());
  std::string errors;
  EXPECT_EQ(runExport("gedcom no-such-dir/out.ged", &errors), 1);
  EXPECT_NE(errors.find("cannot write no-such-dir/out.ged"), std::string::npos);
}

TEST(ExportCli, WritesEachFormatAndVersion) {
  testing::ScopedTempDir dir;
  writeFile("home.txt", smallClan());

  ASSERT_EQ(runExport("gedcom default.ged"), 0);
  std::string v70 = readFile("default.ged");
  EXPECT_TRUE(v70.starts_with("0 HEAD\n1 GEDC\n2 VERS 7.0\n"));
  EXPECT_EQ(v70.find("CHAR"), std::string::npos);

  ASSERT_EQ(runExport("gedcom --version 5.5.1 old.ged"), 0);
  std::string v551 = readFile("old.ged");
  EXPECT_NE(v551.find("2 VERS 5.5.1\n2 FORM LINEAGE-LINKED\n1 CHAR UTF-8\n"), std::string::npos);
  EXPECT_NE(v551.find(testing::utf8(u8"1 NAME 史氏\n2 SURN 史\n")), std::string::npos);
  EXPECT_TRUE(v551.ends_with("0 TRLR\n"));

  ASSERT_EQ(runExport("gedcom new.ged --version 7.0"), 0);
  EXPECT_EQ(readFile("new.ged"), v70);

  ASSERT_EQ(runExport("chart tree.svg"), 0);
  std::string svg = readFile("tree.svg");
  EXPECT_TRUE(svg.starts_with("<?xml"));
  EXPECT_NE(svg.find("<g class=\"member dead\">"), std::string::npos);    // the root
  EXPECT_NE(svg.find("<g class=\"member living\">"), std::string::npos);  // his son
  EXPECT_EQ(readFile("stderr.txt"), "");
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

  writeFile("target.dat", "not an export");
  std::filesystem::create_symlink("target.dat", "out.ged");
  ASSERT_EQ(runExport("gedcom out.ged"), 0);
  EXPECT_EQ(readFile("target.dat"), "not an export");
  EXPECT_FALSE(std::filesystem::is_symlink("out.ged"));
  EXPECT_TRUE(readFile("out.ged").starts_with("0 HEAD"));
}

}  // namespace
}  // namespace quillet
