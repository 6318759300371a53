// main() of the offscreen Qt tests: the application object must outlive every widget and go
// before Qt's own globals do, so it lives here rather than in a static. It is made Chinese as the
// window program's is, in an English environment. The settings (the genealogies opened last) go
// to a folder of the test's own, never the user's.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/qt/qt_backend.h"

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // An English environment, whose locale Qt's own dialogs must not follow.
  setenv("LANG", "en_US.UTF-8", 1);
  setenv("LC_ALL", "en_US.UTF-8", 1);
  char config[] = "/tmp/quillet-qt-test-XXXXXX";
  if (mkdtemp(config) == nullptr) return 1;
  setenv("XDG_CONFIG_HOME", config, 1);
  const std::unique_ptr<QApplication> application = platform::makeChineseApplication(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  const int status = RUN_ALL_TESTS();
  std::error_code ignored;
  std::filesystem::remove_all(config, ignored);
  return status;
}
