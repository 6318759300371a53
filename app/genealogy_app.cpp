#include "app/genealogy_app.h"

#include "app/main_dialog.h"
#include "app/process_objects.h"

namespace quillet {

bool GenealogyApp::InitInstance(ProcessObjects& objects, int* modalResult) {
  MainDialog dialog(objects);
  const int result = dialog.DoModal();
  if (modalResult != nullptr) *modalResult = result;
  return false;
}

}  // namespace quillet
