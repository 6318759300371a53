// One record of the genealogy file home.txt, laid out from its fields: the one writer of the
// record's bytes, which the save, the GEDCOM import and the data generator share.
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
// Standard library only; no state.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace quillet {

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
inline constexpr std::size_t kLongestRecordBytes = 2 * 47 + 2;

// Lays out the record at the front of `out` and returns how many bytes it takes.
std::size_t formatRecord(const RecordFields& fields, RecordLineEnd lineEnd,
                         std::span<char, kLongestRecordBytes> out);

// Appends the record to `bytes`.
void appendRecord(std::string& bytes, const RecordFields& fields,
                  RecordLineEnd lineEnd = RecordLineEnd::kFile);

}  // namespace quillet
