// The family tree's text exports by kind, as quillet-export's gedcom and chart commands and the
// window's export entries name them: GEDCOM 7.0 or 5.5.1 (gedcom_export.h) or the SVG chart
// (reports/chart_export.h), written by the rules of reports/export_file.h. The printed book has
// its own writer (reports/book_export.h).
//
// Thread-safety: reads the tree only; safe as long as nobody changes the tree meanwhile.
#pragma once

#include <string>

#include "core/family_tree.h"
#include "reports/clan_walk.h"
#include "reports/export_file.h"

namespace quillet {

enum class ExportKind { kGedcom70, kGedcom551, kChartSvg };

// Writes the export of `tree` to `utf8Path` as exportText writes a text: a regular file replaced
// whole or not at all, a FIFO or a device written through; kProgramFile for a file the program
// reads, kRefused unless `force` for a genealogy, kInvalidInput when the tree has no root (see
// exportText for the rest). The living are
// shown as `living` says (see writeGedcom and writeChartSvg).
platform::Status exportToFile(const FamilyTree& tree, ExportKind kind, const std::string& utf8Path,
                              bool force = false, LivingPersons living = LivingPersons::kShow);

}  // namespace quillet
