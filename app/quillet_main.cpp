// quillet: the genealogy window. The process-wide objects are made in the working directory
// (the family tree loads home.txt), then the application's start-up runs the main window; when
// it closes the program ends and the objects go in reverse order. Nothing is saved at exit.
#include "app/process_objects.h"
#include "app/window_command_line.h"
#include "platform/out_of_memory.h"
#include "platform/qt/qt_application.h"

int main(int argc, char** argv) {
  if (const auto exitStatus = quillet::startWindowProgram(argc, argv)) return *exitStatus;
  platform::exitOnOutOfMemory("quillet");
  return platform::runQtApplication(argc, argv, [] {
    quillet::ProcessObjects objects;
    objects.app.InitInstance(objects);
    return 0;
  });
}
