// Loading what no transcript can show: a record cut short at every place. (Links, line ends,
// stray bytes, records linked oddly, no file and a read-only one: the batch transcripts load_*
// and failed_save_*.)
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/family_tree.h"
#include "tests/support/clan_tree.h"

namespace quillet {
namespace {

using testing::ClanTree;
using testing::key;
using testing::record;
using testing::ScopedTempDir;
using testing::writeFile;

TEST(Load, RecordCutShortByTheEndOfTheFileIsNotTaken) {
  const std::string text = record({.name = "贾始祖", .generation = '0'}) +
                           record({.name = "贾演", .father = "贾始祖", .alive = 'n'});
  for (std::size_t cut : {text.size() - 3, text.size() - 20, text.size() - 47, std::size_t{38}}) {
    ClanTree clan(text.substr(0, cut));  // 38: a living record needs nothing after its alive byte
    EXPECT_TRUE(clan.loaded);
    EXPECT_EQ(clan.tree.personCount(), 1) << "cut at " << cut;
    ASSERT_NE(clan.tree.root(), nullptr);
    EXPECT_EQ(clan.tree.root()->firstChild, nullptr);
  }
}

// A stretch of kNoRecordSpan bytes without a record (a sparse hole of a gigabyte) ends the
// reading there: what comes after it is not read into memory, the load says where it stopped and
// how much follows, and a save, which would lose the record after the hole, is refused. A
// stretch just short of that is read through.
TEST(Load, StretchWithoutRecordsEndsTheReadingAndTheSave) {
  ScopedTempDir dir;
  const std::string first = record({.name = "贾始祖", .generation = '0'});
  const std::string last = record({.name = "贾演", .father = "贾始祖"});
  for (const std::uint64_t hole : {std::uint64_t{1} << 30, std::uint64_t{kNoRecordSpan} - 100}) {
    writeFile("home.txt", first);
    ASSERT_EQ(::truncate("home.txt", static_cast<off_t>(first.size() + hole)), 0);
    writeFile("tail.txt", last);
    ASSERT_EQ(std::system("cat tail.txt >>home.txt"), 0);
    FamilyTree tree;
    ASSERT_TRUE(tree.load());
    const std::uint64_t size = first.size() + hole + last.size();
    if (hole > kNoRecordSpan) {
      ASSERT_TRUE(tree.unreadRest().has_value());
      // Stopped kNoRecordSpan bytes of text past the first record's marker: one more in the file,
      // the CR of the record's CR LF.
      EXPECT_EQ(tree.unreadRest()->offset, 1 + kNoRecordSpan + 1);
      EXPECT_EQ(tree.unreadRest()->bytes, size - tree.unreadRest()->offset);
      EXPECT_EQ(tree.personCount(), 1);
      SaveReport report;
      EXPECT_FALSE(tree.save(report));
      EXPECT_EQ(report.unreadRest, tree.unreadRest());
    } else {
      EXPECT_FALSE(tree.unreadRest().has_value());
      EXPECT_EQ(tree.personCount(), 2);
    }
  }
}

}  // namespace
}  // namespace quillet
