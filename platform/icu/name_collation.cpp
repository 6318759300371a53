#include "platform/icu/name_collation.h"

#include <unicode/alphaindex.h>
#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "platform/gbk.h"

namespace platform {

struct NameCollator::Impl {
  icu::Locale locale;
  std::unique_ptr<icu::Collator> collator;
  std::unique_ptr<icu::AlphabeticIndex::ImmutableIndex> index;  // made at its first use
  bool indexTried = false;
};

NameCollator::NameCollator(NameOrder order) : impl_(std::make_unique<Impl>()) {
  UErrorCode status = U_ZERO_ERROR;
  impl_->locale =
      icu::Locale(order == NameOrder::pinyin ? "zh@collation=pinyin" : "zh@collation=stroke");
  impl_->collator.reset(icu::Collator::createInstance(impl_->locale, status));
  if (U_FAILURE(status)) impl_->collator.reset();
}

NameCollator::~NameCollator() = default;

std::string NameCollator::sortKey(std::string_view gbk) const {
  const std::optional<std::string> utf8 = gbkToUtf8(gbk);
  if (!impl_->collator || !utf8) {
    // 0xFF never begins an ICU sort key's first byte in practice (it marks special primaries),
    // so a raw text prefixed with it sorts after every collated one and stays distinct.
    return std::string(1, '\xff') + std::string(gbk);
  }
  const icu::UnicodeString text = icu::UnicodeString::fromUTF8(*utf8);
  std::string key(64, '\0');
  int32_t length = impl_->collator->getSortKey(text, reinterpret_cast<uint8_t*>(key.data()),
                                               static_cast<int32_t>(key.size()));
  if (length > static_cast<int32_t>(key.size())) {
    key.resize(static_cast<std::size_t>(length));
    length = impl_->collator->getSortKey(text, reinterpret_cast<uint8_t*>(key.data()),
                                         static_cast<int32_t>(key.size()));
  }
  // The key ends with its NUL terminator, which is left out so that keys concatenate.
  key.resize(length > 0 ? static_cast<std::size_t>(length - 1) : 0);
  // Texts that collate alike (full-width and half-width forms) stay distinct: the text itself
  // breaks the tie.
  key.push_back('\0');
  key.append(gbk);
  return key;
}

std::string NameCollator::indexLabel(std::string_view gbk) const {
  if (!impl_->indexTried) {
    impl_->indexTried = true;
    UErrorCode status = U_ZERO_ERROR;
    icu::AlphabeticIndex index(impl_->locale, status);
    if (U_SUCCESS(status)) impl_->index.reset(index.buildImmutableIndex(status));
    if (U_FAILURE(status)) impl_->index.reset();
  }
  const std::optional<std::string> utf8 = gbkToUtf8(gbk);
  if (!impl_->index || !utf8) return "…";
  UErrorCode status = U_ZERO_ERROR;
  const int32_t bucket = impl_->index->getBucketIndex(icu::UnicodeString::fromUTF8(*utf8), status);
  const icu::AlphabeticIndex::Bucket* found =
      U_SUCCESS(status) ? impl_->index->getBucket(bucket) : nullptr;
  if (found == nullptr) return "…";
  std::string label;
  found->getLabel().toUTF8String(label);
  std::string text = utf8ToGbk(label);
  // The stroke counts are labelled in traditional characters (10劃); the book is simplified.
  if (text.ends_with("劃")) text.replace(text.size() - 2, 2, "画");
  return text;
}

}  // namespace platform
