// Text set in lines for the book: breaking runs into lines and drawing them (book_plan.h).
#include <algorithm>
#include <string_view>

#include "platform/gbk.h"
#include "reports/book_plan.h"

namespace quillet::book {
namespace {

using platform::textWidth;

// Punctuation that must not begin a line (it closes what stands before it), and that must not
// end one (it opens what follows).
bool closes(std::string_view character) {
  static constexpr std::string_view kClosing[] = {"，", "。", "、", "；", "：", "！", "？", "）",
                                                  "”",  "’",  "」", "』", "》", "〉", "…",  "—"};
  if (character.size() == 1) {
    return std::string_view(",.;:!?)]}%").find(character[0]) != std::string_view::npos;
  }
  return std::find(std::begin(kClosing), std::end(kClosing), character) != std::end(kClosing);
}

bool opens(std::string_view character) {
  static constexpr std::string_view kOpening[] = {"（", "“", "‘", "「", "『", "《", "〈"};
  if (character.size() == 1)
    return std::string_view("([{").find(character[0]) != std::string_view::npos;
  return std::find(std::begin(kOpening), std::end(kOpening), character) != std::end(kOpening);
}

bool isWordByte(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' ||
         c == '.' || c == '_';
}

// An unbreakable piece of a line.
struct Atom {
  int run = 0;
  std::uint32_t begin = 0, end = 0;
  double width = 0;
  bool glueBefore = false;  // no break before it
  bool glueAfter = false;   // no break after it
};

}  // namespace

int referencePage(const BookLayout::Plan& plan, const Run& run) {
  switch (run.reference) {
    case Run::Reference::kChartPage:
      return plan.ownPage[static_cast<std::size_t>(run.target)];
    case Run::Reference::kRecordPage:
      return plan.recordPage[static_cast<std::size_t>(run.target)];
    case Run::Reference::kPage:
      return run.target;
    case Run::Reference::kNone:
      break;
  }
  return 0;
}

void breakLines(const std::vector<Run>& runs, std::size_t from, std::size_t to, double width,
                double firstIndent, double indent, double leading, std::vector<Line>& lines) {
  std::vector<Atom> atoms;
  for (std::size_t r = from; r < to; ++r) {
    const Run& run = runs[r];
    const int index = static_cast<int>(r);
    if (run.reference != Run::Reference::kNone) {
      // A number of the widest kind, after its words; glued to what it refers to.
      atoms.push_back({index, 0, static_cast<std::uint32_t>(run.gbk.size()),
                       textWidth(run.gbk, run.size) + run.digits * 0.5 * run.size, true, false});
      continue;
    }
    if (run.keep) {
      atoms.push_back({index, 0, static_cast<std::uint32_t>(run.gbk.size()),
                       textWidth(run.gbk, run.size), false, run.joinNext});
      continue;
    }
    const std::string_view text = run.gbk;
    for (std::size_t i = 0; i < text.size();) {
      std::size_t length = std::max<std::size_t>(1, platform::gbkCharLength(text.substr(i)));
      bool word = false;
      if (length == 1 && isWordByte(text[i])) {
        // A word longer than half a line is broken where it must be.
        const std::size_t longest = static_cast<std::size_t>(width / run.size);
        while (i + length < text.size() && isWordByte(text[i + length]) && length <= longest) {
          ++length;
        }
        word = length <= longest;
        if (!word) length = 1;
      }
      const std::string_view character = text.substr(i, length);
      Atom atom{index, static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(i + length),
                textWidth(character, run.size)};
      atom.glueBefore = !word && closes(character);
      // A number stays with the word after it (1772年, 26日).
      atom.glueAfter =
          opens(character) || (word && character.back() >= '0' && character.back() <= '9');
      atoms.push_back(atom);
      i += length;
    }
    if (run.joinNext && !atoms.empty() && atoms.back().run == index) atoms.back().glueAfter = true;
  }
  if (atoms.empty()) return;
  auto breakable = [&atoms](std::size_t i) {
    return !atoms[i].glueBefore && !atoms[i - 1].glueAfter;
  };
  auto emit = [&](std::size_t begin, std::size_t end, double lineIndent) {
    Line line;
    line.indent = lineIndent;
    for (std::size_t i = begin; i < end; ++i) {
      const Atom& atom = atoms[i];
      if (!line.spans.empty() && line.spans.back().run == atom.run &&
          line.spans.back().end == atom.begin) {
        line.spans.back().end = atom.end;
      } else {
        line.spans.push_back({atom.run, atom.begin, atom.end});
      }
      line.size = std::max(line.size, runs[static_cast<std::size_t>(atom.run)].size);
    }
    line.height = line.size * leading;
    lines.push_back(std::move(line));
  };
  std::size_t start = 0;
  double lineIndent = firstIndent;
  double used = firstIndent;
  for (std::size_t i = 0; i < atoms.size(); ++i) {
    if (used + atoms[i].width > width && i > start) {
      std::size_t at = i;
      while (at > start && !breakable(at)) --at;
      if (at == start) at = i;  // nothing breakable: the line is cut where it is full
      emit(start, at, lineIndent);
      start = at;
      lineIndent = indent;
      used = indent;
      for (std::size_t j = at; j < i; ++j) used += atoms[j].width;
    }
    used += atoms[i].width;
  }
  emit(start, atoms.size(), lineIndent);
}

void drawLine(const BookLayout::Plan& plan, const std::vector<Run>& runs, const Line& line,
              double left, double top, Page& page, bool vertical) {
  // Along the line: x for a horizontal line, y for a vertical one.
  double at = (vertical ? top : left) + line.indent;
  const double baseline = top + (line.height - line.size) / 2 + 0.88 * line.size;
  // Spans of one style are drawn as one text (a link is a place on the page, not a text).
  platform::PageText pending;
  auto flush = [&]() {
    if (!pending.gbk.empty()) page.texts.push_back(std::move(pending));
    pending = platform::PageText();
  };
  for (const Span& span : line.spans) {
    const Run& run = runs[static_cast<std::size_t>(span.run)];
    std::string text = run.gbk.substr(span.begin, span.end - span.begin);
    int target = referencePage(plan, run);
    if (run.reference != Run::Reference::kNone) text += number(target);
    double targetY = 0;
    if (run.reference == Run::Reference::kRecordPage) {
      targetY = plan.recordTop[static_cast<std::size_t>(run.target)];
    } else if (run.link >= 0) {
      target = plan.recordPage[static_cast<std::size_t>(run.link)];
      targetY = plan.recordTop[static_cast<std::size_t>(run.link)];
    }
    const double length = textWidth(text, run.size);
    const bool same = !pending.gbk.empty() && pending.size == run.size &&
                      pending.colour == run.colour && pending.bold == run.bold;
    if (!same) flush();
    if (pending.gbk.empty()) {
      pending.size = run.size;
      pending.colour = run.colour;
      pending.bold = run.bold;
      pending.vertical = vertical;
      if (vertical) {
        // The column's centre line is `left` - line.height / 2; a smaller run keeps to it.
        pending.x = left - line.height / 2 - run.size / 2;
        pending.baseline = at;
      } else {
        pending.x = at;
        // A smaller run sits on the line's baseline.
        pending.baseline = baseline;
      }
    }
    pending.gbk += text;
    if (target > 0) {
      platform::PageLink link;
      if (vertical) {
        link = {left - line.height, at, line.height, length, target, targetY};
      } else {
        link = {at, top, length, line.height, target, targetY};
      }
      page.links.push_back(link);
    }
    at += length;
  }
  flush();
}

void addText(Page& page, double x, double baseline, double size, std::string gbk, PageColour colour,
             bool bold) {
  platform::PageText text;
  text.x = x;
  text.baseline = baseline;
  text.size = size;
  text.gbk = std::move(gbk);
  text.colour = colour;
  text.bold = bold;
  page.texts.push_back(std::move(text));
}

void addCentred(Page& page, double centre, double baseline, double size, std::string gbk,
                PageColour colour, bool bold) {
  const double x = centre - textWidth(gbk, size) / 2;
  addText(page, x, baseline, size, std::move(gbk), colour, bold);
}

void addLine(Page& page, double x1, double y1, double x2, double y2, double width, bool dotted) {
  page.lines.push_back(platform::PageLine{x1, y1, x2, y2, width, kBlack, dotted});
}

std::string printable(std::string_view gbk) {
  std::string out;
  out.reserve(gbk.size());
  for (std::size_t i = 0; i < gbk.size();) {
    const std::size_t length = platform::gbkCharLength(gbk.substr(i));
    if (length == 2) {
      out.append(gbk.substr(i, 2));
      i += 2;
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(gbk[i]);
    out += length == 0 ? '?' : (c < 0x20 || c == 0x7F) ? ' ' : gbk[i];
    ++i;
  }
  return out;
}

std::string number(long value) { return std::to_string(value); }

}  // namespace quillet::book
