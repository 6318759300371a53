// Readers of the side files shown in the display pane: the household rosters, the two free texts
// (most.txt, number.txt) and a person's own text file.
//
// Each reader takes a file the caller has opened (TextFile::open for reading, text mode, so a
// CR LF pair of the file arrives as one LF), appends what it reads to the caller's text without
// clearing it, and closes the file whatever it read: the file must not be used afterwards.
// A short or empty file simply yields less. No reader reads more than `limit` bytes (after
// translation): a larger file is cut there, and the reader returns false; true when it read the
// file to its end.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {
class TextFile;
}

namespace quillet {

// The most of a side file the pane shows: a larger one takes seconds and gigabytes to show.
inline constexpr std::size_t kSideFileLimit = std::size_t{16} << 20;

// A roster file is a run of 6-byte name fields (a two-character name padded with two spaces).
// Sets `count` to the number of whole fields read (a trailing part shorter than 6 bytes is
// ignored) and appends them laid out nine to a line: every line begins with eight spaces, each
// name but the ninth of a line is followed by four spaces, the ninth by CR LF. A field is shown
// up to its first NUL byte, if it has one, and still counts. A field of six NUL bytes, which no
// text holds (a sparse or binary file), ends the reading: the file is not text, `count` is
// kNotText and nothing is appended.
inline constexpr int kNotText = -1;
bool readNameRoster(platform::TextFile& file, std::string& text, int& count,
                    std::size_t limit = kSideFileLimit);

// Appends every byte of the file in order; a NUL byte adds nothing.
bool readPlainText(platform::TextFile& file, std::string& text, std::size_t limit = kSideFileLimit);

// As readPlainText, except that each '#' byte is appended as CR LF ('#' is never the second
// byte of a GBK character, so no character is split).
bool readMarkedText(platform::TextFile& file, std::string& text,
                    std::size_t limit = kSideFileLimit);

// The pane's line after a side file a reader cut short (GBK): the file and how much was shown.
std::string sideFileCutLine(std::string_view gbkName);

// The pane's line after a roster that is not text (GBK): the file, and that it names nobody.
std::string notTextLine(std::string_view gbkName);

// The pane's line for a side file that does not open for reading (GBK): "无法读取文件 NAME：" and
// the reason (missing, permissions, not a regular file ...), as the file is now.
std::string unreadableFileLine(std::string_view gbkName);

}  // namespace quillet
