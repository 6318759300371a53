// The context menu's GEDCOM import: a GEDCOM file and an empty or new folder chosen (a folder that
// is not empty says so and the folder chooser comes back; a new one is made when the import is
// written), the file's male line read as quillet-import reads it, its report (every loss, repair
// and notice) shown for the person to accept, then the folder's home.txt written and opened in
// this window as 打开家谱 opens a genealogy, the pane saying what was written (or, with the
// warning box, why nothing was). A file that does not say its character set (no CHAR, or ANSI or
// ASCII, which name none) is read in the first one that decodes it whole, and the report says
// which and why. Every dialog goes through the dialog layer.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/main_dialog.h"
#include "app/resources.h"
#include "gedcom/gedcom_import.h"
#include "platform/file_failure.h"
#include "platform/gbk.h"
#include "platform/status.h"
#include "platform/whole_file.h"
#include "reports/help_texts.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;

constexpr const char kCaption[] = "导入GEDCOM";
constexpr unsigned kWarning = platform::MB_OK | platform::MB_ICONEXCLAMATION;
constexpr const char kNotImported[] = "未能导入GEDCOM";

std::string gbk(std::string_view utf8) { return platform::utf8ToGbk(utf8); }

// True when `folder` is an empty folder, or nothing yet (it is made when the import is written).
bool emptyOrNewFolder(const std::string& folder) {
  std::error_code error;
  if (!fs::exists(folder, error)) return !error;
  return fs::is_directory(folder, error) && fs::is_empty(folder, error) && !error;
}

// The report's line on the character set a file was read in that does not say its own: its CHAR
// (`label`, "ANSI") or none, not UTF-8, so read in `set`, the first that decodes it whole.
std::string charsetLine(const std::string& label, const std::string& set) {
  std::string line = label.empty() ? std::string("文件没有说明字符集（没有 CHAR）")
                                   : "文件的字符集 CHAR " + gbk(label) + " 没有说明是哪一种";
  return line + "，又不是 UTF-8：按 " + set + " 读取，这是能完整解码全文的第一种字符集";
}

// The genealogy text with the line ends the program's save writes.
std::string withCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 40);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

void MainDialog::appendImportEntry() {
  AppendContextMenu(platform::MF_STRING, ID_IMPORT_GEDCOM, "导入GEDCOM...");
}

void MainDialog::OnImportGedcom() {
  static constexpr std::string_view kFilters[] = {"GEDCOM (*.ged *.GED)", "所有文件 (*)"};
  const auto file = GetOpenFileName("选择要导入的 GEDCOM 文件", kFilters);
  if (!file) return;
  std::optional<std::string> folder;
  for (;;) {
    folder = GetFolderName("选择空文件夹或新文件夹，存放导入的家谱");
    if (!folder) return;
    if (emptyOrNewFolder(*folder)) break;
    MessageBox("所选文件夹不是空的，请选择空文件夹或新文件夹：\r\n" + gbk(*folder), kCaption,
               kWarning);
  }
  std::string bytes;
  if (const platform::Status read = platform::readRegularFile(*file, bytes); !read.ok()) {
    sayRefused(kCaption, kNotImported, "无法读取文件 " + gbk(*file) + "：" + gbk(read.message()));
    return;
  }
  GedcomImportOptions options;
  GedcomImport result;
  std::vector<std::string> lines;
  platform::Status imported = importGedcom(bytes, options, result);
  if (!imported.ok() && !result.decodesAs.empty()) {
    options.charset = result.decodesAs;
    lines.push_back(charsetLine(result.labelledAs, result.decodesAs));
    imported = importGedcom(bytes, options, result);
  }
  if (!result.likelyAs.empty()) {
    // The CHAR the file gives decodes it, but another set reads it with far more common
    // characters: the person says which to use (是 that set, 否 the file's, 取消 no import).
    const std::string likely = result.likelyAs, declared = result.readAs;
    const int answer =
        MessageBox("文件声明的字符集是 " + declared + "，但按 " + likely +
                       " 读取时常用汉字多得多，文件可能是 " + likely + " 编码的。\r\n按 " + likely +
                       " 读取吗？（否：按 " + declared + " 读取）",
                   kCaption, platform::MB_YESNOCANCEL | platform::MB_ICONEXCLAMATION);
    if (answer == platform::IDCANCEL) return;
    if (answer == platform::IDYES) {
      options.charset = likely;
      imported = importGedcom(bytes, options, result);
      lines.push_back("文件声明的字符集是 " + declared + "，按 " + likely + " 读取");
    }
  }
  if (!imported.ok()) {
    sayRefused(kCaption, kNotImported,
               "无法导入 " + gbk(*file) + "：\r\n" + gbk(imported.message()));
    return;
  }
  for (const std::string& notice : result.notices) lines.push_back(gbk(notice));
  for (const ImportLoss& loss : result.losses) lines.push_back(gbk(lossLine(loss)));
  // Named whole: the working directory becomes the folder once the genealogy opens.
  std::error_code absolute;
  const std::string home = fs::absolute(fs::path(*folder) / "home.txt", absolute).string();
  std::string text = "始祖 " + gbk(result.rootXref + " " + result.rootName) + " 的世系，共 " +
                     std::to_string(result.persons) + " 人，将写入 " + gbk(home) + "。";
  if (result.outside > 0)
    text += "文件中另有 " + std::to_string(result.outside) + " 人不在此世系中。";
  text += lines.empty() ? "\r\n文件中的一切都能照原样存入家谱。"
                        : "\r\n以下各项无法照原样存入家谱，或是读取时的说明：";
  if (!ShowReport(kCaption, text, lines, "导入", "取消")) return;
  if (!askSaveBeforeReplacing("导入")) return;
  std::error_code made;
  fs::create_directories(*folder, made);
  if (made) {
    sayRefused(kCaption, kNotImported, "无法建立文件夹 " + gbk(*folder));
    return;
  }
  if (const platform::Status written = platform::replaceFileAtPath(home, withCrLf(result.homeText));
      !written.ok()) {
    std::string text = "无法写入文件：" + gbk(home);
    const std::string_view reason = platform::fileFailureWords(written.code());
    if (!reason.empty()) (text += "（") += std::string(reason) + "）";
    sayRefused(kCaption, kNotImported, text);
    return;
  }
  if (!openGenealogy(*folder)) return;
  // What was written, then the welcome of the genealogy now open.
  sayWritten("已导入 " + gbk(fs::path(*file).filename().string()) + "，写入家谱文件", home, 0,
             static_cast<std::size_t>(result.persons), "\r\n" + std::string(welcomeText()));
}

}  // namespace quillet
