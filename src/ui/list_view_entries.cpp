// The entry table over the list view's messages.
#include "ui/list_view_entries.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/win32/text.h"

namespace rw::ui {

void ListViewEntries::attach(HWND list_view) {
  list_ = list_view;
  kept_.clear();
  const int items = count();
  kept_.reserve(static_cast<size_t>(items));
  for (int index = 0; index < items; ++index) {
    std::wstring text = text_of_item(index);
    std::string key = rules_.sort_key(win32::narrow(text));
    kept_.push_back({std::move(text), std::move(key)});
  }
}

void ListViewEntries::check_index(int index) const {
  if (index < 0 || index >= count()) throw std::out_of_range("list index");
}

namespace {
// Beside the tag, in the item's lParam: the tags are small numbers.
constexpr LPARAM kSwitchedOff = 0x10000;
constexpr LPARAM kTagBits = 0xFFFF;
}  // namespace

int ListViewEntries::insert(std::string_view text, std::int32_t tag, bool checked,
                            bool switched_off) {
  Kept added{win32::widen(text), rules_.sort_key(text)};
  // A sorting control compares with every item before its place; a binary
  // search over the kept keys keeps tens of thousands of entries quick.
  const auto place = std::upper_bound(
      kept_.begin(), kept_.end(), added.sort_key,
      [](const std::string& key, const Kept& item) { return key < item.sort_key; });
  // The control would show a name only up to a NUL in it; show the NUL.
  std::wstring shown = added.text;
  std::replace(shown.begin(), shown.end(), L'\0', L'\x2400');
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = static_cast<int>(place - kept_.begin());
  item.pszText = shown.data();
  item.lParam = (tag & kTagBits) | (switched_off ? kSwitchedOff : 0);
  const int index = ListView_InsertItem(list_, &item);
  if (index != item.iItem) {
    if (index >= 0) ListView_DeleteItem(list_, index);
    throw std::runtime_error("The list could not take the entry \"" + std::string(text) + "\".");
  }
  kept_.insert(place, std::move(added));
  // A list with checkboxes inserts every item unticked, whatever state it
  // is given.
  if (checked) ListView_SetCheckState(list_, index, TRUE);
  return index;
}

int ListViewEntries::count() const { return ListView_GetItemCount(list_); }

std::string ListViewEntries::text(int index) const {
  check_index(index);
  return win32::narrow(kept_.at(static_cast<size_t>(index)).text);
}

std::wstring ListViewEntries::text_of_item(int index) const {
  // The control copies at most the buffer less one; grow until the text fits.
  std::wstring buffer(256, L'\0');
  for (;;) {
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    const auto length = static_cast<size_t>(::SendMessageW(
        list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
    if (length + 1 < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    buffer.assign(buffer.size() * 2, L'\0');
  }
}

LPARAM ListViewEntries::param(int index) const {
  check_index(index);
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  ListView_GetItem(list_, &item);
  return item.lParam;
}

std::int32_t ListViewEntries::tag(int index) const {
  return static_cast<std::int32_t>(param(index) & kTagBits);
}

bool ListViewEntries::switched_off(int index) const {
  return (param(index) & kSwitchedOff) != 0;
}

bool ListViewEntries::checked(int index) const {
  check_index(index);
  return ListView_GetCheckState(list_, index) != FALSE;
}

void ListViewEntries::set_checked(int index, bool checked) {
  check_index(index);
  ListView_SetCheckState(list_, index, checked ? TRUE : FALSE);
}

int ListViewEntries::current() const { return ListView_GetNextItem(list_, -1, LVNI_SELECTED); }

void ListViewEntries::set_current(int index) {
  if (index < -1 || index >= count()) throw std::out_of_range("list index");
  if (index == -1) {
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
    return;
  }
  ListView_SetItemState(list_, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(list_, index, FALSE);
}

void ListViewEntries::remove(int index) {
  check_index(index);
  if (ListView_DeleteItem(list_, index)) kept_.erase(kept_.begin() + index);
}

}  // namespace rw::ui
