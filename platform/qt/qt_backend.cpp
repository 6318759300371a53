#include "platform/qt/qt_backend.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <QTreeWidget>
#include <QValidator>
#include <map>

#include "platform/dialog/dialog_template.h"
#include "platform/qt/gbk_codec.h"

namespace platform {

namespace {

// The dialog font: the template's face where installed, else an installed CJK face.
QFont dialogFont(const DialogTemplate& dialogTemplate) {
  const QStringList families = QFontDatabase::families();
  QString family = qStringFromGbk(dialogTemplate.fontName);
  if (!families.contains(family) && !families.contains(QStringLiteral("SimSun"))) {
    for (const char* candidate : {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Noto Sans SC",
                                  "AR PL UMing CN", "Droid Sans Fallback"}) {
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

class QtWindow;

// The dialog widget: Esc and the close box become the Cancel command.
class DialogWidget : public QDialog {
 public:
  DialogWidget(QtWindow& owner, QWidget* parent) : QDialog(parent), owner_(owner) {}
  void reject() override;

 private:
  QtWindow& owner_;
};

class QtWindow : public WindowPeer {
 public:
  QtWindow(QtBackend& backend, const DialogTemplate& dialogTemplate, WindowEvents& events,
           QWidget* parent)
      : backend_(backend), template_(dialogTemplate), events_(events) {
    widget_ = std::make_unique<DialogWidget>(*this, parent);
    widget_->setObjectName(QString::number(dialogTemplate.id));
    widget_->setWindowTitle(qStringFromGbk(dialogTemplate.caption));
    widget_->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                            Qt::MSWindowsFixedSizeDialogHint);
    widget_->setFont(dialogFont(dialogTemplate));
    const QFontMetrics metrics(widget_->font());
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    averageCharWidth_ = (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2;
    charHeight_ = metrics.height();
    const PixelRect size = pixels({0, 0, dialogTemplate.width, dialogTemplate.height});
    widget_->setFixedSize(size.width, size.height);
    if ((dialogTemplate.style & WS_SYSMENU) != 0) {
      widget_->setContextMenuPolicy(Qt::CustomContextMenu);
      QObject::connect(widget_.get(), &QWidget::customContextMenuRequested,
                       [this](const QPoint& at) { showContextMenu(at); });
    }
    for (const ControlTemplate& control : dialogTemplate.controls) createControl(control);
  }

  ~QtWindow() override {
    deletePending();
    treeStyle_.reset();
  }

  QWidget* widget() const { return widget_.get(); }

  PixelRect pixels(const DialogRect& rect) const {
    return {rect.x * averageCharWidth_ / 4, rect.y * charHeight_ / 8,
            rect.width * averageCharWidth_ / 4, rect.height * charHeight_ / 8};
  }

  void cancelCommand() {
    dispatch([this] { events_.onCommand(IDCANCEL); });
  }

  int runModalLoop() override {
    flushTree();
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
    edit.setBytes = std::string(gbk);
    if (edit.pane != nullptr) {
      edit.pane->setPlainText(paneText(gbk));
    } else {
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

  HTREEITEM insertTreeItem(int id, std::string_view gbkLabel, int image, int selectedImage,
                           HTREEITEM parent, HTREEITEM /*insertAfter*/) override {
    if (tree_ == nullptr || id != treeId_) return TVI_NULL;
    auto* item = new QTreeWidgetItem(QStringList(qStringFromGbk(gbkLabel)));
    item->setIcon(0, blankIcon_);
    item->setData(0, Qt::UserRole, image);
    item->setData(0, Qt::UserRole + 1, selectedImage);
    if (parent == TVI_ROOT || parent == TVI_NULL) {
      // Added to the widget at the next flush: after the running event, or by the event loop.
      if (pendingTopLevel_.empty()) {
        QTimer::singleShot(0, widget_.get(), [this] { flushTree(); });
      }
      pendingTopLevel_.push_back(item);
    } else if (parent >= 1 && static_cast<std::size_t>(parent) <= treeItems_.size()) {
      treeItems_[static_cast<std::size_t>(parent - 1)]->addChild(item);
    } else {
      delete item;
      return TVI_NULL;
    }
    treeItems_.push_back(item);
    expandWanted_.push_back(false);
    return static_cast<HTREEITEM>(treeItems_.size());
  }

  bool deleteAllTreeItems(int id) override {
    if (tree_ == nullptr || id != treeId_) return false;
    deletePending();
    tree_->clear();
    treeItems_.clear();
    expandWanted_.clear();
    return true;
  }

  bool expandTreeItem(int id, HTREEITEM item, unsigned code) override {
    if (tree_ == nullptr || id != treeId_ || item < 1 ||
        static_cast<std::size_t>(item) > treeItems_.size()) {
      return false;
    }
    const std::size_t index = static_cast<std::size_t>(item - 1);
    const bool expand = code == TVE_EXPAND || (code == TVE_TOGGLE && !expandWanted_[index]);
    expandWanted_[index] = expand;
    if (treeItems_[index]->treeWidget() != nullptr) treeItems_[index]->setExpanded(expand);
    return true;
  }

  void setTreeImageSize(int id, int width, int height) override {
    if (tree_ == nullptr || id != treeId_) return;
    tree_->setIconSize(QSize(width, height));
    QPixmap blank(std::max(width, 1), std::max(height, 1));
    blank.fill(Qt::transparent);
    blankIcon_ = QIcon(blank);
  }

  bool hasSystemMenu() const override { return (template_.style & WS_SYSMENU) != 0; }

  void appendSystemMenu(unsigned flags, unsigned commandId, std::string_view gbk) override {
    menuEntries_.push_back({(flags & MF_SEPARATOR) != 0, commandId, qStringFromGbk(gbk)});
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
  };

  // Runs a dialog event, then brings the tree widget up to date with what the handler built.
  template <typename Event>
  void dispatch(Event&& event) {
    event();
    if (!ended_) flushTree();
  }

  void createControl(const ControlTemplate& control) {
    QWidget* made = nullptr;
    const QString caption = qStringFromGbk(control.caption);
    switch (control.kind) {
      case ControlKind::PushButton: {
        auto* button = new QPushButton(caption, widget_.get());
        if ((control.style & BS_DEFPUSHBUTTON) != 0) button->setDefault(true);
        const int id = control.id;
        QObject::connect(button, &QPushButton::clicked,
                         [this, id] { dispatch([this, id] { events_.onCommand(id); }); });
        made = button;
        break;
      }
      case ControlKind::RadioButton: {
        auto* radio = new QRadioButton(caption, widget_.get());
        radio->setAutoExclusive(false);
        if ((control.style & WS_GROUP) != 0 || currentGroup_ == nullptr) {
          currentGroup_ = new QButtonGroup(widget_.get());
          currentGroup_->setExclusive(true);
        }
        currentGroup_->addButton(radio);
        radios_[control.id] = radio;
        made = radio;
        break;
      }
      case ControlKind::Edit: {
        Edit& edit = edits_[control.id];
        if ((control.style & ES_MULTILINE) != 0) {
          edit.pane = new QPlainTextEdit(widget_.get());
          edit.pane->setReadOnly((control.style & ES_READONLY) != 0);
          edit.pane->setVerticalScrollBarPolicy(
              (control.style & WS_VSCROLL) != 0 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
          edit.pane->setLineWrapMode(QPlainTextEdit::WidgetWidth);
          made = edit.pane;
        } else {
          edit.line = new QLineEdit(widget_.get());
          edit.line->setReadOnly((control.style & ES_READONLY) != 0);
          made = edit.line;
        }
        break;
      }
      case ControlKind::Label:
        made = new QLabel(caption, widget_.get());
        break;
      case ControlKind::GroupBox:
        made = new QGroupBox(caption, widget_.get());
        break;
      case ControlKind::Tree: {
        tree_ = new QTreeWidget(widget_.get());
        tree_->setHeaderHidden(true);
        tree_->setColumnCount(1);
        tree_->setRootIsDecorated((control.style & TVS_LINESATROOT) != 0);
        tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        tree_->setUniformRowHeights(true);
        // The classic style draws the dotted connecting lines and the +/- buttons.
        treeStyle_.reset(QStyleFactory::create(QStringLiteral("Windows")));
        if (treeStyle_ != nullptr) tree_->setStyle(treeStyle_.get());
        treeId_ = control.id;
        made = tree_;
        break;
      }
      case ControlKind::Icon: {
        auto* label = new QLabel(widget_.get());
        label->setPixmap(QPixmap(32, 32));
        made = label;
        break;
      }
    }
    if (made == nullptr) return;
    if (control.kind != ControlKind::RadioButton) currentGroup_ = nullptr;
    made->setObjectName(control.id == IDC_STATIC ? QStringLiteral("static")
                                                 : QString::number(control.id));
    made->setProperty("controlId", control.id);
    made->setProperty("controlKind", static_cast<int>(control.kind));
    if ((control.style & WS_TABSTOP) == 0 && control.kind != ControlKind::RadioButton) {
      made->setFocusPolicy(Qt::NoFocus);
    }
    const PixelRect rect = pixels(control.rect);
    made->setGeometry(rect.x, rect.y, rect.width, rect.height);
  }

  // Adds the top-level items built since the last flush, then opens what the fill expanded: all
  // at once when every item with children is to be open, as after every fill.
  void flushTree() {
    if (tree_ == nullptr || pendingTopLevel_.empty()) return;
    QList<QTreeWidgetItem*> items(pendingTopLevel_.begin(), pendingTopLevel_.end());
    pendingTopLevel_.clear();
    tree_->addTopLevelItems(items);
    bool allOpen = true;
    for (std::size_t i = 0; i < treeItems_.size() && allOpen; ++i) {
      allOpen = expandWanted_[i] || treeItems_[i]->childCount() == 0;
    }
    if (allOpen) {
      tree_->expandAll();
    } else {
      for (std::size_t i = 0; i < treeItems_.size(); ++i) {
        if (expandWanted_[i]) treeItems_[i]->setExpanded(true);
      }
    }
  }

  void deletePending() {
    for (QTreeWidgetItem* item : pendingTopLevel_) delete item;
    pendingTopLevel_.clear();
  }

  void showContextMenu(const QPoint& at) {
    QMenu menu(widget_.get());
    for (const MenuEntry& entry : menuEntries_) {
      if (entry.separator) {
        menu.addSeparator();
        continue;
      }
      const unsigned id = entry.commandId;
      menu.addAction(entry.text,
                     [this, id] { dispatch([this, id] { events_.onSysCommand(id); }); });
    }
    if (!backend_.contextActions().empty()) menu.addSeparator();
    for (const QtBackend::ContextAction& action : backend_.contextActions()) {
      auto run = action.run;
      QWidget* window = widget_.get();
      menu.addAction(action.text, [run, window] { run(window); });
    }
    if (!menu.isEmpty()) menu.exec(widget_->mapToGlobal(at));
  }

  QtBackend& backend_;
  const DialogTemplate& template_;
  WindowEvents& events_;
  std::unique_ptr<DialogWidget> widget_;
  int averageCharWidth_ = 6;
  int charHeight_ = 12;
  std::map<int, Edit> edits_;
  std::map<int, QRadioButton*> radios_;  // owned by the widget
  QButtonGroup* currentGroup_ = nullptr;
  QTreeWidget* tree_ = nullptr;
  int treeId_ = 0;
  std::unique_ptr<QStyle> treeStyle_;
  QIcon blankIcon_;
  std::vector<QTreeWidgetItem*> treeItems_;  // handle n is entry n - 1; owned by their parents
  std::vector<bool> expandWanted_;
  std::vector<QTreeWidgetItem*> pendingTopLevel_;  // owned here until flushed
  std::vector<MenuEntry> menuEntries_;
  bool ended_ = false;
  int result_ = IDCANCEL;
};

void DialogWidget::reject() { owner_.cancelCommand(); }

}  // namespace

QtBackend::QtBackend() = default;
QtBackend::~QtBackend() = default;

std::unique_ptr<WindowPeer> QtBackend::createWindow(const DialogTemplate& dialogTemplate,
                                                    WindowEvents& events, WindowPeer* parent) {
  return std::make_unique<QtWindow>(*this, dialogTemplate, events, qtWidgetOf(parent));
}

int QtBackend::messageBox(WindowPeer* parent, std::string_view gbkText, std::string_view gbkCaption,
                          unsigned type) {
  QMessageBox box(qtWidgetOf(parent));
  box.setWindowTitle(qStringFromGbk(gbkCaption));
  box.setText(qStringFromGbk(gbkText));
  if ((type & MB_ICONEXCLAMATION) == MB_ICONEXCLAMATION) box.setIcon(QMessageBox::Warning);
  QPushButton* ok = box.addButton(QString::fromUtf8(reinterpret_cast<const char*>(u8"确定")),
                                  QMessageBox::AcceptRole);
  QPushButton* cancel = nullptr;
  if ((type & MB_TYPEMASK) == MB_OKCANCEL) {
    cancel = box.addButton(QString::fromUtf8(reinterpret_cast<const char*>(u8"取消")),
                           QMessageBox::RejectRole);
    box.setEscapeButton(cancel);
    box.setDefaultButton((type & MB_DEFMASK) == MB_DEFBUTTON2 ? cancel : ok);
  } else {
    box.setEscapeButton(ok);
    box.setDefaultButton(ok);
  }
  box.exec();
  return cancel != nullptr && box.clickedButton() != ok ? IDCANCEL : IDOK;
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
