// The start-up scan over the Win32 layer, in the Wine prefix's real registry
// and real folders: entries are seeded, at keys and paths spelled out here,
// into the Run keys, the parking sections of the settings store, the Startup
// folders and the parking folders beside this program, and the scan must
// list each once, with its place and its checkbox. The seeder puts back
// everything as it was afterwards: values restored or deleted, keys and
// files that the test made removed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <string>
#include <vector>

#include "catalogue/operations.h"
#include "catalogue/scan.h"
#include "expected_version.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"
#include "signed_programs.h"
#include "support/seeder.h"
#include "support/wine_support.h"

namespace rw {
namespace {

using win32::narrow;
using win32::widen;
using wine_support::key_exists;
using wine_support::remove_tree;

std::vector<std::uint8_t> string_bytes(std::string_view text, bool with_nul = true) {
  std::vector<std::uint8_t> bytes = text_to_registry_bytes(text);
  if (!with_nul) bytes.resize(bytes.size() - 2);
  return bytes;
}

std::wstring module_path() {
  std::vector<wchar_t> buffer(32768, L'\0');
  const DWORD length =
      ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  return std::wstring(buffer.data(), length);
}

std::wstring module_folder() {
  const std::wstring path = module_path();
  return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring shell_folder(int csidl) {
  wchar_t buffer[MAX_PATH + 1] = {};
  ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer);
  return buffer;
}

// The scan shows nothing of its own; a dialog would be a fault.
class NoDialogs final : public Dialogs {
 public:
  int message_box(std::string_view prompt, int, std::string_view) override {
    ADD_FAILURE() << "message box: " << prompt;
    return mb::kResultOk;
  }
  std::string input_box(std::string_view prompt, std::string_view, std::string_view) override {
    ADD_FAILURE() << "prompt: " << prompt;
    return {};
  }
  OpenFileResult open_file(const OpenFileRequest& request) override {
    ADD_FAILURE() << "file dialog: " << request.title;
    return {};
  }
};

// Where the entries go, spelled out rather than asked of the code under test.
const seeding::Key kUserParking{
    kHkeyCurrentUser, "Software\\VB and VBA Program Settings\\Runwarden\\Disabled\\-2147483647"};
const seeding::Key kMachineParking{
    kHkeyCurrentUser, "Software\\VB and VBA Program Settings\\Runwarden\\Disabled\\-2147483646"};
const seeding::Key kUserRun{kHkeyCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"};
const seeding::Key kMachineRun{kHkeyLocalMachine,
                               "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"};

class ScanUnderWine : public ::testing::Test {
 protected:
  ScanUnderWine()
      : platform_(services_.platform(dialogs_)),
        catalogue_{platform_, list_},
        program_folder_(module_folder()),
        parking_root_(program_folder_ + L"\\DISABLED") {}

  void SetUp() override {
    // The parking folders beside this test program belong to it alone.
    parking_existed_ = ::GetFileAttributesW(parking_root_.c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  void TearDown() override {
    if (!parking_existed_) remove_tree(parking_root_);
  }

  void seed_and_scan(seeding::Seeder& seed, const std::string& user_startup,
                     const std::string& common_startup, const std::string& long_name);
  // How many items have this text and tag.
  int count_of(const std::string& text, StartupLocation location) {
    int found = 0;
    for (int i = 0; i < list_.count(); ++i) {
      if (list_.text(i) == text && list_.tag(i) == static_cast<std::int32_t>(location)) ++found;
    }
    return found;
  }
  std::vector<std::string> texts() {
    std::vector<std::string> out;
    for (int i = 0; i < list_.count(); ++i) out.push_back(list_.text(i));
    return out;
  }

  win32::Win32Services services_;
  NoDialogs dialogs_;
  Platform platform_;
  SortedEntryList list_{services_.text_rules};
  Catalogue catalogue_;
  std::wstring program_folder_;
  std::wstring parking_root_;
  bool parking_existed_ = false;
};

TEST_F(ScanUnderWine, ListsEverySeededEntryWithItsPlaceAndTicksExactlyTheActiveOnes) {
  const std::string user_startup = narrow(shell_folder(CSIDL_STARTUP));
  const std::string common_startup = narrow(shell_folder(CSIDL_COMMON_STARTUP));
  ASSERT_FALSE(user_startup.empty());
  ASSERT_FALSE(common_startup.empty());
  const std::string long_name = "RwScan " + std::string(2093, 'L');  // 2100 characters
  const bool machine_run_existed = key_exists(kHkeyLocalMachine, widen(kMachineRun.path));
  const bool settings_existed =
      key_exists(kHkeyCurrentUser, L"Software\\VB and VBA Program Settings\\Runwarden");
  {
    seeding::Seeder seed("RwScan ");
    seed_and_scan(seed, user_startup, common_startup, long_name);
  }
  EXPECT_EQ(key_exists(kHkeyLocalMachine, widen(kMachineRun.path)), machine_run_existed);
  EXPECT_EQ(key_exists(kHkeyCurrentUser, L"Software\\VB and VBA Program Settings\\Runwarden"),
            settings_existed);
  EXPECT_EQ(::GetFileAttributesW(widen(user_startup + "\\RwScan Mine.lnk").c_str()),
            INVALID_FILE_ATTRIBUTES);
}

void ScanUnderWine::seed_and_scan(seeding::Seeder& seed, const std::string& user_startup,
                                  const std::string& common_startup, const std::string& long_name) {
  seed.text(kMachineRun, "RwScan Tool", "C:\\machine\\tool.exe");
  seed.text(kMachineRun, long_name, "C:\\long.exe");
  seed.value(kMachineRun, "RwScan Bare", REG_SZ, string_bytes("C:\\bare.exe", false));
  seed.text(kMachineRun, "RwScan Zafter", "C:\\after.exe");
  seed.text(kUserRun, "RwScan Tool", "C:\\user\\tool.exe");
  seed.value(kUserRun, "RwScan Expand", REG_EXPAND_SZ, string_bytes("%windir%\\x.exe"));
  seed.value(kUserRun, "RwScan Number", REG_DWORD, {1, 0, 0, 0});
  seed.text(kUserRun, "RwScan Программа 启动 🚀", "C:\\ü.exe");
  seed.text(kUserParking, "RwScan Parked", "C:\\parked.exe");
  seed.text(kUserParking, "", "C:\\default.exe");
  seed.text(kMachineParking, "RwScan Tool", "C:\\machine\\tool.exe");

  const std::string parking_root = narrow(parking_root_);
  seed.file(user_startup + "\\RwScan Mine.lnk");
  seed.file(user_startup + "\\RwScan UPPER.LNK");
  seed.file(user_startup + "\\RwScan Ярлык 🚀.lnk");
  seed.file(user_startup + "\\RwScan hidden.lnk", {}, FILE_ATTRIBUTE_HIDDEN);
  seed.file(user_startup + "\\RwScan notes.txt");
  seed.folder(user_startup + "\\RwScan folder.lnk");
  seed.file(common_startup + "\\RwScan Ours.lnk");
  seed.file(common_startup + "\\RwScan system.lnk", {}, FILE_ATTRIBUTE_SYSTEM);
  seed.file(common_startup + "\\.lnk");
  seed.folder(parking_root);
  seed.folder(parking_root + "\\Default User");
  seed.folder(parking_root + "\\All Users");
  seed.file(parking_root + "\\Default User\\RwScan Mine.lnk");
  seed.file(parking_root + "\\All Users\\RwScan Ours.lnk");

  const ScanResult result = run_scan(catalogue_);
  EXPECT_EQ(result.caption, testing::expected_caption());
  EXPECT_THAT(result.problems, ::testing::IsEmpty());
  EXPECT_EQ(catalogue_.folders.of(place(StartupLocation::CurrentUserStartup)), user_startup);
  EXPECT_EQ(catalogue_.folders.of(place(StartupLocation::AllUsersStartup)), common_startup);
  EXPECT_EQ(list_.current(), -1);

  struct Expected {
    std::string text;
    StartupLocation location;
  };
  const Expected expected[] = {
      {"RwScan Tool", StartupLocation::AllUsersRun},
      {long_name, StartupLocation::AllUsersRun},
      {"RwScan Bare", StartupLocation::AllUsersRun},
      {"RwScan Zafter", StartupLocation::AllUsersRun},
      {"RwScan Tool", StartupLocation::CurrentUserRun},
      {"RwScan Expand", StartupLocation::CurrentUserRun},
      {"RwScan Number", StartupLocation::CurrentUserRun},
      {"RwScan Программа 启动 🚀", StartupLocation::CurrentUserRun},
      {"RwScan Parked", StartupLocation::CurrentUserRunParked},
      {"", StartupLocation::CurrentUserRunParked},
      {"RwScan Tool", StartupLocation::AllUsersRunParked},
      {"RwScan Mine", StartupLocation::CurrentUserStartup},
      {"RwScan UPPER", StartupLocation::CurrentUserStartup},
      {"RwScan Ярлык 🚀", StartupLocation::CurrentUserStartup},
      {"RwScan Ours", StartupLocation::AllUsersStartup},
      {"", StartupLocation::AllUsersStartup},
      {"RwScan Mine", StartupLocation::CurrentUserStartupParked},
      {"RwScan Ours", StartupLocation::AllUsersStartupParked},
  };
  for (const Expected& entry : expected) {
    EXPECT_EQ(count_of(entry.text, entry.location), 1)
        << "\"" << entry.text.substr(0, 40) << "\" with tag " << static_cast<int>(entry.location);
  }
  for (const char* absent : {"RwScan hidden", "RwScan system", "RwScan notes", "RwScan folder"}) {
    EXPECT_THAT(texts(), ::testing::Not(::testing::Contains(std::string(absent))));
  }
  for (int i = 0; i < list_.count(); ++i) {
    const PlaceInfo* info = find_place(list_.tag(i));
    ASSERT_NE(info, nullptr) << list_.text(i);
    EXPECT_EQ(list_.checked(i), info->active) << list_.text(i);
  }
}

// Listing writes nothing: parking folders that do not exist yet hold no
// entries, and are left for the first shortcut parked to make.
TEST_F(ScanUnderWine, MakesNoParkingFolderWhenTheyAreMissing) {
  remove_tree(parking_root_);  // left by an earlier run of this program
  ASSERT_EQ(::GetFileAttributesW(parking_root_.c_str()), INVALID_FILE_ATTRIBUTES);
  const ScanResult result = run_scan(catalogue_);
  EXPECT_THAT(result.problems, ::testing::IsEmpty());
  EXPECT_EQ(::GetFileAttributesW(parking_root_.c_str()), INVALID_FILE_ATTRIBUTES);
  parking_existed_ = false;
}

// COM is for reading what a shortcut points to, which only an entry's
// details need, and comdlg32 for Add's file dialog. The scan lists
// shortcuts without reading them, so a start loads neither. (version.dll,
// which only the details need too, cannot be told apart here: Wine's own
// user32 loads it into every process that has user32.)
TEST_F(ScanUnderWine, ListsAShortcutWithoutLoadingComOrTheFileDialog) {
  constexpr const wchar_t* kNotForTheScan[] = {L"ole32.dll", L"oleaut32.dll", L"comdlg32.dll"};
  for (const wchar_t* dll : kNotForTheScan) {
    ASSERT_EQ(::GetModuleHandleW(dll), nullptr)
        << narrow(dll) << " is loaded before the scan, so this test cannot tell what loads it";
  }
  const std::wstring shortcut = shell_folder(CSIDL_STARTUP) + L"\\RwScan Com.lnk";
  seeding::Seeder seed("RwScan ");
  seed.file(narrow(shortcut));

  // As the window's start scans: the tasks, which need COM, are read after it shows.
  run_scan(catalogue_, Places::Now);
  EXPECT_EQ(count_of("RwScan Com", StartupLocation::CurrentUserStartup), 1);
  for (const wchar_t* dll : kNotForTheScan) {
    EXPECT_EQ(::GetModuleHandleW(dll), nullptr) << narrow(dll) << " was loaded by the scan";
  }

  // Whether the empty file reads as a shortcut does not matter: asking loads COM.
  try {
    services_.programs.read_shortcut(narrow(shortcut));
  } catch (const PlatformError&) {
  }
  EXPECT_NE(::GetModuleHandleW(L"ole32.dll"), nullptr) << "a shortcut was read without COM";
}

// A signature check needs wintrust, crypt32 and bcrypt, and the first one
// in a process costs a tenth of a second while the trusted roots load. The
// scan checks none, so a start loads none of them; a check does.
TEST_F(ScanUnderWine, ListsWithoutLoadingWhatSignatureChecksNeed) {
  constexpr const wchar_t* kForChecks[] = {L"wintrust.dll", L"crypt32.dll", L"bcrypt.dll"};
  for (const wchar_t* dll : kForChecks) {
    ASSERT_EQ(::GetModuleHandleW(dll), nullptr)
        << narrow(dll) << " is loaded before the scan, so this test cannot tell what loads it";
  }
  run_scan(catalogue_);
  for (const wchar_t* dll : kForChecks) {
    EXPECT_EQ(::GetModuleHandleW(dll), nullptr) << narrow(dll) << " was loaded by the scan";
  }
  const std::string program = narrow(module_path());  // built here, so not signed
  EXPECT_EQ(services_.programs.signature(program).state, SignatureState::kNotSigned);
  EXPECT_EQ(services_.programs.sha256(program).value_or("").size(), 64u);
  for (const wchar_t* dll : kForChecks) {
    EXPECT_NE(::GetModuleHandleW(dll), nullptr) << narrow(dll) << " was not loaded by a check";
  }
}

// The message boxes' texts, for Details, which shows one.
class KeptDialogs final : public Dialogs {
 public:
  int message_box(std::string_view prompt, int, std::string_view) override {
    prompts.emplace_back(prompt);
    return mb::kResultOk;
  }
  std::string input_box(std::string_view, std::string_view, std::string_view) override {
    return {};
  }
  OpenFileResult open_file(const OpenFileRequest&) override { return {}; }
  std::vector<std::string> prompts;
};

TEST_F(ScanUnderWine, DetailsSayWhoSignedTheEntrysProgram) {
  const std::wstring made = wine_support::signed_programs_folder();
  if (made.empty()) GTEST_SKIP() << "no signed test programs: openssl or osslsigncode was missing";
  const wine_support::TrustedTestRoot root;  // before the process's first check
  ASSERT_TRUE(root.trusted());
  const std::wstring program = program_folder_ + L"\\rw-details-signed.exe";
  ASSERT_TRUE(::CopyFileW((made + L"\\signed.exe").c_str(), program.c_str(), FALSE));
  KeptDialogs shown;
  Platform platform = services_.platform(shown);
  SortedEntryList list{services_.text_rules};
  Catalogue catalogue{platform, list};
  {
    seeding::Seeder seed("RwDetails ");
    seed.text(kUserRun, "RwDetails Signed", "\"" + narrow(program) + "\" /tray");
    run_scan(catalogue);
    for (int i = 0; i < list.count(); ++i) {
      if (list.text(i) == "RwDetails Signed") list.set_current(i);
    }
    ASSERT_GE(list.current(), 0);
    show_details(catalogue);
  }
  ::DeleteFileW(program.c_str());
  ASSERT_EQ(shown.prompts.size(), 1u);
  EXPECT_THAT(shown.prompts[0],
              ::testing::HasSubstr("\nSigned by " + std::string(signed_programs::kTrustedSigner)));
}

TEST_F(ScanUnderWine, AMachineRunKeyThatIsNotThereListsNothingAndIsNoProblem) {
  if (key_exists(kHkeyLocalMachine, widen(kMachineRun.path))) {
    GTEST_SKIP() << "this prefix has a machine Run key";
  }
  const ScanResult result = run_scan(catalogue_);
  EXPECT_THAT(result.problems, ::testing::IsEmpty());
  for (int i = 0; i < list_.count(); ++i) {
    EXPECT_NE(list_.tag(i), static_cast<std::int32_t>(StartupLocation::AllUsersRun));
  }
}

}  // namespace
}  // namespace rw
