// The window probe, for tests that drive the real window from outside (under Xvfb, with
// xdotool): with the environment variable QUILLET_WINDOW_PROBE naming a file, every window
// appends to it what such a test needs, one line an event, in UTF-8, coordinates in the screen's
// own pixels:
//   - once the window shows, "control ID push|other X Y W H" for each control with an id, "menu N
//     X Y W H" for each title of the menu bar, and "shown TEMPLATE X Y W H";
//   - "clicked ID" for each click a push button takes; "text ID TEXT" for each new text of a
//     multi-line edit box (line breaks as \n);
//   - "entry ID X Y W H on|off TEXT" for each entry of a menu once it shows (off: greyed out;
//     TEXT without the key shown after a tab), "command ID" for each entry chosen;
//   - "removed ITEM" for a tree item removed, "marked drawn N of M" once marked tree items are
//     drawn (N of the M not selected on the mark colour);
//   - for a message box "messagebox CAPTION", "button ANSWER X Y W H" for each button, "shown
//     messagebox X Y W H" and, once answered, "answer ANSWER" (IDOK 1, IDCANCEL 2, IDYES 6,
//     IDNO 7); for a report dialog "report CAPTION", "button accept X Y W H" and "shown report X
//     Y W H"; for a folder chooser "folderchooser CAPTION", "button accept X Y W H", "shown
//     folderchooser X Y W H" and, once a folder is chosen, "chosen PATH".
// Without the variable (or when the file cannot be opened) the probe is off and writes nothing.
//
// Requires a QApplication. GUI thread only.
#pragma once

#include <QFile>
#include <QString>
#include <functional>

class QMenu;
class QMenuBar;
class QWidget;

namespace platform {

class Probe {
 public:
  // The process's probe, opened on first use.
  static Probe& instance();

  bool on() const { return file_.isOpen(); }
  // Appends `line` and a line end, when on.
  void write(const QString& line);
  // "NAME X Y W H": the widget's rectangle on the screen, in device pixels.
  void writePlace(const QString& name, const QWidget& widget);
  // "menu N X Y W H" for the N-th title of `menuBar`.
  void writeMenuTitles(const QMenuBar& menuBar);
  // Runs `shown` once, when `widget`'s window is first on the screen; nothing when off.
  void whenExposed(QWidget& widget, std::function<void()> shown);
  // "entry ID X Y W H" for each entry of `menu` (its action's data the ID) once it shows; to be
  // called as it is about to show.
  void whenMenuShows(QMenu& menu);

 private:
  Probe();
  QFile file_;
};

// One line of text for the probe: line breaks as "\n", a backslash doubled.
QString probeText(const QString& text);

}  // namespace platform
