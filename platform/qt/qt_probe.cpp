#include "platform/qt/qt_probe.h"

#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cmath>

namespace platform {
namespace {

// Watches a window for its first exposure.
class ExposureWatch : public QObject {
 public:
  ExposureWatch(QObject* parent, std::function<void()> shown)
      : QObject(parent), shown_(std::move(shown)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose && shown_) {
      auto* window = qobject_cast<QWindow*>(watched);
      if (window != nullptr && window->isExposed()) {
        auto shown = std::move(shown_);
        shown_ = nullptr;
        QTimer::singleShot(0, this, shown);
      }
    }
    return false;
  }

 private:
  std::function<void()> shown_;
};

// "NAME X Y W H" for the rectangle `place` of `widget`, in device pixels on the screen.
QString placeLine(const QString& name, const QWidget& widget, const QRect& place) {
  const qreal scale = widget.devicePixelRatioF();
  const QPoint at = widget.mapToGlobal(place.topLeft());
  return QStringLiteral("%1 %2 %3 %4 %5")
      .arg(name)
      .arg(std::lround(at.x() * scale))
      .arg(std::lround(at.y() * scale))
      .arg(std::lround(place.width() * scale))
      .arg(std::lround(place.height() * scale));
}

}  // namespace

Probe& Probe::instance() {
  static Probe probe;
  return probe;
}

Probe::Probe() {
  const QString path = qEnvironmentVariable("QUILLET_WINDOW_PROBE");
  if (path.isEmpty()) return;
  file_.setFileName(path);
  if (!file_.open(QIODevice::Append | QIODevice::Text)) file_.setFileName(QString());
}

void Probe::write(const QString& line) {
  if (!on()) return;
  file_.write(line.toUtf8() + '\n');
  file_.flush();
}

void Probe::writePlace(const QString& name, const QWidget& widget) {
  write(placeLine(name, widget, QRect(QPoint(0, 0), widget.size())));
}

void Probe::writeMenuTitles(const QMenuBar& menuBar) {
  const QList<QAction*> titles = menuBar.actions();
  for (int i = 0; i < titles.size(); ++i) {
    write(placeLine(QStringLiteral("menu %1").arg(i), menuBar, menuBar.actionGeometry(titles[i])));
  }
}

void Probe::whenExposed(QWidget& widget, std::function<void()> shown) {
  if (!on()) return;
  widget.winId();  // makes the native window, so that its exposure can be watched
  if (QWindow* window = widget.windowHandle()) {
    window->installEventFilter(new ExposureWatch(&widget, std::move(shown)));
  }
}

void Probe::whenMenuShows(QMenu& menu) {
  if (!on()) return;
  QTimer::singleShot(50, &menu, [this, &menu] {
    for (QAction* action : menu.actions()) {
      if (action->isSeparator()) continue;
      const QRect place = action->isVisible() ? menu.actionGeometry(action) : QRect();
      // The entry's state and its text without the key shown after a tab.
      write(placeLine(QStringLiteral("entry %1").arg(action->data().toInt()), menu, place) +
            (action->isEnabled() ? QStringLiteral(" on ") : QStringLiteral(" off ")) +
            probeText(action->text().section(QLatin1Char('\t'), 0, 0)));
    }
  });
}

QString probeText(const QString& text) {
  QString line = text;
  return line.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
      .replace(QLatin1Char('\n'), QStringLiteral("\\n"));
}

}  // namespace platform
