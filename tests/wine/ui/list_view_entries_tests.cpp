// The main window's list as the table of entries: items land in their sorted
// place, keep their tags and checks as others come and go, and the table
// holds more items than a 16-bit index reaches. The window is created but
// never opened, so nothing is scanned into it.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "ui/form1.h"

namespace rw::ui {
namespace {

class NoDialogs final : public Dialogs {
 public:
  int message_box(std::string_view, int, std::string_view) override { return mb::kResultOk; }
  std::string input_box(std::string_view, std::string_view, std::string_view) override {
    return {};
  }
  OpenFileResult open_file(const OpenFileRequest&) override { return {}; }
};

// One item of the list as the catalogue sees it.
struct Item {
  std::string text;
  std::int32_t tag;
  bool checked;
};

bool operator==(const Item& a, const Item& b) {
  return a.text == b.text && a.tag == b.tag && a.checked == b.checked;
}

void PrintTo(const Item& item, std::ostream* out) {
  *out << "{\"" << item.text << "\", " << item.tag << ", " << item.checked << "}";
}

class ListViewEntriesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(form_.create()); }

  EntryList& list() { return form_.list(); }

  std::vector<Item> items() {
    std::vector<Item> all;
    for (int index = 0; index < list().count(); ++index)
      all.push_back({list().text(index), list().tag(index), list().checked(index)});
    return all;
  }
  // Adds an item with the tag and check the scan would give it.
  void add(const std::string& text, std::int32_t tag, bool checked) {
    const int index = list().add(text, tag, checked);
    // What the list shows must be what it was given, in the same place.
    EXPECT_EQ(list().tag(index), tag);
    EXPECT_EQ(list().checked(index), checked);
  }

  win32::Win32Services services_;
  NoDialogs dialogs_;
  Platform platform_ = services_.platform(dialogs_);
  Form1 form_{platform_, Form1::Options{.quit_when_closed = false}};
};

TEST_F(ListViewEntriesTest, PlacesItemsInCaseBlindLinguisticOrderAndKeepsTheirTagsAndChecks) {
  add("Zulu", 1, true);
  add("echo", 2, false);
  add("\xC3\x9Cn\xC3\xAF"
      "code",
      3, true);  // Ünïcode
  add("alpha", 4, true);
  add("", 5, false);
  add("ALPHA", 6, false);
  add("Echo", 7, true);
  add("bravo", 8, true);
  add("Alpha", 9, true);
  add("alpha", 10, false);
  const std::vector<Item> added = {
      {"", 5, false},
      {"alpha", 4, true},  // names equal but for case keep the order they came in
      {"ALPHA", 6, false},
      {"Alpha", 9, true},
      {"alpha", 10, false},
      {"bravo", 8, true},
      {"echo", 2, false},
      {"Echo", 7, true},
      {"\xC3\x9Cn\xC3\xAF"
       "code",
       3, true},
      {"Zulu", 1, true},
  };
  EXPECT_EQ(items(), added);

  list().remove(1);  // the first alpha
  add("Charlie", 11, true);
  list().remove(list().count() - 1);  // Zulu
  add("Yankee", 12, false);
  add("ALPHA", 13, true);
  const std::vector<Item> changed = {
      {"", 5, false},
      {"ALPHA", 6, false},
      {"Alpha", 9, true},
      {"alpha", 10, false},
      {"ALPHA", 13, true},
      {"bravo", 8, true},
      {"Charlie", 11, true},
      {"echo", 2, false},
      {"Echo", 7, true},
      {"\xC3\x9Cn\xC3\xAF"
       "code",
       3, true},
      {"Yankee", 12, false},
  };
  EXPECT_EQ(items(), changed);

  // A table attached to a list that already has items reads them from it.
  win32::Win32TextRules rules;
  ListViewEntries again(rules);
  again.attach(form_.control(form1::kList1));
  ASSERT_EQ(again.count(), static_cast<int>(changed.size()));
  EXPECT_EQ(again.text(9), changed[9].text);
  const int index = again.add("Delta", 14, false);
  EXPECT_EQ(index, 7);
  EXPECT_EQ(again.text(index), "Delta");
  EXPECT_EQ(again.text(index + 1), "echo");
}

TEST_F(ListViewEntriesTest, HoldsMoreItemsThanA16BitIndexReaches) {
  constexpr int kItems = 33000;
  // Added in a scrambled order (7919 is prime to kItems), each tagged with
  // the number in its name, so the sorted place of an item is its number.
  // The list is not repainted meanwhile, as during the start-up scan.
  HWND control = form_.control(form1::kList1);
  ::SendMessageW(control, WM_SETREDRAW, FALSE, 0);
  for (int step = 0; step < kItems; ++step) {
    const int number = static_cast<int>((static_cast<long long>(step) * 7919) % kItems);
    char name[16];
    std::snprintf(name, sizeof name, "item %05d", number);
    list().add(name, number, number % 3 == 0);
  }
  ::SendMessageW(control, WM_SETREDRAW, TRUE, 0);
  ASSERT_EQ(list().count(), kItems);
  for (int index : {0, 32767, 32768, kItems - 1}) {
    SCOPED_TRACE(index);
    char name[16];
    std::snprintf(name, sizeof name, "item %05d", index);
    EXPECT_EQ(list().text(index), name);
    EXPECT_EQ(list().tag(index), index);
    EXPECT_EQ(list().checked(index), index % 3 == 0);
  }
  // The control's own text agrees with the table's at a high index.
  win32::Win32TextRules rules;
  ListViewEntries read_back(rules);
  read_back.attach(control);
  EXPECT_EQ(read_back.text(32800), "item 32800");
}

}  // namespace
}  // namespace rw::ui
