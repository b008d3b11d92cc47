#include "wine_support.h"

#include <algorithm>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "signed_programs.h"

namespace rw::wine_support {

bool running_under_wine() {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

HKEY root_of(Hive hive) {
  if (hive == kHkeyUsers) return HKEY_USERS;
  return hive == kHkeyLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

bool key_exists(Hive hive, const std::wstring& path) {
  win32::UniqueHkey key;
  return ::RegOpenKeyExW(root_of(hive), path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

void remove_tree(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  {
    win32::UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (find) {
      do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + L"\\" + name;
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          remove_tree(path);
        } else {
          ::DeleteFileW(path.c_str());
        }
      } while (::FindNextFileW(find.get(), &found));
    }
  }
  ::SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::RemoveDirectoryW(folder.c_str());
}

std::wstring task_files_folder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH);
  return std::wstring(buffer, length) + L"\\Tasks";
}

std::string task_file_bytes(const std::string& xml) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : utf8_to_utf16(xml)) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

void place_task_file(const std::string& path, const std::string& bytes) {
  // The long form throughout, so that a path deeper than MAX_PATH is made too.
  const std::wstring file = L"\\\\?\\" + task_files_folder() + win32::widen(path);
  for (std::size_t slash = file.find(L'\\', 4 + task_files_folder().size());
       slash != std::wstring::npos; slash = file.find(L'\\', slash + 1)) {
    ::CreateDirectoryW(file.substr(0, slash).c_str(), nullptr);
  }
  win32::UniqueFile out(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (out)
    ::WriteFile(out.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring signed_programs_folder() {
#ifdef RUNWARDEN_SIGNED_PROGRAMS
  std::wstring folder = win32::widen(RUNWARDEN_SIGNED_PROGRAMS);
  // A host path of a cross build, through the drive Wine gives the host's root.
  if (folder.starts_with(L'/')) folder = L"Z:" + folder;
  std::replace(folder.begin(), folder.end(), L'/', L'\\');
  return folder;
#else
  return {};
#endif
}

namespace {

std::vector<char> file_bytes(const std::wstring& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(file), {});
}

// A certificate as the registry's system stores keep it: a property list
// whose one entry is the certificate itself (property 32, flags 1, the size).
std::vector<BYTE> stored_blob(const std::vector<char>& der) {
  const DWORD size = static_cast<DWORD>(der.size());
  std::vector<BYTE> blob = {0x20, 0, 0, 0, 1, 0, 0, 0};
  for (int shift = 0; shift < 32; shift += 8) blob.push_back(static_cast<BYTE>(size >> shift));
  blob.insert(blob.end(), der.begin(), der.end());
  return blob;
}

}  // namespace

TrustedTestRoot::TrustedTestRoot() {
  const std::wstring folder = signed_programs_folder();
  if (folder.empty()) return;
  const std::vector<char> der =
      file_bytes(folder + L"\\" + win32::widen(signed_programs::kRootCertificate));
  std::wstring thumbprint;
  for (char c : file_bytes(folder + L"\\" + win32::widen(signed_programs::kRootThumbprint))) {
    if (std::iswxdigit(static_cast<wchar_t>(c))) thumbprint += static_cast<wchar_t>(c);
  }
  if (der.empty() || thumbprint.size() != 40) return;
  const std::wstring key =
      L"Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\" + thumbprint;
  win32::UniqueHkey created;
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        created.put(), nullptr) != ERROR_SUCCESS)
    return;
  const std::vector<BYTE> blob = stored_blob(der);
  if (::RegSetValueExW(created.get(), L"Blob", 0, REG_BINARY, blob.data(),
                       static_cast<DWORD>(blob.size())) == ERROR_SUCCESS)
    key_ = key;
}

TrustedTestRoot::~TrustedTestRoot() {
  // The key has values only, which go with it.
  if (!key_.empty()) ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_.c_str());
}

}  // namespace rw::wine_support
