// The user's own genealogy: a per-user folder made from the genealogy shipped with the programs
// the first time it is opened, so that saving never writes into the installed files.
#pragma once

#include <filesystem>
#include <string>

#include "platform/status.h"

namespace quillet {

// The folder "quillet" under $XDG_DATA_HOME, or under ~/.local/share when XDG_DATA_HOME is unset,
// empty or not an absolute path. Empty when that needs HOME and HOME is unset or empty.
std::filesystem::path userGenealogyFolder();

// The genealogy shipped with the programs: share/quillet beside the bin/ folder that holds the
// running program (so it is found wherever the programs are installed or unpacked, and in the
// build folder, which mirrors that layout). Empty when the running program cannot be located.
std::filesystem::path shippedGenealogyFolder();

// Makes `folder` ready to open. A folder that holds a home.txt is left as it is, unless a first
// start left it incomplete (its mark, ".quillet-seeding", is still there). Otherwise the folder
// and its parents are created, the mark is put in it, and every file of `shipped` that the
// folder lacks (or holds empty, as a copy cut short by an earlier version) is copied into it,
// each whole or not at all (a temporary file renamed into place), owner-writable, home.txt last;
// then the mark goes. A start after one cut short (a full disk, a kill) completes the folder.
// Ok when `folder` is complete; else the failure's message says what failed and why (such as
// "cannot write F: the disk is full"), when `shipped` is not a folder, `folder` cannot be made or
// a file cannot be copied.
platform::Status seedGenealogy(const std::filesystem::path& folder,
                               const std::filesystem::path& shipped);

}  // namespace quillet
