// Feeds any bytes to the printed book's layout, as home.txt and as the root's own text file, and
// checks what a painter relies on: nothing crashes or reads out of bounds, the pages end, every
// box and every text starts on its page, and the work counted for the progress bar adds up.
#include <cstdint>
#include <string>

#include "core/family_tree.h"
#include "reports/book_layout.h"
#include "tools/fuzz/fuzz_support.h"

using quillet::fuzz::require;
using quillet::fuzz::writeBytes;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quillet::fuzz::enterScratchDirectory("fuzz-book");
  writeBytes("home.txt", data, size);
  quillet::FamilyTree tree;
  tree.load();
  if (tree.root() != nullptr) {
    const std::string key(quillet::keyText(tree.root()->name));
    if (key.find('/') == std::string::npos) writeBytes(key + ".txt", data, size);
  }
  quillet::BookLayout layout;
  for (const int generations : {2, 5}) {
    if (!layout.plan(tree, {quillet::BookPaper::kA4, generations, "day"})) {
      require(tree.root() == nullptr);
      continue;
    }
    quillet::BookPage page;
    int pages = 0;
    while (layout.nextPage(page)) {
      require(++pages == page.number && pages < 100000);
      for (const quillet::BookBox& box : page.boxes) {
        require(box.x >= 0 && box.x + box.width <= page.drawing.width && box.y >= 0 &&
                box.y + box.height <= page.drawing.height);
      }
      for (const platform::PageText& text : page.drawing.texts) {
        require(text.x >= 0 && text.x < page.drawing.width && text.baseline > 0 &&
                text.baseline < page.drawing.height);
      }
    }
    require(page.stepsDone == layout.steps());
  }
  return 0;
}
