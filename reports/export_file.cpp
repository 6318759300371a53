#include "reports/export_file.h"

#include <string_view>

#include "core/home_record.h"
#include "platform/file_failure.h"
#include "platform/gbk.h"
#include "platform/path.h"
#include "platform/text_file.h"
#include "platform/whole_file.h"
#include "reports/program_files.h"

namespace quillet {
namespace {

using platform::Status;

// True when the program, in its working directory, opens a file of this (UTF-8) name.
bool isProgramUtf8Name(const std::string& utf8Name) {
  const std::string gbk = platform::utf8ToGbk(utf8Name);
  if (platform::gbkToUtf8(gbk) != utf8Name) return false;  // no GBK name leads here
  return isProgramFileName(gbk);
}

}  // namespace

Status programFileRefusal() {
  return Status::error(Status::Code::kProgramFile,
                       "the output would replace a file the program reads");
}

Status genealogyRefusal(const std::string& utf8Path) {
  return Status::error(Status::Code::kRefused,
                       utf8Path +
                           " is a genealogy (home.txt or genealogy records); --force "
                           "replaces it");
}

Status noRootRefusal() {
  return Status::error(Status::Code::kInvalidInput, "home.txt holds no root ancestor");
}

bool holdsGenealogy(const std::string& utf8Path) {
  if (platform::baseNameOf(utf8Path) == kGenealogyFile) return true;
  // Only a regular file is read: opening a FIFO or a device may do something to it.
  constexpr std::size_t kHeadBytes = 1 << 16;
  std::string head;
  if (!platform::readFileHead(utf8Path, kHeadBytes, head).ok()) return false;
  // As the reader goes: to the first '!', unless a 0xFF ends the file before it.
  const std::size_t marker = head.find_first_of("!\xff");
  return marker != std::string::npos && head[marker] == '!' &&
         beginsAsHomeRecord(std::string_view(head).substr(marker + 1));
}

bool readByTheProgram(const std::string& utf8Path) {
  auto here = platform::identityOfPath(".");
  auto directory = platform::identityOfPath(platform::directoryOf(utf8Path));
  if (here && directory && here->device == directory->device && here->inode == directory->inode &&
      isProgramUtf8Name(platform::baseNameOf(utf8Path))) {
    return true;
  }
  // Another way to one of them: a link, a hard link, a path through another directory.
  auto target = platform::identityOfPath(utf8Path);
  if (!target) return false;
  for (const std::string& name : platform::namesInFolder(".")) {
    if (!isProgramUtf8Name(name)) continue;
    auto file = platform::identityOfPath(name);
    if (file && file->device == target->device && file->inode == target->inode) return true;
  }
  return false;
}

Status exportText(const std::string& utf8Path, bool force,
                  const std::function<bool(std::string& text)>& make) {
  if (readByTheProgram(utf8Path)) return programFileRefusal();
  if (!force && holdsGenealogy(utf8Path)) return genealogyRefusal(utf8Path);
  std::string text;
  if (!make(text)) return noRootRefusal();
  return platform::replaceFileAtPath(utf8Path, text);
}

}  // namespace quillet
