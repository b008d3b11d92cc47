// Other users' entries over the substitute platform: which hives of
// HKEY_USERS are users, their places listed with their user, and disable,
// enable and remove acting in their hive with --user.
#include <gmock/gmock.h>

#include <nlohmann/json.hpp>

#include "catalogue/fixture.h"
#include "catalogue/users.h"
#include "cli/commands.h"

namespace rw::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr const char* kBob = "S-1-5-21-9-9-9-1002";
constexpr const char* kEntra = "S-1-12-1-5-6-7-8";
constexpr const char* kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunFlag =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
constexpr const char* kParked =
    "Software\\VB and VBA Program Settings\\Runwarden\\Disabled\\-2147483647";
constexpr const char* kUserShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kProfileList =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";

std::string under(const std::string& sid, const std::string& key) { return sid + "\\" + key; }

struct Words final : cli::Output {
  Status out(std::string_view text) override { return out_text += text, status::kOk; }
  Status err(std::string_view text) override { return err_text += text, status::kOk; }
  std::string out_text, err_text;
};

class UsersTest : public CatalogueTest {
 protected:
  void SetUp() override {
    prepare_folders();
    os_.tasks.accounts[kBob] = "OFFICE\\bob";
    for (const char* sid : {kBob, kEntra}) {
      os_.registry.put_string(kHkeyLocalMachine, std::string(kProfileList) + sid,
                              "ProfileImagePath", profile_of(sid), regtype::kExpandSz);
    }
  }
  std::string profile_of(const std::string& sid) { return os_.root() + "\\Users\\" + sid; }
  int run(const std::vector<std::string>& words) {
    words_ = Words{};
    const cli::Parsed parsed = cli::parse_command_line(words);
    EXPECT_TRUE(parsed.request) << parsed.text;
    return cli::run_request(
        *parsed.request, [&](Dialogs& dialogs) { return os_.platform(dialogs); }, words_);
  }
  nlohmann::json listed() {
    EXPECT_EQ(run({"list", "--all-users", "--json"}), 0) << words_.err_text;
    return nlohmann::json::parse(words_.out_text);
  }
  void put(const std::string& sid, const std::string& key, const std::string& name,
           const std::string& data, std::uint32_t type = regtype::kSz) {
    os_.registry.put_string(kHkeyUsers, under(sid, key), name, data, type);
  }
  // Bob's profile and his Startup folder in it, as his User Shell Folders name it.
  std::string give_bob_a_startup_folder() {
    const std::string profile = os_.root() + "\\Users\\bob";
    os_.registry.put_string(kHkeyLocalMachine, std::string(kProfileList) + kBob, "ProfileImagePath",
                            profile, regtype::kExpandSz);
    put(kBob, kUserShellFolders, "Startup", "%USERPROFILE%\\Startup", regtype::kExpandSz);
    const std::string folder = profile + "\\Startup";
    std::filesystem::create_directories(substitute::SubstituteFiles::host_path(folder));
    return folder;
  }
  Words words_;
};

TEST(UserHives, OnlyRealAccountsCount) {
  const struct {
    const char* subkey;
    bool user;
  } cases[] = {
      {"S-1-5-21-1004336348-1177238915-682003330-1001", true},
      {"S-1-12-1-1234-5678-91011-1213", true},
      {"S-1-5-21-1004336348-1177238915-682003330-1001_Classes", false},
      {".DEFAULT", false},
      {"S-1-5-18", false},
      {"S-1-5-19", false},
      {"S-1-5-20", false},
      {"S-1-5-21-", false},
      {"S-1-5-21-1-2-3-1001\\x", false},
  };
  for (const auto& c : cases) EXPECT_EQ(is_account_hive(c.subkey), c.user) << c.subkey;
}

TEST_F(UsersTest, EveryUsersPlacesAreListedWithTheirUserAndYoursOnce) {
  store_run_value(StartupLocation::CurrentUserRun, "Mine", "mine.exe");
  const std::string me = os_.tasks.user.sid;
  put(me, kRun, "Twice", "twice.exe");  // HKEY_CURRENT_USER is read instead
  put(kBob, kRun, "App", "app.exe");
  put(kBob, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "Once", "once.exe");
  put(kBob, "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run", "Policy",
      "policy.exe");
  put(kBob, kParked, "Parked", "parked.exe");
  put(kEntra, kRun, "Cloud", "cloud.exe");
  for (const char* other : {".DEFAULT", "S-1-5-18", "S-1-5-21-9-9-9-1002_Classes"}) {
    put(other, kRun, "Service", "service.exe");
  }
  std::map<std::string, std::pair<std::string, nlohmann::json>> found;  // name: id, user
  for (const auto& record : listed()) {
    found[record["name"]] = {record["id"], record["user"]};
  }
  const std::map<std::string, std::pair<std::string, nlohmann::json>> expected = {
      {"Mine", {"CurrentUserRun|SUBSTITUTE\\tester|MINE", "SUBSTITUTE\\tester"}},
      {"App", {"CurrentUserRun|OFFICE\\bob|APP", "OFFICE\\bob"}},
      {"Once", {"CurrentUserRunOnce|OFFICE\\bob|ONCE", "OFFICE\\bob"}},
      {"Policy", {"CurrentUserPolicyRun|OFFICE\\bob|POLICY", "OFFICE\\bob"}},
      {"Parked", {"CurrentUserRunParked|OFFICE\\bob|PARKED", "OFFICE\\bob"}},
      {"Cloud", {std::string("CurrentUserRun|") + kEntra + "|CLOUD", kEntra}},
  };
  EXPECT_EQ(found, expected);

  // Without --all-users, a list and its ids are as they were.
  ASSERT_EQ(run({"list", "--json"}), 0);
  const auto mine = nlohmann::json::parse(words_.out_text);
  ASSERT_EQ(mine.size(), 1u);
  EXPECT_EQ(mine[0]["id"], "CurrentUserRun||MINE");
  EXPECT_TRUE(mine[0]["user"].is_null());
}

TEST_F(UsersTest, AnotherUsersValueIsParkedAndFlaggedInTheirHive) {
  put(kBob, kRun, "App", "app.exe");
  ASSERT_EQ(run({"disable", "App", "--user", "bob"}), 0) << words_.err_text;
  EXPECT_FALSE(os_.registry.get(kHkeyUsers, under(kBob, kRun), "App"));
  EXPECT_EQ(os_.registry.get_string(kHkeyUsers, under(kBob, kParked), "App"), "app.exe");
  EXPECT_THAT(os_.registry.value_names(kHkeyCurrentUser, kParked), IsEmpty());
  EXPECT_THAT(os_.registry.value_names(kHkeyCurrentUser, kRunFlag), IsEmpty());

  ASSERT_EQ(run({"enable", "App", "--user", kBob}), 0) << words_.err_text;
  EXPECT_EQ(os_.registry.get_string(kHkeyUsers, under(kBob, kRun), "App"), "app.exe");
  EXPECT_FALSE(os_.registry.get(kHkeyUsers, under(kBob, kParked), "App"));

  ASSERT_EQ(run({"remove", "App", "--user", "office\\BOB", "--yes"}), 0) << words_.err_text;
  EXPECT_FALSE(os_.registry.get(kHkeyUsers, under(kBob, kRun), "App"));
}

TEST_F(UsersTest, AnotherUsersShortcutIsRemovedButNeverParked) {
  const std::string folder = give_bob_a_startup_folder();
  os_.files.write_file(folder + "\\Tool.lnk", "shortcut");
  bool listed_as_bobs = false;
  for (const auto& record : listed()) {
    listed_as_bobs |= record["name"] == "Tool" && record["user"] == "OFFICE\\bob";
  }
  EXPECT_TRUE(listed_as_bobs);

  EXPECT_EQ(run({"disable", "Tool", "--user", "bob"}), 2);
  EXPECT_THAT(words_.err_text, HasSubstr("shared by everyone who runs it"));
  EXPECT_TRUE(os_.files.read_file(folder + "\\Tool.lnk"));
  EXPECT_FALSE(stored_shortcut(StartupLocation::CurrentUserStartupParked, "Tool"));

  ASSERT_EQ(run({"remove", "Tool", "--user", "bob", "--yes"}), 0) << words_.err_text;
  EXPECT_FALSE(os_.files.read_file(folder + "\\Tool.lnk"));
}

TEST_F(UsersTest, AStartupFolderComesFromShellFoldersWhenUserShellFoldersLacksIt) {
  const std::string folder = os_.root() + "\\Elsewhere";
  std::filesystem::create_directories(substitute::SubstituteFiles::host_path(folder));
  os_.files.write_file(folder + "\\Tool.lnk", "shortcut");
  put(kBob, kShellFolders, "Startup", folder);
  put(kEntra, kUserShellFolders, "Startup", "%USERPROFILE%\\Start", regtype::kExpandSz);
  put(kEntra, kShellFolders, "Startup", folder);  // older than the value above
  std::vector<PlatformError> problems;
  const auto users = loaded_users(platform_, problems);
  std::map<std::string, std::optional<std::string>> folders;
  for (const UserHive& user : users) folders[user.sid] = user.startup_folder;
  EXPECT_EQ(folders[kBob], folder);
  EXPECT_EQ(folders[kEntra], profile_of(kEntra) + "\\Start");
  EXPECT_EQ(folders.size(), 3u);
  EXPECT_THAT(problems, IsEmpty());
}

TEST_F(UsersTest, AUserWithoutAProfileHasTheirFolderLeftUnreadAndTheRestListed) {
  os_.registry.remove_key(kHkeyLocalMachine, std::string(kProfileList) + kBob);
  put(kBob, kUserShellFolders, "Startup", "%USERPROFILE%\\Startup", regtype::kExpandSz);
  put(kBob, kRun, "App", "app.exe");
  EXPECT_EQ(run({"list", "--all-users", "--json"}), 1);
  EXPECT_THAT(words_.err_text, HasSubstr("ProfileList\\" + std::string(kBob)));
  EXPECT_THAT(words_.out_text, HasSubstr("\"App\""));
}

TEST_F(UsersTest, AnUnknownOrAmbiguousUserIsAUsageError) {
  put(kEntra, kRun, "App", "app.exe");
  os_.tasks.accounts[kEntra] = "HOME\\bob";
  put(kBob, kRun, "App", "app.exe");
  for (const char* user : {"carol", "bob", "S-1-5-21-9-9-9-9999"}) {
    EXPECT_EQ(run({"disable", "App", "--user", user}), 2) << user;
    EXPECT_THAT(words_.out_text, IsEmpty());
  }
  EXPECT_TRUE(os_.registry.get(kHkeyUsers, under(kBob, kRun), "App"));
  EXPECT_TRUE(os_.registry.get(kHkeyUsers, under(kEntra, kRun), "App"));
}

TEST_F(UsersTest, ABaselineWithUsersIsCheckedAgainstEveryUser) {
  put(kBob, kRun, "App", "app.exe");
  ASSERT_EQ(run({"list", "--all-users", "--json"}), 0);
  const std::string baseline = os_.root() + "\\baseline.json";
  os_.files.write_file(baseline, words_.out_text);
  EXPECT_EQ(run({"check", "--baseline", baseline}), 0) << words_.out_text << words_.err_text;
  put(kBob, kRun, "New", "new.exe");
  EXPECT_EQ(run({"check", "--baseline", baseline}), 1);
  EXPECT_THAT(words_.out_text, HasSubstr("New"));
  EXPECT_THAT(words_.out_text, Not(HasSubstr("App")));
}

}  // namespace
}  // namespace rw::testing
