// Reading and writing home.txt: fixed-width GBK records introduced by '!'.
//
//   offset  0  '!'            23  older sibling's name (6)   37  alive 'y'/'n'
//           1  name (6)       29  mother index               38  death date (8) when 'n',
//           7  generation     30  married                        or '0' and 8 spaces when 'y'
//           8  father (6)     31  husband's name (6)         then CR LF
//          14  birth date (8)
//          22  sex
//
// An absent name is '0' and five spaces; the reader looks at its first byte only. The reader
// skips every byte between records, so line ends and the living person's filler are ignored.

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "core/family_tree.h"
#include "core/tree_record.h"
#include "platform/text_file.h"

namespace quillet {

namespace {

constexpr char kRecordMarker = '!';
constexpr std::array<char, 6> kAbsentName{'0', ' ', ' ', ' ', ' ', ' '};
constexpr std::string_view kLivingFiller{"0        "};  // one more byte than a date

// The fields of one record as they stand in the file, after the marker.
struct RawRecord {
  std::array<char, 6> name;
  char generation;
  std::array<char, 6> father;
  std::array<char, 8> birthDate;
  char sex;
  std::array<char, 6> olderSibling;
  char motherIndex;
  char married;
  std::array<char, 6> husband;
  char alive;
  std::array<char, 8> deathDate;
};

class FieldReader {
 public:
  explicit FieldReader(platform::TextFile& file) : file_(file) {}
  template <std::size_t N>
  void read(std::array<char, N>& field) {
    if (file_.read(field.data(), N) != N) complete_ = false;
  }
  void read(char& field) {
    int c = file_.getc();
    if (c == platform::TextFile::kEof) complete_ = false;
    field = static_cast<char>(c);
  }
  bool complete() const { return complete_; }

 private:
  platform::TextFile& file_;
  bool complete_ = true;
};

// Reads the fields after a '!'. False when the file ends inside the record.
bool readRawRecord(platform::TextFile& file, RawRecord& raw) {
  FieldReader in(file);
  in.read(raw.name);
  in.read(raw.generation);
  in.read(raw.father);
  in.read(raw.birthDate);
  in.read(raw.sex);
  in.read(raw.olderSibling);
  in.read(raw.motherIndex);
  in.read(raw.married);
  in.read(raw.husband);
  in.read(raw.alive);
  if (in.complete() && raw.alive != 'y') in.read(raw.deathDate);
  return in.complete();
}

NameKey keyOf(const std::array<char, 6>& field) {
  NameKey key{};
  std::memcpy(key.data(), field.data(), field.size());
  return key;
}

DateText dateOf(const std::array<char, 8>& field) {
  DateText date{};
  std::memcpy(date.data(), field.data(), field.size());
  return date;
}

bool namesNobody(const std::array<char, 6>& field) { return field[0] == '0'; }

std::string_view bytesOf(const NameKey& name) { return std::string_view(name.data(), 6); }
std::string_view bytesOf(const DateText& date) { return std::string_view(date.data(), 8); }
std::string_view bytesOf(const std::array<char, 6>& field) {
  return std::string_view(field.data(), field.size());
}

}  // namespace

bool FamilyTree::load() {
  resetTree();
  auto file = platform::TextFile::open(fileName_, "r+");
  if (!file) return false;
  try {
    for (;;) {
      int c = file->getc();
      // 0xFF between records ends the file as its end does.
      if (c == platform::TextFile::kEof || c == 0xFF) break;
      if (c == kRecordMarker && !readRecord(*file)) break;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

// Reads and links the record after a '!'. False when the file ends inside it: a record cut
// short is not taken, so no field of the tree holds bytes the file did not give.
bool FamilyTree::readRecord(platform::TextFile& file) {
  RawRecord raw{};
  if (!readRawRecord(file, raw)) return false;

  Record* previous = records_->last();
  Record* person = newRecord();
  ++personCount_;
  person->name = keyOf(raw.name);
  person->fileFather = raw.father;
  person->fileOlderSibling = raw.olderSibling;
  person->fileHusband = raw.husband;
  index_->insert(person);

  person->generation = raw.generation;
  if (!namesNobody(raw.father)) {
    Person* father = nullptr;
    if (findByNameNear(father, keyOf(raw.father), previous)) {
      person->father = father;
      if (father->firstChild == nullptr) linkFirstChild(father, person);
    }
  }
  person->birthDate = dateOf(raw.birthDate);
  person->sex = raw.sex;
  if (raw.sex == 'f') ++femaleCount_;
  if (raw.generation == '0' && raw.sex == 'm') {
    // A new root: from now on the walks start here, and nothing else is reachable yet.
    root_ = person;
    recomputeReach();
  }
  if (!namesNobody(raw.olderSibling)) {
    Person* older = nullptr;
    // A record that names itself (it may already be reachable through its father) is not its
    // own sibling: that link would close the chain into a ring that no walk leaves.
    if (findByNameNear(older, keyOf(raw.olderSibling), previous) && older != person) {
      linkYoungerSibling(older, person);
    }
  }
  person->motherIndex = raw.motherIndex;
  person->married = raw.married;
  if (raw.married != 'n' && raw.sex != 'm' && !namesNobody(raw.husband)) {
    Person* husband = nullptr;
    if (findByNameNear(husband, keyOf(raw.husband), previous) && husband != person) {
      linkSpouse(husband, husband->spouse != nullptr ? husband->secondWife : husband->spouse,
                 person);
      linkSpouse(person, person->spouse, husband);
      person->secondWife = nullptr;
    }
  }
  person->alive = raw.alive;
  if (raw.alive != 'y') person->deathDate = dateOf(raw.deathDate);
  generationCount_ = raw.generation - '0';
  return true;
}

namespace {

// One record's bytes, its line end included, with the given contents of the three name fields.
std::string recordBytes(const Person& person, std::string_view father,
                        std::string_view olderSibling, std::string_view husband) {
  std::string record;
  record.reserve(49);
  record += kRecordMarker;
  record += bytesOf(person.name);
  record += person.generation;
  record += father;
  record += bytesOf(person.birthDate);
  record += person.sex;
  record += olderSibling;
  record += person.motherIndex;
  record += person.married;
  record += husband;
  record += person.alive;
  if (person.alive == 'n') {
    record += person.deathDate ? bytesOf(*person.deathDate) : std::string_view("00000000");
  } else {
    record += kLivingFiller;
  }
  record += '\n';  // CR LF through the text-mode stream
  return record;
}

std::string_view nameOr(const Person* linked, const std::array<char, 6>& otherwise) {
  return linked ? bytesOf(linked->name) : bytesOf(otherwise);
}

const Person* husbandOf(const Person& person) {
  return person.sex == 'f' ? person.spouse : nullptr;
}

}  // namespace

bool FamilyTree::writePerson(const Person* person, platform::TextFile& file) const {
  if (person == nullptr) return false;
  return file.write(recordBytes(*person, nameOr(person->father, kAbsentName),
                                nameOr(person->olderSibling, kAbsentName),
                                nameOr(husbandOf(*person), kAbsentName)));
}

// The breadth-first order of save: each member, then his first and second wife. True when the
// tree is regular, that is when reading that order back links every record exactly as it is
// linked now: every record is reached once, each member sits in his father's chain after his
// older sibling, each wife is held by the husband she names, and no two records share a name.
bool FamilyTree::breadthFirstOrder(std::vector<const Record*>& order) {
  order.clear();
  order.reserve(records_->size());
  std::vector<char> written(records_->size(), 0);
  bool regular = root_->father == nullptr && root_->olderSibling == nullptr;
  auto emit = [&](const Person* person) {
    auto* record = static_cast<const Record*>(person);
    if (written[record->sequence]) {
      regular = false;
      return;
    }
    written[record->sequence] = 1;
    order.push_back(record);
  };
  walkBreadthFirst([&](Person* member) {
    emit(member);
    if (member->spouse == nullptr && member->secondWife != nullptr) regular = false;
    for (Person* wife : {member->spouse, member->secondWife}) {
      if (wife == nullptr) continue;
      emit(wife);
      bool heldAsNamed = wife->spouse == member && wife->sex == 'f' && wife->married != 'n' &&
                         wife->father == nullptr && wife->olderSibling == nullptr;
      if (!heldAsNamed) regular = false;
    }
    const Person* older = nullptr;
    for (Person* child = member->firstChild; child; child = child->youngerSibling) {
      if (child->father != member || child->olderSibling != older) regular = false;
      older = child;
    }
  });
  std::size_t held = 0;
  for (std::size_t i = 0; i < records_->size(); ++i) held += (*records_)[i].released ? 0 : 1;
  if (order.size() != held) regular = false;
  return regular && !index_->hasSharedKeys();
}

bool FamilyTree::save() {
  if (root_ == nullptr) return false;

  // A regular tree is written breadth-first. A tree that a broken file left irregular (records
  // no walk reaches, a record linked twice, a name two records share ...) is written in the
  // order its records were read and added, each name field without a link keeping the bytes the
  // file gave it: the next load then meets the same records in the same order and links them
  // exactly as this tree is linked, so nothing is lost and the last generation-'0' man read is
  // the root again.
  std::vector<const Record*> order;
  bool regular = breadthFirstOrder(order);
  if (!regular) {
    order.clear();
    for (std::size_t i = 0; i < records_->size(); ++i) {
      if (!(*records_)[i].released) order.push_back(&(*records_)[i]);
    }
  }

  auto file = platform::TextFile::openReplacement(fileName_);
  if (!file) return false;
  bool ok = true;
  for (const Record* record : order) {
    if (regular) {
      ok = writePerson(record, *file);
    } else {
      ok = file->write(recordBytes(*record, nameOr(record->father, record->fileFather),
                                   nameOr(record->olderSibling, record->fileOlderSibling),
                                   nameOr(husbandOf(*record), record->fileHusband)));
    }
    if (!ok) return false;
  }
  if (!file->commit()) return false;
  unsavedChanges_ = false;
  return true;
}

}  // namespace quillet
