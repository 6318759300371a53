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

}  // namespace

// The bytes of the file after text-mode translation, read from the front.
struct FamilyTree::RecordCursor {
  std::string_view bytes;
  std::size_t at = 0;

  int next() { return at < bytes.size() ? static_cast<unsigned char>(bytes[at++]) : -1; }
};

namespace {

class FieldReader {
 public:
  explicit FieldReader(std::string_view bytes, std::size_t& at) : bytes_(bytes), at_(at) {}
  template <std::size_t N>
  void read(std::array<char, N>& field) {
    std::size_t n = std::min(N, bytes_.size() - at_);
    std::copy_n(bytes_.data() + at_, n, field.data());
    at_ += n;
    if (n != N) complete_ = false;
  }
  void read(char& field) {
    if (at_ == bytes_.size()) {
      complete_ = false;
      field = static_cast<char>(-1);  // as the stream's end of file, stored as a byte
      return;
    }
    field = bytes_[at_++];
  }
  bool complete() const { return complete_; }

 private:
  std::string_view bytes_;
  std::size_t& at_;
  bool complete_ = true;
};

// Reads the fields after a '!'. False when the bytes end inside the record.
bool readRawRecord(std::string_view bytes, std::size_t& at, RawRecord& raw) {
  FieldReader in(bytes, at);
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
  fileIdentity_.reset();
  auto file = platform::TextFile::open(fileName_, "r+");
  if (!file) return false;
  fileIdentity_ = file->identity();
  try {
    std::string bytes;
    if (!file->readAll(bytes)) return false;
    file->close();
    readRecords(bytes);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

// Reads every record of `bytes` (the file after text-mode translation) into the tree.
// Throws std::bad_alloc when memory runs out.
void FamilyTree::readRecords(std::string_view bytes) {
  RecordCursor in{bytes};
  for (;;) {
    int c = in.next();
    // 0xFF between records ends the file as its end does.
    if (c == -1 || c == 0xFF) break;
    if (c == kRecordMarker && !readRecord(in)) break;
  }
}

// Reads and links the record after a '!'. False when the file ends inside it: a record cut
// short is not taken, so no field of the tree holds bytes the file did not give.
bool FamilyTree::readRecord(RecordCursor& in) {
  RawRecord raw{};
  if (!readRawRecord(in.bytes, in.at, raw)) return false;

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
    startReach();
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

// Appends one record's bytes, its line end included, with the given contents of the three name
// fields. A death date follows every alive byte but 'y', as the reader reads one after every
// alive byte but 'y'.
void appendRecord(std::string& bytes, const Person& person, std::string_view father,
                  std::string_view olderSibling, std::string_view husband) {
  bytes += kRecordMarker;
  bytes += bytesOf(person.name);
  bytes += person.generation;
  bytes += father;
  bytes += bytesOf(person.birthDate);
  bytes += person.sex;
  bytes += olderSibling;
  bytes += person.motherIndex;
  bytes += person.married;
  bytes += husband;
  bytes += person.alive;
  if (person.alive != 'y') {
    bytes += person.deathDate ? bytesOf(*person.deathDate) : std::string_view("00000000");
  } else {
    bytes += kLivingFiller;
  }
  bytes += '\n';  // CR LF through the text-mode stream
}

std::string_view nameOr(const Person* linked, const std::array<char, 6>& otherwise) {
  return linked ? bytesOf(linked->name) : bytesOf(otherwise);
}

// The husband field: a woman's husband; the absent-name field for everyone whose sex is not 'f'.
std::string_view husbandField(const Person& person, const std::array<char, 6>& unlinked) {
  if (person.sex != 'f') return bytesOf(kAbsentName);
  return nameOr(person.spouse, unlinked);
}

}  // namespace

bool FamilyTree::writePerson(const Person* person, platform::TextFile& file) const {
  if (person == nullptr) return false;
  std::string bytes;
  appendRecord(bytes, *person, nameOr(person->father, kAbsentName),
               nameOr(person->olderSibling, kAbsentName), husbandField(*person, kAbsentName));
  return file.write(bytes);
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

// The file's bytes (before text-mode translation) for the records of `order`. A regular tree
// is written as the writer writes each person; an irregular one keeps, in each name field
// without a link, the bytes the file gave it.
std::string FamilyTree::fileBytes(const std::vector<const Record*>& order, bool regular) const {
  std::string bytes;
  bytes.reserve(order.size() * 49);
  for (const Record* record : order) {
    if (regular) {
      appendRecord(bytes, *record, nameOr(record->father, kAbsentName),
                   nameOr(record->olderSibling, kAbsentName), husbandField(*record, kAbsentName));
    } else {
      appendRecord(bytes, *record, nameOr(record->father, record->fileFather),
                   nameOr(record->olderSibling, record->fileOlderSibling),
                   husbandField(*record, record->fileHusband));
    }
  }
  return bytes;
}

namespace {

bool sameFields(const Person& a, const Person& b) {
  return a.name == b.name && a.birthDate == b.birthDate && a.deathDate == b.deathDate &&
         a.married == b.married && a.alive == b.alive && a.motherIndex == b.motherIndex &&
         a.sex == b.sex && a.generation == b.generation;
}

}  // namespace

// Reads `bytes` (the file for the records of `order`, in that order) into a tree of its own and
// compares it with this one record by record: fields, the six links and the root. True when they
// are the same. Otherwise `report.unsavable` names the persons whose changes the file cannot
// hold (or, when none of the known causes is there, every person read back differently).
// Linear in the size of the tree. Throws std::bad_alloc when memory runs out.
bool FamilyTree::readsBackAsIs(const std::vector<const Record*>& order, std::string_view bytes,
                               SaveReport& report) const {
  FamilyTree reread(fileName_);
  reread.readRecords(bytes);
  const RecordStore& again = *reread.records_;

  constexpr std::int64_t kNowhere = -2;  // a record that is not written
  std::vector<std::int64_t> place(records_->size(), kNowhere);
  for (std::size_t i = 0; i < order.size(); ++i) place[order[i]->sequence] = std::int64_t(i);
  auto here = [&](const Person* p) -> std::int64_t {
    return p ? place[static_cast<const Record*>(p)->sequence] : -1;
  };
  auto there = [](const Person* p) -> std::int64_t {
    return p ? std::int64_t(static_cast<const Record*>(p)->sequence) : -1;
  };

  bool same = again.size() == order.size() && here(root_) == there(reread.root_);
  std::vector<const Record*> differing;
  for (std::size_t i = 0; i < order.size() && i < again.size(); ++i) {
    const Record& a = *order[i];
    const Record& b = again[i];
    bool linked = here(a.father) == there(b.father) && here(a.firstChild) == there(b.firstChild) &&
                  here(a.spouse) == there(b.spouse) && here(a.secondWife) == there(b.secondWife) &&
                  here(a.olderSibling) == there(b.olderSibling) &&
                  here(a.youngerSibling) == there(b.youngerSibling);
    if (!linked || !sameFields(a, b)) differing.push_back(&a);
  }
  if (same && differing.empty()) return true;

  // The known causes, each of which alone makes the file read back otherwise.
  std::vector<char> named(records_->size(), 0);  // named in another written record's field
  for (const Record* record : order) {
    for (const Person* linked :
         {record->father, record->olderSibling, record->sex == 'f' ? record->spouse : nullptr}) {
      if (linked != nullptr) named[static_cast<const Record*>(linked)->sequence] = 1;
    }
  }
  const std::int64_t rootPlace = here(root_);
  for (const Record* record : order) {
    const Person* husband = record->spouse;
    bool isWife = husband != nullptr &&
                  (husband->spouse == record || husband->secondWife == record) &&
                  here(husband) < here(record);
    std::optional<UnsavableChange> why;
    if (isWife && record->sex == 'm') {
      why = UnsavableChange::kWifeMadeMale;
    } else if (record == root_ && record->generation != '0') {
      why = UnsavableChange::kRootGenerationChanged;
    } else if (record == root_ && record->sex != 'm') {
      why = UnsavableChange::kRootMadeFemale;
    } else if (record->generation == '0' && record->sex == 'm' && here(record) > rootPlace) {
      why = UnsavableChange::kSecondRoot;
    } else if (record->name[0] == '0' && named[record->sequence]) {
      why = UnsavableChange::kNameReadAsNobody;
    }
    if (why) report.unsavable.emplace_back(record, *why);
  }
  if (report.unsavable.empty()) {
    for (const Record* record : differing) {
      report.unsavable.emplace_back(record, UnsavableChange::kReadsBackDifferently);
    }
  }
  return false;
}

bool FamilyTree::save(SaveReport& report) {
  report = SaveReport{};
  if (root_ == nullptr) return false;
  try {
    // A regular tree is written breadth-first. A tree that a broken file left irregular
    // (records no walk reaches, a record linked twice, a name two records share ...) is written
    // in the order its records were read and added, each name field without a link keeping the
    // bytes the file gave it: the next load then meets the same records in the same order and
    // links them exactly as this tree is linked, so nothing is lost and the last
    // generation-'0' man read is the root again.
    std::vector<const Record*> order;
    bool regular = breadthFirstOrder(order);
    if (!regular) {
      order.clear();
      for (std::size_t i = 0; i < records_->size(); ++i) {
        if (!(*records_)[i].released) order.push_back(&(*records_)[i]);
      }
    }
    const std::string bytes = fileBytes(order, regular);
    if (!readsBackAsIs(order, bytes, report)) return false;

    platform::ReplaceFailure failure = platform::ReplaceFailure::kNone;
    auto file = platform::TextFile::openReplacement(fileName_, fileIdentity_, &failure);
    if (!file) {
      report.changedOnDisk = failure == platform::ReplaceFailure::kChangedSinceRead;
      return false;
    }
    if (!file->write(bytes) || !file->commit()) return false;
    fileIdentity_ = file->identity();
    unsavedChanges_ = false;
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool FamilyTree::save() {
  SaveReport ignored;
  return save(ignored);
}

}  // namespace quillet
