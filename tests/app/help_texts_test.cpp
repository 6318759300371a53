// The layout of the welcome text, which the display pane shows byte for byte.
#include "reports/help_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillet {
namespace {

std::vector<std::string> splitAtCrLf(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string_view::npos;
       at = text.find("\r\n", start)) {
    lines.emplace_back(text.substr(start, at - start));
    start = at + 2;
  }
  lines.emplace_back(text.substr(start));
  return lines;
}

TEST(HelpTexts, WelcomeTextHasThreeBreaksThenSevenIndentedLinesAndNoFinalBreak) {
  const std::vector<std::string> lines = splitAtCrLf(welcomeText());
  ASSERT_EQ(lines.size(), 10u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(lines[i], "");
  const std::string indent(21, ' ');
  for (int i = 3; i < 10; ++i) {
    ASSERT_TRUE(lines[i].starts_with(indent)) << i;
    EXPECT_NE(lines[i][21], ' ') << i;  // exactly 21 spaces
    const bool contact = i >= 8;
    EXPECT_EQ(lines[i].substr(21).starts_with("　　　　"), contact) << i;
    if (contact) {
      EXPECT_FALSE(lines[i].substr(29).starts_with("　")) << i;
    }
  }
  EXPECT_NE(lines[3].find("Quillet 1.0"), std::string::npos);
  EXPECT_EQ(std::string(welcomeText()).find('@'), std::string::npos);  // no e-mail addresses
}

}  // namespace
}  // namespace quillet
