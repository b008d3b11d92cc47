// The list a benchmark scans into: a real ListView with checkboxes, sorted
// and single-selection as the main window's list is, in a hidden top-level
// window, behind the catalogue's EntryList.
#pragma once

#include <windows.h>

#include "catalogue/entry_list.h"

namespace rw::bench {

class ListViewEntryList final : public EntryList {
 public:
  explicit ListViewEntryList(HWND view) : view_(view) {}
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
  HWND view_;
};

// Owns the hidden window and its list; destroying it frees every item.
class HiddenListWindow {
 public:
  HiddenListWindow();
  HiddenListWindow(const HiddenListWindow&) = delete;
  HiddenListWindow& operator=(const HiddenListWindow&) = delete;

  EntryList& list() { return list_; }

 private:
  struct OwnedWindow {
    HWND handle;
    ~OwnedWindow() { ::DestroyWindow(handle); }
  };
  OwnedWindow window_;
  ListViewEntryList list_;
};

}  // namespace rw::bench
