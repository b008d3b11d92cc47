// The main window's list: the catalogue's table of entries, shown by a
// virtual list control (LVS_OWNERDATA). The entries live here alone; the
// control keeps only their number, the current item and the focus, and asks
// for the text and the checkbox of each item it draws. The item's checkbox
// is the entry's wanted state; its place and Windows' flag are kept beside.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include <string>

#include "catalogue/entry_list.h"

namespace rw::ui {

class ListViewEntries final : public EntryList {
 public:
  // Items are ordered by the rules' sort keys.
  explicit ListViewEntries(TextRules& rules) : items_(rules) {}

  // Shows the table in `list_view`: a virtual list with checkboxes
  // (LVS_EX_CHECKBOXES), whose parent hands its notifications to answer()
  // and whose input passes tick_by_input() first.
  void attach(HWND list_view);
  HWND hwnd() const { return list_; }

  int count() const override { return items_.count(); }
  std::string text(int index) const override { return items_.at(index).text; }
  std::int32_t tag(int index) const override { return items_.at(index).tag; }
  OffReason off(int index) const override { return items_.at(index).off; }
  bool locked(int index) const override { return items_.at(index).locked; }
  std::string key(int index) const override { return items_.at(index).key; }
  bool checked(int index) const override { return items_.at(index).checked; }
  void set_checked(int index, bool checked) override;
  int current() const override;
  void set_current(int index) override;
  void remove(int index) override;
  // The control learns the batch's items in one message at its end.
  void begin_batch() override { items_.begin_batch(); }
  void end_batch() override;

  // The control's questions to its parent: an item's text and checkbox
  // (LVN_GETDISPINFOW), the item that typing its first letters finds
  // (LVN_ODFINDITEMW), and the colour of an item's text (NM_CUSTOMDRAW: a
  // locked item's and a note's are grey; a note has no checkbox). True when
  // `header` was one of them; `result` is then what the parent's window
  // procedure returns.
  bool answer(NMHDR& header, LRESULT& result) const;

  // What an input did to the checkboxes.
  struct Ticking {
    bool swallowed = false;  // a click on a checkbox, which the control must not get
    int refused = -1;        // a locked item that the input left as it is
  };
  // A virtual list leaves its checkboxes to its owner: a click on an item's
  // checkbox, or Space on the focused item, ticks or unticks it here, unless
  // the item is locked. A click on a checkbox is swallowed: the control would
  // take it for one on the item.
  Ticking tick_by_input(UINT message, WPARAM wparam, LPARAM lparam);

 protected:
  int insert(const NewItem& item) override;

 private:
  int focused() const;
  // The control's count is the table's, and its current and focused items,
  // given as they were, are on the same entries again.
  void show_count(int selected, int focused);
  // Ticks or unticks the item; false, leaving it, when it is locked or a note.
  bool toggle(int index);
  LRESULT draw(NMLVCUSTOMDRAW& request) const;
  std::wstring shown_text(int index) const;
  int find(const NMLVFINDITEMW& request) const;
  bool is_note(int index) const { return items_.at(index).tag == kNoteTag; }

  SortedItems items_;
  HWND list_ = nullptr;
};

}  // namespace rw::ui
