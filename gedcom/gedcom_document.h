// The records of a GEDCOM 5.5.1 or 7.0 file that the import needs: its individuals (names with
// their translations and romanized forms, sex, first birth and death dates, family links) and
// families (husband, wife, children, marriage), with every pointer resolved. Used by the import
// (gedcom_import.cpp), and by quillet-import for the character sets it reads.
//
// Character sets. UTF-8 with or without a byte order mark; UTF-16 with a byte order mark or told
// by its "0 HEAD"; GB2312, GBK, CP936 and GB18030 (read as GB18030, which holds them all), BIG5,
// CP950 and BIG5-HKSCS by the header's CHAR or by ReadOptions::charset; ASCII and the ASCII part
// of ANSEL. A file labelled ANSI or ASCII (the system's code page) or not labelled is read as
// UTF-8 when it is UTF-8, with a notice; otherwise it is refused, naming the character sets that
// decode it whole. Bytes the character set read cannot decode become U+FFFD, each line with them
// a repair.
//
// Tolerance. The file must begin with "0 HEAD" and hold an INDI record; the faults old programs
// leave are repaired and each repair is stated with its line: a line without a level number
// after a NOTE, TEXT, CONC or CONT line is joined to it as a continuation, a level that jumps
// ahead is taken as one below the line before, a line that is no GEDCOM line is skipped, a
// pointer to no record (or to one of the wrong kind) is left out, a second record of an XREF is
// left out (marked `ignored`), and a missing TRLR is accepted. Versions other than 5.5, 5.5.1
// and 7.0 are refused.
// Lines end in LF, CR LF, LF CR or CR.
//
// Thread-safe: no shared state.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace quillet::gedcom {

// A run of record indexes in Document::lists.
struct Range {
  int first = 0;
  int count = 0;
};

// A name of a person other than his first NAME's value: a later NAME, or a translation (TRAN),
// romanized (ROMN) or phonetic (FONE) form of one of his NAMEs.
struct NameForm {
  enum Kind : std::uint8_t { kName, kTranslation, kRomanized, kPhonetic };
  Kind kind = kName;
  int name = 0;                   // the NAME it belongs to: 0 the first
  std::string value;              // unescaped, with its CONC and CONT
  std::string_view surnamePiece;  // its SURN, as written
  std::string_view language;      // the LANG of a TRAN, trimmed
};

struct Individual {
  std::string_view xref;
  bool hasName = false;
  bool born = false;
  bool dead = false;
  char sex = 0;                   // the first letter of SEX, upper case; 0 when there is none
  std::string name;               // the first NAME's value, unescaped, with its CONC and CONT
  std::string_view surnamePiece;  // the SURN of that NAME, as written
  std::string_view birthDate;     // the DATE of the first BIRT
  std::string_view deathDate;     // the DATE of the first DEAT
  Range spouseFamilies;           // its FAMS links, in order
  Range childFamilies;            // families listing it as CHIL, in file order
  Range husbandOf;                // families naming it HUSB: FAMS order, then file order; once each
  Range partnerIn;                // families naming it HUSB or WIFE
  bool ignored = false;           // its XREF was defined before: not a person of the file
  int firstForm = 0;              // its other names: Document::nameForms[firstForm ...]
  int formCount = 0;
};

struct Family {
  std::string_view xref;
  int husband = -1;  // individual index, -1 for none
  int wife = -1;
  Range children;         // in CHIL order
  bool marriage = false;  // it has a MARR event
  bool ignored = false;   // its XREF was defined before: not a family of the file
};

// The views above point into the document's own text (or into the bytes it was read from, when
// they needed no decoding): the document must outlive neither, and is never copied or moved.
struct Document {
  Document() = default;
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  std::string decoded;     // the text as UTF-8, when the bytes needed decoding
  std::string version;     // of HEAD.GEDC.VERS
  std::string charset;     // of HEAD.CHAR
  std::string readAs;      // the character set the text was read in, as named to the user
  std::string decodesAs;   // when the file was refused for not saying its character set: the
                           // first of those that decode it whole, else empty
  std::string labelledAs;  // with decodesAs: the CHAR the file gives ("ANSI"), empty for none
  std::string likelyAs;    // when the CHAR it says decodes the file but another set decodes it
                           // with far more common characters: that set, else empty
  std::vector<std::string> repairs;  // "line N: ...", in line order: what was repaired or replaced
  std::vector<std::string> notices;  // what was read otherwise than the file says, though nothing
                                     // was lost
  std::vector<Individual> individuals;
  std::vector<NameForm> nameForms;
  std::vector<Family> families;
  std::vector<int> lists;  // the runs that Range fields name

  std::span<const int> list(Range range) const {
    return std::span<const int>(lists).subspan(static_cast<std::size_t>(range.first),
                                               static_cast<std::size_t>(range.count));
  }
};

struct ReadOptions {
  // The character set to read a file in whatever its CHAR says ("GBK", "BIG5" ...); empty to go
  // by the file.
  std::string charset;
};

// Reads `bytes` into `document`, which must be fresh. When the bytes are not GEDCOM this reader
// takes, fails with kInvalidInput (kIoError when the system lacks a character set it needs) and
// one line, starting "line N: " where a line is at fault.
platform::Status readDocument(std::string_view bytes, const ReadOptions& options,
                              Document& document);

// The character set the reader reads for the CHAR value or option `name` ("GB18030" for
// "gb2312"), or empty when it reads none by that name.
std::string chineseCharset(std::string_view name);

// Helpers the import shares.

// Length of the valid UTF-8 character at the start of `text` (not empty), 0 when it is none.
std::size_t utf8Length(std::string_view text);
// `text` without spaces, tabs and CRs at either end.
std::string_view trimmed(std::string_view text);
// A line value as text: 5.5.1 doubles every '@', 7.0 only a leading one.
std::string unescaped(std::string_view value, bool version7);

}  // namespace quillet::gedcom
