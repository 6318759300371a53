// Runs every transcript of transcripts/, one test each, in a fresh working directory holding the
// small clan's home.txt: what a person does and what the programs show, as data. A transcript is
// UTF-8 lines, a NAME a UTF-8 path in that directory with \s for a space:
//   # ...                  a comment
//   > COMMAND              a line of quillet-batch's input (one run, after everything else)
//   $ PROGRAM ARGUMENTS    quillet-export or quillet-import, run at once (the arguments through
//                          the shell, NAME=VALUE words before PROGRAM set its environment); it
//                          prints its standard error, its output, then "exit N"
//   < LINE                 the next line printed (the rest of the line, trailing spaces too)
// Set-up, in file order: `file NAME TEXT` and `append NAME TEXT` (TEXT as quillet-batch reads
// typed text: escapes, then GBK), `copy SOURCE NAME` (a file of the source tree), `chmod OCTAL
// NAME`, `mkdir NAME`, `symlink TARGET NAME`, `fifo NAME`, `remove NAME`. Checks:
// `exit N` (quillet-batch's status, 0 unless given), `stderr TEXT` (its one error line),
// `unchanged NAME` and `changed NAME` (against the file as the first run found it), `holds NAME
// TEXT`, `utf8 NAME TEXT` (the file in UTF-8), `starts NAME TEXT`, `absent NAME`: where they
// stand among quillet-export and quillet-import runs, after quillet-batch's run.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "platform/gbk.h"
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
  const std::string transcript =
      readFile(std::string(QUILLET_TRANSCRIPTS_DIR) + "/" + GetParam() + ".txt");
  // With quillet-batch input, the checks wait for its run at the end.
  const bool batchRun =
      transcript.starts_with("> ") || transcript.find("\n> ") != std::string::npos;
  ScopedTempDir dir;  // the run's own files here, the clan's folder in it
  std::filesystem::create_directory("clan");
  // A file name is UTF-8, with \s for each space.
  const auto at = [](std::string name) {
    for (std::size_t s; (s = name.find("\\s")) != std::string::npos;) name.replace(s, 2, " ");
    return "clan/" + name;
  };
  writeFile(at("home.txt"), smallClan());
  std::string script, expected, actual, errors;
  int status = 0;
  std::vector<std::string> checks;
  std::map<std::string, std::string> before;  // every file as the first run found it
  const auto firstRun = [&] {
    if (!before.empty()) return;
    for (const auto& entry : std::filesystem::recursive_directory_iterator("clan")) {
      std::error_code loop;  // a loop of links is no regular file
      if (entry.is_regular_file(loop))
        before[entry.path().string()] = readFile(entry.path().string());
    }
  };
  const auto check = [&](const std::string& line) {
    const auto [word, rest] = split(line);
    const auto [file, text] = split(rest);
    const std::string now = fileExists(at(file)) ? readFile(at(file)) : "<none>";
    const std::string& old = before[at(file)];
    const bool holds = word == "absent"      ? now == "<none>"
                       : word == "changed"   ? now != old
                       : word == "unchanged" ? now == old
                       : word == "holds"     ? now == decoded(text)
                       : word == "utf8" ? now == platform::gbkToUtf8(decoded(text)).value_or("?")
                                        : now.starts_with(decoded(text));
    EXPECT_TRUE(holds) << line << "\n" << sameBytes(now, word == "unchanged" ? old : decoded(text));
  };
  std::istringstream lines(transcript);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    const auto [word, rest] = split(line);
    const auto [name, text] = split(rest);
    if (word == ">") {
      script += rest + "\n";
    } else if (word == "<") {
      expected += rest + "\n";
    } else if (word == "$") {  // quillet-export or quillet-import, run now
      firstRun();
      // Leading NAME=VALUE words set the program's environment, as in the shell. (In the
      // sanitizer build the book's suppressed font-library leaks are not counted on stderr.)
      std::string environment = "LSAN_OPTIONS=print_suppressions=0 ";
      auto [command, arguments] = split(rest);
      while (command.find('=') != std::string::npos) {
        environment += command + " ";
        std::tie(command, arguments) = split(arguments);
      }
      const std::string program = command == "quillet-export"   ? QUILLET_EXPORT_PATH
                                  : command == "quillet-import" ? QUILLET_IMPORT_PATH
                                                                : "false";
      const int raw = std::system(("cd clan && " + environment + "'" + program + "' " + arguments +
                                   " > ../out.txt 2> ../err.txt")
                                      .c_str());
      actual += readFile("err.txt") + readFile("out.txt") + "exit " +
                std::to_string(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1) + "\n";
    } else if (word == "file" || word == "append") {
      writeFile(at(name), (word == "append" ? readFile(at(name)) : "") + decoded(text));
    } else if (word == "copy") {
      writeFile(at(text), readFile(sourcePath(name)));
    } else if (word == "chmod") {
      ASSERT_EQ(::chmod(at(text).c_str(), static_cast<mode_t>(std::stoi(name, nullptr, 8))), 0)
          << line;
    } else if (word == "mkdir") {
      std::filesystem::create_directory(at(rest));
    } else if (word == "symlink") {
      std::filesystem::create_symlink(name, at(text));
    } else if (word == "fifo") {
      ASSERT_EQ(::mkfifo(at(rest).c_str(), 0644), 0) << line;
    } else if (word == "remove") {
      std::filesystem::remove(at(rest));
    } else if (word == "exit") {
      status = std::stoi(rest);
    } else if (word == "stderr") {
      errors = rest + "\n";
    } else if (word == "unchanged" || word == "changed" || word == "holds" || word == "absent" ||
               word == "starts" || word == "utf8") {
      batchRun ? checks.push_back(line) : check(line);
    } else {
      FAIL() << "unknown line: " << line;
    }
  }
  if (batchRun) {
    firstRun();
    writeFile("script.txt", script);
    const int raw = std::system((std::string("cd clan && '") + QUILLET_BATCH_PATH +
                                 "' < ../script.txt > ../out.txt 2> ../err.txt")
                                    .c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, status);
    EXPECT_EQ(readFile("err.txt"), errors);
    actual += readFile("out.txt");
  }
  EXPECT_EQ(actual, expected);
  for (const std::string& line : checks) check(line);
}

INSTANTIATE_TEST_SUITE_P(, BatchTranscript, ::testing::ValuesIn(transcriptNames()),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace quillet::testing
