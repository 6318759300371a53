#include "platform/pdf/pdf_document.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/gbk.h"
#include "platform/out_of_memory.h"

namespace platform {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// One character of a text: its UTF-8 and the ems it takes.
struct Character {
  std::string_view utf8;
  double ems = 0;
};

// The characters of a GBK text in UTF-8 (a byte that starts no GBK character is U+FFFD, half an
// em as textWidth counts it), stored in `utf8`.
std::vector<Character> charactersOf(std::string_view gbk, std::string& utf8) {
  utf8.clear();
  std::vector<std::pair<std::size_t, double>> marks;  // end in utf8, ems
  for (std::size_t i = 0; i < gbk.size();) {
    const std::size_t length = gbkCharLength(gbk.substr(i));
    if (length == 2 && appendGbkCharAsUtf8(static_cast<unsigned char>(gbk[i]),
                                           static_cast<unsigned char>(gbk[i + 1]), utf8)) {
      i += 2;
      marks.emplace_back(utf8.size(), 1.0);
      continue;
    }
    if (length == 1) {
      utf8 += gbk[i];
    } else {
      utf8 += kReplacement;
    }
    // A lead byte whose trail is not GBK counts as textWidth counts it: this byte alone.
    marks.emplace_back(utf8.size(), 0.5);
    ++i;
  }
  std::vector<Character> characters;
  characters.reserve(marks.size());
  std::size_t start = 0;
  for (const auto& [end, ems] : marks) {
    characters.push_back({std::string_view(utf8).substr(start, end - start), ems});
    start = end;
  }
  return characters;
}

std::string printableUtf8(std::string_view gbk) {
  std::string utf8;
  charactersOf(gbk, utf8);
  return utf8;
}

struct CairoDeleter {
  void operator()(cairo_t* cr) const { cairo_destroy(cr); }
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
  void operator()(cairo_font_face_t* face) const { cairo_font_face_destroy(face); }
  void operator()(PangoLayout* layout) const { g_object_unref(layout); }
  void operator()(PangoFontDescription* font) const { pango_font_description_free(font); }
  void operator()(cairo_font_options_t* options) const { cairo_font_options_destroy(options); }
  void operator()(PangoAttrList* attributes) const { pango_attr_list_unref(attributes); }
};
template <typename T>
using Owned = std::unique_ptr<T, CairoDeleter>;

void setColour(cairo_t* cr, PageColour colour) {
  cairo_set_source_rgb(cr, ((colour >> 16) & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0,
                       (colour & 0xFF) / 255.0);
}

// Texts in kPageFace of one weight, horizontal (the half-width forms of ASCII) or vertical (the
// vertical forms of punctuation). A character's glyph is asked of pango once and kept; the face's
// glyphs are then shown by cairo directly, each where textWidth puts it. What the face lacks is
// set by pango, with a fallback face.
class TextSetter {
 public:
  TextSetter(cairo_t* cr, bool bold, bool vertical)
      : font_(pango_font_description_from_string(kPageFace)),
        options_(cairo_font_options_create()) {
    cairo_font_options_set_hint_metrics(options_.get(), CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options_.get(), CAIRO_HINT_STYLE_NONE);
    pango_font_description_set_weight(font_.get(), bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    // ASCII in the half-width forms; in a vertical text, punctuation in the vertical forms.
    const char* features[] = {vertical ? "vert" : "", "hwid"};
    for (int ascii = 0; ascii < 2; ++ascii) {
      layouts_[ascii].reset(pango_cairo_create_layout(cr));
      PangoLayout* layout = layouts_[ascii].get();
      pango_cairo_context_set_font_options(pango_layout_get_context(layout), options_.get());
      if (*features[ascii] != '\0') {
        Owned<PangoAttrList> attributes(pango_attr_list_new());
        pango_attr_list_insert(attributes.get(), pango_attr_font_features_new(features[ascii]));
        pango_layout_set_attributes(layout, attributes.get());
      }
    }
    setSize(kLookupSize);
  }

  // Draws `text` at its place.
  void draw(cairo_t* cr, const PageText& text) {
    const std::vector<Character> characters = charactersOf(text.gbk, utf8_);
    glyphs_.clear();
    clusters_.clear();
    double at = 0;
    for (const Character& character : characters) {
      const std::uint32_t glyph = glyphOf(character.utf8);
      if (glyph == kMissing) return drawByPango(cr, text);
      const double advance = character.ems * text.size;
      cairo_glyph_t placed{};
      placed.index = glyph;
      if (text.vertical) {
        // The ideographic em box of the face runs from 0.88 em above the baseline to 0.12 below.
        placed.x = text.x + (text.size - advance) / 2;
        placed.y = text.baseline + at + 0.88 * text.size * character.ems;
      } else {
        placed.x = text.x + at;
        placed.y = text.baseline;
      }
      glyphs_.push_back(placed);
      clusters_.push_back({static_cast<int>(character.utf8.size()), 1});
      at += advance;
    }
    if (glyphs_.empty()) return;
    cairo_set_font_face(cr, face_.get());
    cairo_set_font_size(cr, text.size);
    cairo_set_font_options(cr, options_.get());
    setColour(cr, text.colour);
    cairo_show_text_glyphs(cr, utf8_.data(), static_cast<int>(utf8_.size()), glyphs_.data(),
                           static_cast<int>(glyphs_.size()), clusters_.data(),
                           static_cast<int>(clusters_.size()), cairo_text_cluster_flags_t{});
  }

  // The width pango gives `gbk` at `size`, character by character as it is drawn.
  double measure(std::string_view gbk, double size) {
    setSize(size);
    double width = 0;
    std::string utf8;
    for (const Character& character : charactersOf(gbk, utf8)) {
      PangoLayout* layout = layoutFor(character.utf8);
      pango_layout_set_text(layout, character.utf8.data(), static_cast<int>(character.utf8.size()));
      int w = 0, h = 0;
      pango_layout_get_size(layout, &w, &h);
      width += static_cast<double>(w) / PANGO_SCALE;
    }
    return width;
  }

  // Looks up a few glyphs, so that the face is found and loaded now.
  void prepare() {
    for (std::string_view sample : {"\xE8\xB0\xB1", "0"}) glyphOf(sample);  // 谱, 0
  }

 private:
  static constexpr std::uint32_t kMissing = 0xFFFFFFFFu;
  static constexpr double kLookupSize = 10;

  void setSize(double size) {
    const int scaled = static_cast<int>(size * PANGO_SCALE + 0.5);
    if (scaled == size_) return;
    pango_font_description_set_absolute_size(font_.get(), scaled);
    for (const Owned<PangoLayout>& layout : layouts_) {
      pango_layout_set_font_description(layout.get(), font_.get());
    }
    size_ = scaled;
  }

  PangoLayout* layoutFor(std::string_view utf8) const {
    return layouts_[utf8.size() == 1 ? 1 : 0].get();
  }

  // The face's glyph for one character, or kMissing when pango sets it otherwise (another face,
  // several glyphs).
  std::uint32_t glyphOf(std::string_view utf8) {
    // A character's UTF-8 is at most 4 bytes: packed, they are its key.
    std::uint32_t key = 0;
    for (const char c : utf8.substr(0, 4)) key = key << 8 | static_cast<unsigned char>(c);
    if (const auto found = cache_.find(key); found != cache_.end()) return found->second;
    setSize(kLookupSize);
    PangoLayout* layout = layoutFor(utf8);
    pango_layout_set_text(layout, utf8.data(), static_cast<int>(utf8.size()));
    std::uint32_t glyph = kMissing;
    PangoLayoutLine* line = pango_layout_get_line_readonly(layout, 0);
    if (line != nullptr && line->runs != nullptr && line->runs->next == nullptr) {
      const auto* run = static_cast<const PangoGlyphItem*>(line->runs->data);
      PangoFont* font = run->item->analysis.font;
      Owned<PangoFontDescription> described(font != nullptr ? pango_font_describe(font) : nullptr);
      const char* family = described ? pango_font_description_get_family(described.get()) : nullptr;
      if (run->glyphs->num_glyphs == 1 && family != nullptr &&
          std::strcmp(family, kPageFace) == 0 &&
          (run->glyphs->glyphs[0].glyph & PANGO_GLYPH_UNKNOWN_FLAG) == 0) {
        glyph = run->glyphs->glyphs[0].glyph;
        if (!face_) {
          cairo_scaled_font_t* scaled = pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(font));
          if (scaled != nullptr) {
            face_.reset(cairo_font_face_reference(cairo_scaled_font_get_font_face(scaled)));
          }
        }
        if (!face_) glyph = kMissing;
      }
    }
    cache_.emplace(key, glyph);
    return glyph;
  }

  // What the face lacks: pango sets the text with a fallback face, narrowed to textWidth's
  // width; a vertical text character by character.
  void drawByPango(cairo_t* cr, const PageText& text) {
    setSize(text.size);
    double at = 0;
    const std::vector<Character> characters = charactersOf(text.gbk, utf8_);
    const std::size_t pieces = text.vertical ? characters.size() : 1;
    for (std::size_t i = 0; i < pieces; ++i) {
      const std::string_view utf8 = text.vertical ? characters[i].utf8 : std::string_view(utf8_);
      PangoLayout* layout = text.vertical ? layoutFor(utf8) : layouts_[0].get();
      pango_layout_set_text(layout, utf8.data(), static_cast<int>(utf8.size()));
      int w = 0, h = 0;
      pango_layout_get_size(layout, &w, &h);
      const double width = static_cast<double>(w) / PANGO_SCALE;
      const double baseline = static_cast<double>(pango_layout_get_baseline(layout)) / PANGO_SCALE;
      const double allowed =
          text.vertical ? characters[i].ems * text.size : textWidth(text.gbk, text.size);
      cairo_save(cr);
      if (text.vertical) {
        cairo_translate(cr, text.x + (text.size - allowed) / 2,
                        text.baseline + at + 0.88 * allowed - baseline);
        at += allowed;
      } else {
        cairo_translate(cr, text.x, text.baseline - baseline);
      }
      if (width > allowed + 0.01 && width > 0) cairo_scale(cr, allowed / width, 1.0);
      setColour(cr, text.colour);
      cairo_move_to(cr, 0, 0);
      pango_cairo_show_layout(cr, layout);
      cairo_restore(cr);
    }
  }

  Owned<PangoLayout> layouts_[2];  // [ASCII]
  Owned<PangoFontDescription> font_;
  Owned<cairo_font_options_t> options_;
  Owned<cairo_font_face_t> face_;
  int size_ = -1;
  std::unordered_map<std::uint32_t, std::uint32_t> cache_;
  std::string utf8_;
  std::vector<cairo_glyph_t> glyphs_;
  std::vector<cairo_text_cluster_t> clusters_;
};

// Watches the bytes cairo writes for what the links need: each page's object (its number and
// dictionary) and the trailer (the catalog, the information dictionary, the size and where the
// cross-reference table stands). cairo writes both as short lines of text; the lines of its
// compressed streams are never taken for them, since only lines shorter than kLongestLine are
// looked at.
class PdfWatcher {
 public:
  struct PageObject {
    long number = 0;
    std::string dictionary;  // from "<<" to the ">>" that closes it, with its line ends
  };

  void see(std::string_view bytes) {
    offset_ += bytes.size();
    while (!bytes.empty()) {
      const void* found = std::memchr(bytes.data(), '\n', bytes.size());
      const std::size_t end =
          found == nullptr ? bytes.size() : static_cast<const char*>(found) - bytes.data();
      if (!longLine_ && line_.size() + end <= kLongestLine) {
        line_.append(bytes.data(), end);
      } else {
        longLine_ = true;
      }
      if (found == nullptr) break;
      if (!longLine_) takeLine();
      previous_ = longLine_ ? std::string() : line_;
      line_.clear();
      longLine_ = false;
      bytes.remove_prefix(end + 1);
    }
  }

  std::size_t offset() const { return offset_; }
  // The page object of page `page` (1 the first), or null when it was not seen.
  const PageObject* page(int page) const {
    const auto found = pages_.find(page);
    return found == pages_.end() ? nullptr : &found->second;
  }
  long size() const { return size_; }
  long root() const { return root_; }
  long info() const { return info_; }
  long crossReference() const { return crossReference_; }

 private:
  static constexpr std::size_t kLongestLine = 96;

  static long numberAfter(std::string_view line, std::string_view word) {
    const std::size_t at = line.find(word);
    if (at == std::string_view::npos) return -1;
    return std::strtol(std::string(line.substr(at + word.size())).c_str(), nullptr, 10);
  }

  void takeLine() {
    if (capturing_ != nullptr) {
      capturing_->dictionary += line_;
      capturing_->dictionary += '\n';
      if (line_ == "endobj") {
        // The dictionary without "endobj".
        capturing_->dictionary.resize(capturing_->dictionary.size() - 7);
        capturing_ = nullptr;
      }
      return;
    }
    if (line_.starts_with("<< /Type /Page % ") && previous_.ends_with(" 0 obj")) {
      const long page = numberAfter(line_, "% ");
      if (page > 0) {
        capturing_ = &pages_[static_cast<int>(page)];
        capturing_->number = std::strtol(previous_.c_str(), nullptr, 10);
        capturing_->dictionary = line_ + "\n";
      }
      return;
    }
    if (previous_ == "startxref") crossReference_ = std::strtol(line_.c_str(), nullptr, 10);
    if (line_.starts_with("trailer")) inTrailer_ = true;
    if (inTrailer_) {
      if (const long n = numberAfter(line_, "/Size "); n > 0) size_ = n;
      if (const long n = numberAfter(line_, "/Root "); n > 0) root_ = n;
      if (const long n = numberAfter(line_, "/Info "); n > 0) info_ = n;
    }
  }

  std::size_t offset_ = 0;
  std::string line_, previous_;
  bool longLine_ = false;
  std::unordered_map<int, PageObject> pages_;
  PageObject* capturing_ = nullptr;
  bool inTrailer_ = false;
  long size_ = -1, root_ = -1, info_ = -1, crossReference_ = -1;
};

// cairo's write function: the closure is the document's sink.
cairo_status_t writeOut(void* closure, const unsigned char* data, unsigned int length) {
  auto& sink = *static_cast<std::function<bool(std::string_view)>*>(closure);
  return sink(std::string_view(reinterpret_cast<const char*>(data), length))
             ? CAIRO_STATUS_SUCCESS
             : CAIRO_STATUS_WRITE_ERROR;
}

// A cross-reference entry: type 1 (at an offset) or 2 (in an object stream, at an index).
struct XrefEntry {
  long object;
  std::uint8_t type;
  std::uint32_t where;
  std::uint16_t index;
};

bool deflated(const std::string& data, std::string& out) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  out.resize(size);
  const int status = compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                               reinterpret_cast<const Bytef*>(data.data()),
                               static_cast<uLong>(data.size()), Z_DEFAULT_COMPRESSION);
  out.resize(size);
  return status == Z_OK;
}

std::string short1(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return std::string(text);
}

// Objects appended to a finished PDF (after the object `watcher` saw last), written into
// compressed object streams 250 at a time, each with its cross-reference entry; the object
// numbers go on from `next`.
class ObjectStreams {
 public:
  ObjectStreams(const PdfWatcher& watcher, const std::function<bool(std::string_view)>& write,
                long next)
      : watcher_(watcher), write_(write), next_(next) {}

  // A new object's number.
  long take() { return next_++; }
  // Object `object` with its `body`, written once its stream is full. False when writing failed.
  bool add(long object, std::string body) {
    batch_.emplace_back(object, std::move(body));
    return batch_.size() < 250 || flush();
  }
  // Writes the objects waiting, if any, as one stream. False when writing failed.
  bool flush() {
    if (batch_.empty()) return true;
    const long stream = next_++;
    std::string header, bodies;
    for (std::size_t i = 0; i < batch_.size(); ++i) {
      header += std::to_string(batch_[i].first) + " " + std::to_string(bodies.size()) + " ";
      bodies += batch_[i].second;
      bodies += '\n';
      entries_.push_back(
          {batch_[i].first, 2, static_cast<std::uint32_t>(stream), static_cast<std::uint16_t>(i)});
    }
    std::string packed;
    if (!deflated(header + bodies, packed)) return false;
    entries_.push_back({stream, 1, static_cast<std::uint32_t>(watcher_.offset()), 0});
    const bool written = write_(std::to_string(stream) + " 0 obj\n<< /Type /ObjStm /N " +
                                std::to_string(batch_.size()) + " /First " +
                                std::to_string(header.size()) + " /Filter /FlateDecode /Length " +
                                std::to_string(packed.size()) + " >>\nstream\n") &&
                         write_(packed) && write_("\nendstream\nendobj\n");
    batch_.clear();
    return written;
  }
  std::vector<XrefEntry>& entries() { return entries_; }

 private:
  const PdfWatcher& watcher_;
  const std::function<bool(std::string_view)>& write_;
  long next_;
  std::vector<XrefEntry> entries_;
  std::vector<std::pair<long, std::string>> batch_;  // objects waiting for their stream
};

// The cross-reference stream of the objects `streams` wrote, itself among its entries, pointing
// back to the document's own table, and the end of the file. False when writing failed.
bool writeCrossReference(const PdfWatcher& w, const std::function<bool(std::string_view)>& write,
                         ObjectStreams& streams) {
  std::vector<XrefEntry>& entries = streams.entries();
  const long table = streams.take();
  const long next = table + 1;
  const std::size_t tableOffset = w.offset();
  entries.push_back({table, 1, static_cast<std::uint32_t>(tableOffset), 0});
  std::sort(entries.begin(), entries.end(),
            [](const XrefEntry& a, const XrefEntry& b) { return a.object < b.object; });
  std::string index, rows;
  for (std::size_t i = 0; i < entries.size();) {
    std::size_t j = i + 1;
    while (j < entries.size() && entries[j].object == entries[j - 1].object + 1) ++j;
    index += std::to_string(entries[i].object) + " " + std::to_string(j - i) + " ";
    for (; i < j; ++i) {
      const XrefEntry& e = entries[i];
      rows += static_cast<char>(e.type);
      for (int shift = 24; shift >= 0; shift -= 8) rows += static_cast<char>(e.where >> shift);
      rows += static_cast<char>(e.index >> 8);
      rows += static_cast<char>(e.index);
    }
  }
  std::string packed;
  if (!deflated(rows, packed)) return false;
  std::string dictionary = std::to_string(table) + " 0 obj\n<< /Type /XRef /Size " +
                           std::to_string(next) + " /Root " + std::to_string(w.root()) + " 0 R";
  if (w.info() > 0) dictionary += " /Info " + std::to_string(w.info()) + " 0 R";
  dictionary += " /Prev " + std::to_string(w.crossReference()) + " /W [ 1 4 2 ] /Index [ " + index +
                "] /Filter /FlateDecode /Length " + std::to_string(packed.size()) + " >>\nstream\n";
  return write(dictionary) && write(packed) &&
         write("\nendstream\nendobj\nstartxref\n" + std::to_string(tableOffset) + "\n%%EOF\n");
}

// GLib ends the process when an allocation fails, or a thread's stack cannot be mapped (g_error,
// a breakpoint trap); the programs end as they do when operator new fails instead, removing a
// temporary file.
void onGlibError(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer data) {
  if (message != nullptr && (std::strstr(message, "failed to allocate") != nullptr ||
                             std::strstr(message, "Error creating thread") != nullptr)) {
    exitOutOfMemory();
  }
  g_log_default_handler(domain, level, message, data);
}

}  // namespace

struct PdfDocument::Impl {
  // A link as PDF places it: its rectangle in the page's own coordinates (from the bottom).
  struct Link {
    int page = 0;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int target = 0;
    float targetY = 0;  // from the top of the target page
  };

  Output output;
  std::function<bool(std::string_view)> sink = [this](std::string_view bytes) {
    return write(bytes);
  };
  PdfWatcher watcher;
  bool outputFailed = false;
  Owned<cairo_surface_t> surface;
  Owned<cairo_t> cr;
  std::unique_ptr<TextSetter> setters[2][2];  // [bold][vertical]
  std::vector<Link> links;
  std::vector<float> pageHeights;
  std::vector<int> bookmarkParents;  // the outline's last entry of each level
  bool finished = false;

  bool write(std::string_view bytes) {
    watcher.see(bytes);
    if (!outputFailed && !output(bytes)) outputFailed = true;
    return !outputFailed;
  }

  cairo_status_t status() const {
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
      return cairo_surface_status(surface.get());
    }
    return cr ? cairo_status(cr.get()) : CAIRO_STATUS_SUCCESS;
  }
  bool ok() const { return !finished && !outputFailed && status() == CAIRO_STATUS_SUCCESS; }

  TextSetter& setter(bool bold, bool vertical) {
    auto& made = setters[bold ? 1 : 0][vertical ? 1 : 0];
    if (!made) made = std::make_unique<TextSetter>(cr.get(), bold, vertical);
    return *made;
  }

  void addBookmarks(const Page& page);
  bool writeLinks();
};

namespace {

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

}  // namespace

PdfDocument::PdfDocument(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

PdfDocument::~PdfDocument() {
  // A document never finished writes nothing more: its output is being abandoned.
  if (impl_ && !impl_->finished) impl_->outputFailed = true;
}

std::unique_ptr<PdfDocument> PdfDocument::create(Output output, const Properties& properties) {
  static const bool glibErrorsTaken =
      g_log_set_handler("GLib", static_cast<GLogLevelFlags>(G_LOG_LEVEL_ERROR | G_LOG_FLAG_FATAL),
                        onGlibError, nullptr) != 0;
  static_cast<void>(glibErrorsTaken);
  auto impl = std::make_unique<Impl>();
  impl->output = std::move(output);
  // The size is set again for every page.
  impl->surface.reset(cairo_pdf_surface_create_for_stream(writeOut, &impl->sink, 595, 842));
  if (cairo_surface_status(impl->surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  cairo_pdf_surface_set_metadata(impl->surface.get(), CAIRO_PDF_METADATA_TITLE,
                                 printableUtf8(properties.gbkTitle).c_str());
  cairo_pdf_surface_set_metadata(impl->surface.get(), CAIRO_PDF_METADATA_AUTHOR,
                                 printableUtf8(properties.gbkAuthor).c_str());
  cairo_pdf_surface_set_metadata(impl->surface.get(), CAIRO_PDF_METADATA_CREATOR,
                                 properties.creator.c_str());
  impl->cr.reset(cairo_create(impl->surface.get()));
  if (!impl->ok()) return nullptr;
  impl->setter(false, false).prepare();
  impl->setter(true, false).prepare();
  if (!impl->ok()) return nullptr;
  return std::unique_ptr<PdfDocument>(new PdfDocument(std::move(impl)));
}

void PdfDocument::Impl::addBookmarks(const Page& page) {
  const int pageNumber = static_cast<int>(pageHeights.size());
  for (const PageBookmark& bookmark : page.bookmarks) {
    const std::size_t level = static_cast<std::size_t>(std::max(0, bookmark.level));
    const int parent = level == 0 || level > bookmarkParents.size() ? CAIRO_PDF_OUTLINE_ROOT
                                                                    : bookmarkParents[level - 1];
    const std::string destination =
        "page=" + std::to_string(pageNumber) + " pos=[0 " + number(bookmark.y) + "]";
    // The top level opens onto the next.
    const int id = cairo_pdf_surface_add_outline(
        surface.get(), parent, printableUtf8(bookmark.gbk).c_str(), destination.c_str(),
        level == 0 ? CAIRO_PDF_OUTLINE_FLAG_OPEN : cairo_pdf_outline_flags_t{});
    bookmarkParents.resize(level + 1);
    bookmarkParents[level] = id;
  }
}

bool PdfDocument::addPage(const Page& page) {
  if (!impl_->ok()) return false;
  cairo_t* cr = impl_->cr.get();
  cairo_pdf_surface_set_size(impl_->surface.get(), page.width, page.height);
  impl_->pageHeights.push_back(static_cast<float>(page.height));

  for (const PageRect& rect : page.rects) {
    cairo_rectangle(cr, rect.x, rect.y, rect.width, rect.height);
    if (rect.fill != kNoFill) {
      setColour(cr, rect.fill);
      if (rect.lineWidth <= 0) {
        cairo_fill(cr);
        continue;
      }
      cairo_fill_preserve(cr);
    }
    const double dash[] = {2.0, 1.5};
    cairo_set_dash(cr, dash, rect.dashed ? 2 : 0, 0);
    cairo_set_line_width(cr, rect.lineWidth);
    setColour(cr, rect.colour);
    cairo_stroke(cr);
  }
  for (const PageLine& line : page.lines) {
    const double dots[] = {0.6, 2.4};
    cairo_set_dash(cr, dots, line.dotted ? 2 : 0, 0);
    cairo_set_line_cap(cr, line.dotted ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
    cairo_set_line_width(cr, line.lineWidth);
    setColour(cr, line.colour);
    cairo_move_to(cr, line.x1, line.y1);
    cairo_line_to(cr, line.x2, line.y2);
    cairo_stroke(cr);
  }
  cairo_set_dash(cr, nullptr, 0, 0);
  for (const PageText& text : page.texts) impl_->setter(text.bold, text.vertical).draw(cr, text);

  const int pageNumber = static_cast<int>(impl_->pageHeights.size());
  for (const PageLink& link : page.links) {
    if (link.page < 1) continue;
    impl_->links.push_back({pageNumber, static_cast<float>(link.x),
                            static_cast<float>(page.height - link.y - link.height),
                            static_cast<float>(link.x + link.width),
                            static_cast<float>(page.height - link.y), link.page,
                            static_cast<float>(link.targetY)});
  }
  impl_->addBookmarks(page);
  cairo_show_page(cr);
  return impl_->ok();
}

// The update after cairo's document: a link annotation an object, and each linked page's
// dictionary again with its /Annots, packed a few hundred to a compressed object stream, then a
// compressed cross-reference stream whose /Prev is cairo's table. A document whose objects were
// not all seen keeps no links rather than wrong ones.
bool PdfDocument::Impl::writeLinks() {
  const PdfWatcher& w = watcher;
  if (links.empty() || w.size() <= 0 || w.root() <= 0 || w.crossReference() < 0) return true;
  for (const Link& link : links) {
    if (w.page(link.page) == nullptr || w.page(link.target) == nullptr) return true;
  }
  const std::function<bool(std::string_view)> out = [this](std::string_view bytes) {
    return write(bytes);
  };
  ObjectStreams streams(w, out, w.size());
  for (std::size_t first = 0; first < links.size();) {
    std::size_t last = first;
    while (last < links.size() && links[last].page == links[first].page) ++last;
    std::string annotations;
    for (std::size_t i = first; i < last; ++i) {
      const Link& link = links[i];
      const PdfWatcher::PageObject& target = *w.page(link.target);
      const double top = pageHeights[static_cast<std::size_t>(link.target - 1)] - link.targetY;
      const long object = streams.take();
      annotations += std::to_string(object) + " 0 R ";
      if (!streams.add(object, "<</Type/Annot/Subtype/Link/Rect[" + short1(link.x1) + " " +
                                   short1(link.y1) + " " + short1(link.x2) + " " + short1(link.y2) +
                                   "]/Border[0 0 0]/Dest[" + std::to_string(target.number) +
                                   " 0 R/XYZ null " + short1(top) + " null]>>")) {
        return false;
      }
    }
    // The page's dictionary again, with its annotations, without cairo's comment (% N).
    const PdfWatcher::PageObject& page = *w.page(links[first].page);
    std::string dictionary = page.dictionary.substr(3);
    if (const std::size_t comment = dictionary.find('%'); comment != std::string::npos) {
      dictionary.erase(comment, dictionary.find('\n', comment) - comment);
    }
    if (!streams.add(page.number, "<< /Annots [ " + annotations + "] " + dictionary)) return false;
    first = last;
  }
  return streams.flush() && writeCrossReference(w, out, streams);
}

bool PdfDocument::finish() {
  if (!impl_->ok()) return false;
  for (auto& weight : impl_->setters) {
    for (auto& setter : weight) setter.reset();
  }
  impl_->cr.reset();
  cairo_surface_finish(impl_->surface.get());
  bool ok = impl_->status() == CAIRO_STATUS_SUCCESS && !impl_->outputFailed;
  if (ok) ok = impl_->writeLinks();
  impl_->finished = true;
  return ok;
}

bool PdfDocument::outOfMemory() const { return impl_->status() == CAIRO_STATUS_NO_MEMORY; }

double paintedTextWidth(std::string_view gbk, double size, bool bold) {
  Owned<cairo_surface_t> surface(cairo_pdf_surface_create_for_stream(
      [](void*, const unsigned char*, unsigned int) { return CAIRO_STATUS_SUCCESS; }, nullptr, 100,
      100));
  Owned<cairo_t> cr(cairo_create(surface.get()));
  TextSetter setter(cr.get(), bold, false);
  return setter.measure(gbk, size);
}

}  // namespace platform

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer build's leak check: fontconfig keeps patterns it never frees once pango's font
// map has asked it for the face, and cairo's subsetting of a CFF face (Noto CJK) at the end of a
// document leaves an array of each face (768 bytes: pango alone drawing the face leaks it too).
// That memory is the libraries', not the program's; every cairo object of the program is owned
// (CairoDeleter). Without frame pointers in cairo, only its module names such a leak.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libcairo.so\n";
}
#endif
