// Runs every transcript of transcripts/ through the real quillet-batch, one test each, in a fresh
// working directory holding the small clan's home.txt. A transcript is UTF-8 lines:
//   # ...               a comment
//   > COMMAND           a line of quillet-batch's input
//   < LINE              the next line it must print (the rest of the line, trailing spaces too)
// and, before the run in file order (NAME a UTF-8 path, \s for a space), `file NAME TEXT` / `append
// NAME TEXT` (TEXT as quillet-batch reads typed text: escapes, then GBK), `chmod OCTAL NAME`,
// `mkdir NAME`, `size NAME BYTES` (a sparse file), `remove NAME`; after the run, `exit N` (0 unless
// given), `stderr TEXT`, `unchanged NAME` (as before the run), `changed NAME`, `holds NAME TEXT`.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/genealogy_text.h"
#include "tests/support/temp_dir.h"
#include "tools/batch/batch_text.h"

namespace quillet::testing {
namespace {

std::vector<std::string> transcriptNames() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(QUILLET_TRANSCRIPTS_DIR)) {
    if (entry.path().extension() == ".txt") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string decoded(const std::string& text) {
  const std::optional<std::string> gbk = batch::decodeInputText(text);
  EXPECT_TRUE(gbk.has_value()) << "malformed text: " << text;
  return gbk.value_or("");
}

// The first word of `line`, and the rest after the one space that follows it.
std::pair<std::string, std::string> split(const std::string& line) {
  const std::size_t space = line.find(' ');
  if (space == std::string::npos) return {line, ""};
  return {line.substr(0, space), line.substr(space + 1)};
}

class BatchTranscript : public ::testing::TestWithParam<std::string> {};

TEST_P(BatchTranscript, PrintsWhatItSays) {
  std::istringstream lines(
      readFile(std::string(QUILLET_TRANSCRIPTS_DIR) + "/" + GetParam() + ".txt"));
  ScopedTempDir dir;  // the run's own files here, the clan's folder in it
  std::filesystem::create_directory("clan");
  // A file name is UTF-8, with \s for each space.
  const auto at = [](std::string name) {
    for (std::size_t s; (s = name.find("\\s")) != std::string::npos;) name.replace(s, 2, " ");
    return "clan/" + name;
  };
  writeFile(at("home.txt"), smallClan());
  std::string script, expected, errors;
  int status = 0;
  std::vector<std::string> after;
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    const auto [word, rest] = split(line);
    const auto [name, text] = split(rest);
    if (word == ">") {
      script += rest + "\n";
    } else if (word == "<") {
      expected += rest + "\n";
    } else if (word == "file") {
      writeFile(at(name), decoded(text));
    } else if (word == "append") {
      writeFile(at(name), readFile(at(name)) + decoded(text));
    } else if (word == "chmod") {
      ASSERT_EQ(::chmod(at(text).c_str(), static_cast<mode_t>(std::stoi(name, nullptr, 8))), 0)
          << line;
    } else if (word == "mkdir") {
      std::filesystem::create_directory(at(rest));
    } else if (word == "size") {
      std::filesystem::resize_file(at(name), std::stoull(text));
    } else if (word == "remove") {
      std::filesystem::remove(at(rest));
    } else if (word == "exit") {
      status = std::stoi(rest);
    } else if (word == "stderr") {
      errors = rest + "\n";
    } else if (word == "unchanged" || word == "changed" || word == "holds") {
      after.push_back(line);
    } else {
      FAIL() << "unknown line: " << line;
    }
  }
  std::map<std::string, std::string> before;
  for (const std::string& check : after) {
    const std::string name = at(split(split(check).second).first);
    if (fileExists(name)) before[name] = readFile(name);
  }
  writeFile("script.txt", script);
  const std::string command = std::string("cd clan && '") + QUILLET_BATCH_PATH +
                              "' < ../script.txt > ../out.txt 2> ../err.txt";
  const int raw = std::system(command.c_str());
  EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, status);
  EXPECT_EQ(readFile("out.txt"), expected);
  EXPECT_EQ(readFile("err.txt"), errors);
  for (const std::string& check : after) {
    const auto [word, rest] = split(check);
    const auto [file, text] = split(rest);
    const std::string name = at(file);
    const std::string now = fileExists(name) ? readFile(name) : "<none>";
    if (word == "changed") {
      EXPECT_NE(now, before[name]) << name;
    } else {
      EXPECT_TRUE(sameBytes(now, word == "holds" ? decoded(text) : before[name])) << name;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(, BatchTranscript, ::testing::ValuesIn(transcriptNames()),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace quillet::testing
