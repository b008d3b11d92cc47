// A catalogue over the substitute platform, with helpers to lay out entries
// in their places and to read back what is stored.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "catalogue/module1.h"
#include "catalogue/scan.h"
#include "platform/settings_store.h"
#include "platform/substitute/substitute.h"

namespace rw::testing {

class CatalogueTest : public ::testing::Test {
 protected:
  CatalogueTest() : platform_(os_.platform()), catalogue_{platform_, list_, module_} {}

  std::string program_folder() { return os_.folders.program_folder(); }
  std::string folder_of(StartupLocation location) {
    return place_folder(place(location), module_, program_folder());
  }
  // Stores an entry in a place, as another program (or an earlier run) would.
  void store_run_value(StartupLocation location, const std::string& name,
                       const std::string& command, std::uint32_t type = regtype::kSz) {
    const PlaceInfo& info = place(location);
    os_.registry.put_string(run_value_key_hive(info), run_value_key_path(info), name, command,
                            type);
  }
  void store_shortcut(StartupLocation location, const std::string& name,
                      const std::string& content = "shortcut") {
    os_.files.write_file(shortcut_path(folder_of(location), name), content);
  }
  std::optional<RegValue> stored_run_value(StartupLocation location, const std::string& name) {
    const PlaceInfo& info = place(location);
    return os_.registry.get(run_value_key_hive(info), run_value_key_path(info), name);
  }
  std::optional<std::string> stored_command(StartupLocation location, const std::string& name) {
    const PlaceInfo& info = place(location);
    return os_.registry.get_string(run_value_key_hive(info), run_value_key_path(info), name);
  }
  std::optional<std::string> stored_shortcut(StartupLocation location, const std::string& name) {
    return os_.files.read_file(shortcut_path(folder_of(location), name));
  }
  // Runs the scan (which also resolves the folders the helpers above use).
  std::string scan() { return run_scan(catalogue_).caption; }
  // Resolves folders and creates the parking folders without listing anything.
  void prepare_folders() {
    scan();
    while (list_.count() > 0) list_.remove(0);
  }
  int find_item(const std::string& text, StartupLocation location) {
    for (int i = 0; i < list_.count(); ++i) {
      if (list_.text(i) == text && list_.tag(i) == static_cast<std::int32_t>(location)) return i;
    }
    return -1;
  }

  substitute::SubstitutePlatform os_;
  Platform platform_;
  SortedEntryList list_;
  Module1 module_;
  Catalogue catalogue_;
};

}  // namespace rw::testing
