#include "app/about_dialog.h"

#include "app/resources.h"

namespace quillet {

AboutDialog::AboutDialog(platform::Dialog* parent) : Dialog(aboutDialogTemplate(), parent) {}

}  // namespace quillet
