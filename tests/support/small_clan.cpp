#include "tests/support/small_clan.h"

#include "tests/support/test_genealogy.h"

namespace quillet::testing {

std::string smallClanFile() { return smallClan(); }

}  // namespace quillet::testing
