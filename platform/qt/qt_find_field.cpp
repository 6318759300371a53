#include "platform/qt/qt_find_field.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPalette>
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gbk.h"

namespace platform {
namespace {

// The find field's text, matched against GBK labels at character boundaries, a letter of either
// case alike (ASCII, and GBK's full-width Latin, Greek and Cyrillic letters).
class GbkMatcher {
 public:
  explicit GbkMatcher(const QString& wanted) {
    const QByteArray utf8 = wanted.toUtf8();
    const std::string gbk =
        utf8ToGbk(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), '\0');
    // A character that GBK lacks is in no label.
    impossible_ = gbk.find('\0') != std::string::npos;
    characters(gbk, wanted_);
  }
  bool matches(std::string_view label) const {
    if (impossible_) return false;
    characters(label, label_);
    return std::search(label_.begin(), label_.end(), wanted_.begin(), wanted_.end()) !=
           label_.end();
  }

 private:
  static std::uint16_t fold(std::uint16_t c) {
    if (c >= 'A' && c <= 'Z') return static_cast<std::uint16_t>(c + 0x20);
    if ((c >= 0xA3C1 && c <= 0xA3DA) || (c >= 0xA6A1 && c <= 0xA6B8)) {
      return static_cast<std::uint16_t>(c + 0x20);
    }
    if (c >= 0xA7A1 && c <= 0xA7C1) return static_cast<std::uint16_t>(c + 0x30);
    return c;
  }
  // One code a character: its byte, or its two bytes; 0xFFFF for a byte that starts none.
  static void characters(std::string_view gbk, std::vector<std::uint16_t>& out) {
    out.clear();
    for (std::size_t i = 0; i < gbk.size();) {
      const std::size_t length = gbkCharLength(gbk.substr(i));
      const auto lead = static_cast<unsigned char>(gbk[i]);
      if (length == 2) {
        out.push_back(
            fold(static_cast<std::uint16_t>(lead << 8 | static_cast<unsigned char>(gbk[i + 1]))));
      } else {
        out.push_back(length == 1 ? fold(lead) : 0xFFFF);
      }
      i += length == 2 ? 2 : 1;
    }
  }

  std::vector<std::uint16_t> wanted_;
  mutable std::vector<std::uint16_t> label_;
  bool impossible_ = false;
};

}  // namespace

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

HTREEITEM nextMatch(const TreeItems& items, HTREEITEM selected, const QString& wanted, bool forward,
                    bool fromHere) {
  if (wanted.isEmpty() || items.size() == 0) return TVI_NULL;
  const GbkMatcher matcher(wanted);
  const auto step = [&items, forward](HTREEITEM item) {
    const HTREEITEM next = forward ? items.nextInPreOrder(item) : items.previousInPreOrder(item);
    if (next != TVI_NULL) return next;
    return forward ? items.firstRoot() : items.lastInPreOrder();
  };
  HTREEITEM item = selected == TVI_NULL ? (forward ? items.firstRoot() : items.lastInPreOrder())
                   : fromHere           ? selected
                                        : step(selected);
  for (std::size_t checked = 0; checked < items.size(); ++checked, item = step(item)) {
    if (matcher.matches(items.label(item))) return item;
  }
  return TVI_NULL;
}

}  // namespace platform
