// Writing the sample entries into the registry and the Startup folders, each
// where the place table says its place is.
#include "tools/sample_entries.h"

#include "catalogue/entry_store.h"
#include "platform/win32/win32_platform.h"
#include "support/seeder.h"

namespace rw::tools {

std::vector<std::string> write_sample_entries() {
  const seeding::ShortcutFolders folders = seeding::shortcut_folders();
  win32::Win32StatusText words;
  std::vector<std::string> failures;
  for (const SampleEntry& sample : kSampleEntries) {
    try {
      if (place(sample.location).storage == Storage::Shortcuts) {
        seeding::write_link(
            shortcut_path(seeding::folder_of(sample.location, folders), sample.name),
            std::string(sample.program));
      } else {
        seeding::write_value(seeding::run_key(sample.location), sample.name, regtype::kSz,
                             text_to_registry_bytes(sample.program));
      }
    } catch (const PlatformError& error) {
      failures.push_back("The sample \"" + std::string(sample.name) +
                         "\" could not be written: " + failure_words(words, error));
    }
  }
  return failures;
}

}  // namespace rw::tools
