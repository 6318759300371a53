// Renders the main window, built over the home.txt of the working directory, into the PNG file
// named by the first argument (run with QT_QPA_PLATFORM=offscreen for no display). With two more
// arguments, two names (UTF-8), it first asks the relation panel for their kinship, so that the
// picture shows the kinship path marked in the tree.
#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include "app/main_dialog.h"
#include "app/process_objects.h"
#include "platform/gbk.h"
#include "platform/qt/qt_backend.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  QApplication application(argc, argv);
  platform::QtBackend backend;
  const platform::ScopedBackend installed(&backend);
  quillet::ProcessObjects objects;
  quillet::MainDialog dialog(objects);
  if (!dialog.Create()) return 1;
  QWidget* window = platform::qtWidgetOf(dialog.peer());
  if (argc >= 4) {
    dialog.relationFirstName = platform::utf8ToGbk(argv[2]);
    dialog.relationSecondName = platform::utf8ToGbk(argv[3]);
    dialog.UpdateData(false);
    dialog.OnRelationQuery();
  }
  window->show();
  QApplication::processEvents();
  return window->grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
