// quillet: the genealogy window. The process-wide objects are made in the working directory
// (the family tree loads home.txt), then the application's start-up runs the main window; when
// it closes the program ends and the objects go in reverse order. Nothing is saved at exit.
// The window's context menu also offers the GEDCOM and chart exports of the tree in memory.
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include "app/command_line.h"
#include "app/process_objects.h"
#include "platform/out_of_memory.h"
#include "platform/qt/qt_backend.h"
#include "reports/export_file.h"

namespace {

// Writes the export to the chosen file; a message box tells why when it cannot.
void exportTo(QWidget* window, const quillet::FamilyTree& tree, quillet::ExportKind kind,
              const QString& path) {
  const QString caption = QString::fromUtf16(u"导出");
  switch (quillet::exportToFile(tree, kind, QFile::encodeName(path).toStdString())) {
    case quillet::ExportResult::kWritten:
      return;
    case quillet::ExportResult::kNoRoot:
      QMessageBox::warning(window, caption, QString::fromUtf16(u"家谱中没有始祖，无可导出。"));
      return;
    case quillet::ExportResult::kWriteFailed:
      QMessageBox::warning(window, caption, QString::fromUtf16(u"无法写入文件：") + path);
      return;
    case quillet::ExportResult::kRefused:
      QMessageBox::warning(window, caption,
                           QString::fromUtf16(u"这是本程序读取的文件，不能用导出覆盖：") + path);
      return;
  }
}

// "导出 GEDCOM…" (7.0, or 5.5.1 by the chooser's filter) and "导出世系图…" (SVG), after the About
// entry. They export the tree as the window holds it, unsaved changes included.
void addExportEntries(platform::QtBackend& backend, const quillet::FamilyTree& tree) {
  backend.addContextAction(
      {QString::fromUtf16(u"导出 GEDCOM…"), [&tree](QWidget* window) {
         const QString v70 = QStringLiteral("GEDCOM 7.0 (*.ged)");
         const QString v551 = QStringLiteral("GEDCOM 5.5.1 (*.ged)");
         QString filter = v70;
         const QString path =
             QFileDialog::getSaveFileName(window, QString::fromUtf16(u"导出 GEDCOM"),
                                          QStringLiteral("clan.ged"), v70 + ";;" + v551, &filter);
         if (path.isEmpty()) return;
         exportTo(window, tree,
                  filter == v551 ? quillet::ExportKind::kGedcom551 : quillet::ExportKind::kGedcom70,
                  path);
       }});
  backend.addContextAction({QString::fromUtf16(u"导出世系图…"), [&tree](QWidget* window) {
                              const QString path = QFileDialog::getSaveFileName(
                                  window, QString::fromUtf16(u"导出世系图"),
                                  QStringLiteral("chart.svg"), QStringLiteral("SVG (*.svg)"));
                              if (path.isEmpty()) return;
                              exportTo(window, tree, quillet::ExportKind::kChartSvg, path);
                            }});
}

}  // namespace

int main(int argc, char** argv) {
  if (const auto exitStatus = quillet::startWindowProgram(argc, argv)) return *exitStatus;
  platform::exitOnOutOfMemory("quillet");
  QApplication application(argc, argv);
  platform::installChineseTranslations(application);
  platform::QtBackend backend;
  platform::setBackend(&backend);
  quillet::ProcessObjects objects;
  addExportEntries(backend, objects.tree);
  objects.app.InitInstance(objects);
  platform::setBackend(nullptr);
  return 0;
}
