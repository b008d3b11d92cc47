// The real Windows services behind the platform interface, over the
// wide-character API. The dialogs live with the windows (src/ui).
#pragma once

#include <memory>
#include <vector>

#include "platform/platform.h"

namespace rw::win32 {

class Win32Registry final : public Registry {
 public:
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
  bool views_are_separate() override;

 protected:
  Status close_handle(std::uintptr_t handle) override;

 private:
  // enum_value_name's buffer, kept between calls: a scan asks for thousands
  // of names, each with room for the longest a value can have.
  std::vector<wchar_t> name_buffer_;
  std::vector<std::uint8_t> data_buffer_;
};

class Win32Files final : public FileSystem {
 public:
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
};

class Win32Folders final : public Folders {
 public:
  std::string special_folder(int csidl) override;
  std::string windows_directory() override;
  std::string system_directory() override;
  bool is_network_drive(char letter) override;
  std::string program_folder() override;
};

class Win32StatusText final : public StatusText {
 public:
  std::string describe(Status code) override;  // FormatMessageW
};

class Win32TextRules final : public TextRules {
 public:
  bool same_name(std::string_view a, std::string_view b) override;  // CompareStringOrdinal
  std::string name_key(std::string_view name) override;             // upper-cased, invariantly
  std::string sort_key(std::string_view text) override;             // LCMapStringW
};

class Win32Shell final : public Shell {
 public:
  void shell_open(std::string_view verb, std::string_view file, int show) override;
  void start_program(std::string_view path, int show) override;
  void show_in_folder(std::string_view path) override;
};

class Win32Programs final : public Programs {
 public:
  Win32Programs();
  ~Win32Programs() override;
  Win32Programs(const Win32Programs&) = delete;
  Win32Programs& operator=(const Win32Programs&) = delete;

  std::optional<ShortcutLink> read_shortcut(std::string_view path) override;
  std::string expand_environment(std::string_view text) override;
  bool is_file(std::string_view path) override;
  std::optional<std::string> environment_variable(std::string_view name) override;
  FileDescription describe_file(std::string_view path) override;
  Signature signature(std::string_view path) override;
  std::optional<std::string> sha256(std::string_view path) override;

 private:
  // COM and one shell link, started by the first shortcut read and kept for
  // the next ones on the same thread: COM started and ended for each read
  // would be torn down each time, which costs far more than the read.
  struct ShortcutReader;
  std::unique_ptr<ShortcutReader> shortcuts_;
  // The SHA-256 provider and what is known of the drives, from the first
  // signature check or hash on.
  struct FileChecks;
  std::unique_ptr<FileChecks> checks_;
  FileChecks& checks();
};

class Win32TaskScheduler final : public TaskScheduler {
 public:
  TaskList read_tasks() override;  // Task Scheduler 2.0, with task files where it falls short
  bool set_enabled(std::string_view path, bool enabled) override;
  TaskUser current_user() override;  // the process token's user
  std::optional<std::string> account_name(std::string_view sid) override;
};

// Every service but the dialogs, which the windows provide.
struct Win32Services {
  Win32Registry registry;
  Win32Files files;
  Win32Folders folders;
  Win32StatusText status_text;
  Win32Shell shell;
  Win32TextRules text_rules;
  Win32Programs programs;
  Win32TaskScheduler tasks;

  Platform platform(Dialogs& dialogs) {
    return Platform{registry, files,      folders,  status_text, shell,
                    dialogs,  text_rules, programs, tasks};
  }
};

}  // namespace rw::win32
