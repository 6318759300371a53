#include "platform/icu/name_collation.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "platform/gbk.h"

namespace platform {

struct NameCollator::Impl {
  std::unique_ptr<icu::Collator> collator;
};

NameCollator::NameCollator(NameOrder order) : impl_(std::make_unique<Impl>()) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Locale locale(order == NameOrder::pinyin ? "zh@collation=pinyin"
                                                      : "zh@collation=stroke");
  impl_->collator.reset(icu::Collator::createInstance(locale, status));
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

}  // namespace platform
