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

// Appends the UTF-8 of a run of valid two-byte GBK characters; a character the converter does
// not know is written as its two escaped bytes.
void appendGbkRun(std::string& out, std::string_view run) {
  if (run.empty()) return;
  if (std::optional<std::string> utf8 = platform::gbkToUtf8(run)) {
    out += *utf8;
    return;
  }
  for (std::size_t i = 0; i + 1 < run.size(); i += 2) {
    if (std::optional<std::string> one = platform::gbkToUtf8(run.substr(i, 2))) {
      out += *one;
    } else {
      appendHexByte(out, static_cast<unsigned char>(run[i]));
      appendHexByte(out, static_cast<unsigned char>(run[i + 1]));
    }
  }
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

std::string encodeOutputText(std::string_view gbk) {
  std::string out;
  out.reserve(gbk.size() * 3 / 2);
  std::string run;  // two-byte characters waiting for conversion, converted together
  for (std::size_t i = 0; i < gbk.size();) {
    const unsigned char byte = static_cast<unsigned char>(gbk[i]);
    if (byte >= 0x80 && platform::gbkCharLength(gbk.substr(i)) == 2) {
      run.append(gbk.substr(i, 2));
      i += 2;
      continue;
    }
    appendGbkRun(out, run);
    run.clear();
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
  appendGbkRun(out, run);
  return out;
}

}  // namespace quillet::batch
