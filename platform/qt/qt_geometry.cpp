#include "platform/qt/qt_geometry.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <algorithm>

#include "platform/qt/gbk_codec.h"

namespace platform {
namespace {

// Faces with Chinese glyphs, in order of preference, for a template face that is not installed.
constexpr const char* kCjkFaces[] = {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Noto Sans SC",
                                     "AR PL UMing CN", "Droid Sans Fallback"};
// Faces whose ASCII glyphs are exactly half as wide as their Chinese ones, so that texts laid out
// in columns of spaces line up, as in 宋体. (WenQuanYi Micro Hei Mono is not one: its ASCII is
// 0.6 of a Chinese glyph.) Each is measured before it is used.
constexpr const char* kColumnFaces[] = {"WenQuanYi Zen Hei Mono", "AR PL UMing CN",
                                        "Noto Sans Mono CJK SC", "NSimSun", "SimSun"};
// The smallest dialog font the window shrinks to on a small screen.
constexpr double kSmallestPoints = 4.0;

bool hasHalfWidthAscii(const QFont& font) {
  const QFontMetricsF metrics(font);
  const qreal wide = metrics.horizontalAdvance(QChar(u'贾'));
  for (const char16_t c : {u' ', u'a', u'W', u'1', u'.'}) {
    if (metrics.horizontalAdvance(QChar(c)) * 2 != wide) return false;
  }
  return wide > 0;
}

}  // namespace

QFont dialogFont(const DialogTemplate& dialogTemplate) {
  const QStringList families = QFontDatabase::families();
  QString family = qStringFromGbk(dialogTemplate.fontName);
  if (!families.contains(family) && !families.contains(QStringLiteral("SimSun"))) {
    for (const char* candidate : kCjkFaces) {
      if (families.contains(QString::fromLatin1(candidate))) {
        family = QString::fromLatin1(candidate);
        break;
      }
    }
  } else if (!families.contains(family)) {
    family = QStringLiteral("SimSun");
  }
  QFont font(family);
  font.setPointSize(dialogTemplate.fontPoints);
  return font;
}

QFont columnFont(const QFont& dialog, qreal devicePixelRatio) {
  const QStringList families = QFontDatabase::families();
  // The dialog font's size in the screen's own pixels, to the nearest even number of them, so
  // that half a Chinese glyph is a whole pixel of the screen at any scale.
  const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
  const QScreen* screen = QGuiApplication::primaryScreen();
  const qreal dpi = screen != nullptr ? screen->logicalDotsPerInchY() : 96.0;
  const qreal logical =
      dialog.pixelSize() > 0 ? dialog.pixelSize() : dialog.pointSizeF() * dpi / 72;
  const int device = std::max(8, 2 * qRound(logical * ratio / 2));
  const int pixels = std::max(4, qRound(device / ratio));
  for (const char* face : kColumnFaces) {
    const QString family = QString::fromLatin1(face);
    if (!families.contains(family)) continue;
    QFont font(family);
    font.setPixelSize(pixels);
    if (QFontInfo(font).family() == family && hasHalfWidthAscii(font)) return font;
  }
  return dialog;
}

QMargins frameAllowance() {
  const int titleBar = QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
  return {2, titleBar + 4, 2, 2};
}

QFont fittingFont(QFont font, const DialogTemplate& dialogTemplate, const QSize& available,
                  const std::function<int(const QFont&)>& menuHeight) {
  const QSize room = available.shrunkBy(frameAllowance());
  for (double points = font.pointSizeF(); points >= kSmallestPoints; points -= 0.5) {
    font.setPointSizeF(points);
    const QSize size = DialogUnits::of(font).size(dialogTemplate);
    if (size.width() <= room.width() && size.height() + menuHeight(font) <= room.height()) break;
  }
  return font;
}

DialogUnits DialogUnits::of(const QFont& font) {
  const QFontMetrics metrics(font);
  const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  return {(metrics.horizontalAdvance(alphabet) / 26 + 1) / 2, metrics.height()};
}

}  // namespace platform
