// Access to the shipped files under data/ and checks of their GBK text, for the data tests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/family_tree.h"
#include "core/person.h"

namespace quillet::testing {

// The bytes of data/<gbkName> (the GBK name is converted to the UTF-8 name on disk).
std::string readShipped(std::string_view gbkName);

// Copies data/home.txt into the working directory (a ScopedTempDir) and loads it into `tree`.
bool loadShippedHome(FamilyTree& tree);

// True when `text` is a run of complete GBK characters (ASCII included) without NUL.
bool isGbkText(std::string_view text);

// True when `field` is a stored name key: three GBK characters, or two and two spaces.
bool isNameField(std::string_view field);

// The clan members and wives reachable from the root, in save order (each man, then his wives).
std::vector<const Person*> everyoneInSaveOrder(const FamilyTree& tree);

// The GBK names of the six household roster files.
const std::vector<std::string>& rosterFileNames();

}  // namespace quillet::testing
