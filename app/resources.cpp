// The resource script: dialog templates 102 and 100, string 101 and icon 128.
#include "app/resources.h"

#include <array>
#include <cstdint>

#include "platform/dialog/win_types.h"

namespace quillet {

namespace {

using platform::ControlKind;
using platform::ControlTemplate;
using platform::IDC_STATIC;
using platform::IDOK;

constexpr std::uint32_t kChild = platform::WS_VISIBLE;
constexpr std::uint32_t kButton = kChild | platform::WS_TABSTOP;
constexpr std::uint32_t kDefaultButton = kButton | platform::BS_DEFPUSHBUTTON;
constexpr std::uint32_t kEdit =
    kChild | platform::WS_BORDER | platform::WS_TABSTOP | platform::ES_AUTOHSCROLL;
constexpr std::uint32_t kDisplayPane = kChild | platform::WS_BORDER | platform::WS_VSCROLL |
                                       platform::ES_MULTILINE | platform::ES_READONLY |
                                       platform::ES_AUTOVSCROLL;
constexpr std::uint32_t kRadio = kChild | platform::BS_AUTORADIOBUTTON;
constexpr std::uint32_t kFirstRadio = kRadio | platform::WS_GROUP | platform::WS_TABSTOP;
constexpr std::uint32_t kLabel = kChild | platform::WS_GROUP;
constexpr std::uint32_t kGroupBox = kChild;
constexpr std::uint32_t kTree = kChild | platform::WS_BORDER | platform::WS_TABSTOP |
                                platform::TVS_HASBUTTONS | platform::TVS_HASLINES |
                                platform::TVS_LINESATROOT;

// Every control of the main window in template order, which is also the tab order.
constexpr ControlTemplate kMainControls[] = {
    {ControlKind::PushButton, IDOK, "退出程序", {525, 389, 50, 14}, kDefaultButton},
    {ControlKind::PushButton, IDC_SAVE, "保存修改", {458, 387, 50, 14}, kButton},
    {ControlKind::Tree, IDC_TREE, "", {7, 7, 170, 405}, kTree},
    {ControlKind::GroupBox, IDC_STATIC, "显示器", {179, 7, 417, 113}, kGroupBox},
    {ControlKind::Edit, IDC_DISPLAY, "", {190, 20, 396, 96}, kDisplayPane},
    {ControlKind::GroupBox, IDC_STATIC, "查询", {179, 127, 119, 217}, kGroupBox},
    {ControlKind::GroupBox, IDC_STATIC, "添加", {303, 127, 167, 218}, kGroupBox},
    {ControlKind::GroupBox, IDC_STATIC, "修改", {475, 127, 121, 218}, kGroupBox},
    {ControlKind::GroupBox, IDC_STATIC, "人员信息", {185, 138, 107, 125}, kGroupBox},
    {ControlKind::GroupBox, IDC_STATIC, "人员关系", {185, 268, 107, 70}, kGroupBox},
    {ControlKind::GroupBox,
     IDC_STATIC,
     "出生(文本框中输入关健字)",
     {309, 138, 155, 105},
     kGroupBox},
    {ControlKind::GroupBox, IDC_STATIC, "迎娶", {309, 248, 155, 90}, kGroupBox},
    {ControlKind::Label, IDC_STATIC, "输入姓名：", {483, 142, 50, 8}, kLabel},
    {ControlKind::Edit, IDC_MODIFY_NAME, "", {483, 154, 60, 14}, kEdit},
    {ControlKind::PushButton, IDC_FETCH, "调出", {548, 154, 40, 14}, kButton},
    {ControlKind::GroupBox, IDC_STATIC, "选择修改项目", {483, 174, 105, 100}, kGroupBox},
    {ControlKind::RadioButton, 1004, "姓名", {491, 186, 80, 10}, kFirstRadio},
    {ControlKind::RadioButton, 1005, "性别(m/f)", {491, 200, 80, 10}, kRadio},
    {ControlKind::RadioButton, 1006, "代数(数字)", {491, 214, 80, 10}, kRadio},
    {ControlKind::RadioButton, 1007, "出生日期", {491, 228, 80, 10}, kRadio},
    {ControlKind::RadioButton, 1008, "死亡日期", {491, 242, 80, 10}, kRadio},
    {ControlKind::Label, IDC_STATIC, "参数输入：", {483, 282, 50, 8}, kLabel},
    {ControlKind::Edit, IDC_MODIFY_PARAM, "", {483, 294, 60, 14}, kEdit},
    {ControlKind::PushButton, IDC_MODIFY, "输入", {548, 294, 40, 14}, kButton},
    {ControlKind::PushButton, IDC_ABOUT_SOFTWARE, "关于软件", {458, 367, 50, 14}, kButton},
    {ControlKind::PushButton, IDC_USAGE, "使用说明", {525, 367, 50, 14}, kButton},
    {ControlKind::RadioButton, 1013, "个人(姓名)", {193, 150, 80, 10}, kFirstRadio},
    {ControlKind::RadioButton, 1014, "性别(f/m)", {193, 164, 80, 10}, kRadio},
    {ControlKind::RadioButton, 1015, "代数(数字)", {193, 178, 80, 10}, kRadio},
    {ControlKind::RadioButton, 1016, "生死(y/n)", {193, 192, 80, 10}, kRadio},
    {ControlKind::Label, IDC_STATIC, "关键字输入：", {193, 208, 60, 8}, kLabel},
    {ControlKind::Edit, IDC_QUERY_KEYWORD, "", {193, 220, 90, 14}, kEdit},
    {ControlKind::PushButton, IDC_RESET_QUERY, "重填", {193, 241, 40, 14}, kButton},
    {ControlKind::PushButton, IDC_PERSON_QUERY, "确定", {243, 241, 40, 14}, kButton},
    {ControlKind::Label, IDC_STATIC, "输入姓名：", {193, 280, 60, 8}, kLabel},
    {ControlKind::Edit, IDC_RELATION_FIRST, "", {193, 292, 42, 14}, kEdit},
    {ControlKind::Edit, IDC_RELATION_SECOND, "", {241, 292, 42, 14}, kEdit},
    {ControlKind::PushButton, IDC_RESET_RELATION, "重填", {193, 316, 40, 14}, kButton},
    {ControlKind::PushButton, IDC_RELATION_QUERY, "查询", {243, 316, 40, 14}, kButton},
    {ControlKind::Label, IDC_STATIC, "新人姓名：", {317, 153, 50, 8}, kLabel},
    {ControlKind::Label, IDC_STATIC, "新人性别：", {317, 171, 50, 8}, kLabel},
    {ControlKind::Label, IDC_STATIC, "出生日期：", {317, 189, 50, 8}, kLabel},
    {ControlKind::Label, IDC_STATIC, "母亲姓名：", {317, 207, 50, 8}, kLabel},
    {ControlKind::Edit, IDC_BIRTH_NAME, "", {370, 150, 85, 14}, kEdit},
    {ControlKind::Edit, IDC_BIRTH_SEX, "", {370, 168, 85, 14}, kEdit},
    {ControlKind::Edit, IDC_BIRTH_DATE, "", {370, 186, 85, 14}, kEdit},
    {ControlKind::Edit, IDC_MOTHER_NAME, "", {370, 204, 85, 14}, kEdit},
    {ControlKind::PushButton, IDC_RESET_BIRTH, "重填", {330, 224, 50, 14}, kButton},
    {ControlKind::PushButton, IDC_ADD_CHILD, "确定", {395, 224, 50, 14}, kButton},
    {ControlKind::Label, IDC_STATIC, "新人姓名：", {317, 263, 50, 8}, kLabel},
    {ControlKind::Label, IDC_STATIC, "丈夫姓名：", {317, 281, 50, 8}, kLabel},
    {ControlKind::Label, IDC_STATIC, "出生日期：", {317, 299, 50, 8}, kLabel},
    {ControlKind::Edit, IDC_BRIDE_NAME, "", {370, 260, 85, 14}, kEdit},
    {ControlKind::Edit, IDC_HUSBAND_NAME, "", {370, 278, 85, 14}, kEdit},
    {ControlKind::Edit, IDC_BRIDE_BIRTH_DATE, "", {370, 296, 85, 14}, kEdit},
    {ControlKind::PushButton, IDC_RESET_MARRIAGE, "重填", {330, 318, 50, 14}, kButton},
    {ControlKind::PushButton, IDC_ADD_WIFE, "确定", {395, 318, 50, 14}, kButton},
    {ControlKind::GroupBox, IDC_STATIC, "", {180, 351, 416, 61}, kGroupBox},
    {ControlKind::PushButton, IDC_ROSTER_NING, "宁国府人物", {190, 367, 50, 14}, kButton},
    {ControlKind::PushButton, IDC_ROSTER_XUE, "薛府人物", {324, 367, 50, 14}, kButton},
    {ControlKind::PushButton, IDC_SIDE_MOST, "Morvane之最", {391, 367, 50, 14}, kButton},
    {ControlKind::PushButton, IDC_ROSTER_RONG, "荣国府人物", {190, 387, 50, 14}, kButton},
    {ControlKind::PushButton, IDC_ROSTER_SHI, "史府人物", {257, 367, 50, 14}, kButton},
    {ControlKind::PushButton, IDC_ROSTER_WANG, "王府人物", {257, 387, 50, 14}, kButton},
    {ControlKind::PushButton, IDC_ROSTER_OTHER, "其它人物", {324, 387, 50, 14}, kButton},
    {ControlKind::PushButton, IDC_SIDE_NUMBER, "人物统计", {391, 387, 50, 14}, kButton},
};

// Ctrl+S saves, as the button 保存修改 does (with its warning); Ctrl+O opens another genealogy.
// Ctrl+Z undoes the latest edit, Ctrl+Y and Ctrl+Shift+Z redo one, while the focus is not in an
// edit box (there they act on its text). Ctrl+F, the tree's find field, is the window's own key.
constexpr unsigned kCtrl = platform::FVIRTKEY | platform::FCONTROL;
constexpr unsigned kOutsideEdit = platform::FOUTSIDEEDIT;
constexpr platform::Accelerator kMainAccelerators[] = {
    {kCtrl, 'S', IDC_SAVE},
    {kCtrl, 'O', ID_FILE_OPEN},
    {kCtrl | kOutsideEdit, 'Z', ID_EDIT_UNDO},
    {kCtrl | kOutsideEdit, 'Y', ID_EDIT_REDO},
    {kCtrl | platform::FSHIFT | kOutsideEdit, 'Z', ID_EDIT_REDO},
};

// The menu bar: every command of the window besides the panels' buttons, each running the
// handler its button, key or context-menu entry runs. 退出 is the button 退出程序 (with its
// question), 使用说明 the button of that name. The 视图 entries turn their views on and off and
// show a check mark while on. 最近打开 opens the list of the genealogies opened last; 撤销 and
// 恢复 are named after the edit each would take back or do again, and greyed out without one.
constexpr auto kEntry = platform::MF_STRING;
constexpr auto kSeparator = platform::MF_SEPARATOR;
constexpr platform::MenuBarEntry kMainMenuBar[] = {
    {"文件", kEntry, ID_FILE_OPEN, "打开家谱...\tCtrl+O"},
    {"文件", platform::MF_POPUP, ID_FILE_RECENT, "最近打开"},
    {"文件", kSeparator, 0, ""},
    {"文件", kEntry, ID_IMPORT_GEDCOM, "导入GEDCOM..."},
    {"文件", kEntry, ID_EXPORT_GEDCOM, "导出GEDCOM..."},
    {"文件", kEntry, ID_EXPORT_CHART, "导出世系图..."},
    {"文件", kEntry, ID_EXPORT_BOOK, "导出家谱书(PDF)..."},
    {"文件", kSeparator, 0, ""},
    {"文件", kEntry, IDC_SAVE, "保存\tCtrl+S"},
    {"文件", kEntry, IDOK, "退出"},
    {"编辑", kEntry, ID_EDIT_UNDO, "撤销\tCtrl+Z"},
    {"编辑", kEntry, ID_EDIT_REDO, "恢复\tCtrl+Y"},
    {"编辑", kSeparator, 0, ""},
    {"编辑", kEntry, ID_EDIT_FIND, "查找\tCtrl+F"},
    {"视图", kEntry | platform::MF_CHECKMARK, ID_VIEW_EXACT_TERMS, "精确称谓"},
    {"视图", kEntry | platform::MF_CHECKMARK, ID_VIEW_CHINESE_DATES, "农历日期"},
    {"帮助", kEntry, IDC_USAGE, "使用说明"},
    {"帮助", kEntry, ID_HELP_FEATURES, "功能说明"},
    {"帮助", kEntry, ID_APP_ABOUT, "关于 Quillet"},
};

// A larger window gives its extra room to the tree and the display pane: the tree takes a third
// of the extra width, the pane the rest, both take all the extra height; the panels and the
// bottom buttons keep their layout below the pane and right of the tree.
constexpr double kTreeShare = 1.0 / 3.0;
constexpr platform::GrowthRule kMainGrowth[] = {
    {{7, 7, 170, 405}, 0, kTreeShare, 0, 1},                 // the tree
    {{179, 7, 417, 113}, kTreeShare, 1 - kTreeShare, 0, 1},  // 显示器 and the pane
    {{179, 121, 417, 291}, kTreeShare, 0, 1, 0},             // the panels and the bottom box
};

constexpr platform::DialogTemplate kMainDialog{
    IDD_MAIN_DIALOG,
    "贾府家谱 Quillet 1.0 (Quillet 项目组 制作)",
    603,
    419,
    "宋体",
    9,
    platform::WS_POPUP | platform::WS_VISIBLE | platform::WS_CAPTION | platform::WS_SYSMENU |
        platform::DS_MODALFRAME | platform::WS_THICKFRAME | platform::WS_MAXIMIZEBOX,
    platform::WS_EX_APPWINDOW,
    kMainControls,
    kMainAccelerators,
    kMainGrowth,
    kMainMenuBar,
};

// Icon 128: a tree on white, in the 16 colours of the standard palette. Each digit is a colour
// index: 2 dark green, 3 olive (trunk), 8 grey (ground), A light green, F white.
constexpr std::array<std::uint32_t, 16> kPalette = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

constexpr std::string_view kIcon32[] = {
    "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF", "FFFFFFFFFFFFF222222FFFFFFFFFFFFF",
    "FFFFFFFFFFF2222AA2222FFFFFFFFFFF", "FFFFFFFFF2222AAAA2AA222FFFFFFFFF",
    "FFFFFFFF22A2AAAA2AAAA222FFFFFFFF", "FFFFFFF22A2AAAA2AAAA2AA22FFFFFFF",
    "FFFFFF22A2AAAA2AAAA2AAAA22FFFFFF", "FFFFFF2A2AAAA2AAAA2AAAA2A2FFFFFF",
    "FFFFF222AAAA2AAAA2AAAA2AA22FFFFF", "FFFFF22AAAA2AAAA2AAAA2AAAA2FFFFF",
    "FFFFF2AAAA2AAAA2AAAA2AAAA22FFFFF", "FFFFF2AAA2AAAA2AAAA2AAAA2A2FFFFF",
    "FFFF22AA2AAAA2AAAA2AAAA2AA22FFFF", "FFFFF2A2AAAA2AAAA2AAAA2AAA2FFFFF",
    "FFFFF22AAAA2AAAA2AAAA2AAAA2FFFFF", "FFFFF2AAAA2AAAA2AAAA2AAAA22FFFFF",
    "FFFFF22AA2AAAA2AAAA2AAAA222FFFFF", "FFFFFF2A2AAAA2AAAA2AAAA2A2FFFFFF",
    "FFFFFF22AAAA2AAAA2AAAA2A22FFFFFF", "FFFFFFF2AAA2AAAA2AAAA2AA2FFFFFFF",
    "FFFFFFFF2A2AAAA2AAAA2AA2FFFFFFFF", "FFFFFFFFF22AAA2AAAA2A22FFFFFFFFF",
    "FFFFFFFFFF2222AAAA2222FFFFFFFFFF", "FFFFFFFFFFFF22222222FFFFFFFFFFFF",
    "FFFFFFFFFFFFFF3333FFFFFFFFFFFFFF", "FFFFFFFFFFFFFF3333FFFFFFFFFFFFFF",
    "FFFFFFFFFFFFFF3333FFFFFFFFFFFFFF", "FFFFFFFFFFFFFF3333FFFFFFFFFFFFFF",
    "FFFFFFFFFFFFFF3333FFFFFFFFFFFFFF", "FFFFFFFFFFFFFF3333FFFFFFFFFFFFFF",
    "FFFFFF88888888888888888888FFFFFF", "FFFFFF88888888888888888888FFFFFF",
};

constexpr std::string_view kIcon16[] = {
    "FFFFFFFFFFFFFFFF", "FFFFF222222FFFFF", "FFFF222A2222FFFF", "FFF22AA2AAA22FFF",
    "FFF2AA2AAAA22FFF", "FF22A2AAAA2A22FF", "FF222AAAA2AA22FF", "FF22AAAA2AAA22FF",
    "FFF2AAA2AAAA2FFF", "FFF22A2AAAA22FFF", "FFFF22AAAA22FFFF", "FFFFF222222FFFFF",
    "FFFFFFF33FFFFFFF", "FFFFFFF33FFFFFFF", "FFFFFFF33FFFFFFF", "FFF8888888888FFF",
};

constexpr platform::IconResource kMainIcon{IDR_MAINFRAME, &kPalette, {32, kIcon32}, {16, kIcon16}};

constexpr ControlTemplate kAboutControls[] = {
    {ControlKind::Icon, IDC_STATIC, "", {11, 17, 20, 20}, kChild, IDR_MAINFRAME, &kMainIcon},
    {ControlKind::Label, IDC_STATIC, "Quillet 1.0 版", {40, 10, 119, 8}, kLabel},
    {ControlKind::Label, IDC_STATIC, "Quillet 项目组 编写", {40, 25, 119, 8}, kLabel},
    {ControlKind::PushButton, IDOK, "确定", {178, 7, 50, 14}, kDefaultButton},
};

constexpr platform::DialogTemplate kAboutDialog{
    IDD_ABOUTBOX,
    "关于 Quillet",
    235,
    55,
    "宋体",
    9,
    platform::WS_POPUP | platform::WS_CAPTION | platform::WS_SYSMENU | platform::DS_MODALFRAME,
    0,
    kAboutControls,
};

}  // namespace

const platform::DialogTemplate& mainDialogTemplate() { return kMainDialog; }

const platform::DialogTemplate& aboutDialogTemplate() { return kAboutDialog; }

std::string_view loadString(int id) {
  if (id == IDS_ABOUTBOX) return "关于 Quillet(&A)...";
  return {};
}

const platform::IconResource& mainIcon() { return kMainIcon; }

}  // namespace quillet
