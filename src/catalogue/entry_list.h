// The one table of startup entries: the main window's list. The catalogue
// works on this interface; the window's list control shows one, and
// SortedEntryList is an in-memory one in the same order. Both keep their
// items in a SortedItems.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/places.h"
#include "platform/platform.h"

namespace rw {

// The tag of an item that is no entry but a note about the list (what could
// not be read): it names no place, so nothing acts on it, and it stands
// after every entry, without a checkbox.
inline constexpr std::int32_t kNoteTag = -1;

// What a list is given of an entry.
struct NewItem {
  std::string_view text;
  std::int32_t tag = 0;  // its place
  bool checked = false;
  // Why it did not start when it was listed, where that is not its place
  // being a parking one: Windows' own flag, a policy, its own switch.
  OffReason off = OffReason::None;
  bool locked = false;  // its checkbox cannot be changed (see lock_reason)
  // Which entry of its place it is, where its name does not say: a task's path.
  std::string_view key = {};
};

class EntryList {
 public:
  virtual ~EntryList() = default;
  // Adds an item in its sorted place and returns its index. One call, so
  // that a list control can take it in one message. Inside a batch it
  // returns -1: the item's place is known only once the batch ends.
  int add(const NewItem& item) { return insert(item); }
  int add(std::string_view text, std::int32_t tag, bool checked) {
    return insert(NewItem{text, tag, checked});
  }
  virtual int count() const = 0;
  virtual std::string text(int index) const = 0;
  virtual std::int32_t tag(int index) const = 0;
  virtual OffReason off(int index) const = 0;
  virtual bool locked(int index) const = 0;
  virtual std::string key(int index) const = 0;
  virtual bool checked(int index) const = 0;
  virtual void set_checked(int index, bool checked) = 0;
  // The current (highlighted) item, or -1 when there is none.
  virtual int current() const = 0;
  virtual void set_current(int index) = 0;
  virtual void remove(int index) = 0;

  // Many adds in a row, as the scan makes them: between begin_batch() and
  // end_batch() an add only appends its item, and end_batch() sorts those
  // items into their places at once, in the order that adding them one by
  // one would have given. Meanwhile they follow the others in the order they
  // came. Batches may nest; the outermost end sorts. end_batch() never throws.
  virtual void begin_batch() = 0;
  virtual void end_batch() = 0;

 protected:
  virtual int insert(const NewItem& item) = 0;
};

// Makes the adds of its lifetime one batch of a list.
class EntryBatch {
 public:
  explicit EntryBatch(EntryList& list) : list_(list) { list_.begin_batch(); }
  ~EntryBatch() { list_.end_batch(); }
  EntryBatch(const EntryBatch&) = delete;
  EntryBatch& operator=(const EntryBatch&) = delete;

 private:
  EntryList& list_;
};

// What a list holds of an entry.
struct ListItem {
  std::string text;
  std::string sort_key;  // the platform's, for the text
  std::int32_t tag = 0;
  bool checked = false;
  OffReason off = OffReason::None;
  bool locked = false;
  std::string key;
};

// Items in the order of the platform's sort keys, an added one after those
// whose keys are equal, and notes after every entry; the storage and the
// order of every EntryList.
class SortedItems {
 public:
  explicit SortedItems(TextRules& rules) : rules_(rules) {}

  // The item's index, or -1 inside a batch (see EntryList).
  int add(const NewItem& item);
  void begin_batch();
  // Indexes in `followed`, of items from before the batch, are moved with
  // their items; -1 stays.
  void end_batch(std::span<int> followed = {}) noexcept;
  bool in_batch() const { return batch_depth_ > 0; }

  int count() const { return static_cast<int>(items_.size()); }
  // Throw std::out_of_range for an index outside the list.
  const ListItem& at(int index) const;
  ListItem& at(int index);
  void remove(int index);

 private:
  TextRules& rules_;
  std::vector<ListItem> items_;
  int batch_depth_ = 0;
  std::size_t batch_start_ = 0;  // where the current batch's items begin
};

class SortedEntryList final : public EntryList {
 public:
  explicit SortedEntryList(TextRules& rules) : items_(rules) {}

  int count() const override { return items_.count(); }
  std::string text(int index) const override { return items_.at(index).text; }
  std::int32_t tag(int index) const override { return items_.at(index).tag; }
  OffReason off(int index) const override { return items_.at(index).off; }
  bool locked(int index) const override { return items_.at(index).locked; }
  std::string key(int index) const override { return items_.at(index).key; }
  bool checked(int index) const override { return items_.at(index).checked; }
  void set_checked(int index, bool checked) override { items_.at(index).checked = checked; }
  int current() const override { return current_; }
  void set_current(int index) override;
  void remove(int index) override;
  void begin_batch() override { items_.begin_batch(); }
  void end_batch() override { items_.end_batch(std::span<int>(&current_, 1)); }

 protected:
  int insert(const NewItem& item) override;

 private:
  SortedItems items_;
  int current_ = -1;
};

}  // namespace rw
