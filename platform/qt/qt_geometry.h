// The geometry of a window made from a dialog template: its fonts and the pixels of its dialog
// units. Geometry comes from the template's dialog units and the dialog font's metrics (宋体 9 pt
// where installed, otherwise an installed CJK face): horizontal px = du * average character
// width / 4, vertical px = du * character height / 8. Where the window would not fit the screen's
// available area, the dialog font is made smaller until it does. Multi-line edit boxes show their
// text in a face whose ASCII is half as wide as its Chinese glyphs, so that columns of spaces
// line up.
//
// Requires a QApplication. GUI thread only.
#pragma once

#include <QFont>
#include <QMargins>
#include <QSize>
#include <functional>

#include "platform/dialog/dialog_template.h"

namespace platform {

// A rectangle in pixels.
struct PixelRect {
  int x, y, width, height;
};

// The dialog font: the template's face where installed, else an installed CJK face, at the
// template's size.
QFont dialogFont(const DialogTemplate& dialogTemplate);

// The font of a multi-line edit box: a column face of the dialog font's size to the nearest even
// number of the screen's own pixels (`devicePixelRatio` of them to a pixel of the window), so
// that half a Chinese glyph is a whole pixel at any scale; or the dialog font itself when no
// column face is installed.
QFont columnFont(const QFont& dialog, qreal devicePixelRatio = 1.0);

// Pixels per dialog unit: a quarter of the font's average character width across, an eighth of
// its height down.
struct DialogUnits {
  int charWidth = 6;
  int charHeight = 12;

  static DialogUnits of(const QFont& font);
  PixelRect pixels(const DialogRect& rect) const {
    return {rect.x * charWidth / 4, rect.y * charHeight / 8, rect.width * charWidth / 4,
            rect.height * charHeight / 8};
  }
  QSize size(const DialogTemplate& dialogTemplate) const {
    const PixelRect rect = pixels({0, 0, dialogTemplate.width, dialogTemplate.height});
    return {rect.width, rect.height};
  }
};

// Room for the frame a window manager puts around the window, which is not known before the
// window shows: a title bar above and a border on every side.
QMargins frameAllowance();

// The dialog font scaled down, half a point at a time (to 4 points at the least), until the whole
// window, its frame allowance included, fits `available`; unchanged when it fits already.
// `menuHeight` gives the height of the window's menu bar in a font (0 without one).
QFont fittingFont(QFont font, const DialogTemplate& dialogTemplate, const QSize& available,
                  const std::function<int(const QFont&)>& menuHeight);

}  // namespace platform
