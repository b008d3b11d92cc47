// The contract suite against the Win32 layer, in the Wine prefix's real
// registry (scratch keys under HKCU\Software\RunwardenContract), real
// folders under %TEMP% and real task folders of Task Scheduler. Everything a
// case made is removed after it.
#include <windows.h>
// after windows.h, which it needs
#include <winioctl.h>

#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "contract/contract_target.h"
#include "platform/win32/handles.h"
#include "platform/win32/paths.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"
#include "support/seeder.h"
#include "support/wine_support.h"

namespace rw::contract {

namespace {

using win32::api_path;
using win32::narrow;
using win32::widen;
using wine_support::place_task_file;
using wine_support::remove_tree;
using wine_support::task_file_bytes;
using wine_support::task_files_folder;

constexpr const wchar_t* kScratchRoot = L"Software\\RunwardenContract";

// Wine's mount manager maps a drive letter, of any drive type, to a folder of
// the host (as winecfg does); Windows has no such call. Without a folder, it
// removes the letter.
bool define_wine_drive(char letter, const char* host_folder, UINT drive_type) {
  struct UnixDrive {  // Wine's struct mountmgr_unix_drive
    ULONG size;
    ULONG type;
    ULONG fs_type;
    DWORD serial;
    ULONGLONG unix_dev;
    WCHAR letter;
    USHORT mount_point_offset;
    USHORT device_offset;
    USHORT label_offset;
  };
  constexpr DWORD kDefineUnixDrive =
      CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
  if (::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr) {
    return false;
  }
  win32::UniqueFile manager(::CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
  if (!manager) return false;
  const std::string folder = host_folder == nullptr ? "" : std::string(host_folder) + '\0';
  std::vector<char> request(sizeof(UnixDrive) + folder.size(), '\0');
  UnixDrive drive{};
  drive.size = static_cast<ULONG>(request.size());
  drive.type = drive_type;
  drive.fs_type = 1;  // unknown
  drive.letter = static_cast<WCHAR>(letter);
  drive.mount_point_offset = host_folder == nullptr ? 0 : sizeof(UnixDrive);
  std::memcpy(request.data(), &drive, sizeof(drive));
  std::memcpy(request.data() + sizeof(drive), folder.data(), folder.size());
  DWORD returned = 0;
  return ::DeviceIoControl(manager.get(), kDefineUnixDrive, request.data(),
                           static_cast<DWORD>(request.size()), nullptr, 0, &returned, nullptr);
}

std::string temp_folder() {
  std::vector<wchar_t> buffer(MAX_PATH + 1, L'\0');
  const DWORD length = ::GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
  std::wstring path(buffer.data(), length);
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return narrow(path);
}

class Win32Target final : public ContractTarget {
 public:
  ~Win32Target() override {
    if (network_drive_) define_wine_drive(*network_drive_, nullptr, DRIVE_NO_ROOT_DIR);
    for (const auto& [name, value] : variables_before_) {
      ::SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
    }
    for (const std::string& key : keys_) ::RegDeleteTreeW(HKEY_CURRENT_USER, widen(key).c_str());
    for (const std::string& key : machine_keys_) remove_machine_key(key);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kScratchRoot);  // only once it is empty
    // The long form, so that the walk reaches folders deeper than MAX_PATH.
    for (const std::string& folder : folders_) remove_tree(L"\\\\?\\" + widen(folder));
    for (const std::string& folder : task_folders_) {
      remove_tree(L"\\\\?\\" + task_files_folder() + widen(folder));
    }
  }

  Registry& registry() override { return services_.registry; }
  FileSystem& files() override { return services_.files; }
  Folders& folders() override { return services_.folders; }
  StatusText& status_text() override { return services_.status_text; }

  std::string scratch_key() override {
    keys_.push_back(narrow(kScratchRoot) + "\\Case" + unique_suffix());
    ::RegDeleteTreeW(HKEY_CURRENT_USER, widen(keys_.back()).c_str());  // left by a crashed run
    return keys_.back();
  }
  std::string scratch_machine_key() override {
    machine_keys_.push_back("SOFTWARE\\RunwardenContract\\Case" + unique_suffix());
    remove_machine_key(machine_keys_.back());
    return machine_keys_.back();
  }
  std::string scratch_application() override {
    const std::string application = "RunwardenContract" + unique_suffix();
    keys_.push_back("Software\\VB and VBA Program Settings\\" + application);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, widen(keys_.back()).c_str());
    return application;
  }
  std::string scratch_folder() override {
    const std::string folder = temp_folder() + "\\RunwardenContract" + unique_suffix();
    remove_tree(api_path(folder));
    ::CreateDirectoryW(api_path(folder).c_str(), nullptr);
    folders_.push_back(folder);
    return folder;
  }

  void write_file(const std::string& path, const std::string& content) override {
    win32::UniqueFile file(::CreateFileW(api_path(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file) {
      ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                  nullptr);
    }
  }
  std::string read_file(const std::string& path) override {
    win32::UniqueFile file(::CreateFileW(api_path(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return "<missing>";
    std::string content;
    char chunk[4096];
    DWORD got = 0;
    while (::ReadFile(file.get(), chunk, sizeof(chunk), &got, nullptr) && got > 0) {
      content.append(chunk, got);
    }
    return content;
  }
  void set_attributes(const std::string& path, std::uint32_t attributes) override {
    ::SetFileAttributesW(api_path(path).c_str(),
                         attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes);
  }
  void put_value_with_nul(const std::string& key, const std::string& name,
                          const std::string& text) override {
    seeding::write_value({kHkeyCurrentUser, key}, name, REG_SZ, text_to_registry_bytes(text));
  }
  TextRules& text_rules() override { return services_.text_rules; }
  Programs& programs() override { return services_.programs; }
  void set_environment_variable(const std::string& name, const std::string& value) override {
    const std::wstring wide = widen(name);
    if (!variables_before_.count(wide)) {
      std::vector<wchar_t> before(40000, L'\0');
      const DWORD length =
          ::GetEnvironmentVariableW(wide.c_str(), before.data(), static_cast<DWORD>(before.size()));
      variables_before_[wide] =
          length == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND
              ? std::nullopt
              : std::optional<std::wstring>(std::wstring(before.data(), length));
    }
    ::SetEnvironmentVariableW(wide.c_str(), widen(value).c_str());
  }
  std::optional<char> network_drive() override {
    const DWORD used = ::GetLogicalDrives();
    for (char letter = 'R'; letter <= 'Y'; ++letter) {
      if (used & (1u << (letter - 'A'))) continue;
      if (!define_wine_drive(letter, "/tmp", DRIVE_REMOTE)) return std::nullopt;
      network_drive_ = letter;
      return letter;
    }
    return std::nullopt;
  }
  void write_shortcut(const std::string& path, const std::string& target,
                      const std::string& arguments) override {
    seeding::write_link(path, target, arguments);
  }
  TaskScheduler& task_scheduler() override { return services_.tasks; }
  std::string scratch_task_folder() override {
    task_folders_.push_back("\\RunwardenContract" + unique_suffix());
    remove_tree(L"\\\\?\\" + task_files_folder() + widen(task_folders_.back()));
    return task_folders_.back();
  }
  // The file says whether the task is enabled.
  void place_task(const std::string& path, bool, const std::string& xml) override {
    place_task_file(path, task_file_bytes(xml));
  }
  std::string kept_task(const std::string& path) override {
    return read_file(narrow(task_files_folder()) + path);
  }
  bool place_program(const std::string& path, signed_programs::Kind kind) override {
    const std::wstring folder = wine_support::signed_programs_folder();
    if (folder.empty()) return false;
    if (kind != signed_programs::Kind::kUnsigned && !root_)
      root_ = std::make_unique<wine_support::TrustedTestRoot>();
    const std::wstring made = folder + L"\\" + widen(signed_programs::file_of(kind).name);
    return ::CopyFileW(made.c_str(), api_path(path).c_str(), FALSE) &&
           (kind == signed_programs::Kind::kUnsigned || root_->trusted());
  }
  void tell_sha256(const std::string&, const std::string&) override {}

 private:
  // From both views, and the scratch root too once it is empty.
  static void remove_machine_key(const std::string& key) {
    for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
      win32::UniqueHkey software;
      if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_ALL_ACCESS | view,
                          software.put()) != ERROR_SUCCESS)
        continue;
      ::RegDeleteTreeW(software.get(), widen(key.substr(9)).c_str());
      ::RegDeleteKeyExW(software.get(), L"RunwardenContract", view, 0);
    }
  }

  std::string unique_suffix() {
    return std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++made_);
  }

  // Trusted from the first signed program placed until the target goes.
  std::unique_ptr<wine_support::TrustedTestRoot> root_;
  win32::Win32Services services_;
  std::map<std::wstring, std::optional<std::wstring>> variables_before_;
  std::optional<char> network_drive_;
  std::vector<std::string> keys_;
  std::vector<std::string> machine_keys_;
  std::vector<std::string> folders_;
  std::vector<std::string> task_folders_;
  int made_ = 0;
};

}  // namespace

std::unique_ptr<ContractTarget> make_contract_target() { return std::make_unique<Win32Target>(); }

}  // namespace rw::contract
