// runwarden-cli as a script runs it: a copy of the built program in a
// scratch folder of its own (so its parking folders are the test's), run as
// a child process with its output read from pipes, over the Wine prefix's
// real registry and Startup folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "signed_programs.h"
#include "support/seeder.h"
#include "support/wine_support.h"

namespace rw {
namespace {

using ::testing::HasSubstr;
using win32::narrow;
using win32::UniqueFile;
using win32::UniqueKernelHandle;
using win32::widen;

const std::wstring kRun = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kParked =
    L"Software\\VB and VBA Program Settings\\Runwarden\\Disabled\\-2147483647";

struct Ran {
  DWORD status = 0;
  std::string out, err;
};

std::string read_all(HANDLE pipe) {
  std::string text;
  char chunk[4096];
  DWORD got = 0;
  while (::ReadFile(pipe, chunk, sizeof chunk, &got, nullptr) && got > 0) text.append(chunk, got);
  return text;
}

std::wstring startup_folder() {
  wchar_t path[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_STARTUP, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

std::optional<std::wstring> value_at(const std::wstring& key, const std::wstring& name) {
  wchar_t text[1024] = {};
  DWORD size = sizeof text;
  if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, text,
                     &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(text);
}

bool file_exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring scratch_folder() {
  wchar_t temp[MAX_PATH + 1] = {};
  return std::wstring(temp, ::GetTempPathW(MAX_PATH + 1, temp)) + L"RunwardenCli" +
         std::to_wstring(::GetCurrentProcessId());
}

// The seeder takes every name of the run out of every place afterwards.
class CliUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    wine_support::remove_tree(folder_);
    ASSERT_TRUE(::CreateDirectoryW(folder_.c_str(), nullptr));
    // The build's program, through the drive that Wine gives the host's root.
    std::wstring built = L"Z:" + widen(RUNWARDEN_CLI_EXE);
    std::replace(built.begin(), built.end(), L'/', L'\\');
    ASSERT_TRUE(::CopyFileW(built.c_str(), (folder_ + L"\\runwarden-cli.exe").c_str(), FALSE))
        << narrow(built);
  }
  void TearDown() override { wine_support::remove_tree(folder_); }

  // A name of this run's own, so that entries others left are told apart.
  std::wstring named(const std::wstring& base) {
    names_.push_back(widen(prefix_) + base);
    return names_.back();
  }
  void put(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& text) {
    const Hive hive = root == HKEY_LOCAL_MACHINE ? kHkeyLocalMachine : kHkeyCurrentUser;
    seed_.text({hive, narrow(key)}, narrow(name), narrow(text));
  }
  void write_text(const std::wstring& path, const std::string& text) {
    seed_.file(narrow(path), text);
  }

  // With `output_read` false, the output pipe's reader is gone before the
  // program starts, as when a script stops reading: every write to it fails.
  Ran run(const std::vector<std::wstring>& words, bool output_read = true) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out_read = nullptr, out_write = nullptr, err_read = nullptr, err_write = nullptr;
    ::CreatePipe(&out_read, &out_write, &inherit, 0);
    ::CreatePipe(&err_read, &err_write, &inherit, 0);
    UniqueKernelHandle out_reader(out_read), err_reader(err_read);
    if (!output_read) out_reader.reset();
    ::SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(err_read, HANDLE_FLAG_INHERIT, 0);
    std::wstring command = L"\"" + folder_ + L"\\runwarden-cli.exe\"";
    for (const std::wstring& word : words) command += L" \"" + word + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out_write;
    startup.hStdError = err_write;
    PROCESS_INFORMATION started{};
    Ran ran;
    const BOOL ok = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                     nullptr, &startup, &started);
    ::CloseHandle(out_write);
    ::CloseHandle(err_write);
    if (!ok) {
      ADD_FAILURE() << "runwarden-cli did not start: error " << ::GetLastError();
      return ran;
    }
    UniqueKernelHandle process(started.hProcess), thread(started.hThread);
    std::thread errors([&] { ran.err = read_all(err_read); });
    if (output_read) ran.out = read_all(out_read);
    errors.join();
    ::WaitForSingleObject(process.get(), INFINITE);
    ::GetExitCodeProcess(process.get(), &ran.status);
    return ran;
  }

  std::wstring folder_ = scratch_folder();
  std::string prefix_ = "RwCli" + std::to_string(::GetCurrentProcessId()) + " ";
  seeding::Seeder seed_{prefix_, seeding::shortcut_folders(narrow(folder_))};
  std::vector<std::wstring> names_;
};

TEST_F(CliUnderWine, ListJsonKeepsNamesOutsideTheCodePageWhole) {
  const std::wstring name = named(L"Диспетчер задач 任务 🚀");
  put(HKEY_CURRENT_USER, kRun, name, L"\"C:\\windows\\notepad.exe\" /x");
  const Ran ran = run({L"list", L"--json"});
  ASSERT_EQ(ran.status, 0u) << ran.err;
  const auto entries = nlohmann::json::parse(ran.out);
  const auto found = std::find_if(entries.begin(), entries.end(),
                                  [&](const auto& entry) { return entry["name"] == narrow(name); });
  ASSERT_NE(found, entries.end()) << ran.out;
  EXPECT_EQ((*found)["place"], "CurrentUserRun");
  EXPECT_EQ((*found)["enabled"], true);
  EXPECT_EQ((*found)["command"], "\"C:\\windows\\notepad.exe\" /x");
  EXPECT_EQ((*found)["program_missing"], false);
}

TEST_F(CliUnderWine, ListJsonGivesAPackagedStartupTaskWithItsStateAndProgram) {
  const std::string name = narrow(named(L"Chat at logon"));
  const std::string package = narrow(folder_) + "\\Package";
  seed_.packaged_task({"RwCli.Chat_8wekyb3d8bbwe", "ChatStartup", 3,
                       "RwCli.Chat_1.0.0.0_x64__8wekyb3d8bbwe", package,
                       seeding::startup_task_manifest("ChatStartup", name, "Chat.exe")});
  seed_.file(package + "\\Chat.exe", "MZ");
  const Ran ran = run({L"list", L"--json"});
  ASSERT_EQ(ran.status, 0u) << ran.err;
  const auto entries = nlohmann::json::parse(ran.out);
  const auto found = std::find_if(entries.begin(), entries.end(),
                                  [&](const auto& entry) { return entry["name"] == name; });
  ASSERT_NE(found, entries.end()) << ran.out;
  EXPECT_EQ((*found)["place"], "PackagedStartupTask");
  EXPECT_EQ((*found)["enabled"], false);
  EXPECT_EQ((*found)["off_reason"], "switched off by a policy");
  EXPECT_EQ((*found)["command"], package + "\\Chat.exe");
  EXPECT_EQ((*found)["program"], package + "\\Chat.exe");
  EXPECT_EQ((*found)["program_missing"], false);
}

TEST_F(CliUnderWine, ListFindsProgramsAsAtLogonWithoutAskingTheNetwork) {
  // A program beside runwarden-cli, which is no folder Windows searches at logon.
  ASSERT_TRUE(
      ::CopyFileW(L"C:\\windows\\notepad.exe", (folder_ + L"\\rw-beside.exe").c_str(), FALSE));
  std::wstring words;
  while (words.size() < 200'000) words += L" /x";
  const struct {
    std::wstring base;
    std::wstring command;
    std::optional<std::string> program;
    bool missing;
  } cases[] = {
      {L"Windows folder first", L"notepad.exe /x", "C:\\windows\\notepad.exe", false},
      {L"Not beside the program", L"rw-beside.exe", std::nullopt, true},
      {L"On a share", L"\\\\rw-no-such-server\\share\\x.exe /x",
       "\\\\rw-no-such-server\\share\\x.exe", false},
      {L"Long", L"C:\\rw-gone\\x" + words, std::nullopt, true},
  };
  for (const auto& c : cases) put(HKEY_CURRENT_USER, kRun, named(c.base), c.command);
  const Ran ran = run({L"list", L"--json"});
  ASSERT_EQ(ran.status, 0u) << ran.err;
  const auto entries = nlohmann::json::parse(ran.out);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(narrow(cases[i].base));
    const auto found = std::find_if(entries.begin(), entries.end(), [&](const auto& entry) {
      return entry["name"] == narrow(names_[i]);
    });
    ASSERT_NE(found, entries.end());
    if (cases[i].program) {
      EXPECT_EQ((*found)["program"], *cases[i].program);
    } else {
      EXPECT_TRUE((*found)["program"].is_null()) << (*found)["program"];
    }
    EXPECT_EQ((*found)["program_missing"], cases[i].missing);
  }
}

// Wine's Task Scheduler lists tasks only through their files, and answers a
// switch with success while changing nothing: the one truthful answer then
// is that the task was not switched, with its file as it was.
TEST_F(CliUnderWine, ATaskThatStartsAtLogonIsListedAndAFailedSwitchIsToldNotClaimed) {
  const std::string name = narrow(named(L"Task"));
  const std::string path = seed_.task(name, R"(<?xml version="1.0" encoding="UTF-16"?>
<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">
  <Triggers><LogonTrigger><Enabled>true</Enabled></LogonTrigger></Triggers>
  <Settings><Enabled>true</Enabled></Settings>
  <Actions Context="Author"><Exec><Command>C:\windows\notepad.exe</Command>
    <Arguments>/tray</Arguments></Exec></Actions>
</Task>
)");
  const std::optional<std::string> before = seed_.task_file(path);
  ASSERT_TRUE(before.has_value());
  const Ran listed = run({L"list", L"--json"});
  ASSERT_EQ(listed.status, 0u) << listed.err;
  const auto entries = nlohmann::json::parse(listed.out);
  const auto found = std::find_if(entries.begin(), entries.end(),
                                  [&](const auto& entry) { return entry["name"] == name; });
  ASSERT_NE(found, entries.end()) << listed.out;
  EXPECT_EQ((*found)["place"], "ScheduledTask");
  EXPECT_EQ((*found)["scope"], "all users");
  EXPECT_EQ((*found)["enabled"], true);
  EXPECT_EQ((*found)["command"], "\"C:\\windows\\notepad.exe\" /tray");
  EXPECT_EQ((*found)["program"], "C:\\windows\\notepad.exe");

  const Ran disabled = run({L"disable", widen(name)});
  EXPECT_EQ(disabled.status, 1u);
  EXPECT_THAT(disabled.err, HasSubstr("Task Scheduler did not switch " + name + " off"));
  const Ran removed = run({L"remove", widen(name), L"--yes"});
  EXPECT_EQ(removed.status, 2u);
  EXPECT_THAT(removed.err, HasSubstr("Task Scheduler"));
  EXPECT_EQ(seed_.task_file(path), before);
}

TEST_F(CliUnderWine, DisableThenEnableARunValueAndAShortcut) {
  const std::wstring value = named(L"Value");
  const std::wstring link = named(L"Link");
  put(HKEY_CURRENT_USER, kRun, value, L"C:\\windows\\notepad.exe");
  write_text(startup_folder() + L"\\" + link + L".lnk", "");
  const std::wstring parked_link = folder_ + L"\\DISABLED\\Default User\\" + link + L".lnk";
  for (const std::wstring& name : {value, link}) {
    const Ran off = run({L"disable", name});
    EXPECT_EQ(off.status, 0u) << off.err;
    EXPECT_THAT(off.out, HasSubstr("Switched off"));
  }
  EXPECT_EQ(value_at(kRun, value), std::nullopt);
  EXPECT_EQ(value_at(kParked, value), L"C:\\windows\\notepad.exe");
  EXPECT_TRUE(file_exists(parked_link));
  EXPECT_FALSE(file_exists(startup_folder() + L"\\" + link + L".lnk"));

  for (const std::wstring& name : {value, link}) {
    const Ran on = run({L"enable", name});
    EXPECT_EQ(on.status, 0u) << on.err;
  }
  EXPECT_EQ(value_at(kRun, value), L"C:\\windows\\notepad.exe");
  EXPECT_EQ(value_at(kParked, value), std::nullopt);
  EXPECT_TRUE(file_exists(startup_folder() + L"\\" + link + L".lnk"));
  EXPECT_FALSE(file_exists(parked_link));
}

TEST_F(CliUnderWine, AnotherUsersRunValueIsListedWithTheirSidAndSwitchedInTheirHive) {
  const std::string sid = "S-1-5-21-7-8-" + std::to_string(::GetCurrentProcessId()) + "-1001";
  seed_.user_hive(sid);
  seed_.text(
      {kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + sid,
       access::kView64},
      "ProfileImagePath", narrow(folder_));
  const std::wstring value = named(L"Theirs");
  const std::string run_key = sid + "\\" + narrow(kRun);
  const std::string parked_key = sid + "\\" + narrow(kParked);
  seed_.text({kHkeyUsers, run_key}, narrow(value), "C:\\windows\\notepad.exe");

  const Ran listed = run({L"list", L"--all-users", L"--json"});
  EXPECT_EQ(listed.status, 0u) << listed.err;
  std::string upper = narrow(value);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  int found = 0;
  for (const auto& record : nlohmann::json::parse(listed.out)) {
    if (record["name"] != narrow(value)) continue;
    ++found;
    EXPECT_EQ(record["user"], sid);
    EXPECT_EQ(record["id"], "CurrentUserRun|" + sid + "|" + upper);
  }
  EXPECT_EQ(found, 1);

  const auto at = [](const std::string& key, const std::wstring& name) {
    wchar_t text[1024] = {};
    DWORD size = sizeof text;
    const bool there = ::RegGetValueW(HKEY_USERS, widen(key).c_str(), name.c_str(), RRF_RT_REG_SZ,
                                      nullptr, text, &size) == ERROR_SUCCESS;
    return there ? std::optional<std::wstring>(text) : std::nullopt;
  };
  const Ran off = run({L"disable", value, L"--user", widen(sid)});
  EXPECT_EQ(off.status, 0u) << off.err;
  EXPECT_EQ(at(run_key, value), std::nullopt);
  EXPECT_EQ(at(parked_key, value), L"C:\\windows\\notepad.exe");
  EXPECT_EQ(value_at(kParked, value), std::nullopt);  // not into this user's store

  const Ran on = run({L"enable", value, L"--user", widen(sid)});
  EXPECT_EQ(on.status, 0u) << on.err;
  EXPECT_EQ(at(run_key, value), L"C:\\windows\\notepad.exe");
  EXPECT_EQ(at(parked_key, value), std::nullopt);
}

// One entry in each registry place beyond the Run keys, the user's RunOnce
// list switched off by its policy.
TEST_F(CliUnderWine, ListGivesTheRegistryPlacesBeyondTheRunKeysWithTheirStates) {
  using L = StartupLocation;
  const std::string program = "C:\\windows\\notepad.exe";
  const struct {
    L location;
    std::string name;
    bool enabled;
    std::string off_reason;  // empty: null
    std::string scope;
  } cases[] = {
      {L::CurrentUserRunOnce, narrow(named(L"user once")), false, "switched off by a policy",
       "current user"},
      {L::CurrentUserRunOnceParked, narrow(named(L"user once parked")), false, "parked",
       "current user"},
      {L::AllUsersRunOnce, narrow(named(L"machine once")), true, "", "all users"},
      {L::AllUsersRunOnce32, narrow(named(L"machine once 32")), true, "", "all users"},
      {L::CurrentUserPolicyRun, narrow(named(L"user policy")), true, "", "current user"},
      {L::AllUsersPolicyRun, narrow(named(L"machine policy")), true, "", "all users"},
      {L::Winlogon, "C:\\RwWinlogon.exe", true, "", "all users"},
      {L::Winlogon, "C:\\RwShell.exe", true, "", "current user"},
      {L::CurrentUserLoad, "C:\\RwLoad.exe", true, "", "current user"},
  };
  for (const auto& c : cases) {
    if (place(c.location).storage != Storage::ProgramLists) seed_.text(c.location, c.name, program);
  }
  seed_.programs(L::Winlogon, 0, "C:\\windows\\system32\\userinit.exe,C:\\RwWinlogon.exe");
  seed_.programs(L::Winlogon, 2, "explorer.exe,C:\\RwShell.exe");
  seed_.programs(L::CurrentUserLoad, 0, "C:\\RwLoad.exe");
  seed_.value(
      {kHkeyCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer"},
      "DisableCurrentUserRunOnce", REG_DWORD, {1, 0, 0, 0});

  const Ran ran = run({L"list", L"--json"});
  ASSERT_EQ(ran.status, 0u) << ran.err;
  const auto entries = nlohmann::json::parse(ran.out);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto found = std::find_if(entries.begin(), entries.end(), [&](const auto& entry) {
      return entry["name"] == c.name && entry["place"] == place(c.location).name;
    });
    ASSERT_NE(found, entries.end()) << ran.out;
    EXPECT_EQ((*found)["enabled"], c.enabled);
    EXPECT_EQ((*found)["off_reason"],
              c.off_reason.empty() ? nlohmann::json() : nlohmann::json(c.off_reason));
    EXPECT_EQ((*found)["scope"], c.scope);
  }
}

// Windows keeps no flag of its own for RunOnce values: none is written.
TEST_F(CliUnderWine, DisableThenEnableARunOnceValueWritesNoFlag) {
  using L = StartupLocation;
  const std::wstring name = named(L"!Once");
  seed_.text(L::CurrentUserRunOnce, narrow(name), "C:\\windows\\notepad.exe /once");
  const Ran off = run({L"disable", name});
  EXPECT_EQ(off.status, 0u) << off.err;
  EXPECT_FALSE(seed_.holds(L::CurrentUserRunOnce, narrow(name)));
  EXPECT_TRUE(seed_.holds(L::CurrentUserRunOnceParked, narrow(name)));
  const Ran on = run({L"enable", name});
  EXPECT_EQ(on.status, 0u) << on.err;
  EXPECT_TRUE(seed_.holds(L::CurrentUserRunOnce, narrow(name)));
  EXPECT_FALSE(seed_.holds(L::CurrentUserRunOnceParked, narrow(name)));
  EXPECT_EQ(seed_.flag_now(L::CurrentUserRun, narrow(name)), 0);
}

TEST_F(CliUnderWine, UnknownAmbiguousAndCollidingNamesEndWithTwoAndChangeNothing) {
  const std::wstring twice = named(L"Twice");
  const std::wstring clash = named(L"Clash");
  put(HKEY_CURRENT_USER, kRun, twice, L"C:\\a.exe");
  put(HKEY_LOCAL_MACHINE, kRun, twice, L"C:\\b.exe");
  put(HKEY_CURRENT_USER, kRun, clash, L"C:\\new.exe");
  put(HKEY_CURRENT_USER, kParked, clash, L"C:\\old.exe");
  const struct {
    std::vector<std::wstring> words;
    const char* said;
  } cases[] = {
      {{L"disable", named(L"Nobody")}, "No entry is named"},
      {{L"disable", twice}, "names entries in several places"},
      {{L"disable", clash, L"--place", L"CurrentUserRun"}, "a different entry of that name"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.said);
    const Ran ran = run(c.words);
    EXPECT_EQ(ran.status, 2u);
    EXPECT_THAT(ran.err, HasSubstr(c.said));
  }
  EXPECT_EQ(value_at(kRun, twice), L"C:\\a.exe");
  EXPECT_EQ(value_at(kRun, clash), L"C:\\new.exe");
  EXPECT_EQ(value_at(kParked, clash), L"C:\\old.exe");
  EXPECT_EQ(value_at(kParked, twice), std::nullopt);
}

TEST_F(CliUnderWine, AListThatCannotBeWrittenEndsWithOneAndSaysSo) {
  for (const std::vector<std::wstring>& words :
       {std::vector<std::wstring>{L"list", L"--json"}, std::vector<std::wstring>{L"list"}}) {
    SCOPED_TRACE(narrow(words.back()));
    const Ran ran = run(words, false);
    EXPECT_EQ(ran.status, 1u);
    EXPECT_THAT(ran.err,
                HasSubstr("Not everything was written: WriteFile failed for \"standard output\""));
  }
}

// A hidden copy of that name in the parking folder, left by an earlier run
// or another program: the entry must stay in a list, whatever its bytes.
TEST_F(CliUnderWine, AHiddenFileInTheParkingFolderNeverHidesAShortcutSwitchedOff) {
  const std::wstring twin = named(L"Hidden twin");
  const std::wstring other = named(L"Hidden other");
  const std::wstring parking = folder_ + L"\\DISABLED\\Default User\\";
  ASSERT_TRUE(::CreateDirectoryW((folder_ + L"\\DISABLED").c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryW(parking.c_str(), nullptr));
  for (const std::wstring& name : {twin, other}) {
    write_text(startup_folder() + L"\\" + name + L".lnk", "link");
    write_text(parking + name + L".lnk", name == twin ? "link" : "another link");
    ASSERT_TRUE(::SetFileAttributesW((parking + name + L".lnk").c_str(), FILE_ATTRIBUTE_HIDDEN));
  }

  const Ran off = run({L"disable", twin});
  EXPECT_EQ(off.status, 0u) << off.err;
  EXPECT_EQ(::GetFileAttributesW((parking + twin + L".lnk").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  const Ran listed = run({L"list", L"--json"});
  const auto entries = nlohmann::json::parse(listed.out);
  EXPECT_TRUE(std::any_of(entries.begin(), entries.end(), [&](const auto& entry) {
    return entry["name"] == narrow(twin) && entry["place"] == "CurrentUserStartupParked";
  })) << listed.out;
  const Ran on = run({L"enable", twin});
  EXPECT_EQ(on.status, 0u) << on.err;
  EXPECT_TRUE(file_exists(startup_folder() + L"\\" + twin + L".lnk"));

  const Ran refused = run({L"disable", other});
  EXPECT_EQ(refused.status, 2u);
  EXPECT_THAT(refused.err, HasSubstr("(a hidden or system file, which no list shows)"));
  EXPECT_TRUE(file_exists(startup_folder() + L"\\" + other + L".lnk"));
}

// The signed test programs as the programs of entries, checked by
// runwarden-cli itself with the prefix trusting the test root.
TEST_F(CliUnderWine, ListVerifySaysWhoSignedEachProgramAndWhetherItChangedSince) {
  const std::wstring made = wine_support::signed_programs_folder();
  if (made.empty()) GTEST_SKIP() << "no signed test programs: openssl or osslsigncode was missing";
  const wine_support::TrustedTestRoot root;  // before the program's first check
  ASSERT_TRUE(root.trusted());
  const struct {
    signed_programs::Kind kind;
    const char* signature;
  } cases[] = {
      {signed_programs::Kind::kSignedByTrustedRoot, "valid"},
      {signed_programs::Kind::kChangedAfterSigning, "not valid"},
      {signed_programs::Kind::kSignedByUntrusted, "not trusted"},
      {signed_programs::Kind::kUnsigned, "not signed"},
  };
  for (const auto& c : cases) {
    const std::wstring file = widen(signed_programs::file_of(c.kind).name);
    ASSERT_TRUE(
        ::CopyFileW((made + L"\\" + file).c_str(), (folder_ + L"\\" + file).c_str(), FALSE));
    put(HKEY_CURRENT_USER, kRun, named(file), L"\"" + folder_ + L"\\" + file + L"\" /tray");
  }
  const Ran ran = run({L"list", L"--verify", L"--json"});
  ASSERT_EQ(ran.status, 0u) << ran.err;
  const auto entries = nlohmann::json::parse(ran.out);
  std::set<std::string> hashes;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const signed_programs::File& file = signed_programs::file_of(cases[i].kind);
    SCOPED_TRACE(std::string(file.name));
    const auto found = std::find_if(entries.begin(), entries.end(), [&](const auto& entry) {
      return entry["name"] == narrow(names_[i]);
    });
    ASSERT_NE(found, entries.end());
    EXPECT_EQ((*found)["signature"], cases[i].signature);
    if (file.signer.empty()) {
      EXPECT_TRUE((*found)["signer"].is_null()) << (*found)["signer"];
    } else {
      EXPECT_EQ((*found)["signer"], std::string(file.signer));
    }
    const std::string hash = (*found)["sha256"];
    EXPECT_EQ(hash.size(), 64u);
    EXPECT_EQ(hash.find_first_not_of("0123456789abcdef"), std::string::npos) << hash;
    hashes.insert(hash);
  }
  EXPECT_EQ(hashes.size(), std::size(cases));  // the changed file is another file
}

TEST_F(CliUnderWine, CheckEndsWithZeroAgainstAFreshBaselineAndWithOneOnceAnEntryIsAdded) {
  put(HKEY_CURRENT_USER, kRun, named(L"Kept"), L"C:\\windows\\notepad.exe");
  const Ran saved = run({L"list", L"--json"});
  ASSERT_EQ(saved.status, 0u) << saved.err;
  const std::wstring baseline = folder_ + L"\\baseline.json";
  {
    UniqueFile file(::CreateFileW(baseline.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file.get(), saved.out.data(), static_cast<DWORD>(saved.out.size()),
                            &written, nullptr));
  }
  const Ran same = run({L"check", L"--baseline", baseline});
  EXPECT_EQ(same.status, 0u) << same.out << same.err;
  EXPECT_EQ(same.out, "");

  const std::wstring added = named(L"Added 新");
  put(HKEY_CURRENT_USER, kRun, added, L"C:\\windows\\notepad.exe /x");
  const Ran differs = run({L"check", L"--baseline", baseline});
  EXPECT_EQ(differs.status, 1u) << differs.err;
  EXPECT_EQ(differs.out, "added: '" + narrow(added) + "' in CurrentUserRun\n");
}

}  // namespace
}  // namespace rw
