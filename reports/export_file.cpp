#include "reports/export_file.h"

#include <dirent.h>

#include <array>
#include <string_view>

#include "platform/gbk.h"
#include "platform/text_file.h"
#include "reports/chart_export.h"
#include "reports/gedcom_export.h"

namespace quillet {
namespace {

// The files the window reads from its working directory besides person text files.
constexpr std::array<std::string_view, 9> kProgramFiles = {"home.txt", "宁.txt",   "荣.txt",
                                                           "史.txt",   "王.txt",   "薛.txt",
                                                           "其它.txt", "most.txt", "number.txt"};
constexpr std::size_t kPersonFileBytes = 10;  // a 6-byte name key and ".txt"

// True when the program, in its working directory, opens a file of this (UTF-8) name.
bool isProgramFileName(const std::string& utf8Name) {
  const std::string gbk = platform::utf8ToGbk(utf8Name);
  if (platform::gbkToUtf8(gbk) != utf8Name) return false;  // no GBK name leads here
  for (std::string_view name : kProgramFiles) {
    if (gbk == name) return true;
  }
  return gbk.size() == kPersonFileBytes && gbk.ends_with(".txt");
}

std::string directoryOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == 0) return "/";
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool readByTheProgram(const std::string& utf8Path) {
  auto here = platform::identityOfPath(".");
  auto directory = platform::identityOfPath(directoryOf(utf8Path));
  if (here && directory && here->device == directory->device && here->inode == directory->inode &&
      isProgramFileName(baseNameOf(utf8Path))) {
    return true;
  }
  // Another way to one of them: a link, a hard link, a path through another directory.
  auto target = platform::identityOfPath(utf8Path);
  if (!target) return false;
  DIR* dir = ::opendir(".");
  if (dir == nullptr) return false;
  bool found = false;
  while (const struct dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (!isProgramFileName(name)) continue;
    auto file = platform::identityOfPath(name);
    if (file && file->device == target->device && file->inode == target->inode) {
      found = true;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

ExportResult exportToFile(const FamilyTree& tree, ExportKind kind, const std::string& utf8Path) {
  if (readByTheProgram(utf8Path)) return ExportResult::kRefused;
  std::string text;
  bool made =
      kind == ExportKind::kChartSvg
          ? writeChartSvg(tree, text)
          : writeGedcom(tree,
                        kind == ExportKind::kGedcom551 ? GedcomVersion::kV551 : GedcomVersion::kV70,
                        text);
  if (!made) return ExportResult::kNoRoot;
  return platform::replaceFileAtPath(utf8Path, text) ? ExportResult::kWritten
                                                     : ExportResult::kWriteFailed;
}

}  // namespace quillet
