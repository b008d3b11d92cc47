// The floor for the cold-start benchmark that says what a start costs: the
// main window as it opens, from the main window's own design (border, size,
// the frame, the checkbox list, the five buttons and their tooltips) and
// with the program's icon and manifest, but with no entries and no scan (or,
// when asked, with plain entries the list is handed directly).
#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <cstdlib>
#include <cwchar>

#include "ui/form1.h"
#include "ui/resource.h"
#include "ui/window_layout.h"

namespace {

namespace form1 = rw::ui::form1;

constexpr wchar_t kWindowClass[] = L"RunwardenBenchControls";

// The text of plain entry `index`, shaped like the benchmark's names.
void plain_entry_text(int index, wchar_t* text, int room) {
  swprintf(text, room, L"RWBench %08x %06d", static_cast<unsigned>(index) * 2654435761u, index);
}

// The list is virtual, as the main window's: it asks for what it draws.
void answer_display_request(NMLVDISPINFOW& request) {
  LVITEMW& item = request.item;
  if ((item.mask & LVIF_TEXT) && item.pszText != nullptr && item.cchTextMax > 0)
    plain_entry_text(item.iItem, item.pszText, item.cchTextMax);
  if (item.mask & LVIF_STATE)
    item.state = (item.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(2);
}

LRESULT CALLBACK controls_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lparam)->code == LVN_GETDISPINFOW) {
    answer_display_request(*reinterpret_cast<NMLVDISPINFOW*>(lparam));
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

HICON load_icon(HINSTANCE instance, int size) {
  return static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_RUNWARDEN), IMAGE_ICON, size, size, LR_SHARED));
}

bool register_window_class(HINSTANCE instance) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = controls_window_proc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kWindowClass;
  window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_RUNWARDEN));
  return RegisterClassExW(&window_class) != 0;
}

// `count` ticked entries with names shaped like the benchmark's, handed to
// the list as the main window hands its entries: what showing entries costs
// the list itself, without the scan.
void add_plain_entries(HWND list, int count) {
  ListView_SetCallbackMask(list, LVIS_STATEIMAGEMASK);
  ListView_SetItemCountEx(list, count, LVSICF_NOSCROLL);
  rw::ui::fit_list_column(list);
}

// What the main window does to its list once the table has made it.
void set_up_list(HWND list) {
  ListView_SetExtendedListViewStyle(list, form1::kListExtendedStyle);
  ListView_SetTextColor(list, GetSysColor(COLOR_ACTIVECAPTION));
  ListView_SetTextBkColor(list, GetSysColor(COLOR_WINDOW));
  ListView_SetBkColor(list, GetSysColor(COLOR_WINDOW));
}

}  // namespace

// controls_window [N]: with N plain entries in the list.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int show) {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES;
  InitCommonControlsEx(&controls);
  if (!register_window_class(instance)) return 1;

  HWND window = CreateWindowExW(form1::kExStyle, kWindowClass, L"", form1::kStyle, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                instance, nullptr);
  if (window == nullptr) return 1;
  const UINT dpi = rw::ui::window_dpi(window);
  const SIZE size = rw::ui::window_size_for_client(
      form1::kClientWidthTwips, form1::kClientHeightTwips, form1::kStyle, form1::kExStyle, dpi);
  SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(window, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(load_icon(instance, GetSystemMetrics(SM_CXICON))));
  SendMessageW(window, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(load_icon(instance, GetSystemMetrics(SM_CXSMICON))));
  const rw::win32::UniqueFont font(rw::ui::create_dialog_font(dpi));
  rw::ui::create_controls(window, form1::kControls, dpi, font.get());
  set_up_list(GetDlgItem(window, form1::kEntryList));
  if (const int entries = _wtoi(command_line); entries > 0)
    add_plain_entries(GetDlgItem(window, form1::kEntryList), entries);
  SetWindowTextW(window, L"Runwarden bench controls window");

  ShowWindow(window, show);
  UpdateWindow(window);
  SetFocus(GetDlgItem(window, form1::kExitButton));
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
