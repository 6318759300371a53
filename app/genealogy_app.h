// The application object: its start-up runs the main window modally, after which the program
// ends.
#pragma once

namespace quillet {

struct ProcessObjects;

class GenealogyApp {
 public:
  // Runs the main window over `objects` until it ends. Returns false: the program then ends
  // (nothing runs after the window has closed). `modalResult`, when given, receives the
  // window's result as Dialog::DoModal returns it: IDOK, IDCANCEL, 0 when a headless run's
  // input ended first, or -1 when no window could be created.
  bool InitInstance(ProcessObjects& objects, int* modalResult = nullptr);
};

}  // namespace quillet
