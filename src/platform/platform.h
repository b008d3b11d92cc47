// The operating-system services that the catalogue and the windows use.
//
// Everything here is portable: no Windows header is included, text is UTF-8,
// and registry statuses are the real Win32 numbers. Two implementations exist:
// the Win32 layer (src/platform/win32) and the in-memory substitute used by the
// native tests (src/platform/substitute). tests/contract holds both to the same
// behaviour.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace rw {

using Status = std::int32_t;  // a Win32 error code; 0 is success

namespace status {
inline constexpr Status kOk = 0;
inline constexpr Status kFileNotFound = 2;
inline constexpr Status kPathNotFound = 3;
inline constexpr Status kAccessDenied = 5;
inline constexpr Status kInvalidHandle = 6;
inline constexpr Status kSharingViolation = 32;
inline constexpr Status kNotSupported = 50;
inline constexpr Status kInvalidParameter = 87;
inline constexpr Status kAlreadyExists = 183;
inline constexpr Status kMoreData = 234;
inline constexpr Status kNoMoreItems = 259;
}  // namespace status

// Registry hives, as the numbers the settings-store section names are made of.
using Hive = std::uint32_t;
inline constexpr Hive kHkeyCurrentUser = 0x80000001u;
inline constexpr Hive kHkeyLocalMachine = 0x80000002u;
// Every loaded user's hive, one subkey per SID; a user's classes are in
// "<SID>_Classes" beside it.
inline constexpr Hive kHkeyUsers = 0x80000003u;

namespace access {
inline constexpr std::uint32_t kRead = 0x20019;   // KEY_READ
inline constexpr std::uint32_t kWrite = 0x20006;  // KEY_WRITE
// Added to either: which view of HKEY_LOCAL_MACHINE\SOFTWARE a 64-bit
// Windows shows, the 64-bit programs' or the 32-bit programs' (which it
// keeps under WOW6432Node). Elsewhere, and where there is one view, no change.
inline constexpr std::uint32_t kView64 = 0x0100;  // KEY_WOW64_64KEY
inline constexpr std::uint32_t kView32 = 0x0200;  // KEY_WOW64_32KEY
}  // namespace access

namespace regtype {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kSz = 1;
inline constexpr std::uint32_t kExpandSz = 2;
inline constexpr std::uint32_t kBinary = 3;
inline constexpr std::uint32_t kDword = 4;
inline constexpr std::uint32_t kMultiSz = 7;
}  // namespace regtype

// The registry's limit for a value name, in UTF-16 units without the NUL.
inline constexpr std::uint32_t kMaxValueNameChars = 16383;

// A failing file or settings-store call. Registry calls return statuses instead.
class PlatformError : public std::runtime_error {
 public:
  PlatformError(std::string operation, std::string subject, Status code);
  const std::string& operation() const { return operation_; }  // e.g. "FileCopy"
  const std::string& subject() const { return subject_; }      // the path or key
  Status code() const { return code_; }

 private:
  std::string operation_;
  std::string subject_;
  Status code_;
};

class Registry;

// A registry value's type and bytes.
struct RegValue {
  std::uint32_t type = regtype::kNone;
  std::vector<std::uint8_t> data;
};

// An open registry key. It closes itself; an empty key is what a failed open
// leaves behind, and every call on it fails with ERROR_INVALID_HANDLE.
class RegKey {
 public:
  RegKey() = default;
  RegKey(Registry* owner, std::uintptr_t handle) : owner_(owner), handle_(handle) {}
  RegKey(RegKey&& other) noexcept;
  RegKey& operator=(RegKey&& other) noexcept;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  ~RegKey() { close(); }

  bool is_open() const { return owner_ != nullptr; }
  std::uintptr_t handle() const { return handle_; }
  // Returns the close status; closing an empty key is a no-op returning 0.
  Status close();

 private:
  Registry* owner_ = nullptr;
  std::uintptr_t handle_ = 0;
};

// The registry, at the level of the Win32 calls. Value data is the raw bytes
// the registry holds: string types are UTF-16LE, as Windows stores them, so
// sizes agree with the real thing. Names compare without regard to case.
class Registry {
 public:
  virtual ~Registry() = default;

  // RegOpenKeyExW. On failure `out` is left empty (never stale).
  virtual Status open_key(Hive hive, std::string_view path, std::uint32_t access, RegKey& out) = 0;
  // RegCreateKeyExW: opens the key, creating every missing level.
  virtual Status create_key(Hive hive, std::string_view path, std::uint32_t access,
                            RegKey& out) = 0;
  // RegEnumValueW asking for the name only. `name_capacity` is the buffer size
  // in UTF-16 units including the NUL: a longer name gives ERROR_MORE_DATA.
  // Past the last value: ERROR_NO_MORE_ITEMS.
  virtual Status enum_value_name(const RegKey& key, std::uint32_t index,
                                 std::uint32_t name_capacity, std::string& name) = 0;
  // RegEnumValueW with the data: the value at the index, its name (up to the
  // registry's limit) and its type and data whole. Past the last value:
  // ERROR_NO_MORE_ITEMS. Reads a key in one pass, where naming each value
  // and then querying it would cost a call more for every value.
  virtual Status enum_value(const RegKey& key, std::uint32_t index, std::string& name,
                            RegValue& value) = 0;
  // RegQueryValueExW. `data` may be null to ask for the size only. `size` is
  // in: the buffer size in bytes, out: the bytes copied, or the bytes needed
  // when the status is ERROR_MORE_DATA (or when `data` is null).
  virtual Status query_value(const RegKey& key, std::string_view name, std::uint32_t& type,
                             std::uint8_t* data, std::uint32_t& size) = 0;
  // RegSetValueExW with exactly these bytes.
  virtual Status set_value(const RegKey& key, std::string_view name, std::uint32_t type,
                           const std::vector<std::uint8_t>& data) = 0;
  virtual Status delete_value(const RegKey& key, std::string_view name) = 0;
  // RegEnumKeyExW: the name of the key's subkey at the index, whole, however
  // long. Past the last subkey: ERROR_NO_MORE_ITEMS.
  virtual Status enum_key_name(const RegKey& key, std::uint32_t index, std::string& name) = 0;
  // Whether HKEY_LOCAL_MACHINE\SOFTWARE has a 32-bit view apart from the
  // 64-bit one: false on a 32-bit Windows, where the two are one key.
  virtual bool views_are_separate() = 0;

 protected:
  friend class RegKey;
  virtual Status close_handle(std::uintptr_t handle) = 0;
};

// File attributes as Win32 numbers, for dir().
namespace attr {
inline constexpr std::uint32_t kNormal = 0;  // ordinary files only
inline constexpr std::uint32_t kReadOnly = 0x1;
inline constexpr std::uint32_t kHidden = 0x2;
inline constexpr std::uint32_t kSystem = 0x4;
inline constexpr std::uint32_t kDirectory = 0x10;
}  // namespace attr

// Files and folders. Paths use "\" as separator, as the catalogue builds them.
// Failures raise PlatformError with the path and the OS status.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Like Dir(pattern, attributes): the names (without folder) of the entries
  // matching the pattern. Attribute 0 lists ordinary files only (no folders,
  // no hidden or system files); kDirectory adds folders. "." and ".." are not
  // listed. A missing folder, or a file where the folder would be, gives an
  // empty list.
  virtual std::vector<std::string> dir(std::string_view pattern, std::uint32_t attributes) = 0;
  // True when a folder exists at the path.
  virtual bool folder_exists(std::string_view path) = 0;
  virtual void make_dir(std::string_view path) = 0;                        // MkDir
  virtual void file_copy(std::string_view from, std::string_view to) = 0;  // replaces `to`
  virtual void kill(std::string_view path) = 0;                            // deletes a file
  // The bytes of the file at the path, whatever its attributes; nothing when
  // no file or folder is there. Raises for anything else (a folder, no right).
  virtual std::optional<std::string> file_content(std::string_view path) = 0;
  // Like file_content, but no more than the first `max_bytes` bytes, so that
  // a file of any size costs no more than that to look at.
  virtual std::optional<std::string> file_start(std::string_view path, std::size_t max_bytes) = 0;
  // GetFileAttributesW: the attributes of the file or folder at the path, as
  // attr:: numbers (others the OS keeps, such as archive, come along); nothing
  // when none is there. Raises for anything else.
  virtual std::optional<std::uint32_t> file_attributes(std::string_view path) = 0;
  // SetFileAttributesW: the file's attributes become these (0: none). Raises
  // PlatformError when it cannot, with 2 when no file is there.
  virtual void set_file_attributes(std::string_view path, std::uint32_t attributes) = 0;
  // Whether kill() would be allowed to delete the file, asked without
  // deleting it: 0, or the status the deletion would fail with (2 when the
  // file is missing, 5 when it is read-only or the user may not delete it).
  virtual Status removable(std::string_view path) = 0;
};

// Where things are.
class Folders {
 public:
  virtual ~Folders() = default;
  // SHGetFolderPathW: the text before the first NUL, possibly empty or short.
  virtual std::string special_folder(int csidl) = 0;
  // GetWindowsDirectoryW, or the empty text when it fails.
  virtual std::string windows_directory() = 0;
  // GetSystemDirectoryW (System32 of a native program), or the empty text
  // when it fails.
  virtual std::string system_directory() = 0;
  // True when the drive letter is mapped to a network share: GetDriveTypeW of
  // its root says DRIVE_REMOTE. Windows knows that of its own drive map, so
  // no server is asked. False for a letter with no drive.
  virtual bool is_network_drive(char letter) = 0;
  // The folder of the executable, without a trailing backslash.
  virtual std::string program_folder() = 0;
};

inline constexpr int kCsidlStartup = 7;
inline constexpr int kCsidlCommonStartup = 0x18;

// What the OS says a status means, in its own words ("The system cannot find
// the file specified."). Never empty.
class StatusText {
 public:
  virtual ~StatusText() = default;
  virtual std::string describe(Status code) = 0;
};

// The one way a failure is put into words, so that every message names the
// call, what it was called on, and the status in the OS's words and number:
//   Kill failed for "C:\x.lnk": Access is denied. (error 5)
// Without the number when the message gives it already.
std::string failure_words(StatusText& text, const PlatformError& error, bool with_number = true);

// The shell: opening documents and starting programs. Neither waits.
class Shell {
 public:
  virtual ~Shell() = default;
  // ShellExecute with no parameters and no working folder; result ignored.
  virtual void shell_open(std::string_view verb, std::string_view file, int show) = 0;
  // Starts the program at `path` (not parsed as a command line). Raises
  // PlatformError when it cannot be started.
  virtual void start_program(std::string_view path, int show) = 0;
  // Opens Explorer on the file's folder with the file selected
  // (SHOpenFolderAndSelectItems). Raises PlatformError when it cannot.
  virtual void show_in_folder(std::string_view path) = 0;
};

// What a shortcut file points at.
struct ShortcutLink {
  std::string target;  // the file it starts, with environment variables expanded
  std::string arguments;
};

// What a program file says of itself in its version resource.
struct FileDescription {
  std::string company;      // CompanyName
  std::string description;  // FileDescription
};

// What a check of a program file's signature found.
enum class SignatureState {
  kValid,       // signed, unchanged since, by a certificate this computer trusts
  kNotSigned,   // no signature in the file, and none of Windows' catalogues lists it
  kNotTrusted,  // signed and unchanged, but the certificate is not trusted here
                // (an unknown root, expired, revoked or distrusted)
  kNotValid,    // signed, but the file was changed after it was signed
  kNotChecked,  // nothing was checked: no file is there, or it is on the network
};

struct Signature {
  SignatureState state = SignatureState::kNotChecked;
  // The subject name of the certificate that signed the file, also when the
  // signature is not valid; nothing when there is no signature or its
  // certificate cannot be found.
  std::optional<std::string> signer;
  bool operator==(const Signature&) const = default;
};

// What the details of an entry need to know of the files a command names.
// Nothing here is called by the scan: reading a shortcut needs COM, which
// is started on the first such call and not before, and the first signature
// check of a process costs a tenth of a second while the root certificates
// load.
class Programs {
 public:
  virtual ~Programs() = default;
  // IShellLinkW: the target and arguments of a shortcut file; nothing when
  // the file is not a shortcut. Raises PlatformError when it cannot be read.
  virtual std::optional<ShortcutLink> read_shortcut(std::string_view path) = 0;
  // ExpandEnvironmentStringsW; the text as it is when it cannot be expanded.
  virtual std::string expand_environment(std::string_view text) = 0;
  // True when an ordinary file, not a folder, is at the path.
  virtual bool is_file(std::string_view path) = 0;
  // GetEnvironmentVariableW: the variable's value in this process, possibly
  // empty; nothing when it is not set. Names compare without regard to case.
  virtual std::optional<std::string> environment_variable(std::string_view name) = 0;
  // The file's version resource; empty texts where it has none.
  virtual FileDescription describe_file(std::string_view path) = 0;
  // Who signed the file: its own Authenticode signature or, where it has
  // none, a catalogue of Windows' own that lists it. Revocation is looked up
  // only in what the computer has cached: nothing is fetched from the
  // network. A path on the network (a share, or a drive mapped to one) is
  // not touched, nor is a path where no file is: both are kNotChecked.
  // Raises PlatformError when the file is there but the check could not be
  // made (it cannot be opened, the check itself failed).
  virtual Signature signature(std::string_view path) = 0;
  // The SHA-256 of the file's bytes, in lower-case hex. Nothing when no file
  // is at the path (or a folder is) or the path is on the network; neither
  // is read. Raises PlatformError when the file is there but cannot be read.
  virtual std::optional<std::string> sha256(std::string_view path) = 0;
};

// One task of Task Scheduler, as it is registered.
struct ScheduledTask {
  std::string path;  // from the root folder: "\Vendor\Updater"
  std::string name;  // "Updater"
  bool enabled = false;
  // Its definition, the XML Task Scheduler keeps, as UTF-8 text.
  std::string definition;
};

// Every task that could be read, and what could not be: a folder or a task
// that failed is left out of `tasks` and named in `problems`, so that a
// partial list is never taken for the whole.
struct TaskList {
  std::vector<ScheduledTask> tasks;
  std::vector<PlatformError> problems;
};

// Who runs the program, as a logon trigger names a user: by account name,
// with or without its domain, or by SID.
struct TaskUser {
  std::string name;    // "alice"
  std::string domain;  // "OFFICE", or empty where it is not known
  std::string sid;     // "S-1-5-21-..."
};

// Task Scheduler. Each call reaches it anew, starting COM on the calling
// thread for its own length, so that the tasks can be read on a thread of
// their own; nothing else in the program starts COM for it.
class TaskScheduler {
 public:
  virtual ~TaskScheduler() = default;
  // Every task of every folder, hidden ones included, in no given order.
  // Raises PlatformError when Task Scheduler cannot be reached at all (not
  // running, access denied), naming the call and the status.
  virtual TaskList read_tasks() = 0;
  // Switches the task at the path on or off (IRegisteredTask::put_Enabled,
  // never by registering its definition again), then reads it back: returns
  // whether it is enabled now, which is not always what was asked for.
  // Raises PlatformError when the task cannot be found or switched.
  virtual bool set_enabled(std::string_view path, bool enabled) = 0;
  // The user this program runs as. Raises PlatformError when it cannot be told.
  virtual TaskUser current_user() = 0;
  // LookupAccountSidW: the account of a SID in text ("S-1-5-21-..."), as
  // "DOMAIN\name"; nothing for a SID that is malformed or names no account
  // this computer can look up.
  virtual std::optional<std::string> account_name(std::string_view sid) = 0;
};

// The text of a task's XML as it is stored in a file: UTF-16 with a byte
// order mark, as Task Scheduler writes it, or UTF-8 with or without one,
// or UTF-16 without one (told by its NUL bytes). Never fails: UTF-8 that
// does not decode becomes U+FFFD, an odd last byte of UTF-16 is dropped, and
// the XML reader says what it makes of the rest.
std::string task_file_text(std::string_view bytes);

// Message boxes, the text prompt and the file-open dialog.
namespace mb {
inline constexpr int kOk = 0;
inline constexpr int kYesNo = 4;
inline constexpr int kCritical = 16;
inline constexpr int kInformation = 64;
inline constexpr int kResultOk = 1;
inline constexpr int kResultYes = 6;
inline constexpr int kResultNo = 7;
}  // namespace mb

namespace ofn {
inline constexpr std::uint32_t kHideReadOnly = 0x4;
inline constexpr std::uint32_t kNoChangeDir = 0x8;
inline constexpr std::uint32_t kPathMustExist = 0x800;
inline constexpr std::uint32_t kFileMustExist = 0x1000;
}  // namespace ofn

struct OpenFileRequest {
  std::uint32_t flags = 0;
  std::string filter;    // "Programs|*.exe;*.com;*.bat|All files|*.*|"
  int filter_index = 0;  // 0 and 1 both mean the first filter
  std::string title;
};

struct OpenFileResult {
  bool chosen = false;     // false: the user cancelled
  std::string file_name;   // the full path
  std::string file_title;  // the name without its folder
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Returns the button pressed (mb::kResultOk, kResultYes, kResultNo).
  virtual int message_box(std::string_view prompt, int flags, std::string_view title) = 0;
  // The text on OK, the empty text on Cancel.
  virtual std::string input_box(std::string_view prompt, std::string_view title,
                                std::string_view default_text) = 0;
  // Cancel gives chosen = false; any other failure raises PlatformError.
  virtual OpenFileResult open_file(const OpenFileRequest& request) = 0;
};

// How Windows compares the names of registry values and files.
class TextRules {
 public:
  virtual ~TextRules() = default;
  // True when Windows takes the two for one name: equal but for letter case,
  // compared character by character (no linguistic folding, so "ß" is not "SS").
  virtual bool same_name(std::string_view a, std::string_view b) = 0;
  // A key for looking names up: equal for two names exactly when same_name
  // takes them for one.
  virtual std::string name_key(std::string_view name) = 0;
  // The order the list shows entries in, as bytes: two texts compare as their
  // keys do, byte by byte. The user's linguistic order, without regard to
  // letter case; texts it does not tell apart have equal keys, and the empty
  // text comes first.
  virtual std::string sort_key(std::string_view text) = 0;
};

// All services together, as the catalogue receives them.
struct Platform {
  Registry& registry;
  FileSystem& files;
  Folders& folders;
  StatusText& status_text;
  Shell& shell;
  Dialogs& dialogs;
  TextRules& text_rules;
  Programs& programs;
  TaskScheduler& tasks;
};

// ---- Text conversion helpers, portable --------------------------------------

// A lone surrogate, which a registry or file name may hold, is kept as its
// three-byte form (as WTF-8 does), so that the name converts back exactly.
std::u16string utf8_to_utf16(std::string_view text);
std::string utf16_to_utf8(std::u16string_view text);

// False for a name that the Win32 calls cannot be given exactly: one with a
// NUL character (the call would stop there and reach a shorter name) or a lone
// surrogate (which a name may hold but text should not).
bool is_exact_name(std::string_view name);

// Registry string data (UTF-16LE bytes) to UTF-8, whole: a trailing NUL is
// dropped when there is one, and data stored without one comes back complete.
// For REG_MULTI_SZ the embedded NULs are kept.
std::string registry_bytes_to_text(const std::vector<std::uint8_t>& bytes);
// UTF-8 to REG_SZ data: UTF-16LE with its terminating NUL.
std::vector<std::uint8_t> text_to_registry_bytes(std::string_view text);

// ---- Whole-value helpers on top of Registry ----------------------------------

// Reads a value whole, however long, growing the buffer as the registry asks.
Status read_value(Registry& registry, const RegKey& key, std::string_view name, RegValue& out);

// Lists every value of the key with its data, in one pass. Stops at
// ERROR_NO_MORE_ITEMS (returned as 0) or at any other status, which it returns.
Status list_values(Registry& registry, const RegKey& key,
                   std::vector<std::pair<std::string, RegValue>>& values);

// Lists every value name of the key, up to the registry's name limit. Stops at
// ERROR_NO_MORE_ITEMS (returned as 0) or at any other status, which it returns.
Status list_value_names(Registry& registry, const RegKey& key, std::vector<std::string>& names);

// Lists the name of every subkey of the key. Stops at ERROR_NO_MORE_ITEMS
// (returned as 0) or at any other status, which it returns.
Status list_subkey_names(Registry& registry, const RegKey& key, std::vector<std::string>& names);

inline bool is_string_type(std::uint32_t type) {
  return type == regtype::kSz || type == regtype::kExpandSz;
}

}  // namespace rw
