#include "platform/pdf/pdf_document.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <utility>

#include "platform/gbk.h"

namespace platform {
namespace {

// The UTF-8 of a GBK text; a byte that starts no GBK character becomes U+FFFD.
std::string printableUtf8(std::string_view gbk) {
  std::string utf8;
  utf8.reserve(gbk.size() * 3 / 2);
  for (std::size_t i = 0; i < gbk.size();) {
    const std::size_t length = gbkCharLength(gbk.substr(i));
    if (length == 2 && appendGbkCharAsUtf8(static_cast<unsigned char>(gbk[i]),
                                           static_cast<unsigned char>(gbk[i + 1]), utf8)) {
      i += 2;
      continue;
    }
    if (length == 1) {
      utf8 += gbk[i];
    } else {
      utf8 += "\xEF\xBF\xBD";
    }
    ++i;
  }
  return utf8;
}

struct CairoDeleter {
  void operator()(cairo_t* cr) const { cairo_destroy(cr); }
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
  void operator()(PangoLayout* layout) const { g_object_unref(layout); }
  void operator()(PangoFontDescription* font) const { pango_font_description_free(font); }
  void operator()(cairo_font_options_t* options) const { cairo_font_options_destroy(options); }
};
template <typename T>
using Owned = std::unique_ptr<T, CairoDeleter>;

void setColour(cairo_t* cr, PageColour colour) {
  cairo_set_source_rgb(cr, ((colour >> 16) & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0,
                       (colour & 0xFF) / 255.0);
}

// One layout in kPageFace whose advances are the face's own (no hinting), so that widths add up
// as textWidth computes them.
class TextSetter {
 public:
  explicit TextSetter(cairo_t* cr)
      : layout_(pango_cairo_create_layout(cr)),
        font_(pango_font_description_from_string(kPageFace)),
        options_(cairo_font_options_create()) {
    cairo_font_options_set_hint_metrics(options_.get(), CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options_.get(), CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(pango_layout_get_context(layout_.get()), options_.get());
  }

  // Sets `gbk` at `size`; its width and baseline (from the layout's top), in points.
  void set(std::string_view gbk, double size, double& width, double& baseline) {
    const int scaled = static_cast<int>(size * PANGO_SCALE + 0.5);
    if (scaled != size_) {
      pango_font_description_set_absolute_size(font_.get(), scaled);
      pango_layout_set_font_description(layout_.get(), font_.get());
      size_ = scaled;
    }
    const std::string utf8 = printableUtf8(gbk);
    pango_layout_set_text(layout_.get(), utf8.data(), static_cast<int>(utf8.size()));
    int w = 0, h = 0;
    pango_layout_get_size(layout_.get(), &w, &h);
    width = static_cast<double>(w) / PANGO_SCALE;
    baseline = static_cast<double>(pango_layout_get_baseline(layout_.get())) / PANGO_SCALE;
  }

  PangoLayout* layout() const { return layout_.get(); }

 private:
  Owned<PangoLayout> layout_;
  Owned<PangoFontDescription> font_;
  Owned<cairo_font_options_t> options_;
  int size_ = -1;
};

cairo_status_t writeOut(void* closure, const unsigned char* data, unsigned int length) {
  auto& output = *static_cast<PdfDocument::Output*>(closure);
  return output(std::string_view(reinterpret_cast<const char*>(data), length))
             ? CAIRO_STATUS_SUCCESS
             : CAIRO_STATUS_WRITE_ERROR;
}

}  // namespace

struct PdfDocument::Impl {
  Output output;
  Owned<cairo_surface_t> surface;
  Owned<cairo_t> cr;
  std::unique_ptr<TextSetter> setter;
  bool finished = false;

  bool ok() const {
    return !finished && cairo_surface_status(surface.get()) == CAIRO_STATUS_SUCCESS &&
           cairo_status(cr.get()) == CAIRO_STATUS_SUCCESS;
  }
};

PdfDocument::PdfDocument(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

PdfDocument::~PdfDocument() {
  // A document never finished writes nothing more: its output is being abandoned.
  if (impl_ && !impl_->finished) impl_->output = [](std::string_view) { return false; };
}

std::unique_ptr<PdfDocument> PdfDocument::create(Output output, const Properties& properties) {
  auto impl = std::make_unique<Impl>();
  impl->output = std::move(output);
  // The size is set again for every page.
  impl->surface.reset(cairo_pdf_surface_create_for_stream(writeOut, &impl->output, 595, 842));
  if (cairo_surface_status(impl->surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  cairo_pdf_surface_set_metadata(impl->surface.get(), CAIRO_PDF_METADATA_TITLE,
                                 printableUtf8(properties.gbkTitle).c_str());
  cairo_pdf_surface_set_metadata(impl->surface.get(), CAIRO_PDF_METADATA_AUTHOR,
                                 printableUtf8(properties.gbkAuthor).c_str());
  cairo_pdf_surface_set_metadata(impl->surface.get(), CAIRO_PDF_METADATA_CREATOR,
                                 properties.creator.c_str());
  impl->cr.reset(cairo_create(impl->surface.get()));
  impl->setter = std::make_unique<TextSetter>(impl->cr.get());
  if (!impl->ok()) return nullptr;
  return std::unique_ptr<PdfDocument>(new PdfDocument(std::move(impl)));
}

bool PdfDocument::addPage(const Page& page) {
  if (!impl_->ok()) return false;
  cairo_t* cr = impl_->cr.get();
  cairo_pdf_surface_set_size(impl_->surface.get(), page.width, page.height);

  for (const PageRect& rect : page.rects) {
    cairo_rectangle(cr, rect.x, rect.y, rect.width, rect.height);
    if (rect.fill != kNoFill) {
      setColour(cr, rect.fill);
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
  for (const PageText& text : page.texts) {
    double width = 0, baseline = 0;
    impl_->setter->set(text.gbk, text.size, width, baseline);
    const double allowed = textWidth(text.gbk, text.size);
    cairo_save(cr);
    cairo_translate(cr, text.x, text.baseline - baseline);
    if (width > allowed + 0.01 && width > 0) cairo_scale(cr, allowed / width, 1.0);
    setColour(cr, text.colour);
    cairo_move_to(cr, 0, 0);
    pango_cairo_show_layout(cr, impl_->setter->layout());
    cairo_restore(cr);
  }
  cairo_show_page(cr);
  return impl_->ok();
}

bool PdfDocument::finish() {
  if (!impl_->ok()) return false;
  impl_->setter.reset();
  impl_->cr.reset();
  cairo_surface_finish(impl_->surface.get());
  const bool ok = cairo_surface_status(impl_->surface.get()) == CAIRO_STATUS_SUCCESS;
  impl_->finished = true;
  return ok;
}

double paintedTextWidth(std::string_view gbk, double size) {
  Owned<cairo_surface_t> surface(cairo_pdf_surface_create_for_stream(
      [](void*, const unsigned char*, unsigned int) { return CAIRO_STATUS_SUCCESS; }, nullptr, 100,
      100));
  Owned<cairo_t> cr(cairo_create(surface.get()));
  TextSetter setter(cr.get());
  double width = 0, baseline = 0;
  setter.set(gbk, size, width, baseline);
  return width;
}

}  // namespace platform

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer build's leak check: fontconfig keeps patterns it never frees once pango's font
// map has asked it for the face. That memory is fontconfig's, not the program's.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif
