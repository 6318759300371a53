// quillet: the genealogy window. The process-wide objects are made in the working directory
// (the family tree loads home.txt), then the application's start-up runs the main window; when
// it closes the program ends and the objects go in reverse order. Nothing is saved at exit.
#include <QApplication>

#include "app/process_objects.h"
#include "platform/qt/qt_backend.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  platform::QtBackend backend;
  platform::setBackend(&backend);
  quillet::ProcessObjects objects;
  objects.app.InitInstance(objects);
  platform::setBackend(nullptr);
  return 0;
}
