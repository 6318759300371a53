// quillet: the genealogy window. The process-wide objects are made in the working directory
// (the family tree loads home.txt), then the application's start-up runs the main window; when
// it closes the program ends and the objects go in reverse order. Nothing is saved at exit.
#include "app/process_objects.h"
#include "platform/qt/qt_application.h"

int main(int argc, char** argv) {
  return platform::runQtApplication(argc, argv, [] {
    quillet::ProcessObjects objects;
    objects.app.InitInstance(objects);
    return 0;
  });
}
