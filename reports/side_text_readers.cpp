#include "reports/side_text_readers.h"

#include <cstddef>
#include <string_view>

#include "platform/text_file.h"

namespace quillet {
namespace {

constexpr std::size_t kNameFieldBytes = 6;
constexpr int kNamesPerLine = 9;

// Appends the file's bytes; NUL adds nothing, and '#' becomes CR LF when `hashBreaksLine`.
void appendBytes(platform::TextFile& file, std::string& text, bool hashBreaksLine) {
  for (int c = file.getc(); c != platform::TextFile::kEof; c = file.getc()) {
    if (c == '\0') continue;
    if (hashBreaksLine && c == '#') {
      text += "\r\n";
    } else {
      text += static_cast<char>(c);
    }
  }
  file.close();
}

}  // namespace

void readNameRoster(platform::TextFile& file, std::string& text, int& count) {
  count = 0;
  int placeOnLine = 0;
  char field[kNameFieldBytes];
  while (file.read(field, kNameFieldBytes) == kNameFieldBytes) {
    ++count;
    if (placeOnLine == 0) text += "        ";
    std::string_view name(field, kNameFieldBytes);
    text += name.substr(0, name.find('\0'));
    if (++placeOnLine == kNamesPerLine) {
      text += "\r\n";
      placeOnLine = 0;
    } else {
      text += "    ";
    }
  }
  file.close();
}

void readPlainText(platform::TextFile& file, std::string& text) { appendBytes(file, text, false); }

void readMarkedText(platform::TextFile& file, std::string& text) { appendBytes(file, text, true); }

}  // namespace quillet
