// Feeds any bytes to the three side-file readers, as a roster, a free text and a person's text
// file, and checks what the display relies on: nothing crashes or reads out of bounds, every
// reader closes its file, a roster counts exactly the whole 6-byte fields of what text mode
// delivers, NUL never reaches a text, and '#' never survives in a free text; with a bound below
// the file's size, each reader stops there and says that it did. The same bytes as an export's
// existing output: the look for genealogy records reads them in bounds and finds one only after
// a '!' that no 0xFF precedes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/text_file.h"
#include "reports/export_file.h"
#include "reports/side_text_readers.h"
#include "tools/fuzz/fuzz_support.h"

namespace {

using quillet::fuzz::require;

// What text mode delivers: each CR LF pair as one LF, every other byte as it is.
std::string translated(const uint8_t* data, size_t size) {
  std::string bytes;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') continue;
    bytes += static_cast<char>(data[i]);
  }
  return bytes;
}

// The count a roster reader gives for the first `limit` bytes of what text mode delivers: one a
// whole 6-byte field, or kNotText once a field is all NUL.
int expectedRosterCount(const std::string& delivered, size_t limit) {
  const size_t fields = std::min(limit, delivered.size()) / 6;
  for (size_t i = 0; i < fields; ++i) {
    if (delivered.compare(i * 6, 6, std::string(6, '\0')) == 0) return quillet::kNotText;
  }
  return static_cast<int>(fields);
}

std::unique_ptr<platform::TextFile> openSide() {
  auto file = platform::TextFile::open("side.txt", "r");
  if (file == nullptr) std::abort();
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quillet::fuzz::enterScratchDirectory("fuzz-readers");
  quillet::fuzz::writeBytes("side.txt", data, size);
  const std::string delivered = translated(data, size);
  const auto nulCount = std::count(delivered.begin(), delivered.end(), '\0');
  const auto hashCount = std::count(delivered.begin(), delivered.end(), '#');

  auto roster = openSide();
  std::string names;
  int count = -1;
  quillet::readNameRoster(*roster, names, count);
  require(roster->close());
  require(count == expectedRosterCount(delivered, delivered.size()));
  require(count != quillet::kNotText || names.empty());
  // Every line holds at most nine names: 8 leading spaces, names of at most 6 bytes, 4 spaces
  // after each but the ninth, and CR LF after the ninth.
  const size_t named = count > 0 ? static_cast<size_t>(count) : 0;
  size_t longestLayout = named * 10 + (named / 9 + 1) * 8;
  require(names.size() <= longestLayout);
  require(count != 0 || names.empty());

  auto plain = openSide();
  std::string text = "prefix";
  quillet::readPlainText(*plain, text);
  require(text.compare(0, 6, "prefix") == 0);
  require(text.size() == 6 + delivered.size() - static_cast<size_t>(nulCount));
  require(text.find('\0') == std::string::npos);

  auto marked = openSide();
  std::string markedText;
  quillet::readMarkedText(*marked, markedText);
  require(markedText.find('#') == std::string::npos);
  require(markedText.find('\0') == std::string::npos);
  require(markedText.size() ==
          delivered.size() - static_cast<size_t>(nulCount) + static_cast<size_t>(hashCount));

  const size_t limit = delivered.size() / 2;
  auto cutRoster = openSide();
  names.clear();
  const bool rosterWhole = quillet::readNameRoster(*cutRoster, names, count, limit);
  const int cutCount = expectedRosterCount(delivered, limit);
  require(count == cutCount);
  // A roster found not to be text is read no further, which is its whole answer.
  require(rosterWhole == (delivered.size() <= limit || cutCount == quillet::kNotText));
  auto cutPlain = openSide();
  text.clear();
  require(quillet::readPlainText(*cutPlain, text, limit) == (delivered.size() <= limit));
  require(text.size() == limit - static_cast<size_t>(std::count(delivered.begin(),
                                                                delivered.begin() + limit, '\0')));

  const std::string raw(reinterpret_cast<const char*>(data), size);
  const size_t marker = raw.find_first_of("!\xff");
  require(!quillet::holdsGenealogy("side.txt") ||
          (marker != std::string::npos && raw[marker] == '!' && size >= marker + 23));
  return 0;
}
