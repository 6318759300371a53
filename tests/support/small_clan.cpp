#include "tests/support/small_clan.h"

#include "tests/support/genealogy_text.h"

namespace quillet::testing {

std::string smallClanFile() { return smallClan(); }

}  // namespace quillet::testing
