// The family tree view: one item for the root and one for every clan member below it, in
// pre-order of the first-child and younger-sibling links, each man's label naming his wives.
//
// A fill inserts every item; a birth, a marriage or a rename then changes only what a fresh fill
// would show differently (one new item, or one or two labels), so that an edit costs the same
// in a clan of a hundred persons as in one of a million, and leaves the view exactly as a refill
// would: the same items in the same order, with the same labels, image indices and expansion.
#include <string>

#include "app/main_dialog.h"
#include "app/resources.h"

namespace quillet {

namespace {

// The person's name, then his first and second wife's names, each after one space. Names are
// the stored keys, so a two-character name keeps its two trailing spaces. The root's item shows
// his name alone.
void makeItemLabel(const Person& person, bool isRoot, std::string& label) {
  label.assign(keyText(person.name));
  if (isRoot) return;
  for (const Person* wife : {person.spouse, person.secondWife}) {
    if (wife == nullptr) continue;
    label += ' ';
    label += keyText(wife->name);
  }
}

}  // namespace

void MainDialog::refillTreeView() {
  treeCtrl.DeleteAllItems();
  fillTreeView();
}

void MainDialog::fillTreeView() {
  entries_ = 0;
  itemNumbers_.clear();
  numbersAreEntries_ = true;
  bornItems_ = 0;
  markedItems_.clear();
  Person* root = familyTree.root();
  if (root == nullptr) return;
  insertPersonItem(*root, platform::TVI_ROOT, platform::TVI_LAST);
  addChildItems(0, root);
}

int MainDialog::insertPersonItem(Person& person, platform::HTREEITEM parent,
                                 platform::HTREEITEM after) {
  const auto entry = static_cast<int>(entries_);
  makeItemLabel(person, entry == 0, labelBuffer_);
  treeCtrl.InsertItem(labelBuffer_, platform::I_IMAGECALLBACK, platform::I_IMAGECALLBACK, parent,
                      after, reinterpret_cast<std::intptr_t>(&person));
  ++entries_;
  person.treeIndex = entry;
  return entry;
}

bool MainDialog::isShown(const Person* person) const {
  if (person == nullptr || person->treeIndex < 0) return false;
  const auto entry = static_cast<std::size_t>(person->treeIndex);
  return entry < entries_ &&
         treeCtrl.GetItemData(itemOf(*person)) == reinterpret_cast<std::intptr_t>(person);
}

// Walks with an explicit stack rather than recursion, so that no shape of file can exhaust the
// call stack. A record met a second time (a broken file can link it twice) ends its sibling
// chain there: it and the chain after it are already shown.
void MainDialog::addChildItems(int itemNumber, Person* person) {
  if (person == nullptr || person->firstChild == nullptr) return;
  struct Frame {
    int entry;
    Person* next;
  };
  std::vector<Frame> frames{{itemNumber, person->firstChild}};
  while (!frames.empty()) {
    Frame& frame = frames.back();
    Person* child = frame.next;
    const platform::HTREEITEM parent = frame.entry + 1;
    if (child == nullptr || isShown(child)) {
      treeCtrl.Expand(parent, platform::TVE_EXPAND);
      frames.pop_back();
      continue;
    }
    frame.next = child->youngerSibling;
    const int entry = insertPersonItem(*child, parent, platform::TVI_LAST);
    if (child->firstChild != nullptr) frames.push_back({entry, child->firstChild});
  }
}

// A refill shows the new child, the last of its chain, where the walk reaches its older
// sibling (right after him, the last item under his parent's), or, for a first child, under its
// father's item; the root's own sibling chain is not walked. Nothing else moves, and no other
// item's label changes.
void MainDialog::showNewChild(Person* child) {
  const Person* older = child->olderSibling;
  const bool shownAfterOlder = older != nullptr && isShown(older) && older->treeIndex != 0;
  const bool shownUnderFather =
      older == nullptr && child->father != nullptr && isShown(child->father);
  if ((shownAfterOlder || shownUnderFather) && !isShown(child)) {
    const platform::HTREEITEM parent =
        shownAfterOlder ? treeCtrl.GetParentItem(itemOf(*older)) : itemOf(*child->father);
    insertPersonItem(*child, parent, platform::TVI_LAST);
    treeCtrl.Expand(parent, platform::TVE_EXPAND);
    numbersAreEntries_ = false;
    itemNumbers_.clear();
    ++bornItems_;
  }
  finishTreeEdit();
}

// Births are taken back latest first, so the child's item is the newest, its entry the last:
// both go. Once every item a birth added is gone, the entries are the numbers again. (A view
// refilled since the birth has the item elsewhere: it is filled anew.)
void MainDialog::showChildRemoved(Person* child) {
  if (isShown(child)) {
    const platform::HTREEITEM item = itemOf(*child);
    const bool newest = static_cast<std::size_t>(child->treeIndex) + 1 == entries_;
    if (newest && treeCtrl.DeleteNewestItem(item)) {
      --entries_;
      child->treeIndex = -1;
      itemNumbers_.clear();
      if (bornItems_ > 0) --bornItems_;
      numbersAreEntries_ = bornItems_ == 0;
    } else {
      refillTreeView();
    }
  }
  finishTreeEdit();
}

// Labels that name `person`: his own item's, and that of the member holding him as a wife.
void MainDialog::showNewName(Person* person) {
  Person* holder = person->spouse;
  const bool held = holder != nullptr && (holder->spouse == person || holder->secondWife == person);
  for (Person* shown : {person, held ? holder : nullptr}) {
    if (!isShown(shown)) continue;
    makeItemLabel(*shown, shown->treeIndex == 0, labelBuffer_);
    treeCtrl.SetItemText(itemOf(*shown), labelBuffer_);
  }
  finishTreeEdit();
}

// What a refill does besides the items: every item with children is open again, and nothing is
// selected.
void MainDialog::finishTreeEdit() {
  treeCtrl.ExpandAll();
  treeCtrl.SelectItem(platform::TVI_NULL);
}

platform::HTREEITEM MainDialog::itemOf(const Person& person) const {
  return static_cast<platform::HTREEITEM>(person.treeIndex) + 1;
}

int MainDialog::itemNumber(int entry) {
  if (numbersAreEntries_) return entry;
  if (itemNumbers_.empty()) {
    // Pre-order over the control's items, each numbered through its entry.
    itemNumbers_.assign(entries_, 0);
    int number = 0;
    for (platform::HTREEITEM item = treeCtrl.GetRootItem(); item != platform::TVI_NULL;) {
      itemNumbers_[static_cast<std::size_t>(item - 1)] = number++;
      platform::HTREEITEM next = treeCtrl.GetChildItem(item);
      while (next == platform::TVI_NULL && item != platform::TVI_NULL) {
        next = treeCtrl.GetNextSiblingItem(item);
        item = treeCtrl.GetParentItem(item);
      }
      item = next;
    }
  }
  return itemNumbers_[static_cast<std::size_t>(entry)];
}

bool MainDialog::OnTreeGetDispInfoRoute(int id, platform::TreeDispInfo& info) {
  if (id != IDC_TREE) return false;
  // The root's image index is 0, every other item's its parent's item number plus 1.
  const platform::HTREEITEM parent = treeCtrl.GetParentItem(info.item);
  info.image = parent == platform::TVI_NULL ? 0 : itemNumber(static_cast<int>(parent - 1)) + 1;
  info.selectedImage = info.image;
  return true;
}

Person* MainDialog::personOfItem(platform::HTREEITEM item) const {
  if (item == platform::TVI_NULL) return nullptr;
  auto* person = reinterpret_cast<Person*>(treeCtrl.GetItemData(item));
  return isShown(person) && itemOf(*person) == item ? person : nullptr;
}

bool MainDialog::selectPersonItem(const Person* person) {
  // A wife has no item of her own: her husband's label names her.
  const Person* husband = person == nullptr ? nullptr : person->spouse;
  for (const Person* candidate : {person, husband}) {
    if (!isShown(candidate)) continue;
    treeCtrl.SelectItem(itemOf(*candidate));
    treeCtrl.EnsureVisible(itemOf(*candidate));
    return true;
  }
  return false;
}

void MainDialog::OnSelectTreeItem() {
  UpdateData(true);
  writePersonReport(personOfItem(treeCtrl.GetSelectedItem()));
  UpdateData(false);
}

}  // namespace quillet
