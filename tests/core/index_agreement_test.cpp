// findByName answers from an index; the post-order walk defines the answer. These tests build
// random genealogies full of what breaks a naive index (shared names, records no walk reaches,
// later roots, renames, additions, and those edits taken back and done again) and check that
// both always agree.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/family_tree.h"
#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"

namespace quillet {
namespace {

using testing::record;

constexpr int kPoolSize = 24;

std::string poolName(int i) {
  char name[7];
  std::snprintf(name, sizeof name, "N%05d", i);
  return name;
}

NameKey poolKey(int i) { return testing::key(poolName(i)); }

std::string randomGenealogy(std::mt19937& random, int records) {
  std::uniform_int_distribution<int> pick(0, kPoolSize - 1), percent(0, 99);
  auto maybeName = [&](int chance) {
    return percent(random) < chance ? poolName(pick(random)) : "";
  };
  std::string text;
  for (int i = 0; i < records; ++i) {
    const std::string name = poolName(pick(random));
    const char generation = percent(random) < 12 ? '0' : static_cast<char>('1' + pick(random) % 3);
    const char sex = percent(random) < 40 ? 'f' : 'm', married = percent(random) < 60 ? 'y' : 'n';
    const std::string father = maybeName(75), older = maybeName(50), husband = maybeName(50);
    text += record({.name = name,
                    .generation = generation,
                    .father = father,
                    .sex = sex,
                    .olderSibling = older,
                    .married = married,
                    .husband = husband});
  }
  return text;
}

// A clan as save writes one (breadth-first, each man followed by his wives, children chained by
// their older sibling), but named from the small pool, so that many reachable persons share a
// name; now and then a record names a random older sibling or has generation '0'.
std::string sharedNameClan(std::mt19937& random, int records) {
  std::uniform_int_distribution<int> pick(0, kPoolSize - 1), percent(0, 99);
  struct Member {
    std::string name, father, older;
    std::vector<std::string> wives;
    std::vector<std::size_t> children;
  };
  std::vector<Member> members{{poolName(pick(random)), "", "", {}, {}}};
  for (int i = 1; i < records; ++i) {
    const std::size_t host = static_cast<std::size_t>(pick(random)) % members.size();
    if (percent(random) < 25 && members[host].wives.size() < 2) {
      members[host].wives.push_back(poolName(pick(random)));
      continue;
    }
    const std::vector<std::size_t>& born = members[host].children;
    std::string older = born.empty() ? "" : members[born.back()].name;
    members[host].children.push_back(members.size());
    members.push_back({poolName(pick(random)), members[host].name, older, {}, {}});
  }
  std::string text;
  std::vector<std::size_t> queue{0};
  for (std::size_t at = 0; at < queue.size(); ++at) {
    const Member& m = members[queue[at]];
    const std::string older = percent(random) < 4 ? poolName(pick(random)) : m.older;
    const char generation = at == 0 || percent(random) < 3 ? '0' : '1';
    text += record(
        {.name = m.name, .generation = generation, .father = m.father, .olderSibling = older});
    for (const std::string& wife : m.wives) {
      text += record({.name = wife, .sex = 'f', .married = 'y', .husband = m.name});
    }
    queue.insert(queue.end(), m.children.begin(), m.children.end());
  }
  return text;
}

// Long lines of shared names: most members are sons of the member just before, so the tree goes
// hundreds of levels deep, and the walk orders far-apart places of one name.
std::string deepSharedNameLines(std::mt19937& random, int records) {
  std::uniform_int_distribution<int> pick(0, kPoolSize - 1), percent(0, 99);
  std::vector<std::string> members{poolName(pick(random))};
  std::vector<std::string> lastChild(1);
  std::string text = record({.name = members[0], .generation = '0'});
  for (int i = 1; i < records * 8; ++i) {
    const std::string name = poolName(pick(random));
    if (percent(random) < 10) {
      text += record({.name = name, .sex = 'f', .married = 'y', .husband = members.back()});
      continue;
    }
    std::uniform_int_distribution<std::size_t> anyone(0, members.size() - 1);
    const std::size_t father = percent(random) < 85 ? members.size() - 1 : anyone(random);
    text += record({.name = name, .father = members[father], .olderSibling = lastChild[father]});
    lastChild[father] = name;
    members.push_back(name);
    lastChild.emplace_back();
  }
  return text;
}

void expectIndexAgreesWithWalk(FamilyTree& tree, const std::string& context) {
  for (int i = 0; i < kPoolSize; ++i) {
    Person *byIndex = nullptr, *byWalk = nullptr;
    bool indexFound = tree.findByName(byIndex, poolKey(i));
    bool walkFound = tree.findByNameByWalk(byWalk, poolKey(i));
    ASSERT_EQ(indexFound, walkFound) << context << " key " << poolName(i);
    ASSERT_EQ(byIndex, byWalk) << context << " key " << poolName(i);
  }
}

void loadAndEditAgreeing(std::string (*genealogy)(std::mt19937&, int), unsigned seed) {
  testing::ScopedTempDir dir;
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> pick(0, kPoolSize - 1), action(0, 5);
  for (int round = 0; round < 300; ++round) {
    testing::writeFile("home.txt", genealogy(random, 5 + round % 40));
    FamilyTree tree;
    tree.load();
    std::string context = "round " + std::to_string(round);
    expectIndexAgreesWithWalk(tree, context + " after load");
    if (tree.root() == nullptr) continue;
    for (int edit = 0; edit < 12; ++edit) {
      NameKey fresh = poolKey(pick(random)), other = poolKey(pick(random));
      Person* person = nullptr;
      // A birth, a marriage, a rename, a change of sex, an undo or a redo.
      const int what = action(random);
      if (what >= 4) {
        (void)(what == 4 ? tree.undo() : tree.redo());
      } else if (what == 0) {
        // To a man's wife when `other` names one, so that births take place.
        const bool husband = tree.findByName(person, other) && person->spouse != nullptr;
        tree.addChild(fresh, husband ? person->spouse->name : other, 'm', makeDate("17000101"));
      } else if (what == 1) {
        tree.addWife(fresh, other, makeDate("17000101"));
      } else if (tree.findByName(person, other)) {
        tree.modifyField(person, what == 2 ? 1 : 2, std::string_view(fresh.data(), 6));
      }
      expectIndexAgreesWithWalk(tree, context + " edit " + std::to_string(edit));
    }
  }
}

// 贾环 is 贾代化's first child and 贾宝玉's younger sibling (the walk meets him twice); a record
// no walk reaches is named 贾兰 too. A 贾兰 born and taken back, a wife wed and taken back: the
// searches answer as the walk does.
TEST(IndexAgreement, EditsTakenBackInAFileThatLinksARecordTwice) {
  testing::ScopedTempDir dir;
  testing::writeFile("home.txt",
                     testing::records({
                         {.name = "贾演", .generation = '0', .married = 'y'},
                         {.name = "贾代化", .father = "贾演"},
                         {.name = "贾政", .father = "贾演", .olderSibling = "贾代化"},
                         {.name = "王夫人", .sex = 'f', .married = 'y', .husband = "贾政"},
                         {.name = "贾宝玉", .father = "贾政"},
                         {.name = "贾环", .father = "贾代化", .olderSibling = "贾宝玉"},
                         {.name = "贾兰", .father = "无名氏"},
                     }));
  FamilyTree tree;
  ASSERT_TRUE(tree.load());
  for (const char* name : {"贾兰", "李纨"}) {
    ASSERT_TRUE(
        std::string_view(name) == "贾兰"
            ? tree.addChild(testing::key(name), testing::key("王夫人"), 'm', makeDate("17000101"))
            : tree.addWife(testing::key(name), testing::key("贾环"), makeDate("17000101")));
    for (bool taken : {false, true}) {
      if (taken) {
        ASSERT_TRUE(tree.undo());
      }
      Person *byIndex = nullptr, *byWalk = nullptr;
      EXPECT_EQ(tree.findByName(byIndex, testing::key(name)), !taken);
      tree.findByNameByWalk(byWalk, testing::key(name));
      EXPECT_EQ(byIndex, byWalk) << name << taken;
    }
  }
}

TEST(IndexAgreement, RandomGenealogiesLoadedAndEdited) {
  loadAndEditAgreeing(randomGenealogy, 20261207);
}

// Mostly well-formed clans: the searches answer from the index alone, ordering the reachable
// persons that share a name.
TEST(IndexAgreement, ClansOfSharedNamesLoadedAndEdited) { loadAndEditAgreeing(sharedNameClan, 7); }

TEST(IndexAgreement, DeepLinesOfSharedNamesLoadedAndEdited) {
  loadAndEditAgreeing(deepSharedNameLines, 11);
}

}  // namespace
}  // namespace quillet
