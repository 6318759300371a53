// The 视图 menu: the views of the exact kinship terms (the relation panel adds their line,
// kinship/relation_panel.cpp) and of the dates in the Chinese calendar (in every detailed report
// the window shows).
#include "app/main_dialog.h"
#include "app/resources.h"
#include "reports/person_report.h"

namespace quillet {

void MainDialog::OnViewExactTerms() {
  exactTerms_ = !exactTerms_;
  CheckMenuBarEntry(ID_VIEW_EXACT_TERMS, exactTerms_);
}

void MainDialog::OnViewChineseDates() {
  chineseDates_ = !chineseDates_;
  CheckMenuBarEntry(ID_VIEW_CHINESE_DATES, chineseDates_);
}

void MainDialog::writePersonReport(const Person* person) {
  if (person == nullptr) return;
  showPersonDetails(person, displayText);
  if (chineseDates_) appendChineseDates(*person, displayText);
}

}  // namespace quillet
