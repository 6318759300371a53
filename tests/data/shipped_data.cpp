#include "tests/data/shipped_data.h"

#include <deque>
#include <filesystem>

#include "platform/gbk.h"
#include "tests/support/temp_dir.h"

namespace quillet::testing {

std::string readShipped(std::string_view gbkName) {
  auto utf8 = platform::gbkToUtf8(gbkName);
  if (!utf8) return {};
  return readFile(sourcePath("data/" + *utf8));
}

bool loadShippedHome(FamilyTree& tree) {
  std::string bytes = readShipped("home.txt");
  if (bytes.empty()) return false;
  writeFile("home.txt", bytes);
  return tree.load();
}

bool isGbkText(std::string_view text) {
  while (!text.empty()) {
    if (text.front() == '\0') return false;
    std::size_t length = platform::gbkCharLength(text);
    if (length == 0) return false;
    text.remove_prefix(length);
  }
  return true;
}

bool isNameField(std::string_view field) {
  if (field.size() != 6) return false;
  auto isChineseCharacter = [](std::string_view at) {
    return static_cast<unsigned char>(at[0]) >= 0x81 && platform::gbkCharLength(at) == 2;
  };
  if (!isChineseCharacter(field.substr(0, 2)) || !isChineseCharacter(field.substr(2, 2))) {
    return false;
  }
  return field.substr(4) == "  " || isChineseCharacter(field.substr(4, 2));
}

std::vector<const Person*> everyoneInSaveOrder(const FamilyTree& tree) {
  std::vector<const Person*> order;
  std::deque<const Person*> queue;
  if (tree.root() != nullptr) queue.push_back(tree.root());
  while (!queue.empty()) {
    const Person* person = queue.front();
    queue.pop_front();
    order.push_back(person);
    if (person->spouse != nullptr) order.push_back(person->spouse);
    if (person->secondWife != nullptr) order.push_back(person->secondWife);
    for (const Person* child = person->firstChild; child != nullptr;
         child = child->youngerSibling) {
      queue.push_back(child);
    }
  }
  return order;
}

const std::vector<std::string>& rosterFileNames() {
  static const std::vector<std::string> names = {"宁.txt", "荣.txt", "史.txt",
                                                 "王.txt", "薛.txt", "其它.txt"};
  return names;
}

}  // namespace quillet::testing
