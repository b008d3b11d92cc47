#include "catalogue/entry_list.h"

#include <algorithm>
#include <stdexcept>

#include "platform/platform.h"

namespace rw {

namespace {
char16_t fold_case(char16_t unit) {
  if (unit >= u'a' && unit <= u'z') return static_cast<char16_t>(unit - 32);
  if (unit >= 0xE0 && unit <= 0xFE && unit != 0xF7) return static_cast<char16_t>(unit - 32);
  if (unit >= 0x430 && unit <= 0x44F) return static_cast<char16_t>(unit - 32);  // Cyrillic
  if (unit >= 0x3B1 && unit <= 0x3C9 && unit != 0x3C2) return static_cast<char16_t>(unit - 32);
  return unit;
}
}  // namespace

bool list_text_less(std::string_view a, std::string_view b) {
  const std::u16string left = utf8_to_utf16(a);
  const std::u16string right = utf8_to_utf16(b);
  return std::lexicographical_compare(
      left.begin(), left.end(), right.begin(), right.end(),
      [](char16_t x, char16_t y) { return fold_case(x) < fold_case(y); });
}

int SortedEntryList::add(std::string_view text, std::int32_t tag, bool checked) {
  auto at = std::upper_bound(
      items_.begin(), items_.end(), text,
      [](std::string_view t, const Item& item) { return list_text_less(t, item.text); });
  auto index = static_cast<int>(at - items_.begin());
  items_.insert(at, Item{std::string(text), tag, checked});
  if (current_ >= index) ++current_;
  return index;
}

void SortedEntryList::set_current(int index) {
  if (index < -1 || index >= count()) throw std::out_of_range("list index");
  current_ = index;
}

void SortedEntryList::remove(int index) {
  items_.erase(items_.begin() + index);
  if (current_ == index) {
    current_ = -1;
  } else if (current_ > index) {
    --current_;
  }
}

}  // namespace rw
