#include "platform/qt/qt_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDialog>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <QValidator>
#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

#include "platform/dialog/dialog_template.h"
#include "platform/dialog/tree_find.h"
#include "platform/gbk.h"
#include "platform/qt/gbk_codec.h"
#include "platform/qt/qt_find_field.h"
#include "platform/qt/qt_probe.h"
#include "platform/qt/qt_tree_view.h"

namespace platform {

namespace {

// Refuses an edit text longer than the limit in GBK bytes.
class GbkLengthValidator : public QValidator {
 public:
  GbkLengthValidator(std::size_t limit, QObject* parent) : QValidator(parent), limit_(limit) {}
  State validate(QString& input, int& /*pos*/) const override {
    return gbkLengthOf(input) <= limit_ ? Acceptable : Invalid;
  }

 private:
  std::size_t limit_;
};

// The pane shows line breaks only at CR LF, as the system's edit control does: a lone CR or LF
// breaks nothing and shows nothing.
QString paneText(std::string_view gbk) {
  std::string shown;
  shown.reserve(gbk.size());
  for (std::size_t i = 0; i < gbk.size(); ++i) {
    if (gbk[i] == '\r' && i + 1 < gbk.size() && gbk[i + 1] == '\n') {
      shown += '\n';
      ++i;
    } else if (gbk[i] != '\r' && gbk[i] != '\n') {
      shown += gbk[i];
    }
  }
  return qStringFromGbk(shown);
}

QImage iconImage(const IconResource& icon, const IconImage& image) {
  QImage made(image.size, image.size, QImage::Format_RGB32);
  for (int y = 0; y < image.size && y < static_cast<int>(image.rows.size()); ++y) {
    const std::string_view row = image.rows[static_cast<std::size_t>(y)];
    for (int x = 0; x < image.size && x < static_cast<int>(row.size()); ++x) {
      const char digit = row[static_cast<std::size_t>(x)];
      const int index = digit <= '9' ? digit - '0' : (digit & ~0x20) - 'A' + 10;
      made.setPixel(x, y, 0xFF000000u | (*icon.palette)[static_cast<std::size_t>(index & 15)]);
    }
  }
  return made;
}

QIcon makeIcon(const IconResource& icon) {
  QIcon made;
  made.addPixmap(QPixmap::fromImage(iconImage(icon, icon.large)));
  made.addPixmap(QPixmap::fromImage(iconImage(icon, icon.small)));
  return made;
}

// The application's style, with the circles of radio buttons and the boxes of check boxes, and
// the room after them, made `scale` times their size: as much smaller as the window's font was
// made smaller to fit the screen.
class ScaledIndicatorStyle : public QProxyStyle {
 public:
  explicit ScaledIndicatorStyle(double scale)
      : QProxyStyle(QApplication::style()->name()), scale_(scale) {}
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    const int base = QProxyStyle::pixelMetric(metric, option, widget);
    switch (metric) {
      case PM_ExclusiveIndicatorWidth:
      case PM_ExclusiveIndicatorHeight:
      case PM_IndicatorWidth:
      case PM_IndicatorHeight:
      case PM_RadioButtonLabelSpacing:
      case PM_CheckBoxLabelSpacing:
        return std::max(1, static_cast<int>(std::lround(base * scale_)));
      default:
        return base;
    }
  }

 private:
  double scale_;
};

class QtWindow;

// The dialog widget: Esc and the close box become the Cancel command; a resize moves the
// controls by the template's growth rules.
class DialogWidget : public QDialog {
 public:
  DialogWidget(QtWindow& owner, QWidget* parent) : QDialog(parent), owner_(owner) {}
  void reject() override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QtWindow& owner_;
};

class QtWindow : public WindowPeer {
 public:
  QtWindow(const DialogTemplate& dialogTemplate, WindowEvents& events, QWidget* parent)
      : template_(dialogTemplate), events_(events) {
    widget_ = std::make_unique<DialogWidget>(*this, parent);
    widget_->setObjectName(QString::number(dialogTemplate.id));
    widget_->setWindowTitle(qStringFromGbk(dialogTemplate.caption));
    const bool resizable = (dialogTemplate.style & WS_THICKFRAME) != 0;
    // A window of its own (no owner) is a main window to the window manager, not a dialog.
    Qt::WindowFlags flags = (parent == nullptr ? Qt::Window : Qt::Dialog) |
                            Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (!resizable) flags |= Qt::MSWindowsFixedSizeDialogHint;
    if (resizable && (dialogTemplate.style & WS_MAXIMIZEBOX) != 0) {
      flags |= Qt::WindowMaximizeButtonHint;
    }
    widget_->setWindowFlags(flags);

    const QScreen* screen = parent != nullptr ? parent->screen() : QApplication::primaryScreen();
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect();
    QFont font = dialogFont(dialogTemplate);
    if (!dialogTemplate.menuBar.empty()) createMenuBar();
    const auto menuHeight = [this](const QFont& shown) {
      if (menuBar_ == nullptr) return 0;
      menuBar_->setFont(shown);
      menuBar_->ensurePolished();
      return menuBar_->sizeHint().height();
    };
    if (available.isValid()) font = fittingFont(font, dialogTemplate, available.size(), menuHeight);
    widget_->setFont(font);
    units_ = DialogUnits::of(font);
    // The controls stand below the menu bar, in their template places relative to each other.
    controlsTop_ = menuHeight(font);
    // The menus open as windows of their own, which take the application's font, not the
    // window's: they are given the window's, so that the whole window shows one size of text.
    if (menuBar_ != nullptr) {
      for (QMenu* menu : menuBar_->findChildren<QMenu*>()) menu->setFont(font);
    }
    const DialogUnits templateUnits = DialogUnits::of(dialogFont(dialogTemplate));
    templateCharWidth_ = templateUnits.charWidth;
    columnFont_ = columnFont(font, screen != nullptr ? screen->devicePixelRatio() : 1.0);
    // Radio buttons' circles and the tree's image space as much smaller as the font, so that
    // they keep to their frames and rows.
    fontScale_ = std::min(
        1.0, static_cast<double>(units_.charHeight) / std::max(1, templateUnits.charHeight));
    if (fontScale_ < 1.0) controlStyle_ = std::make_unique<ScaledIndicatorStyle>(fontScale_);
    openingSize_ = units_.size(dialogTemplate) + QSize(0, controlsTop_);
    if (menuBar_ != nullptr) menuBar_->setGeometry(0, 0, openingSize_.width(), controlsTop_);
    if (resizable) {
      widget_->setMinimumSize(openingSize_);
      widget_->resize(openingSize_);
    } else {
      widget_->setFixedSize(openingSize_);
    }
    // A window of its own opens in the middle of the screen's available area, its frame included
    // (a dialog over another window is placed over that one).
    if (parent == nullptr && available.isValid()) {
      const QSize framed = openingSize_.grownBy(frameAllowance());
      widget_->move(available.x() + std::max(0, (available.width() - framed.width()) / 2),
                    available.y() + std::max(0, (available.height() - framed.height()) / 2));
    }
    if ((dialogTemplate.style & WS_SYSMENU) != 0) enableContextMenu();
    for (const ControlTemplate& control : dialogTemplate.controls) createControl(control);
    // A group box lies under the controls it frames, in template order among group boxes.
    for (auto box = groupBoxes_.rbegin(); box != groupBoxes_.rend(); ++box) (*box)->lower();
    for (const Accelerator& accelerator : dialogTemplate.accelerators) addAccelerator(accelerator);
    if (tree_ != nullptr) createFindField();
    Probe::instance().whenExposed(*widget_, [this] { probeControls(); });
  }

  ~QtWindow() override {
    // The tree goes with the window before the style it was drawn in.
    delete tree_;
    tree_ = nullptr;
    treeStyle_.reset();
  }

  QWidget* widget() const { return widget_.get(); }

  PixelRect pixels(const DialogRect& rect) const {
    PixelRect placed = units_.pixels(rect);
    placed.y += controlsTop_;
    return placed;
  }

  void cancelCommand() {
    dispatch([this] { events_.onCommand(IDCANCEL); });
  }

  // Places every control for the window's size: at the template's size as the template says,
  // larger by the growth rules.
  void relayout(const QSize& size) {
    const int extraWidth = std::max(0, size.width() - openingSize_.width());
    const int extraHeight = std::max(0, size.height() - openingSize_.height());
    if (menuBar_ != nullptr) menuBar_->setGeometry(0, 0, size.width(), controlsTop_);
    for (const Placed& placed : placed_) {
      const QRect& base = placed.base;
      if (placed.rule == nullptr) {
        placed.widget->setGeometry(base);
        continue;
      }
      const GrowthRule& rule = *placed.rule;
      const auto share = [](double part, int extra) {
        return static_cast<int>(std::lround(part * extra));
      };
      const int left = base.left() + share(rule.moveX, extraWidth);
      const int right = base.left() + base.width() + share(rule.moveX + rule.growX, extraWidth);
      const int top = base.top() + share(rule.moveY, extraHeight);
      const int bottom = base.top() + base.height() + share(rule.moveY + rule.growY, extraHeight);
      placed.widget->setGeometry(left, top, right - left, bottom - top);
    }
    for (Placed& placed : placed_) placed.height = placed.widget->height();
    placeFindField();
  }

  int runModalLoop() override {
    if (ended_) return result_;
    widget_->exec();
    return result_;
  }

  void endDialog(int result) override {
    if (ended_) return;
    ended_ = true;
    result_ = result;
    widget_->done(result);
  }

  bool ended() const override { return ended_; }

  std::string text(int id) const override {
    const auto found = edits_.find(id);
    if (found == edits_.end()) return {};
    const Edit& edit = found->second;
    // A text the program set comes back byte for byte, whatever the widget made of it.
    if (edit.pane != nullptr) return edit.setBytes;
    if (edit.line->text() == edit.setShown) return edit.setBytes;
    return gbkFromQString(edit.line->text());
  }

  void setText(int id, std::string_view gbk) override {
    const auto found = edits_.find(id);
    if (found == edits_.end()) return;
    Edit& edit = found->second;
    if (edit.pane != nullptr) {
      if (edit.setBytes == gbk && !edit.setBytes.empty()) return;  // unchanged: keep the scroll
      edit.setBytes = std::string(gbk);
      const QString shown = paneText(gbk);
      edit.pane->setPlainText(shown);
      if (Probe::instance().on()) {
        Probe::instance().write(QStringLiteral("text %1 %2").arg(id).arg(probeText(shown)));
      }
    } else {
      edit.setBytes = std::string(gbk);
      edit.setShown = qStringFromGbk(gbk);
      // Text set by the program is not held to the typing limit, as in the system's control.
      const QValidator* validator = edit.line->validator();
      edit.line->setValidator(nullptr);
      edit.line->setText(edit.setShown);
      edit.line->setValidator(validator);
    }
  }

  void setLimit(int id, std::size_t bytes) override {
    const auto found = edits_.find(id);
    if (found == edits_.end() || found->second.line == nullptr) return;
    Edit& edit = found->second;
    if (edit.limit == bytes) return;
    edit.limit = bytes;
    delete edit.validator;
    edit.validator = bytes == 0 ? nullptr : new GbkLengthValidator(bytes, edit.line);
    edit.line->setValidator(edit.validator);
  }

  bool isChecked(int id) const override {
    const auto found = radios_.find(id);
    return found != radios_.end() && found->second->isChecked();
  }

  void setChecked(int id, bool checked) override {
    const auto found = radios_.find(id);
    if (found == radios_.end()) return;
    QRadioButton* radio = found->second;
    QButtonGroup* group = radio->group();
    // An exclusive group cannot clear its checked button; -1 (none checked) must be possible.
    if (group != nullptr && !checked) group->setExclusive(false);
    radio->setChecked(checked);
    if (group != nullptr && !checked) group->setExclusive(true);
  }

  const TreeItems* treeItems(int id) const override {
    return tree_ != nullptr && id == treeId_ ? &items_ : nullptr;
  }

  HTREEITEM insertTreeItem(int id, std::string_view gbkLabel, int image, int selectedImage,
                           HTREEITEM parent, HTREEITEM insertAfter, std::intptr_t data) override {
    if (tree_ == nullptr || id != treeId_) return TVI_NULL;
    const HTREEITEM item = items_.insert(gbkLabel, image, selectedImage, data, parent, insertAfter);
    if (item != TVI_NULL) tree_->inserted(item);
    return item;
  }

  bool setTreeItemText(int id, HTREEITEM item, std::string_view gbkLabel) override {
    if (tree_ == nullptr || id != treeId_ || !items_.isItem(item)) return false;
    items_.setLabel(item, gbkLabel);
    tree_->relabelled(item);
    return true;
  }

  bool deleteAllTreeItems(int id) override {
    if (tree_ == nullptr || id != treeId_) return false;
    items_.clear();
    tree_->reset();  // emptying the tree selects nothing a person chose
    return true;
  }

  bool expandTreeItem(int id, HTREEITEM item, unsigned code) override {
    if (tree_ == nullptr || id != treeId_ || !items_.isItem(item)) return false;
    if (!items_.hasChildren(item)) return false;  // nothing to open, as the system's control says
    bool expand = true;
    switch (code) {
      case TVE_EXPAND:
        break;
      case TVE_COLLAPSE:
        expand = false;
        break;
      case TVE_TOGGLE:
        expand = !items_.expanded(item);
        break;
      default:
        return false;
    }
    if (items_.setExpanded(item, expand)) tree_->expansionChanged(item);
    return true;
  }

  bool expandAllTreeItems(int id) override {
    if (tree_ == nullptr || id != treeId_) return false;
    // Those a person closed are counted again one by one; after many, all afresh.
    std::size_t opened = 0;
    items_.expandAll([this, &opened](HTREEITEM item) {
      if (++opened <= 64) tree_->expansionChanged(item);
    });
    if (opened > 64) tree_->recount();
    return true;
  }

  void setTreeImageSize(int id, int width, int height) override {
    if (tree_ != nullptr && id == treeId_) {
      tree_->setImageSize(QSize(static_cast<int>(std::lround(width * fontScale_)),
                                static_cast<int>(std::lround(height * fontScale_))));
    }
  }

  bool selectTreeItem(int id, HTREEITEM item) override {
    if (tree_ == nullptr || id != treeId_ || (item != TVI_NULL && !items_.isItem(item))) {
      return false;
    }
    tree_->setSelected(item);
    return true;
  }

  HTREEITEM selectedTreeItem(int id) const override {
    return tree_ != nullptr && id == treeId_ ? tree_->selected() : TVI_NULL;
  }

  bool ensureTreeItemVisible(int id, HTREEITEM item) override {
    if (tree_ == nullptr || id != treeId_ || !items_.isItem(item)) return false;
    tree_->ensureVisible(item);
    return true;
  }

  bool removeNewestTreeItem(int id) override {
    if (tree_ == nullptr || id != treeId_ || items_.size() == 0) return false;
    const auto newest = static_cast<HTREEITEM>(items_.size());
    if (items_.hasChildren(newest)) return false;
    tree_->removing(newest);
    items_.removeNewest();
    Probe::instance().write(QStringLiteral("removed %1").arg(newest));
    return true;
  }

  bool markTreeItem(int id, HTREEITEM item, bool marked) override {
    if (tree_ == nullptr || id != treeId_ || !items_.isItem(item)) return false;
    if (items_.marked(item) == marked) return true;
    items_.setMarked(item, marked);
    tree_->markChanged(item);
    if (marked && Probe::instance().on() && !markProbePending_) {
      markProbePending_ = true;
      QTimer::singleShot(100, widget_.get(), [this] { probeMarks(); });
    }
    return true;
  }

  // For the probe, once marks are drawn: "marked drawn N of M", the marked items whose label
  // shows on the mark colour in what the tree draws, of the M marked items not selected (the
  // selected one shows the selection).
  void probeMarks() {
    markProbePending_ = false;
    const QImage drawn = tree_->viewport()->grab().toImage();
    const QColor mark = QtTreeView::markColor();
    int shown = 0;
    int marked = 0;
    for (std::size_t i = 1; i <= items_.size(); ++i) {
      const auto item = static_cast<HTREEITEM>(i);
      if (!items_.marked(item) || item == tree_->selected()) continue;
      ++marked;
      const QRect logical = tree_->visualRect(item);
      const qreal ratio = drawn.devicePixelRatio();
      const QRect place = QRect((QPointF(logical.topLeft()) * ratio).toPoint(),
                                (QSizeF(logical.size()) * ratio).toSize())
                              .intersected(drawn.rect());
      bool found = false;
      for (int y = place.top(); y <= place.bottom() && !found; ++y) {
        for (int x = place.left(); x <= place.right() && !found; ++x) {
          found = QColor(drawn.pixel(x, y)) == mark;
        }
      }
      shown += found;
    }
    Probe::instance().write(QStringLiteral("marked drawn %1 of %2").arg(shown).arg(marked));
  }

  void openTreeFind(int id) override {
    if (tree_ != nullptr && id == treeId_ && findField_ != nullptr) openFind();
  }

  void checkMenuBarEntry(unsigned commandId, bool checked) override {
    const auto found = checkEntries_.find(commandId);
    if (found != checkEntries_.end()) found->second->setChecked(checked);
  }

  void setCommandEntry(unsigned commandId, bool enabled, std::string_view gbkText) override {
    const QString text = qStringFromGbk(gbkText);
    const auto [first, last] = menuActions_.equal_range(commandId);
    for (auto at = first; at != last; ++at) {
      QAction* action = at->second;
      // The key after the tab stays as the template shows it.
      const QString shown = action->text();
      const qsizetype tab = shown.indexOf(QLatin1Char('\t'));
      action->setText(tab < 0 ? text : text + shown.mid(tab));
      action->setEnabled(enabled);
    }
    for (MenuEntry& entry : contextEntries_) {
      if (entry.separator || entry.commandId != commandId) continue;
      entry.text = text;
      entry.enabled = enabled;
    }
  }

  void setMenuBarList(unsigned listId, std::span<const std::string> gbkTexts) override {
    const auto found = menuLists_.find(listId);
    if (found == menuLists_.end()) return;
    QMenu* list = found->second;
    list->clear();
    int id = static_cast<int>(listId);
    for (const std::string& text : gbkTexts) {
      ++id;
      // A name's ampersand is shown as it is, not taken for a mnemonic.
      QString shown = qStringFromGbk(text);
      shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
      QAction* action = list->addAction(shown, [this, id] {
        Probe::instance().write(QStringLiteral("command %1").arg(id));
        dispatch([this, id] { events_.onCommand(id); });
      });
      action->setData(id);
    }
    list->setEnabled(!gbkTexts.empty());
  }

  void setTitle(std::string_view gbk) override { widget_->setWindowTitle(qStringFromGbk(gbk)); }

  bool hasSystemMenu() const override { return (template_.style & WS_SYSMENU) != 0; }

  void appendSystemMenu(unsigned flags, unsigned commandId, std::string_view gbk) override {
    menuEntries_.push_back({(flags & MF_SEPARATOR) != 0, commandId, qStringFromGbk(gbk)});
  }

  void appendContextMenu(unsigned flags, unsigned commandId, std::string_view gbk) override {
    enableContextMenu();
    contextEntries_.push_back({(flags & MF_SEPARATOR) != 0, commandId, qStringFromGbk(gbk)});
  }

  void setIcon(const IconResource& icon, bool /*big*/) override {
    widget_->setWindowIcon(makeIcon(icon));
  }

 private:
  struct Edit {
    QLineEdit* line = nullptr;
    QPlainTextEdit* pane = nullptr;
    std::string setBytes;
    QString setShown;
    std::size_t limit = 0;
    QValidator* validator = nullptr;  // owned by the line edit
  };
  struct MenuEntry {
    bool separator;
    unsigned commandId;
    QString text;
    bool enabled = true;
  };
  // A control and where the template puts it.
  struct Placed {
    QWidget* widget;
    QRect base;
    const GrowthRule* rule;  // null: it keeps its place and size
    int height;              // as laid out for the window's present size
  };

  // Runs a dialog event.
  template <typename Event>
  void dispatch(Event&& event) {
    event();
  }

  const GrowthRule* growthRuleOf(const DialogRect& rect) const {
    for (const GrowthRule& rule : template_.growth) {
      const DialogRect& region = rule.region;
      if (rect.x >= region.x && rect.y >= region.y &&
          rect.x + rect.width <= region.x + region.width &&
          rect.y + rect.height <= region.y + region.height) {
        return &rule;
      }
    }
    return nullptr;
  }

  void createControl(const ControlTemplate& control) {
    QWidget* made = makeControlWidget(control);
    if (made == nullptr) return;
    if (control.kind != ControlKind::RadioButton) currentGroup_ = nullptr;
    made->setObjectName(control.id == IDC_STATIC ? QStringLiteral("static")
                                                 : QString::number(control.id));
    made->setProperty("controlId", control.id);
    made->setProperty("controlKind", static_cast<int>(control.kind));
    // Labels, icons and group boxes never take the mouse: a click goes to what lies under them.
    if (control.kind == ControlKind::Label || control.kind == ControlKind::GroupBox ||
        control.kind == ControlKind::Icon) {
      made->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    if ((control.style & WS_TABSTOP) == 0 && control.kind != ControlKind::RadioButton) {
      // An edit box takes the focus when clicked even where the Tab key passes it by.
      made->setFocusPolicy(control.kind == ControlKind::Edit ? Qt::ClickFocus : Qt::NoFocus);
    }
    const PixelRect rect = pixels(control.rect);
    const QRect base(rect.x, rect.y, rect.width, rect.height);
    made->setGeometry(base);
    placed_.push_back({made, base, growthRuleOf(control.rect), base.height()});
  }

  // The widget of a control of the template, of its kind, owned by the window.
  QWidget* makeControlWidget(const ControlTemplate& control) {
    const QString caption = qStringFromGbk(control.caption);
    switch (control.kind) {
      case ControlKind::PushButton:
        return createPushButton(control, caption);
      case ControlKind::RadioButton:
        return createRadioButton(control, caption);
      case ControlKind::Edit:
        return createEdit(control);
      case ControlKind::Label:
        return new QLabel(caption, widget_.get());
      case ControlKind::GroupBox: {
        auto* box = new QGroupBox(caption, widget_.get());
        groupBoxes_.push_back(box);
        return box;
      }
      case ControlKind::Tree:
        return createTree(control);
      case ControlKind::Icon: {
        auto* label = new QLabel(widget_.get());
        if (control.icon != nullptr) {
          label->setPixmap(QPixmap::fromImage(iconImage(*control.icon, control.icon->large)));
        }
        return label;
      }
    }
    return nullptr;
  }

  // A push button whose click is the window's command of its id.
  QWidget* createPushButton(const ControlTemplate& control, const QString& caption) {
    auto* button = new QPushButton(caption, widget_.get());
    if ((control.style & BS_DEFPUSHBUTTON) != 0) button->setDefault(true);
    const int id = control.id;
    QObject::connect(button, &QPushButton::clicked, [this, id] {
      Probe::instance().write(QStringLiteral("clicked %1").arg(id));
      dispatch([this, id] { events_.onCommand(id); });
    });
    return button;
  }

  // A radio button in the group of the buttons before it, or the first of a new group (WS_GROUP,
  // or after another kind of control).
  QWidget* createRadioButton(const ControlTemplate& control, const QString& caption) {
    auto* radio = new QRadioButton(caption, widget_.get());
    radio->setAutoExclusive(false);
    if ((control.style & WS_GROUP) != 0 || currentGroup_ == nullptr) {
      currentGroup_ = new QButtonGroup(widget_.get());
      currentGroup_->setExclusive(true);
    }
    currentGroup_->addButton(radio);
    if (controlStyle_ != nullptr) radio->setStyle(controlStyle_.get());
    radios_[control.id] = radio;
    return radio;
  }

  // An edit box: a pane of several lines (ES_MULTILINE) or a line.
  QWidget* createEdit(const ControlTemplate& control) {
    Edit& edit = edits_[control.id];
    if ((control.style & ES_MULTILINE) == 0) {
      edit.line = new QLineEdit(widget_.get());
      edit.line->setReadOnly((control.style & ES_READONLY) != 0);
      return edit.line;
    }
    edit.pane = new QPlainTextEdit(widget_.get());
    edit.pane->setReadOnly((control.style & ES_READONLY) != 0);
    // Read-only text can still be selected, scrolled with the keys and copied.
    if (edit.pane->isReadOnly()) {
      edit.pane->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
    edit.pane->setVerticalScrollBarPolicy(
        (control.style & WS_VSCROLL) != 0 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
    edit.pane->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    edit.pane->setFont(columnFont_);
    return edit.pane;
  }

  QWidget* createTree(const ControlTemplate& control) {
    tree_ = new QtTreeView(items_, widget_.get());
    tree_->setRootDecorated((control.style & TVS_LINESATROOT) != 0);
    // The classic style draws the dotted connecting lines and the +/- buttons.
    treeStyle_.reset(QStyleFactory::create(QStringLiteral("Windows")));
    if (treeStyle_ != nullptr) tree_->setStyle(treeStyle_.get());
    // Levels step in as far as the font was made smaller to fit the screen.
    const int indentation = tree_->style()->pixelMetric(QStyle::PM_TreeViewIndentation);
    tree_->setIndentation(
        std::max(8, indentation * units_.charWidth / std::max(1, templateCharWidth_)));
    treeId_ = control.id;
    tree_->onPersonSelect = [this] {
      if (!ended_) reportTreeSelection();
    };
    return tree_;
  }

  void reportTreeSelection() {
    const int id = treeId_;
    dispatch([this, id] { events_.onTreeSelect(id); });
  }

  // --- Find field --------------------------------------------------------------------------

  void createFindField() {
    findField_ = new FindField(widget_.get());
    findField_->setObjectName(QStringLiteral("find"));
    findField_->setPlaceholderText(QString::fromUtf16(u"查找"));
    findField_->hide();
    findField_->onNext = [this](bool forward) { findNext(forward, false); };
    findField_->onClose = [this] {
      findField_->hide();
      placeFindField();
      tree_->setFocus();
    };
    QObject::connect(findField_, &QLineEdit::textEdited,
                     [this](const QString&) { findNext(true, true); });
    auto* open = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), widget_.get());
    QObject::connect(open, &QShortcut::activated, [this] { openFind(); });
  }

  void openFind() {
    findField_->show();
    placeFindField();
    findField_->raise();
    findField_->setFocus();
    findField_->selectAll();
  }

  // An open find field takes the foot of the tree's place, so that the tree shows every item it
  // scrolls to; a closed one gives it back.
  void placeFindField() {
    if (findField_ == nullptr) return;
    const auto placed = std::find_if(placed_.begin(), placed_.end(),
                                     [this](const Placed& p) { return p.widget == tree_; });
    if (placed == placed_.end()) return;
    QRect tree = tree_->geometry();
    tree.setHeight(std::max(0, placed->height));
    if (findField_->isVisible()) {
      const int height = findField_->sizeHint().height();
      findField_->setGeometry(tree.left(), tree.bottom() - height + 1, tree.width(), height);
      tree.setHeight(std::max(0, tree.height() - height - 2));
    }
    tree_->setGeometry(tree);
  }

  // Selects the next item (the previous one when not `forward`) after the selected item, or from
  // it when `fromHere`, whose label matches the find field's text (platform/dialog/tree_find.h),
  // wrapping round; a person's selection, so the window shows the person. The field turns red
  // when nothing matches. A character GBK lacks is in no label.
  void findNext(bool forward, bool fromHere) {
    findField_->showFound(true);
    const QString wanted = findField_->text();
    if (wanted.isEmpty() || items_.size() == 0) return;
    const QByteArray utf8 = wanted.toUtf8();
    const std::string gbk =
        utf8ToGbk(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), '\0');
    const HTREEITEM selected = tree_->selected();
    const HTREEITEM found = nextMatch(items_, selected, gbk, forward, fromHere);
    if (found == TVI_NULL) {
      findField_->showFound(false);
    } else if (found != selected) {
      tree_->choose(found);  // reported as a person's selection
    }
  }

  void addAccelerator(const Accelerator& accelerator) {
    if ((accelerator.flags & FVIRTKEY) == 0 || accelerator.key < 'A' || accelerator.key > 'Z') {
      return;
    }
    const auto key = static_cast<Qt::Key>(Qt::Key_A + static_cast<int>(accelerator.key - 'A'));
    Qt::KeyboardModifiers modifiers;
    if ((accelerator.flags & FCONTROL) != 0) modifiers |= Qt::ControlModifier;
    if ((accelerator.flags & FSHIFT) != 0) modifiers |= Qt::ShiftModifier;
    auto* shortcut = new QShortcut(QKeySequence(QKeyCombination(modifiers, key)), widget_.get());
    const int command = accelerator.command;
    const bool outsideEdit = (accelerator.flags & FOUTSIDEEDIT) != 0;
    QObject::connect(shortcut, &QShortcut::activated, [this, command, outsideEdit, key, modifiers] {
      // In an edit box a person can type into, the key is the box's own (Ctrl+Z undoes typing).
      QWidget* focus = QApplication::focusWidget();
      if (outsideEdit && isTypingBox(focus)) {
        if (forwardingKey_) return;  // the box did not take it: nothing more to do
        forwardingKey_ = true;
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(focus, &press);
        forwardingKey_ = false;
        return;
      }
      dispatch([this, command] { events_.onCommand(command); });
    });
  }

  static bool isTypingBox(const QWidget* widget) {
    if (const auto* line = qobject_cast<const QLineEdit*>(widget)) return !line->isReadOnly();
    if (const auto* text = qobject_cast<const QPlainTextEdit*>(widget)) return !text->isReadOnly();
    return false;
  }

  // --- Menu bar ------------------------------------------------------------------------------

  // The template's menu bar: a menu for each title in the order of its first entry. Choosing an
  // entry is the command of its id; the key after a tab is shown at the entry's right.
  void createMenuBar() {
    menuBar_ = new QMenuBar(widget_.get());
    menuBar_->setObjectName(QStringLiteral("menubar"));
    menuBar_->setNativeMenuBar(false);
    std::vector<std::pair<std::string_view, QMenu*>> menus;
    for (const MenuBarEntry& entry : template_.menuBar) {
      auto found = std::find_if(menus.begin(), menus.end(),
                                [&entry](const auto& menu) { return menu.first == entry.menu; });
      if (found == menus.end()) {
        QMenu* made = menuBar_->addMenu(qStringFromGbk(entry.menu));
        made->setObjectName(QStringLiteral("menu%1").arg(menus.size()));
        QObject::connect(made, &QMenu::aboutToShow,
                         [made] { Probe::instance().whenMenuShows(*made); });
        menus.emplace_back(entry.menu, made);
        found = menus.end() - 1;
      }
      if ((entry.flags & MF_SEPARATOR) != 0) {
        found->second->addSeparator();
        continue;
      }
      const int id = entry.command;
      if ((entry.flags & MF_POPUP) != 0) {
        QMenu* list = found->second->addMenu(qStringFromGbk(entry.text));
        list->menuAction()->setData(id);
        list->setEnabled(false);  // empty until the window sets its entries
        QObject::connect(list, &QMenu::aboutToShow,
                         [list] { Probe::instance().whenMenuShows(*list); });
        menuLists_[static_cast<unsigned>(id)] = list;
        continue;
      }
      QAction* action = found->second->addAction(qStringFromGbk(entry.text), [this, id] {
        Probe::instance().write(QStringLiteral("command %1").arg(id));
        dispatch([this, id] { events_.onCommand(id); });
      });
      action->setData(id);
      menuActions_.emplace(static_cast<unsigned>(id), action);
      if ((entry.flags & MF_CHECKMARK) != 0) {
        action->setCheckable(true);
        checkEntries_[static_cast<unsigned>(id)] = action;
      }
    }
  }

  void enableContextMenu() {
    if (widget_->contextMenuPolicy() == Qt::CustomContextMenu) return;
    widget_->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(widget_.get(), &QWidget::customContextMenuRequested,
                     [this](const QPoint& at) { showContextMenu(at); });
  }

  // The system-menu entries (their choice is a system command), then the window's own entries
  // (their choice is a command).
  void showContextMenu(const QPoint& at) {
    QMenu menu(widget_.get());
    menu.setFont(widget_->font());  // a window of its own: the window's size of text
    for (const MenuEntry& entry : menuEntries_) {
      if (entry.separator) {
        menu.addSeparator();
        continue;
      }
      const unsigned id = entry.commandId;
      menu.addAction(entry.text,
                     [this, id] { dispatch([this, id] { events_.onSysCommand(id); }); });
    }
    for (const MenuEntry& entry : contextEntries_) {
      if (entry.separator) {
        menu.addSeparator();
        continue;
      }
      const int id = static_cast<int>(entry.commandId);
      QAction* action = menu.addAction(
          entry.text, [this, id] { dispatch([this, id] { events_.onCommand(id); }); });
      action->setEnabled(entry.enabled);
    }
    if (!menu.isEmpty()) menu.exec(widget_->mapToGlobal(at));
  }

  void probeControls() {
    Probe& probe = Probe::instance();
    for (const Placed& placed : placed_) {
      const int id = placed.widget->property("controlId").toInt();
      const bool push = qobject_cast<QPushButton*>(placed.widget) != nullptr;
      if (id != IDC_STATIC) {
        probe.writePlace(QStringLiteral("control %1 %2").arg(id).arg(push ? "push" : "other"),
                         *placed.widget);
      }
    }
    if (menuBar_ != nullptr) probe.writeMenuTitles(*menuBar_);
    probe.writePlace(QStringLiteral("shown %1").arg(template_.id), *widget_);
  }

  const DialogTemplate& template_;
  WindowEvents& events_;
  // The style of the controls whose look is scaled with the font; made before the widget and
  // gone after it (null: the application's style serves).
  std::unique_ptr<QStyle> controlStyle_;
  std::unique_ptr<DialogWidget> widget_;
  DialogUnits units_;
  int templateCharWidth_ = 6;  // at the template's own font size
  double fontScale_ = 1.0;     // the window's font height to the template font's, at most 1
  QFont columnFont_;
  QSize openingSize_;
  QMenuBar* menuBar_ = nullptr;                    // owned by the widget; null without a menu bar
  std::map<unsigned, QAction*> checkEntries_;      // the menu bar's entries with a check mark
  std::multimap<unsigned, QAction*> menuActions_;  // the menu bar's entries by command
  std::map<unsigned, QMenu*> menuLists_;           // the lists the menu bar's MF_POPUP entries open
  int controlsTop_ = 0;                            // the menu bar's height
  bool forwardingKey_ = false;  // an accelerator's key is being handed to an edit box
  bool markProbePending_ = false;
  std::vector<Placed> placed_;
  std::vector<QGroupBox*> groupBoxes_;  // owned by the widget
  std::map<int, Edit> edits_;
  std::map<int, QRadioButton*> radios_;  // owned by the widget
  QButtonGroup* currentGroup_ = nullptr;
  TreeItems items_;             // the tree control's (a window has one at most)
  QtTreeView* tree_ = nullptr;  // owned by the widget
  int treeId_ = 0;
  FindField* findField_ = nullptr;
  std::unique_ptr<QStyle> treeStyle_;
  std::vector<MenuEntry> menuEntries_;
  std::vector<MenuEntry> contextEntries_;
  bool ended_ = false;
  int result_ = IDCANCEL;
};

void DialogWidget::reject() { owner_.cancelCommand(); }

void DialogWidget::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  owner_.relayout(size());
}

}  // namespace

std::unique_ptr<WindowPeer> makeQtWindow(const DialogTemplate& dialogTemplate, WindowEvents& events,
                                         QWidget* parent) {
  return std::make_unique<QtWindow>(dialogTemplate, events, parent);
}

QWidget* qtWidgetOf(WindowPeer* peer) {
  auto* window = dynamic_cast<QtWindow*>(peer);
  return window == nullptr ? nullptr : window->widget();
}

PixelRect qtPixelsOf(WindowPeer* peer, const DialogRect& rect) {
  auto* window = dynamic_cast<QtWindow*>(peer);
  return window == nullptr ? PixelRect{0, 0, 0, 0} : window->pixels(rect);
}

}  // namespace platform
