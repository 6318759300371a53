// Feeds any bytes to the GEDCOM reader, with and without a chosen root, in the character set the
// file names and in GBK and BIG5 as --charset would, and checks what quillet-import relies on:
// nothing crashes, hangs or reads out of bounds; a failure says why; every repair and loss has
// its line; the list of roots is made; and a genealogy text it makes is one the program loads
// whole (every record reached, the count it reports) and saves back byte for byte.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/family_tree.h"
#include "gedcom/gedcom_import.h"
#include "platform/text_file.h"
#include "tools/fuzz/fuzz_support.h"

namespace {

using quillet::fuzz::readBytes;
using quillet::fuzz::require;

void check(std::string_view bytes, const quillet::GedcomImportOptions& options) {
  quillet::GedcomImport result;
  if (const platform::Status imported = quillet::importGedcom(bytes, options, result);
      !imported.ok()) {
    require(!imported.message().empty() && imported.message().find('\n') == std::string::npos);
    return;
  }
  require(result.persons >= 1 && !result.rootXref.empty());
  for (const quillet::ImportLoss& loss : result.losses) {
    require(!loss.reason.empty() && !quillet::lossLine(loss).empty());
    require(!loss.xref.empty() || loss.reason.starts_with("line "));
  }
  {
    std::unique_ptr<platform::TextFile> file;
    require(platform::TextFile::openReplacement("home.txt", std::nullopt, file).ok() &&
            file->write(result.homeText) && file->commit());
  }
  const std::string written = readBytes("home.txt");
  quillet::FamilyTree tree;
  require(tree.load() && tree.root() != nullptr);
  require(tree.personCount() == result.persons && tree.unplacedRecords().empty());
  require(tree.save() && readBytes("home.txt") == written);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quillet::fuzz::enterScratchDirectory("fuzz-import");
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  check(bytes, {});
  check(bytes, quillet::GedcomImportOptions{.root = "@I2@", .charset = "GBK"});
  check(bytes, quillet::GedcomImportOptions{.root = "", .charset = "BIG5"});
  std::vector<std::string> lines;
  const platform::Status listed = quillet::listGedcomRoots(bytes, {}, lines);
  require(listed.ok() || !listed.message().empty());
  return 0;
}
