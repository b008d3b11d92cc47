#include "bench/listview_list.h"

#include <commctrl.h>

#include <stdexcept>
#include <vector>

#include "platform/win32/text.h"

namespace rw::bench {

namespace {

constexpr wchar_t kWindowClass[] = L"RunwardenBenchHidden";

HWND create_hidden_window() {
  static const bool registered = [] {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = ::DefWindowProcW;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.lpszClassName = kWindowClass;
    return ::RegisterClassW(&window_class) != 0;
  }();
  if (!registered) throw std::runtime_error("cannot register the hidden window class");
  HWND window = ::CreateWindowExW(0, kWindowClass, L"Runwarden bench", WS_OVERLAPPEDWINDOW, 0, 0,
                                  460, 340, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) throw std::runtime_error("cannot create the hidden window");
  return window;
}

HWND create_list_view(HWND parent) {
  HWND view = ::CreateWindowExW(
      WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
      WS_CHILD | WS_VISIBLE | LVS_LIST | LVS_SORTASCENDING | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 8,
      8, 420, 280, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (view == nullptr) throw std::runtime_error("cannot create the list view");
  ::SendMessageW(view, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
  return view;
}

}  // namespace

int ListViewEntryList::add(std::string_view text) {
  std::wstring wide = win32::widen(text);
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = count();
  item.pszText = wide.data();
  const auto index = static_cast<int>(::SendMessageW(view_, LVM_INSERTITEMW, 0,
                                                     reinterpret_cast<LPARAM>(&item)));
  if (index < 0) throw std::runtime_error("the list refused an item");
  return index;
}

int ListViewEntryList::count() const {
  return static_cast<int>(::SendMessageW(view_, LVM_GETITEMCOUNT, 0, 0));
}

std::string ListViewEntryList::text(int index) const {
  // A value name may be up to 16,383 characters; grow until the text fits.
  std::vector<wchar_t> buffer(256);
  for (;;) {
    LVITEMW item{};
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    const auto length = static_cast<std::size_t>(::SendMessageW(
        view_, LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
    if (length + 1 < buffer.size()) return win32::narrow(std::wstring_view(item.pszText, length));
    buffer.resize(buffer.size() * 4);
  }
}

std::int32_t ListViewEntryList::tag(int index) const {
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  ::SendMessageW(view_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  return static_cast<std::int32_t>(item.lParam);
}

void ListViewEntryList::set_tag(int index, std::int32_t tag) {
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  item.lParam = tag;
  ::SendMessageW(view_, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

bool ListViewEntryList::checked(int index) const {
  const auto state = static_cast<UINT>(
      ::SendMessageW(view_, LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_STATEIMAGEMASK));
  return (state >> 12) == 2;
}

void ListViewEntryList::set_checked(int index, bool checked) {
  LVITEMW item{};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
  ::SendMessageW(view_, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
}

int ListViewEntryList::current() const {
  return static_cast<int>(
      ::SendMessageW(view_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ListViewEntryList::set_current(int index) {
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = 0;
  ::SendMessageW(view_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(&item));
  if (index < 0) return;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  ::SendMessageW(view_, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
}

void ListViewEntryList::remove(int index) {
  ::SendMessageW(view_, LVM_DELETEITEM, static_cast<WPARAM>(index), 0);
}

HiddenListWindow::HiddenListWindow()
    : window_{create_hidden_window()}, list_(create_list_view(window_.handle)) {}

}  // namespace rw::bench
