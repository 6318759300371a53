#include "platform/qt/qt_application.h"

#include <QApplication>

#include "platform/qt/qt_backend.h"

namespace platform {

int runQtApplication(int& argc, char** argv, const std::function<int()>& program) {
  QApplication application(argc, argv);
  installChineseTranslations(application);
  QtBackend backend;
  const ScopedBackend installed(&backend);
  return program();
}

}  // namespace platform
