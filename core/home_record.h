// The codec of one record of the genealogy file home.txt, the one place that knows where its
// fields stand: the writer (the save, the GEDCOM import, the data generator and the tests'
// builder lay records out with it), the reader (the load) and the recogniser (whether bytes
// begin as a genealogy's record).
//
// A record is fixed-width GBK bytes introduced by '!':
//
//   offset  0  '!'            23  older sibling's name (6)   37  alive 'y'/'n'
//           1  name (6)       29  mother index               38  death date (8) when not 'y',
//           7  generation     30  married                        or '0' and 8 spaces when 'y'
//           8  father (6)     31  husband's name (6)         then the line end
//          14  birth date (8)
//          22  sex
//
// An absent name is '0' and five spaces; the reader looks at its first byte only. The reader
// skips every byte between records, so line ends and the living person's filler are ignored.
//
// Standard library and platform/gbk only; no state.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace quillet {

// The byte that introduces a record.
inline constexpr char kRecordMarker = '!';

// Where each field starts, counted from the record's '!' (see the table above).
namespace record_at {
inline constexpr std::size_t kName = 1;
inline constexpr std::size_t kGeneration = 7;
inline constexpr std::size_t kFather = 8;
inline constexpr std::size_t kBirthDate = 14;
inline constexpr std::size_t kSex = 22;
inline constexpr std::size_t kOlderSibling = 23;
inline constexpr std::size_t kMotherIndex = 29;
inline constexpr std::size_t kMarried = 30;
inline constexpr std::size_t kHusband = 31;
inline constexpr std::size_t kAlive = 37;
inline constexpr std::size_t kDeathDate = 38;
// The four name fields, in file order.
inline constexpr std::array<std::size_t, 4> kNames{kName, kFather, kOlderSibling, kHusband};
}  // namespace record_at

// The bytes of a record without its line end: a dead person's (the shortest the writer writes)
// and the longest any record has.
inline constexpr std::size_t kDeadRecordBytes = record_at::kDeathDate + 8;
inline constexpr std::size_t kRecordBytes = kDeadRecordBytes + 1;
// The fewest bytes the reader takes as a record: through the alive byte.
inline constexpr std::size_t kShortestReadRecord = record_at::kAlive + 1;

// The name field of nobody: '0' and five spaces.
inline constexpr std::string_view kAbsentNameField = "0     ";

// A record's fields as the file holds them. A name field shorter than 6 bytes is padded with
// spaces, a longer one cut to 6, and an empty one is the absent name; a date shorter than 8
// bytes is padded with spaces, a longer one cut to 8. Bytes are written as given: nothing checks
// that a name is GBK or a date digits.
struct RecordFields {
  std::string_view name;
  char generation = '0';  // a digit
  std::string_view father;
  std::string_view birthDate;  // yyyymmdd
  char sex = 'm';              // 'm' or 'f'
  std::string_view olderSibling;
  char motherIndex = '0';  // '0' none, '1' the father's first wife, '2' his second
  char married = 'n';      // 'y' or 'n'
  std::string_view husband;
  char alive = 'y';            // 'y' living; any other byte is followed by the death date
  std::string_view deathDate;  // yyyymmdd; written when `alive` is not 'y'
};

enum class RecordLineEnd {
  kFile,  // the bytes the file holds: the line end CR LF, and a line feed inside a field written
          // as CR LF too, as a text-mode stream writes it
  kText,  // the text a text-mode stream takes to write them: the line end LF, fields as they are
};

// The most bytes a record takes: every byte of its longest form a line feed written as CR LF.
inline constexpr std::size_t kLongestRecordBytes = 2 * kRecordBytes + 2;

// Lays out the record at the front of `out` and returns how many bytes it takes.
std::size_t formatRecord(const RecordFields& fields, RecordLineEnd lineEnd,
                         std::span<char, kLongestRecordBytes> out);

// Appends the record to `bytes`.
void appendRecord(std::string& bytes, const RecordFields& fields,
                  RecordLineEnd lineEnd = RecordLineEnd::kFile);

// A record's fields as the reader takes them from the bytes after its '!'.
using NameField = std::array<char, 6>;
using DateField = std::array<char, 8>;
struct ReadFields {
  NameField name;
  char generation;
  NameField father;
  DateField birthDate;
  char sex;
  NameField olderSibling;
  char motherIndex;
  char married;
  NameField husband;
  char alive;
  DateField deathDate;  // read only when `alive` is not 'y'
};

// Whether a name field names nobody: the reader looks at its first byte only.
inline bool namesNobody(const NameField& field) { return field[0] == '0'; }

// Reads the fields of the record whose '!' is just before `at` in `bytes` (a file's text after
// text-mode translation), moving `at` past them: every field through `alive`, then the death
// date unless `alive` is 'y'. False when the bytes end inside the record (`at` is then their
// end, and the fields not reached are unspecified).
bool readRecordFields(std::string_view bytes, std::size_t& at, ReadFields& fields);

// Whether `afterMarker`, the bytes after a record's '!', begins as a genealogy's record does: a
// 6-byte name of GBK double-byte characters (at least one, spaces after them), a generation
// digit, and at their places a birth date of eight digits and the sex 'm' or 'f'. The other
// fields may hold anything the reader takes.
bool beginsAsHomeRecord(std::string_view afterMarker);

}  // namespace quillet
