// The records of a GEDCOM 5.5.1 or 7.0 file that the import needs: its individuals (first name,
// sex, first birth and death dates, family links) and families (husband, wife, children,
// marriage), with every pointer resolved. Used by the import only (reports/gedcom_import.cpp).
//
// Reading checks the bytes as GEDCOM: HEAD first and TRLR last, levels that never skip ahead,
// a tag on every line, XREFs defined once, pointers that name a record of the right kind, a
// version of 5.5, 5.5.1 or 7.0, and text in the encoding the file declares (UTF-8 with or
// without a byte order mark, UTF-16 with a byte order mark or told by its "0 HEAD", ASCII and
// the ASCII part of ANSEL).
// Lines end in LF, CR LF, LF CR or CR.
//
// Thread-safe: no shared state.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::gedcom {

// A run of record indexes in Document::lists.
struct Range {
  int first = 0;
  int count = 0;
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
};

struct Family {
  std::string_view xref;
  int husband = -1;  // individual index, -1 for none
  int wife = -1;
  Range children;         // in CHIL order
  bool marriage = false;  // it has a MARR event
};

// The views above point into the document's own text (or into the bytes it was read from, when
// they needed no decoding): the document must outlive neither, and is never copied or moved.
struct Document {
  Document() = default;
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  std::string decoded;        // the text as UTF-8, when the bytes were UTF-16
  std::string version;        // of HEAD.GEDC.VERS
  std::string charset;        // of HEAD.CHAR
  bool hasHighBytes = false;  // a byte outside ASCII anywhere up to TRLR
  int firstNonUtf8Line = 0;   // the first line up to TRLR that is not UTF-8, 0 for none
  std::vector<Individual> individuals;
  std::vector<Family> families;
  std::vector<int> lists;  // the runs that Range fields name

  std::span<const int> list(Range range) const {
    return std::span<const int>(lists).subspan(static_cast<std::size_t>(range.first),
                                               static_cast<std::size_t>(range.count));
  }
};

// Reads `bytes` into `document`, which must be fresh. False with `error` set (one line, starting
// "line N: " where a line is at fault) when the bytes are not GEDCOM this reader takes.
bool readDocument(std::string_view bytes, Document& document, std::string& error);

// Helpers the import shares.

// Length of the valid UTF-8 character at the start of `text` (not empty), 0 when it is none.
std::size_t utf8Length(std::string_view text);
// `text` without spaces, tabs and CRs at either end.
std::string_view trimmed(std::string_view text);
// A line value as text: 5.5.1 doubles every '@', 7.0 only a leading one.
std::string unescaped(std::string_view value, bool version7);

}  // namespace quillet::gedcom
