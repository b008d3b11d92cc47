// The entry table shown by a virtual list view.
#include "ui/list_view_entries.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/win32/text.h"

namespace rw::ui {

namespace {

constexpr UINT kUnticked = INDEXTOSTATEIMAGEMASK(1);
constexpr UINT kTicked = INDEXTOSTATEIMAGEMASK(2);

bool same_ignoring_case(std::wstring_view a, std::wstring_view b) {
  return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// As much of `text` as the buffer takes, never half of a surrogate pair.
void copy_cut(std::wstring_view text, wchar_t* buffer, int room) {
  std::size_t length = std::min(text.size(), static_cast<std::size_t>(room) - 1);
  if (length > 0 && length < text.size() && IS_HIGH_SURROGATE(text[length - 1])) --length;
  std::copy_n(text.data(), length, buffer);
  buffer[length] = L'\0';
}

}  // namespace

void ListViewEntries::attach(HWND list_view) {
  list_ = list_view;
  // The control keeps no checkbox of a virtual item: it asks for each.
  ListView_SetCallbackMask(list_, LVIS_STATEIMAGEMASK);
  ListView_SetItemCountEx(list_, count(), LVSICF_NOSCROLL);
}

int ListViewEntries::insert(const NewItem& item) {
  const int index = items_.add(item);
  if (index < 0) return index;  // inside a batch: shown at its end
  int selected = current();
  int focus = focused();
  if (selected >= index) ++selected;
  if (focus >= index) ++focus;
  show_count(selected, focus);
  return index;
}

void ListViewEntries::end_batch() {
  std::array<int, 2> followed{current(), focused()};
  items_.end_batch(followed);
  if (!items_.in_batch()) show_count(followed[0], followed[1]);
}

void ListViewEntries::show_count(int selected, int focus) {
  const int was_selected = current();
  const int was_focused = focused();
  ListView_SetItemCountEx(list_, count(), LVSICF_NOSCROLL);
  // The control keeps its current and focused items at their indexes,
  // whatever entries have moved there.
  if (focus != was_focused && focus >= 0) {
    ListView_SetItemState(list_, focus, LVIS_FOCUSED, LVIS_FOCUSED);
  }
  if (selected != was_selected && selected >= 0) {
    ListView_SetItemState(list_, selected, LVIS_SELECTED, LVIS_SELECTED);
  }
}

void ListViewEntries::set_checked(int index, bool checked) {
  ListItem& item = items_.at(index);
  if (item.checked == checked) return;
  item.checked = checked;
  ListView_RedrawItems(list_, index, index);
  // What the control would tell a screen reader of a checkbox it ticked.
  ::NotifyWinEvent(EVENT_OBJECT_STATECHANGE, list_, OBJID_CLIENT, index + 1);
}

bool ListViewEntries::toggle(int index) {
  if (is_note(index) || locked(index)) return false;
  set_checked(index, !checked(index));
  return true;
}

int ListViewEntries::current() const {
  // The control finds its selected item by asking each item in turn; in a
  // single-selection list it is nearly always the focused one, or none.
  const int focus = focused();
  if (focus >= 0 && ListView_GetItemState(list_, focus, LVIS_SELECTED) != 0) return focus;
  if (ListView_GetSelectedCount(list_) == 0) return -1;
  return ListView_GetNextItem(list_, -1, LVNI_SELECTED);
}

int ListViewEntries::focused() const { return ListView_GetNextItem(list_, -1, LVNI_FOCUSED); }

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
  items_.remove(index);
  // Deleting moves the control's current and focused items with their
  // entries; should it refuse, the count is right all the same.
  if (!ListView_DeleteItem(list_, index)) ListView_SetItemCountEx(list_, count(), LVSICF_NOSCROLL);
}

std::wstring ListViewEntries::shown_text(int index) const {
  std::wstring text = win32::widen(items_.at(index).text);
  // The control would show a name only up to a NUL in it; show the NUL.
  std::replace(text.begin(), text.end(), L'\0', L'\x2400');
  return text;
}

bool ListViewEntries::answer(NMHDR& header, LRESULT& result) const {
  if (header.hwndFrom != list_ || list_ == nullptr) return false;
  if (header.code == LVN_GETDISPINFOW) {
    LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
    result = 0;
    // Asked while an item goes, the control may name one that has gone.
    if (item.iItem < 0 || item.iItem >= count() || item.iSubItem != 0) return true;
    if ((item.mask & LVIF_TEXT) && item.pszText != nullptr && item.cchTextMax > 0) {
      copy_cut(shown_text(item.iItem), item.pszText, item.cchTextMax);
    }
    if (item.mask & LVIF_STATE) {
      const UINT box = is_note(item.iItem) ? 0 : checked(item.iItem) ? kTicked : kUnticked;
      item.state = (item.state & ~LVIS_STATEIMAGEMASK) | box;
    }
    return true;
  }
  if (header.code == NM_CUSTOMDRAW) {
    result = draw(reinterpret_cast<NMLVCUSTOMDRAW&>(header));
    return true;
  }
  if (header.code == LVN_ODFINDITEMW) {
    result = find(reinterpret_cast<NMLVFINDITEMW&>(header));
    return true;
  }
  if (header.code == NM_CUSTOMDRAW) {
    result = draw(reinterpret_cast<NMLVCUSTOMDRAW&>(header));
    return true;
  }
  return false;
}

LRESULT ListViewEntries::draw(NMLVCUSTOMDRAW& request) const {
  if (request.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (request.nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  const auto index = static_cast<int>(request.nmcd.dwItemSpec);
  if (index < 0 || index >= count() || !(locked(index) || is_note(index))) return CDRF_DODEFAULT;
  // The highlight of the focused list keeps its own colours, which stay
  // readable; grey on it would not be.
  const bool highlighted =
      ::GetFocus() == list_ && ListView_GetItemState(list_, index, LVIS_SELECTED) != 0;
  if (highlighted) return CDRF_DODEFAULT;
  request.clrText = ::GetSysColor(COLOR_GRAYTEXT);
  return CDRF_NEWFONT;
}

int ListViewEntries::find(const NMLVFINDITEMW& request) const {
  const LVFINDINFOW& wanted = request.lvfi;
  const int items = count();
  if (items == 0 || wanted.psz == nullptr || (wanted.flags & (LVFI_STRING | LVFI_PARTIAL)) == 0) {
    return -1;
  }
  const std::wstring_view sought(wanted.psz);
  const bool prefix = (wanted.flags & LVFI_PARTIAL) != 0;
  // From the start item on, which typing sets past the focused one.
  const int start = request.iStart >= 0 && request.iStart < items ? request.iStart : 0;
  const int steps = (wanted.flags & LVFI_WRAP) != 0 ? items : items - start;
  for (int step = 0; step < steps; ++step) {
    const int index = (start + step) % items;
    const std::wstring shown = shown_text(index);
    const std::wstring_view compared =
        prefix ? std::wstring_view(shown).substr(0, sought.size()) : std::wstring_view(shown);
    if (compared.size() == sought.size() && same_ignoring_case(compared, sought)) return index;
  }
  return -1;
}

ListViewEntries::Ticking ListViewEntries::tick_by_input(UINT message, WPARAM wparam,
                                                        LPARAM lparam) {
  if (message == WM_KEYDOWN && wparam == VK_SPACE) {
    // Passed on too: the control selects the focused item on Space.
    const int index = focused();
    if (index < 0 || index >= count() || is_note(index) || toggle(index)) return {};
    return {.refused = index};
  }
  // A double click on a checkbox is a second click on it.
  if (message != WM_LBUTTONDOWN && message != WM_LBUTTONDBLCLK) return {};
  LVHITTESTINFO hit{};
  hit.pt = POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  const int index = ListView_HitTest(list_, &hit);
  // A full-row hit off the item's parts names them all; only the box counts.
  if (index < 0 || index >= count() || is_note(index) ||
      (hit.flags & LVHT_ONITEM) != LVHT_ONITEMSTATEICON) {
    return {};
  }
  return {.swallowed = true, .refused = toggle(index) ? -1 : index};
}

}  // namespace rw::ui
