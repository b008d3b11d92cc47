// The About box's System Information lookup and e-mail link, over the
// substitute platform.
#include <gmock/gmock.h>

#include <filesystem>

#include "catalogue/about.h"
#include "fixture.h"

namespace rw::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

constexpr std::string_view kMsinfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr std::string_view kLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

class AboutTest : public CatalogueTest {
 protected:
  bool get(std::string_view key, std::string_view name, std::string& value) {
    return GetKeyValue(os_.registry, kHkeyLocalMachine, key, name, value);
  }
  void expect_unavailable() {
    ASSERT_EQ(os_.dialogs.messages.size(), 1u);
    EXPECT_EQ(os_.dialogs.messages[0].prompt, "System Information Is Unavailable At This Time");
    EXPECT_EQ(os_.dialogs.messages[0].flags, mb::kOk);
    EXPECT_EQ(os_.dialogs.messages[0].title, "Runwarden");
    EXPECT_THAT(os_.shell.started, IsEmpty());
  }
  // A real file standing in for the program, so that it can be started.
  std::string program_at(const std::string& path) {
    std::filesystem::create_directories(
        substitute::SubstituteFiles::host_path(path.substr(0, path.rfind('\\'))));
    os_.files.write_file(path, "MZ");
    return path;
  }
};

TEST_F(AboutTest, GetKeyValueReadsStringsWholeAndNumbersAsText) {
  std::string value = "before";
  os_.registry.put_string(kHkeyLocalMachine, kMsinfoKey, "PATH", "C:\\msinfo32.exe");
  EXPECT_TRUE(get(kMsinfoKey, "PATH", value));
  EXPECT_EQ(value, "C:\\msinfo32.exe");

  std::vector<std::uint8_t> bare = text_to_registry_bytes("C:\\Program Files\\msinfo32.exe");
  bare.resize(bare.size() - 2);
  os_.registry.put(kHkeyLocalMachine, kMsinfoKey, "Bare", regtype::kSz, bare);
  EXPECT_TRUE(get(kMsinfoKey, "Bare", value));
  EXPECT_EQ(value, "C:\\Program Files\\msinfo32.exe");

  const std::string long_path = "C:\\" + std::string(3000, 'd') + "\\msinfo32.exe";
  os_.registry.put_string(kHkeyLocalMachine, kMsinfoKey, "Long", long_path);
  EXPECT_TRUE(get(kMsinfoKey, "Long", value));
  EXPECT_EQ(value, long_path);

  os_.registry.put(kHkeyLocalMachine, kMsinfoKey, "Number", regtype::kDword, {0x1F, 0x01, 0, 0});
  EXPECT_TRUE(get(kMsinfoKey, "Number", value));
  EXPECT_EQ(value, "287");
  EXPECT_EQ(os_.registry.open_handles(), 0u);
}

TEST_F(AboutTest, GetKeyValueOfAMissingKeyOrValueIsFalseAndEmpty) {
  std::string value = "before";
  EXPECT_FALSE(get(kMsinfoKey, "PATH", value));
  EXPECT_EQ(value, "");

  os_.registry.put_string(kHkeyLocalMachine, kMsinfoKey, "Other", "x");
  value = "before";
  EXPECT_FALSE(get(kMsinfoKey, "PATH", value));
  EXPECT_EQ(value, "");
  EXPECT_EQ(os_.registry.open_handles(), 0u);
}

TEST_F(AboutTest, GetKeyValueOfAnotherTypeKeepsTheValueItCameWith) {
  os_.registry.put(kHkeyLocalMachine, kMsinfoKey, "PATH", regtype::kBinary, {1, 2, 3});
  std::string value = "before";
  EXPECT_TRUE(get(kMsinfoKey, "PATH", value));
  EXPECT_EQ(value, "before");
}

TEST_F(AboutTest, GetKeyValueOpensTheKeyForReadingOnly) {
  os_.registry.put_string(kHkeyLocalMachine, kMsinfoKey, "PATH", "C:\\msinfo32.exe");
  os_.registry.deny_write(kHkeyLocalMachine, kMsinfoKey);
  std::string value;
  EXPECT_TRUE(get(kMsinfoKey, "PATH", value));
  EXPECT_EQ(value, "C:\\msinfo32.exe");
}

TEST_F(AboutTest, TheFirstKeyIsUsedWithoutReadingTheFallback) {
  const std::string path = program_at(os_.root() + "\\Common Files\\MSInfo\\msinfo32.exe");
  os_.registry.put_string(kHkeyLocalMachine, kMsinfoKey, "PATH", path);
  os_.registry.put_string(kHkeyLocalMachine, kLocationKey, "MSINFO", "C:\\elsewhere");
  StartSysInfo(platform_);

  EXPECT_THAT(os_.shell.started, ElementsAre(path));  // the spaced path, as one program
  EXPECT_THAT(os_.dialogs.messages, IsEmpty());
  EXPECT_THAT(os_.log.calls(),
              Not(Contains(StartsWith("RegOpenKeyEx " + std::string(kLocationKey)))));
}

TEST_F(AboutTest, TheFallbackFolderIsUsedWhenItHoldsTheProgram) {
  const std::string folder = os_.root() + "\\MSInfo";
  program_at(folder + "\\MSINFO32.EXE");
  os_.registry.put_string(kHkeyLocalMachine, kLocationKey, "MSINFO", folder);
  StartSysInfo(platform_);

  EXPECT_THAT(os_.shell.started, ElementsAre(folder + "\\MSINFO32.EXE"));
  EXPECT_THAT(os_.dialogs.messages, IsEmpty());
}

TEST_F(AboutTest, EveryWayOfNotFindingOrStartingItEndsInTheOneMessage) {
  const std::string folder = os_.root() + "\\MSInfo";
  const struct {
    std::string what;
    std::function<void()> arrange;
  } cases[] = {
      {"no keys at all", [] {}},
      {"fallback folder without the program",
       [&] { os_.registry.put_string(kHkeyLocalMachine, kLocationKey, "MSINFO", folder); }},
      {"empty first value",
       [&] { os_.registry.put_string(kHkeyLocalMachine, kMsinfoKey, "PATH", ""); }},
      {"first value of another type",
       [&] { os_.registry.put(kHkeyLocalMachine, kMsinfoKey, "PATH", regtype::kBinary, {1}); }},
      {"program missing at the first path",
       [&] { os_.registry.put_string(kHkeyLocalMachine, kMsinfoKey, "PATH", folder + "\\x.exe"); }},
      {"folder listing fails",
       [&] {
         os_.registry.put_string(kHkeyLocalMachine, kLocationKey, "MSINFO", folder);
         os_.log.add_fault(substitute::Fault{0, "Dir", status::kAccessDenied});
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    os_.registry.remove_key(kHkeyLocalMachine, kMsinfoKey);
    os_.registry.remove_key(kHkeyLocalMachine, kLocationKey);
    os_.log.clear_faults();
    os_.dialogs.messages.clear();
    c.arrange();
    StartSysInfo(platform_);
    expect_unavailable();
    EXPECT_EQ(os_.registry.open_handles(), 0u);
  }
}

TEST_F(AboutTest, TheContactLinkOpensAMailWithTheProgramAsSubject) {
  EXPECT_EQ(contact_link(), "mailto:rw@example.org?Subject=Runwarden");
  open_contact_link(platform_);
  EXPECT_THAT(os_.shell.opened, ElementsAre(contact_link()));
  EXPECT_THAT(os_.dialogs.messages, IsEmpty());
}

}  // namespace
}  // namespace rw::testing
