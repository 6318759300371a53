#include "tools/batch/batch_text.h"

#include "platform/gbk.h"

namespace quillet::batch {

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void appendHexByte(std::string& out, unsigned char byte) {
  static constexpr char kDigits[] = "0123456789abcdef";
  out += "\\x";
  out += kDigits[byte >> 4];
  out += kDigits[byte & 0x0F];
}

}  // namespace

std::optional<std::string> decodeInputText(std::string_view utf8) {
  std::string gbk;
  std::string plain;  // UTF-8 waiting for conversion
  auto flush = [&] {
    gbk += platform::utf8ToGbk(plain);
    plain.clear();
  };
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] != '\\') {
      plain += utf8[i];
      continue;
    }
    if (++i == utf8.size()) return std::nullopt;
    switch (utf8[i]) {
      case 'r':
        plain += '\r';
        break;
      case 'n':
        plain += '\n';
        break;
      case 't':
        plain += '\t';
        break;
      case 's':
        plain += ' ';
        break;
      case '\\':
        plain += '\\';
        break;
      case 'x': {
        if (i + 2 >= utf8.size()) return std::nullopt;
        const int high = hexValue(utf8[i + 1]);
        const int low = hexValue(utf8[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        flush();
        gbk += static_cast<char>(high * 16 + low);
        i += 2;
        break;
      }
      default:
        return std::nullopt;
    }
  }
  flush();
  return gbk;
}

namespace {

// Encodes the characters of `gbk` from `i` on until `out` has grown by `budget` bytes or more;
// returns where it stopped, a character boundary.
std::size_t encodeFrom(std::string_view gbk, std::size_t i, std::size_t budget, std::string& out) {
  const std::size_t start = out.size();
  while (i < gbk.size() && out.size() - start < budget) {
    const unsigned char byte = static_cast<unsigned char>(gbk[i]);
    if (byte >= 0x80 && platform::gbkCharLength(gbk.substr(i)) == 2) {
      const unsigned char trail = static_cast<unsigned char>(gbk[i + 1]);
      if (!platform::appendGbkCharAsUtf8(byte, trail, out)) {
        appendHexByte(out, byte);  // a character the converter does not know
        appendHexByte(out, trail);
      }
      i += 2;
      continue;
    }
    switch (byte) {
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        if (byte < 0x20 || byte >= 0x80) {
          appendHexByte(out, byte);
        } else {
          out += static_cast<char>(byte);
        }
    }
    ++i;
  }
  return i;
}

}  // namespace

void appendOutputText(std::string_view gbk, std::string& out) {
  encodeFrom(gbk, 0, std::string::npos, out);
}

std::string encodeOutputText(std::string_view gbk) {
  std::string out;
  out.reserve(gbk.size() * 3 / 2);
  appendOutputText(gbk, out);
  return out;
}

void writeOutputText(std::string_view gbk, std::ostream& out) {
  // A block at a time: a long pane is never copied whole.
  constexpr std::size_t kBlock = 1 << 16;
  std::string block;
  block.reserve(kBlock + 16);
  for (std::size_t at = 0; at < gbk.size();) {
    block.clear();
    at = encodeFrom(gbk, at, kBlock, block);
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
}

}  // namespace quillet::batch
