// Packaged apps' startup tasks over the substitute platform: their states,
// their names and programs from the packages' manifests, and what a bad
// registry value or manifest makes of them.
#include <gmock/gmock.h>

#include "catalogue/app_manifest.h"
#include "catalogue/details.h"
#include "catalogue/operations.h"
#include "fixture.h"

namespace rw::testing {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

const std::string kAppModel =
    "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\CurrentVersion\\AppModel\\";
const std::string kStates = kAppModel + "SystemAppData\\";
const std::string kPackages = kAppModel + "Repository\\Packages\\";
constexpr auto kPackaged = StartupLocation::PackagedStartupTask;
constexpr std::string_view kFamily = "Vendor.Chat_8wekyb3d8bbwe";
constexpr std::string_view kFullName = "Vendor.Chat_2.1.0.0_x64__8wekyb3d8bbwe";

std::vector<std::uint8_t> dword(std::uint32_t number) {
  return {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
          static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
}

// A manifest whose application holds these extensions.
std::string manifest(const std::string& extensions, const std::string& executable = "Chat.exe") {
  return R"(<?xml version="1.0" encoding="utf-8"?>
<Package xmlns="http://schemas.microsoft.com/appx/manifest/foundation/windows10"
         xmlns:uap5="http://schemas.microsoft.com/appx/manifest/uap/windows10/5"
         xmlns:desktop="http://schemas.microsoft.com/appx/manifest/desktop/windows10">
  <Applications><Application Id="App" Executable=")" +
         executable + R"("><Extensions>)" + extensions +
         "</Extensions></Application></Applications></Package>";
}

std::string uap5_task(const std::string& id, const std::string& name,
                      const std::string& executable = "Bin\\Helper.exe") {
  return R"(<uap5:Extension Category="windows.startupTask" Executable=")" + executable +
         R"("><uap5:StartupTask TaskId=")" + id + R"(" Enabled="true" DisplayName=")" + name +
         R"("/></uap5:Extension>)";
}

class PackagedTaskTest : public CatalogueTest {
 protected:
  std::string package_folder(std::string_view full_name = kFullName) {
    return os_.root() + "\\WindowsApps\\" + std::string(full_name);
  }
  void store_task(std::string_view id, std::uint32_t state, std::string_view family = kFamily) {
    os_.registry.put(kHkeyCurrentUser, kStates + std::string(family) + "\\" + std::string(id),
                     "State", regtype::kDword, dword(state));
  }
  void store_package(std::string_view full_name, const std::optional<std::string>& manifest_text,
                     std::optional<std::string> folder = std::nullopt) {
    if (!folder) folder = package_folder(full_name);
    os_.registry.put_string(kHkeyCurrentUser, kPackages + std::string(full_name),
                            "PackageRootFolder", *folder);
    if (!manifest_text) return;
    std::filesystem::create_directories(substitute::SubstituteFiles::host_path(*folder));
    os_.files.write_file(*folder + "\\AppxManifest.xml", *manifest_text);
  }
  // "name/state" for each item, in the list's order.
  std::vector<std::string> listed() {
    scan();
    std::vector<std::string> items;
    for (int i = 0; i < list_.count(); ++i) {
      EXPECT_EQ(list_.tag(i), static_cast<std::int32_t>(kPackaged));
      EXPECT_TRUE(list_.locked(i));
      items.push_back(list_.text(i) + "/" + (list_.checked(i) ? "on" : "off"));
    }
    return items;
  }
  std::string details(std::string_view id = "ChatStartup") {
    const int index = find_item(list_.text(0), kPackaged);
    EXPECT_EQ(list_.key(index), std::string(kFamily) + "\\" + std::string(id));
    return details_text(describe_item(catalogue_, index));
  }
  std::size_t manifest_reads() {
    std::size_t reads = 0;
    for (const std::string& call : os_.log.calls()) reads += call.find("AppxManifest") != call.npos;
    return reads;
  }
};

TEST_F(PackagedTaskTest, TheStateSaysWhetherATaskStartsAndWhyNot) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    std::uint32_t type;
    bool listed;
    bool starts;
    OffReason off;
  };
  const Case cases[] = {
      {dword(0), regtype::kDword, true, false, OffReason::SwitchedOffInSettings},
      {dword(1), regtype::kDword, true, false, OffReason::SwitchedOffInSettings},
      {dword(2), regtype::kDword, true, true, OffReason::None},
      {dword(3), regtype::kDword, true, false, OffReason::SwitchedOffByPolicy},
      {dword(4), regtype::kDword, true, true, OffReason::None},
      {dword(9), regtype::kDword, true, false, OffReason::SwitchedOffInSettings},
      // No DWORD State: no startup task.
      {text_to_registry_bytes("2"), regtype::kSz, false, false, OffReason::None},
      {{}, regtype::kDword, false, false, OffReason::None},
      {{2, 0}, regtype::kDword, false, false, OffReason::None},
  };
  store_package(kFullName, manifest(uap5_task("ChatStartup", "Chat")));
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(&c - cases));
    os_.registry.put(kHkeyCurrentUser, kStates + std::string(kFamily) + "\\ChatStartup", "State",
                     c.type, c.bytes);
    while (list_.count() > 0) list_.remove(0);
    const std::vector<std::string> items = listed();
    ASSERT_EQ(items.size(), c.listed ? 1u : 0u);
    if (!c.listed) continue;
    EXPECT_EQ(list_.checked(0), c.starts);
    EXPECT_EQ(list_.off(0), c.off);
  }
}

TEST_F(PackagedTaskTest, NameAndProgramComeFromTheManifestsStartupTaskOfThatId) {
  struct Case {
    std::string extensions;
    std::string name;     // listed
    std::string program;  // below the package's folder; empty: not known
  };
  const std::string fallback = std::string(kFamily) + " ChatStartup";
  const Case cases[] = {
      {uap5_task("ChatStartup", "Chat at logon"), "Chat at logon", "Bin\\Helper.exe"},
      {uap5_task("Other", "Other") + uap5_task("chatstartup", "Second"), "Second",
       "Bin\\Helper.exe"},
      {R"(<desktop:Extension Category="windows.startupTask" Executable="Desk.exe">
            <desktop:StartupTask TaskId="ChatStartup" DisplayName="Desktop chat"/>
          </desktop:Extension>)",
       "Desktop chat", "Desk.exe"},
      // Without an Executable of its own, the application's.
      {R"(<uap5:Extension Category="windows.startupTask"><uap5:StartupTask TaskId="ChatStartup"
            DisplayName="Chat"/></uap5:Extension>)",
       "Chat", "Chat.exe"},
      // Any prefix bound to the namespace; none bound to another.
      {R"(<x:Extension xmlns:x="http://schemas.microsoft.com/appx/manifest/uap/windows10/5"
            Executable="X.exe"><x:StartupTask TaskId="ChatStartup" DisplayName="Prefixed"/>
          </x:Extension>)",
       "Prefixed", "X.exe"},
      {R"(<uap5:Extension xmlns:uap5="urn:other" Executable="X.exe"><uap5:StartupTask
            TaskId="ChatStartup" DisplayName="Elsewhere"/></uap5:Extension>)",
       fallback, ""},
      {uap5_task("ChatStartup", "ms-resource:StartupName"), fallback, "Bin\\Helper.exe"},
      {uap5_task("ChatStartup", ""), fallback, "Bin\\Helper.exe"},
      {uap5_task("Another", "Another"), fallback, ""},
  };
  store_task("ChatStartup", 2);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.extensions);
    store_package(kFullName, manifest(c.extensions));
    while (list_.count() > 0) list_.remove(0);
    EXPECT_THAT(listed(), ElementsAre(c.name + "/on"));
    const EntryDetails found = describe_item(catalogue_, 0);
    EXPECT_EQ(found.command, c.program.empty() ? "" : package_folder() + "\\" + c.program);
  }
}

TEST_F(PackagedTaskTest, TheNewestMainPackageOfTheFamilyIsReadOnceForAllItsTasks) {
  const std::string tasks = uap5_task("ChatStartup", "Chat") + uap5_task("Tray", "Chat tray");
  store_package("Vendor.Chat_1.9.0.0_x64__8wekyb3d8bbwe",
                manifest(uap5_task("ChatStartup", "Old")));
  store_package("Vendor.Chat_10.0.0.0_x64__8wekyb3d8bbwe", manifest(tasks));
  store_package("Vendor.Chat_11.0.0.0_neutral_split.scale-100_8wekyb3d8bbwe",
                manifest(uap5_task("ChatStartup", "Resources")));
  store_package("Vendor.Chatter_12.0.0.0_x64__8wekyb3d8bbwe",
                manifest(uap5_task("ChatStartup", "No")));
  store_package("Vendor.Chat_12.0.0.0_x64__otherpublisher",
                manifest(uap5_task("ChatStartup", "No")));
  store_task("ChatStartup", 2);
  store_task("Tray", 1);
  os_.log.clear();
  EXPECT_THAT(listed(), ElementsAre("Chat/on", "Chat tray/off"));
  EXPECT_EQ(manifest_reads(), 1u);
}

TEST_F(PackagedTaskTest, DetailsTellThePackageTheTaskItsStateAndWhySettingsSwitchesIt) {
  store_package(kFullName, manifest(uap5_task("ChatStartup", "Chat")));
  std::filesystem::create_directories(
      substitute::SubstituteFiles::host_path(package_folder() + "\\Bin"));
  os_.files.write_file(package_folder() + "\\Bin\\Helper.exe", "MZ");
  store_task("ChatStartup", 4);
  listed();
  EXPECT_THAT(
      details(),
      AllOf(HasSubstr("Where: A packaged app's startup task"), HasSubstr("Starts at logon: yes"),
            HasSubstr("Cannot be switched here: a packaged app's startup task; switch it in "
                      "Settings, Apps, Startup"),
            HasSubstr("Package family: Vendor.Chat_8wekyb3d8bbwe\nTask id: ChatStartup\n"
                      "State: 4 (switched on by a policy), kept in HKEY_CURRENT_USER\\" +
                      kStates + "Vendor.Chat_8wekyb3d8bbwe\\ChatStartup, value State"),
            HasSubstr("Set by a policy"),
            HasSubstr("Program: " + package_folder() + "\\Bin\\Helper.exe")));

  store_task("ChatStartup", 2);
  EXPECT_THAT(details(), Not(HasSubstr("Set by a policy")));
}

// Exit never touches it, whatever its checkbox says.
TEST_F(PackagedTaskTest, UntickingAndExitLeaveTheTaskAsItWas) {
  store_package(kFullName, manifest(uap5_task("ChatStartup", "Chat")));
  store_task("ChatStartup", 2);
  listed();
  list_.set_checked(0, false);
  apply_changes(catalogue_);
  EXPECT_EQ(
      os_.registry.get(kHkeyCurrentUser, kStates + std::string(kFamily) + "\\ChatStartup", "State")
          ->data,
      dword(2));
}

// What a package's registry value or manifest holds, however bad, leaves the
// task listed by its family and id, with the reason in the details.
TEST_F(PackagedTaskTest, ABadManifestOrFolderListsTheTaskByFamilyAndIdAndSaysWhy) {
  const std::string fallback = std::string(kFamily) + " ChatStartup/on";
  os_.folders.network_drives.insert('N');
  struct Case {
    std::string what;
    std::optional<std::string> manifest_text;  // nothing: no file
    std::optional<std::string> folder;         // nothing: the package's own
    std::string said;
    bool read = true;  // the manifest is looked at
  };
  const Case cases[] = {
      {"missing", std::nullopt, std::nullopt, "is missing"},
      {"empty", "", std::nullopt, "cannot be read: no Package element"},
      {"not XML", "MZ\x90\x00 not xml <<", std::nullopt, "cannot be read: not XML"},
      {"nested", std::string(5000, '<') + "a>", std::nullopt, "cannot be read"},
      {"too large", std::string((4u << 20) + 1, ' '), std::nullopt, "larger than 4 MB"},
      {"share", "", "\\\\server\\apps\\Chat", "is not a full path on this computer", false},
      {"mapped drive", "", "N:\\Apps\\Chat", "is not a full path on this computer", false},
      {"relative", "", "Apps\\Chat", "is not a full path on this computer", false},
  };
  store_task("ChatStartup", 2);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    os_.registry.remove_key(kHkeyCurrentUser, kPackages + std::string(kFullName));
    std::filesystem::remove(
        substitute::SubstituteFiles::host_path(package_folder() + "\\AppxManifest.xml"));
    if (c.folder) {
      os_.registry.put_string(kHkeyCurrentUser, kPackages + std::string(kFullName),
                              "PackageRootFolder", *c.folder);
    } else {
      store_package(kFullName, c.manifest_text);
    }
    os_.log.clear();
    while (list_.count() > 0) list_.remove(0);
    EXPECT_THAT(listed(), ElementsAre(fallback));
    EXPECT_EQ(manifest_reads() > 0, c.read);
    EXPECT_THAT(details(), HasSubstr("Warning: Its program is not known: "));
    EXPECT_THAT(details(), HasSubstr(c.said));
  }
}

TEST_F(PackagedTaskTest, AFolderValueOfAnotherTypeOrNoPackageAtAllStillListsTheTask) {
  store_task("ChatStartup", 2);
  EXPECT_THAT(listed(), ElementsAre(std::string(kFamily) + " ChatStartup/on"));
  EXPECT_THAT(details(), HasSubstr("no installed package of its family"));

  os_.registry.put(kHkeyCurrentUser, kPackages + std::string(kFullName), "PackageRootFolder",
                   regtype::kDword, dword(1));
  while (list_.count() > 0) list_.remove(0);
  EXPECT_THAT(listed(), ElementsAre(std::string(kFamily) + " ChatStartup/on"));
  EXPECT_THAT(details(), HasSubstr("PackageRootFolder in HKEY_CURRENT_USER\\" + kPackages));
}

// A name with a NUL would reach another key than the one listed: such a
// family or task is left out rather than shown with another's state.
TEST_F(PackagedTaskTest, AFamilyOrTaskNamedWithANulIsLeftOut) {
  store_package(kFullName, manifest(uap5_task("ChatStartup", "Chat")));
  store_task(std::string("Chat\0Startup", 12), 2);
  store_task("ChatStartup", 2, std::string("Vendor.Chat\0_8wekyb3d8bbwe", 26));
  store_task("ChatStartup", 2);
  EXPECT_THAT(listed(), ElementsAre("Chat/on"));
}

TEST(PackageNames, AFamilysPackagesAreItsNameAndPublisherWithMainPackagesAndNewVersionsFirst) {
  const std::vector<std::string> full_names = {
      "a.b_1.0.0.0_x86__pub",  "a.b_2.0.0.0_neutral_split.language-de_pub",
      "A.B_1.10.0.0_x64__PUB", "a.b_1.9.0.0_x64__pub",
      "a.bc_3.0.0.0_x64__pub", "a.b_3.0.0.0_x64__pub2",
      "a.b_4.0.0.0_x64_pub",   "bad"};
  EXPECT_THAT(packages_of_family(full_names, "a.b_pub"),
              ElementsAre("A.B_1.10.0.0_x64__PUB", "a.b_1.9.0.0_x64__pub", "a.b_1.0.0.0_x86__pub",
                          "a.b_2.0.0.0_neutral_split.language-de_pub"));
  EXPECT_THAT(packages_of_family(full_names, "nounderscore"), IsEmpty());
}

}  // namespace
}  // namespace rw::testing
