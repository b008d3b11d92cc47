// The main window: the list of startup entries in its frame, the buttons
// beside and below it, and the list's context menu. Each command hands over
// to one catalogue operation.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <array>
#include <mutex>
#include <optional>
#include <thread>

#include "catalogue/catalogue.h"
#include "catalogue/operations.h"
#include "catalogue/scan.h"
#include "ui/list_tips.h"
#include "ui/list_view_entries.h"
#include "ui/window_layout.h"

namespace rw::ui {

// Control ids, under the readable names the code uses and, beside them,
// the names of the window's design.
namespace form1 {
inline constexpr int kEntriesFrame = 101, kFrame1 = kEntriesFrame;
inline constexpr int kEntryList = 102, kList1 = kEntryList;
inline constexpr int kRemoveButton = 103, kCmdRemove = kRemoveButton;
inline constexpr int kAddButton = 104, kCmdAdd = kAddButton;
inline constexpr int kHelpButton = 105, kCmdHelp = kHelpButton;
inline constexpr int kAboutButton = 106, kCmdAbout = kAboutButton;
inline constexpr int kExitButton = 107, kCommand1 = kExitButton;
// The context menu's command ids: mnuPopupItem(index) has kMenuItemBase + index.
inline constexpr int kMenuItemBase = 200;
inline constexpr int kMenuAdd = kMenuItemBase + 0;
inline constexpr int kMenuRemove = kMenuItemBase + 1;
inline constexpr int kMenuModify = kMenuItemBase + 3;
inline constexpr int kMenuDetails = kMenuItemBase + 5;
inline constexpr int kMenuOpenLocation = kMenuItemBase + 6;

// The window's design, which the cold-start benchmark's floor shows too.
inline constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
inline constexpr DWORD kExStyle = 0;
inline constexpr int kClientWidthTwips = 6885;
inline constexpr int kClientHeightTwips = 4740;

// The list's checkboxes, whole-row selection, and the items' own tips.
inline constexpr DWORD kListExtendedStyle =
    LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP;

// The frame's contents are placed relative to the frame.
inline constexpr int kFrameLeft = 120;
inline constexpr int kFrameTop = 120;

// In tab order; Exit first, so that it has the focus when the window opens.
inline constexpr std::array<ControlSpec, 7> kControls = {{
    {ControlKind::Button, kExitButton, "E&xit", 5520, 4200, 1215, 375,
     "Exit Runwarden and save the changes"},
    // A virtual list: the entries live in the window's table of them alone.
    {ControlKind::ListView, kEntryList, "", kFrameLeft + 240, kFrameTop + 360, 4695, 3210,
     "Use checkboxes to enable/disable startup!", LVS_SINGLESEL | LVS_OWNERDATA},
    {ControlKind::Button, kRemoveButton, "&Remove", kFrameLeft + 5160, kFrameTop + 480, 1215, 375,
     "Remove selected program from the list"},
    {ControlKind::Button, kAddButton, "&Add", kFrameLeft + 5160, kFrameTop + 960, 1215, 375,
     "Add new programs to the StartUp list"},
    {ControlKind::Button, kAboutButton, "A&bout", 4080, 4200, 1215, 375, "About Runwarden..."},
    {ControlKind::Button, kHelpButton, "&Help", 120, 4200, 975, 375,
     "Runwarden Help, requires an HTML reader installed (ie. web browser)"},
    {ControlKind::Frame, kEntriesFrame, "StartUp Programs", kFrameLeft, kFrameTop, 6615, 3855, "",
     0, false},
}};
}  // namespace form1

class Form1 {
 public:
  struct Options {
    // The program ends with the window; tests keep their thread's queue clean.
    bool quit_when_closed = true;
  };
  // Posted by the thread that read the places read later.
  static constexpr UINT kLaterPlacesRead = WM_APP + 1;

  Form1(Platform& platform, Options options);
  explicit Form1(Platform& platform) : Form1(platform, Options{}) {}
  ~Form1();
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // Creates the window and its controls, hidden. False when Windows refuses.
  bool create();
  // The load event and the first showing: runs the scan into the list, sets
  // the caption, shows the window with the focus on Exit and then tells the
  // user about places that could not be read. The places read later are
  // read from the first on_idle() on. False, after telling the user, when
  // the scan breaks in a way it does not foresee; it writes nothing, so a
  // folder nobody may write to is no reason.
  bool open(int show_command);
  // The message loop found nothing to do: once the window has shown and
  // settled, the places read later start being read, on a thread of their
  // own, so that they never slow the start.
  void on_idle();
  // open()'s scan into the list, without showing the window or reading the
  // places read later. Throws as run_scan does.
  ScanResult scan();
  // Blocks until the places read later are read (starting to read them if
  // no idle time came yet), and lists them; at once when they are listed,
  // or were never asked for.
  void wait_for_later_places();
  bool later_places_listed() const { return later_listed_; }

  // Keyboard navigation for a message the loop got: Tab, access keys, and
  // Enter pressing the focused button. True when it was handled here.
  bool translate_message(MSG& message);

  HWND hwnd() const { return window_; }
  HWND control(int id) const { return ::GetDlgItem(window_, id); }
  // mnuPopup's drop-down: its items keep the states of the last right click.
  HMENU popup_menu() const { return ::GetSubMenu(menu_bar_.get(), 0); }
  // The tip that says why a locked item was not ticked or unticked; null
  // until it first shows.
  HWND lock_notice() const { return lock_notice_.hwnd(); }
  EntryList& list() { return list_; }
  Catalogue& catalogue() { return catalogue_; }

 private:
  static bool register_window_class(HINSTANCE instance);
  static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT list_procedure(const WindowProcedureHook& hook, HWND list, UINT message,
                                WPARAM wparam, LPARAM lparam);
  LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);

  // What a button or a menu item runs.
  using Command = void (Form1::*)();
  struct ButtonCommand {
    int id;
    Command run;
  };
  // The context menu, in its order: each item's id, its caption (none: a
  // separator), the field of the catalogue's ContextMenuState that enables
  // it (none: always enabled) and its command.
  struct MenuItem {
    int id;
    const wchar_t* caption;
    bool ContextMenuState::*enabled_by;
    Command run;
  };
  static const ButtonCommand kButtons[];
  static const MenuItem kMenu[];
  static HMENU create_popup_menu();
  static Command command_of(int id);

  void on_created();
  void on_command(int id);
  // The places read later (PlaceInfo::read_later): read on a thread of
  // their own, which hands back plain data, and listed on this one.
  void start_reading_later_places();
  void list_later_entries();
  void on_dpi_changed(UINT dpi, const RECT& suggested);
  void on_activate(bool active);
  // An item's infotip: its entry's details.
  void on_infotip(NMLVGETINFOTIPW& request);
  // A click or Space left a locked item as it is: the tip beside it says why.
  void on_tick_refused(int index);
  // The right button on List1: the menu for the item that is current already.
  void show_context_menu(POINT screen_point);
  POINT keyboard_menu_point() const;
  void add_command();
  void remove_command();
  void modify_command();
  void details_command();
  void open_location_command();
  void help_command();
  void about_command();
  void exit_command();
  // The failure in the one way failures are told, after the headline.
  void report_failure(std::string_view headline, const std::exception& error);
  // Runs one command; whatever escapes it is told to the user, never lost in
  // the window procedure.
  template <typename Action>
  void guarded(Action&& action);

  Platform& platform_;
  Options options_;
  ListViewEntries list_;
  Catalogue catalogue_;
  HWND window_ = nullptr;
  win32::UniqueMenu menu_bar_;  // mnuPopup, never attached as a menu bar
  HWND tooltips_ = nullptr;     // destroyed with the window
  ItemNotice lock_notice_;
  WindowProcedureHook list_hook_;
  win32::UniqueFont font_;
  UINT dpi_ = 96;
  HWND focus_before_deactivation_ = nullptr;
  std::thread later_reader_;
  std::mutex later_mutex_;                  // guards later_read_
  std::optional<LaterEntries> later_read_;  // read, not yet listed
  bool later_wanted_ = false;               // open() has shown the window; no reading started yet
  bool later_listed_ = false;
  int commands_running_ = 0;  // nested through modal boxes
};

// Runs the message loop until the window closes; returns the exit code.
int run_message_loop(Form1& form);

}  // namespace rw::ui
