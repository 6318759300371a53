// What a fresh fill of the tree view shows for a family tree, worked out straight from the
// records as the fill is specified (pre-order over first-child and sibling links, a record met
// again ending its chain, the root's label his name alone, image indices the parent's number
// plus 1), for tests that compare a view kept up to date edit by edit with it.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/family_tree.h"

namespace quillet::testing {

struct RefilledItem {
  const Person* person;
  std::string line;  // "DEPTH STATE IMAGE LABEL", as WindowHarness::treeLines prints it
};

inline std::vector<RefilledItem> refilledView(const FamilyTree& tree) {
  std::vector<RefilledItem> items;
  std::vector<int> depths;
  std::set<const Person*> shown;
  std::function<void(const Person*, int, int)> add = [&](const Person* person, int depth,
                                                         int parentNumber) {
    const int number = static_cast<int>(items.size());
    std::string label(keyText(person->name));
    for (const Person* wife : {person->spouse, person->secondWife}) {
      if (wife != nullptr && number != 0) label += ' ' + std::string(keyText(wife->name));
    }
    shown.insert(person);
    items.push_back(
        {person, std::to_string(depth) + " - " + std::to_string(parentNumber + 1) + ' ' + label});
    depths.push_back(depth);
    for (const Person* child = person->firstChild; child != nullptr && !shown.contains(child);
         child = child->youngerSibling) {
      add(child, depth + 1, number);
    }
  };
  if (tree.root() != nullptr) add(tree.root(), 0, -1);
  for (std::size_t i = 0; i + 1 < items.size(); ++i) {
    if (depths[i + 1] > depths[i]) items[i].line[items[i].line.find(' ') + 1] = 'e';
  }
  return items;
}

}  // namespace quillet::testing
