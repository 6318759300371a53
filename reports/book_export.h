// The printed book of the clan written as a PDF file: what `quillet-export book` and the
// window's entry 导出家谱书(PDF)... share. The layout (book_layout.h) is drawn page by page by the
// PDF painter (platform/pdf) and each page goes to the file as it is drawn.
//
// Thread-safety: reads the tree only; the tree must not change meanwhile.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "core/family_tree.h"
#include "reports/book_layout.h"
#include "reports/export_file.h"

namespace quillet {

// Told after each page how many of the book's steps are done, and how many there are in all
// (BookLayout::steps); false stops the book.
using BookProgress = std::function<bool(std::size_t done, std::size_t steps)>;

// What a written book holds, for a message that says what was written.
struct BookSummary {
  int pages = 0;
  std::size_t persons = 0;  // shown in it (the index's entries)
};

// The cover's date: today's, such as "2026年12月7日" (GBK), or the day of SOURCE_DATE_EPOCH (in
// UTC) when that variable holds a time, so that a book can be made again byte for byte.
std::string bookDate();

// Writes the book of `tree` to `utf8Path` as exportText writes the other exports: a regular
// file replaced as a whole (through a temporary file beside it, see platform::PathReplacement), a
// FIFO or a device written through. Ok; kProgramFile for a file the program reads
// (readByTheProgram) and kRefused, unless `force`, for a genealogy (holdsGenealogy), before
// anything is done; kInvalidInput when the tree has no root (or the options are out of range);
// kCancelled when `progress` said to stop; else why the file could not be written whole (see
// export_file.h). Whatever the failure, no file is left behind and an old file at the path is as
// it was. The faces are loaded and the cover drawn
// before the temporary file is made; while it exists it is registered with
// platform::setAbnormalExitFile, so that running out of memory (in operator new, or as cairo and
// GLib report it: the process's new-handler is called) removes it. `summary`, when given, is
// filled once the book is written.
platform::Status exportBook(const FamilyTree& tree, const BookOptions& options,
                            const std::string& utf8Path, bool force = false,
                            const BookProgress& progress = {}, BookSummary* summary = nullptr);

}  // namespace quillet
