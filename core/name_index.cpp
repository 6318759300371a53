#include "core/name_index.h"

#include <algorithm>
#include <utility>

namespace quillet {

std::uint64_t NameIndex::pack(const NameKey& key) {
  std::uint64_t packed = 0;
  for (std::size_t i = 0; i < 6 && key[i] != '\0'; ++i) {
    packed |= static_cast<std::uint64_t>(static_cast<unsigned char>(key[i])) << (8 * i);
  }
  return packed;
}

namespace {
std::size_t slotHash(std::uint64_t key) {
  key ^= key >> 33;
  key *= 0xff51afd7ed558ccdULL;
  key ^= key >> 33;
  return static_cast<std::size_t>(key);
}
}  // namespace

std::size_t NameIndex::home(std::uint64_t key) const {
  // The hash's top 32 bits scaled to the table: any size of table, no power of two needed.
  return static_cast<std::size_t>(((slotHash(key) >> 32) * slotCount_) >> 32);
}

std::size_t NameIndex::find(std::uint64_t key) const {
  if (lastSlot_ < slotCount_ && slots_[lastSlot_].head != 0 &&
      (slots_[lastSlot_].word & kKeyMask) == key) {
    return lastSlot_;
  }
  std::size_t at = home(key);
  std::size_t firstErased = slotCount_;
  for (;;) {
    const Slot& slot = slots_[at];
    if (slot.head == 0) {
      if (slot.word != kErased) return firstErased != slotCount_ ? firstErased : at;
      if (firstErased == slotCount_) firstErased = at;
    } else if ((slot.word & kKeyMask) == key) {
      lastSlot_ = at;
      return at;
    }
    if (++at == slotCount_) at = 0;
  }
}

void NameIndex::prefetch(const char* name) const {
  if (slotCount_ == 0) return;
  NameKey key{};
  std::copy_n(name, 6, key.begin());
  __builtin_prefetch(&slots_[home(pack(key))]);
}

void NameIndex::reserve(std::size_t records) {
  // At most three slots in four hold a key.
  const std::size_t slots = std::max<std::size_t>(64, records + records / 3 + 1);
  if (slots > slotCount_) rehash(slots);
}

void NameIndex::rehash(std::size_t slots) {
  platform::LargeBlock old = std::move(memory_);
  const Slot* oldSlots = slots_;
  const std::size_t oldCount = slotCount_;
  memory_ = platform::LargeBlock(slots * sizeof(Slot));  // zero: every slot free
  slots_ = static_cast<Slot*>(memory_.data());
  slotCount_ = slots;
  lastSlot_ = slots;
  used_ = 0;
  for (std::size_t i = 0; i < oldCount; ++i) {
    if (oldSlots[i].head == 0) continue;
    slots_[find(oldSlots[i].word & kKeyMask)] = oldSlots[i];
    ++used_;
  }
}

void NameIndex::insert(const NameKey& name, std::uint32_t sequence) {
  if ((used_ + 1) * 4 > slotCount_ * 3) rehash(slotCount_ == 0 ? 64 : slotCount_ * 2);
  const std::uint64_t key = pack(name);
  const std::size_t at = find(key);
  Slot& slot = slots_[at];
  lastSlot_ = at;
  if (slot.head != 0) {
    aside_[key].insert(sequence);
    ++shared_;
    return;
  }
  if (slot.word != kErased) ++used_;
  slot.word = key;
  slot.head = sequence + 1;
  slot.found = kNoneFound;
}

void NameIndex::erase(const NameKey& name, std::uint32_t sequence) {
  if (slotCount_ == 0) return;
  const std::uint64_t key = pack(name);
  Slot& slot = slots_[find(key)];
  if (slot.head == 0) return;
  auto others = aside_.find(key);
  if (slot.head == sequence + 1) {
    if (others == aside_.end()) {
      slot.head = 0;
      slot.word = kErased;
      return;
    }
    // Another record of the key takes the slot.
    const std::uint32_t next = *others->second.begin();
    others->second.erase(others->second.begin());
    slot.head = next + 1;
  } else if (others == aside_.end() || others->second.erase(sequence) == 0) {
    return;
  }
  --shared_;
  if (others->second.empty()) aside_.erase(others);
}

std::optional<std::uint32_t> NameIndex::first(const NameKey& key) const {
  if (slotCount_ == 0) return std::nullopt;
  const std::uint32_t head = slots_[find(pack(key))].head;
  if (head == 0) return std::nullopt;
  return head - 1;
}

bool NameIndex::heldByOther(const NameKey& key, std::uint32_t sequence) const {
  const std::optional<std::uint32_t> head = first(key);
  if (!head) return false;
  return *head != sequence || aside_.contains(pack(key));
}

std::uint32_t* NameIndex::found(const NameKey& key, std::uint16_t epoch) {
  if (slotCount_ == 0) return nullptr;
  Slot& slot = slots_[find(pack(key))];
  if (slot.head == 0) return nullptr;
  const std::uint64_t stamped = (slot.word & kKeyMask) | std::uint64_t{epoch} << 48;
  if (slot.word != stamped) {
    slot.word = stamped;
    slot.found = kNoneFound;
  }
  return &slot.found;
}

std::uint32_t NameIndex::foundAt(const NameKey& key, std::uint16_t epoch) const {
  if (slotCount_ == 0) return kNoneFound;
  const Slot& slot = slots_[find(pack(key))];
  if (slot.head == 0 || slot.word >> 48 != epoch) return kNoneFound;
  return slot.found;
}

void NameIndex::forgetFound() {
  for (std::size_t i = 0; i < slotCount_; ++i) {
    if (slots_[i].head == 0) continue;
    slots_[i].word &= kKeyMask;
    slots_[i].found = kNoneFound;
  }
}

void NameIndex::clear() {
  memory_ = platform::LargeBlock();
  slots_ = nullptr;
  slotCount_ = 0;
  lastSlot_ = 0;
  used_ = 0;
  shared_ = 0;
  aside_.clear();
}

}  // namespace quillet
