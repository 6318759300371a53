// Readers of the side files shown in the display pane: the household rosters, the two free texts
// (most.txt, number.txt) and a person's own text file.
//
// Each reader takes a file the caller has opened (TextFile::open with "r+", text mode, so a
// CR LF pair of the file arrives as one LF), appends what it reads to the caller's text without
// clearing it, and closes the file whatever it read: the file must not be used afterwards.
// The readers never fail; a short or empty file simply yields less.
#pragma once

#include <string>

namespace platform {
class TextFile;
}

namespace quillet {

// A roster file is a run of 6-byte name fields (a two-character name padded with two spaces).
// Sets `count` to the number of whole fields read (a trailing part shorter than 6 bytes is
// ignored) and appends them laid out nine to a line: every line begins with eight spaces, each
// name but the ninth of a line is followed by four spaces, the ninth by CR LF. A field is shown
// up to its first NUL byte, if it has one, and still counts.
void readNameRoster(platform::TextFile& file, std::string& text, int& count);

// Appends every byte of the file in order; a NUL byte adds nothing.
void readPlainText(platform::TextFile& file, std::string& text);

// As readPlainText, except that each '#' byte is appended as CR LF ('#' is never the second
// byte of a GBK character, so no character is split).
void readMarkedText(platform::TextFile& file, std::string& text);

}  // namespace quillet
