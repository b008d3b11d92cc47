// The sample entries that run.sh puts into the sandbox prefix it creates, so
// that a newcomer's first run shows what Runwarden does. A tool of the
// repository: neither the program nor any package contains it.
#pragma once

#include <windows.h>
// after windows.h
#include <objbase.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/places.h"
#include "platform/win32/handles.h"

namespace rw::tools {

struct SampleEntry {
  StartupLocation location;
  std::string_view name;     // the value's name, or the shortcut's without ".lnk"
  std::string_view program;  // the value's command, or the shortcut's target
};

// One of each place a newcomer meets: a Run value of the user and of the
// machine, a switched-off value of the user, and a shortcut in each Startup
// folder. Each starts a program that every Wine prefix has.
inline constexpr std::array<SampleEntry, 5> kSampleEntries = {{
    {StartupLocation::CurrentUserRun, "Sample - Notepad", "C:\\windows\\notepad.exe"},
    {StartupLocation::AllUsersRun, "Sample - Registry Editor", "C:\\windows\\regedit.exe"},
    {StartupLocation::CurrentUserRunParked, "Sample - Clock", "C:\\windows\\system32\\clock.exe"},
    {StartupLocation::CurrentUserStartup, "Sample - About Wine",
     "C:\\windows\\system32\\winver.exe"},
    {StartupLocation::AllUsersStartup, "Sample - Minesweeper",
     "C:\\windows\\system32\\winemine.exe"},
}};

// COM on the calling thread for as long as it lives.
class ComApartment {
 public:
  ComApartment() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  HRESULT result() const { return result_; }

 private:
  HRESULT result_;
};

// A COM interface, released by its owner.
template <typename Interface>
struct ComTraits {
  using Value = Interface*;
  static Interface* empty() { return nullptr; }
  static void close(Interface* object) { object->Release(); }
};
template <typename Interface>
using ComOwner = win32::UniqueHandle<ComTraits<Interface>>;

// True when this process runs under Wine, whose ntdll has wine_get_version.
bool running_under_wine();

// Writes every sample where its place keeps it: a value with
// RegSetValueExW, a shortcut with IShellLinkW (COM must be initialised on
// the thread). Returns a line for each sample that could not be written,
// naming it, where it was going and the system's words for why; empty when
// all were written.
std::vector<std::string> write_sample_entries();

}  // namespace rw::tools
