#include "platform/qt/qt_backend.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTranslator>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/qt/gbk_codec.h"
#include "platform/qt/qt_probe.h"

namespace platform {
namespace {

QString fromUtf16(const char16_t* text) { return QString::fromUtf16(text); }

}  // namespace

QtBackend::QtBackend() = default;
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

std::optional<std::string> QtBackend::folderName(WindowPeer* parent, std::string_view gbkCaption) {
  const QString path =
      QFileDialog::getExistingDirectory(qtWidgetOf(parent), qStringFromGbk(gbkCaption));
  if (path.isEmpty()) return std::nullopt;
  return QFile::encodeName(path).toStdString();
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

bool installChineseTranslations(QCoreApplication& application) {
  auto* translator = new QTranslator(&application);
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (!translator->load(QStringLiteral("qt_zh_CN"), folder) &&
      !translator->load(QStringLiteral("qtbase_zh_CN"), folder)) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

}  // namespace platform
