// Chinese collation of GBK names, for indexes a reader searches by eye: by pinyin (the order of
// Chinese dictionaries) or by the number of strokes. Keys compare byte-wise, so a sort of many
// names computes each key once.
//
// Not thread-safe: each thread keeps its own NameCollator.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace platform {

enum class NameOrder {
  pinyin,   // 贾 (jia) before 李 (li) before 王 (wang)
  strokes,  // 王 (4 strokes) before 李 (7) before 贾 (10)
};

class NameCollator {
 public:
  explicit NameCollator(NameOrder order);
  ~NameCollator();
  NameCollator(const NameCollator&) = delete;
  NameCollator& operator=(const NameCollator&) = delete;

  // The sort key of the GBK text `gbk`: for two texts, the byte-wise order of their keys is
  // their order in the chosen collation, and equal keys mean texts that collate alike. Bytes
  // that are not GBK sort after every character, in their byte order, so that distinct texts
  // never share a key. Without a usable collator (ICU lacks its data) the key is the text
  // itself, which still sorts deterministically.
  std::string sortKey(std::string_view gbk) const;

  // The heading of the part of an index that `gbk` falls in, in GBK: the initial of its pinyin
  // ("J" for 贾) or its number of strokes ("10画"); "…" for a text without one (Latin letters
  // have their own). Texts in key order fall in the parts in order.
  std::string indexLabel(std::string_view gbk) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
