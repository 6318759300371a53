// The menu bar's 查找 entry: the tree view's find field (the tree control keeps it).
#include "app/main_dialog.h"

namespace quillet {

void MainDialog::OnFind() { treeCtrl.OpenFind(); }

}  // namespace quillet
