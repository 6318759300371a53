#include "platform/qt/qt_application.h"

#include <QApplication>

#include "platform/qt/qt_backend.h"

namespace platform {
namespace {

constexpr QtCommandLineOption kQtOptions[] = {
    {"platform", true, false},
    {"platformpluginpath", true, false},
    {"platformtheme", true, false},
    {"plugin", true, false},
    {"qwindowgeometry", true, false},
    {"qwindowicon", true, false},
    {"qwindowtitle", true, false},
    {"session", true, false},
    {"display", true, false},
    {"geometry", true, false},
    {"style", true, true},
    {"stylesheet", true, true},
    {"qmljsdebugger", false, true},
    {"reverse", false, false},
    {"widgetcount", false, false},
    {"nograb", false, false},
    {"dograb", false, false},
};

}  // namespace

const QtCommandLineOption* qtCommandLineOption(std::string_view argument) {
  if (!argument.starts_with('-')) return nullptr;
  argument.remove_prefix(argument.starts_with("--") ? 2 : 1);
  const std::size_t equals = argument.find('=');
  const std::string_view name = argument.substr(0, equals);
  for (const QtCommandLineOption& option : kQtOptions) {
    if (option.name == name && (equals == std::string_view::npos || option.joined)) return &option;
  }
  return nullptr;
}

int runQtApplication(int& argc, char** argv, const std::function<int()>& program) {
  QApplication application(argc, argv);
  installChineseTranslations(application);
  QtBackend backend;
  const ScopedBackend installed(&backend);
  return program();
}

}  // namespace platform
