// The main window's list as the table of entries: items land in their sorted
// place, alone or in a batch, keep their tags and checks as others come and
// go, and the table holds more items than a 16-bit index reaches. The list
// control only shows the table, and the window ticks its checkboxes and finds
// typed names for it. The window is created but never opened, so nothing is
// scanned into it.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"
#include "ui/form1.h"
#include "ui_support.h"

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

  // The control holds no item of its own: it shows the table's.
  HWND control = form_.control(form1::kEntryList);
  ASSERT_EQ(ListView_GetItemCount(control), static_cast<int>(changed.size()));
  wchar_t shown[32] = {};
  ListView_GetItemText(control, 9, 0, shown, 32);
  EXPECT_EQ(win32::narrow(shown), changed[9].text);
  EXPECT_EQ(ListView_GetCheckState(control, 9), 1);
  EXPECT_EQ(ListView_GetCheckState(control, 10), 0);
}

TEST_F(ListViewEntriesTest, HoldsMoreItemsThanA16BitIndexReaches) {
  constexpr int kItems = 33000;
  // Added in a scrambled order (7919 is prime to kItems), each tagged with
  // the number in its name, so the sorted place of an item is its number.
  // One batch, as the start-up scan adds them.
  {
    const EntryBatch batch(list());
    for (int step = 0; step < kItems; ++step) {
      const int number = static_cast<int>((static_cast<long long>(step) * 7919) % kItems);
      char name[16];
      std::snprintf(name, sizeof name, "item %05d", number);
      list().add(name, number, number % 3 == 0);
    }
  }
  ASSERT_EQ(list().count(), kItems);
  for (int index : {0, 32767, 32768, kItems - 1}) {
    SCOPED_TRACE(index);
    char name[16];
    std::snprintf(name, sizeof name, "item %05d", index);
    EXPECT_EQ(list().text(index), name);
    EXPECT_EQ(list().tag(index), index);
    EXPECT_EQ(list().checked(index), index % 3 == 0);
  }
  // A single add past the 16-bit indexes, and the control's view of it.
  EXPECT_EQ(list().add("item 32767 b", 1, true), 32768);
  HWND control = form_.control(form1::kEntryList);
  EXPECT_EQ(ListView_GetItemCount(control), kItems + 1);
  wchar_t shown[16] = {};
  ListView_GetItemText(control, 32801, 0, shown, 16);
  EXPECT_STREQ(shown, L"item 32800");
}

// A virtual list leaves its checkboxes to its owner: a click on one, or
// Space, must tick exactly that item, unless it is locked, and only a click
// on the name selects.
TEST_F(ListViewEntriesTest, ClicksOnACheckboxAndSpaceTickOnlyTheirItem) {
  enum Where { kCheckbox, kName, kSpace };
  const struct {
    const char* name;
    int current;  // before
    int item;     // clicked
    Where where;
    std::vector<UINT> messages;
    const char* checked;  // after, + or - for each item
    int current_after;
  } cases[] = {
      {"click on a checkbox", -1, 1, kCheckbox, {WM_LBUTTONDOWN, WM_LBUTTONUP}, "+++-", -1},
      {"click on another's", 0, 2, kCheckbox, {WM_LBUTTONDOWN, WM_LBUTTONUP}, "+---", 0},
      {"double click",
       -1,
       1,
       kCheckbox,
       {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP},
       "+-+-",
       -1},
      {"click on the name", -1, 1, kName, {WM_LBUTTONDOWN, WM_LBUTTONUP}, "+-+-", 1},
      {"Space", 2, 2, kSpace, {WM_KEYDOWN, WM_KEYUP}, "+---", 2},
      {"click on a locked one's", -1, 3, kCheckbox, {WM_LBUTTONDOWN, WM_LBUTTONUP}, "+-+-", -1},
      {"Space on a locked one", 3, 3, kSpace, {WM_KEYDOWN, WM_KEYUP}, "+-+-", 3},
  };
  HWND control = form_.control(form1::kEntryList);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    while (list().count() > 0) list().remove(0);
    add("Alpha", 1, true);
    add("Bravo", 2, false);
    add("Charlie", 3, true);
    list().add(NewItem{.text = "Delta", .tag = 17, .locked = true});
    list().set_current(c.current);
    RECT label{};
    ListView_GetItemRect(control, c.item, &label, LVIR_LABEL);
    const POINT box = test::checkbox_point(control, c.item);
    const POINT at = c.where == kName ? POINT{label.left + 2, box.y} : box;
    for (UINT message : c.messages) {
      ::SendMessageW(control, message, c.where == kSpace ? VK_SPACE : 0,
                     c.where == kSpace ? 0x00390001 : MAKELPARAM(at.x, at.y));
    }
    for (int index = 0; index < list().count(); ++index) {
      EXPECT_EQ(list().checked(index), c.checked[index] == '+') << index;
      EXPECT_EQ(ListView_GetCheckState(control, index) != 0, c.checked[index] == '+') << index;
    }
    EXPECT_EQ(list().current(), c.current_after);
  }
}

// Typing a name's first letters: the control asks which item they find.
TEST_F(ListViewEntriesTest, TypingFindsTheNextItemWhoseNameBeginsWithTheLetters) {
  for (const char* name : {"Alpha", "alpine", "Bravo", "brave new", "Charlie"}) add(name, 2, true);
  const struct {
    const wchar_t* typed;
    UINT flags;
    int start;
    int found;
  } cases[] = {
      {L"b", LVFI_PARTIAL | LVFI_WRAP, 0, 2},   {L"B", LVFI_PARTIAL | LVFI_WRAP, 3, 3},
      {L"br", LVFI_PARTIAL | LVFI_WRAP, 4, 2},  {L"br", LVFI_PARTIAL, 4, -1},
      {L"ALP", LVFI_PARTIAL | LVFI_WRAP, 1, 1}, {L"alpha", LVFI_STRING, 0, 0},
      {L"alp", LVFI_STRING | LVFI_WRAP, 0, -1}, {L"x", LVFI_PARTIAL | LVFI_WRAP, 0, -1},
  };
  for (const auto& c : cases) {
    NMLVFINDITEMW request{};
    request.hdr = NMHDR{form_.control(form1::kEntryList), form1::kEntryList, LVN_ODFINDITEMW};
    request.iStart = c.start;
    request.lvfi.flags = c.flags;
    request.lvfi.psz = c.typed;
    EXPECT_EQ(::SendMessageW(form_.hwnd(), WM_NOTIFY, form1::kEntryList,
                             reinterpret_cast<LPARAM>(&request)),
              c.found)
        << win32::narrow(c.typed) << " from " << c.start;
  }
}

// The control shows a batch's items only at its end, and its current and
// focused items stay on their entries as the batch sorts in around them.
TEST_F(ListViewEntriesTest, ABatchShowsItsItemsAtItsEndInTheirPlaces) {
  add("b", 10, true);
  add("d", 11, false);
  list().set_current(1);
  HWND control = form_.control(form1::kEntryList);
  {
    const EntryBatch batch(list());
    for (const Item& item : {Item{"D", 1, true}, Item{"a", 2, false}, Item{"B", 3, true}})
      EXPECT_EQ(list().add(item.text, item.tag, item.checked), -1);
    EXPECT_EQ(ListView_GetItemCount(control), 2);
  }
  const std::vector<Item> sorted = {
      {"a", 2, false}, {"b", 10, true}, {"B", 3, true}, {"d", 11, false}, {"D", 1, true}};
  EXPECT_EQ(items(), sorted);
  EXPECT_EQ(ListView_GetItemCount(control), 5);
  EXPECT_EQ(list().current(), 3);
  EXPECT_EQ(ListView_GetNextItem(control, -1, LVNI_FOCUSED), 3);
  list().remove(0);
  EXPECT_EQ(list().current(), 2) << "a removal before it";
  add("0", 4, true);
  EXPECT_EQ(list().current(), 3) << "an add before it";
}

}  // namespace
}  // namespace rw::ui
