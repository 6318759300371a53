// A real window built from a dialog template, the WindowPeer of the Qt backend. Its geometry is
// the template's (qt_geometry.h): a resizable template (WS_THICKFRAME) opens at its size, cannot
// be made smaller, and moves its controls by the template's growth rules. Labels, icons and group
// boxes let every click through to the controls under them.
//
// Texts cross to Qt as UTF-8 and come back as GBK; a text the program set comes back byte for
// byte; an edit box with a limit refuses typing that would take it beyond the limit in GBK bytes.
// The multi-line pane shows line breaks only at CR LF, as the system's edit control does.
//
// Linux gives a program no system menu to extend: the entries a dialog appends to its system
// menu appear in the window's context menu and run the dialog's system-command handler; the
// window's own context-menu entries follow them. A window with a tree control has a find field
// for it (Ctrl+F, qt_find_field.h), and draws the items the dialog marks bold on a colour of
// their own. A template with a menu bar gets a QMenuBar above its controls, which move down by its
// height (the font is made smaller until the window fits with it); an accelerator that is only
// for outside the edit boxes (FOUTSIDEEDIT) leaves its key to an edit box a person can type into.
// What it shows and takes is written to the window probe when that is on (qt_probe.h).
//
// Requires a QApplication. GUI thread only.
#pragma once

#include <memory>

#include "platform/dialog/backend.h"
#include "platform/qt/qt_geometry.h"

class QWidget;

namespace platform {

// A window of `dialogTemplate` whose events go to `events` (which must outlive it), owned by
// the widget `parent` when that is not null (a dialog over it), else a window of its own in the
// middle of the screen.
std::unique_ptr<WindowPeer> makeQtWindow(const DialogTemplate& dialogTemplate, WindowEvents& events,
                                         QWidget* parent);

// The widget of a window made by makeQtWindow (for tests and screenshots); null for other peers.
QWidget* qtWidgetOf(WindowPeer* peer);

// The pixel rectangle of a template rectangle in a window made by makeQtWindow, below its menu
// bar; all zero for other peers.
PixelRect qtPixelsOf(WindowPeer* peer, const DialogRect& rect);

}  // namespace platform
