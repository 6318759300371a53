// The exports of the window's context menu: the tree as the window holds it, unsaved changes
// included, written as GEDCOM (7.0, or 5.5.1 by the chooser's filter), as an SVG chart or as the
// printed book (PDF) into a file the person chooses. A warning box says why when nothing could
// be written.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "app/main_dialog.h"
#include "app/resources.h"
#include "gedcom/tree_export.h"
#include "platform/command_line.h"
#include "platform/gbk.h"
#include "platform/text_file.h"
#include "reports/book_export.h"

namespace quillet {
namespace {

constexpr const char kCaption[] = "导出";
constexpr const char kNoRoot[] = "家谱中没有始祖，无可导出。";
constexpr const char kWriteFailed[] = "无法写入文件：";
constexpr const char kRefused[] = "这是本程序读取的文件，不能用导出覆盖：";
constexpr const char kGenealogy[] = "这是一个家谱文件，不能用导出覆盖：";

// Says why nothing was written, when something went wrong.
void warnOf(MainDialog& window, ExportResult result, const std::string& path) {
  const unsigned warning = platform::MB_OK | platform::MB_ICONEXCLAMATION;
  switch (result) {
    case ExportResult::kWritten:
      return;
    case ExportResult::kNoRoot:
      window.MessageBox(kNoRoot, kCaption, warning);
      return;
    case ExportResult::kWriteFailed: {
      std::string text = kWriteFailed + platform::utf8ToGbk(path);
      const std::string_view why =
          platform::replaceFailureWords(platform::lastPathReplacementFailure());
      if (!why.empty()) (text += "（") += std::string(why) + "）";
      window.MessageBox(text, kCaption, warning);
      return;
    }
    case ExportResult::kRefused:
      window.MessageBox(kRefused + platform::utf8ToGbk(path), kCaption, warning);
      return;
    case ExportResult::kGenealogy:
      window.MessageBox(kGenealogy + platform::utf8ToGbk(path), kCaption, warning);
      return;
    case ExportResult::kCancelled:
      return;
  }
}

void exportTo(MainDialog& window, ExportKind kind, const std::string& path) {
  warnOf(window, exportToFile(window.familyTree, kind, path), path);
}

}  // namespace

void MainDialog::appendExportEntries() {
  AppendContextMenu(platform::MF_SEPARATOR);
  AppendContextMenu(platform::MF_STRING, ID_EXPORT_GEDCOM, "导出GEDCOM...");
  AppendContextMenu(platform::MF_STRING, ID_EXPORT_CHART, "导出世系图...");
  AppendContextMenu(platform::MF_STRING, ID_EXPORT_BOOK, "导出家谱书(PDF)...");
}

void MainDialog::OnExportGedcom() {
  static constexpr std::string_view kFilters[] = {"GEDCOM 7.0 (*.ged)", "GEDCOM 5.5.1 (*.ged)"};
  const auto choice = GetSaveFileName("导出 GEDCOM", "clan.ged", kFilters);
  if (!choice) return;
  exportTo(*this, choice->filter == 1 ? ExportKind::kGedcom551 : ExportKind::kGedcom70,
           choice->path);
}

void MainDialog::OnExportChart() {
  static constexpr std::string_view kFilters[] = {"SVG (*.svg)"};
  const auto choice = GetSaveFileName("导出世系图", "chart.svg", kFilters);
  if (!choice) return;
  exportTo(*this, ExportKind::kChartSvg, choice->path);
}

// --- The printed book ---------------------------------------------------------------------------

// The book on A4, five generations a page, with a progress dialog (shown once the work lasts
// more than a moment) whose cancel button stops it and leaves no file.
void MainDialog::OnExportBook() {
  static constexpr std::string_view kFilters[] = {"PDF (*.pdf)"};
  const auto choice = GetSaveFileName("导出家谱书", "clan.pdf", kFilters);
  if (!choice) return;
  BookOptions options;
  platform::ignoreOutOfRangeSourceDate("quillet");
  options.madeOn = bookDate();
  std::unique_ptr<platform::ProgressDialog> progress;
  bool opened = false;
  const ExportResult result =
      exportBook(familyTree, options, choice->path, /*force=*/false,
                 [this, &progress, &opened](std::size_t done, std::size_t steps) {
                   if (!opened) progress = OpenProgress("导出家谱书", "正在排印家谱书…", steps);
                   opened = true;
                   return progress == nullptr || progress->setProgress(done);
                 });
  progress.reset();
  warnOf(*this, result, choice->path);
}

}  // namespace quillet
