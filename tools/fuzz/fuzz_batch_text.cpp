// Feeds any bytes to quillet-batch's text conventions: the input unescaping (any line a script
// may hold) and the output escaping (any GBK text the window may show). Checks that nothing
// crashes, that an output line is one line of valid UTF-8 without control bytes, and that
// unescaping what was escaped gives back the very bytes the window showed.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tools/batch/batch_text.h"
#include "tools/fuzz/fuzz_support.h"

namespace {

using quillet::fuzz::require;

bool isValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80           ? 1
                         : (lead >> 5) == 0x6  ? 2
                         : (lead >> 4) == 0xE  ? 3
                         : (lead >> 3) == 0x1E ? 4
                                               : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  quillet::batch::decodeInputText(bytes);

  const std::string line = quillet::batch::encodeOutputText(bytes);
  require(isValidUtf8(line));
  for (char c : line) require(static_cast<unsigned char>(c) >= 0x20);
  const auto back = quillet::batch::decodeInputText(line);
  require(back.has_value());
  require(*back == bytes);
  return 0;
}
