// The program's resources: dialog templates 102 (the main window) and 100 (the About box),
// string 101 (the system-menu entry) and icon 128, with the ids the window logic uses.
#pragma once

#include <string_view>

#include "platform/dialog/dialog_template.h"

namespace quillet {

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDD_MAIN_DIALOG = 102;
inline constexpr int IDR_MAINFRAME = 128;
// The system-menu command of the About entry.
inline constexpr unsigned IDM_ABOUTBOX = 0x0010;
// The commands of the context menu's export entries.
inline constexpr int ID_EXPORT_GEDCOM = 32771;
inline constexpr int ID_EXPORT_CHART = 32772;
// The command of the context menu's GEDCOM import entry.
inline constexpr int ID_IMPORT_GEDCOM = 32780;
// The printed book (导出家谱书).
inline constexpr int ID_EXPORT_BOOK = 32790;
// Undo and redo (context menu, menu bar, Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z), and the menu bar's
// 查找 and 关于 Quillet.
inline constexpr int ID_EDIT_UNDO = 32801;
inline constexpr int ID_EDIT_REDO = 32802;
inline constexpr int ID_EDIT_FIND = 32803;
inline constexpr int ID_APP_ABOUT = 32804;
// The 视图 menu's views, each turned on and off by its entry: the exact kinship terms after a
// relation query, the dates in the Chinese calendar in a person's report.
inline constexpr int ID_VIEW_EXACT_TERMS = 32805;
inline constexpr int ID_VIEW_CHINESE_DATES = 32806;
// 文件 > 打开家谱 (Ctrl+O), and 帮助 > 功能说明.
inline constexpr int ID_FILE_OPEN = 32807;
inline constexpr int ID_HELP_FEATURES = 32808;
// 文件 > 最近打开: the list, whose n-th entry (0 the first) is the command ID_FILE_RECENT + 1 + n,
// up to platform::RecentList::kMost entries.
inline constexpr int ID_FILE_RECENT = 32810;

// Controls of the main window.
inline constexpr int IDC_TREE = 1000;
inline constexpr int IDC_DISPLAY = 1001;
inline constexpr int IDC_MODIFY_NAME = 1002;
inline constexpr int IDC_FETCH = 1003;
inline constexpr int IDC_MODIFY_CHOICE = 1004;  // first of the radio group 1004..1008
inline constexpr int IDC_MODIFY_PARAM = 1009;
inline constexpr int IDC_MODIFY = 1010;
inline constexpr int IDC_ABOUT_SOFTWARE = 1011;
inline constexpr int IDC_USAGE = 1012;
inline constexpr int IDC_QUERY_CHOICE = 1013;  // first of the radio group 1013..1016
inline constexpr int IDC_QUERY_KEYWORD = 1017;
inline constexpr int IDC_RESET_QUERY = 1018;
inline constexpr int IDC_PERSON_QUERY = 1019;
inline constexpr int IDC_SAVE = 1020;
inline constexpr int IDC_RELATION_FIRST = 1021;
inline constexpr int IDC_ROSTER_NING = 1022;
inline constexpr int IDC_RELATION_SECOND = 1023;
inline constexpr int IDC_RESET_RELATION = 1024;
inline constexpr int IDC_RELATION_QUERY = 1025;
inline constexpr int IDC_BIRTH_NAME = 1026;
inline constexpr int IDC_BIRTH_SEX = 1027;
inline constexpr int IDC_BIRTH_DATE = 1028;
inline constexpr int IDC_MOTHER_NAME = 1029;
inline constexpr int IDC_RESET_BIRTH = 1030;
inline constexpr int IDC_ADD_CHILD = 1031;
inline constexpr int IDC_BRIDE_NAME = 1032;
inline constexpr int IDC_HUSBAND_NAME = 1033;
inline constexpr int IDC_BRIDE_BIRTH_DATE = 1034;
inline constexpr int IDC_RESET_MARRIAGE = 1035;
inline constexpr int IDC_ADD_WIFE = 1036;
inline constexpr int IDC_ROSTER_XUE = 1037;
inline constexpr int IDC_SIDE_MOST = 1038;
inline constexpr int IDC_ROSTER_RONG = 1039;
inline constexpr int IDC_ROSTER_SHI = 1040;
inline constexpr int IDC_ROSTER_WANG = 1042;
inline constexpr int IDC_ROSTER_OTHER = 1043;
inline constexpr int IDC_SIDE_NUMBER = 1045;

const platform::DialogTemplate& mainDialogTemplate();
const platform::DialogTemplate& aboutDialogTemplate();
// A string of the string table (GBK); empty when there is none with that id.
std::string_view loadString(int id);
// Icon 128.
const platform::IconResource& mainIcon();

}  // namespace quillet
