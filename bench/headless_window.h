// The main window of a benchmark over the headless backend: the process-wide objects and the
// main window, created (and so initialised, its tree filled) in a clan's directory or in the
// working directory, the backend installed for the object's lifetime. The window benchmarks and
// the find field's share it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "app/main_dialog.h"
#include "app/process_objects.h"
#include "app/resources.h"
#include "bench/clan_fixture.h"
#include "bench/window_edits.h"
#include "platform/headless/headless_backend.h"

namespace quillet::bench {

// The process-wide objects and the main window, created (and so initialised) in the clan's
// directory over the headless backend.
class HeadlessWindowOf {
 public:
  explicit HeadlessWindowOf(const Clan& clan) {
    enterClan(clan);
    open();
  }
  // Over the genealogy of the working directory.
  HeadlessWindowOf() { open(); }
  void open() {
    objects_ = std::make_unique<ProcessObjects>();
    dialog_ = std::make_unique<MainDialog>(*objects_);
    created_ = dialog_->Create();
  }
  bool created() const { return created_; }
  MainDialog& dialog() { return *dialog_; }
  platform::HeadlessWindow& window() {
    return *static_cast<platform::HeadlessWindow*>(dialog_->peer());
  }
  std::size_t treeItems() { return window().treeItems(IDC_TREE)->size(); }
  WindowEdits edits(Spot spot) {
    return WindowEdits(
        objects_->tree, [this](int id, const std::string& gbk) { window().type(id, gbk); },
        [this](int id) { window().click(id); }, spot);
  }

 private:
  platform::HeadlessBackend backend_;
  const platform::ScopedBackend installed_{&backend_};
  std::unique_ptr<ProcessObjects> objects_;
  std::unique_ptr<MainDialog> dialog_;
  bool created_ = false;
};

}  // namespace quillet::bench
