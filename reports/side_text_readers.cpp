#include "reports/side_text_readers.h"

#include <cstddef>
#include <string_view>

#include "platform/read_problem.h"
#include "platform/text_file.h"

namespace quillet {
namespace {

constexpr std::size_t kNameFieldBytes = 6;
constexpr int kNamesPerLine = 9;

// Appends the file's bytes, at most `limit` of them; NUL adds nothing, and '#' becomes CR LF
// when `hashBreaksLine`. False when a byte was left after the limit.
bool appendBytes(platform::TextFile& file, std::string& text, bool hashBreaksLine,
                 std::size_t limit) {
  bool whole = true;
  std::size_t read = 0;
  for (int c = file.getc(); c != platform::TextFile::kEof; c = file.getc()) {
    if (read++ == limit) {
      whole = false;
      break;
    }
    if (c == '\0') continue;
    if (hashBreaksLine && c == '#') {
      text += "\r\n";
    } else {
      text += static_cast<char>(c);
    }
  }
  file.close();
  return whole;
}

}  // namespace

bool readNameRoster(platform::TextFile& file, std::string& text, int& count, std::size_t limit) {
  count = 0;
  const std::size_t start = text.size();
  int placeOnLine = 0;
  std::size_t read = 0;
  char field[kNameFieldBytes];
  bool more = true;  // the file may hold more than has been read
  while (read + kNameFieldBytes <= limit) {
    if (file.read(field, kNameFieldBytes) != kNameFieldBytes) {
      more = false;
      break;
    }
    read += kNameFieldBytes;
    if (std::string_view(field, kNameFieldBytes) == std::string_view("\0\0\0\0\0\0", 6)) {
      text.resize(start);
      count = kNotText;
      file.close();
      return true;
    }
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
  // Stopped by the limit: a file of no more than `limit` bytes still ends in a part too short
  // for a name.
  const bool whole = !more || file.read(field, limit - read + 1) <= limit - read;
  file.close();
  return whole;
}

bool readPlainText(platform::TextFile& file, std::string& text, std::size_t limit) {
  return appendBytes(file, text, false, limit);
}

bool readMarkedText(platform::TextFile& file, std::string& text, std::size_t limit) {
  return appendBytes(file, text, true, limit);
}

std::string sideFileCutLine(std::string_view gbkName) {
  std::string line = "\r\n\r\n     文件 ";
  line += gbkName;
  line += " 超过";
  line += std::to_string(kSideFileLimit >> 20);
  line += "MB，只显示了前";
  line += std::to_string(kSideFileLimit >> 20);
  line += "MB";
  return line;
}

std::string notTextLine(std::string_view gbkName) {
  std::string line = "\r\n\r\n     文件 ";
  line += gbkName;
  line += " 不是文本文件，其中没有人名";
  return line;
}

std::string unreadableFileLine(std::string_view gbkName) {
  std::string line = "\r\n\r\n     无法读取文件 ";
  line += gbkName;
  line += "：";
  line += platform::readProblemWords(platform::readProblemOf(gbkName));
  return line;
}

}  // namespace quillet
