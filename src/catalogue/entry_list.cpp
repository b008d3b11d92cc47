#include "catalogue/entry_list.h"

#include <algorithm>
#include <stdexcept>

namespace rw {

int SortedEntryList::insert(std::string_view text, std::int32_t tag, bool checked,
                            bool switched_off) {
  Item added{std::string(text), rules_.sort_key(text), tag, checked, switched_off};
  auto at = std::upper_bound(
      items_.begin(), items_.end(), added.sort_key,
      [](const std::string& key, const Item& item) { return key < item.sort_key; });
  auto index = static_cast<int>(at - items_.begin());
  items_.insert(at, std::move(added));
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
