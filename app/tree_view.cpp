// The family tree view: one item for the root and one for every clan member below it, in
// pre-order of the first-child and younger-sibling links, each man's label naming his wives.
#include <algorithm>
#include <string>

#include "app/main_dialog.h"
#include "reports/person_report.h"

namespace quillet {

namespace {

// The person's name, then his first and second wife's names, each after one space. Names are
// the stored keys, so a two-character name keeps its two trailing spaces.
std::string itemLabel(const Person& person) {
  std::string label(keyText(person.name));
  for (const Person* wife : {person.spouse, person.secondWife}) {
    if (wife == nullptr) continue;
    label += ' ';
    label += keyText(wife->name);
  }
  return label;
}

}  // namespace

void MainDialog::refillTreeView() {
  treeCtrl.DeleteAllItems();
  fillTreeView();
}

void MainDialog::fillTreeView() {
  treeItems_.clear();
  itemPersons_.clear();
  visited_.clear();
  visited_.reserve(static_cast<std::size_t>(familyTree.personCount()));
  itemCounter_ = 0;
  Person* root = familyTree.root();
  if (root == nullptr) return;
  treeItems_.push_back(
      treeCtrl.InsertItem(keyText(root->name), 0, 0, platform::TVI_ROOT, platform::TVI_LAST));
  itemPersons_.push_back(root);
  root->treeIndex = 0;
  visited_.insert(root);
  addChildItems(0, root);
}

// Walks with an explicit stack rather than recursion, so that no shape of file can exhaust the
// call stack. A record met a second time (a broken file can link it twice, even in a cycle)
// ends its sibling chain there: it and the chain after it are already shown.
void MainDialog::addChildItems(int itemNumber, Person* person) {
  if (person == nullptr || person->firstChild == nullptr) return;
  struct Frame {
    int itemNumber;
    Person* next;
  };
  std::vector<Frame> frames{{itemNumber, person->firstChild}};
  while (!frames.empty()) {
    Frame& frame = frames.back();
    Person* child = frame.next;
    if (child == nullptr || visited_.contains(child)) {
      treeCtrl.Expand(treeItems_[static_cast<std::size_t>(frame.itemNumber)], platform::TVE_EXPAND);
      frames.pop_back();
      continue;
    }
    frame.next = child->youngerSibling;
    const int parentNumber = frame.itemNumber;
    const int number = ++itemCounter_;
    treeItems_.push_back(treeCtrl.InsertItem(itemLabel(*child), parentNumber + 1, parentNumber + 1,
                                             treeItems_[static_cast<std::size_t>(parentNumber)],
                                             platform::TVI_LAST));
    itemPersons_.push_back(child);
    child->treeIndex = number;
    visited_.insert(child);
    if (child->firstChild != nullptr) frames.push_back({number, child->firstChild});
  }
}

Person* MainDialog::personOfItem(platform::HTREEITEM item) const {
  if (item == platform::TVI_NULL) return nullptr;
  const auto found = std::find(treeItems_.begin(), treeItems_.end(), item);
  if (found == treeItems_.end()) return nullptr;
  return itemPersons_[static_cast<std::size_t>(found - treeItems_.begin())];
}

bool MainDialog::selectPersonItem(const Person* person) {
  // A wife has no item of her own: her husband's label names her.
  const Person* husband = person == nullptr ? nullptr : person->spouse;
  for (const Person* candidate : {person, husband}) {
    if (candidate == nullptr || candidate->treeIndex < 0) continue;
    const auto number = static_cast<std::size_t>(candidate->treeIndex);
    if (number >= itemPersons_.size() || itemPersons_[number] != candidate) continue;
    treeCtrl.SelectItem(treeItems_[number]);
    treeCtrl.EnsureVisible(treeItems_[number]);
    return true;
  }
  return false;
}

void MainDialog::OnSelectTreeItem() {
  UpdateData(true);
  showPersonDetails(personOfItem(treeCtrl.GetSelectedItem()), displayText);
  UpdateData(false);
}

}  // namespace quillet
