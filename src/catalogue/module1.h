// The values the catalogue operations share for the whole run, and the
// context every operation receives.
#pragma once

#include <string>
#include <string_view>

#include "catalogue/entry_list.h"
#include "catalogue/places.h"
#include "platform/platform.h"

namespace rw {

struct Module1 {
  // The key an operation works on. Each open replaces it (a failed open leaves
  // it empty, never stale), and each operation closes it before returning.
  RegKey KeyHandle;
  Hive CurrentHive = 0;
  Status LastStatus = status::kOk;
  // The key Modify read, which the entry dialog's OK writes.
  std::string CurrentKeyPath;
  std::string AllUsersStartupPath;
  std::string CurrentUserStartupPath;
};

// Closes Module1's key when an operation ends, however it ends.
class KeyScope {
 public:
  explicit KeyScope(Module1& module) : module_(module) {}
  ~KeyScope() { module_.KeyHandle.close(); }
  KeyScope(const KeyScope&) = delete;
  KeyScope& operator=(const KeyScope&) = delete;

 private:
  Module1& module_;
};

// What an operation works on: the OS services, the list and the shared state.
struct Catalogue {
  Platform& platform;
  EntryList& list;
  Module1& module;
};

// The folder of a shortcut place: a Startup folder or a parking folder.
std::string place_folder(const PlaceInfo& info, const Module1& module,
                         std::string_view program_folder);
// folder + "\" + name + ".lnk"
std::string shortcut_path(std::string_view folder, std::string_view name);

// A title for message boxes and dialogs: "Runwarden" + suffix.
std::string titled(std::string_view suffix);

}  // namespace rw
