// The main window's list control as the catalogue's table of entries: the
// item text is the entry name, the item's lParam its place and the checkbox
// its wanted state. Nothing is kept beside the control.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "catalogue/entry_list.h"

namespace rw::ui {

class ListViewEntries final : public EntryList {
 public:
  void attach(HWND list_view) { list_ = list_view; }
  HWND hwnd() const { return list_; }

  int add(std::string_view text) override;
  int count() const override;
  std::string text(int index) const override;
  std::int32_t tag(int index) const override;
  void set_tag(int index, std::int32_t tag) override;
  bool checked(int index) const override;
  void set_checked(int index, bool checked) override;
  int current() const override;
  void set_current(int index) override;
  void remove(int index) override;

 private:
  void check_index(int index) const;

  HWND list_ = nullptr;
};

}  // namespace rw::ui
