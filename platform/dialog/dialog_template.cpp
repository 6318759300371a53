#include "platform/dialog/dialog_template.h"

#include "platform/dialog/win_types.h"

namespace platform {

std::vector<int> radioGroupOf(const DialogTemplate& dialogTemplate, int id) {
  std::vector<int> group;
  bool found = false;
  for (const ControlTemplate& control : dialogTemplate.controls) {
    const bool radio = control.kind == ControlKind::RadioButton;
    const bool begins = !radio || (control.style & WS_GROUP) != 0;
    if (begins) {
      if (found) break;
      group.clear();
    }
    if (radio) {
      group.push_back(control.id);
      if (control.id == id) found = true;
    }
  }
  if (!found) group.clear();
  return group;
}

}  // namespace platform
