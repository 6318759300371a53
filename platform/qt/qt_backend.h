// The Qt 6 Widgets backend: real windows built from dialog templates (qt_window.h, which also
// declares qtWidgetOf and qtPixelsOf for tests and screenshots), message boxes with the system's
// Chinese buttons, Qt's file choosers, the import's report dialog and progress dialogs. What the
// dialogs show and take is written to the window probe when that is on (qt_probe.h).
//
// Requires a QApplication. Single-threaded: the GUI thread only.
#pragma once

#include <memory>

#include "platform/dialog/backend.h"
#include "platform/qt/qt_window.h"

class QCoreApplication;

namespace platform {

class QtBackend : public Backend {
 public:
  QtBackend();
  ~QtBackend() override;

  std::unique_ptr<WindowPeer> createWindow(const DialogTemplate& dialogTemplate,
                                           WindowEvents& events, WindowPeer* parent) override;
  int messageBox(WindowPeer* parent, std::string_view gbkText, std::string_view gbkCaption,
                 unsigned type) override;
  // Qt's file chooser; the filter is matched by its text.
  std::optional<SaveFileChoice> saveFileName(WindowPeer* parent, std::string_view gbkCaption,
                                             std::string_view gbkSuggestedName,
                                             std::span<const std::string_view> gbkFilters) override;
  // The import's choosers are Qt's; its report a dialog with a list and two buttons.
  std::optional<std::string> openFileName(WindowPeer* parent, std::string_view gbkCaption,
                                          std::span<const std::string_view> gbkFilters) override;
  std::optional<std::string> folderName(WindowPeer* parent, std::string_view gbkCaption) override;
  std::optional<std::size_t> choiceDialog(WindowPeer* parent, std::string_view gbkCaption,
                                          std::string_view gbkText,
                                          std::span<const std::string_view> gbkChoices,
                                          std::size_t initial) override;
  bool reportDialog(WindowPeer* parent, std::string_view gbkCaption, std::string_view gbkText,
                    std::span<const std::string> gbkLines, std::string_view gbkAccept,
                    std::string_view gbkReject) override;
  // QProgressDialog, window-modal, shown after half a second of work.
  std::unique_ptr<ProgressDialog> openProgress(WindowPeer* parent, std::string_view gbkCaption,
                                               std::string_view gbkText,
                                               std::size_t steps) override;
};

// Installs Qt's own Chinese texts (file chooser, edit menus, standard buttons) from the system's
// Qt translations; false when they are not installed.
bool installChineseTranslations(QCoreApplication& application);

}  // namespace platform
