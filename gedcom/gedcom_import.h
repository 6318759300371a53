// GEDCOM import: one male line of a GEDCOM 5.5.1 or 7.0 file as the genealogy file home.txt.
//
// The clan. Its root is the man named by GedcomImportOptions::root or, without one, the man
// without parents whose male line holds the most persons (the first in the file on a tie).
// Members are the root and, through each family in which a member is the husband, that family's
// children; sons carry the line on, a daughter's own children belong to another line. A member's
// wives are the wives of his families, first wife first in the order of his FAMS links (families
// he heads that his record does not list follow in file order). A child's motherIndex names the
// wife of the child's family ('1' or '2'; '0' for a family without a wife). The children of one
// father form one chain in birth order; equal dates keep the order of the families and of their
// CHIL lines, and a child without a date follows the sibling listed before him. Everyone else in
// the file is outside the clan and only counted.
//
// The fields. The name key is the surname followed by the given name (a title name such as
// "尤氏" with SURN 尤 is taken whole), two or three GBK characters; sex; generation as the depth
// below the root (a wife takes her husband's); birth and death dates as yyyymmdd; married 'y'
// for a wife, and for a member who is a spouse in a family with a partner or a MARR event; alive
// 'n' when the record has a DEAT.
//
// Losses. What the genealogy file cannot hold is never changed silently: each such person gets
// an ImportLoss with the reason and the value used in its place (a name of one or of four or more
// characters, a character that is not a double-byte GBK character, a name another person already
// has, a third wife, a generation deeper than 9, a date that is not a whole day or is missing, a
// sex that does not fit the person's place, a marriage or parentage the clan cannot hold twice).
//
// The text. `homeText` holds the records in the order FamilyTree::save writes them (breadth-first
// from the root, each member followed by his wives, children in chain order), each record ending
// in '\n': written through the program's text-mode stream it is byte for byte what a save of the
// same tree writes, so the program loads it and saves it back unchanged.
//
// Standard library only, plus the platform's GBK conversion. Thread-safe: no shared state.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace quillet {

struct GedcomImportOptions {
  std::string root;     // the root's XREF, "@I1@" or "I1"; empty to choose the root
  std::string charset;  // the character set to read the file in ("GBK", "BIG5" ...); empty to go
                        // by the file's CHAR
};

// One person the genealogy file cannot hold as the GEDCOM file describes him or her, or (without
// an XREF) a repair of the file's text: a line read otherwise than it stands.
struct ImportLoss {
  std::string xref;      // "@I12@"; empty for a repair
  std::string name;      // the name as the file gives it, UTF-8
  std::string reason;    // "name of 4 characters", "third wife of @I3@ 贾珍" ...; a repair's
                         // whole line, "line 26: continuation without CONT joined to the NOTE
                         // above"
  std::string used;      // the value written in its place, UTF-8; empty when there is none
  bool leftOut = false;  // the person is not imported at all
};

struct GedcomImport {
  std::string homeText;              // the genealogy file, GBK records each ending in '\n'
  std::int32_t persons = 0;          // records in homeText
  std::string rootXref;              // "@I1@"
  std::string rootName;              // UTF-8, as the file gives it
  std::vector<ImportLoss> losses;    // the repairs in line order, then the persons' losses in the
                                     // order of the persons in the file
  std::vector<std::string> notices;  // UTF-8 lines: what was read otherwise than the file says
                                     // without a loss (a Chinese name taken from a TRAN, ROMN,
                                     // FONE or a later NAME; a file labelled ANSI read as UTF-8)
  std::string readAs;                // the character set the file was read in
  std::int32_t outside = 0;  // persons of the file outside the clan (no loss: not its members)
  std::string decodesAs;     // on failure because the file does not say its character set: the
                             // first one that decodes it whole ("GB18030"), else empty
  std::string labelledAs;    // with decodesAs: the CHAR the file gives, which names no set
                             // ("ANSI", "ASCII"), or empty when it has none
  std::string likelyAs;      // the file's CHAR decoded it, but this set (named in a notice)
                             // decodes it with far more common characters; else empty
};

// Reads the GEDCOM text `bytes`: UTF-8 with or without a byte order mark, UTF-16 (with a byte
// order mark, or told by the "0" of "0 HEAD"), or ASCII / ANSEL when a 5.5.1 header says so and
// every byte is ASCII (ANSEL's own characters are refused). Ok with `result` filled; a failure
// with why (one line without line end, kInvalidInput; kIoError when the system lacks a character
// set it needs) when the bytes are not GEDCOM this reader takes: no HEAD at the start or no TRLR
// at the end, a level that skips ahead or is not a number, a line without a tag, bytes that are
// not in the declared encoding, a version other than 5.5, 5.5.1 or 7.0, a pointer to no record or
// to a record of the wrong kind, an XREF defined twice, FAMC/FAMS links that make a person his
// own ancestor, a root that names no person, or no man to be the root.
platform::Status importGedcom(std::string_view bytes, const GedcomImportOptions& options,
                              GedcomImport& result);

// The men without parents of the GEDCOM text `bytes` (read as importGedcom reads it), one UTF-8
// line each: "@I1@ 贾演, born 1 JAN 1700: 1,204 persons in his male line, 12 generations below
// him". The line of the root importGedcom would choose comes first, then the others by persons.
// A line deeper than generation 9 is followed by one line for each man from whom it fits in a
// genealogy file: "  from @I7@ 贾某 the line holds generations 0 to 9, 980 persons". Fails as
// importGedcom does when the file is not read or its links loop.
platform::Status listGedcomRoots(std::string_view bytes, const GedcomImportOptions& options,
                                 std::vector<std::string>& lines);

// The report line of a loss, UTF-8 without line end: "@I12@ 贾宝玉玉: name of 4 characters; 贾宝玉
// used", "@I30@ 王某某: third wife of @I3@ 贾珍; not imported", or the reason alone when the person
// is imported but a link of his is not ("...: also a child of @F9@; that parentage is not held").
std::string lossLine(const ImportLoss& loss);

}  // namespace quillet
