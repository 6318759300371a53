// The Qt tree kept up to date edit by edit shows what a fresh fill shows: after items a person
// collapsed and a birth, marriage or rename, every item is open again and row for row in place.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <random>
#include <string>

#include "app/resources.h"
#include "platform/qt/gbk_codec.h"
#include "tests/qt/qt_fixture.h"
#include "tests/support/refilled_view.h"
#include "tools/genealogy_generator/genealogy_generator.h"

namespace quillet {
namespace {

class QtTreeAgreementTest : public testing::QtWindowTest {
 protected:
  QtTreeAgreementTest() : QtWindowTest(tools::generateGenealogy(150, 7).fileBytes) {}
  void type(int id, const std::string& gbk) {
    control<QLineEdit>(id)->setText(platform::qStringFromGbk(gbk));
  }
};

TEST_F(QtTreeAgreementTest, RowsAfterEachEditAreThoseOfARefill) {
  auto* tree = control<platform::QtTreeView>(IDC_TREE);
  FamilyTree& family = objects_->tree;
  std::mt19937 random(11);
  for (int step = 0; step < 20; ++step) {
    const std::vector<testing::RefilledItem> before = testing::refilledView(family);
    for (int closed = 0; closed < 3; ++closed) {  // a person closes a few items
      tree->choose(tree->itemAtRow(static_cast<int>(random() % tree->rowCount())));
      QTest::keyClick(tree, Qt::Key_Left);
    }
    const Person* someone = before[random() % before.size()].person;
    const std::string name(keyText(someone->name));
    const std::string added{'\xD6', '\xEC', '\xD8', static_cast<char>(0xA1 + step)};
    const int persons = family.personCount();
    if (step % 3 == 0) {
      type(IDC_MODIFY_NAME, name);
      type(IDC_MODIFY_PARAM, added);
      control<QRadioButton>(IDC_MODIFY_CHOICE)->setChecked(true);
      control<QPushButton>(IDC_MODIFY)->click();
    } else if (step % 3 == 1 && someone->spouse != nullptr) {
      type(IDC_BIRTH_NAME, added);
      type(IDC_BIRTH_SEX, "m");
      type(IDC_BIRTH_DATE, "17900101");
      type(IDC_MOTHER_NAME, std::string(keyText(someone->spouse->name)));
      control<QPushButton>(IDC_ADD_CHILD)->click();
    } else {
      type(IDC_BRIDE_NAME, added);
      type(IDC_HUSBAND_NAME, name);
      type(IDC_BRIDE_BIRTH_DATE, "17900101");
      control<QPushButton>(IDC_ADD_WIFE)->click();
    }
    if (family.personCount() == persons && step % 3 != 0) continue;  // refused: nothing to see
    QStringList expected;
    for (const testing::RefilledItem& item : testing::refilledView(family)) {
      const auto depthEnd = item.line.find(' ');
      const auto labelStart = item.line.find(' ', item.line.find(' ', depthEnd + 1) + 1) + 1;
      expected << QString::fromStdString(item.line.substr(0, depthEnd)) + QLatin1Char(' ') +
                      platform::qStringFromGbk(item.line.substr(labelStart));
    }
    ASSERT_EQ(testing::shownRows(*tree).join('\n').toStdString(), expected.join('\n').toStdString())
        << "step " << step;
    for (int row = 0; row < tree->rowCount(); ++row) {
      ASSERT_EQ(tree->rowOf(tree->itemAtRow(row)), row);
    }
  }
}

}  // namespace
}  // namespace quillet
