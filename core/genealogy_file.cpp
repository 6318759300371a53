// Reading and writing home.txt: fixed-width GBK records introduced by '!' (the record's codec is
// core/home_record.h: the load links what its reader takes, the save writes with its writer). The
// reader looks at an absent name's first byte only, and skips every byte between records, so line
// ends and the living person's filler are ignored.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <new>

#include "core/family_tree.h"
#include "core/home_record.h"
#include "core/tree_reach.h"
#include "core/tree_record.h"
#include "platform/large_block.h"
#include "platform/text_file.h"

namespace quillet {

namespace {

constexpr NameField kAbsentName{'0', ' ', ' ', ' ', ' ', ' '};
constexpr std::size_t kSaveBlock = 1 << 20;  // save writes its bytes in blocks of about this

}  // namespace

// The bytes of the file after text-mode translation, read from the front.
struct FamilyTree::RecordCursor {
  std::string_view bytes;
  std::size_t at = 0;

  int next() { return at < bytes.size() ? static_cast<unsigned char>(bytes[at++]) : -1; }
};

namespace {

NameKey keyOf(const NameField& field) {
  NameKey key{};
  std::memcpy(key.data(), field.data(), field.size());
  return key;
}

DateText dateOf(const DateField& field) {
  DateText date{};
  std::memcpy(date.data(), field.data(), field.size());
  return date;
}

// A digest of a file's text (after text-mode translation), eight bytes at a time: two texts with
// the same digest are, for every practical purpose, the same.
std::uint64_t digestOf(std::string_view bytes) {
  std::uint64_t digest = 0x9E3779B97F4A7C15ull ^ bytes.size();
  auto mix = [&digest](std::uint64_t word) {
    digest = (digest ^ word) * 0xFF51AFD7ED558CCDull;
    digest ^= digest >> 32;
  };
  std::size_t at = 0;
  for (; at + 8 <= bytes.size(); at += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes.data() + at, 8);
    mix(word);
  }
  std::uint64_t tail = 0;
  std::memcpy(&tail, bytes.data() + at, bytes.size() - at);
  mix(tail);
  return digest;
}

}  // namespace

std::string_view loadFailureText(const LoadFailure& failure) {
  return failure.noRecordAtStart ? "no genealogy record at its start"
                                 : platform::readProblemText(failure.problem);
}

std::string_view loadFailureWords(const LoadFailure& failure) {
  return failure.noRecordAtStart ? "文件开头没有家谱记录"
                                 : platform::readProblemWords(failure.problem);
}

bool FamilyTree::load() {
  auto file = platform::TextFile::open(fileName_, "r");
  // Opened as a reading opens it, the file is the one read last: the tree is what it would read.
  if (file && keptAsRead_ && fileIdentity_ && file->identity() == fileIdentity_) return true;
  resetTree();
  fileIdentity_.reset();
  readDigest_.reset();
  loadFailure_.reset();
  if (!file) {
    loadFailure_ = LoadFailure{.problem = platform::readProblemOf(fileName_)};
    return false;
  }
  fileIdentity_ = file->identity();
  // The file is read into room for all of it taken at once (see platform::LargeBlock), grown
  // should the file have grown since it was looked at, and let go when the reading is done. It
  // is read a step at a time, each step looked at for records: a stretch of kNoRecordSpan bytes
  // without one ends the reading (at the start, the load).
  platform::LargeBlock room;
  std::string_view bytes;
  std::size_t stop = 0;
  bool cut = false;  // the reading stopped at a stretch without records, before the file's end
  try {
    std::size_t size = 0;
    std::size_t lastMarker = 0;  // just after the last '!' read (0: none yet)
    const auto expected = fileIdentity_ ? static_cast<std::size_t>(fileIdentity_->size) : 0;
    room = platform::LargeBlock(expected + 1);
    constexpr std::size_t kStep = std::size_t{1} << 20;
    for (;;) {
      char* at = static_cast<char*>(room.data());
      const std::size_t got = file->read(at + size, std::min(kStep, room.size() - size));
      for (const char* marker = at + size;
           (marker = static_cast<const char*>(
                std::memchr(marker, kRecordMarker, at + size + got - marker))) != nullptr;
           ++marker) {
        const auto place = static_cast<std::size_t>(marker - at);
        if (place - lastMarker > kNoRecordSpan) break;
        lastMarker = place + 1;
      }
      size += got;
      if (size - lastMarker > kNoRecordSpan) {
        if (lastMarker == 0) {
          loadFailure_ = LoadFailure{.noRecordAtStart = true};
          return false;
        }
        size = lastMarker + kNoRecordSpan;
        cut = true;
      }
      bytes = std::string_view(at, size);
      if (cut || got == 0) break;
      if (size < room.size()) continue;
      platform::LargeBlock larger(room.size() * 2);
      std::copy_n(at, size, static_cast<char*>(larger.data()));
      room = std::move(larger);
    }
    if (file->failedReading()) return false;
    file->close();
    if (!cut) readDigest_ = digestOf(bytes);
    readRecords(bytes, stop);
  } catch (const std::bad_alloc&) {
    noteUnreadRest(bytes, stop, cut);
    return false;
  }
  noteUnreadRest(bytes, stop, cut);
  keptAsRead_ = fileIdentity_ && platform::isSettled(*fileIdentity_);
  return true;
}

// Reads every record of `bytes` (the file after text-mode translation) into the tree. `stop`
// follows the reading: in the end it is bytes.size() when every byte was read, else the place of
// the 0xFF byte or of the '!' of the record cut short where the reading stopped. Throws
// std::bad_alloc when memory runs out (`stop` then holds the '!' of the record being read).
void FamilyTree::readRecords(std::string_view bytes, std::size_t& stop) {
  stop = 0;
  // A record takes 38 bytes at least, and 46 or 47 as save writes it: the store is given room
  // for as many as the file can hold (pages are touched only as records fill them), the index
  // for as many as a saved file holds.
  records_->reserve(bytes.size() / kShortestReadRecord + 1);
  index_->reserve(bytes.size() / kDeadRecordBytes + 1);
  RecordCursor in{bytes};
  for (;;) {
    stop = in.at;
    int c = in.next();
    // 0xFF between records ends the file as its end does.
    if (c == -1 || c == 0xFF) break;
    if (c != kRecordMarker) continue;
    // The index slots of the next record's names are fetched while this one is read: in a large
    // file each is far from the last, and waiting for them is most of the reading.
    const std::size_t next = bytes.find(kRecordMarker, in.at + kDeadRecordBytes - 1);
    if (next != std::string_view::npos && next + record_at::kAlive <= bytes.size()) {
      for (const std::size_t field : record_at::kNames) {
        if (field == record_at::kName || bytes[next + field] != '0') {
          index_->prefetch(&bytes[next + field]);
        }
      }
    }
    if (!readRecord(in)) break;
  }
}

// After a load that stopped at `stop` of the translated `bytes`: notes where, in the file's own
// bytes, when the rest holds a '!' (a record, or the start of one), or when the file goes on
// past `bytes` (`cut`: its rest was not read). The file is read again untranslated, a block at a
// time, to count its CR LF pairs up to there. Throws nothing.
void FamilyTree::noteUnreadRest(std::string_view bytes, std::size_t stop, bool cut) {
  unreadRest_.reset();
  if (!cut && (stop >= bytes.size() || bytes.find(kRecordMarker, stop) == std::string_view::npos)) {
    return;
  }
  const std::uint64_t size = fileIdentity_ ? static_cast<std::uint64_t>(fileIdentity_->size) : 0;
  std::uint64_t offset = stop;  // as it is when the file has no CR LF pair before the stop
  try {
    if (auto file = platform::TextFile::open(fileName_, "rb")) {
      std::uint64_t at = 0;         // the file offset of the byte looked at
      std::size_t translated = 0;   // the place in `bytes` of the next byte the reading gave
      bool carriageReturn = false;  // the byte before was a CR, which a LF now would swallow
      char block[1 << 16];
      bool found = false;
      for (std::size_t got = 0; !found && (got = file->read(block, sizeof block)) > 0;) {
        for (std::size_t i = 0; i < got && !found; ++i, ++at) {
          if (carriageReturn && block[i] != '\n') ++translated;  // a lone CR: a byte of its own
          carriageReturn = block[i] == '\r';
          if (carriageReturn) continue;
          found = translated == stop;
          if (found) offset = at;
          ++translated;
        }
      }
    }
  } catch (const std::bad_alloc&) {
    // Out of memory again (as when the reading stopped for it): the place in `bytes` stands.
  }
  unreadRest_ = UnreadRest{offset, size > offset ? size - offset : 0};
}

// Reads and links the record after a '!'. False when the file ends inside it: a record cut
// short is not taken, so no field of the tree holds bytes the file did not give.
bool FamilyTree::readRecord(RecordCursor& in) {
  ReadFields raw{};
  if (!readRecordFields(in.bytes, in.at, raw)) return false;

  Record* previous = records_->last();
  Record* person = newRecord();
  ++personCount_;
  person->name = keyOf(raw.name);
  index_->insert(person->name, person->sequence);

  person->generation = raw.generation;
  if (!namesNobody(raw.father)) {
    if (Person* father = findByNameNear(keyOf(raw.father), previous)) {
      person->father = father;
      if (father->firstChild == nullptr) reach_->linkFirstChild(father, person);
    }
  }
  person->birthDate = dateOf(raw.birthDate);
  person->sex = raw.sex;
  if (raw.sex == 'f') ++femaleCount_;
  if (raw.generation == '0' && raw.sex == 'm') {
    // A new root: from now on the walks start here, and nothing else is reachable yet.
    root_ = person;
    reach_->start(root_);
  }
  if (!namesNobody(raw.olderSibling)) {
    // A record that names itself (it may already be reachable through its father) is not its
    // own sibling: that link would close the chain into a ring that no walk leaves. One that the
    // walks already reach as its father's first child is not chained after an older sibling they
    // reach too: the walks would meet it, and all that comes to hang from it, twice.
    Person* older = findByNameNear(keyOf(raw.olderSibling), previous);
    if (older != nullptr && older != person &&
        !(reach_->isVisited(person) && reach_->isVisited(older))) {
      reach_->linkYoungerSibling(older, person);
    }
  }
  person->motherIndex = raw.motherIndex;
  person->married = raw.married;
  if (raw.married != 'n' && raw.sex != 'm' && !namesNobody(raw.husband)) {
    Person* husband = findByNameNear(keyOf(raw.husband), previous);
    if (husband != nullptr && husband != person) {
      reach_->linkSpouse(
          husband, husband->spouse != nullptr ? husband->secondWife : husband->spouse, person);
      reach_->linkSpouse(person, person->spouse, husband);
      person->secondWife = nullptr;
    }
  }
  person->alive = raw.alive;
  if (raw.alive != 'y') person->deathDate = dateOf(raw.deathDate);
  generationCount_ = raw.generation - '0';
  // The links made here are never undone by a later record: a field that made none is kept.
  const bool keepFather = person->father == nullptr && raw.father != kAbsentName;
  const bool keepOlder = person->olderSibling == nullptr && raw.olderSibling != kAbsentName;
  const bool keepHusband = person->spouse == nullptr && raw.husband != kAbsentName;
  if (keepFather || keepOlder || keepHusband) {
    fileNames_[person->sequence] = {raw.father, raw.olderSibling, raw.husband};
  }
  return true;
}

namespace {

// The record of `person` with the given 6 bytes of each of its three name fields. A death date
// follows every alive byte but 'y', as the reader reads one after every alive byte but 'y'.
RecordFields recordOf(const Person& person, const char* father, const char* olderSibling,
                      const char* husband) {
  return {.name = std::string_view(person.name.data(), 6),
          .generation = person.generation,
          .father = std::string_view(father, 6),
          .birthDate = std::string_view(person.birthDate.data(), kDateBytes),
          .sex = person.sex,
          .olderSibling = std::string_view(olderSibling, 6),
          .motherIndex = person.motherIndex,
          .married = person.married,
          .husband = std::string_view(husband, 6),
          .alive = person.alive,
          .deathDate = person.deathDate ? std::string_view(person.deathDate->data(), kDateBytes)
                                        : std::string_view("00000000")};
}

void appendRecord(std::string& bytes, const Person& person, const char* father,
                  const char* olderSibling, const char* husband) {
  appendRecord(bytes, recordOf(person, father, olderSibling, husband));
}

// The text the reader reads from `bytes` of a file: each CR LF pair as LF.
std::string readAsText(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text += bytes[i];
  }
  return text;
}

const char* nameOr(const Person* linked, const NameField& otherwise) {
  return linked ? linked->name.data() : otherwise.data();
}

// The husband field: a woman's husband; the absent-name field for everyone whose sex is not 'f'.
const char* husbandField(const Person& person, const NameField& unlinked) {
  if (person.sex != 'f') return kAbsentName.data();
  return nameOr(person.spouse, unlinked);
}

}  // namespace

bool FamilyTree::writePerson(const Person* person, platform::TextFile& file) const {
  if (person == nullptr) return false;
  std::string bytes;
  appendRecord(bytes, *person, nameOr(person->father, kAbsentName),
               nameOr(person->olderSibling, kAbsentName), husbandField(*person, kAbsentName));
  return file.writeAsIs(bytes);
}

// The bookkeeping of breadthFirstOrder: which records joined the order, whether the tree is
// still regular and sure (see OrderVerdict), and the members whose children are still to be
// written, first written first: what the walk needs of each is kept here, so that it does not
// come back to his record.
class FamilyTree::OrderState {
 public:
  struct Waiting {
    const Person* member;
    const Person* firstChild;
    int level;
    NameKey name;  // the member's, for his children's father field
  };

  explicit OrderState(const FamilyTree& tree)
      : tree_(tree),
        written_(tree.records_->size(), 0),
        regular_(tree.root_->father == nullptr && tree.root_->olderSibling == nullptr) {}

  // Takes `member`, at `level` (the root's is 1), into the order; false when it joined before
  // (a record met again is not written again, nor walked again, and makes the tree irregular).
  bool takeMember(const Record* member, int level);
  // Takes `wife`, held by `member`, into the order right after him; false when she joined before.
  bool takeWife(const Record* member, const Person* wife);
  // `child` of the waiting `parent` is taken after `older` (null: first of the chain): notes
  // whether the chain is linked as the file would link it.
  void checkChain(const Waiting& parent, const Person* child, const Person* older) {
    if (child->father != parent.member || child->olderSibling != older) regular_ = false;
  }
  const std::vector<Waiting>& waiting() const { return waiting_; }
  bool regularAndSure() const { return regular_ && sure_; }
  // The verdict once every reachable record has joined.
  OrderVerdict verdict() const {
    const bool regular = regular_ && ordered_ == tree_.records_->size() - tree_.releasedCount_ &&
                         !tree_.index_->hasSharedKeys();
    return {regular, regular && sure_};
  }

 private:
  static constexpr std::uint8_t kWife = 255;
  // Its fields read back as they are, and it is read as the root exactly when it is the root.
  bool readsBackAlone(const Person& person) const {
    return person.name[6] == '\0' && person.birthDate[8] == '\0' &&
           person.deathDate.has_value() == (person.alive != 'y') &&
           (!person.deathDate || (*person.deathDate)[8] == '\0') &&
           (person.generation == '0' && person.sex == 'm') == (&person == tree_.root_);
  }

  const FamilyTree& tree_;
  // By sequence: 0 not yet written; a member's level (the root is 1), or kWife.
  std::vector<std::uint8_t> written_;
  std::vector<Waiting> waiting_;
  std::size_t ordered_ = 0;
  bool regular_;
  bool sure_ = true;
};

bool FamilyTree::OrderState::takeMember(const Record* member, int level) {
  // Records stand in memory in the order they were read, which for a file save wrote is this
  // order: those a few steps ahead are fetched now (an address past the store is not read).
  const auto ahead = reinterpret_cast<std::uintptr_t>(member) + 12 * sizeof(Record);
  __builtin_prefetch(reinterpret_cast<const void*>(ahead));
  __builtin_prefetch(reinterpret_cast<const void*>(ahead + 64));
  __builtin_prefetch(reinterpret_cast<const void*>(ahead + 128));
  if (written_[member->sequence] != 0) {
    regular_ = false;
    return false;
  }
  written_[member->sequence] = static_cast<std::uint8_t>(std::min(level, kWife - 1));
  ++ordered_;
  if (member->firstChild != nullptr) {
    waiting_.push_back({member, member->firstChild, level, member->name});
  }
  const bool named = member->firstChild || member->youngerSibling || member->spouse;
  if (!readsBackAlone(*member) || (named && member->name[0] == '0')) sure_ = false;
  if (member->spouse == nullptr && member->secondWife != nullptr) regular_ = false;
  return true;
}

bool FamilyTree::OrderState::takeWife(const Record* member, const Person* wife) {
  auto* held = static_cast<const Record*>(wife);
  if (written_[held->sequence] != 0) {
    regular_ = false;
    return false;
  }
  written_[held->sequence] = kWife;
  ++ordered_;
  const bool heldAsNamed = wife->spouse == member && wife->sex == 'f' && wife->married != 'n' &&
                           wife->father == nullptr && wife->olderSibling == nullptr;
  if (!heldAsNamed) regular_ = false;
  if (!readsBackAlone(*wife) || wife->firstChild || wife->youngerSibling || wife->secondWife) {
    sure_ = false;
  }
  return true;
}

// The breadth-first order of save: each member, then his first and second wife. The verdict
// says whether the tree is regular, that is whether reading that order back links every record
// exactly as it is linked now: every record is reached once, each member sits in his father's
// chain after his older sibling, each wife is held by the husband she names, and no two records
// share a name.
//
// Its `readsBackByConstruction` tells, for a regular tree, whether the file is sure to read back
// as this tree without reading it: besides regularity, each field reads back as it is, the root
// is the only man of generation '0', every member named in another's record has a name that
// does not read as nobody, and no wife carries a link that no record names. False means unsure
// (readsBackAsIs then reads the file to know).
//
// `emitted(record, fatherName)` is called for each record as it joins the order (its father,
// older sibling and husband, if it has them, joined before it); while the tree is regular,
// `fatherName` is the 6 bytes of its father field. With WhenUnsure::kStop, the walk stops,
// neither regular nor sure, as soon as the tree is not regular or not sure.
template <typename Emitted>
FamilyTree::OrderVerdict FamilyTree::breadthFirstOrder(WhenUnsure whenUnsure, Emitted&& emitted) {
  const bool stopWhenUnsure = whenUnsure == WhenUnsure::kStop;
  if (stopWhenUnsure && index_->hasSharedKeys()) return {};
  OrderState state(*this);
  // A member, at `level`, and right after him his wives.
  auto emit = [&](const Person* member, int level, const char* fatherName) {
    auto* record = static_cast<const Record*>(member);
    if (!state.takeMember(record, level)) return;
    emitted(record, fatherName);
    for (const Person* wife : {member->spouse, member->secondWife}) {
      if (wife != nullptr && state.takeWife(record, wife)) {
        emitted(static_cast<const Record*>(wife), kAbsentName.data());
      }
    }
  };
  // Breadth-first: each member's children are written when he is reached, each followed by his
  // wives.
  emit(root_, 1, kAbsentName.data());
  for (std::size_t next = 0; next < state.waiting().size(); ++next) {
    if (stopWhenUnsure && !state.regularAndSure()) return {};
    // The records of a large tree are far apart in memory: those the walk reaches a few members
    // later are fetched while it writes these.
    if (next + 8 < state.waiting().size()) __builtin_prefetch(state.waiting()[next + 8].firstChild);
    const OrderState::Waiting parent = state.waiting()[next];  // a copy: emit adds to the list
    const Person* older = nullptr;
    for (const Person* child = parent.firstChild; child; child = child->youngerSibling) {
      state.checkChain(parent, child, older);
      older = child;
      emit(child, parent.level + 1, parent.name.data());
    }
  }
  return state.verdict();
}

// Appends the file's bytes (line ends and line feeds as CR LF) for the records of `order` from
// `begin` to `end`. A regular tree is written as the writer writes each person; an irregular one
// keeps, in each name field without a link, the bytes the file gave it.
void FamilyTree::appendFileBytes(const std::vector<const Record*>& order, std::size_t begin,
                                 std::size_t end, bool regular, std::string& bytes) const {
  for (std::size_t i = begin; i < end; ++i) {
    const Record* record = order[i];
    if (regular) {
      appendRecord(bytes, *record, nameOr(record->father, kAbsentName),
                   nameOr(record->olderSibling, kAbsentName), husbandField(*record, kAbsentName));
    } else {
      const auto kept = fileNames_.find(record->sequence);
      const FileNames& file = kept != fileNames_.end()
                                  ? kept->second
                                  : FileNames{kAbsentName, kAbsentName, kAbsentName};
      appendRecord(bytes, *record, nameOr(record->father, file.father),
                   nameOr(record->olderSibling, file.olderSibling),
                   husbandField(*record, file.husband));
    }
  }
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
  std::size_t stop = 0;
  reread.readRecords(bytes, stop);
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
  if (unreadRest_) {  // the file holds records this tree never read: they would be lost
    report.unreadRest = unreadRest_;
    return false;
  }
  if (root_ == nullptr) return false;
  try {
    // Most trees are written as they are walked, a block at a time, the walk making sure on the
    // way that the file will read back as this tree. One that the walk cannot be sure of is saved
    // by saveChecked, which reads the bytes back before it writes them; so is every tree whose
    // file cannot be opened, so that a refusal names what it would name.
    std::unique_ptr<platform::TextFile> file;
    const platform::Status opened = openForSave(file);
    if (file) {
      std::string block(kSaveBlock + kLongestRecordBytes, '\0');
      std::size_t used = 0;
      auto written = [&](const Record* record, const char* fatherName) {
        used += formatRecord(
            recordOf(*record, fatherName, nameOr(record->olderSibling, kAbsentName),
                     husbandField(*record, kAbsentName)),
            RecordLineEnd::kFile,
            std::span<char, kLongestRecordBytes>(block.data() + used, kLongestRecordBytes));
        if (used >= kSaveBlock) {
          file->writeAsIs(std::string_view(block.data(), used));
          used = 0;
        }
      };
      if (breadthFirstOrder(WhenUnsure::kStop, written).readsBackByConstruction) {
        if (!file->writeAsIs(std::string_view(block.data(), used)) || !file->commit()) {
          report.fileFailure = file->status();
          return false;
        }
        savedTo(*file);
        return true;
      }
      file.reset();  // the temporary file goes
    }
    return saveChecked(report, opened);  // ok when it opened: saveChecked opens it anew
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// Opens the replacement of the file for a save, under the check that it is still the file read
// or saved last. A file whose status alone changed since it was read (its permissions, owner,
// attributes or links: the status-change time differs, the inode, size and modification time do
// not) is still that file when its text is the text read: its identity is taken anew.
platform::Status FamilyTree::openForSave(std::unique_ptr<platform::TextFile>& file) {
  platform::Status opened = platform::TextFile::openReplacement(fileName_, fileIdentity_, file);
  if (opened.code() != platform::Status::Code::kChangedSinceRead || !fileIdentity_ ||
      !readDigest_) {
    return opened;
  }
  const std::optional<platform::FileIdentity> now = platform::identityOf(fileName_);
  platform::FileIdentity statusOnly = *fileIdentity_;
  if (now) {
    statusOnly.changedSeconds = now->changedSeconds;
    statusOnly.changedNanoseconds = now->changedNanoseconds;
  }
  std::string text;
  auto reading = now && *now == statusOnly ? platform::TextFile::open(fileName_, "r") : nullptr;
  if (!reading || !reading->readAll(text) || digestOf(text) != *readDigest_) return opened;
  fileIdentity_ = now;
  return platform::TextFile::openReplacement(fileName_, fileIdentity_, file);
}

// Saves a tree that the walk of save could not be sure of. `openFailure` is why save could not
// open the file, or ok when it could. Throws std::bad_alloc when memory runs out.
bool FamilyTree::saveChecked(SaveReport& report, const platform::Status& openFailure) {
  // A regular tree is written breadth-first. A tree that a broken file left irregular (records
  // no walk reaches, a record linked twice, a name two records share ...) is written in the
  // order its records were read and added, each name field without a link keeping the bytes
  // the file gave it: the next load then meets the same records in the same order and links
  // them exactly as this tree is linked, so nothing is lost and the last generation-'0' man read
  // is the root again.
  std::vector<const Record*> order;
  order.reserve(records_->size());
  const OrderVerdict verdict = breadthFirstOrder(
      WhenUnsure::kGoOn, [&order](const Record* record, const char*) { order.push_back(record); });
  const bool regular = verdict.regular;
  const bool sure = verdict.readsBackByConstruction;
  if (!regular) {
    order.clear();
    for (std::size_t i = 0; i < records_->size(); ++i) {
      if (!(*records_)[i].has(Record::kReleased)) order.push_back(&(*records_)[i]);
    }
  }
  std::string bytes;
  bytes.reserve(order.size() * (kRecordBytes + 2));
  appendFileBytes(order, 0, order.size(), regular, bytes);
  if (!sure && !readsBackAsIs(order, readAsText(bytes), report)) return false;

  std::unique_ptr<platform::TextFile> file;
  const platform::Status opened = openFailure.ok() ? openForSave(file) : openFailure;
  if (!file) {
    report.changedOnDisk = opened.code() == platform::Status::Code::kChangedSinceRead;
    if (!report.changedOnDisk) report.fileFailure = opened;
    return false;
  }
  if (!file->writeAsIs(bytes) || !file->commit()) {
    report.fileFailure = file->status();
    return false;
  }
  savedTo(*file);
  return true;
}

// After a successful commit to `file`: the tree is what the file holds.
void FamilyTree::savedTo(const platform::TextFile& file) {
  fileIdentity_ = file.identity();
  readDigest_.reset();  // not kept for a file written: a later change of its status alone counts
  history_.markSaved();
  keptAsRead_ = false;
}

bool FamilyTree::save() {
  SaveReport ignored;
  return save(ignored);
}

}  // namespace quillet
