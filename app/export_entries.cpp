// The exports of the window's context menu: the tree as the window holds it, unsaved changes
// included, written as GEDCOM (7.0, or 5.5.1 by the chooser's filter), as an SVG chart or as the
// printed book (PDF) into a file the person chooses. When the clan holds living persons, a choice
// dialog asks what the export shows of them (everything, their names alone, or nothing: 某). Once
// a file is written the pane says which, with its pages and its persons; when nothing could be
// written a warning box says why, and the pane keeps it. The GEDCOM import says what it wrote, or
// why not, in the same words (sayWritten, sayRefused).
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/main_dialog.h"
#include "app/resources.h"
#include "gedcom/tree_export.h"
#include "platform/command_line.h"
#include "platform/file_failure.h"
#include "platform/gbk.h"
#include "reports/book_export.h"
#include "reports/clan_walk.h"

namespace quillet {
namespace {

constexpr const char kCaption[] = "导出";
constexpr const char kNoRoot[] = "家谱中没有始祖，无可导出。";
constexpr const char kWriteFailed[] = "无法写入文件：";
constexpr const char kRefused[] = "这是本程序读取的文件，不能用导出覆盖：";
constexpr const char kGenealogy[] = "这是一个家谱文件，不能用导出覆盖：";

// Why nothing was written to `path`, in the warning's words; empty when it was written, or the
// person cancelled.
std::string refusal(const platform::Status& result, const std::string& path) {
  using Code = platform::Status::Code;
  switch (result.code()) {
    case Code::kOk:
    case Code::kCancelled:
      return {};
    case Code::kInvalidInput:
      return kNoRoot;
    case Code::kProgramFile:
      return kRefused + platform::utf8ToGbk(path);
    case Code::kRefused:
      return kGenealogy + platform::utf8ToGbk(path);
    default: {  // the file could not be written whole
      std::string text = kWriteFailed + platform::utf8ToGbk(path);
      const std::string_view why =
          result.message().empty() ? std::string_view() : platform::fileFailureWords(result.code());
      if (!why.empty()) (text += "（") += std::string(why) + "）";
      return text;
    }
  }
}

// What an export of `what` (GEDCOM 7.0, 世系图, 家谱书) did, in the pane: the file written with
// its pages and persons, or why nothing was (with the warning box), or that the person stopped
// it and no file was left.
void sayExported(MainDialog& window, std::string_view what, const platform::Status& result,
                 const std::string& path, int pages, std::size_t persons) {
  if (result.ok()) {
    window.sayWritten("已导出" + std::string(what), path, pages, persons);
  } else if (result.code() == platform::Status::Code::kCancelled) {
    window.showText("已取消导出" + std::string(what) + "，没有写入文件：" +
                    platform::utf8ToGbk(path));
  } else {
    window.sayRefused(kCaption, "未能导出" + std::string(what), refusal(result, path));
  }
}

// The persons of the clan an export shows (members and wives), and of them the living.
struct Persons {
  std::size_t all = 0;
  std::size_t living = 0;
};

Persons personsOf(const FamilyTree& tree) {
  Persons persons;
  for (const ClanMember& member : collectClan(tree)) {
    for (const Person* person : {member.person, member.wives[0], member.wives[1]}) {
      if (person == nullptr) continue;
      ++persons.all;
      persons.living += person->alive != 'n';
    }
  }
  return persons;
}

// What the export shows of the living, asked when the clan holds some; nothing when the person
// cancelled.
std::optional<LivingPersons> askLiving(MainDialog& window, const char* caption,
                                       const Persons& persons) {
  if (persons.living == 0) return LivingPersons::kShow;
  static constexpr std::string_view kChoices[] = {"照常导出：姓名、生卒日期与传记",
                                                  "只导出姓名，不出生卒日期与传记",
                                                  "不导出，其位以“某”代之（妻为“某氏”）"};
  const std::string text =
      "家谱中有" + std::to_string(persons.living) + "位在世之人。导出时，他们的信息如何处理？";
  const std::optional<std::size_t> choice = window.ChooseOne(caption, text, kChoices, 0);
  if (!choice) return std::nullopt;
  return *choice == 2   ? LivingPersons::kHide
         : *choice == 1 ? LivingPersons::kName
                        : LivingPersons::kShow;
}

// The persons a chart or a GEDCOM file shows: all, but the living when they are left out.
std::size_t shownPersons(const Persons& persons, LivingPersons living) {
  return living == LivingPersons::kHide ? persons.all - persons.living : persons.all;
}

}  // namespace

void MainDialog::sayWritten(std::string_view done, const std::string& path, int pages,
                            std::size_t persons, std::string_view after) {
  std::string text = std::string(done) + "：" + platform::utf8ToGbk(path) + "\r\n";
  if (pages > 0) text += "共" + std::to_string(pages) + "页，";
  text += "收录" + std::to_string(persons) + "人";
  text += after;
  showText(text);
}

void MainDialog::sayRefused(std::string_view caption, std::string_view failed,
                            std::string_view why) {
  MessageBox(why, std::string(caption).c_str(), platform::MB_OK | platform::MB_ICONEXCLAMATION);
  showText(std::string(failed) + "\r\n" + std::string(why));
}

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
  const Persons persons = personsOf(familyTree);
  const std::optional<LivingPersons> living = askLiving(*this, "导出 GEDCOM", persons);
  if (!living) return;
  const bool version551 = choice->filter == 1;
  const platform::Status result =
      exportToFile(familyTree, version551 ? ExportKind::kGedcom551 : ExportKind::kGedcom70,
                   choice->path, /*force=*/false, *living);
  sayExported(*this, version551 ? "GEDCOM 5.5.1" : "GEDCOM 7.0", result, choice->path, 0,
              shownPersons(persons, *living));
}

void MainDialog::OnExportChart() {
  static constexpr std::string_view kFilters[] = {"SVG (*.svg)"};
  const auto choice = GetSaveFileName("导出世系图", "chart.svg", kFilters);
  if (!choice) return;
  const Persons persons = personsOf(familyTree);
  const std::optional<LivingPersons> living = askLiving(*this, "导出世系图", persons);
  if (!living) return;
  const platform::Status result =
      exportToFile(familyTree, ExportKind::kChartSvg, choice->path, /*force=*/false, *living);
  sayExported(*this, "世系图", result, choice->path, 0, shownPersons(persons, *living));
}

// --- The printed book ---------------------------------------------------------------------------

// The book on A4, five generations a page, with a progress dialog (shown once the work lasts
// more than a moment) whose cancel button stops it and leaves no file.
void MainDialog::OnExportBook() {
  static constexpr std::string_view kFilters[] = {"PDF (*.pdf)"};
  const auto choice = GetSaveFileName("导出家谱书", "clan.pdf", kFilters);
  if (!choice) return;
  const std::optional<LivingPersons> living = askLiving(*this, "导出家谱书", personsOf(familyTree));
  if (!living) return;
  BookOptions options;
  platform::ignoreOutOfRangeSourceDate("quillet");
  options.madeOn = bookDate();
  options.living = *living;
  BookSummary summary;
  std::unique_ptr<platform::ProgressDialog> progress;
  bool opened = false;
  const platform::Status result = exportBook(
      familyTree, options, choice->path, /*force=*/false,
      [this, &progress, &opened](std::size_t done, std::size_t steps) {
        if (!opened) progress = OpenProgress("导出家谱书", "正在排印家谱书…", steps);
        opened = true;
        return progress == nullptr || progress->setProgress(done);
      },
      &summary);
  progress.reset();
  sayExported(*this, "家谱书", result, choice->path, summary.pages, summary.persons);
}

}  // namespace quillet
