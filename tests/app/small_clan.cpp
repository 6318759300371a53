#include "tests/app/small_clan.h"

#include "tests/app/test_genealogy.h"

namespace quillet::testing {

std::string smallClanFile() { return smallClan(); }

}  // namespace quillet::testing
