#include "reports/help_texts.h"

namespace quillet {

namespace {

// clang-format off
#define QUILLET_INDENT "                     "
#define QUILLET_CONTACT_INDENT QUILLET_INDENT "　　　　"

constexpr char kWelcome[] =
    "\r\n\r\n\r\n"
    QUILLET_INDENT "欢迎使用 Quillet 1.0 贾府家谱管理系统！\r\n"
    QUILLET_INDENT "出品：Quillet 项目组\r\n"
    QUILLET_INDENT "总体设计：Quillet 项目组\r\n"
    QUILLET_INDENT "编写：Quillet 项目组全体成员\r\n"
    QUILLET_INDENT "意见与建议：\r\n"
    QUILLET_CONTACT_INDENT "请提交到本项目的问题跟踪系统\r\n"
    QUILLET_CONTACT_INDENT "（项目代码库的 Issues 页面）";
// clang-format on

#undef QUILLET_CONTACT_INDENT
#undef QUILLET_INDENT

constexpr char kUsage[] =
    "\r\n\r\n\r\n     "
    "该手册使用方便，界面可人，功能明确，最左边是家谱树的树形结构，可以按‘＋’或‘－’来确定树的"
    "展开或收起，右上方为显示器，显示所有的查询结果或操作提示，右下方为操作区，提供您所需要的各种操"
    "作台。"
    "\r\n　　 "
    "请注意：在修改后尽量不要保存，否则会造成与原著不符或导至文件不可调用!另外请注意，本软件中的"
    "出生年月为参考年月，非实值，没有考证意义!";

constexpr char kFeatures[] =
    "\r\n　　功能说明（原版之后新增的功能）\r\n"
    "\r\n【打开家谱】文件 > 打开家谱（Ctrl+O）：选择存放家谱的文件夹（其中有 home.txt），或其中的 "
    "home."
    "txt。有尚未保存的修改时，先问是否保存。窗口标题写明家谱（《某氏家谱》）和它所在的文件夹。\r\n"
    "\r\n【最近打开】文件 > 最近打开：列出最近打开的八个家谱，选一个即打开；已不在原处的家谱，"
    "说明后从列表中删去。\r\n"
    "\r\n【查找】Ctrl+F 或 编辑 > 查找：家谱树下方出现查找框，输入姓名中的字、繁体字、拼音"
    "（jiabaoyu）或拼音首字母（jby）即选中下一个相符的人；回车或 F3 找下一个，Shift+F3 "
    "找上一个，Esc 关闭。\r\n"
    "\r\n【撤销与恢复】Ctrl+Z（撤销）收回最近的一次出生、迎娶或修改，Ctrl+Y 或 Ctrl+Shift+Z"
    "（恢复）重做收回的修改。编辑菜单和右键菜单中的“撤销”“恢复”写明将撤销或恢复什么（如“撤销 "
    "出生 贾兰”），没有可撤销或可恢复的修改时不能选。\r\n"
    "\r\n【关系路径】人员关系查询说明了两人的亲属关系后，家谱树用粗体和底色标出两人之间的路径："
    "从一人沿父亲上溯到最近的共同祖先，再下到另一人。\r\n"
    "\r\n【视图】视图 > 精确称谓：关系查询之后，再写出两人互相的准确称谓（如堂叔、堂侄）。视图 > "
    "农历日期：人员资料之后，写出生日和忌日的农历，用年号纪年，附干支年。\r\n"
    "\r\n【导入】文件 > 导入GEDCOM：读入其他家谱软件导出的 GEDCOM 文件中的一个家族，先列出"
    "不能照原样存入的各项，确认后写入所选的空文件夹或新文件夹，并打开它。\r\n"
    "\r\n【导出】文件 > 导出GEDCOM、导出世系图：把家谱（连同尚未保存的修改）写成 GEDCOM "
    "文件或 SVG 世系图；导出家谱书(PDF)：排印成一本家谱书，有封面、目录、吊线世系图和世系录。"
    "这些也在右键菜单中。\r\n"
    "\r\n【日期】出生、迎娶和修改中的日期为 8 位数字，年月日（yyyymmdd），须是日历上有的日子；"
    "不知道的月或日写 00，如 17830200、17830000。";

}  // namespace

std::string_view welcomeText() { return {kWelcome, sizeof kWelcome - 1}; }

std::string_view usageText() { return {kUsage, sizeof kUsage - 1}; }

std::string_view featuresText() { return {kFeatures, sizeof kFeatures - 1}; }

}  // namespace quillet
