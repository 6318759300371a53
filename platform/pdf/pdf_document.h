// A PDF document drawn page by page from platform/page.h pages, with cairo's PDF surface: texts in
// kPageFace (regular and bold), whose glyphs are embedded as subsets so that the document prints
// the same anywhere; each page's links (annotations that lead to another page) and bookmarks (the
// document's outline). Each page is written out as soon as it is drawn, so the memory a document
// takes does not grow with its pages; what stays until finish() is the set of glyphs used, a few
// numbers a page, and a few numbers a link.
//
// Texts arrive as GBK and are converted here. Each character is placed where textWidth puts it
// (an em for a Chinese character, half an em for an ASCII one, set in the face's half-width
// forms), its glyph looked up once per document; a text with a character the face lacks is set
// by pango with a fallback face and narrowed to the width textWidth gives it, so that it never
// runs into its neighbours. A byte that is not GBK prints as U+FFFD.
//
// The links are written after cairo's own document as an incremental update (new link
// annotations and each linked page's dictionary again, with its /Annots), since the cairo of
// Debian 12 writes links to later pages without a destination.
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

  // A document whose bytes go to `output`, with its faces loaded; null when cairo cannot make
  // one.
  static std::unique_ptr<PdfDocument> create(Output output, const Properties& properties);
  ~PdfDocument();
  PdfDocument(const PdfDocument&) = delete;
  PdfDocument& operator=(const PdfDocument&) = delete;

  // Draws `page` (its own size) as the next page and writes it out. False once anything failed.
  bool addPage(const Page& page);
  // Writes what remains (the embedded glyphs, the outline, the cross-reference table, then the
  // links) and ends the document. False when it, or anything before it, failed. Nothing may be
  // added afterwards.
  bool finish();
  // True when a step failed because memory ran out.
  bool outOfMemory() const;

 private:
  struct Impl;
  explicit PdfDocument(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// The width of `gbk` at `size` points as pango sets it in kPageFace with the half-width forms,
// before any narrowing: textWidth's figure when the face holds every glyph.
double paintedTextWidth(std::string_view gbk, double size, bool bold = false);

}  // namespace platform
