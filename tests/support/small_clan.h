// The small clan of test_genealogy.h as file bytes, for tests compiled without GBK literals
// (those that include Qt).
#pragma once

#include <string>

namespace quillet::testing {

std::string smallClanFile();

}  // namespace quillet::testing
