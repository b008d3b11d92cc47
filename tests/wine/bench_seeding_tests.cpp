// The benchmarks' seeder and floors in the Wine prefix's real registry: each
// place is seeded where Windows and the program keep it (the 32-bit Run view
// apart from the 64-bit one), Windows' on/off flags are written as Windows
// writes them, the floor reads all of it, and nothing is left behind.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "bench/floors.h"
#include "bench/seeding.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"

namespace rw::bench {
namespace {

using win32::narrow;
using win32::UniqueHkey;
using win32::widen;

// Where the entries are, spelt out as Windows lays the registry out.
struct Key {
  HKEY root;
  std::wstring path;
};
const std::wstring kRun = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kRun32 = L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kParking = L"Software\\VB and VBA Program Settings\\Runwarden\\Disabled\\";
const std::wstring kApproved =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved";

UniqueHkey open(const Key& key) {
  UniqueHkey opened;
  ::RegOpenKeyExW(key.root, key.path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, opened.put());
  return opened;
}

std::optional<std::vector<BYTE>> value_of(const Key& key, const std::string& name) {
  std::vector<BYTE> data(1024);
  auto size = static_cast<DWORD>(data.size());
  if (::RegQueryValueExW(open(key).get(), widen(name).c_str(), nullptr, nullptr, data.data(),
                         &size) != ERROR_SUCCESS)
    return std::nullopt;
  data.resize(size);
  return data;
}

// How many of the key's values a benchmark seeded.
int seeded_values_in(const Key& key) {
  const UniqueHkey opened = open(key);
  int seeded = 0;
  wchar_t name[16384];
  for (DWORD index = 0, length = 16384; ::RegEnumValueW(opened.get(), index, name, &length, nullptr,
                                                        nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       ++index, length = 16384) {
    seeded += narrow(std::wstring_view(name, length)).rfind(kSeedPrefix, 0) == 0;
  }
  return seeded;
}

class BenchSeeding : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    folder_ = narrow(std::wstring_view(temp, length)) + "rw-bench-seeding";
    ASSERT_TRUE(::CreateDirectoryW(widen(folder_).c_str(), nullptr)) << folder_;
  }
  // Empty unless the seeder left a parking folder behind.
  void TearDown() override { EXPECT_TRUE(::RemoveDirectoryW(widen(folder_).c_str())) << folder_; }

  std::string folder_;
};

TEST_F(BenchSeeding, EachRunValueIsStoredInItsOwnPlaceAndViewOnly) {
  const std::vector<std::pair<StartupLocation, Key>> places = {
      {StartupLocation::AllUsersRun, {HKEY_LOCAL_MACHINE, kRun}},
      {StartupLocation::AllUsersRun32, {HKEY_LOCAL_MACHINE, kRun32}},
      {StartupLocation::CurrentUserRun, {HKEY_CURRENT_USER, kRun}},
      {StartupLocation::AllUsersRunParked, {HKEY_CURRENT_USER, kParking + L"-2147483646"}},
      {StartupLocation::AllUsersRun32Parked, {HKEY_CURRENT_USER, kParking + L"-2147483646 32-bit"}},
      {StartupLocation::CurrentUserRunParked, {HKEY_CURRENT_USER, kParking + L"-2147483647"}},
  };
  Seeder seeder(folder_);
  std::vector<StartupLocation> locations;
  for (const auto& [location, key] : places) locations.push_back(location);
  seeder.seed(locations, static_cast<int>(places.size()));
  for (std::size_t seeded = 0; seeded < places.size(); ++seeded) {
    const std::string& name = seeder.entries()[seeded].name;
    for (std::size_t at = 0; at < places.size(); ++at) {
      EXPECT_EQ(value_of(places[at].second, name).has_value(), at == seeded)
          << place(places[seeded].first).name << " entry in " << narrow(places[at].second.path);
    }
  }
}

TEST_F(BenchSeeding, OneActiveEntryInAHundredIsSwitchedOffAndOneSwitchedOnAsWindowsWritesIt) {
  const StartupLocation active[] = {StartupLocation::AllUsersRun, StartupLocation::AllUsersRun32,
                                    StartupLocation::CurrentUserStartup};
  const Key machine_run{HKEY_LOCAL_MACHINE, kApproved + L"\\Run"};
  const Key machine_run32{HKEY_LOCAL_MACHINE, kApproved + L"\\Run32"};
  const Key user_folder{HKEY_CURRENT_USER, kApproved + L"\\StartupFolder"};
  struct Expected {
    std::size_t entry;
    Key key;
    std::string suffix;
    std::optional<BYTE> flag;  // none: no value at all
  };
  const Expected cases[] = {
      {0, machine_run, "", 0x03},           {100, machine_run32, "", 0x07},
      {200, user_folder, ".lnk", 0x03},     {300, machine_run, "", 0x07},
      {50, user_folder, ".lnk", 0x02},      {150, machine_run, "", 0x02},
      {250, machine_run32, "", 0x02},       {1, machine_run32, "", std::nullopt},
      {399, machine_run, "", std::nullopt},
  };
  Seeder seeder(folder_);
  seeder.seed(active, 400, Flags::SomeSwitchedOff);
  for (const Expected& expected : cases) {
    const std::string& name = seeder.entries()[expected.entry].name;
    const auto value = value_of(expected.key, name + expected.suffix);
    ASSERT_EQ(value.has_value(), expected.flag.has_value()) << "entry " << expected.entry;
    if (!value) continue;
    ASSERT_EQ(value->size(), 12u) << "entry " << expected.entry;
    EXPECT_EQ((*value)[0], *expected.flag) << "entry " << expected.entry;
    EXPECT_EQ(std::vector<BYTE>(value->begin() + 1, value->begin() + 4), std::vector<BYTE>(3, 0));
    const bool dated = std::any_of(value->begin() + 4, value->end(), [](BYTE b) { return b; });
    EXPECT_EQ(dated, (*expected.flag & 1) != 0) << "entry " << expected.entry << ": the time";
  }
}

TEST_F(BenchSeeding, TheScanFloorSeesEverySeededEntryAndReadsEverySeededFlag) {
  Seeder seeder(folder_);
  // Other tests may have left entries and flags of their own.
  const std::size_t entries_before = enumerate_places(seeder.places()).entries;
  const Enumerated flags_before = read_flag_keys();
  // 150 values and 20 shortcuts in active places: off at 0 and 100, on at 50 and 150.
  seeder.seed(kRunValuePlaces, 300, Flags::SomeSwitchedOff);
  seeder.seed(kShortcutPlaces, 40, Flags::SomeSwitchedOff);
  // More in the 32-bit view than in the 64-bit one, so that reading one
  // view twice cannot add up to the same.
  const StartupLocation view32[] = {StartupLocation::AllUsersRun32};
  seeder.seed(view32, 7);
  const Enumerated all = enumerate_places(seeder.places());
  EXPECT_EQ(all.entries - entries_before, 347u);
  EXPECT_EQ(all.flags - flags_before.flags, 4u);
  EXPECT_EQ(all.switched_off - flags_before.switched_off, 2u);
  const Enumerated flags = read_flag_keys();
  EXPECT_EQ(flags.flags - flags_before.flags, 4u);
  EXPECT_EQ(flags.switched_off - flags_before.switched_off, 2u);
}

TEST_F(BenchSeeding, LeavesNoKeyNoEntryAndNoFlagBehindThatWasNotThereBefore) {
  const std::vector<Key> keys = {
      {HKEY_LOCAL_MACHINE, kRun},
      {HKEY_LOCAL_MACHINE, kRun32},
      {HKEY_CURRENT_USER, kRun},
      {HKEY_CURRENT_USER, kParking + L"-2147483646"},
      {HKEY_CURRENT_USER, kParking + L"-2147483647"},
      {HKEY_LOCAL_MACHINE, kApproved},
      {HKEY_LOCAL_MACHINE, kApproved + L"\\Run"},
      {HKEY_LOCAL_MACHINE, kApproved + L"\\Run32"},
      {HKEY_LOCAL_MACHINE, kApproved + L"\\StartupFolder"},
      {HKEY_CURRENT_USER, kApproved + L"\\Run"},
      {HKEY_CURRENT_USER, kApproved + L"\\StartupFolder"},
      {HKEY_CURRENT_USER, kParking + L"-2147483646 32-bit"},
  };
  std::vector<bool> existed;
  for (const Key& key : keys) existed.push_back(static_cast<bool>(open(key)));
  {
    Seeder seeder(folder_);
    seeder.seed(kRunValuePlaces, 600, Flags::SomeSwitchedOff);
    seeder.seed(kShortcutPlaces, 8, Flags::SomeSwitchedOff);
    // As Exit does when it parks an entry: its flag set off under its partner's key.
    const SeededEntry& parked = seeder.entries()[5];
    ASSERT_EQ(parked.location, StartupLocation::AllUsersRun32Parked);
    UniqueHkey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kApproved + L"\\Run32").c_str(), 0, nullptr, 0,
                                KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    const std::vector<std::uint8_t> off = seeding::flag_bytes(flag::kOffByTaskManager);
    ASSERT_EQ(::RegSetValueExW(key.get(), widen(parked.name).c_str(), 0, REG_BINARY, off.data(),
                               static_cast<DWORD>(off.size())),
              ERROR_SUCCESS);
    seeder.reset();
  }
  for (std::size_t index = 0; index < keys.size(); ++index) {
    EXPECT_EQ(static_cast<bool>(open(keys[index])), existed[index]) << narrow(keys[index].path);
    EXPECT_EQ(seeded_values_in(keys[index]), 0) << narrow(keys[index].path);
  }
}

}  // namespace
}  // namespace rw::bench
