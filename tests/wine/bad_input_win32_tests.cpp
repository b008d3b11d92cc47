// Bad input through the real Win32 layer, in the Wine prefix's real registry
// and real files: awkward and long names round-tripping through the scan and
// Exit, parking folders that are missing or are files, shortcuts held open by
// another program, keys and values deleted since the scan, and shortcut paths
// past MAX_PATH. The program and Startup folders are scratch folders under
// %TEMP%; Run values go into the real Run keys under names that begin with
// "RwBad", and everything made is taken away afterwards.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "catalogue/operations.h"
#include "catalogue/scan.h"
#include "platform/win32/handles.h"
#include "platform/win32/paths.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"
#include "support/seeder.h"
#include "support/wine_support.h"

namespace rw {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using win32::api_path;
using win32::narrow;
using win32::UniqueFile;
using win32::UniqueHkey;
using win32::widen;
using wine_support::remove_tree;
using wine_support::root_of;
using L = StartupLocation;

constexpr const wchar_t* kRunKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kSettingsKey = L"Software\\VB and VBA Program Settings\\Runwarden";

struct Value {
  DWORD type = REG_NONE;
  std::string text;
};

// Where a Run-value place keeps its values: the hive's key and its path,
// spelled out rather than asked of the code under test.
std::pair<HKEY, std::wstring> key_of(L location) {
  switch (location) {
    case L::AllUsersRun:
      return {HKEY_LOCAL_MACHINE, kRunKey};
    case L::CurrentUserRun:
      return {HKEY_CURRENT_USER, kRunKey};
    case L::AllUsersRunParked:
      return {HKEY_CURRENT_USER, std::wstring(kSettingsKey) + L"\\Disabled\\-2147483646"};
    default:
      return {HKEY_CURRENT_USER, std::wstring(kSettingsKey) + L"\\Disabled\\-2147483647"};
  }
}

std::optional<Value> value_at(L location, const std::string& name) {
  const auto [root, path] = key_of(location);
  UniqueHkey key;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return {};
  DWORD type = REG_NONE;
  DWORD size = 0;
  const std::wstring wide = widen(name);
  if (::RegQueryValueExW(key.get(), wide.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return {};
  std::vector<std::uint8_t> bytes(size);
  ::RegQueryValueExW(key.get(), wide.c_str(), nullptr, &type, bytes.data(), &size);
  bytes.resize(size);
  return Value{type, registry_bytes_to_text(bytes)};
}

void delete_value(L location, const std::string& name) {
  const auto [root, path] = key_of(location);
  UniqueHkey key;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_WRITE, key.put()) == ERROR_SUCCESS) {
    ::RegDeleteValueW(key.get(), widen(name).c_str());
  }
}

bool file_exists(const std::string& path) {
  return ::GetFileAttributesW(api_path(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::string> file_content(const std::string& path) {
  UniqueFile file(::CreateFileW(api_path(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string content(4096, '\0');
  DWORD got = 0;
  ::ReadFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &got, nullptr);
  content.resize(got);
  return content;
}

std::string temp_folder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  std::wstring path(buffer, ::GetTempPathW(MAX_PATH + 1, buffer));
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return narrow(path);
}

// The real folders, but with a scratch program folder and scratch Startup
// folders, so the test never touches the prefix's own.
class ScratchFolders final : public Folders {
 public:
  ScratchFolders(Folders& real, std::string root) : real_(real), root_(std::move(root)) {}
  std::string special_folder(int csidl) override {
    if (csidl == kCsidlStartup) return root_ + "\\UserStartup";
    if (csidl == kCsidlCommonStartup) return root_ + "\\CommonStartup";
    return real_.special_folder(csidl);
  }
  std::string windows_directory() override { return real_.windows_directory(); }
  std::string system_directory() override { return real_.system_directory(); }
  bool is_network_drive(char letter) override { return real_.is_network_drive(letter); }
  std::string program_folder() override { return root_ + "\\Program"; }

 private:
  Folders& real_;
  std::string root_;
};

// Records every message; answers Yes to questions.
class RecordingDialogs final : public Dialogs {
 public:
  int message_box(std::string_view prompt, int flags, std::string_view title) override {
    if (title != "Runwarden: WARNING") reports.emplace_back(prompt);
    return (flags & 0xF) == mb::kYesNo ? mb::kResultYes : mb::kResultOk;
  }
  std::string input_box(std::string_view, std::string_view, std::string_view text) override {
    return std::string(text);
  }
  OpenFileResult open_file(const OpenFileRequest&) override { return {}; }
  std::vector<std::string> reports;
};

class BadInputUnderWine : public ::testing::Test {
 protected:
  BadInputUnderWine()
      : root_(temp_folder() + "\\RunwardenBad" + std::to_string(::GetCurrentProcessId())),
        folders_(services_.folders, root_),
        seed_("RwBad", {root_ + "\\CommonStartup", root_ + "\\UserStartup", root_ + "\\Program"}),
        platform_{services_.registry,    services_.files,    folders_,
                  services_.status_text, services_.shell,    dialogs_,
                  services_.text_rules,  services_.programs, services_.tasks},
        catalogue_{platform_, list_} {}

  void SetUp() override {
    remove_tree(api_path(root_));
    // The parking folders too, as an earlier park would have made them.
    for (const char* tail :
         {"", "\\Program", "\\UserStartup", "\\CommonStartup", "\\Program\\DISABLED",
          "\\Program\\DISABLED\\All Users", "\\Program\\DISABLED\\Default User"}) {
      ASSERT_TRUE(::CreateDirectoryW(api_path(root_ + tail).c_str(), nullptr)) << tail;
    }
  }
  void TearDown() override { remove_tree(api_path(root_)); }

  // A Run value that the seeder takes away again, wherever Exit moved it.
  void run_value(L location, const std::string& name, const std::string& command) {
    values_.emplace_back(location, name);
    seed_.text(location, name, command);
  }
  // Spelled out rather than asked of the code under test.
  std::string folder(L location) {
    switch (location) {
      case L::AllUsersStartup:
        return root_ + "\\CommonStartup";
      case L::CurrentUserStartup:
        return root_ + "\\UserStartup";
      case L::AllUsersStartupParked:
        return root_ + "\\Program\\DISABLED\\All Users";
      default:
        return root_ + "\\Program\\DISABLED\\Default User";
    }
  }
  std::string shortcut(L location, const std::string& name) {
    return folder(location) + "\\" + name + ".lnk";
  }
  // Scans into a fresh list; the last scan's list is the one the tests use.
  void scan() {
    while (list_.count() > 0) list_.remove(0);
    const ScanResult result = run_scan(catalogue_);
    EXPECT_THAT(result.problems, IsEmpty());
  }
  int item(const std::string& name, L location) {
    for (int i = 0; i < list_.count(); ++i) {
      if (list_.text(i) == name && list_.tag(i) == static_cast<std::int32_t>(location)) return i;
    }
    return -1;
  }
  // Turns the entry's box the other way, ready for Exit.
  void flip(const std::string& name, L location) {
    const int index = item(name, location);
    ASSERT_GE(index, 0) << "not listed: " << name.substr(0, 40);
    list_.set_checked(index, !place(location).active);
  }
  void exit() { apply_changes_on_exit(catalogue_); }

  std::string root_;
  win32::Win32Services services_;
  ScratchFolders folders_;
  seeding::Seeder seed_;
  RecordingDialogs dialogs_;
  Platform platform_;
  SortedEntryList list_{services_.text_rules};
  Catalogue catalogue_;
  std::vector<std::pair<L, std::string>> values_;
};

const std::vector<std::string>& awkward_names() {
  static const std::vector<std::string> names = {
      "RwBad Диспетчер задач",
      "RwBad 任务管理器 タスク",
      "RwBad \xF0\x9F\x9A\x80 beyond the BMP",
      "RwBad Cafe\xCC\x81 nai\xCC\x88ve",
      "RwBad \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7",
      "RwBad a\\b/c:d*e?f\"g<h>i|j",
      "  RwBad padded  ",
      "RwBad " + std::string(2094, 'm'),                    // 2,100 characters
      "RwBad " + std::string(kMaxValueNameChars - 6, 'x'),  // the registry's limit
  };
  return names;
}

TEST_F(BadInputUnderWine, AwkwardAndLongValueNamesRoundTripThroughScanAndExit) {
  int tried = 0;
  for (L location : {L::CurrentUserRun, L::AllUsersRun}) {
    for (const std::string& name : awkward_names()) {
      run_value(location, name, "C:\\Tools\\" + std::to_string(++tried) + ".exe");
    }
  }
  scan();
  for (const auto& [location, name] : values_) flip(name, location);
  exit();
  EXPECT_THAT(dialogs_.reports, IsEmpty());
  int number = 0;
  for (const auto& [location, name] : values_) {
    SCOPED_TRACE(name.substr(0, 40));
    const std::string command = "C:\\Tools\\" + std::to_string(++number) + ".exe";
    EXPECT_EQ(value_at(location, name).has_value(), false);
    const auto parked = value_at(place(location).partner.value(), name);
    ASSERT_TRUE(parked);
    EXPECT_EQ(parked->text, command);
  }

  scan();  // the next start lists them parked; ticking them brings them back
  for (const auto& [location, name] : values_) flip(name, place(location).partner.value());
  exit();
  EXPECT_THAT(dialogs_.reports, IsEmpty());
  number = 0;
  for (const auto& [location, name] : values_) {
    SCOPED_TRACE(name.substr(0, 40));
    const auto restored = value_at(location, name);
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(restored->text, "C:\\Tools\\" + std::to_string(++number) + ".exe");
    EXPECT_FALSE(value_at(place(location).partner.value(), name));
  }
  std::cout << "[ corpus   ] " << tried << " value names tried under Wine\n";
}

TEST_F(BadInputUnderWine, AwkwardAndLongShortcutNamesRoundTripThroughScanAndExit) {
  const std::vector<std::string> names = {
      "RwBad Ярлык",
      "RwBad 启动 \xF0\x9F\x9A\x80",
      "RwBad Cafe\xCC\x81",
      "RwBad \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D",
      "  RwBad padded",
      "RwBad " + std::string(230, 'w'),  // the folder and this name pass MAX_PATH together
  };
  ASSERT_GT(shortcut(L::AllUsersStartupParked, names.back()).size(), 260u);
  scan();  // resolves the folders and makes the parking folders
  std::vector<std::pair<std::string, L>> made;
  for (L location : {L::CurrentUserStartup, L::AllUsersStartup}) {
    for (const std::string& name : names) {
      seed_.shortcut(location, name, "link " + name);
      made.emplace_back(name, location);
    }
  }
  seed_.file(folder(L::CurrentUserStartup) + "\\RwBad UPPER.LNK", "upper");
  made.emplace_back("RwBad UPPER", L::CurrentUserStartup);
  scan();
  for (const auto& [name, location] : made) flip(name, location);
  exit();
  EXPECT_THAT(dialogs_.reports, IsEmpty());
  scan();
  for (const auto& [name, location] : made) {
    SCOPED_TRACE(name.substr(0, 40));
    EXPECT_FALSE(file_exists(shortcut(location, name)));
    EXPECT_TRUE(file_exists(shortcut(place(location).partner.value(), name)));
    flip(name, place(location).partner.value());
  }
  exit();
  EXPECT_THAT(dialogs_.reports, IsEmpty());
  for (const auto& [name, location] : made) {
    SCOPED_TRACE(name.substr(0, 40));
    const auto content = file_content(shortcut(location, name));
    ASSERT_TRUE(content);
    EXPECT_EQ(*content, name == "RwBad UPPER" ? "upper" : "link " + name);
    EXPECT_FALSE(file_exists(shortcut(place(location).partner.value(), name)));
  }
  std::cout << "[ corpus   ] " << made.size() << " shortcut names tried under Wine\n";
}

// Listing needs no parking folder; the first shortcut parked makes it.
TEST_F(BadInputUnderWine, AMissingParkingFolderIsMadeByTheFirstShortcutParked) {
  remove_tree(api_path(folders_.program_folder() + "\\DISABLED"));  // someone took it away
  seed_.shortcut(L::CurrentUserStartup, "RwBad Tool", "tool");
  scan();
  EXPECT_FALSE(file_exists(folder(L::CurrentUserStartupParked)));
  flip("RwBad Tool", L::CurrentUserStartup);
  exit();
  EXPECT_THAT(dialogs_.reports, IsEmpty());
  EXPECT_EQ(file_content(shortcut(L::CurrentUserStartupParked, "RwBad Tool")), "tool");
  EXPECT_FALSE(file_exists(shortcut(L::CurrentUserStartup, "RwBad Tool")));
}

TEST_F(BadInputUnderWine, AParkingFolderThatIsAFileIsListedAsEmptyAndToldWhenParking) {
  const std::string parking = folder(L::AllUsersStartupParked);
  remove_tree(api_path(parking));
  seed_.file(parking, "not a folder");
  seed_.shortcut(L::AllUsersStartup, "RwBad Tool", "tool");
  scan();  // no problems: nothing is parked there
  flip("RwBad Tool", L::AllUsersStartup);
  exit();
  ASSERT_EQ(dialogs_.reports.size(), 1u);
  EXPECT_THAT(dialogs_.reports[0], HasSubstr("'RwBad Tool' cannot be moved"));
  EXPECT_THAT(dialogs_.reports[0], HasSubstr("MkDir failed for \"" + parking + "\""));
  EXPECT_EQ(file_content(parking), "not a folder");
  EXPECT_EQ(file_content(shortcut(L::AllUsersStartup, "RwBad Tool")), "tool");
}

// Wine runs as root here, so the read-only attribute may not stop a write;
// either way the entry must be whole in one place, and reported when it did
// not move.
TEST_F(BadInputUnderWine, AReadOnlyParkingFolderLosesNothing) {
  scan();
  seed_.shortcut(L::AllUsersStartup, "RwBad Tool", "tool");
  scan();
  const std::wstring parking = api_path(folder(L::AllUsersStartupParked));
  ASSERT_TRUE(::SetFileAttributesW(parking.c_str(), FILE_ATTRIBUTE_READONLY));
  flip("RwBad Tool", L::AllUsersStartup);
  exit();
  ::SetFileAttributesW(parking.c_str(), FILE_ATTRIBUTE_NORMAL);
  const auto here = file_content(shortcut(L::AllUsersStartup, "RwBad Tool"));
  const auto there = file_content(shortcut(L::AllUsersStartupParked, "RwBad Tool"));
  EXPECT_TRUE(here || there);
  std::cout << "[ corpus   ] the read-only parking folder was " << (here ? "refused" : "written to")
            << " under Wine\n";
  if (here) {
    EXPECT_EQ(*here, "tool");
    EXPECT_EQ(dialogs_.reports.size(), 1u);
  } else {
    EXPECT_EQ(*there, "tool");
    EXPECT_THAT(dialogs_.reports, IsEmpty());
  }
}

TEST_F(BadInputUnderWine, AShortcutHeldOpenByAnotherProgramIsKeptAndReported) {
  scan();
  for (const char* name : {"RwBad Shared read", "RwBad Exclusive", "RwBad Target held"}) {
    seed_.shortcut(L::CurrentUserStartup, name, name);
  }
  // An older copy in the parking folder, held open against writing.
  seed_.shortcut(L::CurrentUserStartupParked, "RwBad Target held", "older");
  scan();
  {
    // Reading is shared, deleting is not: the copy can be made, the original cannot go.
    UniqueFile shared(::CreateFileW(
        api_path(shortcut(L::CurrentUserStartup, "RwBad Shared read")).c_str(), GENERIC_READ,
        FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    UniqueFile exclusive(
        ::CreateFileW(api_path(shortcut(L::CurrentUserStartup, "RwBad Exclusive")).c_str(),
                      GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    UniqueFile target(::CreateFileW(
        api_path(shortcut(L::CurrentUserStartupParked, "RwBad Target held")).c_str(), GENERIC_READ,
        FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(shared && exclusive && target);
    // Each alone, since a file failure ends the walk at its item.
    for (const char* name : {"RwBad Shared read", "RwBad Exclusive", "RwBad Target held"}) {
      SCOPED_TRACE(name);
      for (int i = 0; i < list_.count(); ++i) list_.set_checked(i, place(L(list_.tag(i))).active);
      flip(name, L::CurrentUserStartup);
      dialogs_.reports.clear();
      exit();
      ASSERT_EQ(dialogs_.reports.size(), 1u);
      if (std::string(name) == "RwBad Target held") {  // another entry stands where it would go
        EXPECT_THAT(dialogs_.reports[0], HasSubstr("'RwBad Target held' is not moved: a different "
                                                   "entry of that name is already"));
      } else {
        EXPECT_THAT(dialogs_.reports[0], HasSubstr(std::string("'") + name + "' cannot be moved"));
        EXPECT_THAT(dialogs_.reports[0], HasSubstr("(error 32)"));  // a sharing violation
      }
      EXPECT_TRUE(file_exists(shortcut(L::CurrentUserStartup, name)));
    }
  }
  for (const char* name : {"RwBad Shared read", "RwBad Exclusive", "RwBad Target held"}) {
    EXPECT_EQ(file_content(shortcut(L::CurrentUserStartup, name)), name);
  }
  // Found out before anything was copied; the held target kept its content.
  EXPECT_FALSE(file_exists(shortcut(L::CurrentUserStartupParked, "RwBad Shared read")));
  EXPECT_FALSE(file_exists(shortcut(L::CurrentUserStartupParked, "RwBad Exclusive")));
  EXPECT_EQ(file_content(shortcut(L::CurrentUserStartupParked, "RwBad Target held")), "older");
}

TEST_F(BadInputUnderWine, AValueOrKeyDeletedSinceTheScanIsReportedAndNothingIsMadeUp) {
  run_value(L::CurrentUserRun, "RwBad Gone", "C:\\gone.exe");
  run_value(L::CurrentUserRun, "RwBad Removed", "C:\\removed.exe");
  run_value(L::CurrentUserRunParked, "RwBad Parked gone", "C:\\parked.exe");
  scan();
  delete_value(L::CurrentUserRun, "RwBad Gone");
  ::RegDeleteTreeW(HKEY_CURRENT_USER, key_of(L::CurrentUserRunParked).second.c_str());
  delete_value(L::CurrentUserRun, "RwBad Removed");

  list_.set_current(item("RwBad Removed", L::CurrentUserRun));
  remove_entry(catalogue_);
  ASSERT_EQ(dialogs_.reports.size(), 1u);
  EXPECT_THAT(dialogs_.reports[0], HasSubstr("Could not remove RwBad Removed ! (Error 2"));
  EXPECT_EQ(item("RwBad Removed", L::CurrentUserRun), -1);  // gone is what was wanted

  dialogs_.reports.clear();
  flip("RwBad Gone", L::CurrentUserRun);
  flip("RwBad Parked gone", L::CurrentUserRunParked);
  exit();
  ASSERT_EQ(dialogs_.reports.size(), 1u);
  EXPECT_THAT(dialogs_.reports[0], HasSubstr("'RwBad Gone' is no longer in your Run key"));
  EXPECT_THAT(dialogs_.reports[0], HasSubstr("'RwBad Parked gone' is no longer in Runwarden's "
                                             "parked entries of your Run key"));
  EXPECT_FALSE(value_at(L::CurrentUserRunParked, "RwBad Gone"));
  EXPECT_FALSE(value_at(L::CurrentUserRun, "RwBad Parked gone"));
}

// Another program wrote the entry again while an older copy of it was
// parked: neither may overwrite the other, however the boxes are turned.
TEST_F(BadInputUnderWine, ASameNameEntryAtTheOtherPlaceStopsTheMoveAndBothStay) {
  run_value(L::CurrentUserRun, "RwBad Twice", "C:\\new.exe");
  run_value(L::CurrentUserRunParked, "RwBad Twice", "C:\\old.exe");
  run_value(L::CurrentUserRun, "RwBad Same", "C:\\same.exe");
  run_value(L::CurrentUserRunParked, "RwBad Same", "C:\\same.exe");
  scan();
  seed_.shortcut(L::CurrentUserStartup, "RwBad Hidden", "hidden");
  ::SetFileAttributesW(api_path(shortcut(L::CurrentUserStartup, "RwBad Hidden")).c_str(),
                       FILE_ATTRIBUTE_HIDDEN);
  seed_.shortcut(L::CurrentUserStartupParked, "RwBad Hidden", "parked");
  scan();
  flip("RwBad Twice", L::CurrentUserRun);
  flip("RwBad Twice", L::CurrentUserRunParked);
  flip("RwBad Same", L::CurrentUserRun);
  flip("RwBad Hidden", L::CurrentUserStartupParked);
  exit();
  ASSERT_EQ(dialogs_.reports.size(), 1u);
  const std::string& report = dialogs_.reports[0];
  EXPECT_THAT(report, HasSubstr("'RwBad Twice' is not moved: a different entry of that name is "
                                "already in Runwarden's parked entries of your Run key"));
  EXPECT_THAT(report, HasSubstr("'RwBad Twice' is not moved: a different entry of that name is "
                                "already in your Run key"));
  EXPECT_THAT(report, HasSubstr("'RwBad Hidden' is not moved"));
  EXPECT_EQ(report.find("RwBad Same"), std::string::npos);
  EXPECT_EQ(value_at(L::CurrentUserRun, "RwBad Twice")->text, "C:\\new.exe");
  EXPECT_EQ(value_at(L::CurrentUserRunParked, "RwBad Twice")->text, "C:\\old.exe");
  EXPECT_FALSE(value_at(L::CurrentUserRun, "RwBad Same"));  // the same entry: parked as asked
  EXPECT_EQ(value_at(L::CurrentUserRunParked, "RwBad Same")->text, "C:\\same.exe");
  EXPECT_EQ(file_content(shortcut(L::CurrentUserStartup, "RwBad Hidden")), "hidden");
  EXPECT_EQ(file_content(shortcut(L::CurrentUserStartupParked, "RwBad Hidden")), "parked");
}

// Winlogon's values and the load lines through the real registry: one of
// the wrong type lists nothing, a list of 100,000 programs lists each.
TEST_F(BadInputUnderWine, ProgramListsOfTheWrongTypeOrVeryLongListTruthfully) {
  seed_.value(seeding::list_value(L::Winlogon, 0).first, "Userinit", REG_DWORD, {1, 0, 0, 0});
  std::string many;
  for (int i = 0; i < 100'000; ++i) many += "RwBad" + std::to_string(i) + ".exe,";
  seed_.programs(L::CurrentUserLoad, 0, many);
  scan();
  int listed = 0;
  for (int i = 0; i < list_.count(); ++i) {
    if (list_.tag(i) == static_cast<std::int32_t>(L::Winlogon)) {
      ADD_FAILURE() << "Winlogon lists " << list_.text(i);
    }
    if (list_.text(i).starts_with("RwBad") &&
        list_.tag(i) == static_cast<std::int32_t>(L::CurrentUserLoad)) {
      ++listed;
    }
  }
  EXPECT_EQ(listed, 100'000);
  EXPECT_GE(item("RwBad99999.exe", L::CurrentUserLoad), 0);
}

}  // namespace
}  // namespace rw
