// The shipped clan through a peer: exported as GEDCOM 5.5.1, imported into gramps, exported by
// gramps as GEDCOM and imported back by quillet-import, it is the same genealogy file byte for
// byte: the same persons, wives in order, mothers, chains and dates. Skips without gramps.
#include <gtest/gtest.h>
#include <sys/wait.h>

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

TEST(ImportPeer, TheShippedClanComesBackThroughGramps) {
  if (run("command -v gramps >/dev/null 2>&1") != 0) GTEST_SKIP() << "gramps is not installed";
  testing::ScopedTempDir dir;
  const std::string shipped = readFile(testing::sourcePath("data/home.txt"));
  testing::writeFile("home.txt", shipped);
  ASSERT_EQ(run(std::string("'") + QUILLET_EXPORT_BINARY + "' gedcom clan.ged --version 5.5.1"), 0);
  std::string gramps = "GRAMPSHOME='" + dir.path() + "/gramps' gramps -y ";
  std::filesystem::create_directories("gramps");
  ASSERT_EQ(run(gramps + "-C clan -i clan.ged >import.log 2>&1"), 0) << readFile("import.log");
  ASSERT_EQ(run(gramps + "-O clan -e peer.ged >export.log 2>&1"), 0) << readFile("export.log");
  std::filesystem::create_directories("back");
  ASSERT_EQ(run(std::string("'") + QUILLET_IMPORT_BINARY + "' peer.ged back 2>import.err"), 0)
      << readFile("import.err");
  EXPECT_TRUE(readFile("back/home.txt") == shipped) << "the clan changed on its way through gramps";
}

}  // namespace
}  // namespace quillet
