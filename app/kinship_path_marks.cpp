// The kinship path of the latest relation query, marked in the tree view: its members' items are
// marked and their ancestors opened. The marks go when the tree is edited, an edit is undone or
// redone, another genealogy opens or the relation panel is reset.
#include <vector>

#include "app/main_dialog.h"
#include "kinship/kinship.h"

namespace quillet {

void MainDialog::markKinshipPath(const Person& first, const Person& second) {
  clearKinshipPath();
  std::vector<const Person*> path;
  if (!kinshipPath(first, second, path)) return;
  for (const Person* member : path) {
    if (!isShown(member)) continue;
    const platform::HTREEITEM item = itemOf(*member);
    treeCtrl.SetItemMarked(item, true);
    markedItems_.push_back(item);
  }
  // Every member of the path is an ancestor of one of its two ends, or one of them: opening the
  // ancestors of the two ends opens the whole path. (Opening each member's ancestors in turn
  // took time growing with the square of a long line's depth.)
  if (!markedItems_.empty()) {
    treeCtrl.EnsureVisible(markedItems_.back());
    treeCtrl.EnsureVisible(markedItems_.front());
  }
}

void MainDialog::clearKinshipPath() {
  for (platform::HTREEITEM item : markedItems_) treeCtrl.SetItemMarked(item, false);
  markedItems_.clear();
}

}  // namespace quillet
