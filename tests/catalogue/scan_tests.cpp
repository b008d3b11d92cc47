// The start-up scan over the substitute platform.
#include <gmock/gmock.h>

#include <set>

#include "catalogue/scan.h"
#include "expected_version.h"
#include "fixture.h"

namespace rw::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ScanTest : public CatalogueTest {
 protected:
  std::vector<std::string> items() {
    std::vector<std::string> out;
    for (int i = 0; i < list_.count(); ++i) {
      out.push_back(list_.text(i) + "/" + std::to_string(list_.tag(i)) +
                    (list_.checked(i) ? "+" : "-"));
    }
    return out;
  }
  std::vector<std::string> made_folders() {
    std::vector<std::string> made;
    for (const std::string& call : os_.log.calls()) {
      if (call.rfind("MkDir ", 0) == 0) made.push_back(call.substr(6 + program_folder().size()));
    }
    return made;
  }
};

// Listing writes nothing: a copy in a folder nobody may write to, whose
// parking folders do not exist yet, lists every entry all the same.
TEST_F(ScanTest, ListingMakesNoFolderAndNeedsNoRightToWrite) {
  store_run_value(StartupLocation::CurrentUserRun, "Tool", "c:\\tool.exe");
  os_.files.deny_write(program_folder());
  EXPECT_EQ(scan(), expected_caption());
  EXPECT_THAT(made_folders(), IsEmpty());
  EXPECT_FALSE(os_.files.folder_exists(program_folder() + "\\DISABLED"));
  EXPECT_THAT(items(), ElementsAre("Tool/2+"));
  EXPECT_EQ(list_.current(), -1);

  // A file where a parking folder belongs holds no entries either.
  os_.files.write_file(program_folder() + "\\DISABLED", "a file in the way");
  SortedEntryList again(os_.text_rules);
  Catalogue second{platform_, again};
  EXPECT_THAT(run_scan(second).problems, IsEmpty());
  EXPECT_EQ(again.count(), 1);
}

TEST_F(ScanTest, ListsEveryPlaceWithItsTagAndTicksExactlyTheActiveOnes) {
  prepare_folders();
  store_run_value(StartupLocation::AllUsersRun, "Tool", "c:\\machine.exe");
  store_run_value(StartupLocation::CurrentUserRun, "Tool", "c:\\user.exe");
  store_run_value(StartupLocation::CurrentUserRunParked, "Parked", "c:\\p.exe");
  store_run_value(StartupLocation::AllUsersRunParked, "Parked", "c:\\p.exe");
  store_shortcut(StartupLocation::CurrentUserStartup, "Mine");
  store_shortcut(StartupLocation::AllUsersStartup, "Ours");
  store_shortcut(StartupLocation::CurrentUserStartupParked, "Mine");
  store_shortcut(StartupLocation::AllUsersStartupParked, "Ours");
  scan();
  EXPECT_THAT(items(), ElementsAre("Mine/4+", "Mine/6-", "Ours/3+", "Ours/5-", "Parked/8-",
                                   "Parked/7-", "Tool/1+", "Tool/2+"));
  EXPECT_EQ(list_.current(), -1);
  EXPECT_EQ(os_.registry.open_handles(), 0u);
}

TEST_F(ScanTest, ListsTheDefaultValueAndValuesOfEveryTypeByName) {
  prepare_folders();
  os_.registry.put_string(kHkeyCurrentUser, kRunKey, "", "c:\\default.exe");
  os_.registry.put_string(kHkeyCurrentUser, kRunKey, "Expand", "%windir%\\x.exe",
                          regtype::kExpandSz);
  os_.registry.put(kHkeyCurrentUser, kRunKey, "Bytes", regtype::kBinary, {1, 2, 3});
  os_.registry.put(kHkeyCurrentUser, kRunKey, "Number", regtype::kDword, {1, 0, 0, 0});
  os_.registry.put(kHkeyCurrentUser, kRunKey, "Multi", regtype::kMultiSz, {'a', 0, 0, 0, 0, 0});
  scan();
  EXPECT_THAT(items(), ElementsAre("/2+", "Bytes/2+", "Expand/2+", "Multi/2+", "Number/2+"));
}

TEST_F(ScanTest, ShortcutNamesLoseTheirSuffixInAnyCaseAndHiddenOrSystemFilesAreNotListed) {
  prepare_folders();
  const std::string folder = catalogue_.folders.of(place(StartupLocation::CurrentUserStartup));
  os_.files.write_file(folder + "\\X.LNK", "x");
  os_.files.write_file(folder + "\\.lnk", "bare");
  os_.files.write_file(folder + "\\hidden.lnk", "h");
  os_.files.write_file(folder + "\\system.lnk", "s");
  os_.files.write_file(folder + "\\notes.txt", "not a shortcut");
  os_.files.set_attributes(folder + "\\hidden.lnk", attr::kHidden);
  os_.files.set_attributes(folder + "\\system.lnk", attr::kSystem);
  std::filesystem::create_directory(substitute::SubstituteFiles::host_path(folder + "\\dir.lnk"));
  scan();
  EXPECT_THAT(items(), ElementsAre("/4+", "X/4+"));
}

TEST_F(ScanTest, AnEntryBothParkedAndActiveIsListedTwice) {
  prepare_folders();
  store_run_value(StartupLocation::CurrentUserRun, "Tool", "c:\\tool.exe");
  store_run_value(StartupLocation::CurrentUserRunParked, "Tool", "c:\\tool.exe");
  scan();
  EXPECT_THAT(items(), ElementsAre("Tool/2+", "Tool/8-"));
}

TEST_F(ScanTest, AVeryLongNameDoesNotHideTheValuesAfterIt) {
  prepare_folders();
  const std::string long_name(2100, 'L');
  store_run_value(StartupLocation::CurrentUserRun, "Before", "a");
  store_run_value(StartupLocation::CurrentUserRun, long_name, "b");
  store_run_value(StartupLocation::CurrentUserRun, "After", "c");
  scan();
  ASSERT_EQ(list_.count(), 3);
  EXPECT_EQ(find_item(long_name, StartupLocation::CurrentUserRun) >= 0, true);
  EXPECT_GE(find_item("After", StartupLocation::CurrentUserRun), 0);
}

TEST_F(ScanTest, NamesOutsideAsciiArriveWhole) {
  prepare_folders();
  store_run_value(StartupLocation::CurrentUserRun, "Программа", "a");
  store_run_value(StartupLocation::CurrentUserRun, "程序 🚀", "b");
  store_shortcut(StartupLocation::CurrentUserStartup, "Ünïcode");
  scan();
  EXPECT_GE(find_item("Программа", StartupLocation::CurrentUserRun), 0);
  EXPECT_GE(find_item("程序 🚀", StartupLocation::CurrentUserRun), 0);
  EXPECT_GE(find_item("Ünïcode", StartupLocation::CurrentUserStartup), 0);
}

TEST_F(ScanTest, AWalkCutShortOrAnUnreadableFolderIsReportedAndTheRestIsListed) {
  prepare_folders();
  store_run_value(StartupLocation::AllUsersRun, "Machine", "a");
  store_run_value(StartupLocation::CurrentUserRun, "First", "b");
  store_run_value(StartupLocation::CurrentUserRun, "Second", "c");
  store_shortcut(StartupLocation::CurrentUserStartup, "Link");
  os_.log.add_fault({0, "RegOpenKeyEx", status::kAccessDenied});
  ScanResult denied = run_scan(catalogue_);
  EXPECT_THAT(items(), ElementsAre("Link/4+"));
  // The policies that switch lists off, every key of values (the Run and
  // RunOnce keys, their parking sections, the keys set by policies), the
  // places of program lists, the key of packaged apps' startup tasks and the
  // flags of the Startup folder's link.
  ASSERT_EQ(denied.problems.size(), 19u);
  EXPECT_THAT(scan_problems_message(os_.status_text, denied),
              ::testing::HasSubstr("RegOpenKeyEx failed for \"HKEY_LOCAL_MACHINE\\SOFTWARE\\"
                                   "Microsoft\\Windows\\CurrentVersion\\Run\": Access is denied. "
                                   "(error 5)"));

  os_.log.clear_faults();
  while (list_.count() > 0) list_.remove(0);
  os_.log.add_fault({0, "Dir", status::kAccessDenied});
  ScanResult unreadable = run_scan(catalogue_);
  EXPECT_EQ(unreadable.problems.size(), 4u);
  EXPECT_THAT(items(), ElementsAre("First/2+", "Machine/1+", "Second/2+"));
  EXPECT_THAT(
      scan_problems_message(os_.status_text, unreadable),
      ::testing::HasSubstr(catalogue_.folders.of(place(StartupLocation::CurrentUserStartup))));
  EXPECT_EQ(scan_problems_message(os_.status_text, ScanResult{}), "");
}

TEST(FolderResolution, ShortPathsFallBackAndThreeCharactersStay) {
  substitute::SubstitutePlatform os;
  os.folders.windows = "C:\\WINNT";
  os.folders.special[kCsidlStartup] = "";
  EXPECT_EQ(resolve_startup_folder(os.folders, kCsidlStartup, "C:\\WINNT",
                                   "\\Start Menu\\Programs\\StartUp"),
            "C:\\WINNT\\Start Menu\\Programs\\StartUp");
  os.folders.special[kCsidlStartup] = "D:";
  EXPECT_EQ(resolve_startup_folder(os.folders, kCsidlStartup, "C:\\WINNT", "\\X"), "C:\\WINNT\\X");
  os.folders.special[kCsidlStartup] = "D:\\";
  EXPECT_EQ(resolve_startup_folder(os.folders, kCsidlStartup, "C:\\WINNT", "\\X"), "D:\\");
  os.folders.special[kCsidlCommonStartup] = "";
  EXPECT_EQ(resolve_startup_folder(os.folders, kCsidlCommonStartup, "", "\\All Users\\X"),
            "\\All Users\\X");
}

TEST(PlaceTable, PartnersPairUpAndEachParkedValueLivesInTheSectionOfItsPartnersHive) {
  std::set<int> scan_orders;
  for (const PlaceInfo& info : kPlaces) {
    SCOPED_TRACE(std::string(info.name));
    scan_orders.insert(info.scan_order);
    EXPECT_EQ(find_place(static_cast<std::int32_t>(info.location)), &info);
    const PlaceInfo* partner = partner_of(info);
    EXPECT_EQ(partner != nullptr, info.actions.move);
    if (partner == nullptr) continue;
    EXPECT_EQ(partner->partner, info.location);
    EXPECT_NE(partner->active, info.active);
    EXPECT_EQ(partner->storage == Storage::Shortcuts, info.storage == Storage::Shortcuts);
    EXPECT_EQ(partner->scope, info.scope);
    if (info.storage == Storage::ParkedValues) {
      // Parked values of every hive are kept in the store of the user.
      const std::string hive = std::to_string(static_cast<std::int32_t>(partner->hive));
      EXPECT_TRUE(info.section.starts_with("Disabled\\" + hive));
      EXPECT_TRUE(info.type_section.starts_with("Types\\" + hive));
      EXPECT_EQ(key_of(info).hive, kHkeyCurrentUser);
    }
  }
  EXPECT_EQ(scan_orders.size(), kPlaces.size());
  EXPECT_EQ(find_place(0), nullptr);
  EXPECT_EQ(find_place(static_cast<std::int32_t>(kPlaces.size()) + 1), nullptr);
}

TEST(SortedList, KeepsItemsInTheOrderOfTheirKeysAndTracksTheCurrentItem) {
  substitute::SubstituteTextRules rules;
  SortedEntryList list(rules);
  EXPECT_EQ(list.add("beta", 1, true), 0);
  EXPECT_EQ(list.add("Alpha", 2, false), 0);
  EXPECT_EQ(list.add("gamma", 3, true), 2);
  list.set_current(1);
  EXPECT_EQ(list.add("aardvark", 4, false), 0);
  EXPECT_EQ(list.tag(2), 1);
  EXPECT_TRUE(list.checked(2));
  EXPECT_EQ(list.text(list.current()), "beta");
  list.remove(list.current());
  EXPECT_EQ(list.current(), -1);
  EXPECT_EQ(list.count(), 3);
}

// The scan's batch must end in the order single adds give: by key, equal
// keys in the order of adding and after the items already there, with the
// current item still on its entry.
TEST(SortedList, ABatchEndsInTheOrderOfSingleAdds) {
  substitute::SubstituteTextRules rules;
  SortedEntryList list(rules);
  for (const auto& [text, tag] : {std::pair{"b", 10}, {"d", 11}, {"f", 12}}) {
    list.add(text, tag, true);
  }
  list.set_current(1);
  {
    const EntryBatch batch(list);
    for (const auto& [text, tag] : {std::pair{"D", 1}, {"a", 2}, {"B", 3}, {"e", 4}, {"d", 5}}) {
      EXPECT_EQ(list.add(text, tag, false), -1);
    }
  }
  std::vector<std::int32_t> order;
  for (int i = 0; i < list.count(); ++i) order.push_back(list.tag(i));
  EXPECT_EQ(order, (std::vector<std::int32_t>{2, 10, 3, 11, 1, 5, 4, 12}));
  EXPECT_EQ(list.tag(list.current()), 11);
}

}  // namespace
}  // namespace rw::testing
