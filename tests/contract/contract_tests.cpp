// The behaviour of the platform that the catalogue relies on, checked against
// whichever implementation the test program links: the substitute natively,
// the Win32 layer under Wine. A case that passes on one and fails on the other
// is a drift of the substitute from Windows, or a fault of the Win32 layer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "contract/contract_target.h"
#include "platform/settings_store.h"

namespace rw::contract {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;
using ::testing::UnorderedElementsAreArray;

constexpr std::uint32_t kReadWrite = access::kRead | access::kWrite;
constexpr std::uint8_t kMarker = 0xCC;

// UTF-16LE bytes of the text, without a terminating NUL.
std::vector<std::uint8_t> unterminated(std::string_view text) {
  std::vector<std::uint8_t> bytes = text_to_registry_bytes(text);
  bytes.resize(bytes.size() - 2);
  return bytes;
}

class PlatformContract : public ::testing::Test {
 protected:
  void SetUp() override {
    target_ = make_contract_target();
    key_ = target_->scratch_key();
  }
  Registry& reg() { return target_->registry(); }
  FileSystem& files() { return target_->files(); }

  // The scratch key, created and open for reading and writing.
  RegKey scratch(const std::string& path) {
    RegKey key;
    EXPECT_EQ(reg().create_key(kHkeyCurrentUser, path, kReadWrite, key), 0) << path;
    return key;
  }
  RegKey scratch() { return scratch(key_); }
  void set_text(const RegKey& key, std::string_view name, std::string_view text,
                std::uint32_t type = regtype::kSz) {
    EXPECT_EQ(reg().set_value(key, name, type, text_to_registry_bytes(text)), 0) << name;
  }
  // The value's text, or "<status N>" when it cannot be read.
  std::string read_text(const RegKey& key, std::string_view name) {
    RegValue value;
    const Status result = read_value(reg(), key, name, value);
    if (result != 0) return "<status " + std::to_string(result) + ">";
    return registry_bytes_to_text(value.data);
  }
  std::vector<std::string> names(const RegKey& key) {
    std::vector<std::string> found;
    EXPECT_EQ(list_value_names(reg(), key, found), 0);
    return found;
  }
  // The status at which a walk with this name buffer stops, and the names before it.
  Status walk(const RegKey& key, std::uint32_t capacity, std::vector<std::string>& found) {
    for (std::uint32_t index = 0;; ++index) {
      std::string name;
      const Status result = reg().enum_value_name(key, index, capacity, name);
      if (result != 0) return result;
      found.push_back(name);
    }
  }
  // The status a file operation raised with, or 0; the subject must be `subject`.
  template <typename Call>
  Status raised(Call call, const std::string& subject) {
    try {
      call();
    } catch (const PlatformError& error) {
      EXPECT_EQ(error.subject(), subject);
      EXPECT_THAT(error.what(), HasSubstr(subject));
      return error.code();
    }
    return 0;
  }

  std::unique_ptr<ContractTarget> target_;
  std::string key_;
};

// ---- Registry statuses --------------------------------------------------------------

TEST_F(PlatformContract, MissingKeyAndValueGiveStatus2AndEndOfValuesGives259) {
  RegKey key;
  EXPECT_EQ(reg().open_key(kHkeyCurrentUser, key_ + "\\Missing", access::kRead, key), 2);
  EXPECT_FALSE(key.is_open());
  key = scratch();
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(reg().query_value(key, "Nope", type, nullptr, size), 2);
  EXPECT_EQ(reg().delete_value(key, "Nope"), 2);
  std::string name;
  EXPECT_EQ(reg().enum_value_name(key, 0, 100, name), 259);
  set_text(key, "Only", "x");
  EXPECT_EQ(reg().enum_value_name(key, 0, 100, name), 0);
  EXPECT_EQ(name, "Only");
  EXPECT_EQ(reg().enum_value_name(key, 1, 100, name), 259);
  EXPECT_EQ(key.close(), 0);
}

TEST_F(PlatformContract, AFailedOpenLeavesNoHandleAndEveryCallOnItFails) {
  RegKey key = scratch();
  set_text(key, "Value", "x");
  ASSERT_TRUE(key.is_open());
  // Opening into a key that is still open closes it first, whatever the result.
  EXPECT_EQ(reg().open_key(kHkeyCurrentUser, key_ + "\\Missing", access::kRead, key), 2);
  EXPECT_FALSE(key.is_open());
  std::string name;
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(reg().enum_value_name(key, 0, 100, name), status::kInvalidHandle);
  EXPECT_EQ(reg().query_value(key, "Value", type, nullptr, size), status::kInvalidHandle);
  EXPECT_EQ(reg().set_value(key, "Value", regtype::kSz, text_to_registry_bytes("y")),
            status::kInvalidHandle);
  EXPECT_EQ(reg().delete_value(key, "Value"), status::kInvalidHandle);
  EXPECT_EQ(key.close(), 0);
}

TEST_F(PlatformContract, AKeyOpenedForReadingRefusesWritesAndOneOpenedForWritingRefusesReads) {
  scratch();
  RegKey writable;
  ASSERT_EQ(reg().open_key(kHkeyCurrentUser, key_, access::kWrite, writable), 0);
  set_text(writable, "Value", "x");
  std::string name;
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(reg().enum_value_name(writable, 0, 100, name), status::kAccessDenied);
  EXPECT_EQ(reg().query_value(writable, "Value", type, nullptr, size), status::kAccessDenied);

  RegKey readable;
  ASSERT_EQ(reg().open_key(kHkeyCurrentUser, key_, access::kRead, readable), 0);
  EXPECT_EQ(reg().set_value(readable, "Other", regtype::kSz, text_to_registry_bytes("y")),
            status::kAccessDenied);
  EXPECT_EQ(reg().delete_value(readable, "Value"), status::kAccessDenied);
  EXPECT_EQ(read_text(readable, "Value"), "x");
}

// ---- Value data -------------------------------------------------------------------------

TEST_F(PlatformContract, AShortBufferGivesMoreDataWithTheSizeNeeded) {
  RegKey key = scratch();
  set_text(key, "Tool", "C:\\Tools\\tool.exe");  // 17 characters and a NUL: 36 bytes
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(reg().query_value(key, "Tool", type, nullptr, size), 0);
  EXPECT_EQ(type, regtype::kSz);
  EXPECT_EQ(size, 36u);

  std::vector<std::uint8_t> buffer(64, kMarker);
  size = 10;
  EXPECT_EQ(reg().query_value(key, "Tool", type, buffer.data(), size), status::kMoreData);
  EXPECT_EQ(size, 36u);

  std::fill(buffer.begin(), buffer.end(), kMarker);
  size = static_cast<std::uint32_t>(buffer.size());
  ASSERT_EQ(reg().query_value(key, "Tool", type, buffer.data(), size), 0);
  EXPECT_EQ(size, 36u);
  EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + 36),
            text_to_registry_bytes("C:\\Tools\\tool.exe"));
  EXPECT_TRUE(std::all_of(buffer.begin() + 36, buffer.end(), [](auto b) { return b == kMarker; }))
      << "the call wrote past the data";

  const std::string long_command = "C:\\" + std::string(5000, 'x') + ".exe";
  set_text(key, "Long", long_command);
  EXPECT_EQ(read_text(key, "Long"), long_command);
}

TEST_F(PlatformContract, StringsStoredWithoutTheirNulReadWhole) {
  // Windows hands such data back as stored; Wine adds the NUL when there is
  // room. Either way the text must come back complete and nothing more.
  RegKey key = scratch();
  const std::string long_command = "C:\\" + std::string(3000, 'u') + ".exe";
  ASSERT_EQ(reg().set_value(key, "Bare", regtype::kSz, unterminated("C:\\bare.exe")), 0);
  ASSERT_EQ(reg().set_value(key, "Expand", regtype::kExpandSz, unterminated("%windir%\\x.exe")), 0);
  ASSERT_EQ(reg().set_value(key, "Long", regtype::kSz, unterminated(long_command)), 0);
  ASSERT_EQ(reg().set_value(key, "One", regtype::kSz, unterminated("x")), 0);
  EXPECT_EQ(read_text(key, "Bare"), "C:\\bare.exe");
  EXPECT_EQ(read_text(key, "Expand"), "%windir%\\x.exe");
  EXPECT_EQ(read_text(key, "Long"), long_command);
  EXPECT_EQ(read_text(key, "One"), "x");
}

TEST_F(PlatformContract, TheDefaultValueHasTheEmptyName) {
  RegKey key = scratch();
  set_text(key, "", "C:\\default.exe");
  set_text(key, "Named", "C:\\named.exe");
  EXPECT_THAT(names(key), UnorderedElementsAre("", "Named"));
  EXPECT_EQ(read_text(key, ""), "C:\\default.exe");
  EXPECT_EQ(reg().delete_value(key, ""), 0);
  EXPECT_THAT(names(key), UnorderedElementsAre("Named"));
}

TEST_F(PlatformContract, ValuesOfEveryTypeAreEnumeratedByName) {
  RegKey key = scratch();
  set_text(key, "String", "a");
  set_text(key, "Expand", "%windir%", regtype::kExpandSz);
  ASSERT_EQ(reg().set_value(key, "Bytes", regtype::kBinary, {1, 2, 3}), 0);
  ASSERT_EQ(reg().set_value(key, "Number", regtype::kDword, {1, 0, 0, 0}), 0);
  ASSERT_EQ(reg().set_value(key, "Multi", regtype::kMultiSz, {'a', 0, 0, 0, 0, 0}), 0);
  ASSERT_EQ(reg().set_value(key, "Nothing", regtype::kNone, {}), 0);
  EXPECT_THAT(names(key),
              UnorderedElementsAre("String", "Expand", "Bytes", "Number", "Multi", "Nothing"));
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(reg().query_value(key, "Nothing", type, nullptr, size), 0);
  EXPECT_EQ(size, 0u);
}

// ---- Names ----------------------------------------------------------------------------------

TEST_F(PlatformContract, ListingValuesWithTheirDataGivesEachWholeInOnePass) {
  RegKey key = scratch();
  const std::string long_command = "C:\\" + std::string(5000, 'x');
  const std::string long_name(kMaxValueNameChars, 'n');
  set_text(key, "", "default");
  set_text(key, "Long", long_command, regtype::kExpandSz);
  set_text(key, long_name, "far");
  ASSERT_EQ(reg().set_value(key, "Bytes", regtype::kBinary, {1, 2, 3}), 0);
  ASSERT_EQ(reg().set_value(key, "Bare", regtype::kSz, unterminated("C:\\bare.exe")), 0);
  std::vector<std::pair<std::string, RegValue>> values;
  ASSERT_EQ(list_values(reg(), key, values), 0);
  std::map<std::string, RegValue> by_name(values.begin(), values.end());
  ASSERT_EQ(by_name.size(), 5u);
  EXPECT_EQ(registry_bytes_to_text(by_name[""].data), "default");
  EXPECT_EQ(by_name["Long"].type, regtype::kExpandSz);
  EXPECT_EQ(registry_bytes_to_text(by_name["Long"].data), long_command);
  EXPECT_EQ(registry_bytes_to_text(by_name[long_name].data), "far");
  EXPECT_EQ(by_name["Bytes"].data, (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(registry_bytes_to_text(by_name["Bare"].data), "C:\\bare.exe");  // whole, NUL or not
  std::string name;
  RegValue value;
  EXPECT_EQ(reg().enum_value(key, 5, name, value), status::kNoMoreItems);
}

TEST_F(PlatformContract, ANameLongerThanTheBufferGivesMoreDataAndTheRegistryLimitFits) {
  struct Case {
    std::size_t name_length;
    std::uint32_t capacity;  // in UTF-16 units, with room for the NUL
    Status expected;
  };
  const Case cases[] = {
      {1999, 2000, 0},
      {2000, 2000, status::kMoreData},
      {2100, 2000, status::kMoreData},
      {2100, 16384, 0},
      {16383, 16384, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("name of " + std::to_string(c.name_length) + ", buffer of " +
                 std::to_string(c.capacity));
    RegKey key = scratch(target_->scratch_key());
    const std::string name(c.name_length, 'N');
    set_text(key, name, "x");
    std::string found = "untouched";
    EXPECT_EQ(reg().enum_value_name(key, 0, c.capacity, found), c.expected);
    EXPECT_EQ(found, c.expected == 0 ? name : "untouched");
    EXPECT_EQ(read_text(key, name), "x");
  }
}

TEST_F(PlatformContract, AWalkWithA2000CharacterBufferStopsAtALongNameAndAFullOneListsAll) {
  RegKey key = scratch();
  const std::string long_name(2100, 'L');
  for (const std::string& name :
       {std::string("A1"), std::string("B2"), long_name, std::string("C3"), std::string("D4")}) {
    set_text(key, name, "x");
  }
  std::vector<std::string> short_walk;
  EXPECT_EQ(walk(key, 2000, short_walk), status::kMoreData);
  EXPECT_LT(short_walk.size(), 5u);
  std::vector<std::string> full_walk;
  EXPECT_EQ(walk(key, kMaxValueNameChars + 1, full_walk), status::kNoMoreItems);
  EXPECT_THAT(full_walk, UnorderedElementsAre("A1", "B2", long_name, "C3", "D4"));
  EXPECT_THAT(names(key), UnorderedElementsAreArray(full_walk));
}

TEST_F(PlatformContract, NamesThatDifferOnlyInCaseReachOneValueAndOneKey) {
  RegKey key = scratch(key_ + "\\Mixed Case");
  set_text(key, "Tool", "first");
  set_text(key, "TOOL", "second");
  set_text(key, "Привет", "third");
  set_text(key, "ПРИВЕТ", "fourth");
  EXPECT_THAT(names(key), UnorderedElementsAre("Tool", "Привет"));  // the name as first written
  EXPECT_EQ(read_text(key, "tool"), "second");
  EXPECT_EQ(read_text(key, "привет"), "fourth");

  RegKey other;
  ASSERT_EQ(reg().open_key(kHkeyCurrentUser, key_ + "\\MIXED case", access::kRead, other), 0);
  EXPECT_EQ(read_text(other, "tOOL"), "second");
  EXPECT_EQ(reg().delete_value(key, "tOoL"), 0);
  EXPECT_EQ(reg().delete_value(key, "пРиВеТ"), 0);
  EXPECT_THAT(names(other), IsEmpty());
}

TEST_F(PlatformContract, NamesAndDataOutsideAsciiRoundTrip) {
  const std::string texts[] = {
      "Программа запуска",  // Cyrillic
      "启动程序",           // CJK
      "Rocket 🚀 launcher",  // beyond the BMP: a surrogate pair in UTF-16
      "Ünïcödé ß",          // Latin-1
      "mixed Ω 程 🚀 \"quoted\"",
  };
  RegKey key = scratch(key_ + "\\Ключ 键 🔑");
  for (const std::string& text : texts) set_text(key, text, "C:\\" + text + "\\run.exe");
  EXPECT_THAT(names(key), UnorderedElementsAreArray(texts));
  for (const std::string& text : texts) {
    EXPECT_EQ(read_text(key, text), "C:\\" + text + "\\run.exe");
  }
  RegKey again;
  ASSERT_EQ(reg().open_key(kHkeyCurrentUser, key_ + "\\Ключ 键 🔑", access::kRead, again), 0);
  EXPECT_EQ(read_text(again, texts[2]), "C:\\" + texts[2] + "\\run.exe");
}

TEST_F(PlatformContract, SubkeysAreListedByTheirWholeNamesAsWrittenAndValuesAreNot) {
  const std::string long_name(255, 'k');  // the registry's longest key name
  const std::string names_written[] = {"Plain", "Ключ 键 🔑", "Mixed.Case_8wekyb3d8bbwe", long_name};
  RegKey parent = scratch(key_ + "\\Parent");
  set_text(parent, "A value", "not a key");
  for (const std::string& name : names_written) scratch(key_ + "\\Parent\\" + name);
  scratch(key_ + "\\Parent\\Plain\\Below");  // one level only
  std::vector<std::string> found;
  EXPECT_EQ(list_subkey_names(reg(), parent, found), 0);
  EXPECT_THAT(found, UnorderedElementsAreArray(names_written));

  std::string name;
  EXPECT_EQ(reg().enum_key_name(parent, 4, name), status::kNoMoreItems);
  RegKey empty = scratch(key_ + "\\Parent\\Plain\\Below");
  EXPECT_EQ(reg().enum_key_name(empty, 0, name), status::kNoMoreItems);

  RegKey missing = scratch();
  EXPECT_EQ(reg().open_key(kHkeyCurrentUser, key_ + "\\Missing", access::kRead, missing), 2);
  EXPECT_FALSE(missing.is_open());
  EXPECT_EQ(reg().enum_key_name(missing, 0, name), status::kInvalidHandle);
}

// ---- Settings store -----------------------------------------------------------------------

TEST_F(PlatformContract, TheSettingsStoreIsAPlainKeyPerSectionWithOneStringValuePerKey) {
  SettingsStore store(reg());
  const std::string application = target_->scratch_application();
  store.save_setting(application, "Disabled\\-2147483647", "Tool", "C:\\tool.exe /min");
  store.save_setting(application, "Disabled\\-2147483647", "Программа 🚀", "C:\\программа.exe");
  store.save_setting(application, "Disabled\\-2147483646", "Machine", "C:\\machine.exe");
  store.save_setting(application, "Disabled\\-2147483646", "Machine", "C:\\replaced.exe");

  RegKey section;
  ASSERT_EQ(reg().open_key(
                kHkeyCurrentUser,
                "Software\\VB and VBA Program Settings\\" + application + "\\Disabled\\-2147483647",
                access::kRead, section),
            0);
  std::vector<std::string> found;
  ASSERT_EQ(walk(section, 2000, found), status::kNoMoreItems);
  EXPECT_THAT(found, UnorderedElementsAre("Tool", "Программа 🚀"));
  RegValue value;
  ASSERT_EQ(read_value(reg(), section, "Tool", value), 0);
  EXPECT_EQ(value.type, regtype::kSz);
  EXPECT_EQ(value.data, text_to_registry_bytes("C:\\tool.exe /min"));  // with its NUL

  RegKey machine;
  ASSERT_EQ(reg().open_key(kHkeyCurrentUser,
                           SettingsStore::section_key_path(application, "Disabled\\-2147483646"),
                           access::kRead, machine),
            0);
  EXPECT_THAT(names(machine), UnorderedElementsAre("Machine"));
  EXPECT_EQ(store.find_setting(application, "Disabled\\-2147483646", "machine"),
            "C:\\replaced.exe");
  EXPECT_EQ(store.find_setting(application, "Disabled\\-2147483647", "Программа 🚀"),
            "C:\\программа.exe");
}

TEST_F(PlatformContract, ReadingAMissingSettingGivesNothingAndDeletingOneRaises) {
  SettingsStore store(reg());
  const std::string application = target_->scratch_application();
  const std::string section = "Disabled\\-2147483647";
  EXPECT_EQ(store.find_setting(application, section, "Tool"), std::nullopt);
  const std::string subject =
      "HKEY_CURRENT_USER\\" + SettingsStore::section_key_path(application, section) + "\\Tool";
  EXPECT_EQ(raised([&] { store.delete_setting(application, section, "Tool"); }, subject), 2)
      << "missing section";

  store.save_setting(application, section, "Other", "x");
  EXPECT_EQ(raised([&] { store.delete_setting(application, section, "Tool"); }, subject), 2)
      << "missing key";
  store.save_setting(application, section, "Tool", "C:\\tool.exe");
  EXPECT_EQ(raised([&] { store.delete_setting(application, section, "Tool"); }, subject), 0);
  EXPECT_EQ(store.find_setting(application, section, "Tool"), std::nullopt);
  EXPECT_EQ(store.find_setting(application, section, "Other"), "x");
}

TEST_F(PlatformContract, ASettingStoredWithoutItsNulReadsWhole) {
  SettingsStore store(reg());
  const std::string application = target_->scratch_application();
  RegKey section = scratch(SettingsStore::section_key_path(application, "Disabled\\-2147483647"));
  ASSERT_EQ(reg().set_value(section, "Bare", regtype::kSz, unterminated("C:\\bare.exe")), 0);
  EXPECT_EQ(store.find_setting(application, "Disabled\\-2147483647", "Bare"), "C:\\bare.exe");
}

// ---- Files and folders -----------------------------------------------------------------------

class FileContract : public PlatformContract {
 protected:
  void SetUp() override {
    PlatformContract::SetUp();
    folder_ = target_->scratch_folder();
  }
  std::string at(const std::string& name) { return folder_ + "\\" + name; }
  void write(const std::string& name, const std::string& content = "shortcut") {
    target_->write_file(at(name), content);
  }
  std::string folder_;
};

TEST_F(FileContract, DirWithoutAttributesListsOrdinaryFilesOnlyAndWithFoldersAddsFolders) {
  for (const char* name : {"Tool.lnk", "UPPER.LNK", ".lnk", "Программа 启动 🚀.lnk", "hidden.lnk",
                           "system.lnk", "readonly.lnk", "notes.txt", "Tool.lnk2"}) {
    write(name);
  }
  target_->set_attributes(at("hidden.lnk"), attr::kHidden);
  target_->set_attributes(at("system.lnk"), attr::kSystem);
  target_->set_attributes(at("readonly.lnk"), attr::kReadOnly);
  files().make_dir(at("Folder.lnk"));
  files().make_dir(at("Hidden folder.lnk"));
  target_->set_attributes(at("Hidden folder.lnk"), attr::kHidden);

  EXPECT_THAT(files().dir(at("*.lnk"), attr::kNormal),
              UnorderedElementsAre("Tool.lnk", "UPPER.LNK", ".lnk", "Программа 启动 🚀.lnk",
                                   "readonly.lnk"));
  EXPECT_THAT(files().dir(at("*.lnk"), attr::kDirectory),
              UnorderedElementsAre("Tool.lnk", "UPPER.LNK", ".lnk", "Программа 启动 🚀.lnk",
                                   "readonly.lnk", "Folder.lnk"));
  EXPECT_THAT(files().dir(at("*"), attr::kDirectory),
              UnorderedElementsAre("Tool.lnk", "UPPER.LNK", ".lnk", "Программа 启动 🚀.lnk",
                                   "readonly.lnk", "notes.txt", "Tool.lnk2", "Folder.lnk"));
  EXPECT_THAT(files().dir(at("*.*"), attr::kNormal),
              UnorderedElementsAre("Tool.lnk", "UPPER.LNK", ".lnk", "Программа 启动 🚀.lnk",
                                   "readonly.lnk", "notes.txt", "Tool.lnk2"));
  EXPECT_THAT(files().dir(at("Folder.lnk"), attr::kDirectory), UnorderedElementsAre("Folder.lnk"));
  EXPECT_THAT(files().dir(at("Folder.lnk"), attr::kNormal), IsEmpty());
  EXPECT_THAT(files().dir(at("nothing*.lnk"), attr::kNormal), IsEmpty());
  EXPECT_THAT(files().dir(at("Missing\\*.lnk"), attr::kNormal), IsEmpty());
  EXPECT_THAT(files().dir(at("Missing"), attr::kDirectory), IsEmpty());
  EXPECT_THAT(files().dir(at("notes.txt\\*.lnk"), attr::kNormal), IsEmpty());  // a file, no folder
}

TEST_F(FileContract, MkDirMakesOneLevelAndRaisesWhenItCannot) {
  EXPECT_TRUE(files().folder_exists(folder_));
  files().make_dir(at("One"));
  EXPECT_TRUE(files().folder_exists(at("One")));
  EXPECT_EQ(raised([&] { files().make_dir(at("One")); }, at("One")), status::kAlreadyExists);
  EXPECT_EQ(raised([&] { files().make_dir(at("Two\\Three")); }, at("Two\\Three")),
            status::kPathNotFound);
  EXPECT_FALSE(files().folder_exists(at("Two")));
  write("file");
  EXPECT_FALSE(files().folder_exists(at("file")));
  EXPECT_FALSE(files().folder_exists(at("Missing")));
}

TEST_F(FileContract, FileCopyReplacesTheDestinationEvenWhenItIsReadOnly) {
  write("source.lnk", "new content");
  write("target.lnk", "old content that is longer");
  files().file_copy(at("source.lnk"), at("target.lnk"));
  EXPECT_EQ(target_->read_file(at("target.lnk")), "new content");
  EXPECT_EQ(target_->read_file(at("source.lnk")), "new content");

  write("source.lnk", "newer");
  target_->set_attributes(at("target.lnk"), attr::kReadOnly);
  files().file_copy(at("source.lnk"), at("target.lnk"));
  EXPECT_EQ(target_->read_file(at("target.lnk")), "newer");

  files().file_copy(at("source.lnk"), at("Программа 🚀.lnk"));
  EXPECT_EQ(target_->read_file(at("Программа 🚀.lnk")), "newer");
}

TEST_F(FileContract, FileCopyRaisesNamingTheMissingSourceOrTheUnusableDestination) {
  EXPECT_EQ(
      raised([&] { files().file_copy(at("missing.lnk"), at("copy.lnk")); }, at("missing.lnk")),
      status::kFileNotFound);
  write("source.lnk");
  EXPECT_EQ(raised([&] { files().file_copy(at("source.lnk"), at("Missing\\copy.lnk")); },
                   at("Missing\\copy.lnk")),
            status::kPathNotFound);
  EXPECT_THAT(files().dir(at("*"), attr::kDirectory), UnorderedElementsAre("source.lnk"));
}

TEST_F(FileContract, KillDeletesAFileAndRaisesForAMissingOne) {
  write("Tool.lnk");
  files().kill(at("Tool.lnk"));
  EXPECT_THAT(files().dir(at("*"), attr::kDirectory), IsEmpty());
  EXPECT_EQ(raised([&] { files().kill(at("Tool.lnk")); }, at("Tool.lnk")), status::kFileNotFound);
  EXPECT_EQ(raised([&] { files().kill(at("Missing\\Tool.lnk")); }, at("Missing\\Tool.lnk")),
            status::kPathNotFound);
  files().make_dir(at("Folder.lnk"));
  EXPECT_EQ(raised([&] { files().kill(at("Folder.lnk")); }, at("Folder.lnk")),
            status::kAccessDenied);
  EXPECT_TRUE(files().folder_exists(at("Folder.lnk")));
}

TEST_F(FileContract, FoldersAndShortcutsDeeperThanMaxPathWorkLikeAnyOther) {
  std::string deep = folder_;
  while (deep.size() < 300) {
    deep += "\\" + std::string(40, 'd');
    files().make_dir(deep);
  }
  ASSERT_TRUE(files().folder_exists(deep));
  const std::string source = deep + "\\Tool.lnk";
  target_->write_file(source, "deep");
  EXPECT_THAT(files().dir(deep + "\\*.lnk", attr::kNormal), UnorderedElementsAre("Tool.lnk"));
  files().file_copy(source, deep + "\\Copy.lnk");
  EXPECT_EQ(target_->read_file(deep + "\\Copy.lnk"), "deep");
  files().kill(source);
  EXPECT_THAT(files().dir(deep + "\\*.lnk", attr::kNormal), UnorderedElementsAre("Copy.lnk"));
}

TEST_F(FileContract, FileContentReadsAnyFileWholeAndNothingWhereThereIsNone) {
  const std::string bytes("L\0\0\0\x01\x14\x02\0 binary", 15);
  write("Tool.lnk", bytes);
  write("Hidden.lnk", "hidden");
  target_->set_attributes(at("Hidden.lnk"), attr::kHidden | attr::kSystem);
  write("Empty.lnk", "");
  EXPECT_EQ(files().file_content(at("Tool.lnk")), bytes);
  EXPECT_EQ(files().file_content(at("TOOL.LNK")), bytes);
  EXPECT_EQ(files().file_content(at("Hidden.lnk")), "hidden");
  EXPECT_EQ(files().file_content(at("Empty.lnk")), "");
  EXPECT_EQ(files().file_content(at("Missing.lnk")), std::nullopt);
  EXPECT_EQ(files().file_content(at("Missing\\Tool.lnk")), std::nullopt);
  files().make_dir(at("Folder.lnk"));
  EXPECT_EQ(raised([&] { files().file_content(at("Folder.lnk")); }, at("Folder.lnk")),
            status::kAccessDenied);
}

TEST_F(FileContract, FileStartReadsNoMoreThanAskedAndAShorterFileWhole) {
  write("Manifest.xml", "0123456789");
  EXPECT_EQ(files().file_start(at("Manifest.xml"), 4), "0123");
  EXPECT_EQ(files().file_start(at("Manifest.xml"), 10), "0123456789");
  EXPECT_EQ(files().file_start(at("Manifest.xml"), 100), "0123456789");
  EXPECT_EQ(files().file_start(at("Manifest.xml"), 0), "");
  EXPECT_EQ(files().file_start(at("Missing.xml"), 4), std::nullopt);
  files().make_dir(at("Folder.xml"));
  EXPECT_EQ(raised([&] { files().file_start(at("Folder.xml"), 4); }, at("Folder.xml")),
            status::kAccessDenied);
}

TEST_F(FileContract, FileAttributesAreReadAndSetAsDirListsTheFile) {
  constexpr std::uint32_t kAsked =
      attr::kReadOnly | attr::kHidden | attr::kSystem | attr::kDirectory;
  write("Tool.lnk");
  files().make_dir(at("Folder"));
  EXPECT_EQ(files().file_attributes(at("Tool.lnk")).value_or(kAsked) & kAsked, 0u);
  EXPECT_EQ(files().file_attributes(at("TOOL.LNK")).value_or(kAsked) & kAsked, 0u);
  EXPECT_EQ(files().file_attributes(at("Folder")).value_or(0) & kAsked, attr::kDirectory);
  EXPECT_EQ(files().file_attributes(at("Missing.lnk")), std::nullopt);
  EXPECT_EQ(files().file_attributes(at("Missing\\Tool.lnk")), std::nullopt);

  const struct {
    std::uint32_t set;
    bool listed;
  } cases[] = {
      {attr::kHidden, false},
      {attr::kSystem, false},
      {attr::kHidden | attr::kSystem | attr::kReadOnly, false},
      {attr::kReadOnly, true},
      {0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.set);
    files().set_file_attributes(at("Tool.lnk"), c.set);
    EXPECT_EQ(files().file_attributes(at("Tool.lnk")).value_or(kAsked) & kAsked, c.set);
    EXPECT_EQ(files().dir(at("*.lnk"), attr::kNormal).size(), c.listed ? 1u : 0u);
  }
  EXPECT_EQ(target_->read_file(at("Tool.lnk")), "shortcut");
  EXPECT_EQ(raised([&] { files().set_file_attributes(at("Missing.lnk"), 0); }, at("Missing.lnk")),
            status::kFileNotFound);
  EXPECT_EQ(raised([&] { files().set_file_attributes(at("Missing\\Tool.lnk"), 0); },
                   at("Missing\\Tool.lnk")),
            status::kPathNotFound);
}

TEST_F(FileContract, RemovableTellsWhatKillWouldSayWithoutDeleting) {
  write("Tool.lnk");
  write("Hidden.lnk");
  target_->set_attributes(at("Hidden.lnk"), attr::kHidden);
  write("ReadOnly.lnk");
  target_->set_attributes(at("ReadOnly.lnk"), attr::kReadOnly);
  files().make_dir(at("Folder.lnk"));
  const struct {
    std::string name;
    Status expected;
  } cases[] = {
      {"Tool.lnk", 0},
      {"Hidden.lnk", 0},
      {"ReadOnly.lnk", status::kAccessDenied},
      {"Folder.lnk", status::kAccessDenied},
      {"Missing.lnk", status::kFileNotFound},
      {"Missing\\Tool.lnk", status::kPathNotFound},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(files().removable(at(c.name)), c.expected) << c.name;
  }
  EXPECT_EQ(target_->read_file(at("Tool.lnk")), "shortcut");
  EXPECT_EQ(target_->read_file(at("ReadOnly.lnk")), "shortcut");
}

TEST_F(PlatformContract, SameNameIsEqualButForLetterCaseCharacterByCharacter) {
  const struct {
    std::string a, b;
    bool same;
  } cases[] = {
      {"Tool", "TOOL", true},
      {"Äpfel und Öl", "äPFEL UND öL", true},
      {"Диспетчер задач", "ДИСПЕТЧЕР ЗАДАЧ", true},
      {"Αθήνα", "ΑΘΉΝΑ", true},
      {"", "", true},
      {"straße", "STRASSE", false},  // no linguistic folding
      {"Tool", "Tool ", false},
      {"Tool", "Tool\xED\xA0\x80", false},
      {"Cafe\xCC\x81", "Caf\xC3\xA9", false},  // no normalisation either
  };
  TextRules& rules = target_->text_rules();
  for (const auto& c : cases) {
    EXPECT_EQ(rules.same_name(c.a, c.b), c.same) << c.a << " / " << c.b;
    EXPECT_EQ(rules.name_key(c.a) == rules.name_key(c.b), c.same) << c.a << " / " << c.b;
  }
}

// An entry's id is made of its name key: two names must give one key exactly
// when they are one name, also for letters whose upper case is not plain
// (dotless i, long s, the Kelvin sign, title-case digraphs, letters beyond
// U+FFFF), whichever way Windows decides them.
TEST_F(PlatformContract, NameKeysAreEqualExactlyWhenTheNamesAreTheSameName) {
  const std::pair<std::string, std::string> pairs[] = {
      {"\xC4\xB1", "I"},                         // ı
      {"i", "\xC4\xB0"},                         // İ
      {"\xC5\xBF", "S"},                         // ſ
      {"\xE2\x84\xAA", "k"},                     // Kelvin sign
      {"\xE2\x84\xA6", "\xCF\x89"},              // Ohm sign, ω
      {"\xC7\x85", "\xC7\x84"},                  // ǅ, Ǆ
      {"\xC7\x86", "\xC7\x85"},                  // ǆ, ǅ
      {"\xC3\x9F", "\xE1\xBA\x9E"},              // ß, ẞ
      {"\xC2\xB5", "\xCE\x9C"},                  // micro sign, Μ
      {"\xEF\xAC\x80", "FF"},                    // ﬀ
      {"\xF0\x90\x90\xA8", "\xF0\x90\x90\x80"},  // Deseret small and capital long i
  };
  TextRules& rules = target_->text_rules();
  for (const auto& [a, b] : pairs) {
    EXPECT_EQ(rules.name_key(a) == rules.name_key(b), rules.same_name(a, b)) << a << " / " << b;
  }
}

TEST_F(PlatformContract, TheMachinesSoftwareKeyShowsA32BitViewApartFromThe64BitOne) {
  ASSERT_TRUE(reg().views_are_separate());  // these tests run on a 64-bit system
  const std::string key = target_->scratch_machine_key();
  for (const auto& [view, text] : {std::pair{access::kView32, "32"}, {access::kView64, "64"}}) {
    RegKey opened;
    ASSERT_EQ(reg().create_key(kHkeyLocalMachine, key, kReadWrite | view, opened), 0);
    set_text(opened, "Tool", text);
  }
  const auto text_in = [&](Hive hive, const std::string& path, std::uint32_t view) {
    RegKey opened;
    const Status result = reg().open_key(hive, path, access::kRead | view, opened);
    return result == 0 ? read_text(opened, "Tool") : "<status " + std::to_string(result) + ">";
  };
  EXPECT_EQ(text_in(kHkeyLocalMachine, key, access::kView32), "32");
  EXPECT_EQ(text_in(kHkeyLocalMachine, key, access::kView64), "64");
  EXPECT_EQ(text_in(kHkeyLocalMachine, key, 0), "64");  // a 64-bit program's own view
  EXPECT_EQ(text_in(kHkeyLocalMachine, "SOFTWARE\\WOW6432Node" + key.substr(8), 0), "32");
  // The current user's keys are one, whichever view is asked for.
  RegKey mine = scratch();
  set_text(mine, "Tool", "shared");
  EXPECT_EQ(text_in(kHkeyCurrentUser, key_, access::kView32), "shared");
}

TEST_F(PlatformContract, SortKeysOrderTextsAsTheListShowsThem) {
  TextRules& rules = target_->text_rules();
  const std::vector<std::string> ascending = {
      "",
      "2 Tools",
      "Apfel",
      "\xC3\x84rger",  // Ärger: A with its accent, before B
      "Banana",
      "cherry",
      "resume",
      "r\xC3\xA9sum\xC3\xA9",
      "resumes",
      "Unicode",
      "\xC3\x9Cn\xC3\xAF"
      "code",
      "Zebra",
  };
  for (std::size_t i = 0; i + 1 < ascending.size(); ++i) {
    EXPECT_LT(rules.sort_key(ascending[i]), rules.sort_key(ascending[i + 1]))
        << ascending[i] << " / " << ascending[i + 1];
  }
  // Keys longer than most, of names near the registry's longest.
  const std::string long_name(8000, 'n');
  EXPECT_LT(rules.sort_key(long_name + "a"), rules.sort_key(long_name + "B"));
  EXPECT_EQ(rules.sort_key(long_name + "a"), rules.sort_key(long_name + "A"));
  EXPECT_EQ(rules.sort_key("Tool"), rules.sort_key("TOOL"));
  EXPECT_EQ(rules.sort_key("\xC3\x9C"
                           "ber"),
            rules.sort_key("\xC3\xBC"
                           "BER"));  // Über, üBER
}

TEST_F(PlatformContract, AValueNameWithANulIsListedWholeAndCallsByItReachTheShorterName) {
  RegKey key = scratch();
  set_text(key, "Tool", "short");
  const std::string odd("Tool\0x", 6);
  target_->put_value_with_nul(key_, odd, "long");
  EXPECT_THAT(names(key), UnorderedElementsAre("Tool", odd));
  EXPECT_EQ(read_text(key, odd), "short");
  EXPECT_EQ(reg().delete_value(key, odd), 0);
  EXPECT_THAT(names(key), UnorderedElementsAre(odd));
  EXPECT_FALSE(is_exact_name(odd));
}

TEST_F(PlatformContract, ALoneSurrogateInANameComesBackAsTheSameName) {
  RegKey key = scratch();
  const std::string lone = "Tool\xED\xA0\x80";  // U+D800 on its own
  set_text(key, lone, "lone");
  set_text(key, "Tool\xEF\xBF\xBD", "replacement");
  EXPECT_THAT(names(key), UnorderedElementsAre(lone, "Tool\xEF\xBF\xBD"));
  EXPECT_EQ(read_text(key, lone), "lone");
  EXPECT_FALSE(is_exact_name(lone));
  EXPECT_TRUE(is_exact_name("Tool\xEF\xBF\xBD"));
}

TEST_F(FileContract, AShortcutGivesItsTargetAndArgumentsAndOtherFilesAreNone) {
  write("tool.exe", "MZ");
  target_->write_shortcut(at("Tool.lnk"), at("tool.exe"), "/tray --quiet");
  write("Fake.lnk", "not a shortcut at all");
  Programs& programs = target_->programs();
  const std::optional<ShortcutLink> link = programs.read_shortcut(at("Tool.lnk"));
  ASSERT_TRUE(link.has_value());
  EXPECT_TRUE(target_->text_rules().same_name(link->target, at("tool.exe"))) << link->target;
  EXPECT_EQ(link->arguments, "/tray --quiet");
  EXPECT_EQ(programs.read_shortcut(at("Fake.lnk")), std::nullopt);
  EXPECT_NE(raised([&] { programs.read_shortcut(at("Missing.lnk")); }, at("Missing.lnk")), 0);
  // Read after those failures, another shortcut gives its own target, with
  // nothing left over from the first.
  target_->write_shortcut(at("Other.lnk"), at("other.exe"), "");
  const std::optional<ShortcutLink> other = programs.read_shortcut(at("Other.lnk"));
  ASSERT_TRUE(other.has_value());
  EXPECT_TRUE(target_->text_rules().same_name(other->target, at("other.exe"))) << other->target;
  EXPECT_EQ(other->arguments, "");
}

TEST_F(FileContract, ProgramsAreFilesNotFoldersAndUnknownNamesAreFoundNowhere) {
  write("tool.exe", "MZ");
  files().make_dir(at("folder.exe"));
  Programs& programs = target_->programs();
  EXPECT_TRUE(programs.is_file(at("tool.exe")));
  EXPECT_TRUE(programs.is_file(at("TOOL.EXE")));
  EXPECT_FALSE(programs.is_file(at("folder.exe")));
  EXPECT_FALSE(programs.is_file(at("missing.exe")));
  EXPECT_EQ(programs.describe_file(at("tool.exe")).company, "");  // no version resource
  // An unknown variable stays as written, as Windows leaves it.
  EXPECT_EQ(programs.expand_environment("C:\\%RUNWARDEN_NO_SUCH_VARIABLE%\\x.exe"),
            "C:\\%RUNWARDEN_NO_SUCH_VARIABLE%\\x.exe");
}

// A share that is not there: were it asked, the check would wait for the network.
constexpr const char* kOnTheNetwork = "\\\\runwarden-no-such-server\\share\\tool.exe";

TEST_F(FileContract, ASignatureSaysWhoSignedAFileAndWhetherTheFileChangedOrIsTrusted) {
  using signed_programs::Kind;
  const std::string trusted(signed_programs::kTrustedSigner);
  const std::string untrusted(signed_programs::kUntrustedSigner);
  struct Case {
    std::string path;
    std::optional<Kind> placed;  // nothing: what this case makes itself, if anything
    Signature expected;
  };
  const Case cases[] = {
      {at("Prüfung 启动.exe"), Kind::kSignedByTrustedRoot, {SignatureState::kValid, trusted}},
      {at("tampered.exe"), Kind::kChangedAfterSigning, {SignatureState::kNotValid, trusted}},
      {at("untrusted.exe"), Kind::kSignedByUntrusted, {SignatureState::kNotTrusted, untrusted}},
      {at("unsigned.exe"), Kind::kUnsigned, {SignatureState::kNotSigned, std::nullopt}},
      {at("notes.exe"), std::nullopt, {SignatureState::kNotSigned, std::nullopt}},
      {at("missing.exe"), std::nullopt, {SignatureState::kNotChecked, std::nullopt}},
      {at("folder.exe"), std::nullopt, {SignatureState::kNotChecked, std::nullopt}},
      {kOnTheNetwork, std::nullopt, {SignatureState::kNotChecked, std::nullopt}},
  };
  write("notes.exe", "a text that is named like a program");
  files().make_dir(at("folder.exe"));
  for (const Case& each : cases) {
    if (each.placed && !target_->place_program(each.path, *each.placed))
      GTEST_SKIP() << "no signed programs: openssl or osslsigncode was missing at build time";
  }
  Programs& programs = target_->programs();
  for (const Case& each : cases) {
    SCOPED_TRACE(each.path);
    const Signature found = programs.signature(each.path);
    EXPECT_EQ(static_cast<int>(found.state), static_cast<int>(each.expected.state));
    EXPECT_EQ(found.signer, each.expected.signer);
  }
}

TEST_F(FileContract, TheSha256OfAFileIsThatOfItsBytesAndNothingWhereNoFileIs) {
  struct Known {
    const char* name;
    std::string content;
    const char* sha256;
  };
  const Known known[] = {
      {"empty.exe", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc.exe", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      // Longer than any one read of the file.
      {"million.exe", std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Known& each : known) {
    write(each.name, each.content);
    target_->tell_sha256(each.content, each.sha256);
  }
  Programs& programs = target_->programs();
  for (const Known& each : known) EXPECT_EQ(programs.sha256(at(each.name)), each.sha256);
  // Changed since the first hash: the hash of the new bytes.
  write("abc.exe", "");
  EXPECT_EQ(programs.sha256(at("abc.exe")), known[0].sha256);
  files().make_dir(at("folder.exe"));
  for (const std::string& nothing :
       {at("missing.exe"), at("folder.exe"), std::string(kOnTheNetwork)})
    EXPECT_EQ(programs.sha256(nothing), std::nullopt) << nothing;
}

TEST_F(PlatformContract, TheSpecialFoldersAndTheProgramFolderExist) {
  Folders& folders = target_->folders();
  for (int csidl : {kCsidlStartup, kCsidlCommonStartup}) {
    const std::string path = folders.special_folder(csidl);
    SCOPED_TRACE("folder id " + std::to_string(csidl) + ": " + path);
    EXPECT_GE(path.size(), 3u);
    EXPECT_TRUE(files().folder_exists(path));
  }
  EXPECT_NE(folders.special_folder(kCsidlStartup), folders.special_folder(kCsidlCommonStartup));
  const std::string windows = folders.windows_directory();
  EXPECT_FALSE(windows.empty());
  EXPECT_NE(windows.back(), '\\');
  EXPECT_TRUE(files().folder_exists(windows)) << windows;
  const std::string system = folders.system_directory();
  EXPECT_FALSE(system.empty());
  EXPECT_NE(system.back(), '\\');
  EXPECT_TRUE(files().folder_exists(system)) << system;
  EXPECT_FALSE(target_->text_rules().same_name(system, windows)) << system;
  const std::string program = folders.program_folder();
  EXPECT_FALSE(program.empty());
  EXPECT_NE(program.back(), '\\');
  EXPECT_TRUE(files().folder_exists(program)) << program;
}

TEST_F(PlatformContract, OnlyALetterMappedToANetworkShareIsANetworkDrive) {
  Folders& folders = target_->folders();
  const std::string windows = folders.windows_directory();
  if (windows.size() >= 2 && windows[1] == ':') {
    EXPECT_FALSE(folders.is_network_drive(windows[0])) << windows;
  }
  for (const char no_letter : {'\\', '1', '?', ':', '\0'}) {
    EXPECT_FALSE(folders.is_network_drive(no_letter)) << static_cast<int>(no_letter);
  }
  const std::optional<char> mapped = target_->network_drive();
  if (!mapped) GTEST_SKIP() << "no drive can be mapped to a network share here";
  EXPECT_TRUE(folders.is_network_drive(*mapped));
  EXPECT_TRUE(folders.is_network_drive(static_cast<char>(*mapped - 'A' + 'a')));
}

TEST_F(PlatformContract, AnEnvironmentVariableIsReadWholeAndAMissingOneIsNothing) {
  Programs& programs = target_->programs();
  // Around the first buffer's size, and far past it; the empty value is set.
  for (const std::size_t length : {0u, 259u, 260u, 261u, 5000u}) {
    const std::string value = std::string(length, 'v');
    target_->set_environment_variable("RUNWARDEN_CONTRACT_VALUE", value);
    EXPECT_EQ(programs.environment_variable("RUNWARDEN_CONTRACT_VALUE"), value) << length;
  }
  target_->set_environment_variable("RUNWARDEN_CONTRACT_VALUE", "C:\\\xC3\x9C\xF0\x9F\x98\x80");
  EXPECT_EQ(programs.environment_variable("runwarden_contract_value"),
            "C:\\\xC3\x9C\xF0\x9F\x98\x80");  // any letter case, and not ASCII
  EXPECT_EQ(programs.environment_variable("RUNWARDEN_NO_SUCH_VARIABLE"), std::nullopt);
  // Windows' own programs are on the search path.
  const std::optional<std::string> path = programs.environment_variable("PATH");
  ASSERT_TRUE(path.has_value());
  EXPECT_THAT(target_->text_rules().name_key(*path),
              HasSubstr(target_->text_rules().name_key(target_->folders().system_directory())));
}

TEST_F(PlatformContract, EveryStatusHasWordsThatFitIntoASentence) {
  for (Status code : {2, 3, 5, 32, 183, 234, 259, 0x7FFFFFF0}) {
    const std::string words = target_->status_text().describe(code);
    SCOPED_TRACE("status " + std::to_string(code) + ": \"" + words + "\"");
    ASSERT_FALSE(words.empty());
    EXPECT_EQ(words.find_first_of("\r\n"), std::string::npos);
    EXPECT_NE(words.back(), ' ');
  }
  EXPECT_NE(target_->status_text().describe(2), target_->status_text().describe(5));
}

// ---- Scheduled tasks ------------------------------------------------------------------------

struct PlacedTask {
  std::string tail;  // below the scratch folder
  bool enabled;
  bool hidden;
  std::string command;
  std::string arguments;
};

// A task that starts a program at logon, as Task Scheduler writes one.
std::string task_xml(const PlacedTask& task) {
  const auto flag = [](bool on) { return on ? "true" : "false"; };
  return std::string(R"(<?xml version="1.0" encoding="UTF-16"?>
<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">
  <RegistrationInfo><Author>Contract</Author></RegistrationInfo>
  <Triggers><LogonTrigger><Enabled>true</Enabled></LogonTrigger></Triggers>
  <Principals><Principal id="Author"><LogonType>InteractiveToken</LogonType></Principal></Principals>
  <Settings><Enabled>)") +
         flag(task.enabled) + "</Enabled><Hidden>" + flag(task.hidden) + R"(</Hidden></Settings>
  <Actions Context="Author"><Exec><Command>)" +
         task.command + "</Command><Arguments>" + task.arguments + R"(</Arguments></Exec></Actions>
</Task>
)";
}

class TaskContract : public PlatformContract {
 protected:
  void SetUp() override {
    PlatformContract::SetUp();
    folder_ = target_->scratch_task_folder();
  }
  TaskScheduler& tasks() { return target_->task_scheduler(); }
  std::string place(const PlacedTask& task) {
    const std::string path = folder_ + "\\" + task.tail;
    target_->place_task(path, task.enabled, task_xml(task));
    return path;
  }
  // The tasks read below the scratch folder, by path; nothing there may fail.
  std::map<std::string, ScheduledTask> read_placed() {
    std::map<std::string, ScheduledTask> placed;
    const TaskList list = tasks().read_tasks();
    for (const PlatformError& problem : list.problems) {
      EXPECT_EQ(problem.subject().find(folder_), std::string::npos) << problem.what();
    }
    for (const ScheduledTask& task : list.tasks) {
      if (task.path.starts_with(folder_ + "\\")) placed.emplace(task.path, task);
    }
    return placed;
  }
  std::string folder_;
};

TEST_F(TaskContract, TasksOfEveryFolderAreReadWithTheirPathNameStateAndWholeDefinition) {
  const std::vector<PlacedTask> placed = {
      {"Updater", true, false, "C:\\Vendor\\updater.exe", "/tray"},
      {"Inner\\Deeper\\Hidden Helper", false, true, "C:\\Program Files\\Helper\\helper.exe", "-q"},
      {"Ünïcödé 启动", true, false, "C:\\Ünï\\启动.exe", "--Ω"},
  };
  for (const PlacedTask& task : placed) place(task);
  const std::map<std::string, ScheduledTask> found = read_placed();
  EXPECT_EQ(found.size(), placed.size());
  for (const PlacedTask& task : placed) {
    SCOPED_TRACE(task.tail);
    const auto read = found.find(folder_ + "\\" + task.tail);
    ASSERT_NE(read, found.end());
    EXPECT_EQ(read->second.name, task.tail.substr(task.tail.rfind('\\') + 1));
    EXPECT_EQ(read->second.enabled, task.enabled);
    // Wine's own XML of a task has "<Triggers/>" and an empty "<Exec/>":
    // the definition must come whole all the same.
    EXPECT_THAT(read->second.definition, HasSubstr("<LogonTrigger>"));
    EXPECT_THAT(read->second.definition, HasSubstr("<Command>" + task.command + "</Command>"));
    EXPECT_THAT(read->second.definition, HasSubstr(task.arguments));
  }
}

TEST_F(TaskContract, SwitchingAnswersWithTheStateReadBackAndNeverLosesTheDefinition) {
  const PlacedTask task{"Switched", true, false, "C:\\Vendor\\tray.exe", "/background"};
  const std::string path = place(task);
  const std::string kept = target_->kept_task(path);
  for (const bool wanted : {false, true, true}) {
    SCOPED_TRACE(wanted ? "on" : "off");
    const bool before = read_placed().at(path).enabled;
    const bool answer = tasks().set_enabled(path, wanted);
    const ScheduledTask after = read_placed().at(path);
    EXPECT_EQ(after.enabled, answer);
    EXPECT_THAT(after.definition, HasSubstr("<LogonTrigger>"));
    EXPECT_THAT(after.definition, HasSubstr(task.command));
    // Windows switches. Wine 8 answers put_Enabled with S_OK and changes
    // nothing: then nothing at all may have been written.
    if (answer == before) {
      EXPECT_EQ(target_->kept_task(path), kept);
    }
  }
}

TEST_F(TaskContract, SwitchingATaskThatIsNotThereRaisesNamingItsPath) {
  place({"Present", true, false, "C:\\present.exe", ""});
  const std::string missing = folder_ + "\\Missing";
  EXPECT_EQ(raised([&] { tasks().set_enabled(missing, false); }, missing), status::kFileNotFound);
}

TEST_F(PlatformContract, TheCurrentUserIsKnownBySidAndAccountName) {
  const TaskUser user = target_->task_scheduler().current_user();
  EXPECT_TRUE(user.sid.starts_with("S-1-5-")) << user.sid;
  EXPECT_FALSE(user.name.empty());
  EXPECT_EQ(user.name.find('\\'), std::string::npos) << user.name;
}

TEST_F(PlatformContract, AnAccountIsNamedByItsSidOnlyWhereTheSidNamesOne) {
  TaskScheduler& tasks = target_->task_scheduler();
  const TaskUser me = tasks.current_user();
  const std::optional<std::string> mine = tasks.account_name(me.sid);
  ASSERT_TRUE(mine);
  EXPECT_TRUE(mine->ends_with("\\" + me.name)) << *mine;
  for (const char* sid :
       {"S-1-5-21-1-2-3-987654", "S-1-5-21-1-2-3-987654_Classes", "BA", "not a SID", ""}) {
    EXPECT_EQ(tasks.account_name(sid), std::nullopt) << sid;
  }
}

TEST_F(PlatformContract, HkeyUsersListsItsHivesAndFindsNoHiveThatIsNotLoaded) {
  RegKey users;
  ASSERT_EQ(reg().open_key(kHkeyUsers, "", access::kRead, users), 0);
  std::vector<std::string> hives;
  EXPECT_EQ(list_subkey_names(reg(), users, hives), 0);
  RegKey missing;
  EXPECT_EQ(reg().open_key(kHkeyUsers, "S-1-5-21-1-2-3-987654\\Software", access::kRead, missing),
            status::kFileNotFound);
  EXPECT_FALSE(missing.is_open());
}

}  // namespace
}  // namespace rw::contract
