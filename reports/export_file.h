// Writes one export of the family tree to a file: what quillet-export and the window's export
// entries share. The file name is UTF-8 as the terminal or a file chooser gives it.
//
// Thread-safety: reads the tree only; safe as long as nobody changes the tree meanwhile.
#pragma once

#include <string>

#include "core/family_tree.h"

namespace quillet {

enum class ExportKind { kGedcom70, kGedcom551, kChartSvg };

enum class ExportResult {
  kWritten,
  kNoRoot,       // the tree has no root: nothing to export, no file made
  kWriteFailed,  // the file could not be opened or written whole
};

// Writes the export of `tree` to `utf8Path`, replacing the file.
ExportResult exportToFile(const FamilyTree& tree, ExportKind kind, const std::string& utf8Path);

}  // namespace quillet
