// The Qt 6 Widgets backend: real windows built from dialog templates. Geometry comes from the
// template's dialog units and the dialog font's metrics (宋体 9 pt where installed, otherwise an
// installed CJK face): horizontal px = du * average character width / 4, vertical px =
// du * character height / 8. Where the window would not fit the screen's available area, the
// dialog font is made smaller until it does. A resizable template (WS_THICKFRAME) opens at that
// size, cannot be made smaller, and moves its controls by the template's growth rules. Multi-line
// edit boxes show their text in a face whose ASCII is half as wide as its Chinese glyphs, so
// that columns of spaces line up. Labels, icons and group boxes let every click through to the
// controls under them.
//
// Texts cross to Qt as UTF-8 and come back as GBK; an edit box with a limit refuses typing that
// would take it beyond the limit in GBK bytes.
//
// Linux gives a program no system menu to extend: the entries a dialog appends to its system
// menu appear in the window's context menu and run the dialog's system-command handler; the
// window's own context-menu entries follow them. A window with a tree control has a find field
// for it (Ctrl+F), and draws the items the dialog marks bold on a colour of their own. A template
// with a menu bar gets a QMenuBar above its controls, which move down by its height (the font is
// made smaller until the window fits with it); an accelerator that is only for outside the edit
// boxes (FOUTSIDEEDIT) leaves its key to an edit box a person can type into.
//
// With the environment variable QUILLET_WINDOW_PROBE naming a file, windows append to it where
// their controls are on the screen, the clicks their push buttons take, the texts their
// multi-line edit boxes show and the message boxes they open, for tests that drive the real
// window from outside.
//
// Requires a QApplication. Single-threaded: the GUI thread only.
#pragma once

#include <memory>

#include "platform/dialog/backend.h"

class QCoreApplication;
class QWidget;

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

// The widget of a window made by QtBackend (for tests and screenshots); null for other peers.
QWidget* qtWidgetOf(WindowPeer* peer);

// The pixel rectangle of a template rectangle in a window made by QtBackend.
struct PixelRect {
  int x, y, width, height;
};
PixelRect qtPixelsOf(WindowPeer* peer, const DialogRect& rect);

}  // namespace platform
