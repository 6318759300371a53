#include "reports/book_export.h"

#include <cstdlib>
#include <ctime>
#include <string_view>

#include "platform/command_line.h"
#include "platform/pdf/pdf_document.h"
#include "platform/text_file.h"

namespace quillet {

std::string bookDate() {
  std::time_t now = std::time(nullptr);
  struct tm day {};
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  char* end = nullptr;
  const long long fixed = epoch != nullptr ? std::strtoll(epoch, &end, 10) : -1;
  if (epoch != nullptr && *epoch != '\0' && *end == '\0' && fixed >= 0) {
    now = static_cast<std::time_t>(fixed);
    gmtime_r(&now, &day);
  } else {
    localtime_r(&now, &day);
  }
  return std::to_string(day.tm_year + 1900) + "年" + std::to_string(day.tm_mon + 1) + "月" +
         std::to_string(day.tm_mday) + "日";
}

ExportResult exportBook(const FamilyTree& tree, const BookOptions& options,
                        const std::string& utf8Path, bool force, const BookProgress& progress) {
  if (readByTheProgram(utf8Path)) return ExportResult::kRefused;
  if (!force && holdsGenealogy(utf8Path)) return ExportResult::kGenealogy;
  BookLayout layout;
  if (!layout.plan(tree, options)) return ExportResult::kNoRoot;
  auto file = platform::PathReplacement::open(utf8Path);
  if (file == nullptr) return ExportResult::kWriteFailed;
  const platform::PdfDocument::Properties properties{
      layout.title(), "", "Quillet " + std::string(platform::programVersion())};
  // Destroyed before `file`, which it writes to.
  auto document = platform::PdfDocument::create(
      [&file](std::string_view bytes) { return file->write(bytes); }, properties);
  if (document == nullptr) return ExportResult::kWriteFailed;
  BookPage page;
  while (layout.nextPage(page)) {
    if (!document->addPage(page.drawing)) return ExportResult::kWriteFailed;
    if (progress && !progress(page.stepsDone, layout.steps())) return ExportResult::kCancelled;
  }
  if (!document->finish() || !file->commit()) return ExportResult::kWriteFailed;
  return ExportResult::kWritten;
}

}  // namespace quillet
