// A printed page as a list of what is drawn on it: rectangles, lines and texts, placed in points
// (1/72 inch) from the page's top left corner. A layout fills pages without any font or drawing
// library; a painter (platform/pdf) draws them.
//
// Texts are GBK and are set in one face, kPageFace, whose Chinese characters are one em wide and
// whose ASCII characters half an em: the width of a text follows from its bytes (textWidth), so
// that a layout knows where every text ends. A painter that meets a wider rendering (a glyph the
// face lacks, drawn from another face) narrows the text to the width the layout gave it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// WenQuanYi Zen Hei Mono (Debian's fonts-wqy-zenhei).
inline constexpr char kPageFace[] = "WenQuanYi Zen Hei Mono";

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
  double x = 0;         // left end
  double baseline = 0;  // from the top of the page
  double size = 10;     // em, in points
  std::string gbk;
  PageColour colour = 0;
};

struct Page {
  double width = 0, height = 0;
  std::vector<PageRect> rects;
  std::vector<PageLine> lines;
  std::vector<PageText> texts;  // drawn last, over the rectangles and lines
};

// The width of `gbk` set in kPageFace at `size` points: an em for each two-byte GBK character,
// half an em for every other byte.
double textWidth(std::string_view gbk, double size);

}  // namespace platform
