#include "platform/qt/qt_backend.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTranslator>
#include <QVBoxLayout>
#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>
#include <utility>

#include "platform/qt/gbk_codec.h"
#include "platform/qt/qt_probe.h"

namespace platform {
namespace {

QString fromUtf16(const char16_t* text) { return QString::fromUtf16(text); }

}  // namespace

QtBackend::QtBackend(std::unique_ptr<RecentList> recent)
    : recent_(recent != nullptr ? std::move(recent) : std::make_unique<MemoryRecentList>()) {}
QtBackend::~QtBackend() = default;

std::unique_ptr<WindowPeer> QtBackend::createWindow(const DialogTemplate& dialogTemplate,
                                                    WindowEvents& events, WindowPeer* parent) {
  return makeQtWindow(dialogTemplate, events, qtWidgetOf(parent));
}

int QtBackend::messageBox(WindowPeer* parent, std::string_view gbkText, std::string_view gbkCaption,
                          unsigned type) {
  QMessageBox box(qtWidgetOf(parent));
  box.setWindowTitle(qStringFromGbk(gbkCaption));
  box.setText(qStringFromGbk(gbkText));
  if ((type & MB_ICONEXCLAMATION) == MB_ICONEXCLAMATION) box.setIcon(QMessageBox::Warning);
  // The buttons and their texts as the system's box shows them in Chinese.
  std::vector<std::pair<QPushButton*, int>> buttons;
  for (const int answer : messageBoxButtons(type)) {
    const char16_t* text = answer == IDYES  ? u"是"
                           : answer == IDNO ? u"否"
                           : answer == IDOK ? u"确定"
                                            : u"取消";
    const QMessageBox::ButtonRole role = answer == IDCANCEL ? QMessageBox::RejectRole
                                         : answer == IDNO   ? QMessageBox::NoRole
                                         : answer == IDYES  ? QMessageBox::YesRole
                                                            : QMessageBox::AcceptRole;
    buttons.emplace_back(box.addButton(fromUtf16(text), role), answer);
  }
  const int defaultAnswer = defaultMessageBoxAnswer(type);
  // Esc and the close box answer Cancel where there is one, else the only button, OK.
  const int escapeAnswer = std::any_of(buttons.begin(), buttons.end(),
                                       [](const auto& b) { return b.second == IDCANCEL; })
                               ? IDCANCEL
                               : IDOK;
  for (const auto& [button, answer] : buttons) {
    if (answer == defaultAnswer) box.setDefaultButton(button);
    if (answer == escapeAnswer) box.setEscapeButton(button);
  }
  Probe& probe = Probe::instance();
  if (probe.on()) {
    probe.write(QStringLiteral("messagebox ") + box.windowTitle());
    probe.whenExposed(box, [&box, &buttons, &probe] {
      for (const auto& [button, answer] : buttons) {
        probe.writePlace(QStringLiteral("button %1").arg(answer), *button);
      }
      probe.writePlace(QStringLiteral("shown messagebox"), box);
    });
  }
  box.exec();
  int answer = escapeAnswer;
  for (const auto& [button, buttonAnswer] : buttons) {
    if (box.clickedButton() == button) answer = buttonAnswer;
  }
  probe.write(QStringLiteral("answer %1").arg(answer));
  return answer;
}

std::optional<SaveFileChoice> QtBackend::saveFileName(
    WindowPeer* parent, std::string_view gbkCaption, std::string_view gbkSuggestedName,
    std::span<const std::string_view> gbkFilters) {
  QStringList filters;
  for (const std::string_view filter : gbkFilters) filters << qStringFromGbk(filter);
  QString selected = filters.value(0);
  const QString path = QFileDialog::getSaveFileName(qtWidgetOf(parent), qStringFromGbk(gbkCaption),
                                                    qStringFromGbk(gbkSuggestedName),
                                                    filters.join(QStringLiteral(";;")), &selected);
  if (path.isEmpty()) return std::nullopt;
  const qsizetype filter = filters.indexOf(selected);
  return SaveFileChoice{QFile::encodeName(path).toStdString(),
                        filter < 0 ? 0 : static_cast<std::size_t>(filter)};
}

std::optional<std::string> QtBackend::openFileName(WindowPeer* parent, std::string_view gbkCaption,
                                                   std::span<const std::string_view> gbkFilters) {
  QStringList filters;
  for (const std::string_view filter : gbkFilters) filters << qStringFromGbk(filter);
  const QString path = QFileDialog::getOpenFileName(qtWidgetOf(parent), qStringFromGbk(gbkCaption),
                                                    QString(), filters.join(QStringLiteral(";;")));
  if (path.isEmpty()) return std::nullopt;
  return QFile::encodeName(path).toStdString();
}

// --- Folder choosers --------------------------------------------------------------------------

namespace {

// Qt's own file dialog choosing a folder, which also takes what Qt's folder mode refuses: for
// FolderChoice::kToWrite the name of a folder that does not exist yet, typed into its name box
// (in a folder that does), and for kGenealogy a file (home.txt) of a folder, which it shows
// among the folders. Its choice is the path as chosen; it makes no folder.
class FolderDialog : public QFileDialog {
 public:
  FolderDialog(QWidget* parent, const QString& caption, FolderChoice choice)
      : QFileDialog(parent, caption), choice_(choice) {
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::Directory);
    if (choice_ == FolderChoice::kGenealogy) {
      setOption(QFileDialog::ShowDirsOnly, false);
      setNameFilter(QString::fromUtf16(u"家谱 (home.txt)"));
    } else {
      setOption(QFileDialog::ShowDirsOnly, true);
    }
    nameBox_ = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (auto* box = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))) {
      button_ = box->button(QDialogButtonBox::Open);
    }
    // Qt greys the button out for anything but an existing folder, whenever the name or the
    // selection changes: where this dialog takes more, it is enabled again.
    if (button_ != nullptr) button_->installEventFilter(this);
  }

  // The path chosen; empty until the dialog is accepted.
  const QString& chosen() const { return chosen_; }

  void accept() override {
    const QString path = extraChoice();
    if (!path.isEmpty()) {
      chosen_ = path;
      QDialog::accept();
      return;
    }
    QFileDialog::accept();
    if (result() == QDialog::Accepted) chosen_ = selectedFiles().value(0);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == button_ && event->type() == QEvent::EnabledChange && !button_->isEnabled() &&
        !extraChoice().isEmpty()) {
      button_->setEnabled(true);
    }
    return QFileDialog::eventFilter(watched, event);
  }

 private:
  // What this dialog takes beyond Qt's folder mode, for what the name box names (Qt's selection
  // resolves it, wherever the list shows): the path of a new folder in an existing one
  // (kToWrite) or of an existing file (kGenealogy); else empty.
  QString extraChoice() const {
    if (nameBox_ == nullptr || nameBox_->text().trimmed().isEmpty()) return {};
    const QStringList selected = selectedFiles();
    if (selected.isEmpty()) return {};
    const QFileInfo info(selected.first());
    if (choice_ == FolderChoice::kToWrite) {
      return !info.exists() && QFileInfo(info.absolutePath()).isDir() ? info.absoluteFilePath()
                                                                      : QString();
    }
    return info.isFile() ? info.absoluteFilePath() : QString();
  }

  FolderChoice choice_;
  QLineEdit* nameBox_ = nullptr;   // owned by the dialog
  QPushButton* button_ = nullptr;  // owned by the dialog
  QString chosen_;
};

}  // namespace

std::optional<std::string> QtBackend::folderName(WindowPeer* parent, std::string_view gbkCaption,
                                                 FolderChoice choice) {
  FolderDialog dialog(qtWidgetOf(parent), qStringFromGbk(gbkCaption), choice);
  Probe& probe = Probe::instance();
  if (probe.on()) {
    probe.write(QStringLiteral("folderchooser ") + dialog.windowTitle());
    probe.whenExposed(dialog, [&dialog, &probe] {
      if (auto* box = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))) {
        if (QPushButton* accept = box->button(QDialogButtonBox::Open)) {
          probe.writePlace(QStringLiteral("button accept"), *accept);
        }
      }
      probe.writePlace(QStringLiteral("shown folderchooser"), dialog);
    });
  }
  if (dialog.exec() != QDialog::Accepted || dialog.chosen().isEmpty()) return std::nullopt;
  probe.write(QStringLiteral("chosen ") + dialog.chosen());
  return QFile::encodeName(dialog.chosen()).toStdString();
}

// --- The genealogies opened last ----------------------------------------------------------------

std::vector<std::string> SettingsRecentList::entries() const {
  const QSettings settings(QStringLiteral("quillet"), QStringLiteral("quillet"));
  std::vector<std::string> listed;
  for (const QString& path : settings.value(QStringLiteral("recent/genealogies")).toStringList()) {
    if (listed.size() == kMost) break;
    if (!path.isEmpty()) listed.push_back(QFile::encodeName(path).toStdString());
  }
  return listed;
}

void SettingsRecentList::store(const std::vector<std::string>& entries) {
  QStringList paths;
  for (const std::string& path : entries) {
    if (static_cast<std::size_t>(paths.size()) == kMost) break;
    paths << QFile::decodeName(QByteArray::fromStdString(path));
  }
  QSettings settings(QStringLiteral("quillet"), QStringLiteral("quillet"));
  settings.setValue(QStringLiteral("recent/genealogies"), paths);
  settings.sync();
}

bool QtBackend::reportDialog(WindowPeer* parent, std::string_view gbkCaption,
                             std::string_view gbkText, std::span<const std::string> gbkLines,
                             std::string_view gbkAccept, std::string_view gbkReject) {
  QDialog dialog(qtWidgetOf(parent));
  dialog.setWindowTitle(qStringFromGbk(gbkCaption));
  auto* layout = new QVBoxLayout(&dialog);
  auto* label = new QLabel(qStringFromGbk(gbkText), &dialog);
  label->setWordWrap(true);
  layout->addWidget(label);
  auto* list = new QListWidget(&dialog);
  for (const std::string& line : gbkLines) list->addItem(qStringFromGbk(line));
  list->setMinimumWidth(list->fontMetrics().averageCharWidth() * 80);
  // A long line wraps, rather than running out of sight to the right.
  list->setWordWrap(true);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setResizeMode(QListView::Adjust);
  list->setVisible(!gbkLines.empty());
  layout->addWidget(list);
  auto* buttons = new QDialogButtonBox(&dialog);
  QPushButton* accept = buttons->addButton(qStringFromGbk(gbkAccept), QDialogButtonBox::AcceptRole);
  buttons->addButton(qStringFromGbk(gbkReject), QDialogButtonBox::RejectRole);
  accept->setDefault(true);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  Probe& probe = Probe::instance();
  if (probe.on()) {
    probe.write(QStringLiteral("report ") + dialog.windowTitle());
    probe.whenExposed(dialog, [&dialog, accept, &probe] {
      probe.writePlace(QStringLiteral("button accept"), *accept);
      probe.writePlace(QStringLiteral("shown report"), dialog);
    });
  }
  return dialog.exec() == QDialog::Accepted;
}

std::optional<std::size_t> QtBackend::choiceDialog(WindowPeer* parent, std::string_view gbkCaption,
                                                   std::string_view gbkText,
                                                   std::span<const std::string_view> gbkChoices,
                                                   std::size_t initial) {
  QDialog dialog(qtWidgetOf(parent));
  dialog.setWindowTitle(qStringFromGbk(gbkCaption));
  auto* layout = new QVBoxLayout(&dialog);
  auto* label = new QLabel(qStringFromGbk(gbkText), &dialog);
  label->setWordWrap(true);
  label->setMinimumWidth(label->fontMetrics().averageCharWidth() * 60);
  layout->addWidget(label);
  auto* group = new QButtonGroup(&dialog);
  for (std::size_t i = 0; i < gbkChoices.size(); ++i) {
    auto* button = new QRadioButton(qStringFromGbk(gbkChoices[i]), &dialog);
    button->setChecked(i == initial);
    group->addButton(button, static_cast<int>(i));
    layout->addWidget(button);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  Probe& probe = Probe::instance();
  if (probe.on()) {
    probe.write(QStringLiteral("choice ") + dialog.windowTitle());
    probe.whenExposed(dialog, [&dialog, buttons, &probe] {
      probe.writePlace(QStringLiteral("button ok"), *buttons->button(QDialogButtonBox::Ok));
      probe.writePlace(QStringLiteral("shown choice"), dialog);
    });
  }
  if (dialog.exec() != QDialog::Accepted || group->checkedId() < 0) return std::nullopt;
  return static_cast<std::size_t>(group->checkedId());
}

// --- Progress dialogs ---------------------------------------------------------------------------

namespace {

// QProgressDialog, window-modal over its parent: it shows after half a second of work, and each
// update lets Qt handle the events meanwhile (the cancel button among them).
class QtProgress : public ProgressDialog {
 public:
  QtProgress(QWidget* parent, const QString& caption, const QString& text, std::size_t steps)
      : dialog_(parent), scale_(steps > kMaximum ? static_cast<double>(kMaximum) / steps : 1.0) {
    dialog_.setWindowTitle(caption);
    dialog_.setLabelText(text);
    dialog_.setWindowModality(Qt::WindowModal);
    dialog_.setAutoClose(false);
    dialog_.setAutoReset(false);
    dialog_.setMinimumDuration(500);
    dialog_.setRange(0, static_cast<int>(static_cast<double>(steps) * scale_));
    dialog_.setValue(0);
  }
  bool setProgress(std::size_t done) override {
    dialog_.setValue(static_cast<int>(static_cast<double>(done) * scale_));
    QCoreApplication::processEvents();
    return !dialog_.wasCanceled();
  }

 private:
  static constexpr std::size_t kMaximum = 1u << 30;
  QProgressDialog dialog_;
  double scale_;
};

}  // namespace

std::unique_ptr<ProgressDialog> QtBackend::openProgress(WindowPeer* parent,
                                                        std::string_view gbkCaption,
                                                        std::string_view gbkText,
                                                        std::size_t steps) {
  return std::make_unique<QtProgress>(qtWidgetOf(parent), qStringFromGbk(gbkCaption),
                                      qStringFromGbk(gbkText), steps);
}

// --- End of progress dialogs ---------------------------------------------------------------------

namespace {

// The Chinese of the few texts of Qt's own dialogs that the system's translations lack. Consulted
// before them (the last translator installed is asked first), so it answers only for these.
class MissingTranslations : public QTranslator {
 public:
  using QTranslator::QTranslator;
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* sourceText, const char* /*disambiguation*/,
                    int /*n*/) const override {
    struct Missing {
      const char* source;
      const char16_t* chinese;
    };
    // The types of the file chooser's entries, asked of the icon provider or the model.
    static constexpr const char* kContexts[] = {"QAbstractFileIconProvider", "QFileIconProvider",
                                                "QFileSystemModel"};
    static constexpr Missing kMissing[] = {
        {"Folder", u"文件夹"},   {"File Folder", u"文件夹"}, {"Drive", u"驱动器"},
        {"%1 File", u"%1 文件"}, {"Shortcut", u"快捷方式"},  {"Alias", u"别名"},
    };
    if (std::none_of(std::begin(kContexts), std::end(kContexts),
                     [context](const char* known) { return qstrcmp(context, known) == 0; })) {
      return {};
    }
    for (const Missing& missing : kMissing) {
      if (qstrcmp(sourceText, missing.source) == 0) return QString::fromUtf16(missing.chinese);
    }
    return {};
  }
};

// Sets an environment variable for the guard's life, then puts back what was there.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = std::string(old);
    setenv(name, value, 1);
  }
  ~ScopedEnvironment() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace

bool installChineseTranslations(QCoreApplication& application) {
  auto* translator = new QTranslator(&application);
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  const bool loaded = translator->load(QStringLiteral("qt_zh_CN"), folder) ||
                      translator->load(QStringLiteral("qtbase_zh_CN"), folder);
  if (loaded) {
    QCoreApplication::installTranslator(translator);
  } else {
    delete translator;
  }
  QCoreApplication::installTranslator(new MissingTranslations(&application));
  return loaded;
}

std::unique_ptr<QApplication> makeChineseApplication(int& argc, char** argv) {
  std::unique_ptr<QApplication> application;
  {
    const ScopedEnvironment chinese("LC_ALL", "zh_CN.UTF-8");
    application = std::make_unique<QApplication>(argc, argv);
  }
  std::setlocale(LC_ALL, "");  // the C library's locale as the environment says, as Qt set it
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
  installChineseTranslations(*application);
  return application;
}

}  // namespace platform
