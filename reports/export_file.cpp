#include "reports/export_file.h"

#include <fstream>

#include "reports/chart_export.h"
#include "reports/gedcom_export.h"

namespace quillet {

ExportResult exportToFile(const FamilyTree& tree, ExportKind kind, const std::string& utf8Path) {
  std::string text;
  bool made =
      kind == ExportKind::kChartSvg
          ? writeChartSvg(tree, text)
          : writeGedcom(tree,
                        kind == ExportKind::kGedcom551 ? GedcomVersion::kV551 : GedcomVersion::kV70,
                        text);
  if (!made) return ExportResult::kNoRoot;
  std::ofstream out(utf8Path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  return out ? ExportResult::kWritten : ExportResult::kWriteFailed;
}

}  // namespace quillet
