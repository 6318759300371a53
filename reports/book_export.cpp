#include "reports/book_export.h"

#include <cstdlib>
#include <ctime>
#include <new>
#include <string_view>

#include "platform/command_line.h"
#include "platform/out_of_memory.h"
#include "platform/pdf/pdf_document.h"
#include "platform/whole_file.h"

namespace quillet {
namespace {

// The temporary file of a replacement is removed by an abnormal end of the process (memory
// running out, a library crashing where its allocation failed) while it is being written.
class AbnormalExitGuard {
 public:
  explicit AbnormalExitGuard(const platform::PathReplacement& file) {
    platform::setAbnormalExitFile(file.temporaryPath());
  }
  ~AbnormalExitGuard() { platform::setAbnormalExitFile({}); }
  AbnormalExitGuard(const AbnormalExitGuard&) = delete;
  AbnormalExitGuard& operator=(const AbnormalExitGuard&) = delete;
};

// The failure of a book not written whole: why its file failed, or kIoError without words when
// the file did not (the drawing did, or it failed before the file was made).
platform::Status writeFailed(const std::unique_ptr<platform::PathReplacement>& file) {
  if (file != nullptr && !file->status().ok()) return file->status();
  return platform::Status::error(platform::Status::Code::kIoError, {});
}

// Memory ran out inside cairo, which says so instead of failing in operator new: the process
// ends as it does when operator new fails, where it has such a policy (the programs' out of
// memory exit); otherwise the export fails.
platform::Status failed(const platform::PdfDocument& document,
                        const std::unique_ptr<platform::PathReplacement>& file) {
  if (document.outOfMemory()) {
    if (const std::new_handler handler = std::get_new_handler()) handler();
  }
  return writeFailed(file);
}

platform::Status cancelled() {
  return platform::Status::error(platform::Status::Code::kCancelled, "cancelled");
}

}  // namespace

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

platform::Status exportBook(const FamilyTree& tree, const BookOptions& options,
                            const std::string& utf8Path, bool force, const BookProgress& progress,
                            BookSummary* summary) {
  if (readByTheProgram(utf8Path)) return programFileRefusal();
  if (!force && holdsGenealogy(utf8Path)) return genealogyRefusal(utf8Path);
  BookLayout layout;
  if (!layout.plan(tree, options)) return noRootRefusal();
  // Until the file is opened, the document's bytes wait here: the faces are loaded and the first
  // page is drawn before anything is made on disk, so that what needs much memory at once (the
  // font library's start) fails before a file exists.
  std::string early;
  std::unique_ptr<platform::PathReplacement> file;
  const platform::PdfDocument::Properties properties{
      layout.title(), "", "Quillet " + std::string(platform::programVersion())};
  // Destroyed before `file`, which it writes to.
  auto document = platform::PdfDocument::create(
      [&file, &early](std::string_view bytes) {
        if (file == nullptr) {
          early.append(bytes);
          return true;
        }
        return file->write(bytes);
      },
      properties);
  if (document == nullptr) return writeFailed(file);
  BookPage page;
  if (!layout.nextPage(page) || !document->addPage(page.drawing)) return failed(*document, file);

  if (platform::Status opened = platform::PathReplacement::open(utf8Path, file); !opened.ok()) {
    return opened;
  }
  const AbnormalExitGuard guard(*file);
  if (!file->write(early)) return writeFailed(file);
  early = std::string();
  if (progress && !progress(page.stepsDone, layout.steps())) return cancelled();
  while (layout.nextPage(page)) {
    if (!document->addPage(page.drawing)) return failed(*document, file);
    if (progress && !progress(page.stepsDone, layout.steps())) return cancelled();
  }
  if (!document->finish()) return failed(*document, file);
  document.reset();
  if (platform::Status committed = file->commit(); !committed.ok()) return committed;
  if (summary != nullptr) {
    summary->pages = page.number;
    summary->persons = layout.personsShown();
  }
  return {};
}

}  // namespace quillet
