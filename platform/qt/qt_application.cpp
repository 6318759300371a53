#include "platform/qt/qt_application.h"

#include <xcb/xcb.h>

#include <QApplication>
#include <memory>

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

std::optional<std::string> xDisplayProblem(const std::string& name) {
  int screen = 0;
  xcb_connection_t* connection = xcb_connect(name.c_str(), &screen);
  const int error = xcb_connection_has_error(connection);
  xcb_disconnect(connection);  // also for a connection in error, as xcb asks
  switch (error) {
    case 0:
      return std::nullopt;
    case XCB_CONN_ERROR:
      return "no X server answers there, or it refused the connection";
    case XCB_CONN_CLOSED_PARSE_ERR:
      return "not a display name";
    case XCB_CONN_CLOSED_INVALID_SCREEN:
      return "the X server has no such screen";
    default:
      return "the X connection failed with error " + std::to_string(error);
  }
}

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
  const std::unique_ptr<QApplication> application = makeChineseApplication(argc, argv);
  QtBackend backend(std::make_unique<SettingsRecentList>());
  const ScopedBackend installed(&backend);
  return program();
}

}  // namespace platform
