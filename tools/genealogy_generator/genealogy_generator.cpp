#include "tools/genealogy_generator/genealogy_generator.h"

#include <algorithm>
#include <array>
#include <deque>
#include <string_view>
#include <utility>
#include <vector>

namespace quillet::tools {
namespace {

constexpr int kDeepestGeneration = 9;
constexpr std::string_view kAbsentName = "0     ";
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
    std::string& f = out_.fileBytes;
    f += '!';
    f += name;
    f += generation;
    f += father;
    f += birth;
    f += sex;
    f += olderSibling;
    f += motherIndex;
    f += married;
    f += husband;
    if (alive) {
      f += "y0        ";
    } else {
      f += 'n';
      f += death;
    }
    f += "\r\n";
    ++out_.personCount;
    if (sex == 'f') ++out_.femaleCount;
    out_.deepestGeneration = generation - '0';
  }

 private:
  GeneratedGenealogy& out_;
  std::int32_t limit_;
};

}  // namespace

namespace {

// One clan of at most `personCount` records whose men have `sons` sons on average.
GeneratedGenealogy generateWith(std::int32_t personCount, std::uint64_t seed, double sons) {
  GeneratedGenealogy out;
  out.fileBytes.reserve(static_cast<std::size_t>(personCount) * 49);
  Random random(seed);
  Writer writer(out, personCount);
  std::int32_t serial = 0;

  auto lifeOf = [&](int generation, int birthYear, bool& alive, std::string& death) {
    // The old generations are dead; the young ones mostly living.
    static constexpr std::array<double, 10> kDeadShare = {1, 1, 1, 1, 1, 1, 0.9, 0.5, 0.2, 0.05};
    alive = !random.chance(kDeadShare[static_cast<std::size_t>(generation)]);
    death.clear();
    if (!alive)
      death = dateOf(birthYear + 20 + random.below(60), 1 + random.below(12), 1 + random.below(28));
  };

  std::deque<Member> queue;
  Member root;
  root.name = std::string(kClanSurname) + givenName(serial++);
  root.father = root.olderSibling = std::string(kAbsentName);
  root.birthYear = 1400;
  queue.push_back(root);
  struct Cousins {
    std::string first, other;
    int branch = -1;
  };
  std::array<Cousins, kDeepestGeneration + 1> cousins;

  while (!queue.empty() && !writer.full()) {
    Member man = std::move(queue.front());
    queue.pop_front();
    const int generation = man.generation - '0';
    bool alive = true;
    std::string death;
    lifeOf(generation, man.birthYear, alive, death);
    const std::string birth = dateOf(man.birthYear, 1 + random.below(12), 1 + random.below(28));

    // Wives: a man below the deepest generation has one, sometimes two; half the men of the
    // deepest generation have one. Daughters marry out (married 'y' without a husband link).
    int wives = 0;
    if (man.sex == 'm') {
      if (generation < kDeepestGeneration) {
        wives = random.chance(kWivesPerMan - 1) ? 2 : 1;
      } else {
        wives = random.chance(kLastWivesPerMan) ? 1 : 0;
      }
    }
    const char married =
        man.sex == 'm' ? (wives > 0 ? 'y' : 'n') : (random.chance(0.5) ? 'y' : 'n');
    writer.write(man.name, man.generation, man.father, birth, man.sex, man.olderSibling,
                 man.motherIndex, married, kAbsentName, alive, death);
    // Per generation: the first member and the last one of another branch of the root.
    if (man.branch >= 0) {
      Cousins& pair = cousins[static_cast<std::size_t>(generation)];
      if (pair.first.empty()) {
        pair.first = man.name;
        pair.branch = man.branch;
      } else if (man.branch != pair.branch) {
        pair.other = man.name;
      }
    }
    out.lastMember = man.name;

    for (int w = 0; w < wives && !writer.full(); ++w) {
      const std::string wifeName =
          std::string(kWifeSurnames[static_cast<std::size_t>(random.below(kWifeSurnames.size()))]) +
          givenName(serial++);
      const int wifeYear = man.birthYear - 3 + random.below(7);
      bool wifeAlive = true;
      std::string wifeDeath;
      lifeOf(generation, wifeYear, wifeAlive, wifeDeath);
      writer.write(wifeName, man.generation, kAbsentName,
                   dateOf(wifeYear, 1 + random.below(12), 1 + random.below(28)), 'f', kAbsentName,
                   '0', 'y', man.name, wifeAlive, wifeDeath);
    }

    if (man.sex != 'm' || generation >= kDeepestGeneration) continue;
    // The root has at least two sons, so that the clan has lines meeting only at the root.
    const int sonCount = std::max(random.around(sons), generation == 0 ? 2 : 0);
    std::vector<char> sexes(static_cast<std::size_t>(sonCount), 'm');
    sexes.resize(sexes.size() + static_cast<std::size_t>(random.around(sons * kDaughtersPerSon)),
                 'f');
    for (std::size_t i = sexes.size(); i > 1; --i) {
      std::swap(sexes[i - 1], sexes[static_cast<std::size_t>(random.below(static_cast<int>(i)))]);
    }
    std::string older(kAbsentName);
    for (int c = 0; c < static_cast<int>(sexes.size()); ++c) {
      Member child;
      child.name = std::string(kClanSurname) + givenName(serial++);
      child.father = man.name;
      child.olderSibling = older;
      child.generation = static_cast<char>(man.generation + 1);
      child.sex = sexes[static_cast<std::size_t>(c)];
      child.motherIndex = static_cast<char>('1' + (wives == 2 ? random.below(2) : 0));
      child.birthYear = man.birthYear + 20 + 2 * c;
      child.branch = man.branch >= 0 ? man.branch : c;
      if (generation == 0 && out.firstSon.empty()) out.firstSon = child.name;
      older = child.name;
      queue.push_back(std::move(child));
    }
  }
  for (int generation = kDeepestGeneration; generation > 0; --generation) {
    const Cousins& pair = cousins[static_cast<std::size_t>(generation)];
    if (!pair.other.empty()) {
      out.distantCousinA = pair.first;
      out.distantCousinB = pair.other;
      break;
    }
  }
  return out;
}

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
    GeneratedGenealogy out = generateWith(personCount, seed, sons);
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
