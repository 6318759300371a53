// The six household roster buttons and the two free-text buttons of the bottom box.
#include <memory>
#include <string>

#include "app/main_dialog.h"
#include "app/resources.h"
#include "core/text_format.h"
#include "platform/text_file.h"
#include "reports/program_files.h"
#include "reports/side_text_readers.h"

namespace quillet {
namespace {

struct Roster {
  int buttonId;
  const char* fileName;
  const char* headerStart;  // the header up to "(共%d人):"
};

constexpr Roster kRosters[] = {
    {IDC_ROSTER_NING, kNingRoster, " 宁国府所有人员名单如下"},
    {IDC_ROSTER_RONG, kRongRoster, " 荣国府所有人员名单如下"},
    {IDC_ROSTER_SHI, kShiRoster, " 史府所有人员名单如下"},
    {IDC_ROSTER_WANG, kWangRoster, " 王府所有人员名单如下"},
    {IDC_ROSTER_XUE, kXueRoster, " 薛府所有人员名单如下"},
    {IDC_ROSTER_OTHER, kOtherRoster, " 其它人员名单如下"},
};

constexpr const char kRosterFooter[] =
    "\r\n\r\n     人员具体信息可通过查询功能中的个人方式进行查询!";

const Roster* rosterOf(int buttonId) {
  for (const Roster& roster : kRosters) {
    if (roster.buttonId == buttonId) return &roster;
  }
  return nullptr;
}

const char* sideTextFileOf(int buttonId) {
  if (buttonId == IDC_SIDE_MOST) return kMostSideText;
  if (buttonId == IDC_SIDE_NUMBER) return kNumberSideText;
  return nullptr;
}

}  // namespace

void MainDialog::OnRosterButton(int buttonId) {
  UpdateData(true);
  displayText.clear();

  if (const Roster* roster = rosterOf(buttonId)) {
    // Opened for reading only: a read-only roster shows as any other.
    auto file = platform::TextFile::open(roster->fileName, "r");
    if (file == nullptr) {
      displayText = unreadableFileLine(roster->fileName);
    } else {
      std::string names;
      int count = 0;
      const bool whole = readNameRoster(*file, names, count);
      displayText += roster->headerStart;
      appendFormat(displayText, "(共%d人):\r\n\r\n", count == kNotText ? 0 : count);
      displayText += names;
      if (count == kNotText) displayText += notTextLine(roster->fileName);
      if (!whole) displayText += sideFileCutLine(roster->fileName);
      displayText += kRosterFooter;
    }
  }

  UpdateData(false);
}

void MainDialog::OnSideTextButton(int buttonId) {
  UpdateData(true);
  displayText.clear();

  if (const char* fileName = sideTextFileOf(buttonId)) {
    auto file = platform::TextFile::open(fileName, "r");
    if (file == nullptr) {
      displayText += unreadableFileLine(fileName);
    } else {
      std::string text;
      const bool whole = readMarkedText(*file, text);
      displayText += text;
      if (!whole) displayText += sideFileCutLine(fileName);
    }
  }

  UpdateData(false);
}

}  // namespace quillet
