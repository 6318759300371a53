#include "core/text_format.h"

#include <cstdarg>
#include <cstdio>

namespace quillet {
namespace {

void appendFormatV(std::string& text, const char* format, std::va_list args) {
  std::va_list measure;
  va_copy(measure, args);
  int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length <= 0) return;
  std::size_t start = text.size();
  text.resize(start + static_cast<std::size_t>(length) + 1);
  std::vsnprintf(text.data() + start, static_cast<std::size_t>(length) + 1, format, args);
  text.resize(start + static_cast<std::size_t>(length));
}

}  // namespace

void appendFormat(std::string& text, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  appendFormatV(text, format, args);
  va_end(args);
}

void assignFormat(std::string& text, const char* format, ...) {
  text.clear();
  std::va_list args;
  va_start(args, format);
  appendFormatV(text, format, args);
  va_end(args);
}

}  // namespace quillet
