#include "platform/qt/qt_find_field.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPalette>

namespace platform {

void FindField::showFound(bool found) {
  QPalette shown = palette();
  shown.setColor(QPalette::Text, found ? QApplication::palette().color(QPalette::Text) : Qt::red);
  setPalette(shown);
}

void FindField::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      onNext(true);
      return;
    case Qt::Key_F3:
      onNext((event->modifiers() & Qt::ShiftModifier) == 0);
      return;
    case Qt::Key_Escape:
      onClose();
      return;
    default:
      QLineEdit::keyPressEvent(event);
  }
}

}  // namespace platform
