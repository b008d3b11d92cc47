// The sample entries that run.sh gives a new sandbox prefix, written into
// this build's Wine prefix: the scan lists each in its place, ticked unless
// switched off, and each value or shortcut leads to its program. All of it
// is taken away again afterwards.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <string>
#include <vector>

#include "catalogue/scan.h"
#include "platform/win32/com.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_platform.h"
#include "support/seeder.h"
#include "support/wine_support.h"
#include "tools/sample_entries.h"

namespace rw::tools {
namespace {

constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kUserParking[] =
    L"Software\\VB and VBA Program Settings\\Runwarden\\Disabled\\-2147483647";

struct Expected {
  std::string name;
  StartupLocation location;
  bool ticked;
  HKEY root;          // a value's hive, or null for a shortcut
  const wchar_t* at;  // a value's key
  int csidl;          // a shortcut's folder
  std::wstring program;
};

const std::vector<Expected> kExpected = {
    {"Sample - Notepad", StartupLocation::CurrentUserRun, true, HKEY_CURRENT_USER, kRunKey, 0,
     L"C:\\windows\\notepad.exe"},
    {"Sample - Registry Editor", StartupLocation::AllUsersRun, true, HKEY_LOCAL_MACHINE, kRunKey, 0,
     L"C:\\windows\\regedit.exe"},
    {"Sample - Clock", StartupLocation::CurrentUserRunParked, false, HKEY_CURRENT_USER,
     kUserParking, 0, L"C:\\windows\\system32\\clock.exe"},
    {"Sample - About Wine", StartupLocation::CurrentUserStartup, true, nullptr, nullptr,
     CSIDL_STARTUP, L"C:\\windows\\system32\\winver.exe"},
    {"Sample - Minesweeper", StartupLocation::AllUsersStartup, true, nullptr, nullptr,
     CSIDL_COMMON_STARTUP, L"C:\\windows\\system32\\winemine.exe"},
};

std::wstring shortcut_of(const Expected& sample) {
  wchar_t folder[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, sample.csidl, nullptr, SHGFP_TYPE_CURRENT, folder);
  return std::wstring(folder) + L"\\" + win32::widen(sample.name) + L".lnk";
}

// What a value holds, or where a shortcut leads.
std::wstring program_of(const Expected& sample) {
  std::vector<wchar_t> text(MAX_PATH, L'\0');
  if (sample.root != nullptr) {
    DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (::RegGetValueW(sample.root, sample.at, win32::widen(sample.name).c_str(), RRF_RT_REG_SZ,
                       nullptr, text.data(), &size) != ERROR_SUCCESS) {
      return L"(no value)";
    }
    return text.data();
  }
  const win32::ComScope com;
  win32::ComPtr<IShellLinkW> link;
  win32::ComPtr<IPersistFile> file;
  if (SUCCEEDED(win32::create_instance(CLSID_ShellLink, IID_IShellLinkW, link.put())) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.put())) &&
      SUCCEEDED(file->Load(shortcut_of(sample).c_str(), STGM_READ))) {
    link->GetPath(text.data(), static_cast<int>(text.size()), nullptr, SLGP_RAWPATH);
  }
  return text.data();
}

// The seeder takes the samples out of the prefix again, with the keys and
// folders that were missing before them.
class SampleEntries : public ::testing::Test {
 protected:
  seeding::Seeder seed_{"Sample - "};
  win32::Win32Services services_;
};

TEST_F(SampleEntries, AreListedInTheirPlacesAndLeadToTheirPrograms) {
  ASSERT_TRUE(wine_support::running_under_wine());
  EXPECT_EQ(write_sample_entries(), std::vector<std::string>{});

  class NoDialogs final : public Dialogs {
    int message_box(std::string_view, int, std::string_view) override { return mb::kResultOk; }
    std::string input_box(std::string_view, std::string_view, std::string_view) override {
      return {};
    }
    OpenFileResult open_file(const OpenFileRequest&) override { return {}; }
  } dialogs;
  Platform platform = services_.platform(dialogs);
  SortedEntryList list(services_.text_rules);
  Catalogue catalogue{platform, list};
  run_scan(catalogue);

  for (const Expected& sample : kExpected) {
    SCOPED_TRACE(sample.name);
    int found = 0;
    for (int i = 0; i < list.count(); ++i) {
      if (list.text(i) != sample.name) continue;
      ++found;
      EXPECT_EQ(list.tag(i), static_cast<std::int32_t>(sample.location));
      EXPECT_EQ(list.checked(i), sample.ticked);
    }
    EXPECT_EQ(found, 1);
    EXPECT_EQ(program_of(sample), sample.program);
  }
}

}  // namespace
}  // namespace rw::tools
