#include "tools/genealogy_generator/genealogy_generator.h"

#include <algorithm>
#include <array>
#include <deque>
#include <string_view>
#include <utility>
#include <vector>

#include "core/home_record.h"

namespace quillet::tools {
namespace {

constexpr int kDeepestGeneration = 9;
constexpr std::string_view kClanSurname = "贾";
constexpr std::array<std::string_view, 8> kWifeSurnames = {"王", "李", "史", "薛",
                                                           "邢", "尤", "秦", "林"};

// Expected shape per man: daughters are this share of his sons; wives per man below the
// deepest generation.
constexpr double kDaughtersPerSon = 0.7;
constexpr double kWivesPerMan = 1.2;
constexpr double kLastWivesPerMan = 0.5;  // in the deepest generation

// splitmix64: a small deterministic generator, the same on every platform.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, bound).
  int below(int bound) { return static_cast<int>(next() % static_cast<std::uint64_t>(bound)); }
  // True with probability `p`.
  bool chance(double p) { return static_cast<double>(next() >> 11) * 0x1.0p-53 < p; }
  // An integer whose mean is `mean`: its floor, plus one with the fraction's probability.
  int around(double mean) {
    const int whole = static_cast<int>(mean);
    return whole + (chance(mean - whole) ? 1 : 0);
  }

 private:
  std::uint64_t state_;
};

// Two characters of the GB2312 first level (rows 0xB0..0xD6, 94 characters each, all assigned)
// numbered by `serial`: distinct serials give distinct pairs up to 3666 * 3666.
std::string givenName(std::int32_t serial) {
  constexpr int kPerRow = 94;
  constexpr int kCharacters = (0xD6 - 0xB0 + 1) * kPerRow;
  std::string bytes;
  for (int index :
       {static_cast<int>(serial / kCharacters), static_cast<int>(serial % kCharacters)}) {
    bytes.push_back(static_cast<char>(0xB0 + index / kPerRow));
    bytes.push_back(static_cast<char>(0xA1 + index % kPerRow));
  }
  return bytes;
}

std::string dateOf(int year, int month, int day) {
  std::string text(8, '0');
  int value = year * 10000 + month * 100 + day;
  for (int i = 7; i >= 0; --i, value /= 10) text[static_cast<std::size_t>(i)] = '0' + value % 10;
  return text;
}

// A clan member waiting to be written: his record's fields are known when he is created.
struct Member {
  std::string name;
  std::string father;        // absent-name field for the root
  std::string olderSibling;  // absent-name field for the eldest
  char generation = '0';
  char sex = 'm';
  char motherIndex = '0';
  int birthYear = 0;
  int branch = -1;  // which child of the root he descends from; -1 for the root
};

// Mean sons per man such that the expected clan of ten generations holds `target` persons.
double sonsPerMan(double target) {
  auto expected = [](double sons) {
    double total = 0, men = 1;
    for (int generation = 0; generation <= kDeepestGeneration; ++generation) {
      total += men * (1 + (generation < kDeepestGeneration ? kWivesPerMan : kLastWivesPerMan));
      if (generation < kDeepestGeneration) total += men * sons * kDaughtersPerSon;
      men *= sons;
    }
    return total;
  };
  double low = 0.1, high = 50;
  for (int step = 0; step < 60; ++step) {
    const double middle = (low + high) / 2;
    (expected(middle) < target ? low : high) = middle;
  }
  return high;
}

class Writer {
 public:
  Writer(GeneratedGenealogy& out, std::int32_t limit) : out_(out), limit_(limit) {}
  bool full() const { return out_.personCount >= limit_; }

  void write(std::string_view name, char generation, std::string_view father,
             std::string_view birth, char sex, std::string_view olderSibling, char motherIndex,
             char married, std::string_view husband, bool alive, std::string_view death) {
    appendRecord(out_.fileBytes, {.name = name,
                                  .generation = generation,
                                  .father = father,
                                  .birthDate = birth,
                                  .sex = sex,
                                  .olderSibling = olderSibling,
                                  .motherIndex = motherIndex,
                                  .married = married,
                                  .husband = husband,
                                  .alive = alive ? 'y' : 'n',
                                  .deathDate = death});
    ++out_.personCount;
    if (sex == 'f') ++out_.femaleCount;
    out_.deepestGeneration = generation - '0';
  }

 private:
  GeneratedGenealogy& out_;
  std::int32_t limit_;
};

// A person's life: living, or dead on `death`.
struct Life {
  bool alive = true;
  std::string death;
};

// The first member of one generation and, once one is met, a member of another branch of the
// root in that generation.
struct Cousins {
  std::string first, other;
  int branch = -1;
};

// Builds one clan of at most `personCount` records whose men have `sons` sons on average,
// breadth-first from the root: each member taken from the queue is written, then his wives, and
// then his children join the queue.
//
// No expression draws more than once, so the order of the draws, and with it the clan of a seed,
// does not depend on the order in which a compiler evaluates function arguments.
class ClanBuilder {
 public:
  ClanBuilder(std::int32_t personCount, std::uint64_t seed, double sons)
      : random_(seed), writer_(out_, personCount), sons_(sons) {
    out_.fileBytes.reserve(static_cast<std::size_t>(personCount) * 49);
  }

  GeneratedGenealogy build() {
    queue_.push_back(rootMember());
    while (!queue_.empty() && !writer_.full()) {
      Member man = std::move(queue_.front());
      queue_.pop_front();
      const int wives = writeMember(man);
      noteCousin(man);
      out_.lastMember = man.name;
      writeWives(man, wives);
      if (man.sex == 'm' && man.generation - '0' < kDeepestGeneration) queueChildren(man, wives);
    }
    chooseDistantCousins();
    return std::move(out_);
  }

 private:
  std::string newName(std::string_view surname) {
    return std::string(surname) + givenName(serial_++);
  }

  // A date in `year`; the day is drawn before the month.
  std::string randomDate(int year) {
    const int day = 1 + random_.below(28);
    const int month = 1 + random_.below(12);
    return dateOf(year, month, day);
  }

  // The old generations are dead; the young ones mostly living. A death date is drawn day,
  // month, then the years lived.
  Life randomLife(int generation, int birthYear) {
    static constexpr std::array<double, 10> kDeadShare = {1, 1, 1, 1, 1, 1, 0.9, 0.5, 0.2, 0.05};
    Life life;
    life.alive = !random_.chance(kDeadShare[static_cast<std::size_t>(generation)]);
    if (!life.alive) {
      const int day = 1 + random_.below(28);
      const int month = 1 + random_.below(12);
      const int yearsLived = 20 + random_.below(60);
      life.death = dateOf(birthYear + yearsLived, month, day);
    }
    return life;
  }

  // A man below the deepest generation has one wife, sometimes two; half the men of the deepest
  // generation have one. Women have none here.
  int randomWifeCount(const Member& man) {
    if (man.sex != 'm') return 0;
    if (man.generation - '0' < kDeepestGeneration) return random_.chance(kWivesPerMan - 1) ? 2 : 1;
    return random_.chance(kLastWivesPerMan) ? 1 : 0;
  }

  // Writes the record of a clan member. His wives are drawn here, because his record says
  // whether he is married; returns their number. Daughters marry out: half are married, without
  // a husband link.
  int writeMember(const Member& man) {
    const Life life = randomLife(man.generation - '0', man.birthYear);
    const std::string birth = randomDate(man.birthYear);
    const int wives = randomWifeCount(man);
    const char married =
        man.sex == 'm' ? (wives > 0 ? 'y' : 'n') : (random_.chance(0.5) ? 'y' : 'n');
    writer_.write(man.name, man.generation, man.father, birth, man.sex, man.olderSibling,
                  man.motherIndex, married, kAbsentNameField, life.alive, life.death);
    return wives;
  }

  // Per generation: the first member and the last one of another branch of the root.
  void noteCousin(const Member& man) {
    if (man.branch < 0) return;
    Cousins& pair = cousins_[static_cast<std::size_t>(man.generation - '0')];
    if (pair.first.empty()) {
      pair.first = man.name;
      pair.branch = man.branch;
    } else if (man.branch != pair.branch) {
      pair.other = man.name;
    }
  }

  // The wives' records, after their husband's, as long as there is room.
  void writeWives(const Member& man, int wives) {
    for (int w = 0; w < wives && !writer_.full(); ++w) {
      const std::string name =
          newName(kWifeSurnames[static_cast<std::size_t>(random_.below(kWifeSurnames.size()))]);
      const int year = man.birthYear - 3 + random_.below(7);
      const Life life = randomLife(man.generation - '0', year);
      const std::string birth = randomDate(year);
      writer_.write(name, man.generation, kAbsentNameField, birth, 'f', kAbsentNameField, '0', 'y',
                    man.name, life.alive, life.death);
    }
  }

  // Sons and daughters in shuffled order, two years apart; the root has at least two sons, so
  // that the clan has lines meeting only at the root.
  std::vector<char> randomChildSexes(int generation) {
    const int sonCount = std::max(random_.around(sons_), generation == 0 ? 2 : 0);
    std::vector<char> sexes(static_cast<std::size_t>(sonCount), 'm');
    sexes.resize(sexes.size() + static_cast<std::size_t>(random_.around(sons_ * kDaughtersPerSon)),
                 'f');
    for (std::size_t i = sexes.size(); i > 1; --i) {
      std::swap(sexes[i - 1], sexes[static_cast<std::size_t>(random_.below(static_cast<int>(i)))]);
    }
    return sexes;
  }

  // Queues the children of a man, each naming his next older sibling and, when the man has two
  // wives, either of them as mother.
  void queueChildren(const Member& man, int wives) {
    const int generation = man.generation - '0';
    const std::vector<char> sexes = randomChildSexes(generation);
    std::string older(kAbsentNameField);
    for (int c = 0; c < static_cast<int>(sexes.size()); ++c) {
      Member child;
      child.name = newName(kClanSurname);
      child.father = man.name;
      child.olderSibling = older;
      child.generation = static_cast<char>(man.generation + 1);
      child.sex = sexes[static_cast<std::size_t>(c)];
      child.motherIndex = static_cast<char>('1' + (wives == 2 ? random_.below(2) : 0));
      child.birthYear = man.birthYear + 20 + 2 * c;
      child.branch = man.branch >= 0 ? man.branch : c;
      if (generation == 0 && out_.firstSon.empty()) out_.firstSon = child.name;
      older = child.name;
      queue_.push_back(std::move(child));
    }
  }

  Member rootMember() {
    Member root;
    root.name = newName(kClanSurname);
    root.father = root.olderSibling = std::string(kAbsentNameField);
    root.birthYear = 1400;
    return root;
  }

  // The far cousins: the pair of the deepest generation that has one.
  void chooseDistantCousins() {
    for (int generation = kDeepestGeneration; generation > 0; --generation) {
      const Cousins& pair = cousins_[static_cast<std::size_t>(generation)];
      if (!pair.other.empty()) {
        out_.distantCousinA = pair.first;
        out_.distantCousinB = pair.other;
        return;
      }
    }
  }

  GeneratedGenealogy out_;  // before writer_, which writes into it
  Random random_;
  Writer writer_;
  double sons_;
  std::int32_t serial_ = 0;
  std::deque<Member> queue_;
  std::array<Cousins, kDeepestGeneration + 1> cousins_;
};

}  // namespace

GeneratedGenealogy generateGenealogy(std::int32_t personCount, std::uint64_t seed) {
  if (personCount < 1) personCount = 1;
  // A third more than needed is expected, so that the count is reached in the deepest
  // generation. A clan that chance keeps smaller is made again with more sons; one that reaches
  // the count before the deepest generation, with fewer (a clan too small for ten generations
  // is taken as it comes after a few tries).
  double sons = sonsPerMan(1.3 * personCount);
  double step = 1.1;
  GeneratedGenealogy fallback;
  for (int attempt = 0; attempt < 100; ++attempt, step = 1 + (step - 1) * 0.9) {
    GeneratedGenealogy out = ClanBuilder(personCount, seed, sons).build();
    if (out.personCount < personCount) {
      sons *= step;
      continue;
    }
    if (out.deepestGeneration == kDeepestGeneration) return out;
    fallback = std::move(out);
    sons /= step;
  }
  return fallback;
}

}  // namespace quillet::tools
