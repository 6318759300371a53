// The About box (dialog template 100): the product's name and version; its 确定 button, Esc
// and the close box end it. It exchanges no values and has no handlers of its own.
#pragma once

#include "platform/dialog/dialog.h"

namespace quillet {

class AboutDialog : public platform::Dialog {
 public:
  explicit AboutDialog(platform::Dialog* parent);
};

}  // namespace quillet
