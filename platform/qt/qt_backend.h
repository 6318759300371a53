// The Qt 6 Widgets backend: real windows built from dialog templates (qt_window.h, which also
// declares qtWidgetOf and qtPixelsOf for tests and screenshots), message boxes with the system's
// Chinese buttons, Qt's file and folder choosers, the import's report dialog, progress dialogs and
// the list of the genealogies opened last in the program's settings. What the dialogs show and
// take is written to the window probe when that is on (qt_probe.h).
//
// Requires a QApplication. Single-threaded: the GUI thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/dialog/backend.h"
#include "platform/qt/qt_window.h"

class QApplication;
class QCoreApplication;

namespace platform {

// The genealogies opened last, in the program's settings: the key recent/genealogies of
// ${XDG_CONFIG_HOME:-~/.config}/quillet/quillet.conf (QSettings, organisation and program
// "quillet"), read and written at each use so that windows of several processes share it.
class SettingsRecentList : public RecentList {
 public:
  std::vector<std::string> entries() const override;
  void store(const std::vector<std::string>& entries) override;
};

class QtBackend : public Backend {
 public:
  // A backend whose list of the genealogies opened last is `recent` (SettingsRecentList for the
  // window program), or one in memory when none is given (tests, which leave the user's
  // settings alone).
  explicit QtBackend(std::unique_ptr<RecentList> recent = nullptr);
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
  // The folder choosers are Qt's own dialog, which a kToWrite chooser lets take a new folder's
  // name and a kGenealogy one a file (home.txt) as well as a folder.
  std::optional<std::string> folderName(WindowPeer* parent, std::string_view gbkCaption,
                                        FolderChoice choice) override;
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
  RecentList& recentList() override { return *recent_; }

 private:
  std::unique_ptr<RecentList> recent_;
};

// Installs Qt's own Chinese texts (file chooser, edit menus, standard buttons) from the system's
// Qt translations, and after them the few that those lack (a folder's type, 文件夹, in the file
// chooser); false when the system's are not installed (the few are installed all the same).
bool installChineseTranslations(QCoreApplication& application);

// The Qt application of a window program, made from the command line (Qt takes its own options
// out of argc and argv), whose own dialogs are Chinese whatever the environment's locale: Qt's
// system locale is zh_CN (the file chooser's dates and sizes), so is its default locale (the
// type names of files), and its Chinese texts are installed (installChineseTranslations). Qt
// takes its system locale from LC_ALL once, as the application is made: LC_ALL names zh_CN
// then, and afterwards the environment and the C library's locale are the user's again.
// REQUIRES: no Qt application exists yet; `argc` and `argv` outlive the application.
std::unique_ptr<QApplication> makeChineseApplication(int& argc, char** argv);

}  // namespace platform
