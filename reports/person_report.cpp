#include "reports/person_report.h"

#include "core/family_tree.h"
#include "core/text_format.h"
#include "platform/icu/chinese_calendar.h"

namespace quillet {
namespace {

const char* sexWord(const Person& person) { return person.sex == 'f' ? "女" : "男"; }

// A dead person's death date. A record marked dead without a date (a broken file) prints an
// empty date rather than reading a date that is not there.
const char* deathDateOf(const Person& person) {
  return person.deathDate ? person.deathDate->data() : "";
}

// The father's wife named by `motherIndex`, or null when none is named or recorded.
const Person* motherOf(const Person& person) {
  if (person.father == nullptr) return nullptr;
  if (person.motherIndex == '1') return person.father->spouse;
  if (person.motherIndex == '2') return person.father->secondWife;
  return nullptr;
}

}  // namespace

void showPersonDetails(const Person* person, std::string& displayText) {
  if (person == nullptr) return;
  const Person& p = *person;
  const int rank = FamilyTree::siblingRank(p);

  assignFormat(displayText, "姓名:%s\r\n出生日期  %s\r\n第%c代\r\n 性别: ", p.name.data(),
               p.birthDate.data(), p.generation);
  displayText += sexWord(p);
  if (p.alive == 'n') {
    appendFormat(displayText, "\r\n死亡日期  %s", deathDateOf(p));
  } else {
    displayText += "\r\n健在";
  }

  if (p.father != nullptr) appendFormat(displayText, "\r\n父亲 %s", p.father->name.data());
  if (const Person* mother = motherOf(p)) {
    // The mother continues the father's line; the first wife is set off by one ideographic
    // space, the second by two.
    if (p.motherIndex == '1') {
      appendFormat(displayText, "　母亲 %s ", mother->name.data());
    } else {
      appendFormat(displayText, "　　母亲 %s ", mother->name.data());
    }
  }

  if (rank == 1) {
    appendFormat(displayText, "\r\n排行%d", rank);
  } else if (rank > 1) {
    appendFormat(displayText, "\r\n排行%d\r\n     兄姐: ", rank);
    const Person* sibling = p.olderSibling;
    for (int i = 1; i < rank && sibling != nullptr; ++i, sibling = sibling->olderSibling) {
      appendFormat(displayText, " %s", sibling->name.data());
    }
  }
}

void appendChineseDates(const Person& person, std::string& text) {
  text += "\r\n农历：生于";
  text += platform::chineseDateText(dateText(person.birthDate));
  if (person.alive == 'n') {
    text += "，卒于";
    text += platform::chineseDateText(person.deathDate ? dateText(*person.deathDate) : "");
  }
}

void formatPersonLine(const Person* person, std::string& text) {
  if (person == nullptr) return;
  const Person& p = *person;
  assignFormat(text, "    %s 出生  %s 第%c代  性别: ", p.name.data(), p.birthDate.data(),
               p.generation);
  text += sexWord(p);
  if (p.alive == 'n') {
    appendFormat(text, " 死亡日期  %s", deathDateOf(p));
  } else {
    text += "   健在         ";
  }
  text += "\r\n";
}

}  // namespace quillet
