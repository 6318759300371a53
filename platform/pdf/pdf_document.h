// A PDF document drawn page by page from platform/page.h pages, with cairo's PDF surface and
// pango: texts in kPageFace, whose glyphs are embedded (as a subset) so that the document prints
// the same anywhere. Each page is written out as soon as it is drawn, so the memory a document
// takes does not grow with its pages; what stays until finish() is the set of glyphs used.
//
// Texts arrive as GBK and are converted to UTF-8 here; a byte that is not GBK prints as U+FFFD.
// A text that the face sets wider than textWidth says (a glyph taken from another face) is
// narrowed to that width, so that it never runs into its neighbours.
//
// Not thread-safe: one thread draws a document.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/page.h"

namespace platform {

class PdfDocument {
 public:
  // Receives the document's bytes in order as they are made; false stops the document (every
  // later call then fails).
  using Output = std::function<bool(std::string_view bytes)>;

  // The document's title and author in its properties (GBK), and its creator (the program).
  struct Properties {
    std::string gbkTitle;
    std::string gbkAuthor;
    std::string creator;
  };

  // A document whose bytes go to `output`; null when cairo cannot make one.
  static std::unique_ptr<PdfDocument> create(Output output, const Properties& properties);
  ~PdfDocument();
  PdfDocument(const PdfDocument&) = delete;
  PdfDocument& operator=(const PdfDocument&) = delete;

  // Draws `page` (its own size) as the next page and writes it out. False once anything failed.
  bool addPage(const Page& page);
  // Writes what remains (the embedded glyphs, the cross-reference table) and ends the
  // document. False when it, or anything before it, failed. Nothing may be added afterwards.
  bool finish();

 private:
  struct Impl;
  explicit PdfDocument(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// The width of `gbk` at `size` points as the painter sets it, before any narrowing: textWidth's
// figure when the face holds every glyph.
double paintedTextWidth(std::string_view gbk, double size);

}  // namespace platform
