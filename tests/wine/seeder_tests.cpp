// The seeder in the Wine prefix's real registry and folders: each place's
// entries and flags land where Windows and the program keep them (spelled
// out here as Windows lays them out), and whatever the program under test
// did with them, nothing is left behind and nothing that was there is lost.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "support/seeder.h"
#include "support/wine_support.h"

namespace rw::seeding {
namespace {

using win32::narrow;
using win32::UniqueHkey;
using win32::widen;
using L = StartupLocation;

const std::string kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kRun32 = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kParking = "Software\\VB and VBA Program Settings\\Runwarden\\Disabled\\";
const std::string kTypes = "Software\\VB and VBA Program Settings\\Runwarden\\Types\\";
const std::string kApproved =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";
const std::string kScratch = "Software\\RunwardenSeederTest";

std::vector<std::wstring> names_at(const Key& key) {
  std::vector<std::wstring> names;
  UniqueHkey opened;
  if (::RegOpenKeyExW(wine_support::root_of(key.hive), widen(key.path).c_str(), 0,
                      KEY_READ | KEY_WOW64_64KEY, opened.put()) != ERROR_SUCCESS)
    return names;
  wchar_t name[16384];
  for (DWORD index = 0, length = 16384; ::RegEnumValueW(opened.get(), index, name, &length, nullptr,
                                                        nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       ++index, length = 16384)
    names.emplace_back(name, length);
  return names;
}

std::optional<std::vector<BYTE>> value_at(const Key& key, const std::string& name) {
  std::vector<BYTE> data(1024);
  auto size = static_cast<DWORD>(data.size());
  if (::RegGetValueW(wine_support::root_of(key.hive), widen(key.path).c_str(), widen(name).c_str(),
                     RRF_RT_ANY | RRF_NOEXPAND | RRF_SUBKEY_WOW6464KEY, nullptr, data.data(),
                     &size) != ERROR_SUCCESS)
    return std::nullopt;
  data.resize(size);
  return data;
}

// The names of the key that the tests here seed.
std::vector<std::wstring> seeded_at(const Key& key) {
  std::vector<std::wstring> seeded;
  for (const std::wstring& name : names_at(key)) {
    if (name.starts_with(L"RwSeed") || name.starts_with(L"  padded")) seeded.push_back(name);
  }
  return seeded;
}

bool exists(const std::string& path) {
  return ::GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string shell_folder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return narrow(path);
}

class SeederUnderWine : public ::testing::Test {
 protected:
  SeederUnderWine() {
    wchar_t temp[MAX_PATH + 1];
    program_ = narrow(std::wstring_view(temp, ::GetTempPathW(MAX_PATH + 1, temp))) + "rw-seeder";
    folders_ = {shell_folder(CSIDL_COMMON_STARTUP), shell_folder(CSIDL_STARTUP), program_};
  }
  void SetUp() override { ASSERT_TRUE(::CreateDirectoryW(widen(program_).c_str(), nullptr)); }
  // Fails when the seeder left a parking folder behind.
  void TearDown() override { EXPECT_TRUE(::RemoveDirectoryW(widen(program_).c_str())); }

  std::string program_;
  ShortcutFolders folders_;
};

TEST_F(SeederUnderWine, WritesEachPlacesEntryAndFlagWhereWindowsAndTheProgramKeepThem) {
  const std::string user = folders_.current_user_startup, machine = folders_.all_users_startup;
  constexpr Hive kUser = kHkeyCurrentUser, kMachine = kHkeyLocalMachine;
  const struct {
    L location;
    Hive hive;       // a Run value's; 0 for a shortcut
    std::string at;  // the Run value's key, or the shortcut's folder
    Hive flag_hive;
    std::string flag_tail;
  } cases[] = {
      {L::AllUsersRun, kMachine, kRun, kMachine, "Run"},
      {L::CurrentUserRun, kUser, kRun, kUser, "Run"},
      {L::AllUsersRun32, kMachine, kRun32, kMachine, "Run32"},
      {L::AllUsersRunParked, kUser, kParking + "-2147483646", kMachine, "Run"},
      {L::CurrentUserRunParked, kUser, kParking + "-2147483647", kUser, "Run"},
      {L::AllUsersRun32Parked, kUser, kParking + "-2147483646 32-bit", kMachine, "Run32"},
      {L::AllUsersStartup, 0, machine, kMachine, "StartupFolder"},
      {L::CurrentUserStartup, 0, user, kUser, "StartupFolder"},
      {L::AllUsersStartupParked, 0, program_ + "\\DISABLED\\All Users", kMachine, "StartupFolder"},
      {L::CurrentUserStartupParked, 0, program_ + "\\DISABLED\\Default User", kUser,
       "StartupFolder"},
  };
  Seeder seed("RwSeed ", folders_);
  for (const auto& c : cases) {
    const std::string name = "RwSeed " + std::string(place(c.location).name);
    SCOPED_TRACE(name);
    if (c.hive != 0) {
      seed.text(c.location, name, "C:\\x.exe");
      EXPECT_EQ(value_at({c.hive, c.at}, name), text_to_registry_bytes("C:\\x.exe"));
    } else {
      seed.shortcut(c.location, name, "bytes");
      EXPECT_TRUE(exists(c.at + "\\" + name + ".lnk"));
    }
    EXPECT_TRUE(seed.holds(c.location, name));
    EXPECT_FALSE(seed.holds(*place(c.location).partner, name));
    seed.flag(c.location, name, 0x07);
    const std::string flag = name + (c.hive == 0 ? ".lnk" : "");
    EXPECT_EQ(value_at({c.flag_hive, kApproved + c.flag_tail}, flag), flag_bytes(0x07));
    EXPECT_EQ(seed.flag_now(c.location, name), 0x07);
  }
  // The 64-bit view of the machine's Run key holds only its own.
  EXPECT_EQ(seeded_at({kHkeyLocalMachine, kRun}), std::vector<std::wstring>{L"RwSeed AllUsersRun"});
}

// As Exit would: each entry moved to its partner place, its flag set off
// and, for an expandable string, its type recorded. The seeder finds it
// there too, and what was in the prefix before stays.
TEST_F(SeederUnderWine, TakesBackWhatTheProgramMovedAndPutsBackWhatWasThere) {
  const Key scratch{kHkeyCurrentUser, kScratch};
  write_value(scratch, "RwSeed kept", REG_SZ, text_to_registry_bytes("before"));
  write_value(scratch, "RwSeed", REG_SZ, text_to_registry_bytes("the short name"));
  {
    Seeder seed("RwSeed ", folders_);
    seed.text(L::CurrentUserRun, "RwSeed Moved", "C:\\moved.exe");
    seed.text(L::AllUsersRun32, "  padded", "C:\\padded.exe");  // no prefix: known by its name
    seed.shortcut(L::CurrentUserStartup, "RwSeed Link", "link");
    write_value({kHkeyCurrentUser, kParking + "-2147483647"}, "RwSeed Moved", REG_SZ, {});
    write_value({kHkeyCurrentUser, kTypes + "-2147483647"}, "RwSeed Moved", REG_SZ, {});
    write_value({kHkeyCurrentUser, kApproved + "Run"}, "RwSeed Moved", REG_BINARY, flag_bytes(3));
    write_value({kHkeyCurrentUser, kParking + "-2147483646 32-bit"}, "  padded", REG_SZ, {});
    write_value({kHkeyLocalMachine, kApproved + "Run32"}, "  padded", REG_BINARY, flag_bytes(3));
    write_value({kHkeyCurrentUser, kApproved + "StartupFolder"}, "RwSeed Link.lnk", REG_BINARY,
                flag_bytes(3));
    seed.folder(program_ + "\\DISABLED");
    seed.folder(program_ + "\\DISABLED\\Default User");
    ASSERT_TRUE(::MoveFileW(
        widen(seed.folder_of(L::CurrentUserStartup) + "\\RwSeed Link.lnk").c_str(),
        widen(seed.folder_of(L::CurrentUserStartupParked) + "\\RwSeed Link.lnk").c_str()));
    seed.text(scratch, "RwSeed kept", "after");
    // Only the native calls reach it whole; the plain ones reach "RwSeed".
    seed.value(scratch, std::string("RwSeed\0hidden", 13), REG_SZ, text_to_registry_bytes("NUL"));
    ASSERT_EQ(names_at(scratch).size(), 3u);
  }
  for (const std::string& key :
       {kParking + "-2147483647", kParking + "-2147483646 32-bit", kTypes + "-2147483647",
        kApproved + "Run", kApproved + "StartupFolder", std::string(kRun)}) {
    EXPECT_TRUE(seeded_at({kHkeyCurrentUser, key}).empty()) << key;
  }
  EXPECT_TRUE(seeded_at({kHkeyLocalMachine, kApproved + "Run32"}).empty());
  EXPECT_FALSE(exists(program_ + "\\DISABLED\\Default User\\RwSeed Link.lnk"));
  EXPECT_EQ(value_at(scratch, "RwSeed kept"), text_to_registry_bytes("before"));
  EXPECT_EQ(value_at(scratch, "RwSeed"), text_to_registry_bytes("the short name"));
  EXPECT_EQ(names_at(scratch).size(), 2u);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, widen(kScratch).c_str());
}

TEST_F(SeederUnderWine, RemovesTheKeysAndFoldersItMadeUnlessSomeoneElseFilledThem) {
  const std::string kept = program_ + "\\DISABLED\\All Users";
  {
    Seeder seed("RwSeed ", folders_);
    seed.text({kHkeyCurrentUser, kScratch + "\\Deep\\Er"}, "RwSeed", "x");
    seed.file(program_ + "\\RwSeed hidden.lnk", "x", FILE_ATTRIBUTE_HIDDEN);
    seed.shortcut(L::AllUsersStartupParked, "RwSeed Parked", "x");
    seed.shortcut(L::CurrentUserStartupParked, "RwSeed Parked", "x");
    ::CopyFileW(widen(kept + "\\RwSeed Parked.lnk").c_str(), widen(kept + "\\other.lnk").c_str(),
                FALSE);
  }
  EXPECT_FALSE(wine_support::key_exists(kHkeyCurrentUser, widen(kScratch)));
  EXPECT_FALSE(exists(program_ + "\\RwSeed hidden.lnk"));
  EXPECT_FALSE(exists(program_ + "\\DISABLED\\Default User"));
  EXPECT_TRUE(exists(kept + "\\other.lnk"));
  wine_support::remove_tree(widen(program_ + "\\DISABLED"));
}

TEST_F(SeederUnderWine, StartsByTakingWhatAnEarlierSeederOfThePrefixLeft) {
  write_value({kHkeyCurrentUser, kRun}, "RwSeed Left", REG_SZ, text_to_registry_bytes("x"));
  write_value({kHkeyCurrentUser, kRun}, "RwSeeds", REG_SZ, text_to_registry_bytes("x"));
  Seeder seed("RwSeed ", folders_);
  EXPECT_FALSE(seed.holds(L::CurrentUserRun, "RwSeed Left"));
  EXPECT_TRUE(seed.holds(L::CurrentUserRun, "RwSeeds"));
  ::RegDeleteKeyValueW(HKEY_CURRENT_USER, widen(kRun).c_str(), L"RwSeeds");
}

TEST_F(SeederUnderWine, AFailureNamesTheCallThePathAndTheStatus) {
  Seeder seed("RwSeed ", folders_);
  seed.file(program_ + "\\RwSeed twice", "x");
  const struct {
    const char* what;
    void (*act)(Seeder&, const std::string&);
    std::string words;
  } cases[] = {
      {"a file that is there",
       [](Seeder& s, const std::string& at) { s.file(at + "\\RwSeed twice"); },
       "CreateFileW failed for \"" + program_ + "\\RwSeed twice\""},
      {"a folder under none", [](Seeder& s, const std::string& at) { s.folder(at + "\\no\\such"); },
       "CreateDirectoryW failed for \"" + program_ + "\\no\\such\""},
      {"a Run value of a shortcut place",
       [](Seeder& s, const std::string&) { s.text(L::CurrentUserStartup, "RwSeed", "x"); },
       "CurrentUserStartup has no key"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      c.act(seed, program_);
      ADD_FAILURE() << "nothing was raised";
    } catch (const std::exception& error) {
      EXPECT_NE(std::string(error.what()).find(c.words), std::string::npos) << error.what();
    }
  }
}

}  // namespace
}  // namespace rw::seeding
