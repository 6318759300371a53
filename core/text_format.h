// A growable text with printf-style formatting, for the formatters and the kinship sentences.
//
// The format is always a literal of the program's own: data (a person's name, a file's bytes)
// goes in through %s arguments or plain appends, never as the format.
#pragma once

#include <string>

namespace quillet {

// Appends the formatted text to `text`; the text grows as far as it needs.
void appendFormat(std::string& text, const char* format, ...) __attribute__((format(printf, 2, 3)));

// `text` replaced by the formatted text.
void assignFormat(std::string& text, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace quillet
