#include "tests/support/window_harness.h"

#include "app/resources.h"

namespace quillet::testing {

using platform::HeadlessWindow;

WindowHarness::WindowHarness() {
  objects_ = std::make_unique<ProcessObjects>();
  dialog_ = std::make_unique<MainDialog>(*objects_);
  dialog_->Create();
  window_ = static_cast<HeadlessWindow*>(dialog_->peer());
}

WindowHarness::~WindowHarness() = default;

bool WindowHarness::type(int id, std::string_view gbk) {
  return !ended() && window_->type(id, gbk) == HeadlessWindow::Act::Done;
}

bool WindowHarness::setText(int id, std::string_view gbk) {
  if (ended() || window_->kindOf(id) != platform::ControlKind::Edit) return false;
  window_->setText(id, gbk);
  return true;
}

bool WindowHarness::check(int id) {
  return !ended() && window_->check(id) == HeadlessWindow::Act::Done;
}

bool WindowHarness::click(int id) {
  return !ended() && window_->click(id) == HeadlessWindow::Act::Done;
}

void WindowHarness::keyEnter() {
  if (!ended()) window_->keyEnter();
}

void WindowHarness::keyEsc() {
  if (!ended()) window_->keyEsc();
}

void WindowHarness::close() {
  if (!ended()) window_->close();
}

void WindowHarness::sysCommand(unsigned id) {
  if (!ended()) window_->sysCommand(id);
}

bool WindowHarness::chooseContextMenu(unsigned id) {
  return !ended() && window_->chooseContextMenu(id) == HeadlessWindow::Act::Done;
}

void WindowHarness::answerFileName(const std::string& path, std::size_t filter) {
  backend_.queueFileName(path, filter);
}

void WindowHarness::answerOk() { backend_.queueAnswer(platform::IDOK); }

void WindowHarness::answerCancel() { backend_.queueAnswer(platform::IDCANCEL); }

std::string WindowHarness::text(int id) const { return window_->text(id); }

bool WindowHarness::isChecked(int id) const { return window_->isChecked(id); }

std::vector<std::string> WindowHarness::treeLines() const {
  std::vector<std::string> lines;
  for (const HeadlessWindow::TreeLine& line : window_->treeLines(IDC_TREE)) {
    lines.push_back(std::to_string(line.depth) + ' ' + line.state + ' ' +
                    std::to_string(line.image) + ' ' + line.label);
  }
  return lines;
}

const std::vector<platform::HeadlessEvent>& WindowHarness::events() const {
  return backend_.events();
}

std::vector<platform::HeadlessEvent> WindowHarness::messageBoxes() const {
  std::vector<platform::HeadlessEvent> boxes;
  for (const platform::HeadlessEvent& event : backend_.events()) {
    if (event.kind == platform::HeadlessEvent::Kind::MessageBox) boxes.push_back(event);
  }
  return boxes;
}

void WindowHarness::clearEvents() { backend_.clearEvents(); }

bool WindowHarness::ended() const { return window_ == nullptr || window_->ended(); }

int WindowHarness::result() const { return window_ == nullptr ? 0 : window_->result(); }

}  // namespace quillet::testing
