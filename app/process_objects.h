// The objects that live for the whole run, in their construction order (destroyed in reverse):
// the application object, the family tree (which loads home.txt as it is made), the tree
// view's image list, and the values bound to the main window's controls. main() owns one set;
// tests make a fresh set in a temporary working directory.
#pragma once

#include <string>

#include "app/genealogy_app.h"
#include "core/family_tree.h"
#include "platform/dialog/dialog.h"
#include "platform/temporaries.h"

namespace quillet {

// The FamilyTree that loads its file when it is made, after removing the temporary files that
// saves which died left beside it, and those of exports that died, wherever they are.
class LoadedFamilyTree : public FamilyTree {
 public:
  LoadedFamilyTree() {
    platform::removeStaleReplacements("home.txt");
    platform::removeAbandonedTemporaries();
    load();
  }
};

// Every edit box and radio group of the main window is bound to one of these; texts are GBK.
// Which control each is bound to, and its length limit, is the binding table in
// main_dialog.cpp; MainDialog reaches each by its name.
struct BoundValues {
  std::string displayText;  // the display pane
  // 修改
  std::string modifyName;
  int modifyChoice = 0;
  std::string modifyParam;
  // 人员信息
  int queryChoice = 0;
  std::string queryKeyword;
  // 人员关系
  std::string relationFirstName;
  std::string relationSecondName;
  // 出生
  std::string birthName;
  std::string birthSex;
  std::string birthDateText;
  std::string motherName;
  // 迎娶
  std::string brideName;
  std::string husbandName;
  std::string brideBirthDate;
};

struct ProcessObjects {
  GenealogyApp app;
  LoadedFamilyTree tree;
  platform::ImageList treeImageList;
  BoundValues values;
};

}  // namespace quillet
