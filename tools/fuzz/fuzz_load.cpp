// Feeds any bytes to the genealogy reader as home.txt, then checks what the program relies on:
// nothing crashes or reads out of bounds, the searches answer as their defining walk does (after
// edits, their undos and redos too), and a save either refuses (naming why, and leaving the file;
// where the reading stopped, when it left records unread) or writes a file that reads back into a
// tree that saves to the very same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/family_tree.h"
#include "tools/fuzz/fuzz_support.h"

using quillet::fuzz::readBytes;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quillet::fuzz::enterScratchDirectory("fuzz-load");
  quillet::fuzz::writeBytes("home.txt", data, size);

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
  const auto searchesAgree = [&tree, &text] {
    for (std::size_t at = text.find('!'); at != std::string::npos; at = text.find('!', at + 1)) {
      quillet::NameKey key{};
      text.copy(key.data(), 6, at + 1);
      quillet::Person* byIndex = nullptr;
      quillet::Person* byWalk = nullptr;
      if (tree.findByName(byIndex, key) != tree.findByNameByWalk(byWalk, key) ||
          byIndex != byWalk) {
        std::abort();
      }
    }
  };
  searchesAgree();

  // Edits on the first names read (a marriage, a birth, a rename), each taken back and done
  // again, then all taken back: the searches agree throughout, and the save below sees the tree
  // as read.
  int edits = 0;
  for (std::size_t at = text.find('!'); at != std::string::npos && edits < 4;
       at = text.find('!', at + 1), ++edits) {
    quillet::NameKey name{}, fresh{'~', '~', 'u', 'n', 'd', static_cast<char>('0' + edits), 0};
    text.copy(name.data(), 6, at + 1);
    quillet::Person* person = nullptr;
    tree.findByName(person, name);
    const quillet::DateText date = quillet::makeDate("17000101");
    const bool done = edits % 3 == 0   ? tree.addWife(fresh, name, date)
                      : edits % 3 == 1 ? tree.addChild(fresh, name, 'f', date)
                                       : tree.modifyField(person, 1, {fresh.data(), 6});
    if (done && tree.canUndo() && (!tree.undo() || !tree.redo())) std::abort();
    searchesAgree();
  }
  while (tree.undo()) {
  }
  if (tree.hasUnsavedChanges()) std::abort();
  searchesAgree();

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
