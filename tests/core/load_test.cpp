// Loading what no transcript can show: a record cut short at every place. (Links, line ends,
// stray bytes, records linked oddly, no file and a read-only one: the batch transcripts load_*
// and failed_save_*.)
#include <gtest/gtest.h>
#include <sys/stat.h>

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

}  // namespace
}  // namespace quillet
