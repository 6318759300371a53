#include "platform/dialog/recent_list.h"

#include <algorithm>

namespace platform {

void RecentList::putFirst(const std::string& path) {
  std::vector<std::string> listed = entries();
  std::erase(listed, path);
  listed.insert(listed.begin(), path);
  if (listed.size() > kMost) listed.resize(kMost);
  store(listed);
}

void RecentList::remove(const std::string& path) {
  std::vector<std::string> listed = entries();
  if (std::erase(listed, path) > 0) store(listed);
}

void MemoryRecentList::store(const std::vector<std::string>& entries) {
  entries_.assign(entries.begin(),
                  entries.begin() + static_cast<std::ptrdiff_t>(std::min(entries.size(), kMost)));
}

}  // namespace platform
