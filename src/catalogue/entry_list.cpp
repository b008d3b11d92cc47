// The lists' sorted storage, and the in-memory list.
#include "catalogue/entry_list.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <utility>

namespace rw {

namespace {

// Notes after every entry.
bool key_less(const ListItem& a, const ListItem& b) {
  const bool a_note = a.tag == kNoteTag, b_note = b.tag == kNoteTag;
  return a_note != b_note ? b_note : a.sort_key < b.sort_key;
}

}  // namespace

int SortedItems::add(const NewItem& item) {
  ListItem added{std::string(item.text),
                 rules_.sort_key(item.text),
                 item.tag,
                 item.checked,
                 item.off,
                 item.locked,
                 std::string(item.key)};
  if (in_batch()) {
    items_.push_back(std::move(added));
    return -1;
  }
  const auto at = std::upper_bound(items_.begin(), items_.end(), added, key_less);
  const auto index = static_cast<int>(at - items_.begin());
  items_.insert(at, std::move(added));
  return index;
}

void SortedItems::begin_batch() {
  if (batch_depth_++ == 0) batch_start_ = items_.size();
}

void SortedItems::end_batch(std::span<int> followed) noexcept {
  if (batch_depth_ == 0 || --batch_depth_ > 0) return;
  const auto start = items_.begin() + static_cast<std::ptrdiff_t>(batch_start_);
  // Stable, both: equal keys keep their order of adding, and the items from
  // before the batch come first among equals, as single adds would place them.
  std::stable_sort(start, items_.end(), key_less);
  for (int& index : followed) {
    if (index < 0 || static_cast<std::size_t>(index) >= batch_start_) continue;
    const ListItem& item = items_[static_cast<std::size_t>(index)];
    index += static_cast<int>(std::lower_bound(start, items_.end(), item, key_less) - start);
  }
  std::inplace_merge(items_.begin(), start, items_.end(), key_less);
}

const ListItem& SortedItems::at(int index) const {
  if (index < 0 || index >= count()) throw std::out_of_range("list index");
  return items_[static_cast<std::size_t>(index)];
}

ListItem& SortedItems::at(int index) {
  return const_cast<ListItem&>(std::as_const(*this).at(index));
}

void SortedItems::remove(int index) {
  at(index);
  items_.erase(items_.begin() + index);
  if (in_batch() && static_cast<std::size_t>(index) < batch_start_) --batch_start_;
}

int SortedEntryList::insert(const NewItem& item) {
  const int index = items_.add(item);
  if (index >= 0 && current_ >= index) ++current_;
  return index;
}

void SortedEntryList::set_current(int index) {
  if (index < -1 || index >= count()) throw std::out_of_range("list index");
  current_ = index;
}

void SortedEntryList::remove(int index) {
  items_.remove(index);
  if (current_ == index) {
    current_ = -1;
  } else if (current_ > index) {
    --current_;
  }
}

}  // namespace rw
