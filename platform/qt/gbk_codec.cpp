#include "platform/qt/gbk_codec.h"

#include <iconv.h>

#include "platform/gbk.h"

namespace platform {

namespace {

// GBK to UTF-8 over one open converter. False when the bytes are not all GBK.
bool convertGbk(std::string_view gbk, std::string& utf8) {
  static iconv_t converter = iconv_open("UTF-8", "GBK");
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  utf8.resize(gbk.size() * 2 + 4);
  char* in = const_cast<char*>(gbk.data());
  std::size_t inLeft = gbk.size();
  char* out = utf8.data();
  std::size_t outLeft = utf8.size();
  if (iconv(converter, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) return false;
  utf8.resize(utf8.size() - outLeft);
  return true;
}

}  // namespace

QString qStringFromGbk(std::string_view gbk) {
  std::string utf8;
  if (convertGbk(gbk, utf8))
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  // Character by character, so that one bad byte spoils only itself.
  QString text;
  for (std::size_t i = 0; i < gbk.size();) {
    std::size_t length = gbkCharLength(gbk.substr(i));
    if (length == 0) {
      text += QChar(0xFFFD);
      ++i;
      continue;
    }
    if (convertGbk(gbk.substr(i, length), utf8)) {
      text += QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    } else {
      text += QChar(0xFFFD);
    }
    i += length;
  }
  return text;
}

std::string gbkFromQString(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return utf8ToGbk(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

std::size_t gbkLengthOf(const QString& text) { return gbkFromQString(text).size(); }

}  // namespace platform
