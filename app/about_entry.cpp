// The menu bar's 关于 entry: the About box, opened as the system menu's entry opens it.
#include "app/main_dialog.h"
#include "app/resources.h"

namespace quillet {

void MainDialog::OnAppAbout() { OnSysCommand(static_cast<int>(IDM_ABOUTBOX)); }

}  // namespace quillet
