// The list of the genealogies a person opened last, newest first, kept between runs where the
// window system keeps a program's settings (platform/qt: QSettings, under
// ${XDG_CONFIG_HOME:-~/.config}/quillet), or in memory for the headless backend and tests. The
// entries are folder paths as the file system names them (UTF-8 bytes, not GBK).
//
// Single-threaded.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

class RecentList {
 public:
  // The most entries a list keeps.
  static constexpr std::size_t kMost = 8;

  virtual ~RecentList() = default;
  // The entries, newest first, as last stored (none at first).
  virtual std::vector<std::string> entries() const = 0;
  // Replaces the entries; at most kMost are kept.
  virtual void store(const std::vector<std::string>& entries) = 0;

  // Puts `path` first, taking it out from further down, and keeps at most kMost entries.
  void putFirst(const std::string& path);
  // Takes `path` out; nothing when it is not listed.
  void remove(const std::string& path);
};

// A list kept in memory for the process's life, empty at first.
class MemoryRecentList : public RecentList {
 public:
  std::vector<std::string> entries() const override { return entries_; }
  void store(const std::vector<std::string>& entries) override;

 private:
  std::vector<std::string> entries_;
};

}  // namespace platform
