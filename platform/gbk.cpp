#include "platform/gbk.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>

namespace platform {
namespace {

// One iconv conversion descriptor, closed when the scope ends.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t descriptor() const { return cd_; }

  // Converts as much as it can; returns false at the first invalid or unconvertible input.
  // `in` and `inLeft` point past what was converted. The buffer is large because each call of
  // iconv costs as much as hundreds of characters.
  bool convert(const char*& in, std::size_t& inLeft, std::string& out) {
    // Room for the whole output (GBK to UTF-8 makes at most 3 bytes of 2), up to a limit.
    buffer_.resize(std::max(buffer_.size(), std::min(kBufferSize, 2 * inLeft + 16)));
    while (inLeft > 0) {
      char* outPtr = buffer_.data();
      std::size_t outLeft = buffer_.size();
      char* inPtr = const_cast<char*>(in);
      std::size_t result = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
      out.append(buffer_.data(), static_cast<std::size_t>(outPtr - buffer_.data()));
      in = inPtr;
      if (result == static_cast<std::size_t>(-1)) {
        if (errno == E2BIG) continue;
        return false;
      }
    }
    return true;
  }

 private:
  static constexpr std::size_t kBufferSize = 16384;
  iconv_t cd_;
  std::string buffer_;
};

}  // namespace

std::optional<std::string> gbkToUtf8(std::string_view gbk) {
  // Validate byte by byte first: glibc's GBK decoder accepts a few sequences (0x80) that the
  // Windows code page 936 lacks, and the check keeps the two sides symmetric.
  for (std::size_t i = 0; i < gbk.size();) {
    std::size_t n = gbkCharLength(gbk.substr(i));
    if (n == 0) return std::nullopt;
    i += n;
  }
  Converter converter("UTF-8", "GBK");
  if (!converter.ok()) return std::nullopt;
  std::string out;
  const char* in = gbk.data();
  std::size_t left = gbk.size();
  if (!converter.convert(in, left, out)) return std::nullopt;
  return out;
}

std::string utf8ToGbk(std::string_view utf8, char replacement) {
  Converter converter("GBK", "UTF-8");
  std::string out;
  if (!converter.ok()) return out;
  const char* in = utf8.data();
  std::size_t left = utf8.size();
  while (left > 0) {
    if (converter.convert(in, left, out)) break;
    // Skip one whole UTF-8 character (or one stray byte) and put the replacement in its place.
    auto lead = static_cast<unsigned char>(*in);
    std::size_t skip = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    std::size_t i = 1;
    while (i < skip && i < left && (static_cast<unsigned char>(in[i]) & 0xC0) == 0x80) ++i;
    in += i;
    left -= i;
    out.push_back(replacement);
  }
  return out;
}

namespace {

// The UTF-8 of every two-byte GBK character: lead bytes 0x81 to 0xFE, trail bytes 0x40 to 0xFE.
class GbkTable {
 public:
  GbkTable() {
    Converter converter("UTF-8", "GBK");
    if (!converter.ok()) return;
    std::string out;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
      for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
        const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        if (gbkCharLength(std::string_view(pair, 2)) != 2) continue;
        const char* in = pair;
        std::size_t left = 2;
        out.clear();
        iconv(converter.descriptor(), nullptr, nullptr, nullptr, nullptr);
        if (!converter.convert(in, left, out) || out.empty() || out.size() > 3) continue;
        Entry& entry = entries_[index(lead, trail)];
        entry.length = static_cast<unsigned char>(out.size());
        out.copy(entry.bytes, out.size());
      }
    }
  }
  bool append(unsigned char lead, unsigned char trail, std::string& utf8) const {
    if (lead < 0x81 || lead > 0xFE || trail < 0x40 || trail > 0xFE) return false;
    const Entry& entry = entries_[index(lead, trail)];
    utf8.append(entry.bytes, entry.length);
    return entry.length != 0;
  }

 private:
  struct Entry {
    unsigned char length = 0;  // 0: no character
    char bytes[3] = {};
  };
  static std::size_t index(unsigned lead, unsigned trail) {
    return (lead - 0x81) * 0xBF + (trail - 0x40);
  }
  Entry entries_[0x7E * 0xBF];
};

}  // namespace

bool appendGbkCharAsUtf8(unsigned char lead, unsigned char trail, std::string& utf8) {
  static const GbkTable table;
  return table.append(lead, trail, utf8);
}

std::size_t gbkCharLength(std::string_view text) {
  if (text.empty()) return 0;
  auto lead = static_cast<unsigned char>(text[0]);
  if (lead < 0x80) return 1;
  if (lead == 0x80 || lead == 0xFF || text.size() < 2) return 0;
  auto trail = static_cast<unsigned char>(text[1]);
  if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return 0;
  return 2;
}

bool decodeToUtf8(std::string_view bytes, const char* charset, std::string& utf8,
                  std::vector<std::size_t>& bad) {
  Converter converter("UTF-8", charset);
  if (!converter.ok()) return false;
  static constexpr char kReplacement[] = "\xEF\xBF\xBD";
  utf8.reserve(utf8.size() + bytes.size() + bytes.size() / 2);
  const char* in = bytes.data();
  std::size_t left = bytes.size();
  while (!converter.convert(in, left, utf8)) {
    // An invalid sequence (EILSEQ) or one cut short by the end (EINVAL): one byte is replaced
    // and skipped, and the converter starts afresh after it.
    bad.push_back(utf8.size());
    utf8 += kReplacement;
    ++in;
    --left;
    iconv(converter.descriptor(), nullptr, nullptr, nullptr, nullptr);
  }
  return true;
}

}  // namespace platform
