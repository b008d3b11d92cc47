// A substitute for the operating system, for the native tests: an in-memory
// registry that answers with the real Win32 statuses and compares names
// without regard to case, real temporary folders for the files, and dialogs
// that answer from a script. Any single call can be made to fail.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace rw::substitute {

// Which calls fail. Calls are counted across every service, from 1; a fault
// fires once, at its call number, or at every call of a named operation.
struct Fault {
  std::uint64_t at_call = 0;  // 0: match by operation instead
  std::string operation;      // as logged, e.g. "RegSetValueEx", "FileCopy"; empty: any
  Status status = status::kAccessDenied;
  std::string subject_part = {};  // by operation: only calls whose subject holds this
};

class CallLog {
 public:
  // Records the call and returns the status it must fail with, if any.
  std::optional<Status> enter(const std::string& operation, const std::string& subject);
  void add_fault(Fault fault) { faults_.push_back(std::move(fault)); }
  void clear_faults() { faults_.clear(); }
  std::uint64_t count() const { return calls_.size(); }
  const std::vector<std::string>& calls() const { return calls_; }  // "Op subject"
  void clear() { calls_.clear(); }

 private:
  std::vector<std::string> calls_;
  std::vector<Fault> faults_;
};

class SubstituteRegistry final : public Registry {
 public:
  explicit SubstituteRegistry(CallLog& log) : log_(log) {}

  Status open_key(Hive hive, std::string_view path, std::uint32_t access, RegKey& out) override;
  Status create_key(Hive hive, std::string_view path, std::uint32_t access, RegKey& out) override;
  Status enum_value_name(const RegKey& key, std::uint32_t index, std::uint32_t name_capacity,
                         std::string& name) override;
  Status enum_value(const RegKey& key, std::uint32_t index, std::string& name,
                    RegValue& value) override;
  Status query_value(const RegKey& key, std::string_view name, std::uint32_t& type,
                     std::uint8_t* data, std::uint32_t& size) override;
  Status set_value(const RegKey& key, std::string_view name, std::uint32_t type,
                   const std::vector<std::uint8_t>& data) override;
  Status delete_value(const RegKey& key, std::string_view name) override;
  Status enum_key_name(const RegKey& key, std::uint32_t index, std::string& name) override;
  bool views_are_separate() override { return separate_views; }

  // As a 64-bit Windows: HKEY_LOCAL_MACHINE\SOFTWARE opened with kView32 is
  // SOFTWARE\WOW6432Node. False: one view, as on a 32-bit Windows.
  bool separate_views = true;

  // Test helpers, which bypass faults and the log.
  void put(Hive hive, std::string_view path, std::string_view name, std::uint32_t type,
           std::vector<std::uint8_t> data);
  void put_string(Hive hive, std::string_view path, std::string_view name, std::string_view text,
                  std::uint32_t type = regtype::kSz);
  std::optional<RegValue> get(Hive hive, std::string_view path, std::string_view name) const;
  std::optional<std::string> get_string(Hive hive, std::string_view path,
                                        std::string_view name) const;
  std::vector<std::string> value_names(Hive hive, std::string_view path) const;
  void remove_key(Hive hive, std::string_view path);
  // Deletes one value, as another program would; false when it was not there.
  bool erase(Hive hive, std::string_view path, std::string_view name);
  // Opening this key (or one below it) for writing is refused with status 5.
  void deny_write(Hive hive, std::string_view path);
  std::size_t open_handles() const { return handles_.size(); }

 protected:
  Status close_handle(std::uintptr_t handle) override;

 private:
  struct Value {
    std::string name;
    std::uint32_t type = regtype::kNone;
    std::vector<std::uint8_t> data;
  };
  struct Key {
    std::string name;                                        // as first made
    std::map<std::u16string, std::unique_ptr<Key>> subkeys;  // by folded name
    std::vector<Value> values;                               // in the order written
  };
  struct Handle {
    Hive hive;
    std::vector<std::u16string> path;  // folded components
    std::uint32_t access;
  };

  Key& root(Hive hive);
  const Key* find(Hive hive, const std::vector<std::u16string>& path) const;
  Key* find(Hive hive, const std::vector<std::u16string>& path);
  // Makes each missing level, named as `names` spells them.
  Key& make(Hive hive, const std::vector<std::string>& names);
  const Handle* handle_of(const RegKey& key) const;
  Status open_or_create(const char* operation, Hive hive, std::string_view path,
                        std::uint32_t access, bool create, RegKey& out);
  bool write_denied(Hive hive, const std::vector<std::u16string>& path) const;

  CallLog& log_;
  std::map<Hive, Key> hives_;
  std::map<std::uintptr_t, Handle> handles_;
  std::uintptr_t next_handle_ = 0x100;
  std::vector<std::pair<Hive, std::vector<std::u16string>>> denied_;
};

// Real files under a temporary root. Paths use "\" and are mapped onto the
// host's folders, matching names without regard to case as Windows does;
// hidden and system attributes are kept beside the files.
class SubstituteFiles final : public FileSystem {
 public:
  explicit SubstituteFiles(CallLog& log) : log_(log) {}

  std::vector<std::string> dir(std::string_view pattern, std::uint32_t attributes) override;
  bool folder_exists(std::string_view path) override;
  void make_dir(std::string_view path) override;
  void file_copy(std::string_view from, std::string_view to) override;
  void kill(std::string_view path) override;
  std::optional<std::string> file_content(std::string_view path) override;
  std::optional<std::string> file_start(std::string_view path, std::size_t max_bytes) override;
  Status removable(std::string_view path) override;
  std::optional<std::uint32_t> file_attributes(std::string_view path) override;
  void set_file_attributes(std::string_view path, std::uint32_t attributes) override;

  static std::filesystem::path host_path(std::string_view path);
  // Test helpers.
  void write_file(std::string_view path, std::string_view content);
  std::optional<std::string> read_file(std::string_view path) const;
  void set_attributes(std::string_view path, std::uint32_t attributes);
  // Nothing in this folder (or below it) can be made, written or deleted, as
  // in a read-only program folder: status 5.
  void deny_write(std::string_view folder);

 private:
  std::uint32_t attributes_of(const std::filesystem::path& path) const;
  void refuse_if_denied(const char* operation, std::string_view path) const;
  CallLog& log_;
  std::map<std::string, std::uint32_t> attributes_;  // by host path
  std::vector<std::filesystem::path> denied_;
};

class SubstituteFolders final : public Folders {
 public:
  explicit SubstituteFolders(CallLog& log) : log_(log) {}
  std::string special_folder(int csidl) override;
  std::string windows_directory() override;
  std::string system_directory() override;
  bool is_network_drive(char letter) override;
  std::string program_folder() override { return program_folder_; }

  std::map<int, std::string> special;
  std::string windows;  // a real folder under the temporary root
  std::string system;   // a real folder under `windows`
  std::string program_folder_;
  std::set<char> network_drives;  // upper-case letters mapped to network shares

 private:
  CallLog& log_;
};

class SubstituteStatusText final : public StatusText {
 public:
  std::string describe(Status code) override;
};

class SubstituteTextRules final : public TextRules {
 public:
  bool same_name(std::string_view a, std::string_view b) override;
  std::string name_key(std::string_view name) override;
  // Latin letters first without their accents, then the accents, as the
  // linguistic order does for the scripts the tests use.
  std::string sort_key(std::string_view text) override;
};

class RecordingShell final : public Shell {
 public:
  explicit RecordingShell(CallLog& log) : log_(log) {}
  void shell_open(std::string_view verb, std::string_view file, int show) override;
  void start_program(std::string_view path, int show) override;
  void show_in_folder(std::string_view path) override;

  std::vector<std::string> opened;   // files handed to shell_open
  std::vector<std::string> started;  // programs started
  std::vector<std::string> shown;    // files shown in their folders
  bool refuse_start = false;

 private:
  CallLog& log_;
};

// Shortcuts are files of the form "LNK\n" + target + "\n" + arguments; any
// other content is not a shortcut. Environment variables (PATH is the
// system and Windows folders at first) and the version resources of program
// files are what a test sets, and so are signatures and hashes: a file is unsigned
// unless a test gives it a signature, and its SHA-256 is what a test gave
// for its content (the substitute computes none). A path beginning "\\" is
// on the network.
class SubstitutePrograms final : public Programs {
 public:
  explicit SubstitutePrograms(CallLog& log) : log_(log) {}
  std::optional<ShortcutLink> read_shortcut(std::string_view path) override;
  std::string expand_environment(std::string_view text) override;
  bool is_file(std::string_view path) override;
  std::optional<std::string> environment_variable(std::string_view name) override;
  FileDescription describe_file(std::string_view path) override;
  // Logged as "WinVerifyTrust" and "SHA256", and only for a file that is there.
  Signature signature(std::string_view path) override;
  std::optional<std::string> sha256(std::string_view path) override;

  static std::string shortcut_content(std::string_view target, std::string_view arguments = {});

  std::map<std::string, std::string> environment;       // names in upper case
  std::map<std::string, FileDescription> descriptions;  // by path as given
  std::map<std::string, Signature> signatures;          // by path as given
  // Hex SHA-256 by the file's content. Hashing a content missing here is a
  // fault of the test, which raises std::logic_error.
  std::map<std::string, std::string> sha256_of_content;
  int shortcuts_read = 0;

 private:
  CallLog& log_;
};

// Tasks a test sets, held by path. Switching works, unless the test says it
// changes nothing, as Wine's Task Scheduler does. The faults by operation:
// "ITaskService::Connect" (nothing read), "ITaskFolder::GetTasks" with the
// folder's path (that folder's tasks left out), "ITaskFolder::GetTask" and
// "IRegisteredTask::put_Enabled" with the task's path.
class SubstituteTaskScheduler final : public TaskScheduler {
 public:
  explicit SubstituteTaskScheduler(CallLog& log) : log_(log) {}
  TaskList read_tasks() override;
  bool set_enabled(std::string_view path, bool enabled) override;
  TaskUser current_user() override;
  std::optional<std::string> account_name(std::string_view sid) override;

  // Test helpers, which bypass faults and the log. put() replaces a task of
  // the same path.
  void put(std::string_view path, bool enabled, std::string_view definition);
  std::optional<ScheduledTask> get(std::string_view path) const;

  bool switching_changes_nothing = false;
  TaskUser user{"tester", "SUBSTITUTE", "S-1-5-21-1111111111-2222222222-3333333333-1001"};
  // Accounts other than `user` that SIDs resolve to: SID, "DOMAIN\name".
  std::map<std::string, std::string> accounts;

 private:
  ScheduledTask* find(std::string_view path);
  CallLog& log_;
  std::vector<ScheduledTask> tasks_;
};

// A message box the program showed.
struct ShownMessage {
  std::string prompt;
  int flags = 0;
  std::string title;
};

class ScriptedDialogs final : public Dialogs {
 public:
  int message_box(std::string_view prompt, int flags, std::string_view title) override;
  std::string input_box(std::string_view prompt, std::string_view title,
                        std::string_view default_text) override;
  OpenFileResult open_file(const OpenFileRequest& request) override;

  // Answers, taken in order; when a queue is empty: Yes/OK, the default
  // text, and a cancelled file dialog.
  std::deque<int> message_answers;
  std::deque<std::optional<std::string>> input_answers;  // nullopt: the default
  std::deque<OpenFileResult> file_answers;
  std::optional<Status> file_dialog_failure;

  std::vector<ShownMessage> messages;
  std::vector<std::string> prompts_defaults;  // the default text of each prompt
  std::vector<OpenFileRequest> file_requests;
};

// Everything together, in a temporary folder of its own that it removes.
class SubstitutePlatform {
 public:
  SubstitutePlatform();
  ~SubstitutePlatform();
  SubstitutePlatform(const SubstitutePlatform&) = delete;
  SubstitutePlatform& operator=(const SubstitutePlatform&) = delete;

  // Its services, with its scripted dialogs or with others.
  Platform platform() { return platform(dialogs); }
  Platform platform(Dialogs& with_dialogs);
  // The temporary root, as a "\"-separated path the catalogue can build on.
  std::string root() const { return root_; }

  CallLog log;
  SubstituteRegistry registry{log};
  SubstituteFiles files{log};
  SubstituteFolders folders{log};
  SubstituteStatusText status_text;
  RecordingShell shell{log};
  ScriptedDialogs dialogs;
  SubstituteTextRules text_rules;
  SubstitutePrograms programs{log};
  SubstituteTaskScheduler tasks{log};

 private:
  std::string root_;
};

}  // namespace rw::substitute
