// The exports read by other programs (label peer; each check skips without its program): gramps
// imports the GEDCOM 5.5.1 export of the shipped clan without errors, and its own GEDCOM export
// imported back by quillet-import is the same genealogy file byte for byte; Gedcom.pm
// (libgedcom-perl) validates the export against the 5.5.1 grammar; rsvg-convert renders the chart.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing::readFile;

int run(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool installed(const std::string& probe) { return run(probe + " >/dev/null 2>&1") == 0; }

class PeerTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::writeFile("home.txt", shipped_); }
  int exportTo(const std::string& arguments) {
    return run(std::string("'") + QUILLET_EXPORT_BINARY + "' " + arguments);
  }
  testing::ScopedTempDir dir_;
  const std::string shipped_ = readFile(testing::sourcePath("data/home.txt"));
};

TEST_F(PeerTest, TheShippedClanComesBackThroughGramps) {
  if (!installed("command -v gramps")) GTEST_SKIP() << "gramps is not installed";
  ASSERT_EQ(exportTo("gedcom clan.ged --version 5.5.1"), 0);
  std::string gramps = "GRAMPSHOME='" + dir_.path() + "/gramps' gramps -y ";
  std::filesystem::create_directories("gramps");
  ASSERT_EQ(run(gramps + "-C clan -i clan.ged >import.log 2>&1"), 0) << readFile("import.log");
  EXPECT_NE(readFile("import.log").find("No errors detected"), std::string::npos)
      << readFile("import.log");
  ASSERT_EQ(run(gramps + "-O clan -e peer.ged >export.log 2>&1"), 0) << readFile("export.log");
  std::filesystem::create_directories("back");
  ASSERT_EQ(run(std::string("'") + QUILLET_IMPORT_BINARY + "' peer.ged back 2>import.err"), 0)
      << readFile("import.err");
  EXPECT_TRUE(readFile("back/home.txt") == shipped_)
      << "the clan changed on its way through gramps";
}

TEST_F(PeerTest, GedcomPmValidatesTheExport) {
  if (!installed("perl -MGedcom -e 1")) GTEST_SKIP() << "libgedcom-perl is not installed";
  ASSERT_EQ(exportTo("gedcom clan.ged --version 5.5.1"), 0);
  testing::writeFile("validate.pl",
                     "use strict; use warnings; use Gedcom;\n"
                     "my $ged = Gedcom->new(gedcom_file => $ARGV[0], grammar_version => '5.5.1',\n"
                     "                      read_only => 1);\n"
                     "my $valid = $ged->validate;\n"
                     "print scalar(my @persons = $ged->individuals), \"\\n\";\n"
                     "exit($valid ? 0 : 1);\n");
  EXPECT_EQ(run("perl validate.pl clan.ged >validate.out 2>validate.err"), 0)
      << readFile("validate.err");
  EXPECT_EQ(readFile("validate.err"), "");
  const auto records = std::count(shipped_.begin(), shipped_.end(), '!');
  EXPECT_EQ(readFile("validate.out"), std::to_string(records) + "\n");
}

TEST_F(PeerTest, RsvgRendersTheChart) {
  if (!installed("command -v rsvg-convert")) GTEST_SKIP() << "librsvg2-bin is not installed";
  ASSERT_EQ(exportTo("chart clan.svg"), 0);
  EXPECT_EQ(run("rsvg-convert clan.svg -o clan.png 2>render.err"), 0) << readFile("render.err");
  EXPECT_EQ(readFile("render.err"), "");
  EXPECT_TRUE(readFile("clan.png").starts_with("\x89PNG"));
}

}  // namespace
}  // namespace quillet
