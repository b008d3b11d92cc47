// The main window's list control as the catalogue's table of entries: the
// item text is the entry name, the item's lParam its place and the checkbox
// its wanted state. The texts and their sort keys are also kept here, in the
// list's order, so that finding an item's sorted place does not ask the
// control for texts.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "catalogue/entry_list.h"

namespace rw::ui {

class ListViewEntries final : public EntryList {
 public:
  // Items are ordered by the rules' sort keys.
  explicit ListViewEntries(TextRules& rules) : rules_(rules) {}

  // The control must not sort by itself (no LVS_SORTASCENDING): add() puts
  // each item in its place. Items already in the control are taken over;
  // after that, this object must be the only one that changes them.
  void attach(HWND list_view);
  HWND hwnd() const { return list_; }

  int count() const override;
  std::string text(int index) const override;
  std::int32_t tag(int index) const override;
  bool switched_off(int index) const override;
  bool checked(int index) const override;
  void set_checked(int index, bool checked) override;
  int current() const override;
  void set_current(int index) override;
  void remove(int index) override;
  // Each add finds its place in the control at once.
  void begin_batch() override {}
  void end_batch() override {}

 protected:
  // After the items whose sort keys are equal or less. The item's lParam
  // holds its tag, and whether Windows' flag had it switched off.
  int insert(std::string_view text, std::int32_t tag, bool checked, bool switched_off) override;

 private:
  void check_index(int index) const;
  LPARAM param(int index) const;
  std::wstring text_of_item(int index) const;

  TextRules& rules_;
  HWND list_ = nullptr;
  struct Kept {
    std::wstring text;
    std::string sort_key;
  };
  std::vector<Kept> kept_;  // in step with the control's items
};

}  // namespace rw::ui
