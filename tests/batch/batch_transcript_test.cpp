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
//
// A FAMILY.table holds transcripts that differ in data only, each its own test named
// FAMILY_CASE (FAMILY_CASE_VARIANT with variants). Its lines before the first `variant` or `case`
// are in every transcript; `variant VARIANT` starts lines in that variant's transcripts only;
// `case CASE` starts a case's lines, added after them, where `set KEY VALUE` puts VALUE for each
// {KEY} of the whole transcript. Each case runs once per variant, or once if there is none.
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

struct Transcript {
  std::string name;
  std::string text;
};

void PrintTo(const Transcript& transcript, std::ostream* out) { *out << transcript.name; }

// The transcripts of a FAMILY.table, in its cases' order (see the top of this file).
std::vector<Transcript> tableTranscripts(const std::string& family, const std::string& table) {
  struct Block {
    std::string name, text;
    std::vector<std::pair<std::string, std::string>> values;  // a case's `set` lines
  };
  std::string shared;
  std::vector<Block> variants, cases;
  std::string* lines = &shared;
  std::istringstream in(table);
  for (std::string line; std::getline(in, line);) {
    const std::size_t space = line.find(' ');
    const std::string word = line.substr(0, space), rest = line.substr(space + 1);
    if (space != std::string::npos && (word == "variant" || word == "case")) {
      std::vector<Block>& blocks = word == "variant" ? variants : cases;
      blocks.push_back({rest, "", {}});
      lines = &blocks.back().text;
    } else if (word == "set" && !cases.empty() && lines == &cases.back().text) {
      const std::size_t gap = rest.find(' ');
      cases.back().values.emplace_back("{" + rest.substr(0, gap) + "}", rest.substr(gap + 1));
    } else {
      *lines += line + "\n";
    }
  }
  if (variants.empty()) variants.push_back({});
  std::vector<Transcript> transcripts;
  for (const Block& row : cases) {
    for (const Block& variant : variants) {
      std::string text = shared + variant.text + row.text;
      for (const auto& [key, value] : row.values) {
        for (std::size_t at = 0; (at = text.find(key, at)) != std::string::npos; at += value.size())
          text.replace(at, key.size(), value);
      }
      const std::string suffix = variant.name.empty() ? "" : "_" + variant.name;
      transcripts.push_back({family + "_" + row.name + suffix, std::move(text)});
    }
  }
  return transcripts;
}

// Every transcript: each NAME.txt, and the rows of each FAMILY.table, ordered by name.
std::vector<Transcript> transcripts() {
  std::vector<Transcript> all;
  for (const auto& entry : std::filesystem::directory_iterator(QUILLET_TRANSCRIPTS_DIR)) {
    const std::string stem = entry.path().stem().string();
    if (entry.path().extension() == ".txt") {
      all.push_back({stem, readFile(entry.path().string())});
    } else if (entry.path().extension() == ".table") {
      for (Transcript& row : tableTranscripts(stem, readFile(entry.path().string())))
        all.push_back(std::move(row));
    }
  }
  std::sort(all.begin(), all.end(),
            [](const Transcript& a, const Transcript& b) { return a.name < b.name; });
  return all;
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

class BatchTranscript : public ::testing::TestWithParam<Transcript> {};

TEST_P(BatchTranscript, PrintsWhatItSays) {
  const std::string& transcript = GetParam().text;
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

INSTANTIATE_TEST_SUITE_P(, BatchTranscript, ::testing::ValuesIn(transcripts()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quillet::testing
