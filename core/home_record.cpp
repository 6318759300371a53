#include "core/home_record.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/gbk.h"

namespace quillet {
namespace {

constexpr std::string_view kLivingFiller{"0        "};  // one more byte than a date

// Copies `field` to `at` as `width` bytes: cut, or padded with spaces.
void put(char* at, std::string_view field, std::size_t width) {
  if (field.size() >= width) {
    std::memcpy(at, field.data(), width);
    return;
  }
  std::memcpy(at, field.data(), field.size());
  std::memset(at + field.size(), ' ', width - field.size());
}

void putName(char* at, std::string_view name) {
  put(at, name.empty() ? kAbsentNameField : name, 6);
}

// Whether `length` bytes at `bytes` hold a line feed: eight bytes a step, as a record is short
// and a save looks at a million of them.
bool holdsLineFeed(const char* bytes, std::size_t length) {
  constexpr std::uint64_t kOnes = 0x0101010101010101;
  std::size_t at = 0;
  for (; at + 8 <= length; at += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes + at, 8);
    const std::uint64_t x = word ^ (kOnes * '\n');  // a zero byte where a line feed was
    if (((x - kOnes) & ~x & (kOnes << 7)) != 0) return true;
  }
  for (; at < length; ++at) {
    if (bytes[at] == '\n') return true;
  }
  return false;
}

}  // namespace

std::size_t formatRecord(const RecordFields& fields, RecordLineEnd lineEnd,
                         std::span<char, kLongestRecordBytes> out) {
  using namespace record_at;
  char record[kRecordBytes + 2];
  record[0] = kRecordMarker;
  putName(record + kName, fields.name);
  record[kGeneration] = fields.generation;
  putName(record + kFather, fields.father);
  put(record + kBirthDate, fields.birthDate, 8);
  record[kSex] = fields.sex;
  putName(record + kOlderSibling, fields.olderSibling);
  record[kMotherIndex] = fields.motherIndex;
  record[kMarried] = fields.married;
  putName(record + kHusband, fields.husband);
  record[kAlive] = fields.alive;
  std::size_t length = kDeadRecordBytes;
  if (fields.alive != 'y') {
    put(record + kDeathDate, fields.deathDate, 8);
  } else {
    std::memcpy(record + kDeathDate, kLivingFiller.data(), kLivingFiller.size());
    length = kRecordBytes;
  }
  if (lineEnd == RecordLineEnd::kText) {
    record[length] = '\n';
    std::memcpy(out.data(), record, length + 1);
    return length + 1;
  }
  record[length] = '\r';
  record[length + 1] = '\n';
  if (!holdsLineFeed(record, length)) {
    std::memcpy(out.data(), record, sizeof record);
    return length + 2;
  }
  std::size_t at = 0;
  for (std::size_t i = 0; i < length; ++i) {
    if (record[i] == '\n') out[at++] = '\r';
    out[at++] = record[i];
  }
  out[at++] = '\r';
  out[at++] = '\n';
  return at;
}

void appendRecord(std::string& bytes, const RecordFields& fields, RecordLineEnd lineEnd) {
  char record[kLongestRecordBytes];
  bytes.append(record, formatRecord(fields, lineEnd, record));
}

namespace {

// Takes the fields one after another from `bytes` at `at`, as a text-mode stream gives them.
class FieldReader {
 public:
  FieldReader(std::string_view bytes, std::size_t& at) : bytes_(bytes), at_(at) {}
  template <std::size_t N>
  void read(std::array<char, N>& field) {
    const std::size_t n = std::min(N, bytes_.size() - at_);
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

}  // namespace

bool readRecordFields(std::string_view bytes, std::size_t& at, ReadFields& fields) {
  // The fields follow one another in the order of record_at, with nothing between them.
  using namespace record_at;
  static_assert(kGeneration == kName + 6 && kFather == kGeneration + 1 &&
                kBirthDate == kFather + 6 && kSex == kBirthDate + 8 && kOlderSibling == kSex + 1 &&
                kMotherIndex == kOlderSibling + 6 && kMarried == kMotherIndex + 1 &&
                kHusband == kMarried + 1 && kAlive == kHusband + 6 && kDeathDate == kAlive + 1);
  FieldReader in(bytes, at);
  in.read(fields.name);
  in.read(fields.generation);
  in.read(fields.father);
  in.read(fields.birthDate);
  in.read(fields.sex);
  in.read(fields.olderSibling);
  in.read(fields.motherIndex);
  in.read(fields.married);
  in.read(fields.husband);
  in.read(fields.alive);
  if (in.complete() && fields.alive != 'y') in.read(fields.deathDate);
  return in.complete();
}

bool beginsAsHomeRecord(std::string_view afterMarker) {
  // Places in `afterMarker`, one less than from the '!'.
  constexpr std::size_t kName = record_at::kName - 1;
  constexpr std::size_t kGeneration = record_at::kGeneration - 1;
  constexpr std::size_t kBirthDate = record_at::kBirthDate - 1;
  constexpr std::size_t kSex = record_at::kSex - 1;
  if (afterMarker.size() < kSex + 1) return false;
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  std::size_t at = kName;
  while (at < kGeneration &&
         platform::gbkCharLength(afterMarker.substr(at, kGeneration - at)) == 2) {
    at += 2;
  }
  if (at == kName) return false;
  for (; at < kGeneration; ++at) {
    if (afterMarker[at] != ' ') return false;
  }
  for (std::size_t i = kBirthDate; i < kSex; ++i) {
    if (!isDigit(afterMarker[i])) return false;
  }
  return isDigit(afterMarker[kGeneration]) &&
         (afterMarker[kSex] == 'm' || afterMarker[kSex] == 'f');
}

}  // namespace quillet
