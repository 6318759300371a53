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

}  // namespace

std::string_view welcomeText() { return {kWelcome, sizeof kWelcome - 1}; }

std::string_view usageText() { return {kUsage, sizeof kUsage - 1}; }

}  // namespace quillet
