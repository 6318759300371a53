#include "gedcom/tree_export.h"

#include "gedcom/gedcom_export.h"
#include "reports/chart_export.h"

namespace quillet {

platform::Status exportToFile(const FamilyTree& tree, ExportKind kind, const std::string& utf8Path,
                              bool force, LivingPersons living) {
  return exportText(utf8Path, force, [&tree, kind, living](std::string& text) {
    if (kind == ExportKind::kChartSvg) return writeChartSvg(tree, text, living);
    return writeGedcom(tree,
                       kind == ExportKind::kGedcom551 ? GedcomVersion::kV551 : GedcomVersion::kV70,
                       text, living);
  });
}

}  // namespace quillet
