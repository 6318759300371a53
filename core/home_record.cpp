#include "core/home_record.h"

#include <cstdint>
#include <cstring>

namespace quillet {
namespace {

constexpr char kRecordMarker = '!';
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
  char record[49];
  record[0] = kRecordMarker;
  putName(record + 1, fields.name);
  record[7] = fields.generation;
  putName(record + 8, fields.father);
  put(record + 14, fields.birthDate, 8);
  record[22] = fields.sex;
  putName(record + 23, fields.olderSibling);
  record[29] = fields.motherIndex;
  record[30] = fields.married;
  putName(record + 31, fields.husband);
  record[37] = fields.alive;
  std::size_t length = 46;
  if (fields.alive != 'y') {
    put(record + 38, fields.deathDate, 8);
  } else {
    std::memcpy(record + 38, kLivingFiller.data(), kLivingFiller.size());
    length = 47;
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

}  // namespace quillet
