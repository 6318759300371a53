// The two buttons that put a fixed text into the display pane, 关于软件 and 使用说明, and the menu
// bar's 功能说明.
#include "app/main_dialog.h"
#include "reports/help_texts.h"

namespace quillet {

void MainDialog::OnAboutSoftware() {
  UpdateData(true);
  displayText = welcomeText();
  UpdateData(false);
}

void MainDialog::OnUsage() {
  UpdateData(true);
  displayText = usageText();
  UpdateData(false);
}

void MainDialog::OnFeatures() {
  UpdateData(true);
  displayText = featuresText();
  UpdateData(false);
}

}  // namespace quillet
