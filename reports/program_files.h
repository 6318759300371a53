// The files the window reads from its working directory, by their GBK names: the genealogy
// (home.txt), the six household rosters, the two side texts, and a person's text file (a 6-byte
// name key and ".txt"). The one list of them: the panels open them by these names, and an export
// never replaces one (reports/export_file.h).
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace quillet {

inline constexpr char kGenealogyFile[] = "home.txt";

inline constexpr char kNingRoster[] = "宁.txt";
inline constexpr char kRongRoster[] = "荣.txt";
inline constexpr char kShiRoster[] = "史.txt";
inline constexpr char kWangRoster[] = "王.txt";
inline constexpr char kXueRoster[] = "薛.txt";
inline constexpr char kOtherRoster[] = "其它.txt";

inline constexpr char kMostSideText[] = "most.txt";
inline constexpr char kNumberSideText[] = "number.txt";

// Every file above but the persons' files.
inline constexpr std::array<std::string_view, 9> kProgramFiles = {
    kGenealogyFile, kNingRoster,  kRongRoster,   kShiRoster,     kWangRoster,
    kXueRoster,     kOtherRoster, kMostSideText, kNumberSideText};

// The length of a person's text file's name: a 6-byte name key and ".txt".
inline constexpr std::size_t kPersonFileBytes = 10;

// True when the window, in its working directory, opens a file of the GBK name `gbkName`.
constexpr bool isProgramFileName(std::string_view gbkName) {
  for (std::string_view name : kProgramFiles) {
    if (gbkName == name) return true;
  }
  return gbkName.size() == kPersonFileBytes && gbkName.ends_with(".txt");
}

}  // namespace quillet
