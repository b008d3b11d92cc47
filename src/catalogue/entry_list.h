// The one table of startup entries: the main window's list. The catalogue
// works on this interface; the window's list control implements it, and
// SortedEntryList is an in-memory one in the same order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace rw {

class EntryList {
 public:
  virtual ~EntryList() = default;
  // Adds an item in its sorted place, with its tag and check, and returns
  // its index. One call, so that a list control can take it in one message.
  // `switched_off` marks an entry of an active place that Windows' own flag
  // kept from starting when it was listed; the item keeps that with it.
  int add(std::string_view text, std::int32_t tag, bool checked, bool switched_off = false) {
    return insert(text, tag, checked, switched_off);
  }
  virtual int count() const = 0;
  virtual std::string text(int index) const = 0;
  virtual std::int32_t tag(int index) const = 0;
  virtual bool switched_off(int index) const = 0;
  virtual bool checked(int index) const = 0;
  virtual void set_checked(int index, bool checked) = 0;
  // The current (highlighted) item, or -1 when there is none.
  virtual int current() const = 0;
  virtual void set_current(int index) = 0;
  virtual void remove(int index) = 0;

 protected:
  virtual int insert(std::string_view text, std::int32_t tag, bool checked, bool switched_off) = 0;
};

// Items in the order of the platform's sort keys, an added one after those
// whose keys are equal, as in the window's list.
class SortedEntryList final : public EntryList {
 public:
  explicit SortedEntryList(TextRules& rules) : rules_(rules) {}

  int count() const override { return static_cast<int>(items_.size()); }
  std::string text(int index) const override { return items_.at(index).text; }
  std::int32_t tag(int index) const override { return items_.at(index).tag; }
  bool switched_off(int index) const override { return items_.at(index).switched_off; }
  bool checked(int index) const override { return items_.at(index).checked; }
  void set_checked(int index, bool checked) override { items_.at(index).checked = checked; }
  int current() const override { return current_; }
  void set_current(int index) override;
  void remove(int index) override;

 protected:
  int insert(std::string_view text, std::int32_t tag, bool checked, bool switched_off) override;

 private:
  struct Item {
    std::string text;
    std::string sort_key;
    std::int32_t tag = 0;
    bool checked = false;
    bool switched_off = false;
  };
  TextRules& rules_;
  std::vector<Item> items_;
  int current_ = -1;
};

}  // namespace rw
