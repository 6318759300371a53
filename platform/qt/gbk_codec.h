// GBK <-> QString for the Qt backend, with one converter kept open per direction (the tree of a
// large clan converts hundreds of thousands of labels). Bytes that are no GBK character show as
// U+FFFD. GUI thread only.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace platform {

QString qStringFromGbk(std::string_view gbk);
std::string gbkFromQString(const QString& text);
// Bytes the text takes in GBK (a character GBK lacks counts as its replacement, one byte).
std::size_t gbkLengthOf(const QString& text);

}  // namespace platform
