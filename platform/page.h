// A printed page as a list of what is drawn on it: rectangles, lines and texts, placed in points
// (1/72 inch) from the page's top left corner, with the links a reader can follow to another
// page and the bookmarks that lead to this one. A layout fills pages without any font or drawing
// library; a painter (platform/pdf) draws them.
//
// Texts are GBK and are set in one face, kPageFace (regular or bold), whose Chinese characters
// are one em wide and whose ASCII characters half an em (the face's half-width forms): the width
// of a text follows from its bytes (textWidth), so that a layout knows where every text ends. A
// painter that meets a wider rendering (a glyph the face lacks, drawn from another face) narrows
// the text to the width the layout gave it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A Song (Ming) face for Chinese books: Noto Serif CJK SC (Debian's fonts-noto-cjk).
inline constexpr char kPageFace[] = "Noto Serif CJK SC";

// 0xRRGGBB.
using PageColour = std::uint32_t;
inline constexpr PageColour kNoFill = 0xFFFFFFFFu;

struct PageRect {
  double x = 0, y = 0, width = 0, height = 0;
  double lineWidth = 0.6;
  PageColour colour = 0;  // of the border
  PageColour fill = kNoFill;
  bool dashed = false;
};

struct PageLine {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  double lineWidth = 0.6;
  PageColour colour = 0;
  bool dotted = false;
};

struct PageText {
  double x = 0;         // left end; for a vertical text, the column's left edge
  double baseline = 0;  // from the top of the page; for a vertical text, the top of its column
  double size = 10;     // em, in points
  std::string gbk;
  PageColour colour = 0;
  bool bold = false;
  // Set top to bottom in a column one em wide, each character upright (punctuation in its
  // vertical form); textWidth is then the column's length.
  bool vertical = false;
};

// A place on the page that leads to another page of the same document: to its top, or to the
// point `targetY` points below its top.
struct PageLink {
  double x = 0, y = 0, width = 0, height = 0;
  int page = 0;  // 1 the first page of the document
  double targetY = 0;
};

// A bookmark (an entry of the document's outline) that leads to this page, `y` points below its
// top. Level 0 entries stand at the outline's top; an entry of level n+1 belongs to the last entry
// of level n before it.
struct PageBookmark {
  int level = 0;
  std::string gbk;
  double y = 0;
};

struct Page {
  double width = 0, height = 0;
  std::vector<PageRect> rects;
  std::vector<PageLine> lines;
  std::vector<PageText> texts;  // drawn last, over the rectangles and lines
  std::vector<PageLink> links;
  std::vector<PageBookmark> bookmarks;

  // Empties the page, keeping its storage.
  void clear() {
    rects.clear();
    lines.clear();
    texts.clear();
    links.clear();
    bookmarks.clear();
  }
};

// The width of `gbk` set in kPageFace at `size` points: an em for each two-byte GBK character,
// half an em for every other byte.
double textWidth(std::string_view gbk, double size);

}  // namespace platform
