// The person query panel (group 人员信息): one person by name, with the person's own text file,
// or a listing by sex, generation or life status.
#include <memory>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "core/family_tree.h"
#include "core/person.h"
#include "core/text_format.h"
#include "platform/read_problem.h"
#include "platform/text_file.h"
#include "reports/person_report.h"
#include "reports/side_text_readers.h"

namespace quillet {
namespace {

constexpr const char kEmptyKeyword[] =
    "\r\n\r\n\r\n                       请输入关健字,勿使输入框为空";
constexpr const char kIncompleteName[] = "\r\n\r\n\r\n      输入姓名不完整，请进行完整输入!";
constexpr const char kNotAMember[] = "\r\n\r\n     此人非本家族人员";
constexpr const char kNotSexLetter[] = "\r\n\r\n\r\n      非法输入，只能为f/m!";
constexpr const char kNobodyListed[] = "没有此项目所对应的人员";

enum QueryChoice { kByName = 0, kBySex = 1, kByGeneration = 2, kByAlive = 3 };

// Replaces `text` with the numbered brief lines of `persons` under a header with their count.
void writeListing(const std::vector<Person*>& persons, std::string& text) {
  if (persons.empty()) {
    text = kNobodyListed;
    return;
  }
  text.clear();
  appendFormat(text, "按要求共找到%d人,人员名单及简略信息如下:\r\n",
               static_cast<int>(persons.size()));
  std::string line;
  for (std::size_t k = 1; k <= persons.size(); ++k) {
    if (k <= 9) text += ' ';
    appendFormat(text, "%d", static_cast<int>(k));
    formatPersonLine(persons[k - 1], line);
    text += line;
  }
}

}  // namespace

void MainDialog::OnPersonQuery() {
  UpdateData(true);
  displayText.clear();

  if (queryKeyword.empty()) {
    displayText = kEmptyKeyword;
    UpdateData(false);
    return;
  }

  const char first = queryKeyword[0];
  std::vector<Person*> listed;
  switch (queryChoice) {
    case kByName: {
      if (queryKeyword.size() < kFullNameBytes) {
        displayText = kIncompleteName;
        break;
      }
      NameKey key{};
      makeNameKey(queryKeyword, key);
      Person* person = nullptr;
      if (familyTree.findByName(person, key)) {
        writePersonReport(person);
        selectPersonItem(person);
      }

      // The person's own text file, named by all 6 key bytes: a two-character name keeps its
      // two spaces before the dot. A key holding '/', '\' or NUL names no file that opens.
      const std::string keyBytes(key.data(), 6);
      auto file = platform::TextFile::open(keyBytes + ".txt", "r");
      if (file != nullptr) {
        std::string content;
        const bool whole = readPlainText(*file, content);
        displayText += "\r\n";
        displayText += keyBytes;
        displayText += "具体信息如下：\r\n    ";
        displayText += content;
        if (!whole) displayText += sideFileCutLine(keyBytes + ".txt");
      } else if (const platform::ReadProblem problem = platform::readProblemOf(keyBytes + ".txt");
                 problem != platform::ReadProblem::kMissing &&
                 problem != platform::ReadProblem::kUnsafeName) {
        // A text file that is there but does not open is named with the reason, never left
        // out without a word.
        if (person == nullptr) displayText += kNotAMember;
        displayText += unreadableFileLine(keyBytes + ".txt");
      } else if (person == nullptr) {
        displayText += kNotAMember;
      }
      break;
    }
    case kBySex:
      if (first != 'f' && first != 'm') {
        displayText = kNotSexLetter;
        break;
      }
      familyTree.listBySex(first, listed);
      writeListing(listed, displayText);
      break;
    case kByGeneration:
      familyTree.listByGeneration(first, listed);
      writeListing(listed, displayText);
      break;
    case kByAlive:
      familyTree.listByAlive(first, listed);
      writeListing(listed, displayText);
      break;
    default:
      break;
  }

  UpdateData(false);
}

void MainDialog::OnResetQuery() {
  UpdateData(true);
  queryKeyword.clear();
  UpdateData(false);
}

}  // namespace quillet
