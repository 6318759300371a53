// The tree's reach marks, behind the name index (core/name_index.h): which records the
// post-order walk of findByName compares, and where.
//
// The index answers findByName only for records the depth-first walk would compare: clan
// members it visits and the spouse and secondWife of each of them. Each key counts such records;
// when one has the key, it is the answer.
//
// Reading only ever links a new record to records already compared, sets a first child only
// where there was none, and links no record into the walk a second way (see readRecord), so the
// walk stays a tree and reach changes in few ways: a new record joins it as the last of its
// chain, or a younger sibling or second wife that is replaced leaves it with all it carried, or
// a new root starts it afresh. The marks say where the walk compares each record: a member's
// place in its first-child chain under its walk parent, and the members holding a partner. The
// post-order of two places follows from those in logarithmic time (skew-binary jumps up the
// walk parents), so a key that several compared records share keeps them ordered, first
// compared first, and answers at once.
#include "core/tree_reach.h"

#include <optional>
#include <vector>

namespace quillet {

FamilyTree::Record* FamilyTree::Reach::recordAt(std::uint32_t sequence) const {
  return &records_[sequence];
}

const FamilyTree::Record* FamilyTree::Reach::walkParentOf(const Record* member) const {
  if (member->has(Record::kWalkParentAside)) return walkParents_.at(member);
  return static_cast<const Record*>(member->father);
}

// A new epoch: every reach mark and found word made before is stale. The marks keep 16 bits of
// it, so after 65,535 epochs they are all cleared once and the count starts again.
void FamilyTree::Reach::advanceEpoch() {
  if (++epoch_ != 0) return;
  for (std::size_t i = 0; i < records_.size(); ++i) records_[i].reachEpoch = 0;
  index_.forgetFound();
  epoch_ = 1;
}

void FamilyTree::Reach::touch(Record* record) const {
  if (record->reachEpoch == epoch_) return;
  record->reachEpoch = epoch_;
  record->set(Record::kVisited | Record::kHeldOnce | Record::kHeldMore, false);
  record->holder = 0;
}

bool FamilyTree::Reach::isFound(const Record* record) const {
  return record->reachEpoch == epoch_ &&
         record->has(Record::kVisited | Record::kHeldOnce | Record::kHeldMore);
}

bool FamilyTree::Reach::isVisited(const Person* person) const {
  auto* record = static_cast<const Record*>(person);
  return record->reachEpoch == epoch_ && record->has(Record::kVisited);
}

// Post-order of two visited members: a member after all his descendants, the lines of one chain
// in chain order. Each step up is a jump when that stays below the place sought.
bool FamilyTree::Reach::memberPrecedes(const Record* a, const Record* b) const {
  auto jumpOf = [this](const Record* x) { return recordAt(x->jump); };
  auto ancestorAt = [&](const Record* x, std::uint32_t depth) {
    while (x->walkDepth > depth) {
      const Record* jump = jumpOf(x);
      x = jump->walkDepth >= depth ? jump : walkParentOf(x);
    }
    return x;
  };
  const Record* x = ancestorAt(a, b->walkDepth);
  if (x == b) return true;  // a descends from b
  const Record* y = ancestorAt(b, a->walkDepth);
  if (y == a) return false;  // b descends from a
  x = ancestorAt(x, y->walkDepth);
  // At one depth, two members' jumps reach one depth too: they differ exactly while both stay
  // below the nearest member the two lines share.
  while (walkParentOf(x) != walkParentOf(y)) {
    if (x->jump != y->jump) {
      x = jumpOf(x);
      y = jumpOf(y);
    } else {
      x = walkParentOf(x);
      y = walkParentOf(y);
    }
  }
  return x->chainIndex < y->chainIndex;
}

bool FamilyTree::Reach::OccurrenceLess::operator()(const Occurrence& a, const Occurrence& b) const {
  if (a.member == b.member) return a.slot < b.slot;
  return reach->memberPrecedes(a.member, b.member);
}

std::optional<FamilyTree::Reach::Occurrence> FamilyTree::Reach::firstOccurrence(
    const Record* record) const {
  std::optional<Occurrence> first;
  if (record->reachEpoch != epoch_) return first;
  if (record->has(Record::kVisited)) first = Occurrence{record, 0};
  std::optional<Occurrence> held;
  if (record->has(Record::kHeldOnce)) {
    held = Occurrence{recordAt(record->holder), record->holderSlot};
  } else if (record->has(Record::kHeldMore)) {
    held = *holders_.at(record).begin();
  }
  if (held && (!first || OccurrenceLess{this}(*held, *first))) first = held;
  return first;
}

bool FamilyTree::Reach::FirstOccurrenceLess::operator()(const Record* a, const Record* b) const {
  return OccurrenceLess{reach}(*reach->firstOccurrence(a), *reach->firstOccurrence(b));
}

// Counts a record that has just become compared (or whose place is about to be settled again)
// under its key; uncountFound undoes it. Both must bracket every change of the record's places,
// so that the ordered set of its key finds it where it was put.
void FamilyTree::Reach::countFound(Record* record) {
  std::uint32_t* found = index_.found(record->name, epoch_);
  if (found == nullptr) return;
  if (*found == NameIndex::kNoneFound) {
    *found = record->sequence + 1;
    return;
  }
  auto& shared = sharedFound_.try_emplace(NameIndex::pack(record->name), FirstOccurrenceLess{this})
                     .first->second;
  if (*found != NameIndex::kSeveralFound) shared.insert(recordAt(*found - 1));
  shared.insert(record);
  *found = NameIndex::kSeveralFound;
}

void FamilyTree::Reach::uncountFound(Record* record) {
  std::uint32_t* found = index_.found(record->name, epoch_);
  if (found == nullptr || *found == NameIndex::kNoneFound) return;
  if (*found != NameIndex::kSeveralFound) {
    if (*found == record->sequence + 1) *found = NameIndex::kNoneFound;
    return;
  }
  auto shared = sharedFound_.find(NameIndex::pack(record->name));
  shared->second.erase(record);
  if (shared->second.size() == 1) {
    *found = (*shared->second.begin())->sequence + 1;
    sharedFound_.erase(shared);
  }
}

// The compared record with `key`, the first compared of several; null when none has it.
FamilyTree::Record* FamilyTree::Reach::foundWithKey(const NameKey& key) const {
  const std::uint32_t found = index_.foundAt(key, epoch_);
  if (found == NameIndex::kNoneFound) return nullptr;
  if (found != NameIndex::kSeveralFound) return recordAt(found - 1);
  return const_cast<Record*>(*sharedFound_.at(NameIndex::pack(key)).begin());
}

void FamilyTree::Reach::addHolder(Record* partner, const Record* member, std::uint8_t slot) {
  touch(partner);
  if (isFound(partner)) uncountFound(partner);
  const Occurrence place{member, slot};
  if (partner->has(Record::kHeldMore)) {
    holders_.at(partner).insert(place);
  } else if (partner->has(Record::kHeldOnce)) {
    auto& set = holders_.try_emplace(partner, OccurrenceLess{this}).first->second;
    set.insert(Occurrence{recordAt(partner->holder), partner->holderSlot});
    set.insert(place);
    partner->set(Record::kHeldOnce, false);
    partner->set(Record::kHeldMore, true);
  } else {
    partner->holder = member->sequence;
    partner->holderSlot = slot;
    partner->set(Record::kHeldOnce, true);
  }
  countFound(partner);
}

void FamilyTree::Reach::removeHolder(Record* partner, const Record* member, std::uint8_t slot) {
  touch(partner);
  if (!partner->has(Record::kHeldOnce | Record::kHeldMore)) return;
  uncountFound(partner);
  if (partner->has(Record::kHeldOnce)) {
    partner->set(Record::kHeldOnce, false);
    partner->holder = 0;
  } else {
    auto set = holders_.find(partner);
    set->second.erase(Occurrence{member, slot});
    if (set->second.size() == 1) {
      partner->holder = set->second.begin()->member->sequence;
      partner->holderSlot = set->second.begin()->slot;
      partner->set(Record::kHeldMore, false);
      partner->set(Record::kHeldOnce, true);
      holders_.erase(set);
    }
  }
  if (isFound(partner)) countFound(partner);
}

// `record` (a record that carries nobody yet and that the walk does not visit) is visited as the
// last of the chain under `walkParent` (null: the root's chain), at `depth`, at `chainIndex`.
void FamilyTree::Reach::visitMember(Record* record, const Record* walkParent, std::uint32_t depth,
                                    std::uint32_t chainIndex) {
  touch(record);
  if (isFound(record)) uncountFound(record);
  record->set(Record::kVisited, true);
  record->walkDepth = depth;
  record->chainIndex = chainIndex;
  const bool aside = walkParent != record->father;
  if (aside) {
    walkParents_[record] = walkParent;
  } else if (record->has(Record::kWalkParentAside)) {
    walkParents_.erase(record);
  }
  record->set(Record::kWalkParentAside, aside);
  if (walkParent == nullptr) {
    record->jump = record->sequence;
  } else {
    const Record* up = recordAt(walkParent->jump);
    const bool even =
        walkParent->walkDepth - up->walkDepth == up->walkDepth - recordAt(up->jump)->walkDepth;
    record->jump = even ? up->jump : walkParent->sequence;
  }
  countFound(record);
  if (record->spouse != nullptr) addHolder(static_cast<Record*>(record->spouse), record, 1);
  if (record->secondWife != nullptr) {
    addHolder(static_cast<Record*>(record->secondWife), record, 2);
  }
}

// The chain from `first` on, with all it carries, is no longer visited. Members go after their
// descendants, so that every place still counted stays where it was.
void FamilyTree::Reach::detachChain(Record* first) {
  std::vector<Record*> region;
  std::vector<Record*> pending{first};
  while (!pending.empty()) {
    Record* member = pending.back();
    pending.pop_back();
    if (member == nullptr || !isVisited(member) || member->has(Record::kMet)) continue;
    member->set(Record::kMet, true);
    region.push_back(member);
    pending.push_back(static_cast<Record*>(member->youngerSibling));
    pending.push_back(static_cast<Record*>(member->firstChild));
  }
  for (auto it = region.rbegin(); it != region.rend(); ++it) {
    Record* member = *it;
    member->set(Record::kMet, false);
    if (member->spouse != nullptr) removeHolder(static_cast<Record*>(member->spouse), member, 1);
    if (member->secondWife != nullptr) {
      removeHolder(static_cast<Record*>(member->secondWife), member, 2);
    }
    uncountFound(member);
    member->set(Record::kVisited, false);
    if (isFound(member)) countFound(member);
  }
}

void FamilyTree::Reach::start(Person* root) {
  advanceEpoch();
  sharedFound_.clear();
  holders_.clear();
  if (root != nullptr) visitMember(static_cast<Record*>(root), nullptr, 1, 0);
}

void FamilyTree::Reach::clear() {
  advanceEpoch();
  sharedFound_.clear();
  holders_.clear();
  walkParents_.clear();
}

void FamilyTree::Reach::linkFirstChild(Person* father, Person* child) {
  Person* replaced = father->firstChild != child ? father->firstChild : nullptr;
  father->firstChild = child;
  if (!isVisited(father) || isVisited(child)) return;
  if (replaced != nullptr) detachChain(static_cast<Record*>(replaced));
  auto* fatherRecord = static_cast<Record*>(father);
  visitMember(static_cast<Record*>(child), fatherRecord, fatherRecord->walkDepth + 1, 0);
}

void FamilyTree::Reach::linkYoungerSibling(Person* older, Person* younger) {
  Person* replaced = older->youngerSibling != younger ? older->youngerSibling : nullptr;
  older->youngerSibling = younger;
  younger->olderSibling = older;
  if (!isVisited(older) || isVisited(younger)) return;
  if (replaced != nullptr) detachChain(static_cast<Record*>(replaced));
  auto* olderRecord = static_cast<Record*>(older);
  visitMember(static_cast<Record*>(younger), walkParentOf(olderRecord), olderRecord->walkDepth,
              olderRecord->chainIndex + 1);
}

void FamilyTree::Reach::linkSpouse(Person* holder, Person*& slot, Person* partner) {
  Person* replaced = slot;
  slot = partner;
  if (replaced == partner || !isVisited(holder)) return;
  auto* member = static_cast<Record*>(holder);
  const std::uint8_t slotNumber = &slot == &holder->spouse ? 1 : 2;
  if (replaced != nullptr) removeHolder(static_cast<Record*>(replaced), member, slotNumber);
  if (partner != nullptr) addHolder(static_cast<Record*>(partner), member, slotNumber);
}

}  // namespace quillet
