// The context menu's GEDCOM import: a GEDCOM file and an empty or new folder chosen, the file's
// male line read as quillet-import reads it, its report (every loss, repair and notice) shown
// for the person to accept, then the folder's home.txt written and opened in this window, as
// `quillet FOLDER` opens it. A file that does not say its character set is read in the first one
// that decodes it whole, which the report states. Every dialog goes through the dialog layer.
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/main_dialog.h"
#include "app/resources.h"
#include "gedcom/gedcom_import.h"
#include "platform/gbk.h"
#include "platform/text_file.h"
#include "reports/help_texts.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;

constexpr const char kCaption[] = "导入GEDCOM";
constexpr unsigned kWarning = platform::MB_OK | platform::MB_ICONEXCLAMATION;

std::string gbk(std::string_view utf8) { return platform::utf8ToGbk(utf8); }

// True when `folder` is an empty folder, or nothing yet (it is made when the import is written).
bool emptyOrNewFolder(const std::string& folder) {
  std::error_code error;
  if (!fs::exists(folder, error)) return !error;
  return fs::is_directory(folder, error) && fs::is_empty(folder, error) && !error;
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
  const auto folder = GetFolderName("选择空文件夹或新文件夹，存放导入的家谱");
  if (!folder) return;
  if (!emptyOrNewFolder(*folder)) {
    MessageBox("所选文件夹不是空的，请选择空文件夹或新文件夹：\r\n" + gbk(*folder), kCaption,
               kWarning);
    return;
  }
  std::string bytes, why;
  if (!platform::readRegularFile(*file, bytes, why)) {
    MessageBox("无法读取文件 " + gbk(*file) + "：" + gbk(why), kCaption, kWarning);
    return;
  }
  GedcomImportOptions options;
  GedcomImport result;
  std::vector<std::string> lines;
  if (!importGedcom(bytes, options, result) && !result.decodesAs.empty()) {
    options.charset = result.decodesAs;
    lines.push_back("文件没有说明字符集，按 " + options.charset + " 读取");
    importGedcom(bytes, options, result);
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
      importGedcom(bytes, options, result);
      lines.push_back("文件声明的字符集是 " + declared + "，按 " + likely + " 读取");
    }
  }
  if (!result.error.empty()) {
    MessageBox("无法导入 " + gbk(*file) + "：\r\n" + gbk(result.error), kCaption, kWarning);
    return;
  }
  for (const std::string& notice : result.notices) lines.push_back(gbk(notice));
  for (const ImportLoss& loss : result.losses) lines.push_back(gbk(lossLine(loss)));
  const std::string home = (fs::path(*folder) / "home.txt").string();
  std::string text = "始祖 " + gbk(result.rootXref + " " + result.rootName) + " 的世系，共 " +
                     std::to_string(result.persons) + " 人，将写入 " + gbk(home) + "。";
  if (result.outside > 0)
    text += "文件中另有 " + std::to_string(result.outside) + " 人不在此世系中。";
  text += lines.empty() ? "\r\n文件中的一切都能照原样存入家谱。"
                        : "\r\n以下各项无法照原样存入家谱，或是读取时的说明：";
  if (!ShowReport(kCaption, text, lines, "导入", "取消")) return;
  if (!askSaveBeforeReplacing()) return;
  std::error_code made;
  fs::create_directories(*folder, made);
  if (made || !platform::replaceFileAtPath(home, withCrLf(result.homeText))) {
    MessageBox("无法写入 " + gbk(home), kCaption, kWarning);
    return;
  }
  std::error_code error;
  fs::current_path(*folder, error);
  if (error) {
    MessageBox("无法打开文件夹 " + gbk(*folder), kCaption, kWarning);
    return;
  }
  familyTree.load();
  refillTreeView();
  showText("\r\n      已导入 " + std::to_string(result.persons) + " 人，家谱文件：" + gbk(home) +
           "\r\n" + std::string(welcomeText()));
}

}  // namespace quillet
