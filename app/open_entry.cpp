// 文件 > 打开家谱 and 最近打开: another genealogy opened in this window as the window opens one at
// start-up, the title naming the clan and its folder, and the list of the genealogies opened last
// (kept by the backend: platform/dialog/recent_list.h). Every dialog goes through the dialog layer.
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/main_dialog.h"
#include "app/resources.h"
#include "platform/gbk.h"
#include "platform/temporaries.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;

constexpr const char kCaption[] = "打开家谱";
constexpr const char kReplacing[] = "打开另一家谱";
constexpr unsigned kWarning = platform::MB_OK | platform::MB_ICONEXCLAMATION;

std::string gbk(std::string_view utf8) { return platform::utf8ToGbk(utf8); }

// The folder a genealogy chooser's answer names: the folder itself, or the folder of a file in it.
fs::path folderOf(const std::string& chosen) {
  const fs::path path(chosen);
  std::error_code error;
  if (fs::is_directory(path, error)) return path;
  return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

// Whether `folder` is a folder holding a genealogy file (readable or not: a file that cannot be
// read is named with its reason once opened, as at start-up).
bool holdsGenealogy(const fs::path& folder) {
  std::error_code error;
  return fs::is_directory(folder, error) && fs::exists(folder / "home.txt", error);
}

// The root's surname, as the printed book's cover takes it: the first character of his name.
std::string surnameOf(const Person& root) {
  const std::string_view name = keyText(root.name);
  const std::size_t length = platform::gbkCharLength(name);
  return std::string(name.substr(0, length == 0 ? 1 : length));
}

}  // namespace

void MainDialog::OnOpenGenealogy() {
  if (!askSaveBeforeReplacing(kReplacing)) return;
  for (;;) {
    const auto chosen = GetFolderName("打开家谱：选择存放家谱（home.txt）的文件夹",
                                      platform::FolderChoice::kGenealogy);
    if (!chosen) return;
    const fs::path folder = folderOf(*chosen);
    if (holdsGenealogy(folder)) {
      openGenealogy(folder.string());
      return;
    }
    MessageBox("所选文件夹中没有家谱文件 home.txt，请另选：\r\n" + gbk(folder.string()), kCaption,
               kWarning);
  }
}

void MainDialog::OnOpenRecent(int id) {
  platform::RecentList* recent = GetRecentList();
  if (recent == nullptr) return;
  const std::vector<std::string> listed = recent->entries();
  const auto at = static_cast<std::size_t>(id - ID_FILE_RECENT - 1);
  if (at >= listed.size()) return;
  const std::string folder = listed[at];
  if (!holdsGenealogy(folder)) {
    recent->remove(folder);
    showRecentList();
    MessageBox("找不到家谱：" + gbk(folder) +
                   "\r\n文件夹或其中的家谱文件 home.txt 已不在，已从最近打开的列表中删去。",
               kCaption, kWarning);
    return;
  }
  if (!askSaveBeforeReplacing(kReplacing)) return;
  openGenealogy(folder);
}

bool MainDialog::openGenealogy(const std::string& folder) {
  std::error_code error;
  fs::current_path(folder, error);
  if (error) {
    MessageBox("无法打开文件夹 " + gbk(folder), kCaption, kWarning);
    return false;
  }
  // As at start-up: what a killed save left goes, the process objects' load, the window's.
  platform::removeStaleReplacements("home.txt");
  familyTree.load();
  const bool loaded = familyTree.load();
  clearKinshipPath();
  refillTreeView();
  showStartText(loaded);
  showGenealogyName();
  return true;
}

void MainDialog::showGenealogyName() {
  std::error_code error;
  const fs::path here = fs::current_path(error);
  const Person* root = familyTree.root();
  std::string title;
  if (root != nullptr) title = "《" + surnameOf(*root) + "氏家谱》 — ";
  title += error ? std::string("?") : gbk(here.string());
  title += " — Quillet";
  SetWindowText(title);
  if (root != nullptr && !error) {
    if (platform::RecentList* recent = GetRecentList()) recent->putFirst(here.string());
  }
  showRecentList();
}

void MainDialog::showRecentList() {
  std::vector<std::string> texts;
  if (platform::RecentList* recent = GetRecentList()) {
    for (const std::string& folder : recent->entries()) texts.push_back(gbk(folder));
  }
  SetMenuBarList(ID_FILE_RECENT, texts);
}

}  // namespace quillet
