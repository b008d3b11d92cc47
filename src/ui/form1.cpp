// The main window: its commands, its context menu, its events and its
// keyboard handling.
#include "ui/form1.h"

#include <commctrl.h>

#include <exception>
#include <stdexcept>
#include <string>
#include <system_error>

#include "catalogue/details.h"
#include "catalogue/messages.h"
#include "catalogue/operations.h"
#include "catalogue/scan.h"
#include "platform/win32/text.h"
#include "ui/about_box.h"
#include "ui/entry_dialog.h"
#include "ui/list_tips.h"
#include "ui/resource.h"

namespace rw::ui {

namespace {

using namespace form1;

constexpr wchar_t kWindowClass[] = L"Runwarden.Form1";

void enable_menu_item(HMENU menu, int id, bool enabled) {
  ::EnableMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

}  // namespace

const Form1::ButtonCommand Form1::kButtons[] = {
    {kAddButton, &Form1::add_command},   {kRemoveButton, &Form1::remove_command},
    {kHelpButton, &Form1::help_command}, {kAboutButton, &Form1::about_command},
    {kExitButton, &Form1::exit_command},
};

const Form1::MenuItem Form1::kMenu[] = {
    {kMenuAdd, L"Add", nullptr, &Form1::add_command},
    {kMenuRemove, L"Remove", &ContextMenuState::remove_enabled, &Form1::remove_command},
    {},  // a separator
    {kMenuModify, L"Modify", &ContextMenuState::modify_enabled, &Form1::modify_command},
    {},
    {kMenuDetails, L"&Details...", &ContextMenuState::details_enabled, &Form1::details_command},
    {kMenuOpenLocation, L"Open file &location", &ContextMenuState::open_location_enabled,
     &Form1::open_location_command},
};

HMENU Form1::create_popup_menu() {
  HMENU items = ::CreatePopupMenu();
  for (const MenuItem& item : kMenu) {
    if (item.caption == nullptr) {
      ::AppendMenuW(items, MF_SEPARATOR, 0, nullptr);
    } else {
      ::AppendMenuW(items, MF_STRING, static_cast<UINT_PTR>(item.id), item.caption);
    }
  }
  HMENU bar = ::CreateMenu();
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(items), L"PopupMenu");
  return bar;
}

Form1::Command Form1::command_of(int id) {
  for (const ButtonCommand& button : kButtons) {
    if (button.id == id) return button.run;
  }
  for (const MenuItem& item : kMenu) {
    if (item.id == id) return item.run;  // a separator's is none
  }
  return nullptr;
}

bool Form1::register_window_class(HINSTANCE instance) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &Form1::window_procedure;
  window_class.hInstance = instance;
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kWindowClass;
  window_class.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_RUNWARDEN));
  return ::RegisterClassExW(&window_class) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

namespace {

HICON load_icon(HINSTANCE instance, int size) {
  return static_cast<HICON>(
      ::LoadImageW(instance, MAKEINTRESOURCEW(IDI_RUNWARDEN), IMAGE_ICON, size, size, LR_SHARED));
}

}  // namespace

Form1::Form1(Platform& platform, Options options)
    : platform_(platform),
      options_(options),
      list_(platform.text_rules),
      catalogue_{platform, list_} {}

Form1::~Form1() {
  // The reading thread writes into this object: it ends first.
  if (later_reader_.joinable()) later_reader_.join();
  if (window_ != nullptr) ::DestroyWindow(window_);
}

bool Form1::create() {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  if (!register_window_class(instance)) return false;
  // The DPI of the monitor the window will open on is known only once it
  // exists: create it, then size it for its own DPI.
  HWND window = ::CreateWindowExW(kExStyle, kWindowClass, L"", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this);
  if (window == nullptr) return false;
  on_created();
  return true;
}

void Form1::on_created() {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  dpi_ = window_dpi(window_);
  const SIZE size =
      window_size_for_client(kClientWidthTwips, kClientHeightTwips, kStyle, kExStyle, dpi_);
  ::SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::SendMessageW(window_, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(load_icon(instance, ::GetSystemMetrics(SM_CXICON))));
  ::SendMessageW(window_, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(load_icon(instance, ::GetSystemMetrics(SM_CXSMICON))));

  font_.reset(create_dialog_font(dpi_));
  tooltips_ = create_controls(window_, kControls, dpi_, font_.get());
  HWND list = control(kEntryList);
  list_.attach(list);
  ListView_SetExtendedListViewStyle(list, kListExtendedStyle);
  ListView_SetTextColor(list, ::GetSysColor(COLOR_ACTIVECAPTION));
  ListView_SetTextBkColor(list, ::GetSysColor(COLOR_WINDOW));
  ListView_SetBkColor(list, ::GetSysColor(COLOR_WINDOW));
  list_hook_.install(list, &list_procedure, this);
  menu_bar_.reset(create_popup_menu());
}

ScanResult Form1::scan() {
  // The scan hands the list all its entries at once, before the window
  // shows; the places read later follow once it has.
  ScanResult result = run_scan(catalogue_, Places::Now);
  // The entries may have brought the vertical scroll bar. Fitted before the
  // window shows, the column needs no horizontal bar, and the first paint
  // does not lay the list out again for one.
  fit_list_column(control(kEntryList));
  return result;
}

bool Form1::open(int show_command) {
  ScanResult scan;
  try {
    scan = this->scan();
  } catch (const std::exception& error) {
    report_failure("Runwarden cannot start:\n\n", error);
    return false;
  }
  ::SetWindowTextW(window_, win32::widen(scan.caption).c_str());
  ::ShowWindow(window_, show_command);
  ::UpdateWindow(window_);
  ::SetFocus(control(kExitButton));
  later_wanted_ = true;
  const std::string problems = scan_problems_message(platform_.status_text, scan);
  if (!problems.empty()) {
    platform_.dialogs.message_box(problems, mb::kInformation, titled(": WARNING"));
  }
  return true;
}

void Form1::on_idle() {
  if (later_wanted_) start_reading_later_places();
}

void Form1::start_reading_later_places() {
  later_wanted_ = false;
  if (later_reader_.joinable() || later_listed_) return;
  HWND window = window_;
  try {
    later_reader_ = std::thread([this, window] {
      LaterEntries read = read_later_places(platform_);
      {
        const std::lock_guard<std::mutex> lock(later_mutex_);
        later_read_ = std::move(read);
      }
      // Gone with its window, the message is dropped and the destructor waits.
      ::PostMessageW(window, kLaterPlacesRead, 0, 0);
    });
  } catch (const std::system_error&) {
    // No thread to be had: read here, late rather than never.
    later_read_ = read_later_places(platform_);
    list_later_entries();
  }
}

void Form1::list_later_entries() {
  std::optional<LaterEntries> read;
  {
    const std::lock_guard<std::mutex> lock(later_mutex_);
    read.swap(later_read_);
  }
  if (!read || window_ == nullptr) return;
  if (later_reader_.joinable()) later_reader_.join();
  list_later_places(catalogue_, std::move(*read));
  later_listed_ = true;
  fit_list_column(control(kEntryList));
}

void Form1::wait_for_later_places() {
  if (later_wanted_) start_reading_later_places();
  if (!later_reader_.joinable()) return;
  HCURSOR was = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  later_reader_.join();
  ::SetCursor(was);
  list_later_entries();
}

bool Form1::translate_message(MSG& message) {
  if (window_ == nullptr) return false;
  if (message.hwnd != window_ && !::IsChild(window_, message.hwnd)) return false;
  // No button is the default: Enter presses the focused button and nothing
  // else (the dialog manager would otherwise send IDOK, which names none).
  if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN) {
    HWND focus = ::GetFocus();
    const int id = focus != nullptr && ::GetParent(focus) == window_ ? ::GetDlgCtrlID(focus) : 0;
    // Of the window's controls, the push buttons alone have commands.
    if (command_of(id) != nullptr) {
      ::SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(focus));
    }
    return true;
  }
  return ::IsDialogMessageW(window_, &message) != FALSE;
}

LRESULT CALLBACK Form1::window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* created =
        reinterpret_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    created->window_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* form = reinterpret_cast<Form1*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr) return ::DefWindowProcW(window, message, wparam, lparam);
  return form->handle(message, wparam, lparam);
}

LRESULT Form1::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      // IDOK and IDCANCEL come from Enter and Escape, which press nothing here.
      // A command may hold an item's index across a modal box, in whose loop
      // entries read later would join the list and move it: they wait.
      ++commands_running_;
      guarded([&] { on_command(LOWORD(wparam)); });
      if (--commands_running_ == 0) guarded([&] { list_later_entries(); });
      return 0;
    case WM_CONTEXTMENU:
      // Shift+F10 and the menu key: the same menu the right button opens.
      if (reinterpret_cast<HWND>(wparam) == control(kEntryList) && lparam == -1) {
        show_context_menu(keyboard_menu_point());
      }
      return 0;
    case WM_NOTIFY: {
      auto& header = *reinterpret_cast<NMHDR*>(lparam);
      if (header.hwndFrom == control(kEntryList) && header.code == LVN_GETINFOTIPW) {
        on_infotip(*reinterpret_cast<NMLVGETINFOTIPW*>(lparam));
        return 0;
      }
      if (LRESULT answer = 0; list_.answer(header, answer)) return answer;
      break;
    }
    case WM_ACTIVATE:
      on_activate(LOWORD(wparam) != WA_INACTIVE);
      return 0;
    case WM_DPICHANGED:
      on_dpi_changed(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_SYSCOLORCHANGE:
      ListView_SetTextColor(control(kEntryList), ::GetSysColor(COLOR_ACTIVECAPTION));
      ListView_SetTextBkColor(control(kEntryList), ::GetSysColor(COLOR_WINDOW));
      ListView_SetBkColor(control(kEntryList), ::GetSysColor(COLOR_WINDOW));
      ::SendMessageW(control(kEntryList), WM_SYSCOLORCHANGE, wparam, lparam);
      return 0;
    case kLaterPlacesRead:
      if (commands_running_ == 0) guarded([&] { list_later_entries(); });
      return 0;
    case WM_DESTROY:
      if (options_.quit_when_closed) ::PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY: {
      HWND window = window_;
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      window_ = nullptr;
      return ::DefWindowProcW(window, message, wparam, lparam);
    }
    default:
      break;
  }
  // Closing by the close box or Alt+F4 is left to the default: the window
  // goes, and the checkbox changes with it.
  return ::DefWindowProcW(window_, message, wparam, lparam);
}

LRESULT Form1::list_procedure(const WindowProcedureHook& hook, HWND list, UINT message,
                              WPARAM wparam, LPARAM lparam) {
  auto& form = *static_cast<Form1*>(hook.owner());
  relay_off_items(form.tooltips_, list, message, wparam, lparam);
  const ListViewEntries::Ticking ticking = form.list_.tick_by_input(message, wparam, lparam);
  if (ticking.refused >= 0) form.on_tick_refused(ticking.refused);
  if (ticking.swallowed) return 0;
  switch (message) {
    case WM_RBUTTONDOWN: {
      // Not passed on: the list would select the item under the pointer, and
      // the menu acts on the item that was current before the click.
      POINT at{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
      ::ClientToScreen(list, &at);
      form.show_context_menu(at);
      return 0;
    }
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
      return 0;
    default:
      break;
  }
  return hook.call_original(list, message, wparam, lparam);
}

POINT Form1::keyboard_menu_point() const {
  // Beside the current item, or at the list's corner when there is none.
  HWND list = control(kEntryList);
  RECT at{0, 0, 8, 8};
  const int current = list_.current();
  if (current >= 0) ListView_GetItemRect(list, current, &at, LVIR_LABEL);
  POINT point{at.left + 8, at.bottom};
  ::ClientToScreen(list, &point);
  return point;
}

void Form1::show_context_menu(POINT screen_point) {
  HMENU menu = popup_menu();
  const ContextMenuState state = context_menu_state(catalogue_);
  for (const MenuItem& item : kMenu) {
    if (item.enabled_by != nullptr) enable_menu_item(menu, item.id, state.*item.enabled_by);
  }
  // The chosen item arrives as WM_COMMAND once the menu has closed.
  ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, screen_point.x,
                   screen_point.y, 0, window_, nullptr);
}

void Form1::on_command(int id) {
  if (const Command run = command_of(id)) (this->*run)();
}

void Form1::add_command() { add_entry(catalogue_); }

void Form1::remove_command() { remove_entry(catalogue_); }

void Form1::modify_command() {
  // Only when the menu allows it: a stray command must not edit a shortcut.
  if (context_menu_state(list_).modify_enabled) modify_current_entry(window_, catalogue_);
}

void Form1::details_command() { show_details(catalogue_); }

void Form1::open_location_command() { open_file_location(catalogue_); }

void Form1::help_command() { open_help(platform_); }

void Form1::about_command() { show_about_box(window_, platform_); }

void Form1::exit_command() {
  // What is read later is listed before the changes are made.
  wait_for_later_places();
  apply_changes_on_exit(catalogue_);
  ::DestroyWindow(window_);
}

template <typename Action>
void Form1::guarded(Action&& action) {
  try {
    action();
  } catch (const std::exception& error) {
    report_failure("The command could not be completed:\n\n", error);
  } catch (...) {
    report_failure("The command could not be completed:\n\n",
                   std::runtime_error("An unexpected error occurred"));
  }
}

void Form1::report_failure(std::string_view headline, const std::exception& error) {
  show_error(platform_, entry_failure(platform_.status_text, headline, error));
}

void Form1::on_activate(bool active) {
  // A plain window forgets which control had the focus when another window
  // is activated; give it back on return.
  if (!active) {
    lock_notice_.hide();  // it belongs to this window, which the user has left
    HWND focus = ::GetFocus();
    if (focus != nullptr && ::IsChild(window_, focus)) focus_before_deactivation_ = focus;
    return;
  }
  if (focus_before_deactivation_ != nullptr && ::IsWindow(focus_before_deactivation_)) {
    ::SetFocus(focus_before_deactivation_);
  }
}

void Form1::on_infotip(NMLVGETINFOTIPW& request) {
  std::string text;
  try {
    text = details_text(describe_item(catalogue_, request.iItem));
  } catch (const std::exception& error) {
    // A tip is no place for a message box: it says what went wrong instead.
    text = entry_failure(platform_.status_text, "The details cannot be shown: ", error);
  }
  // Set as each tip is asked for, not at start: reaching the list's tooltip
  // first costs the start several milliseconds under Wine.
  let_infotips_wrap(control(kEntryList), dpi_);
  fill_infotip(request, text);
}

void Form1::on_tick_refused(int index) {
  lock_notice_.show(control(kEntryList), index, cannot_switch_words(item_lock_reason(list_, index)),
                    dpi_);
}

void Form1::on_dpi_changed(UINT dpi, const RECT& suggested) {
  dpi_ = dpi;
  font_.reset(create_dialog_font(dpi_));
  const SIZE size =
      window_size_for_client(kClientWidthTwips, kClientHeightTwips, kStyle, kExStyle, dpi_);
  ::SetWindowPos(window_, nullptr, suggested.left, suggested.top, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  move_controls(window_, kControls, dpi_, font_.get());
}

int run_message_loop(Form1& form) {
  MSG message{};
  for (;;) {
    if (!::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) form.on_idle();
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);
    if (got == -1) return 1;
    if (form.translate_message(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

}  // namespace rw::ui
