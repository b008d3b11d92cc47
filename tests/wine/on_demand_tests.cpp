// The DLLs loaded on first use instead of with the program: a function is
// found only in Windows' own system folder, a missing DLL or function says
// so through GetLastError, and a file's version resource reads the same as
// it did when version.dll was linked. This program carries Runwarden's own
// resources, so its version resource is the program's.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/file_version_info.h"
#include "platform/win32/handles.h"
#include "platform/win32/system_library.h"
#include "platform/win32/text.h"

namespace rw::win32 {
namespace {

std::wstring module_path() {
  std::vector<wchar_t> buffer(32768, L'\0');
  const DWORD length =
      ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  return std::wstring(buffer.data(), length);
}

std::wstring beside_this_program(const wchar_t* file_name) {
  const std::wstring path = module_path();
  return path.substr(0, path.find_last_of(L'\\') + 1) + file_name;
}

// A file of that name next to this program, removed again afterwards.
class FileBesideProgram {
 public:
  FileBesideProgram(const wchar_t* file_name, const char* content)
      : path_(beside_this_program(file_name)) {
    UniqueFile file(::CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file)
      ::WriteFile(file.get(), content, static_cast<DWORD>(strlen(content)), &written, nullptr);
  }
  ~FileBesideProgram() { ::DeleteFileW(path_.c_str()); }
  FileBesideProgram(const FileBesideProgram&) = delete;
  FileBesideProgram& operator=(const FileBesideProgram&) = delete;
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

TEST(SystemLibrary, FindsWindowsOwnFunctionsAndSaysWhyNotOtherwise) {
  // Not a DLL at all: were the folder beside the program searched, loading
  // it would fail with ERROR_BAD_EXE_FORMAT instead of not finding it.
  const FileBesideProgram planted(L"rw_planted.dll", "not a DLL");
  struct Case {
    const wchar_t* library;
    const char* function;
    DWORD error;  // ERROR_SUCCESS: found
  };
  const Case cases[] = {
      {L"kernel32.dll", "GetTickCount", ERROR_SUCCESS},
      {L"comdlg32.dll", "GetOpenFileNameW", ERROR_SUCCESS},
      {L"kernel32.dll", "RwNoSuchFunction", ERROR_PROC_NOT_FOUND},
      {L"rw_no_such_library.dll", "GetTickCount", ERROR_MOD_NOT_FOUND},
      {L"rw_planted.dll", "GetTickCount", ERROR_MOD_NOT_FOUND},
  };
  for (const Case& each : cases) {
    SCOPED_TRACE(narrow(each.library) + " " + each.function);
    SystemLibrary library(each.library);
    ::SetLastError(ERROR_SUCCESS);
    const auto found = library.function<void (*)()>(each.function);
    const DWORD error = found != nullptr ? ERROR_SUCCESS : ::GetLastError();
    EXPECT_EQ(error, each.error);
  }
}

TEST(FileVersionInfo, ReadsTheProgramsOwnResourceAndNothingFromOtherFiles) {
  const FileVersionInfo own = FileVersionInfo::of_file(module_path());
  ASSERT_FALSE(own.empty());
  EXPECT_EQ(own.string(L"CompanyName"), "Runwarden developers");
  EXPECT_EQ(own.string(L"LegalCopyright"), "\xC2\xA9 2026 Runwarden");
  EXPECT_EQ(own.string(L"RwNoSuchString"), "");
  const VS_FIXEDFILEINFO* fixed = own.fixed();
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                std::to_string(HIWORD(fixed->dwFileVersionLS)),
            RUNWARDEN_PROJECT_VERSION);

  const FileBesideProgram plain(L"rw_plain.exe", "MZ");
  for (const std::wstring& path : {plain.path(), beside_this_program(L"rw_missing.exe")}) {
    SCOPED_TRACE(narrow(path));
    const FileVersionInfo none = FileVersionInfo::of_file(path);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(none.fixed(), nullptr);
    EXPECT_EQ(none.string(L"CompanyName"), "");
  }
}

}  // namespace
}  // namespace rw::win32
