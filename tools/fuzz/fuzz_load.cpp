// Feeds any bytes to the genealogy reader as home.txt, then checks what the program relies on:
// nothing crashes or reads out of bounds, the searches answer as their defining walk does, and
// a save either refuses (naming why, and leaving the file; where the reading stopped, when it left
// records unread) or writes a file that reads back into a tree that saves to the very same bytes.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "core/family_tree.h"

namespace {

void writeBytes(const char* name, const uint8_t* data, size_t size) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::string readBytes(const char* name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void enterScratchDirectory() {
  static bool entered = false;
  if (entered) return;
  char pattern[] = "/tmp/quillet-fuzz-XXXXXX";
  if (::mkdtemp(pattern) == nullptr || ::chdir(pattern) != 0) std::abort();
  entered = true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  enterScratchDirectory();
  writeBytes("home.txt", data, size);

  quillet::FamilyTree tree;
  tree.load();
  if (tree.root() == nullptr) return 0;

  // Every listing walks without trouble.
  std::vector<quillet::Person*> list;
  tree.listBySex('f', list);
  tree.listByAlive('y', list);
  tree.listByGeneration('1', list);

  // The searches: the name of every record read, and one name nobody has.
  std::string text(reinterpret_cast<const char*>(data), size);
  for (std::size_t at = text.find('!'); at != std::string::npos; at = text.find('!', at + 1)) {
    quillet::NameKey key{};
    text.copy(key.data(), 6, at + 1);
    quillet::Person* byIndex = nullptr;
    quillet::Person* byWalk = nullptr;
    if (tree.findByName(byIndex, key) != tree.findByNameByWalk(byWalk, key) || byIndex != byWalk) {
      std::abort();
    }
  }

  const std::string before = readBytes("home.txt");
  quillet::SaveReport report;
  if (!tree.save(report)) {
    if ((report.unsavable.empty() && !report.unreadRest) || readBytes("home.txt") != before) {
      std::abort();
    }
    // A refusal for records left unread says where: at a '!' or a 0xFF byte of the file.
    if (report.unreadRest) {
      const std::uint64_t at = report.unreadRest->offset;
      if (at >= size || report.unreadRest->bytes != size - at) std::abort();
      if (data[at] != '!' && data[at] != 0xFF) std::abort();
    }
    return 0;
  }
  std::string first = readBytes("home.txt");
  quillet::FamilyTree again;
  again.load();
  if (!again.save()) std::abort();
  if (readBytes("home.txt") != first) std::abort();
  return 0;
}
